// The form runtime's focus rules, as a real window's controls see them.
#include "ui/Form.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "support/heap_watch.h"
#include "ui/test/TestHost.h"

namespace {

// Stands where a control's window stands: it records where the focus was put.
class FocusPeer : public qm::ui::Peer {
public:
    FocusPeer(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
    void Sync(qm::ui::Prop) override {}
    void Focus() override { log_.push_back(name_); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

class TwoBoxes : public qm::ui::Form {
public:
    explicit TwoBoxes(qm::ui::FormHost& host) : Form(host, "TwoBoxes") {}
    qm::ui::TextBox First{this, "First"};
    qm::ui::TextBox Second{this, "Second"};
};

// Writes down its activations: "A" a new one, "a" a return from another program.
class Logged : public qm::ui::Form {
public:
    Logged(qm::ui::FormHost& host, std::string& log, char name) : Form(host, std::string(1, name)), log_(log), name_(name) {}

protected:
    void Form_Activate() override { log_ += name_; }
    void Form_Reactivate() override { log_ += static_cast<char>(name_ - 'A' + 'a'); }

private:
    std::string& log_;
    char name_;
};

}  // namespace

TEST(FormActivation, OnlyATakeOverFromAnotherFormRunsTheActivateEvent) {
    // Each step: a form's window becomes active ("A"), or a form unloads ("-A").
    const std::pair<const char*, const char*> stories[] = {
        {"A A A", "Aaa"},   // away to another program and back, twice
        {"A B A", "ABA"},   // between the program's own forms
        {"A -A A", "AA"},   // shown anew after an unload
        {"A B -B A", "ABA"},
        {"A -B A", "Aa"},   // another form's unload changes nothing for this one
    };
    for (const auto& [story, expected] : stories) {
        qm::ui::TestHost host;
        std::string log;
        Logged a(host, log, 'A'), b(host, log, 'B');
        std::istringstream steps(story);
        for (std::string step; steps >> step;) {
            Logged& form = step.back() == 'A' ? a : b;
            form.Load();
            if (step[0] == '-') form.Unload();
            else host.FormActivated(form);
        }
        EXPECT_EQ(log, expected) << story;
    }
}

TEST(FormFocus, ALostFocusHandlerThatTakesTheFocusBackKeepsIt) {
    qm::ui::TestHost host;
    TwoBoxes form(host);
    form.Load();
    std::vector<std::string> focused;
    FocusPeer first(focused, "First"), second(focused, "Second");
    form.First.AttachPeer(&first);
    form.Second.AttachPeer(&second);
    form.First.SetFocus();
    // The first box refuses what it holds and takes the focus back.
    form.First.LostFocus = [&] { form.First.SetFocus(); };
    bool secondGotIt = false;
    form.Second.GotFocus = [&] { secondGotIt = true; };
    form.Second.SetFocus();
    EXPECT_EQ(form.ActiveControl(), &form.First);
    EXPECT_FALSE(secondGotIt) << "the second box never had the focus";
    EXPECT_EQ(focused.back(), "First") << "the window with the focus is the one the model names";
    form.First.AttachPeer(nullptr);
    form.Second.AttachPeer(nullptr);
}

namespace {

// Stands where an edit control stands: it counts the times it was told to
// overwrite what it holds.
class ErasePeer : public qm::ui::Peer {
public:
    void Sync(qm::ui::Prop what) override { erased += what == qm::ui::Prop::Erase; }
    void Focus() override {}
    int erased = 0;
};

}  // namespace

TEST(TextBoxMemory, NoCopyOfATypedSecretOutlivesWhatTheBoxDoesWithIt) {
    // Long enough that typing grows the text twice; the watched middle part
    // is in the block each growth gives back, and in what a shorter text leaves.
    static constexpr std::string_view typed = "0123456789abcdefghijKLMNOPQRSTuvwxyz!@#$%";
    const std::string_view secret = typed.substr(10, 20);
    const std::pair<const char*, std::function<void(std::unique_ptr<TwoBoxes>&)>> rows[] = {
        {"typed only", [](std::unique_ptr<TwoBoxes>&) {}},
        {"a shorter text set", [](std::unique_ptr<TwoBoxes>& f) { f->First.SetText("x"); }},
        {"a shorter text typed", [](std::unique_ptr<TwoBoxes>& f) { f->First.UserSetText("x"); }},
        {"wiped", [](std::unique_ptr<TwoBoxes>& f) { f->First.Wipe(); }},
        {"the form goes", [](std::unique_ptr<TwoBoxes>& f) { f.reset(); }},
    };
    for (const auto& [what, then] : rows) {
        SCOPED_TRACE(what);
        qm::ui::TestHost host;
        qm::test::HeapWatch watch(secret);
        auto form = std::make_unique<TwoBoxes>(host);
        qm::test::TypeKeyByKey(form->First, typed);
        then(form);
        EXPECT_EQ(watch.FreedCopies(), 0) << "a block went back with the secret in it";
        EXPECT_EQ(watch.LiveCopies(), std::string_view(what) == "typed only" ? 1 : 0);
    }
}

TEST(TextBoxMemory, AnUnloadEmptiesTheBoxesThatHoldSecretsAndTheirControls) {
    qm::ui::TestHost host;
    TwoBoxes form(host);
    form.Load();
    ErasePeer first, second;
    form.First.AttachPeer(&first);
    form.Second.AttachPeer(&second);
    form.First.SetPasswordChar('*');
    form.First.SetPasswordChar(0);  // shown in the clear, still a secret
    form.First.SetText("secret1");
    form.Second.SetText("a name");
    form.Unload();
    EXPECT_EQ(form.First.Text(), "");
    EXPECT_EQ(first.erased, 1) << "the control's own copy is overwritten";
    EXPECT_EQ(form.Second.Text(), "a name") << "other boxes keep what they hold";
    EXPECT_EQ(second.erased, 0);
    form.First.AttachPeer(nullptr);
    form.Second.AttachPeer(nullptr);
}

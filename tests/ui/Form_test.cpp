// The form runtime's focus rules, as a real window's controls see them.
#include "ui/Form.h"

#include <gtest/gtest.h>

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

}  // namespace

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

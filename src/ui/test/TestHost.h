#pragma once
// The form host of native tests: no windows. It records every form shown,
// runs a test's script when a modal form opens (the script plays the user;
// whatever is still open afterwards is closed with its close box), and
// answers message boxes through the fake platform.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/test/FakePlatform.h"
#include "ui/Form.h"

namespace qm::ui {

class TestHost : public FormHost {
public:
    platform::Platform& Os() override { return os; }
    void Create(Form& form) override { created.push_back(form.Name()); }
    void Show(Form& form, bool modal, Form* owner) override;
    void Destroy(Form& form) override { destroyed.push_back(form.Name()); }
    void AttachSkin(Form& form) override { skinned.push_back(form.Name()); }
    void Busy(bool on) override { waits += on && !busy, busy = on; }
    void HideWindows(bool on) override {
        hidden = on;
        ++hides;
    }
    // Records the pop-up and clicks the item named in `nextMenuChoice`, if any.
    void PopupMenu(Form& owner, MenuItem& menu, MenuItem* defaultItem) override;

    // What the user does in the modal form `name` each time it opens.
    template <class F>
    void OnModal(const std::string& name, std::function<void(F&)> script) {
        scripts_[name] = [script](Form& f) { script(static_cast<F&>(f)); };
    }

    struct Popup {
        std::string menu;
        std::string defaultItem;
    };
    std::vector<Popup> popups;
    std::string nextMenuChoice;

    platform::FakePlatform os;
    std::vector<std::string> created, shown, destroyed, skinned;
    bool busy = false;  // the wait cursor is up
    int waits = 0;      // times it went up
    bool hidden = false;  // the program's windows are off the screen
    int hides = 0;        // times they went off or came back

private:
    std::map<std::string, std::function<void(Form&)>> scripts_;
};

}  // namespace qm::ui

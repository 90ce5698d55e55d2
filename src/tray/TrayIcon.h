#pragma once
// The program's icon in the notification area, shown while the main window
// is minimised. Mouse messages on it reach the owner form's TrayMouse.
#include <functional>
#include <string>

namespace qm::ui {
class Form;
}

namespace qm::tray {

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // Shows the icon; false when the shell would not take it (no icon is shown).
    virtual bool Add(ui::Form& owner, const std::string& tip) = 0;
    virtual void SetTip(const std::string& tip) = 0;
    virtual void Remove() = 0;
    virtual bool Shown() const = 0;

    // Called when the shell lost the icon (it restarted) and would not take
    // it back: no icon is shown any more.
    std::function<void()> Lost;
};

// The test double: remembers what was asked.
class FakeTrayIcon : public TrayIcon {
public:
    bool Add(ui::Form&, const std::string& t) override {
        if (refuse) return false;
        shown = true;
        tip = t;
        return true;
    }
    void SetTip(const std::string& t) override { tip = t; }
    void Remove() override { shown = false; }
    // Plays a shell that restarted and would not take the icon back.
    void Lose() {
        shown = false;
        if (Lost) Lost();
    }
    bool Shown() const override { return shown; }

    bool shown = false;
    bool refuse = false;  // plays a shell that will not show the icon
    std::string tip;
};

}  // namespace qm::tray

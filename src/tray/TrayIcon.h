#pragma once
// The program's icon in the notification area, shown while the main window
// is minimised. Mouse messages on it reach the owner form's TrayMouse.
#include <string>

namespace qm::ui {
class Form;
}

namespace qm::tray {

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    virtual void Add(ui::Form& owner, const std::string& tip) = 0;
    virtual void Remove() = 0;
    virtual bool Shown() const = 0;
};

// The test double: remembers what was asked.
class FakeTrayIcon : public TrayIcon {
public:
    void Add(ui::Form&, const std::string& t) override {
        shown = true;
        tip = t;
    }
    void Remove() override { shown = false; }
    bool Shown() const override { return shown; }

    bool shown = false;
    std::string tip;
};

}  // namespace qm::tray

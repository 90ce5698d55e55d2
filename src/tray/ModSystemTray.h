#pragma once
// The program's icon in the notification area while the main window is
// minimised, and what a click on it leads to. Showing the icon is the
// back-end's job (TrayIcon); what a click does is the owner window's, since
// only it knows whether the program is locked or one of its dialogs is open.
#include <functional>
#include <string>

#include "tray/TrayIcon.h"

namespace qm::tray {

// The message the shell sends the owner window for the icon, and the two
// mouse notifications it carries that mean something here.
inline constexpr int kTrayCallbackMessage = 2025;
inline constexpr int kLeftButtonUp = 514;
inline constexpr int kRightButtonUp = 517;

class ModSystemTray {
public:
    struct Handlers {
        std::function<void()> LeftButtonUp;   // back to the window (or to the unlock dialog)
        std::function<void()> RightButtonUp;  // the tray menu
        std::function<void()> IconLost;       // the shell lost the icon for good: the window must show
    };

    // Once, at the owner's load. Without a back-end no icon is ever shown.
    void SetTrayOwner(TrayIcon* icon, ui::Form& owner, Handlers handlers);
    // Shows the icon with the tip last set; false when no icon could be shown
    // (no owner or back-end, or the shell refused it). A shown icon stays.
    bool AddTrayIcon();
    // The tip for the next AddTrayIcon, and for the icon if it is shown.
    void SetTrayTip(const std::string& tip);
    // Harmless when no icon is shown.
    void RemoveTrayIcon();
    bool TrayIconShown() const { return icon_ && icon_->Shown(); }
    // A mouse notification of the icon; anything but the release of the left
    // or the right button is left alone.
    void TrayWndProc(int message) const;

private:
    TrayIcon* icon_ = nullptr;
    ui::Form* owner_ = nullptr;
    Handlers handlers_;
    std::string tip_;
};

}  // namespace qm::tray

#include "tray/ModSystemTray.h"

namespace qm::tray {

void ModSystemTray::SetTrayOwner(TrayIcon* icon, ui::Form& owner, Handlers handlers) {
    icon_ = icon;
    owner_ = &owner;
    handlers_ = std::move(handlers);
    if (icon_) icon_->Lost = handlers_.IconLost;
}

bool ModSystemTray::AddTrayIcon() {
    if (!icon_ || !owner_) return false;
    if (icon_->Shown()) return true;
    return icon_->Add(*owner_, tip_);
}

void ModSystemTray::SetTrayTip(const std::string& tip) {
    tip_ = tip;
    if (TrayIconShown()) icon_->SetTip(tip);
}

void ModSystemTray::RemoveTrayIcon() {
    if (TrayIconShown()) icon_->Remove();
}

void ModSystemTray::TrayWndProc(int message) const {
    const std::function<void()>* handler = message == kLeftButtonUp    ? &handlers_.LeftButtonUp
                                           : message == kRightButtonUp ? &handlers_.RightButtonUp
                                                                       : nullptr;
    if (handler && *handler) (*handler)();
}

}  // namespace qm::tray

#pragma once
// The notification-area icon on Windows. While it is shown, its owner's
// window procedure is wrapped: the icon's mouse messages (callback message
// 2025) reach the owner form's TrayMouse, every other message passes on
// unchanged, and the icon comes back by itself when the shell restarts.
#include <windows.h>

#include "tray/TrayIcon.h"
#include "ui/win32/Win32Host.h"

namespace qm::tray {

class Win32TrayIcon : public TrayIcon {
public:
    explicit Win32TrayIcon(ui::Win32Host& host);
    ~Win32TrayIcon() override;
    bool Add(ui::Form& owner, const std::string& tip) override;
    void SetTip(const std::string& tip) override;
    void Remove() override;
    bool Shown() const override { return shown_; }

    static constexpr UINT kCallbackMessage = 2025;

private:
    static LRESULT CALLBACK TrayWndProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool notify(DWORD command, UINT flags);

    ui::Win32Host& host_;
    const UINT taskbarCreated_;
    ui::Form* owner_ = nullptr;
    HWND window_ = nullptr;
    std::wstring tip_;
    bool shown_ = false;
};

}  // namespace qm::tray

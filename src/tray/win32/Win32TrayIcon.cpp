#include "tray/win32/Win32TrayIcon.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/win32/SystemLibrary.h"

namespace qm::tray {

Win32TrayIcon::Win32TrayIcon(ui::Win32Host& host)
    : host_(host), taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {}

Win32TrayIcon::~Win32TrayIcon() { Remove(); }

bool Win32TrayIcon::notify(DWORD command, UINT flags) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = 0;
    data.uFlags = flags;
    data.uCallbackMessage = kCallbackMessage;
    if (flags & NIF_ICON)
        data.hIcon = static_cast<HICON>(LoadImageW(host_.Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    lstrcpynW(data.szTip, tip_.c_str(), ARRAYSIZE(data.szTip));
    using NotifyIcon = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
    const auto shellNotifyIcon = platform::SystemFunction<NotifyIcon>(L"shell32.dll", "Shell_NotifyIconW");
    const bool ok = shellNotifyIcon && shellNotifyIcon(command, &data);
    if (data.hIcon) DestroyIcon(data.hIcon);
    return ok;
}

bool Win32TrayIcon::Add(ui::Form& owner, const std::string& tip) {
    Remove();
    owner_ = &owner;
    window_ = host_.WindowOf(owner);
    tip_ = platform::Widen(tip);
    if (!window_ || !notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP)) return false;
    SetWindowSubclass(window_, TrayWndProc, 0, reinterpret_cast<DWORD_PTR>(this));
    shown_ = true;
    return true;
}

void Win32TrayIcon::SetTip(const std::string& tip) {
    tip_ = platform::Widen(tip);
    if (shown_) notify(NIM_MODIFY, NIF_TIP);
}

void Win32TrayIcon::Remove() {
    if (!shown_) return;
    notify(NIM_DELETE, 0);
    RemoveWindowSubclass(window_, TrayWndProc, 0);
    shown_ = false;
}

LRESULT CALLBACK Win32TrayIcon::TrayWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<Win32TrayIcon*>(ref);
    if (msg == kCallbackMessage && (lp == WM_LBUTTONUP || lp == WM_RBUTTONUP)) {
        ui::Form* owner = self->owner_;
        self->host_.RunEvent([&] { owner->TrayMouse(static_cast<int>(lp)); });
        // The right button's menu is all that click does; the left one's
        // message goes on to the window as well.
        if (lp == WM_RBUTTONUP) return 0;
    } else if (msg == self->taskbarCreated_) {
        // A new shell knows nothing of the icon: show it again, or let the
        // owner know there is none.
        if (!self->notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP)) {
            self->shown_ = false;
            RemoveWindowSubclass(hwnd, TrayWndProc, 0);
            if (self->Lost) self->host_.RunEvent([&] { self->Lost(); });
        }
    } else if (msg == WM_NCDESTROY) {
        self->Remove();
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace qm::tray

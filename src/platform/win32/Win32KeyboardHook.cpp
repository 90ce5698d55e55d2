#include "platform/win32/Win32KeyboardHook.h"

#include <wtsapi32.h>

#include <vector>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Platform.h"

namespace qm::platform {

namespace {

constexpr wchar_t kLaterClass[] = L"QuillmereLater";
constexpr UINT kRunLater = WM_APP + 7;
// Marks the keys the program types, so that its own hook lets them pass.
constexpr ULONG_PTR kTypedMark = 0x514D5459;  // "QMTY"

// The system calls a low-level hook with no context of ours; a process has
// at most one hook installed, and this is it.
Win32KeyboardHook* installed = nullptr;

}  // namespace

Win32KeyboardHook::Win32KeyboardHook(HINSTANCE instance) : instance_(instance) {}

Win32KeyboardHook::~Win32KeyboardHook() {
    Remove();
    if (laterWindow_) DestroyWindow(laterWindow_);
}

bool Win32KeyboardHook::Install(std::function<bool(const KeyStroke&)> onKey, std::function<void()> onAway,
                                std::function<void()> onForeground) {
    Remove();
    if (!laterWindow_) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.hInstance = instance_;
        wc.lpfnWndProc = LaterProc;
        wc.lpszClassName = kLaterClass;
        RegisterClassExW(&wc);
        laterWindow_ = CreateWindowExW(0, kLaterClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, nullptr);
        SetWindowLongPtrW(laterWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    onKey_ = std::move(onKey);
    onAway_ = std::move(onAway);
    onForeground_ = std::move(onForeground);
    hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, HookProc, instance_, 0);
    if (!hook_) return false;
    installed = this;
    // Keys released on the lock screen or the secure desktop never reach the
    // hook: hear when the keyboard goes there and comes back.
    using Register = BOOL(WINAPI*)(HWND, DWORD);
    if (const auto reg = SystemFunction<Register>(L"wtsapi32.dll", "WTSRegisterSessionNotification"))
        sessionNotes_ = reg(laterWindow_, NOTIFY_FOR_THIS_SESSION);
    desktopSwitch_ = SetWinEventHook(EVENT_SYSTEM_DESKTOPSWITCH, EVENT_SYSTEM_DESKTOPSWITCH, nullptr, DesktopSwitched, 0, 0,
                                     WINEVENT_OUTOFCONTEXT);
    // Nor does a key released over an elevated window: hear when one may have come to the front.
    foreground_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundMoved, 0, 0,
                                  WINEVENT_OUTOFCONTEXT);
    return true;
}

void Win32KeyboardHook::Remove() {
    if (!hook_) return;
    UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    installed = nullptr;
    if (desktopSwitch_) UnhookWinEvent(desktopSwitch_);
    desktopSwitch_ = nullptr;
    if (foreground_) UnhookWinEvent(foreground_);
    foreground_ = nullptr;
    using Unregister = BOOL(WINAPI*)(HWND);
    if (sessionNotes_)
        if (const auto unreg = SystemFunction<Unregister>(L"wtsapi32.dll", "WTSUnRegisterSessionNotification"))
            unreg(laterWindow_);
    sessionNotes_ = false;
}

bool Win32KeyboardHook::KeyHeld(int vk) const { return GetAsyncKeyState(vk) < 0; }

void CALLBACK Win32KeyboardHook::DesktopSwitched(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    if (installed) notify(installed->onAway_);
}

void CALLBACK Win32KeyboardHook::ForegroundMoved(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    if (installed) notify(installed->onForeground_);
}

void Win32KeyboardHook::notify(const std::function<void()>& what) {
    if (!what) return;
    try {
        what();
    } catch (...) {
    }
}

// As thin as it can be: the logic answers at once whether to swallow the
// key, and whatever it wants done waits until the system has its answer.
LRESULT CALLBACK Win32KeyboardHook::HookProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && installed) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const bool typedByUs = (key.flags & LLKHF_INJECTED) && key.dwExtraInfo == kTypedMark;
        const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
        if (!typedByUs && (down || wp == WM_KEYUP || wp == WM_SYSKEYUP)) {
            bool swallow = false;
            try {
                swallow = installed->onKey_({static_cast<int>(key.vkCode & 0xFF), down});
            } catch (...) {
                // A fault in the logic must never take the system's keyboard with it.
            }
            if (swallow) return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

void Win32KeyboardHook::Later(std::function<void()> action) {
    later_.push_back(std::move(action));
    PostMessageW(laterWindow_, kRunLater, 0, 0);
}

LRESULT CALLBACK Win32KeyboardHook::LaterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Win32KeyboardHook*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_WTSSESSION_CHANGE && self) {
        // Locked, unlocked, or the session taken to another console and back.
        notify(self->onAway_);
        return 0;
    }
    if (msg != kRunLater || !self) return DefWindowProcW(hwnd, msg, wp, lp);
    while (!self->later_.empty()) {
        auto action = std::move(self->later_.front());
        self->later_.pop_front();
        try {
            action();
        } catch (...) {
        }
    }
    return 0;
}

void Win32KeyboardHook::Type(const std::string& text) {
    std::vector<INPUT> keys;
    const auto key = [&](WORD vk, WORD scan, DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = scan;
        in.ki.dwFlags = flags;
        in.ki.dwExtraInfo = kTypedMark;
        keys.push_back(in);
    };
    // A Ctrl tap first: an Alt released right after it opens no menu in the
    // target. Then let go of every modifier the hot key still holds down.
    key(VK_CONTROL, 0, 0);
    key(VK_CONTROL, 0, KEYEVENTF_KEYUP);
    for (WORD vk : {VK_LMENU, VK_RMENU, VK_MENU}) key(vk, 0, KEYEVENTF_KEYUP);
    for (WORD vk : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LWIN, VK_RWIN})
        if (GetAsyncKeyState(vk) < 0) key(vk, 0, KEYEVENTF_KEYUP);
    // Each character as itself: no key notation, no keyboard layout.
    for (wchar_t c : Widen(text)) {
        key(0, c, KEYEVENTF_UNICODE);
        key(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

}  // namespace qm::platform

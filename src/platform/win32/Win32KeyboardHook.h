#pragma once
// The low-level keyboard hook and typing on Windows.
#include <windows.h>

#include <deque>

#include "platform/KeyboardHook.h"

namespace qm::platform {

class Win32KeyboardHook : public KeyboardHook {
public:
    explicit Win32KeyboardHook(HINSTANCE instance);
    ~Win32KeyboardHook() override;
    bool Install(std::function<bool(const KeyStroke&)> onKey, std::function<void()> onAway,
                 std::function<void()> onForeground) override;
    void Remove() override;
    bool Installed() const override { return hook_ != nullptr; }
    bool KeyHeld(int vk) const override;
    void Later(std::function<void()> action) override;
    void Type(const std::string& text) override;

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK LaterProc(HWND, UINT, WPARAM, LPARAM);
    static void CALLBACK DesktopSwitched(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD);
    static void CALLBACK ForegroundMoved(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD);
    static void notify(const std::function<void()>& what);

    HINSTANCE instance_;
    HHOOK hook_ = nullptr;
    HWND laterWindow_ = nullptr;  // a message-only window: what is put off arrives as a posted message
    std::function<bool(const KeyStroke&)> onKey_;
    std::function<void()> onAway_;  // the keyboard went to the lock screen or another desktop
    std::function<void()> onForeground_;  // another window came to the front
    HWINEVENTHOOK desktopSwitch_ = nullptr;
    HWINEVENTHOOK foreground_ = nullptr;
    bool sessionNotes_ = false;  // the later window hears of session changes
    std::deque<std::function<void()>> later_;
};

}  // namespace qm::platform

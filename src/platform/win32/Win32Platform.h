#pragma once
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32KeyboardHook.h"

namespace qm::platform {

class Win32Platform : public Platform {
public:
    ~Win32Platform() override;
    int MsgBox(const std::string& text, int style, const std::string& title) override;
    bool AnotherInstanceRunning(const std::string& folder) override;
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) override;
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    void DeleteSetting(const std::string& app, const std::string& section, const std::string& key) override;
    bool SetStartWithWindows(const std::string& name, const std::string& command, bool on) override;
    Date Today() override;
    int64_t NowUtc() override;
    int64_t LocalFromUtc(int64_t utc) override;
    bool ClipboardClear() override;
    bool ClipboardSetText(const std::string& text) override;
    std::string ClipboardGetText() override;
    uint32_t ClipboardSequence() override;
    uint64_t Milliseconds() override;
    std::optional<GreyImage> CaptureScreen() override;
    bool ShellOpen(const std::string& target) override;
    std::string ShowOpenDialog(const std::string& filter, const std::string& folder, const std::string& title) override;
    std::string ShowSaveDialog(const std::string& filter, const std::string& folder, const std::string& defaultName,
                               const std::string& title, bool askToReplace = true) override;
    KeyboardHook& Keyboard() override { return keyboard_; }

private:
    bool openClipboard();

    HANDLE instanceMutex_ = nullptr;
    HWND clipboardWindow_ = nullptr;
    Win32KeyboardHook keyboard_{GetModuleHandleW(nullptr)};
};

// The name of the mutex that marks a program running from `folder`, without
// its namespace.
std::wstring InstanceMutexName(const std::string& folder);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

}  // namespace qm::platform

#include "platform/win32/Win32Platform.h"

#include <cstdint>
#include <cwctype>

#include "text/utf.h"

namespace qm::platform {

std::wstring Widen(const std::string& utf8) {
    const std::u16string u = text::Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const std::wstring& utf16) { return text::Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end())); }

Win32Platform::~Win32Platform() {
    if (instanceMutex_) CloseHandle(instanceMutex_);
}

int Win32Platform::MsgBox(const std::string& text, int style, const std::string& title) {
    return MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(title).c_str(),
                       static_cast<UINT>(style) | MB_SETFOREGROUND);
}

bool Win32Platform::AnotherInstanceRunning(const std::string& folder) {
    // One program per folder: the mutex is named after the folder (case
    // folded, hashed), since the folder holds the data file.
    uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : Widen(folder)) {
        hash ^= static_cast<uint64_t>(std::towlower(c));
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\Quillmere-%016llx", static_cast<unsigned long long>(hash));
    instanceMutex_ = CreateMutexW(nullptr, FALSE, name);
    return instanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace qm::platform

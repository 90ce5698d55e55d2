#include "platform/win32/Win32Platform.h"

#include <cstdint>
#include <cwctype>

#include <commdlg.h>
#include <shellapi.h>

#include "platform/win32/SystemLibrary.h"
#include "text/utf.h"
#include "text/wipe.h"

namespace qm::platform {

// The text on its way may be a password: the copy between the two types is
// wiped before its memory goes back.
std::wstring Widen(const std::string& utf8) {
    std::u16string u = text::Utf8ToUtf16(utf8);
    std::wstring wide(u.begin(), u.end());
    text::WipeString(u);
    return wide;
}

std::string Narrow(const std::wstring& utf16) {
    std::u16string u(utf16.begin(), utf16.end());
    std::string narrow = text::Utf16ToUtf8(u);
    text::WipeString(u);
    return narrow;
}

Win32Platform::~Win32Platform() {
    if (instanceMutex_) CloseHandle(instanceMutex_);
    if (clipboardWindow_) DestroyWindow(clipboardWindow_);
}

int Win32Platform::MsgBox(const std::string& text, int style, const std::string& title) {
    return MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(title).c_str(),
                       static_cast<UINT>(style) | MB_SETFOREGROUND);
}

std::wstring InstanceMutexName(const std::string& folder) {
    // One program per folder, since the folder holds the data file: the name
    // is the folder's, case folded and hashed.
    uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : Widen(folder)) {
        hash ^= static_cast<uint64_t>(std::towlower(c));
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Quillmere-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

bool Win32Platform::AnotherInstanceRunning(const std::string& folder) {
    // In the Global namespace, so that a run from another logged-on session
    // (or another user's) is seen too. Another user's mutex refuses our
    // access: that, too, is another instance.
    instanceMutex_ = CreateMutexW(nullptr, FALSE, (L"Global\\" + InstanceMutexName(folder)).c_str());
    const DWORD error = GetLastError();
    if (!instanceMutex_) return error == ERROR_ACCESS_DENIED;
    return error == ERROR_ALREADY_EXISTS;
}

namespace {

// Settings live under HKEY_CURRENT_USER\Software\<application>\<section>.
std::wstring settingsKey(const std::string& app, const std::string& section) {
    return L"Software\\" + Widen(app) + L"\\" + Widen(section);
}

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool setString(HKEY root, const wchar_t* path, const std::wstring& name, const std::wstring& value) {
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
    const LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// True when the value is gone afterwards (or never was there).
bool deleteValue(HKEY root, const wchar_t* path, const std::wstring& name) {
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        const LONG rc = RegDeleteValueW(key, name.c_str());
        RegCloseKey(key);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    // The key cannot be written: all is well only if there is nothing to remove.
    return RegGetValueW(root, path, name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::string Win32Platform::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                      const std::string& fallback) {
    const std::wstring path = settingsKey(app, section);
    DWORD type = 0, bytes = 0;
    const std::wstring name = Widen(key);
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, &type, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return fallback;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, &type, value.data(), &bytes) !=
        ERROR_SUCCESS)
        return fallback;
    value.resize(wcsnlen(value.c_str(), value.size()));
    return Narrow(value);
}

void Win32Platform::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& value) {
    setString(HKEY_CURRENT_USER, settingsKey(app, section).c_str(), Widen(key), Widen(value));
}

void Win32Platform::DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
    deleteValue(HKEY_CURRENT_USER, settingsKey(app, section).c_str(), Widen(key));
}

bool Win32Platform::SetStartWithWindows(const std::string& name, const std::string& command, bool on) {
    const std::wstring value = Widen(name);
    if (!on) {
        const bool machine = deleteValue(HKEY_LOCAL_MACHINE, kRunKey, value);
        const bool user = deleteValue(HKEY_CURRENT_USER, kRunKey, value);
        return machine && user;
    }
    // Without administrator rights the machine-wide list cannot be written:
    // the user's own list then carries the choice.
    return setString(HKEY_LOCAL_MACHINE, kRunKey, value, Widen(command)) ||
           setString(HKEY_CURRENT_USER, kRunKey, value, Widen(command));
}

Date Win32Platform::Today() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay};
}

namespace {
// FILETIME counts 100 ns since 1601; Unix seconds since 1970.
constexpr int64_t kFileTimeAt1970 = 116444736000000000LL;
int64_t secondsOf(const FILETIME& f) {
    const int64_t ticks = (static_cast<int64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    return (ticks - kFileTimeAt1970) / 10000000;
}
FILETIME fileTimeOf(int64_t seconds) {
    const uint64_t ticks = static_cast<uint64_t>(seconds * 10000000 + kFileTimeAt1970);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
}  // namespace

int64_t Win32Platform::NowUtc() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return secondsOf(now);
}

int64_t Win32Platform::LocalFromUtc(int64_t utc) {
    // The zone's rule at that time, summer time included, not today's.
    const FILETIME f = fileTimeOf(utc);
    SYSTEMTIME u, local;
    FILETIME back;
    if (!FileTimeToSystemTime(&f, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &local) ||
        !SystemTimeToFileTime(&local, &back))
        return utc;
    return secondsOf(back);
}

bool Win32Platform::openClipboard() {
    // A window of our own owns what we put there: with none, Windows may
    // refuse the data after emptying the clipboard.
    if (!clipboardWindow_)
        clipboardWindow_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                           nullptr);
    // Clipboard managers and remote desktops hold the clipboard for a moment
    // after every change: try for about a second before giving up.
    for (int attempt = 0;; ++attempt) {
        if (OpenClipboard(clipboardWindow_)) return true;
        if (attempt == 20) return false;
        Sleep(50);
    }
}

bool Win32Platform::ClipboardClear() {
    if (!openClipboard()) return false;
    const bool emptied = EmptyClipboard();
    CloseClipboard();
    return emptied;
}

namespace {

// Puts a DWORD under a registered clipboard format.
void setClipboardDword(const wchar_t* format, DWORD value) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof value);
    if (!mem) return;
    if (auto* p = static_cast<DWORD*>(GlobalLock(mem))) {
        *p = value;
        GlobalUnlock(mem);
    }
    if (!SetClipboardData(RegisterClipboardFormatW(format), mem)) GlobalFree(mem);
}

}  // namespace

bool Win32Platform::ClipboardSetText(const std::string& text) {
    const std::wstring w = Widen(text);
    if (!openClipboard()) return false;
    bool put = EmptyClipboard();
    // Everything the program copies is an account's secret: keep it out of
    // Windows' clipboard history and cloud clipboard, and out of clipboard
    // managers that honour the mark.
    setClipboardDword(L"ExcludeClipboardContentFromMonitorProcessing", 0);
    setClipboardDword(L"CanIncludeInClipboardHistory", 0);
    setClipboardDword(L"CanUploadToCloudClipboard", 0);
    HGLOBAL mem = put ? GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(wchar_t)) : nullptr;
    auto* copy = mem ? static_cast<wchar_t*>(GlobalLock(mem)) : nullptr;
    if (copy) {
        std::copy(w.c_str(), w.c_str() + w.size() + 1, copy);
        GlobalUnlock(mem);
    }
    put = copy && SetClipboardData(CF_UNICODETEXT, mem);
    if (mem && !put) GlobalFree(mem);
    CloseClipboard();
    return put;
}

std::string Win32Platform::ClipboardGetText() {
    std::string text;
    if (!openClipboard()) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Straight into the result: the text may be a password, and a
            // copy in between would stay behind in freed memory.
            const int units = lstrlenW(p);
            const int bytes = units ? WideCharToMultiByte(CP_UTF8, 0, p, units, nullptr, 0, nullptr, nullptr) : 0;
            if (bytes > 0) {
                text.resize(static_cast<size_t>(bytes));
                WideCharToMultiByte(CP_UTF8, 0, p, units, text.data(), bytes, nullptr, nullptr);
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

uint32_t Win32Platform::ClipboardSequence() { return GetClipboardSequenceNumber(); }

uint64_t Win32Platform::Milliseconds() { return GetTickCount64(); }

bool Win32Platform::ShellOpen(const std::string& target) {
    using ShellExecute = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    const auto shellExecute = SystemFunction<ShellExecute>(L"shell32.dll", "ShellExecuteW");
    if (!shellExecute) return false;
    const auto rc = reinterpret_cast<INT_PTR>(
        shellExecute(GetActiveWindow(), nullptr, Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return rc > 32;
}

namespace {

// "描述|*.dat" as the dialog wants it: NUL between the parts, two at the end.
std::wstring dialogFilter(const std::string& filter) {
    std::wstring w = Widen(filter);
    for (wchar_t& c : w)
        if (c == L'|') c = L'\0';
    w.push_back(L'\0');
    w.push_back(L'\0');
    return w;
}

std::string fileDialog(bool save, const std::string& filter, const std::string& folder, const std::string& defaultName,
                       const std::string& title, bool askToReplace = true) {
    const std::wstring wFilter = dialogFilter(filter), wFolder = Widen(folder), wTitle = Widen(title);
    std::wstring file = Widen(defaultName);
    file.resize(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = wFilter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = wFolder.empty() ? nullptr : wFolder.c_str();
    ofn.lpstrTitle = wTitle.empty() ? nullptr : wTitle.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? (askToReplace ? OFN_OVERWRITEPROMPT : 0) : OFN_FILEMUSTEXIST);
    using FileDialog = BOOL(WINAPI*)(LPOPENFILENAMEW);
    const auto show = SystemFunction<FileDialog>(L"comdlg32.dll", save ? "GetSaveFileNameW" : "GetOpenFileNameW");
    if (!show || !show(&ofn)) return "";
    file.resize(wcsnlen(file.c_str(), file.size()));
    return Narrow(file);
}

}  // namespace

std::string Win32Platform::ShowOpenDialog(const std::string& filter, const std::string& folder, const std::string& title) {
    return fileDialog(false, filter, folder, "", title);
}

std::string Win32Platform::ShowSaveDialog(const std::string& filter, const std::string& folder, const std::string& defaultName,
                                          const std::string& title, bool askToReplace) {
    return fileDialog(true, filter, folder, defaultName, title, askToReplace);
}

}  // namespace qm::platform

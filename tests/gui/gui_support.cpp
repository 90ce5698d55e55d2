#include "gui_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace qm::gui_test {

std::wstring ProgramFolder() {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}

Process::~Process() {
    if (info.hProcess) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}

long Process::WaitForExit(DWORD ms) {
    if (WaitForSingleObject(info.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<long>(code);
}

ProgramCopy::ProgramCopy() {
    static int counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qm_gui_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
    CreateDirectoryW(folder_.c_str(), nullptr);
    CopyFileW((ProgramFolder() + L"\\Quillmere.exe").c_str(), (folder_ + L"\\Quillmere.exe").c_str(), FALSE);
}

ProgramCopy::~ProgramCopy() {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder_ + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder_ + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder_.c_str());
}

std::string Utf8Of(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string ProgramCopy::folderUtf8() const { return Utf8Of(folder_); }
std::string ProgramCopy::dataFileUtf8() const { return Utf8Of(dataFile()); }

bool ProgramCopy::Start(Process& p) const {
    std::wstring command = L"\"" + folder_ + L"\\Quillmere.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                          &p.info) != FALSE;
}

namespace {

// A process that has ended shows no window any more: waiting for one of
// its windows stops at once.
bool ended(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return true;
    const bool gone = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    return gone;
}

}  // namespace

HWND WaitForMessageBox(DWORD pid, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        struct Find {
            DWORD pid;
            HWND found;
        } f{pid, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                wchar_t cls[32];
                GetClassNameW(hwnd, cls, 32);
                if (owner == f->pid && IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770") {
                    f->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&f));
        if (f.found) return f.found;
        if (ended(pid)) return nullptr;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

std::wstring MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

void PressButton(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

namespace {
struct Search {
    DWORD pid;
    const std::wstring* caption;
    HWND found;
};
}  // namespace

HWND WaitForWindow(DWORD pid, const std::wstring& caption, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        Search s{pid, &caption, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
                if (!s->caption->empty() && TextOf(hwnd) != *s->caption) return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (ended(pid)) return nullptr;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buf[1024];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &n))
        return {};
    return std::wstring(buf, n);
}

HWND FindChildWithText(HWND parent, const std::wstring& text) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (TextOf(child) == text) return child;
    return nullptr;
}

std::wstring SaveScreenshot(HWND hwnd, const std::wstring& name) {
    SetForegroundWindow(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    RECT r, screenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GetWindowRect(hwnd, &r);
    // What lies off the screen (a maximised window's borders) cannot be copied.
    IntersectRect(&r, &r, &screenRect);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * h;

    const std::wstring folder = ProgramFolder() + L"\\test-output";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name + L".bmp";
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + imageSize), 0, 0,
                            static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader)};
        DWORD done;
        WriteFile(f, &fh, sizeof fh, &done, nullptr);
        WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &done, nullptr);
        WriteFile(f, bits, imageSize, &done, nullptr);
        CloseHandle(f);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return path;
}

namespace {
void send(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(30);
}
INPUT key(WORD vk, WORD scan, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = scan;
    in.ki.dwFlags = flags;
    return in;
}
}  // namespace

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        std::vector<INPUT> inputs{key(0, c, KEYEVENTF_UNICODE), key(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)};
        send(inputs);
    }
}

void PressKey(WORD vk, bool alt) {
    std::vector<INPUT> inputs;
    if (alt) inputs.push_back(key(VK_MENU, 0, 0));
    inputs.push_back(key(vk, 0, 0));
    inputs.push_back(key(vk, 0, KEYEVENTF_KEYUP));
    if (alt) inputs.push_back(key(VK_MENU, 0, KEYEVENTF_KEYUP));
    send(inputs);
}

bool Xdotool(const std::wstring& args) {
    // Wine's start command runs a program of the host system.
    std::wstring command = L"cmd.exe /c start /wait /unix /usr/bin/xdotool " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    Process tool;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &tool.info)) return false;
    const long code = tool.WaitForExit(10000);
    Sleep(50);
    return code == 0;
}

void KeyDown(WORD vk) {
    std::vector<INPUT> inputs{key(vk, 0, 0)};
    send(inputs);
}

void KeyUp(WORD vk) {
    std::vector<INPUT> inputs{key(vk, 0, KEYEVENTF_KEYUP)};
    send(inputs);
}

void PressHotKey(WORD modifier, WORD vk, DWORD holdMs) {
    std::vector<INPUT> inputs{key(modifier, 0, 0), key(vk, 0, 0), key(vk, 0, KEYEVENTF_KEYUP)};
    send(inputs);
    Sleep(holdMs);
    inputs = {key(modifier, 0, KEYEVENTF_KEYUP)};
    send(inputs);
}

bool BringToFront(HWND hwnd) {
    SetForegroundWindow(hwnd);
    return WaitUntil([&] { return GetForegroundWindow() == hwnd; }, 3000);
}

namespace {

void clickWith(POINT screen, int times, DWORD down, DWORD up) {
    SetCursorPos(screen.x, screen.y);
    Sleep(50);
    // Each button event carries the point itself: a pointer motion the
    // display reports late (from where the pointer was before) must not move
    // the click somewhere else.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> inputs;
    for (int n = 0; n < times; ++n)
        for (DWORD flag : {down, up}) {
            INPUT in{};
            in.type = INPUT_MOUSE;
            in.mi.dx = (screen.x * 65536 + width - 1) / width;
            in.mi.dy = (screen.y * 65536 + height - 1) / height;
            in.mi.dwFlags = flag | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
            inputs.push_back(in);
        }
    send(inputs);
    Sleep(100);
}

}  // namespace

void ClickAt(POINT screen, bool twice) { clickWith(screen, twice ? 2 : 1, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

void RightClickAt(POINT screen) { clickWith(screen, 1, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

HWND WaitForPopupMenu(DWORD ms) {
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, ms);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

bool ChooseFromMenu(POINT at, WORD accessKey, const wchar_t* screenshot) {
    // A busy machine may lose the click or the key: try again, as a user would.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RightClickAt(at);
        HWND menu = WaitForPopupMenu(5000);
        if (!menu) continue;
        if (screenshot) SaveScreenshot(menu, screenshot);
        PressKey(accessKey);
        if (WaitUntil([&] { return !IsWindowVisible(menu); }, 3000)) return true;
        PressKey(VK_ESCAPE);
        WaitUntil([&] { return !IsWindowVisible(menu); }, 3000);
    }
    return false;
}

bool ClickToFocus(HWND control) {
    const DWORD thread = GetWindowThreadProcessId(control, nullptr);
    const auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && info.hwndFocus == control;
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        BringToFront(GetAncestor(control, GA_ROOT));
        ClickAt(CentreOf(control));
        if (WaitUntil(focused, 2000)) return true;
    }
    return false;
}

POINT CentreOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

HWND FindDescendant(HWND parent, const std::wstring& cls, const std::wstring& text) {
    struct Find {
        const std::wstring* cls;
        const std::wstring* text;
        HWND found;
    } f{&cls, &text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lp);
            wchar_t name[64];
            GetClassNameW(hwnd, name, 64);
            if (_wcsicmp(name, f->cls->c_str()) == 0 && (f->text->empty() || TextOf(hwnd) == *f->text)) {
                f->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

int ListViewCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListViewCell(HWND list, int item, int subItem) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return L"";
    constexpr size_t kChars = 512;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                                     MEM_COMMIT, PAGE_READWRITE));
    LVITEMW lv{};
    lv.mask = LVIF_TEXT;
    lv.iItem = item;
    lv.iSubItem = subItem;
    lv.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    lv.cchTextMax = kChars;
    WriteProcessMemory(process, remote, &lv, sizeof lv, nullptr);
    const auto n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote));
    std::wstring text(kChars, L'\0');
    ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t), nullptr);
    text.resize(static_cast<size_t>(n));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return text;
}

bool SelectRow(HWND list, int item) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        BringToFront(GetAncestor(list, GA_ROOT));
        ClickAt(ListViewRowPoint(list, item));
        if (WaitUntil([&] { return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == item; },
                      2000))
            return true;
    }
    return false;
}

POINT ListViewRowPoint(HWND list, int item) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    auto* remote = VirtualAllocEx(process, nullptr, sizeof r, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process, remote, &r, sizeof r, nullptr);
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    POINT pt{r.left + 30, (r.top + r.bottom) / 2};
    ClientToScreen(list, &pt);
    return pt;
}

HWND WaitForBoxSaying(const Process& p, const std::wstring& text) {
    HWND box = WaitForMessageBox(p.info.dwProcessId, 10000);
    EXPECT_NE(box, nullptr) << "no message box";
    if (box) {
        EXPECT_EQ(MessageBoxText(box), text);
    }
    return box;
}

void Answer(HWND box) {
    if (!box) return;
    BringToFront(box);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
}

HWND OpenRowByDoubleClick(const Process& p, HWND list, int item, const std::wstring& caption) {
    // Rest the pointer on the row first, so that no tool tip lies over it; a
    // double click that a busy machine split into two single clicks is tried again.
    const POINT row = ListViewRowPoint(list, item);
    SetCursorPos(row.x, row.y);
    Sleep(600);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ClickAt(row, true);
        if (HWND w = WaitForWindow(p.info.dwProcessId, caption, 3000)) return w;
    }
    return nullptr;
}

void QuitProgram(HWND main) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    PostMessageW(FindDescendant(main, L"Button", L"退出(&Q)"), BM_CLICK, 0, 0);
    if (HWND box = WaitForMessageBox(pid, 10000)) PressButton(box, IDYES);
}

std::wstring RememberedUser() {
    wchar_t buf[256] = L"";
    DWORD bytes = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Pelquin\\login", L"user", RRF_RT_REG_SZ, nullptr, buf, &bytes) !=
        ERROR_SUCCESS)
        return L"";
    return buf;
}

void SetRememberedUser(const std::wstring& name) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Pelquin\\login", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"user", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// Registers `name` through the dialogs and logs in; returns the main window.
HWND RegisterAndLogIn(const Process& p, const std::wstring& name, const std::wstring& password) {
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    if (!login || !BringToFront(login)) return nullptr;
    PressKey('N', true);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"注册新用户", 10000);
    if (!dialog || !BringToFront(dialog)) return nullptr;
    TypeText(name);
    PressKey(VK_TAB);
    TypeText(password);
    PressKey(VK_TAB);
    TypeText(password);
    PressKey(VK_RETURN);
    Answer(WaitForBoxSaying(p, L"注册成功,请登录!"));
    BringToFront(login);
    TypeText(password);
    PressKey(VK_RETURN);
    return WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:" + name, 10000);
}

// Adds an account through the record dialog with the keyboard.
bool AddAccount(const Process& p, HWND main, const std::wstring& category, const std::wstring& name,
                const std::wstring& id, const std::wstring& password, const wchar_t* screenshot) {
    PostMessageW(FindDescendant(main, L"Button", L"添加(&A)"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"添加资料", 10000);
    if (!dialog || !BringToFront(dialog)) return false;
    for (const std::wstring* text : {&category, &name, &id, &password}) {
        TypeText(*text);
        PressKey(VK_TAB);
    }
    if (screenshot) SaveScreenshot(dialog, screenshot);
    PressKey(VK_RETURN);
    return WaitUntil([&] { return !IsWindow(dialog); }, 5000);
}


int ToolTipCount(HWND form) {
    struct Find {
        HWND owner;
        int count;
    } f{form, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto& f = *reinterpret_cast<Find*>(lp);
            wchar_t cls[64] = L"";
            GetClassNameW(hwnd, cls, 64);
            if (GetWindow(hwnd, GW_OWNER) == f.owner && lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0)
                f.count += static_cast<int>(SendMessageW(hwnd, TTM_GETTOOLCOUNT, 0, 0));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.count;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 5000)) return L"(not opened)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

bool PutOnClipboard(const std::wstring& text) {
    static HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!WaitUntil([] { return OpenClipboard(owner) != FALSE; }, 5000)) return false;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(GlobalLock(mem)));
    GlobalUnlock(mem);
    const bool put = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    CloseClipboard();
    return put;
}

ClipboardHolder::ClipboardHolder(DWORD ms) {
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([ms, held] {
        const bool open = WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, 5000);
        SetEvent(held);
        Sleep(ms);
        if (open) CloseClipboard();
    });
    WaitForSingleObject(held, INFINITE);
    CloseHandle(held);
}

HWND StartNotepadFocused(Process& notepad) {
    std::wstring command = L"notepad.exe";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &notepad.info))
        return nullptr;
    HWND pad = WaitForWindow(notepad.info.dwProcessId, L"", 15000);
    HWND edit = pad ? FindDescendant(pad, L"Edit") : nullptr;
    return edit && ClickToFocus(edit) ? edit : nullptr;
}

}  // namespace qm::gui_test

// Windows on a small screen at a high DPI, through the real program: each
// stays where the user can reach its caption, inside the work area.
#include <gtest/gtest.h>

#include <windows.h>

#include "gui_support.h"
#include "platform/files.h"

using namespace qm::gui_test;

namespace {

// The DPI of every program started from here on (read once at each start),
// as the display settings' scaling sets it; the old one comes back after.
class SystemDpi {
public:
    explicit SystemDpi(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~SystemDpi() {
        if (had_) RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
};

// The window lies inside the work area of its monitor; a fixed one larger
// than the work area starts where the work area starts.
void expectReachable(HWND hwnd, const char* what, bool sizable) {
    SCOPED_TRACE(what);
    RECT r{}, work{};
    GetWindowRect(hwnd, &r);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
    work = info.rcWork;
    const auto axis = [](LONG lo, LONG hi, LONG start, LONG end) {
        return end - start > hi - lo ? start == lo : start >= lo && end <= hi;
    };
    if (sizable) {
        EXPECT_LE(r.right - r.left, work.right - work.left) << "a sizable window is made to fit";
        EXPECT_LE(r.bottom - r.top, work.bottom - work.top) << "a sizable window is made to fit";
    }
    EXPECT_TRUE(axis(work.left, work.right, r.left, r.right) && axis(work.top, work.bottom, r.top, r.bottom))
        << "window (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << "), work area (" << work.left
        << "," << work.top << ")-(" << work.right << "," << work.bottom << ")";
}

// The button lies wholly inside its window's client area and the work area
// of its monitor, where the user can see and click all of it.
void expectWhole(HWND window, const wchar_t* caption, const char* what) {
    SCOPED_TRACE(what);
    HWND button = FindDescendant(window, L"Button", caption);
    ASSERT_NE(button, nullptr);
    RECT b{}, client{};
    GetWindowRect(button, &b);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    for (const RECT& room : {client, info.rcWork})
        EXPECT_TRUE(b.left >= room.left && b.top >= room.top && b.right <= room.right && b.bottom <= room.bottom)
            << "button (" << b.left << "," << b.top << ")-(" << b.right << "," << b.bottom << ") in (" << room.left
            << "," << room.top << ")-(" << room.right << "," << room.bottom << ")";
}

// The system's open dialog is given `path` and closed with OK.
bool chooseFile(const Process& p, const std::wstring& title, const std::wstring& path) {
    HWND dialog = WaitForWindow(p.info.dwProcessId, title, 10000);
    if (!dialog) return false;
    HWND name = GetDlgItem(dialog, 0x480);  // edt1, the file name
    if (!name) name = FindDescendant(dialog, L"Edit");
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(dialog); }, 10000);
}

}  // namespace

TEST(Screen, AtOneHundredAndFiftyPercentTheMainWindowAndTheLargestDialogStayReachable) {
    SetProcessDPIAware();  // this program measures in the same pixels as the one it drives
    SystemDpi dpi(144);
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"hana", L"abc123");
    ASSERT_NE(main, nullptr);
    RECT r{};
    GetWindowRect(main, &r);
    // At 144 DPI the window asks for 1200 pixels of width: a narrower one
    // means the program did not start at that DPI, and nothing was tried.
    ASSERT_GT(r.right - r.left, 1000) << "the program did not run at 144 DPI";
    expectReachable(main, "main window", true);
    expectWhole(main, L"退出(&Q)", "the last command of the main window");
    HWND list = FindDescendant(main, L"SysListView32");
    RECT listRect{}, client{};
    GetWindowRect(list, &listRect);
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_LE(listRect.right, client.right) << "the list's right end is cut off";
    EXPECT_LE(listRect.bottom, client.bottom) << "the list's bottom is cut off";
    SaveScreenshot(main, L"main-window-144dpi");

    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    HWND tools = WaitForWindow(p.info.dwProcessId, L"工具", 10000);
    ASSERT_NE(tools, nullptr);
    PostMessageW(FindDescendant(tools, L"Button", L"密码体检(&H)"), BM_CLICK, 0, 0);
    HWND health = WaitForWindow(p.info.dwProcessId, L"密码体检", 10000);
    ASSERT_NE(health, nullptr);
    expectReachable(tools, "tools dialog", false);
    expectReachable(health, "health check, taller than the work area", false);
    expectWhole(health, L"关闭(&C)", "the health check's close button");
    SaveScreenshot(health, L"health-check-144dpi");
    PostMessageW(FindDescendant(health, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(health); }, 5000));

    const std::string csv = "name,url,username,password,note\r\nqq.com,https://qq.com/,bob,pw1234,\r\n";
    qm::platform::ReplaceFileContents(copy.folderUtf8() + "\\in.csv", std::vector<unsigned char>(csv.begin(), csv.end()));
    PostMessageW(FindDescendant(tools, L"Button", L"导入数据(&I)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(chooseFile(p, L"选择要导入的文件", copy.folder() + L"\\in.csv"));
    HWND preview = WaitForWindow(p.info.dwProcessId, L"导入数据", 10000);
    ASSERT_NE(preview, nullptr);
    expectReachable(preview, "import preview", false);
    expectWhole(preview, L"开始导入(&S)", "the import's start button");
    expectWhole(preview, L"取消(&C)", "the import's cancel button");
    SaveScreenshot(preview, L"import-preview-144dpi");
    PostMessageW(FindDescendant(preview, L"Button", L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(preview); }, 5000));
    PostMessageW(FindDescendant(tools, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(tools); }, 5000));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

TEST(Screen, TheMainWindowMaximisedSpreadsItsListAndKeepsItsCommands) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"ivy", L"abc123");
    ASSERT_NE(main, nullptr);
    HWND list = FindDescendant(main, L"SysListView32");
    RECT before{};
    GetWindowRect(list, &before);
    ShowWindow(main, SW_MAXIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsZoomed(main) != FALSE; }, 5000));
    RECT after{}, client{};
    ASSERT_TRUE(WaitUntil(
        [&] {
            GetWindowRect(list, &after);
            return after.right - after.left > before.right - before.left;
        },
        5000))
        << "the list did not grow with the window";
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    // The list reaches to the margin at the right and the bottom.
    EXPECT_NEAR(after.right, client.right - 8, 2);
    EXPECT_NEAR(after.bottom, client.bottom - 8, 2);
    expectWhole(main, L"退出(&Q)", "the last command, maximised");
    expectWhole(main, L"交流论坛", "the forum's button at the right edge");
    SaveScreenshot(main, L"main-window-maximised");
    ShowWindow(main, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return IsZoomed(main) == FALSE; }, 5000));
    RECT restored{};
    GetWindowRect(list, &restored);
    EXPECT_EQ(restored.right - restored.left, before.right - before.left) << "restored, the list is as designed again";
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

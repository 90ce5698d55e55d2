// Windows on a small screen at a high DPI, through the real program: each
// stays where the user can reach its caption, inside the work area.
#include <gtest/gtest.h>

#include <windows.h>

#include "gui_support.h"

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
    SaveScreenshot(main, L"main-window-144dpi");

    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    HWND tools = WaitForWindow(p.info.dwProcessId, L"工具", 10000);
    ASSERT_NE(tools, nullptr);
    PostMessageW(FindDescendant(tools, L"Button", L"密码体检(&H)"), BM_CLICK, 0, 0);
    HWND health = WaitForWindow(p.info.dwProcessId, L"密码体检", 10000);
    ASSERT_NE(health, nullptr);
    expectReachable(tools, "tools dialog", false);
    expectReachable(health, "health check, taller than the work area", false);
    PostMessageW(FindDescendant(health, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(health); }, 5000));
    PostMessageW(FindDescendant(tools, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(tools); }, 5000));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

// The notification-area icon through the real shell of the virtual desktop:
// clicks on the icon as a user's hand makes them.
#include <gtest/gtest.h>

#include "gui_support.h"
#include "store/DataFile.h"

using namespace qm::gui_test;

namespace {

// Where the shell of the 1024x768 virtual desktop puts the program's icon:
// the right end of the taskbar along the bottom edge.
constexpr POINT kIcon{1012, 758};

}  // namespace

TEST(Tray, MinimisedToTheIconAndBackWithALeftClick) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"dora", L"abc123");
    ASSERT_NE(main, nullptr);

    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000)) << "minimised, the window hides in the tray";
    Sleep(300);  // the shell draws the new icon
    ClickAt(kIcon);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }, 5000)) << "a left click restores";
    SaveScreenshot(main, L"tray-restored");

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

TEST(Tray, TheTrayMenuLocksTheUnlockDialogWantsTheRightPasswordAndTheListMenuCopies) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"erin", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"erin", L"pa+ss%^~"));

    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    Sleep(300);
    ASSERT_TRUE(ChooseFromMenu(kIcon, 'L', L"tray-menu")) << "a right click on the icon shows the tray menu";
    Answer(WaitForBoxSaying(p, L"Quillmere已处锁定锁定状态!"));  // 锁定密码管理器(&L)
    EXPECT_FALSE(IsWindowVisible(main)) << "locking leaves the window in the tray";

    RightClickAt(kIcon);
    HWND menu = WaitForPopupMenu(5000);
    ASSERT_NE(menu, nullptr);
    SaveScreenshot(menu, L"tray-menu-locked");
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));

    // Locked, the way back is the unlock dialog.
    ClickAt(kIcon);
    HWND unlock = WaitForWindow(p.info.dwProcessId, L"解锁 --- 当前用户:erin", 5000);
    ASSERT_NE(unlock, nullptr) << "a left click on the icon of a locked program asks for the password";
    EXPECT_FALSE(IsWindowVisible(main));
    SaveScreenshot(unlock, L"unlock");
    HWND password = FindDescendant(unlock, L"Edit");
    ASSERT_TRUE(ClickToFocus(password));
    TypeText(L"wrong12");
    PostMessageW(FindDescendant(unlock, L"Button", L"解锁(&U)"), BM_CLICK, 0, 0);
    Answer(WaitForBoxSaying(p, L"密码错误,请重新输入!"));
    EXPECT_TRUE(IsWindow(unlock));
    EXPECT_FALSE(IsWindowVisible(main));

    SendMessageW(password, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_TRUE(ClickToFocus(password));
    TypeText(L"abc123");
    PostMessageW(FindDescendant(unlock, L"Button", L"解锁(&U)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(unlock) && IsWindowVisible(main); }, 5000)) << "the right password unlocks";

    // The list's menu copies the real password though the list masks it.
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    EXPECT_EQ(ListViewCell(list, 0, 3), L"********");
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'P', L"list-menu")) << "a right click on a row shows the list's menu";
    HWND box = WaitForMessageBox(p.info.dwProcessId, 300);  // 复制密码(&P) shows nothing
    if (box) SaveScreenshot(main, L"list-menu-refused");
    ASSERT_EQ(box, nullptr) << Utf8Of(MessageBoxText(box));
    std::wstring copied;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (!OpenClipboard(nullptr)) return false;
            if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) copied = static_cast<const wchar_t*>(GlobalLock(h)), GlobalUnlock(h);
            CloseClipboard();
            return copied == L"pa+ss%^~";
        },
        5000))
        << "copied: " << copied.size() << " characters";

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

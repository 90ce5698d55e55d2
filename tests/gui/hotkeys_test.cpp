// The hot keys through the system: real key presses typed into another
// program's window, and the boss key.
#include <gtest/gtest.h>

#include "gui_support.h"

using namespace qm::gui_test;

namespace {

// Holds Alt down, then lets it go while the keyboard is in a window of
// another X client, as on the secure desktop: the release never reaches
// Wine's hook, and Wine learns that Alt is up only when its desktop has the
// keyboard back. False when no attempt got the release past Wine.
bool ReleaseAltUnseen() {
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::wstring command = L"cmd.exe /c start /unix /usr/bin/xmessage -timeout 60 away";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        Process other;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &other.info))
            return false;
        bool unseen = Xdotool(L"keydown alt") && Xdotool(L"search --sync --onlyvisible --class Xmessage windowfocus --sync");
        Sleep(300);
        unseen = unseen && Xdotool(L"keyup alt") && GetAsyncKeyState(VK_LMENU) < 0;
        Xdotool(L"search --onlyvisible --name Wine.desktop windowfocus --sync");
        Xdotool(L"search --class Xmessage windowkill");
        if (unseen) return WaitUntil([] { return GetAsyncKeyState(VK_LMENU) >= 0; }, 3000);
    }
    return false;
}

}  // namespace

TEST(HotKeys, TypeTheChosenAccountIntoAnotherProgramAndTheBossKeyHides) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"fay", L"abc123");
    ASSERT_NE(main, nullptr);
    const std::wstring password = L"p+ss%^~{}()中文";
    PostMessageW(FindDescendant(main, L"Button", L"添加(&A)"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"添加资料", 10000);
    ASSERT_TRUE(dialog && BringToFront(dialog));
    for (const std::wstring& text : {std::wstring(L"其它"), std::wstring(L"论坛"), std::wstring(L"fay"), password}) {
        TypeText(text);
        PressKey(VK_TAB);
    }
    HWND url = FindDescendant(dialog, L"Edit", L"http://");
    ASSERT_NE(url, nullptr);
    SendMessageW(url, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"https://example.org/"));
    PostMessageW(FindDescendant(dialog, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    // Choose the account for the hot keys from the list's menu.
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'C'));  // 复制+快捷键(&C)
    HWND box = WaitForMessageBox(p.info.dwProcessId, 300);
    ASSERT_EQ(box, nullptr) << Utf8Of(MessageBoxText(box));

    // Another program's window has the focus.
    Process notepad;
    HWND edit = StartNotepadFocused(notepad);
    ASSERT_NE(edit, nullptr);
    // Each step waits for the text it types: the program types after the key has been answered.
    std::wstring expected;
    const auto typed = [&](const std::wstring& more) {
        expected += more;
        return WaitUntil([&] { return TextOf(edit) == expected; }, 5000);
    };
    // Keys from the X server, as a hand makes them: no injected flag for the hook to see.
    ASSERT_TRUE(Xdotool(L"key alt+1"));
    ASSERT_TRUE(typed(L"fay")) << "notepad holds [" << Utf8Of(TextOf(edit)) << "]";
    ASSERT_TRUE(Xdotool(L"key Return"));
    ASSERT_TRUE(typed(L"\r\n"));
    // Alt held down over two hot keys and a second more: the program's own
    // typing lets go of Alt for the target, yet the hand still holds it.
    ASSERT_TRUE(Xdotool(L"keydown alt key 2"));
    ASSERT_TRUE(typed(password)) << "notepad holds [" << Utf8Of(TextOf(edit)) << "]";
    ASSERT_TRUE(Xdotool(L"key 1"));
    ASSERT_TRUE(typed(L"fay")) << "notepad holds [" << Utf8Of(TextOf(edit)) << "]";
    Sleep(1000);
    ASSERT_TRUE(Xdotool(L"keyup alt key Return"));
    ASSERT_TRUE(typed(L"\r\n")) << "the late release of Alt opened no menu";
    PressHotKey(VK_RMENU, '3');  // the right Alt, through the system's input
    EXPECT_TRUE(typed(L"https://example.org/")) << "notepad holds [" << Utf8Of(TextOf(edit)) << "]";
    // Alt let go where the hook could not see it: the 2 is notepad's.
    ASSERT_TRUE(ReleaseAltUnseen());
    ASSERT_TRUE(ClickToFocus(edit) && Xdotool(L"key ctrl+End 2"));
    EXPECT_TRUE(typed(L"2")) << "notepad holds [" << Utf8Of(TextOf(edit)) << "]";
    SaveScreenshot(GetAncestor(edit, GA_ROOT), L"hotkeys-typed");
    TerminateProcess(notepad.info.hProcess, 0);

    // The boss key hides the window into the tray and brings it back.
    ASSERT_TRUE(Xdotool(L"key alt+s"));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000)) << "Alt+S hides the window";
    ASSERT_TRUE(Xdotool(L"key alt+s"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }, 5000)) << "Alt+S again restores it";

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

TEST(HotKeys, LockedTheyTypeNothingAndAskForTheUnlockAfterWhichTheyTypeAgain) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"gus", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"gus", L"pa+ss%^~"));
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'C'));  // 复制+快捷键(&C)
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    Sleep(300);  // the shell draws the icon
    ASSERT_TRUE(ChooseFromMenu(POINT{1012, 758}, 'L'));  // 锁定密码管理器(&L)
    Answer(WaitForBoxSaying(p, L"Quillmere已处锁定锁定状态!"));

    Process notepad;
    HWND edit = StartNotepadFocused(notepad);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(Xdotool(L"key alt+2"));
    HWND unlock = WaitForWindow(p.info.dwProcessId, L"解锁 --- 当前用户:gus", 5000);
    ASSERT_NE(unlock, nullptr) << "locked, the hot key asks for the password";
    Sleep(500);  // time for any typing to arrive
    EXPECT_EQ(TextOf(edit), L"") << "nothing typed, the 2 swallowed too";
    EXPECT_FALSE(IsWindowVisible(main));

    HWND password = FindDescendant(unlock, L"Edit");
    ASSERT_TRUE(ClickToFocus(password));
    TypeText(L"abc123");
    PostMessageW(FindDescendant(unlock, L"Button", L"解锁(&U)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(unlock); }, 5000)) << "the right password unlocks";
    EXPECT_FALSE(IsWindowVisible(main)) << "the window stays in the tray";
    ASSERT_TRUE(ClickToFocus(edit));
    ASSERT_TRUE(Xdotool(L"key alt+2"));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(edit) == L"pa+ss%^~"; }, 5000)) << "notepad holds [" << Utf8Of(TextOf(edit)) << "]";
    TerminateProcess(notepad.info.hProcess, 0);

    ClickAt(POINT{1012, 758});
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main); }, 5000)) << "unlocked, the icon brings the window";
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

#include <gtest/gtest.h>

#include "gui_support.h"

using namespace qm::gui_test;

TEST(FirstWindow, OpensWithItsChineseCaptionAndEndsWithCodeZero) {
    Process p;
    ASSERT_TRUE(StartQuillmere(p)) << "cannot start Quillmere.exe from " << ProgramFolder().size();
    HWND window = WaitForWindow(p.info.dwProcessId, L"Quillmere 密码管理器", 15000);
    ASSERT_NE(window, nullptr) << "no window with the expected caption";
    EXPECT_NE(FindChildWithText(window, L"欢迎使用 Quillmere 密码管理器。\n登录窗口即将在这里出现。"), nullptr);
    SaveScreenshot(window, L"first-window");

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

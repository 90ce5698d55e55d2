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

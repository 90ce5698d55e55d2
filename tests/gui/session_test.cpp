// How the program ends when Windows or another program ends it: a close that
// is not the user's close box is no hiding in the tray, and the end of the
// Windows session puts the data file back to rest without a question that
// would hold up the log-off.
#include <gtest/gtest.h>

#include "gui_support.h"
#include "store/DataFile.h"

using namespace qm::gui_test;
using qm::store::FileForm;
using qm::store::InspectDataFile;

TEST(Session, AnotherProgramsCloseAsksAndTheSessionsEndPutsTheFileAtRest) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"bob", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"bob", L"pw1234"));

    // The task list's close means "end the program": it asks, and No keeps the window.
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = WaitForBoxSaying(p, L"是否退出系统？");
    ASSERT_NE(box, nullptr);
    PressButton(box, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(IsWindowVisible(main));

    // Hidden in the tray, as the program usually is when the user logs off.
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the program must let the session end";
    // Windows may end the process as soon as this is answered: the file must be at rest by then.
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
    EXPECT_EQ(WaitForMessageBox(p.info.dwProcessId, 0), nullptr) << "a question would hold up the log-off";
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

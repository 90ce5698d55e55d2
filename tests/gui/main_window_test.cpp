// The main window and the record dialog through the real windows: add an
// account, find it by its initials and in pinyin, open it with a double click.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "gui_support.h"
#include "store/DataFile.h"

using namespace qm::gui_test;


TEST(MainWindow, AddFindByInitialsAndOpenWithADoubleClick) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"阿明", L"abc123");
    ASSERT_NE(main, nullptr) << "no main window";
    HWND list = FindDescendant(main, L"SysListView32");
    HWND tree = FindDescendant(main, L"SysTreeView32");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 10) << "the root and nine categories";
    EXPECT_EQ(ListViewCount(list), 0);

    ASSERT_TRUE(AddAccount(p, main, L"邮箱帐号", L"网易邮箱", L"aming@163.com", L"Pa55word!", L"record-add"));
    ASSERT_TRUE(AddAccount(p, main, L"聊天帐号", L"QQ号码", L"12345", L"qqpass"));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }, 5000));
    EXPECT_EQ(ListViewCell(list, 0, 3), L"********");

    // Initials, typed in lower case into the quick-find box, narrow the list.
    ASSERT_TRUE(ClickToFocus(FindDescendant(main, L"Edit")));
    TypeText(L"yx");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    EXPECT_EQ(ListViewCell(list, 0, 1), L"网易邮箱");
    EXPECT_EQ(ListViewCell(list, 0, 2), L"aming@163.com");
    SaveScreenshot(main, L"main-window");

    // Full pinyin, the last syllable cut short, and the name's own letters mixed in.
    PressKey(VK_BACK);
    PressKey(VK_BACK);
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }, 5000));
    TypeText(L"qqhaom");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1 && ListViewCell(list, 0, 1) == L"QQ号码"; }, 5000));
    for (int i = 0; i < 6; ++i) PressKey(VK_BACK);
    TypeText(L"wangyiyoux");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1 && ListViewCell(list, 0, 1) == L"网易邮箱"; }, 5000));
    SaveScreenshot(main, L"main-window-pinyin");

    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr) << "a double click opened no record";
    EXPECT_NE(FindDescendant(look, L"Edit", L"网易邮箱"), nullptr);
    SaveScreenshot(look, L"record-look");
    BringToFront(look);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(qm::store::InspectDataFile(copy.dataFileUtf8()), qm::store::FileForm::Enciphered);
}

TEST(MainWindow, CopiedPasswordIsKeptFromClipboardHistoryCloseBoxHidesQuitAsksAndTheClipboardIsEmptied) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"amy", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"amy", L"s3cret!"));
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));

    // Copy the password from the record, as a user does in "look" mode.
    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr);
    HWND password = nullptr;
    for (HWND edit = FindWindowExW(FindDescendant(look, L"QuillmerePanel"), nullptr, L"Edit", nullptr); edit;
         edit = FindWindowExW(GetParent(edit), edit, L"Edit", nullptr))
        if (GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD || SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0)) password = edit;
    ASSERT_NE(password, nullptr);
    // A double click that a busy machine split into two single clicks is tried again.
    for (int attempt = 0; attempt < 3 && !WaitForMessageBox(p.info.dwProcessId, attempt ? 2000 : 0); ++attempt)
        ClickAt(CentreOf(password), true);
    Answer(WaitForBoxSaying(p, L"密码已复制到系统剪贴板!"));
    std::wstring copied;
    if (OpenClipboard(nullptr)) {
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) copied = static_cast<const wchar_t*>(GlobalLock(h)), GlobalUnlock(h);
        CloseClipboard();
    }
    EXPECT_EQ(copied, L"s3cret!");
    // Marked for Windows' clipboard history, its cloud clipboard and
    // clipboard managers to leave alone.
    if (OpenClipboard(nullptr)) {
        EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing")));
        for (const wchar_t* format : {L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"}) {
            HANDLE h = GetClipboardData(RegisterClipboardFormatW(format));
            const bool holdsDword = h && GlobalSize(h) >= sizeof(DWORD);
            EXPECT_TRUE(holdsDword) << format;
            if (holdsDword) {
                EXPECT_EQ(*static_cast<const DWORD*>(GlobalLock(h)), 0u) << format;
                GlobalUnlock(h);
            }
        }
        CloseClipboard();
    } else {
        ADD_FAILURE() << "the clipboard could not be opened";
    }
    BringToFront(look);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));

    // The close box only hides the window: the program keeps running.
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    EXPECT_EQ(p.WaitForExit(500), -1) << "the program ended instead of hiding";
    EXPECT_EQ(qm::store::InspectDataFile(copy.dataFileUtf8()), qm::store::FileForm::InUse) << "still held open";
    PostMessageW(main, 2025, 0, WM_LBUTTONUP);  // a click on the tray icon
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }, 5000));

    // A click beside the rows leaves nothing selected, and the commands say so.
    RECT r;
    GetWindowRect(list, &r);
    ClickAt({r.left + 60, r.bottom - 20});
    PostMessageW(FindDescendant(main, L"Button", L"修改(&E)"), BM_CLICK, 0, 0);
    Answer(WaitForBoxSaying(p, L"请先在列表中选择一个帐号!"));

    // Quit asks first, then ends the program with the file at rest and the clipboard empty.
    PostMessageW(FindDescendant(main, L"Button", L"退出(&Q)"), BM_CLICK, 0, 0);
    HWND box = WaitForBoxSaying(p, L"是否退出系统？");
    ASSERT_NE(box, nullptr);
    PressButton(box, IDYES);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(qm::store::InspectDataFile(copy.dataFileUtf8()), qm::store::FileForm::Enciphered);
    std::wstring after = L"(unreadable)";
    if (OpenClipboard(nullptr)) {
        HANDLE h = GetClipboardData(CF_UNICODETEXT);
        after = h ? static_cast<const wchar_t*>(GlobalLock(h)) : L"";
        if (h) GlobalUnlock(h);
        CloseClipboard();
    }
    EXPECT_EQ(after, L"");
}

// The tools dialog through the real windows and the system's file dialogs:
// back up, change the data, restore and see the old data, compact; rename
// and log out, after which nothing of the user is left; the user dialog's
// window and focus; the clipboard while another program holds it.
#include <gtest/gtest.h>

#include <windows.h>

#include <tuple>

#include "crypto/SimpleXOR.h"
#include "gui_support.h"
#include "platform/files.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"

using namespace qm::gui_test;
using qm::store::FileForm;

namespace {

// Types `path` into the file-name box of the system's file dialog titled
// `title` and presses its Save or Open button.
bool chooseInFileDialog(const Process& p, const std::wstring& title, const std::wstring& path, const wchar_t* shot) {
    HWND dialog = WaitForWindow(p.info.dwProcessId, title, 10000);
    if (!dialog) return false;
    HWND name = GetDlgItem(dialog, 0x480);  // edt1, the file name
    if (!name) name = FindDescendant(dialog, L"Edit");
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (shot) SaveScreenshot(dialog, shot);
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(dialog); }, 10000);
}

HWND openTools(const Process& p, HWND main) {
    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    return WaitForWindow(p.info.dwProcessId, L"工具", 10000);
}

void press(HWND dialog, const wchar_t* caption) { PostMessageW(FindDescendant(dialog, L"Button", caption), BM_CLICK, 0, 0); }

bool closeTools(HWND tools) {
    press(tools, L"关闭(&C)");
    return WaitUntil([&] { return !IsWindow(tools); }, 5000);
}

// The control of `window`'s program that has the keyboard focus.
HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(Tools, BackUpChangeRestoreSeeTheOldDataAndCompact) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"dora", L"abc123");
    ASSERT_NE(main, nullptr);
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"dora", L"pw1234"));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));

    HWND tools = openTools(p, main);
    ASSERT_NE(tools, nullptr);
    SaveScreenshot(tools, L"tools");
    press(tools, L"备份数据(&B)");
    ASSERT_TRUE(chooseInFileDialog(p, L"保存备份文件", copy.folder() + L"\\mine", L"tools-save-dialog"));
    Answer(WaitForBoxSaying(p, L"数据备份成功!"));
    const std::string backup = copy.folderUtf8() + "\\mine.dat";
    ASSERT_EQ(qm::store::InspectDataFile(backup), FileForm::Enciphered) << "\".dat\" was added";
    const auto backupBytes = qm::platform::ReadWholeFile(backup);
    ASSERT_TRUE(closeTools(tools));

    ASSERT_TRUE(AddAccount(p, main, L"其它", L"邮箱", L"dora", L"pw5678"));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }, 5000));

    tools = openTools(p, main);
    ASSERT_NE(tools, nullptr);
    press(tools, L"恢复数据(&R)");
    ASSERT_TRUE(chooseInFileDialog(p, L"请选择备份文件", copy.folder() + L"\\mine.dat", nullptr));
    HWND restore = WaitForWindow(p.info.dwProcessId, L"恢复数据", 10000);
    ASSERT_TRUE(restore && BringToFront(restore));
    HWND users = FindDescendant(restore, L"ComboBox");
    ASSERT_NE(users, nullptr);
    // The dialog opens with the focus in the user box; the arrow key chooses the first user.
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(users, CB_GETCURSEL, 0, 0) == 0; }, 5000));
    PressKey(VK_TAB);
    TypeText(L"abc123");
    SaveScreenshot(restore, L"tools-restore");
    PressKey(VK_RETURN);
    HWND question = WaitForBoxSaying(p, L"恢复数据将会覆盖现有的数据,是否继续?");
    ASSERT_NE(question, nullptr);
    PressButton(question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 5000));
    Answer(WaitForBoxSaying(p, L"数据恢复成功!"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(restore); }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000)) << "the list shows the old data";
    EXPECT_EQ(ListViewCell(list, 0, 1), L"论坛");
    EXPECT_EQ(qm::platform::ReadWholeFile(backup), backupBytes) << "the backup file is never written";

    press(tools, L"压缩数据(&C)");
    Answer(WaitForBoxSaying(p, L"数据库压缩完毕!"));
    EXPECT_FALSE(exists(copy.folder() + L"\\$Temp.tmp"));
    ASSERT_TRUE(closeTools(tools));
    EXPECT_EQ(qm::store::InspectDataFile(copy.dataFileUtf8()), FileForm::InUse) << "still held while the program runs";

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(qm::store::InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
}

TEST(Tools, RenameThenLogOutLeavesNoRowAndNoRememberedUser) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"eve", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"银行帐号", L"银行", L"eve", L"pw1234"));
    HWND tools = openTools(p, main);
    ASSERT_NE(tools, nullptr);

    press(tools, L"修改用户名(&U)");
    HWND rename = WaitForWindow(p.info.dwProcessId, L"修改用户名", 10000);
    ASSERT_TRUE(rename && BringToFront(rename));
    TypeText(L"eva");
    SaveScreenshot(rename, L"user-rename");
    PressKey(VK_RETURN);
    Answer(WaitForBoxSaying(p, L"用户名已经修改,下次登陆时请使用新的用户名!"));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(main) == L"Quillmere V1.0 正式版 --- 当前用户:eva"; }, 5000));
    EXPECT_EQ(RememberedUser(), L"eva");

    press(tools, L"注销用户(&D)");
    HWND logout = WaitForWindow(p.info.dwProcessId, L"注销用户", 10000);
    ASSERT_TRUE(logout && BringToFront(logout));
    TypeText(L"abc123");
    SaveScreenshot(logout, L"user-logout");
    PressKey(VK_RETURN);
    HWND warning = WaitForBoxSaying(p, L"用户注销后所有资料都会删除,是否继续?");
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(TextOf(warning), L"警告");
    PressButton(warning, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(warning); }, 5000));
    Answer(WaitForBoxSaying(p, L"用户已注销,请重新登录!"));
    EXPECT_EQ(p.WaitForExit(10000), 0) << "the program ends without asking";

    EXPECT_EQ(RememberedUser(), L"");
    ASSERT_EQ(qm::store::InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
    auto bytes = qm::platform::ReadWholeFile(copy.dataFileUtf8());
    qm::crypto::clsSimpleXOR cipher;
    cipher.DecryptByte(bytes, qm::crypto::kDataFileKey);
    qm::store::Connection db;
    db.OpenImage(bytes);
    for (const char* table : {"sysuser", "AccountType", "AccountData"}) {
        qm::store::Recordset rs;
        rs.Open(std::string("select * from ") + table, db);
        EXPECT_EQ(rs.RecordCount(), 0u) << table;
    }
}

TEST(Tools, TheUserDialogEndsBelowItsButtonsAndKeepsItsFocusOverAVisitToAnotherProgram) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"gil", L"abc123");
    ASSERT_NE(main, nullptr);
    HWND tools = openTools(p, main);
    ASSERT_NE(tools, nullptr);
    Process notepad;
    std::wstring command = L"notepad.exe";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &notepad.info));
    HWND pad = WaitForWindow(notepad.info.dwProcessId, L"", 15000);
    ASSERT_NE(pad, nullptr);
    HDC screen = GetDC(nullptr);
    const int below = MulDiv(550, GetDeviceCaps(screen, LOGPIXELSY), 1440);
    ReleaseDC(nullptr, screen);

    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> modes[] = {
        {L"修改用户名(&U)", L"修改用户名", L"user-rename"},
        {L"修改密码(&P)", L"修改密码", L"user-password"},
        {L"注销用户(&D)", L"注销用户", L"user-logout"}};
    for (const auto& [button, caption, shot] : modes) {
        SCOPED_TRACE(Utf8Of(caption));
        press(tools, button);
        HWND dialog = WaitForWindow(p.info.dwProcessId, caption, 10000);
        ASSERT_TRUE(dialog && BringToFront(dialog));
        SaveScreenshot(dialog, shot);
        RECT window, ok, client;
        GetWindowRect(dialog, &window);
        GetWindowRect(FindDescendant(dialog, L"Button", L"确定(&O)"), &ok);
        GetClientRect(dialog, &client);
        MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
        // The whole window, caption and borders included, ends 550 twips below the buttons.
        EXPECT_NEAR(window.bottom - window.top, ok.bottom - client.top + below, 2) << "no empty band under the buttons";
        EXPECT_GE(client.bottom - ok.bottom, 0) << "the buttons are whole";

        // The user moves on from the first box, looks at another program and comes back.
        ASSERT_TRUE(WaitUntil([&] { return focusOf(dialog) != nullptr; }, 5000));
        const HWND first = focusOf(dialog);
        PressKey(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return focusOf(dialog) != first; }, 5000));
        const HWND before = focusOf(dialog);
        ASSERT_TRUE(BringToFront(pad));
        ASSERT_TRUE(BringToFront(dialog));
        ASSERT_TRUE(WaitUntil([&] { return focusOf(dialog) != nullptr; }, 5000));
        Sleep(300);
        EXPECT_EQ(focusOf(dialog), before) << "the focus is where the user left it";

        press(dialog, L"取消(&C)");
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    }
    TerminateProcess(notepad.info.hProcess, 0);
    ASSERT_TRUE(closeTools(tools));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

TEST(Tools, AClipboardHeldByAnotherProgramIsWaitedForAMomentAndThenSaidToBeHeld) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"hal", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"hal", L"pw1234"));
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));

    ASSERT_TRUE(PutOnClipboard(L"before"));
    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr);
    HWND password = FindDescendant(look, L"Edit", L"pw1234");
    ASSERT_NE(password, nullptr);
    {
        ClipboardHolder held(500);
        PostMessageW(password, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
        Answer(WaitForBoxSaying(p, L"密码已复制到系统剪贴板!"));
    }
    EXPECT_EQ(ClipboardText(), L"pw1234");
    press(look, L"取消(&C)");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));

    HWND tools = openTools(p, main);
    ASSERT_NE(tools, nullptr);
    {
        ClipboardHolder held(500);
        press(tools, L"清空剪贴板(&E)");
        Answer(WaitForBoxSaying(p, L"剪贴板已清空!"));
    }
    EXPECT_EQ(ClipboardText(), L"");
    ASSERT_TRUE(PutOnClipboard(L"pw1234"));
    {
        ClipboardHolder held(10000);
        press(tools, L"清空剪贴板(&E)");
        Answer(WaitForBoxSaying(p, L"剪贴板正被其他程序占用,未能清空,请稍后再试!"));
    }
    EXPECT_EQ(ClipboardText(), L"pw1234") << "not cleared, and not said to be";
    ASSERT_TRUE(closeTools(tools));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

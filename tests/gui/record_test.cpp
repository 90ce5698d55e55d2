// The record dialog through the real windows, where only Windows shows the
// fault: text set from outside, tool tips that must go, and a save that the
// store refuses.
#include <gtest/gtest.h>

#include "crypto/SimpleXOR.h"
#include "gui_support.h"
#include "store/Connection.h"

using namespace qm::gui_test;

namespace {

HWND multiLineEdit(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[16] = L"";
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpiW(cls, L"Edit") == 0 && (GetWindowLongW(hwnd, GWL_STYLE) & ES_MULTILINE)) {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs `sql` on the data file at rest, as if the program had always had it.
void alterAtRest(const ProgramCopy& copy, const std::string& sql) {
    qm::crypto::clsSimpleXOR x;
    const std::string path = copy.dataFileUtf8();
    x.DecryptFile(path, path, qm::crypto::kDataFileKey);
    {
        qm::store::Connection c;
        c.Open(path);
        c.Execute(sql);
    }
    x.EncryptFile(path, path, qm::crypto::kDataFileKey);
}

}  // namespace

TEST(Record, RemarksSetFromOutsideToolTipsThatGoAndASaveTheStoreRefuses) {
    ProgramCopy copy;
    const std::wstring remarks = L"由辅助工具填写的备注";
    {
        Process p;
        ASSERT_TRUE(copy.Start(p));
        HWND main = RegisterAndLogIn(p, L"carol", L"abc123");
        ASSERT_NE(main, nullptr);
        PostMessageW(FindDescendant(main, L"Button", L"添加(&A)"), BM_CLICK, 0, 0);
        HWND dialog = WaitForWindow(p.info.dwProcessId, L"添加资料", 10000);
        ASSERT_TRUE(dialog && BringToFront(dialog));
        for (const wchar_t* text : {L"其它", L"论坛", L"carol", L"pw1234"}) {
            TypeText(text);
            PressKey(VK_TAB);
        }
        // As assistive tools and form fillers do: WM_SETTEXT, which a multi-line edit does not report.
        HWND box = multiLineEdit(dialog);
        ASSERT_NE(box, nullptr);
        SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(remarks.c_str()));
        PostMessageW(FindDescendant(dialog, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(10000), 0);
    }
    // A store that refuses one write, the way a full disk would.
    alterAtRest(copy, "CREATE TRIGGER refuse BEFORE UPDATE ON AccountData WHEN NEW.AccountName = 'boom' "
                      "BEGIN SELECT RAISE(ABORT, 'no space left'); END;");

    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_TRUE(login && BringToFront(login));
    TypeText(L"abc123");
    PressKey(VK_RETURN);
    HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:carol", 10000);
    ASSERT_NE(main, nullptr);
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));

    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(TextOf(multiLineEdit(look)), remarks);
    EXPECT_EQ(ToolTipCount(look), 1) << "only the password box has a tip; the date box's went with its Now button";

    HWND name = FindDescendant(look, L"Edit", L"论坛");
    ASSERT_NE(name, nullptr);
    PostMessageW(FindDescendant(look, L"Button", L"修改(&E)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !(GetWindowLongW(name, GWL_STYLE) & ES_READONLY); }, 5000));
    EXPECT_EQ(ToolTipCount(look), 1) << "only the date box has a tip; the password box's star tip went";

    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"boom"));
    PostMessageW(FindDescendant(look, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
    HWND box = WaitForMessageBox(p.info.dwProcessId, 10000);
    ASSERT_NE(box, nullptr) << "the failed save was not reported";
    EXPECT_NE(MessageBoxText(box).find(L"no space left"), std::wstring::npos) << "the message says what failed";
    Answer(box);
    EXPECT_EQ(p.WaitForExit(0), -1) << "the program must survive a failed save";
    ASSERT_TRUE(IsWindow(look)) << "the dialog stays open with what was typed";
    EXPECT_EQ(TextOf(name), L"boom");

    // Nothing half-done was left behind: the next save writes the record once.
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"fine"));
    PostMessageW(FindDescendant(look, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1 && ListViewCell(list, 0, 1) == L"fine"; }, 5000));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

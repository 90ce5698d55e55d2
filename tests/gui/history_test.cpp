// An account's history through the real windows: two changes of its
// password, the first password copied from the history, then put back.
#include <gtest/gtest.h>

#include "crypto/SimpleXOR.h"
#include "gui_support.h"
#include "platform/files.h"
#include "store/Connection.h"
#include "store/Recordset.h"

using namespace qm::gui_test;

namespace {

// Saves the account on row 0 with a new password, through the look dialog's edit button.
void changePassword(const Process& p, HWND list, const std::wstring& password) {
    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr);
    HWND edit = FindDescendant(look, L"Button", L"修改(&E)");
    PostMessageW(edit, BM_CLICK, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        box = nullptr;
        for (HWND e = FindWindowExW(look, nullptr, nullptr, nullptr); e; e = GetWindow(e, GW_HWNDNEXT)) {
            for (HWND c = FindWindowExW(e, nullptr, L"Edit", nullptr); c; c = FindWindowExW(e, c, L"Edit", nullptr))
                if ((GetWindowLongW(c, GWL_STYLE) & ES_PASSWORD) && !(GetWindowLongW(c, GWL_STYLE) & ES_READONLY)) box = c;
        }
        return box != nullptr;
    }, 5000));
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password.c_str()));
    PostMessageW(FindDescendant(look, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));
}

}  // namespace

TEST(History, ChangedTwiceTheFirstPasswordIsCopiedAndPutBack) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"carol", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"carol", L"first1"));
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    changePassword(p, list, L"second2");
    changePassword(p, list, L"third3");

    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr);
    PostMessageW(FindDescendant(look, L"Button", L"历史(&H)"), BM_CLICK, 0, 0);
    HWND history = WaitForWindow(p.info.dwProcessId, L"历史记录", 10000);
    ASSERT_NE(history, nullptr);
    HWND versions = FindDescendant(history, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(versions) == 2; }, 5000));
    EXPECT_EQ(ListViewCell(versions, 0, 1), L"密码");
    ASSERT_TRUE(SelectRow(versions, 1));
    SaveScreenshot(history, L"history_dialog");
    PostMessageW(FindDescendant(history, L"Button", L"复制密码(&P)"), BM_CLICK, 0, 0);
    Answer(WaitForBoxSaying(p, L"密码已复制到系统剪贴板!"));
    EXPECT_EQ(ClipboardText(), L"first1");

    PostMessageW(FindDescendant(history, L"Button", L"恢复此版本(&R)"), BM_CLICK, 0, 0);
    Answer(WaitForBoxSaying(p, L"确定要恢复到此版本吗?当前内容将保存到历史记录中。"));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(versions) == 3; }, 5000)) << "the restore went into the history";
    PostMessageW(FindDescendant(history, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(history); }, 5000));
    PostMessageW(FindDescendant(look, L"Button", L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));
    QuitProgram(main);
    ASSERT_EQ(p.WaitForExit(10000), 0);

    // The file holds the first password again.
    qm::crypto::clsSimpleXOR x;
    const std::string plain = copy.dataFileUtf8() + ".plain";
    x.DecryptFile(copy.dataFileUtf8(), plain, qm::crypto::kDataFileKey);
    qm::store::Connection c;
    c.Open(plain);
    qm::store::Recordset rs;
    rs.Open("select AccountPassword from AccountData", c);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(x.DecryptString(rs["AccountPassword"].Text(), qm::crypto::kAccountPasswordKey), "first1");
}

// The password health check through the real windows: opened from the tools
// dialog, its list read from outside, a bar's name clicked, a row opened.
#include <gtest/gtest.h>

#include <windows.h>

#include "gui_support.h"

using namespace qm::gui_test;

TEST(Health, ToolsOpenTheCheckWhoseListAndLabelsTellTheFindings) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"hana", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"hana", L"abc123"));         // the login password, short
    ASSERT_TRUE(AddAccount(p, main, L"邮箱帐号", L"邮箱", L"hana", L"Blue#Sky2024"));  // reused...
    ASSERT_TRUE(AddAccount(p, main, L"游戏帐号", L"游戏", L"hana", L"Blue#Sky2024"));  // ...in another category
    ASSERT_TRUE(AddAccount(p, main, L"银行帐号", L"银行", L"hana", L"Red!Wine88yy"));  // healthy

    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    HWND tools = WaitForWindow(p.info.dwProcessId, L"工具", 10000);
    ASSERT_NE(tools, nullptr);
    PostMessageW(FindDescendant(tools, L"Button", L"密码体检(&H)"), BM_CLICK, 0, 0);
    HWND health = WaitForWindow(p.info.dwProcessId, L"密码体检", 10000);
    ASSERT_NE(health, nullptr);
    HWND list = FindDescendant(health, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 4; }, 5000));
    std::vector<std::wstring> rows;
    for (int i = 0; i < ListViewCount(list); ++i)
        rows.push_back(ListViewCell(list, i, 1) + L"|" + ListViewCell(list, i, 3));
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"游戏|重复使用(第 1 组,2 个帐号使用同一密码)", L"邮箱|重复使用(第 1 组,2 个帐号使用同一密码)",
                                               L"论坛|与登录密码相同", L"论坛|过短"}));
    EXPECT_NE(FindDescendant(health, L"Static", L"健康 25%"), nullptr);
    SaveScreenshot(health, L"health");

    ClickAt(CentreOf(FindDescendant(health, L"Static", L"过短")));
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000)) << "a bar's name shows its rows only";
    ClickAt(CentreOf(FindDescendant(health, L"Static", L"全部")));
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 4; }, 5000));

    HWND record = OpenRowByDoubleClick(p, list, 0, L"修改资料");
    ASSERT_NE(record, nullptr);
    PostMessageW(FindDescendant(record, L"Button", L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(record); }, 5000));
    EXPECT_EQ(ListViewCount(list), 4);

    PostMessageW(FindDescendant(health, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(health); }, 5000));
    PostMessageW(FindDescendant(tools, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(tools); }, 5000));
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

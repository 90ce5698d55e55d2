// The recycle bin through the real windows: an account deleted in the main
// window and a category deleted in the settings come back from the bin.
#include <gtest/gtest.h>

#include <windows.h>

#include "gui_support.h"

using namespace qm::gui_test;

namespace {

HWND pressAndAnswerYes(const Process& p, HWND dialog, const wchar_t* button, const std::wstring& question) {
    PostMessageW(FindDescendant(dialog, L"Button", button), BM_CLICK, 0, 0);
    HWND box = WaitForBoxSaying(p, question);
    if (box) PressButton(box, IDYES);
    return box;
}

}  // namespace

TEST(RecycleBin, ADeletedAccountAndCategoryComeBackFromTheBin) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"hana", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"邮箱帐号", L"信箱", L"hana", L"Blue#Sky2024"));
    ASSERT_TRUE(AddAccount(p, main, L"工作", L"wiki", L"hana@work", L"Red!Wine88yy"));
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) >= 1; }, 5000));

    // The account, from the main window.
    int row = -1;
    for (int i = 0; i < ListViewCount(list); ++i)
        if (ListViewCell(list, i, 1) == L"信箱") row = i;
    ASSERT_GE(row, 0);
    ASSERT_TRUE(SelectRow(list, row));
    ASSERT_NE(pressAndAnswerYes(p, main, L"删除(&D)", L"是否删除帐号<信箱>,删除后将不可恢复,请确认!"), nullptr);

    // The category, from the settings' category page; the user's own is the last.
    PostMessageW(FindDescendant(main, L"Button", L"设置(&S)"), BM_CLICK, 0, 0);
    HWND settings = WaitForWindow(p.info.dwProcessId, L"设置", 10000);
    ASSERT_NE(settings, nullptr);
    HWND types = nullptr;
    for (int attempt = 0; attempt < 3 && !types; ++attempt) {
        BringToFront(settings);
        ClickAt(CentreOf(FindDescendant(settings, L"Static", L"帐号分类")));
        WaitUntil([&] {
            HWND l = FindDescendant(settings, L"ListBox");
            if (l && IsWindowVisible(l)) types = l;
            return types != nullptr;
        }, 3000);
    }
    ASSERT_TRUE(types && ClickToFocus(types));
    PressKey(VK_END);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(types, LB_GETCURSEL, 0, 0) == 9; }, 5000));
    ASSERT_NE(pressAndAnswerYes(p, settings, L"删除(&D)", L"是否删除“工作”分类和“工作”分类下所有数据?"), nullptr);
    // The dialog's own cancel, not the category page's.
    PostMessageW(FindChildWithText(settings, L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 0; }, 5000));

    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    HWND tools = WaitForWindow(p.info.dwProcessId, L"工具", 10000);
    ASSERT_NE(tools, nullptr);
    PostMessageW(FindDescendant(tools, L"Button", L"回收站(&B)"), BM_CLICK, 0, 0);
    HWND bin = WaitForWindow(p.info.dwProcessId, L"回收站", 10000);
    ASSERT_NE(bin, nullptr);
    HWND binList = FindDescendant(bin, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(binList) == 2; }, 5000));
    EXPECT_EQ(ListViewCell(binList, 0, 0) + L"|" + ListViewCell(binList, 0, 1), L"工作|wiki") << "newest first";
    EXPECT_EQ(ListViewCell(binList, 1, 2), L"hana");
    EXPECT_EQ(ListViewCell(binList, 1, 3).size(), 16u) << "yyyy-mm-dd hh:mm";
    SaveScreenshot(bin, L"recycle-bin");

    for (int left = 2; left > 0; --left) {
        ASSERT_TRUE(SelectRow(binList, 0));
        PostMessageW(FindDescendant(bin, L"Button", L"恢复(&R)"), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return ListViewCount(binList) == left - 1; }, 5000));
    }
    PostMessageW(FindDescendant(bin, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(bin); }, 5000));
    PostMessageW(FindDescendant(tools, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(tools); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }, 5000)) << "the main window shows both again";
    EXPECT_NE(FindDescendant(main, L"SysTreeView32"), nullptr);
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

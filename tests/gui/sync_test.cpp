// Two PCs sharing one sync folder, through the real windows: each program
// copy is a PC with a data file of its own; an account added on each ends
// up on both.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui_support.h"

using namespace qm::gui_test;

namespace {

// Chooses `path` as the sync file on the settings' "其它" page and saves it.
bool setSyncFile(const Process& p, HWND main, const std::wstring& path) {
    PostMessageW(FindDescendant(main, L"Button", L"设置(&S)"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"设置", 10000);
    if (!dialog) return false;
    HWND label = FindDescendant(dialog, L"Static", L"同步文件:");
    if (!label) return false;
    // The path box is the edit under the label on the same page.
    RECT at{};
    GetWindowRect(label, &at);
    HWND box = nullptr;
    for (HWND e = FindWindowExW(GetParent(label), nullptr, L"Edit", nullptr); e;
         e = FindWindowExW(GetParent(label), e, L"Edit", nullptr)) {
        RECT r{};
        GetWindowRect(e, &r);
        if (r.top > at.top) box = e;
    }
    if (!box) return false;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(FindChildWithText(dialog, L"确定(&O)"), BM_CLICK, 0, 0);
    // The first sync file asks for the login password, which the file's key is made from.
    HWND verify = WaitForWindow(p.info.dwProcessId, L"验证登录密码", 10000);
    if (!verify || !BringToFront(verify)) return false;
    TypeText(L"abc123");
    PressKey(VK_RETURN);
    return WaitUntil([&] { return !IsWindow(dialog); }, 5000);
}

// "立即同步" in the tools dialog; returns the rows of "同步结果" as "方向|帐号名称".
std::vector<std::wstring> syncNow(const Process& p, HWND main, const wchar_t* screenshot = nullptr) {
    std::vector<std::wstring> rows;
    PostMessageW(FindDescendant(main, L"Button", L"工具(&T)"), BM_CLICK, 0, 0);
    HWND tools = WaitForWindow(p.info.dwProcessId, L"工具", 10000);
    if (!tools) return rows;
    PostMessageW(FindDescendant(tools, L"Button", L"立即同步(&Y)"), BM_CLICK, 0, 0);
    HWND result = WaitForWindow(p.info.dwProcessId, L"同步结果", 20000);
    if (!result) {
        HWND box = WaitForMessageBox(p.info.dwProcessId, 100);
        ADD_FAILURE() << "no result dialog" << (box ? ": " + Utf8Of(MessageBoxText(box)) : std::string());
        SaveScreenshot(tools, L"sync_no_result");
        return rows;
    }
    HWND list = FindDescendant(result, L"SysListView32");
    WaitUntil([&] { return ListViewCount(list) > 0; }, 5000);
    for (int i = 0; i < ListViewCount(list); ++i) rows.push_back(ListViewCell(list, i, 0) + L"|" + ListViewCell(list, i, 1));
    if (screenshot) SaveScreenshot(result, screenshot);
    PostMessageW(FindDescendant(result, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(result); }, 5000);
    PostMessageW(FindDescendant(tools, L"Button", L"关闭(&C)"), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(tools); }, 5000);
    return rows;
}

// The login's sync runs once the window is up and no dialog of it is open;
// with no sync file yet it does nothing, and the next look is a minute away.
HWND logInFresh(const Process& p) {
    HWND main = RegisterAndLogIn(p, L"ada", L"abc123");
    Sleep(1500);
    return main;
}

std::vector<std::wstring> accountNames(HWND list) {
    std::vector<std::wstring> names;
    for (int i = 0; i < ListViewCount(list); ++i) names.push_back(ListViewCell(list, i, 1));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Sync, TwoPcsSharingAFolderEachSeeTheOthersAccount) {
    ProgramCopy office, home;
    const std::wstring file = office.folder() + L"\\云盘\\Quillmere-同步.dat";
    ASSERT_TRUE(CreateDirectoryW((office.folder() + L"\\云盘").c_str(), nullptr));

    // The office PC: an account, then the first sync makes the file.
    {
        Process p;
        ASSERT_TRUE(office.Start(p));
        HWND main = logInFresh(p);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(AddAccount(p, main, L"邮箱帐号", L"公司邮箱", L"ada@office", L"Office#2024"));
        ASSERT_TRUE(setSyncFile(p, main, file));
        EXPECT_EQ(syncNow(p, main), std::vector<std::wstring>{L"同步文件|公司邮箱"});
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(15000), 0);
    }
    // The home PC: the same user, its own account; its first sync brings the office's.
    {
        Process p;
        ASSERT_TRUE(home.Start(p));
        HWND main = logInFresh(p);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(AddAccount(p, main, L"游戏帐号", L"家里游戏", L"ada_home", L"Home!Game77"));
        ASSERT_TRUE(setSyncFile(p, main, file));
        const std::vector<std::wstring> rows = syncNow(p, main, L"sync_result");
        EXPECT_EQ(rows, (std::vector<std::wstring>{L"本机|公司邮箱", L"同步文件|家里游戏"}));
        HWND list = FindDescendant(main, L"SysListView32");
        EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }, 5000));
        EXPECT_EQ(accountNames(list), (std::vector<std::wstring>{L"公司邮箱", L"家里游戏"}));
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(15000), 0);
    }
    // The office again: the login's sync brings the home account.
    {
        Process p;
        ASSERT_TRUE(office.Start(p));
        HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
        ASSERT_TRUE(login && BringToFront(login));
        TypeText(L"abc123");
        PressKey(VK_RETURN);
        HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:ada", 10000);
        ASSERT_NE(main, nullptr);
        // The login's sync says what it did in a short message.
        Answer(WaitForBoxSaying(p, L"同步完成: 新增 1,更新 0,删除 0,冲突 0"));
        HWND list = FindDescendant(main, L"SysListView32");
        EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) == 2; }, 10000));
        EXPECT_EQ(accountNames(list), (std::vector<std::wstring>{L"公司邮箱", L"家里游戏"}));
        SaveScreenshot(main, L"sync_office_after_login");
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(15000), 0);
    }
}

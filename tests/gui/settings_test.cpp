// The settings dialog through its real windows: hot keys captured from real
// key presses, every page as it looks, and the category page's changes as
// the main window shows them.
#include <gtest/gtest.h>

#include "gui_support.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

using namespace qm::gui_test;

namespace {

void sendKeys(const std::vector<std::pair<WORD, bool>>& keys) {
    std::vector<INPUT> inputs;
    for (const auto& [vk, down] : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(30);
}

// Presses the keys in order and releases them the other way round.
void chord(std::initializer_list<WORD> keys) {
    std::vector<std::pair<WORD, bool>> events;
    for (WORD vk : keys) events.push_back({vk, true});
    for (auto vk = std::rbegin(keys); vk != std::rend(keys); ++vk) events.push_back({*vk, false});
    sendKeys(events);
}

bool showsText(HWND hwnd, const std::wstring& text) {
    return WaitUntil([&] { return TextOf(hwnd) == text; }, 5000);
}

HWND openSettings(const Process& p, HWND main) {
    PostMessageW(FindDescendant(main, L"Button", L"设置(&S)"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"设置", 10000);
    if (dialog) BringToFront(dialog);
    return dialog;
}

// Clicks the tab of that caption until its page shows the control of class
// `cls` and text `onThePage` (a busy machine now and then loses a click).
bool clickTab(HWND dialog, const std::wstring& caption, const std::wstring& cls, const std::wstring& onThePage) {
    HWND tab = FindDescendant(dialog, L"Static", caption);
    if (!tab) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        BringToFront(dialog);
        ClickAt(CentreOf(tab));
        if (WaitUntil(
                [&] {
                    HWND on = FindDescendant(dialog, cls, onThePage);
                    return on && IsWindowVisible(on);
                },
                3000))
            return true;
    }
    return false;
}

// The hot-key boxes, in order: the edits of the page that holds their labels.
std::vector<HWND> hotKeyBoxes(HWND dialog) {
    std::vector<HWND> boxes;
    HWND label = FindDescendant(dialog, L"Static", L"粘贴用户名:");
    if (!label) return boxes;
    for (HWND child = GetWindow(GetParent(label), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = L"";
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Edit") == 0) boxes.push_back(child);
    }
    return boxes;
}

std::vector<std::wstring> listBoxItems(HWND list) {
    std::vector<std::wstring> items;
    const auto n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(text);
    }
    return items;
}

// The texts of a tree view of another process: the root, then its children.
std::vector<std::wstring> treeTexts(HWND tree) {
    std::vector<std::wstring> texts;
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return texts;
    constexpr size_t kChars = 256;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    const auto textOf = [&](HTREEITEM item) {
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
        tv.cchTextMax = kChars;
        WriteProcessMemory(process, remote, &tv, sizeof tv, nullptr);
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
        std::wstring text(kChars, L'\0');
        ReadProcessMemory(process, remote + sizeof(TVITEMW), text.data(), kChars * sizeof(wchar_t), nullptr);
        text.resize(wcsnlen(text.c_str(), kChars));
        return text;
    };
    const auto next = [&](HTREEITEM item, WPARAM how) {
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    };
    if (HTREEITEM root = next(nullptr, TVGN_ROOT)) {
        texts.push_back(textOf(root));
        for (HTREEITEM child = next(root, TVGN_CHILD); child; child = next(child, TVGN_NEXT)) texts.push_back(textOf(child));
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return texts;
}

}  // namespace

TEST(Settings, EveryPageAndHotKeysCapturedFromRealKeys) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"fay", L"abc123");
    ASSERT_NE(main, nullptr);
    HWND dialog = openSettings(p, main);
    ASSERT_NE(dialog, nullptr);
    SaveScreenshot(dialog, L"settings-backup");
    ASSERT_TRUE(clickTab(dialog, L"安全", L"Static", L"最小化后锁定时间:"));
    SaveScreenshot(dialog, L"settings-security");
    ASSERT_TRUE(clickTab(dialog, L"其它", L"Button", L"随系统启动"));
    SaveScreenshot(dialog, L"settings-other");
    ASSERT_TRUE(clickTab(dialog, L"快捷键", L"Static", L"粘贴用户名:"));
    const std::vector<HWND> boxes = hotKeyBoxes(dialog);
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(TextOf(boxes[0]), L"Alt + Num 1");
    EXPECT_EQ(TextOf(boxes[3]), L"Alt + S");
    EXPECT_EQ(TextOf(boxes[4]), L"Alt + Num 4");
    SaveScreenshot(dialog, L"settings-hotkeys");

    ASSERT_TRUE(ClickToFocus(boxes[0]));
    chord({VK_CONTROL, VK_MENU, 'K'});
    EXPECT_TRUE(showsText(boxes[0], L"")) << "two modifiers make no hot key";
    chord({VK_MENU, VK_F5});
    EXPECT_TRUE(showsText(boxes[0], L"Alt + F5"));
    // Alt, then Space: no system menu opens, and the box empties at the release.
    ASSERT_TRUE(ClickToFocus(boxes[1]));
    sendKeys({{VK_MENU, true}, {VK_SPACE, true}});
    EXPECT_TRUE(showsText(boxes[1], L"Alt + ")) << TextOf(boxes[1]);
    sendKeys({{VK_SPACE, false}});
    EXPECT_TRUE(showsText(boxes[1], L""));
    sendKeys({{VK_MENU, false}});
    HWND menu = FindWindowW(L"#32768", nullptr);
    EXPECT_FALSE(menu && IsWindowVisible(menu)) << "no system menu";

    ASSERT_TRUE(ClickToFocus(boxes[2]));
    chord({VK_SHIFT, 'K'});
    EXPECT_TRUE(showsText(boxes[2], L"")) << "Shift is for the boss key only";
    ASSERT_TRUE(ClickToFocus(boxes[3]));
    chord({VK_SHIFT, 'K'});
    EXPECT_TRUE(showsText(boxes[3], L"Shift + K"));
    chord({VK_MENU, 'S'});  // the boss key itself reaches the box while it captures
    EXPECT_TRUE(showsText(boxes[3], L"Alt + S"));
    chord({VK_MENU, 'C'});  // and the dialog's own access keys do not act
    EXPECT_TRUE(showsText(boxes[3], L"Alt + C"));
    EXPECT_TRUE(IsWindow(dialog));
    SaveScreenshot(dialog, L"settings-hotkeys-captured");

    PostMessageW(FindChildWithText(dialog, L"确定(&O)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    dialog = openSettings(p, main);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(clickTab(dialog, L"快捷键", L"Static", L"粘贴用户名:"));
    const std::vector<HWND> again = hotKeyBoxes(dialog);
    ASSERT_EQ(again.size(), 5u);
    EXPECT_EQ(TextOf(again[0]), L"Alt + F5");
    EXPECT_EQ(TextOf(again[1]), L"");
    EXPECT_EQ(TextOf(again[2]), L"");
    EXPECT_EQ(TextOf(again[3]), L"Alt + C");
    EXPECT_EQ(TextOf(again[4]), L"Alt + Num 4");
    PostMessageW(FindChildWithText(dialog, L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

TEST(Settings, ReservedCategoriesAreRefusedAndARenameReachesTheTreeThoughTheDialogIsCancelled) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"gus", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"工作", L"邮件", L"gus", L"pw1234"));
    HWND dialog = openSettings(p, main);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(clickTab(dialog, L"帐号分类", L"Button", L"添加(&A)"));
    HWND list = FindDescendant(dialog, L"ListBox");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(listBoxItems(list).size(), 10u);
    SaveScreenshot(dialog, L"settings-categories");

    // 邮箱帐号, the seventh entry, chosen with the keyboard.
    ASSERT_TRUE(ClickToFocus(list));
    PressKey(VK_HOME);
    for (int i = 0; i < 6; ++i) PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 6; }, 5000));
    PostMessageW(FindDescendant(dialog, L"Button", L"修改(&E)"), BM_CLICK, 0, 0);
    Answer(WaitForBoxSaying(p, L"系统保留分类,不能修改!"));

    ASSERT_TRUE(ClickToFocus(list));
    PressKey(VK_END);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 9; }, 5000));
    PostMessageW(FindDescendant(dialog, L"Button", L"修改(&E)"), BM_CLICK, 0, 0);
    HWND name = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            name = FindDescendant(dialog, L"Edit", L"工作");
            return name && IsWindowEnabled(FindDescendant(dialog, L"Button", L"保存(&S)"));
        },
        5000));
    ASSERT_TRUE(ClickToFocus(name));
    PressKey(VK_END);
    PressKey(VK_BACK);
    PressKey(VK_BACK);
    TypeText(L"项目");
    ASSERT_TRUE(showsText(name, L"项目"));
    PressKey(VK_RETURN);  // saves the name, not the dialog
    ASSERT_TRUE(WaitUntil([&] { return listBoxItems(list).back() == L"项目"; }, 5000));
    EXPECT_TRUE(IsWindow(dialog));
    SaveScreenshot(dialog, L"settings-categories-renamed");

    PostMessageW(FindChildWithText(dialog, L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    HWND tree = FindDescendant(main, L"SysTreeView32");
    ASSERT_TRUE(WaitUntil([&] { return treeTexts(tree).back() == L"项目"; }, 5000)) << "the tree shows the new name";
    const auto texts = treeTexts(tree);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), L"工作"), 0);
    HWND accounts = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(accounts) == 1; }, 5000));
    EXPECT_EQ(ListViewCell(accounts, 0, 0), L"项目") << "the account followed its category";
    SaveScreenshot(main, L"settings-renamed-in-tree");

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

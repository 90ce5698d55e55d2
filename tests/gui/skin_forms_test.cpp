// Every form a user reaches, and a message box, in the skin: pictures of
// each to look at, and the pixels that show the skin is there.
#include <gtest/gtest.h>

#include "gui_support.h"
#include "skin/Images.h"
#include "skin_support.h"

using namespace qm::gui_test;
namespace skin = qm::skin;

namespace {

constexpr COLORREF kFormColour = RGB(213, 231, 246);
constexpr POINT kTrayIcon{1012, 758};

// A push button of the skin: the face's border along its top edge.
void expectSkinnedButton(HWND button, const char* what) {
    ASSERT_NE(button, nullptr) << what;
    RECT r;
    GetWindowRect(button, &r);
    const COLORREF top = ScreenPixel(button, (r.right - r.left) / 2, 0);
    EXPECT_EQ(top, skin::kButtonBorder) << what << ": " << ColourText(top);
}

// A sunken control made flat: one ring of the border colour.
void expectFlatBorder(HWND control, const char* what) {
    ASSERT_NE(control, nullptr) << what;
    RECT r;
    GetWindowRect(control, &r);
    const COLORREF edge = ScreenPixel(control, (r.right - r.left) / 2, 0);
    EXPECT_EQ(edge, skin::kBorder) << what << ": " << ColourText(edge);
}

// A text box with the sunken edge (not a combo box's edit, which has none).
HWND sunkenEdit(HWND form) {
    HWND found = nullptr;
    EnumChildWindows(
        form,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[16] = L"";
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpiW(cls, L"Edit") != 0 || !(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return TRUE;
            *reinterpret_cast<HWND*>(lp) = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void expectFormColour(HWND form, int x, int y, const char* what) {
    const COLORREF c = ClientPixel(form, x, y);
    EXPECT_EQ(c, kFormColour) << what << ": " << ColourText(c);
}

HWND openWith(const Process& p, HWND main, const wchar_t* button, const wchar_t* caption) {
    PostMessageW(FindDescendant(main, L"Button", button), BM_CLICK, 0, 0);
    HWND w = WaitForWindow(p.info.dwProcessId, caption, 10000);
    if (w) BringToFront(w);
    Sleep(300);
    return w;
}

void closeWithEscape(HWND w) {
    BringToFront(w);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(w); }, 5000));
}

}  // namespace

TEST(SkinForms, EveryFormAndAMessageBoxWearTheSkin) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_NE(login, nullptr);
    ASSERT_TRUE(BringToFront(login));
    Sleep(300);
    SaveScreenshot(login, L"skin-login");
    expectSkinnedButton(FindDescendant(login, L"Button", L"登录(&O)"), "login button");
    expectFlatBorder(sunkenEdit(login), "password box");
    RECT client;
    GetClientRect(login, &client);
    expectFormColour(login, 6, client.bottom - 6, "login dialog");

    PressKey('N', true);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"注册新用户", 10000);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(BringToFront(dialog));
    TypeText(L"皮肤");
    PressKey(VK_TAB);
    TypeText(L"abc123");
    PressKey(VK_TAB);
    TypeText(L"abc123");
    Sleep(300);
    SaveScreenshot(dialog, L"skin-register");
    expectSkinnedButton(FindDescendant(dialog, L"Button", L"确定(&O)"), "register button");
    PressKey(VK_RETURN);

    // The message box is skinned as it appears, by the form it deactivates.
    HWND box = WaitForBoxSaying(p, L"注册成功,请登录!");
    ASSERT_NE(box, nullptr);
    BringToFront(box);
    Sleep(300);
    SaveScreenshot(box, L"skin-message-box");
    expectSkinnedButton(GetDlgItem(box, IDOK), "the message box's button");
    expectFormColour(box, 3, 3, "the message box");
    Answer(box);

    ASSERT_TRUE(BringToFront(login));
    TypeText(L"abc123");
    PressKey(VK_RETURN);
    HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:皮肤", 10000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"邮箱帐号", L"网易邮箱", L"pifu@163.com", L"Pa55word!"));
    ASSERT_TRUE(BringToFront(main));
    Sleep(300);
    SaveScreenshot(main, L"skin-main");
    expectSkinnedButton(FindDescendant(main, L"Button", L"添加(&A)"), "add button");
    expectFlatBorder(FindDescendant(main, L"SysListView32"), "account list");
    expectFlatBorder(FindDescendant(main, L"SysTreeView32"), "category tree");
    HWND header = FindDescendant(main, L"SysHeader32");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(ClientPixel(header, 0, 0), qm::skin::Rgb(234, 245, 254)) << "the header's normal slice";

    HWND record = openWith(p, main, L"添加(&A)", L"添加资料");
    ASSERT_NE(record, nullptr);
    SaveScreenshot(record, L"skin-record");
    expectSkinnedButton(FindDescendant(record, L"Button", L"保存(&S)"), "save button");
    expectFlatBorder(sunkenEdit(record), "record text box");
    closeWithEscape(record);

    HWND find = openWith(p, main, L"查询(&F)", L"查询");
    ASSERT_NE(find, nullptr);
    SaveScreenshot(find, L"skin-find");
    expectSkinnedButton(FindDescendant(find, L"Button", L"查询(&F)"), "find button");
    closeWithEscape(find);

    HWND about = openWith(p, main, L"关于(&A)", L"关于");
    ASSERT_NE(about, nullptr);
    SaveScreenshot(about, L"skin-about");
    expectSkinnedButton(FindDescendant(about, L"Button", L"返回(&R)"), "return button");
    GetClientRect(about, &client);
    expectFormColour(about, 6, client.bottom - 6, "about box");
    closeWithEscape(about);

    // Locked from the tray menu, the way back is the unlock dialog.
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    Sleep(300);
    RightClickAt(kTrayIcon);
    ASSERT_NE(WaitForPopupMenu(5000), nullptr);
    PressKey('L');
    Answer(WaitForBoxSaying(p, L"Quillmere已处锁定锁定状态!"));
    ClickAt(kTrayIcon);
    HWND unlock = WaitForWindow(p.info.dwProcessId, L"解锁 --- 当前用户:皮肤", 5000);
    ASSERT_NE(unlock, nullptr);
    BringToFront(unlock);
    Sleep(300);
    SaveScreenshot(unlock, L"skin-unlock");
    expectSkinnedButton(FindDescendant(unlock, L"Button", L"解锁(&U)"), "unlock button");
    ASSERT_TRUE(ClickToFocus(FindDescendant(unlock, L"Edit")));
    TypeText(L"abc123");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(unlock) && IsWindowVisible(main); }, 5000));

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

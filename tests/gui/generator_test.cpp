// New passwords and the clipboard that forgets, through the real windows.
#include <gtest/gtest.h>

#include "gui_support.h"

using namespace qm::gui_test;

namespace {

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"?";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) text = static_cast<const wchar_t*>(GlobalLock(h)), GlobalUnlock(h);
    CloseClipboard();
    return text;
}

// This test program is the other program: it puts its own text on the clipboard.
void copyOwnText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(GlobalLock(mem)));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

// The one read-only box of the generator: the candidate.
HWND candidateBox(HWND dialog) {
    for (HWND e = FindDescendant(dialog, L"Edit"); e; e = FindWindowExW(GetParent(e), e, L"Edit", nullptr))
        if (GetWindowLongW(e, GWL_STYLE) & ES_READONLY) return e;
    return nullptr;
}

void copyPassword(HWND list) {
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'P'));  // 复制密码(&P)
}

}  // namespace

TEST(Generator, AGeneratedPasswordIsSavedWithItsAccount) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"gus", L"abc123");
    ASSERT_NE(main, nullptr);
    PostMessageW(FindDescendant(main, L"Button", L"添加(&A)"), BM_CLICK, 0, 0);
    HWND record = WaitForWindow(p.info.dwProcessId, L"添加资料", 10000);
    ASSERT_TRUE(record && BringToFront(record));
    for (const wchar_t* text : {L"其它", L"论坛", L"gus"}) {
        TypeText(text);
        PressKey(VK_TAB);
    }
    PostMessageW(FindDescendant(record, L"Button", L"生成"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"生成密码", 10000);
    ASSERT_NE(dialog, nullptr);
    HWND box = candidateBox(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box).size(), 16u);
    EXPECT_NE(FindDescendant(dialog, L"Static", L"约 104 位"), nullptr);
    SaveScreenshot(dialog, L"generator");
    // The up-down arrows step the length; the candidate follows.
    HWND length = FindDescendant(dialog, L"Edit", L"16");
    ASSERT_NE(length, nullptr);
    SendMessageW(length, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"24"));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(box).size() == 24; }, 5000));
    const std::wstring chosen = TextOf(box);
    PostMessageW(FindDescendant(dialog, L"Button", L"使用(&U)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_NE(FindDescendant(record, L"Static", L"强"), nullptr);
    SaveScreenshot(record, L"record-generated");
    PostMessageW(FindDescendant(record, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(record); }, 5000));

    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    copyPassword(list);
    EXPECT_TRUE(WaitUntil([&] { return clipboardText() == chosen; }, 5000)) << "the stored password is the one chosen";

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

TEST(Generator, ACopyLeavesTheClipboardInTimeButNeverAnotherProgramsText) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"hal", L"abc123");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(AddAccount(p, main, L"其它", L"论坛", L"hal", L"s3cret!"));
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));

    // Two seconds, set on the settings' 安全 page.
    PostMessageW(FindDescendant(main, L"Button", L"设置(&S)"), BM_CLICK, 0, 0);
    HWND settings = WaitForWindow(p.info.dwProcessId, L"设置", 10000);
    ASSERT_NE(settings, nullptr);
    HWND seconds = FindDescendant(settings, L"Edit", L"10");
    ASSERT_NE(seconds, nullptr);
    SendMessageW(seconds, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"2"));
    PostMessageW(FindDescendant(settings, L"Button", L"确定(&O)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, 5000));

    copyPassword(list);
    ASSERT_TRUE(WaitUntil([&] { return clipboardText() == L"s3cret!"; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return clipboardText().empty(); }, 6000)) << "still there after the time";

    copyPassword(list);
    ASSERT_TRUE(WaitUntil([&] { return clipboardText() == L"s3cret!"; }, 5000));
    copyOwnText(L"another program's text");
    Sleep(3500);
    EXPECT_EQ(clipboardText(), L"another program's text");
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

// One-time codes through the real windows: a secret set in the record
// dialog, its code shown, copied, and typed by the hot key into another
// program, each compared with the code the test computes at that moment.
#include <gtest/gtest.h>

#include <ctime>

#include "gui_support.h"
#include "otp/Code.h"
#include "otp/Secret.h"

using namespace qm::gui_test;

namespace {

const char* const kAddress = "otpauth://totp/Example:fay?secret=JBSWY3DPEHPK3PXP&issuer=Example";

// The codes of the step before, of now and of the step after: the step may
// change while a check runs.
std::vector<std::wstring> codesAroundNow() {
    const qm::otp::ParsedSecret parsed = qm::otp::ParseSecret(kAddress);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::vector<std::wstring> codes;
    for (int64_t t : {now - 30, now, now + 30}) {
        const std::string code = qm::otp::CodeAt(*parsed.params, t);
        codes.emplace_back(code.begin(), code.end());
    }
    return codes;
}
bool isCodeOfNow(std::wstring text) {
    std::erase(text, L' ');
    const std::vector<std::wstring> codes = codesAroundNow();
    return std::find(codes.begin(), codes.end(), text) != codes.end();
}

}  // namespace

TEST(OneTimeCodes, SetInTheRecordDialogShownCopiedAndTypedByTheHotKey) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND main = RegisterAndLogIn(p, L"fay", L"abc123");
    ASSERT_NE(main, nullptr);
    PostMessageW(FindDescendant(main, L"Button", L"添加(&A)"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"添加资料", 10000);
    ASSERT_TRUE(dialog && BringToFront(dialog));
    for (const std::wstring& text : {std::wstring(L"其它"), std::wstring(L"论坛"), std::wstring(L"fay"), std::wstring(L"pw")}) {
        TypeText(text);
        PressKey(VK_TAB);
    }
    PostMessageW(FindDescendant(dialog, L"Button", L"设置..."), BM_CLICK, 0, 0);
    HWND otp = WaitForWindow(p.info.dwProcessId, L"设置动态码", 10000);
    ASSERT_NE(otp, nullptr);
    HWND box = FindDescendant(otp, L"Edit");
    ASSERT_NE(box, nullptr);
    const std::string address = kAddress;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::wstring(address.begin(), address.end()).c_str()));
    ASSERT_TRUE(WaitUntil([&] { return FindDescendant(otp, L"Static", L"发行方: Example") != nullptr; }, 5000))
        << "what it reads is shown as it is typed";
    SaveScreenshot(otp, L"otp_dialog");
    PostMessageW(FindDescendant(otp, L"Button", L"确定(&O)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(otp); }, 5000));
    EXPECT_NE(FindDescendant(dialog, L"Edit", L"Example (fay)"), nullptr);
    SaveScreenshot(dialog, L"otp_record_edit");
    PostMessageW(FindDescendant(dialog, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    // Look mode: the code of the moment in large digits, refreshed.
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    HWND look = OpenRowByDoubleClick(p, list, 0, L"查看资料");
    ASSERT_NE(look, nullptr);
    HWND code = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const std::wstring& c : codesAroundNow())
                if ((code = FindDescendant(look, L"Static", c.substr(0, 3) + L" " + c.substr(3)))) return true;
            return false;
        },
        5000));
    EXPECT_TRUE(isCodeOfNow(TextOf(code)));
    SaveScreenshot(look, L"otp_record_look");
    ClickAt(CentreOf(code), true);
    Answer(WaitForBoxSaying(p, L"动态码已复制到系统剪贴板!"));
    EXPECT_TRUE(isCodeOfNow(ClipboardText())) << Utf8Of(ClipboardText());
    PostMessageW(FindDescendant(look, L"Button", L"取消(&C)"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(look); }, 5000));

    // The hot key types the code of the moment it is pressed.
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'C'));  // 复制+快捷键(&C)
    Process notepad;
    HWND edit = StartNotepadFocused(notepad);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(Xdotool(L"key alt+4"));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(edit).size() == 6; }, 5000)) << Utf8Of(TextOf(edit));
    EXPECT_TRUE(isCodeOfNow(TextOf(edit))) << Utf8Of(TextOf(edit));
    QuitProgram(main);
}

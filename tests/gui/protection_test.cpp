// Strong protection through the real windows: the switch, the password
// dialog, the data file's bytes afterwards, and every way back to a
// password (the login, a copy, a hot key, the unlock).
#include <gtest/gtest.h>

#include <algorithm>

#include "crypto/SimpleXOR.h"
#include "gui_support.h"
#include "platform/files.h"

using namespace qm::gui_test;

namespace {

constexpr POINT kIcon{1012, 758};  // the tray icon on the virtual desktop
const std::wstring kLogin = L"abc123", kPassword = L"Zq7+secret密码";

bool contains(const std::vector<unsigned char>& bytes, const std::string& text) {
    return !text.empty() && std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// Types `text` into the only edit box of `dialog` and presses its button `button`.
void answerWith(HWND dialog, const std::wstring& text, const wchar_t* button) {
    HWND edit = FindDescendant(dialog, L"Edit");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_TRUE(ClickToFocus(edit));
    TypeText(text);
    PostMessageW(FindDescendant(dialog, L"Button", button), BM_CLICK, 0, 0);
}

// Registers gwen, adds one account with kPassword, and switches strong
// protection on through the settings and the password dialog (a wrong
// password first). Returns the main window.
HWND switchOnAsNewUser(const Process& p) {
    HWND main = RegisterAndLogIn(p, L"gwen", kLogin);
    if (!main || !AddAccount(p, main, L"其它", L"论坛", L"gwen", kPassword)) return nullptr;
    PostMessageW(FindDescendant(main, L"Button", L"设置(&S)"), BM_CLICK, 0, 0);
    HWND settings = WaitForWindow(p.info.dwProcessId, L"设置", 10000);
    if (!settings) return nullptr;
    ClickAt(CentreOf(FindDescendant(settings, L"Static", L"安全")));
    HWND box = FindDescendant(settings, L"Button", L"加强保护(推荐)");
    EXPECT_TRUE(WaitUntil([&] { return box && IsWindowVisible(box); }, 5000));
    ClickAt(CentreOf(box));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
    SaveScreenshot(settings, L"protection-settings");
    PostMessageW(FindDescendant(settings, L"Button", L"确定(&O)"), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"加强保护", 10000);
    if (!dialog) return nullptr;
    EXPECT_NE(FindDescendant(dialog, L"Static", L"请输入登录密码以启用加强保护:"), nullptr);
    SaveScreenshot(dialog, L"protection-dialog");
    answerWith(dialog, L"wrong12", L"确定(&O)");
    Answer(WaitForBoxSaying(p, L"用户密码错误,请重新输入!"));
    answerWith(dialog, kLogin, L"确定(&O)");
    return WaitUntil([&] { return !IsWindow(dialog) && !IsWindow(settings); }, 15000) ? main : nullptr;
}

std::wstring clipboardText() {
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) text = static_cast<const wchar_t*>(GlobalLock(h)), GlobalUnlock(h);
        CloseClipboard();
    }
    return text;
}

}  // namespace

TEST(Protection, TheSwitchLeavesNoPasswordInTheFileAndEveryWayBackOpensThem) {
    ProgramCopy copy;
    {
        Process p;
        ASSERT_TRUE(copy.Start(p));
        HWND main = switchOnAsNewUser(p);
        ASSERT_NE(main, nullptr);
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(10000), 0);
    }

    // Undone with every fixed key, the file shows the user's name but no
    // password in any form those keys make.
    std::vector<unsigned char> bytes = qm::platform::ReadWholeFile(copy.dataFileUtf8());
    qm::crypto::clsSimpleXOR cipher;
    cipher.DecryptByte(bytes, qm::crypto::kDataFileKey);
    ASSERT_TRUE(contains(bytes, "gwen")) << "the file was read as the program reads it";
    for (const std::wstring& secret : {kLogin, kPassword}) {
        const std::string plain = Utf8Of(secret);
        for (const std::string& form : {plain, cipher.EncryptString(plain, qm::crypto::kLoginPasswordKey),
                                        cipher.EncryptString(plain, qm::crypto::kAccountPasswordKey)})
            EXPECT_FALSE(contains(bytes, form)) << plain;
    }

    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_TRUE(login && BringToFront(login));
    TypeText(kLogin);
    PressKey(VK_RETURN);
    HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:gwen", 10000);
    ASSERT_NE(main, nullptr);
    HWND list = FindDescendant(main, L"SysListView32");
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(list) == 1; }, 5000));
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'P'));  // 复制密码(&P)
    EXPECT_TRUE(WaitUntil([&] { return clipboardText() == kPassword; }, 5000)) << Utf8Of(clipboardText());

    // Locked, the key is gone; the unlock brings it back and the hot key types the password.
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 5000));
    Sleep(300);
    ASSERT_TRUE(ChooseFromMenu(kIcon, 'L'));  // 锁定密码管理器(&L)
    Answer(WaitForBoxSaying(p, L"Quillmere已处锁定锁定状态!"));
    ClickAt(kIcon);
    HWND unlock = WaitForWindow(p.info.dwProcessId, L"解锁 --- 当前用户:gwen", 5000);
    ASSERT_NE(unlock, nullptr);
    answerWith(unlock, kLogin, L"解锁(&U)");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(unlock) && IsWindowVisible(main); }, 10000));
    ASSERT_TRUE(SelectRow(list, 0));
    ASSERT_TRUE(ChooseFromMenu(ListViewRowPoint(list, 0), 'C'));  // 复制+快捷键(&C)
    ASSERT_EQ(WaitForMessageBox(p.info.dwProcessId, 300), nullptr);

    Process notepad;
    HWND edit = StartNotepadFocused(notepad);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(Xdotool(L"key alt+2"));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(edit) == kPassword; }, 5000)) << Utf8Of(TextOf(edit));
    TerminateProcess(notepad.info.hProcess, 0);

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

// SQLite's journal beside the data file must not keep the pages the switch
// replaced: the fixed-key forms of the login password and of the account's
// password. Not while the program runs, not after it is killed, and not
// after a later run that changes nothing.
TEST(Protection, TheJournalKeepsNoOldFormWhileRunningAfterAKillOrALaterRun) {
    ProgramCopy copy;
    const std::wstring journal = copy.dataFile() + L"-journal";
    qm::crypto::clsSimpleXOR cipher;
    const std::string oldForms[] = {cipher.EncryptString(Utf8Of(kLogin), qm::crypto::kLoginPasswordKey),
                                    cipher.EncryptString(Utf8Of(kPassword), qm::crypto::kAccountPasswordKey)};
    // Held with no sharing while the program runs: only its size can be read then.
    const auto expectNoOldForm = [&](const char* when, bool readable) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(journal.c_str(), GetFileExInfoStandard, &data)) return;
        EXPECT_EQ(data.nFileSizeLow, 0u) << when;
        if (!readable) return;
        const std::vector<unsigned char> bytes = qm::platform::ReadWholeFile(Utf8Of(journal));
        for (const std::string& form : oldForms) EXPECT_FALSE(contains(bytes, form)) << when;
    };
    {
        Process p;
        ASSERT_TRUE(copy.Start(p));
        ASSERT_NE(switchOnAsNewUser(p), nullptr);
        expectNoOldForm("while running", false);
        TerminateProcess(p.info.hProcess, 9);
        p.WaitForExit(10000);
    }
    expectNoOldForm("after a kill", true);
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_TRUE(login && BringToFront(login));
    TypeText(kLogin);
    PressKey(VK_RETURN);
    HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:gwen", 10000);
    ASSERT_NE(main, nullptr);
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    expectNoOldForm("after a later run", true);
}

// The login and registration dialogs through the real windows, with real
// key presses: what a user does on the first day and on a bad one.
#include <gtest/gtest.h>

#include "crypto/SimpleXOR.h"
#include "gui_support.h"
#include "platform/files.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"

using namespace qm::gui_test;
using qm::store::FileForm;
using qm::store::InspectDataFile;

TEST(Login, RegisterAUserThenLogInWithTheKeyboard) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_NE(login, nullptr);
    ASSERT_TRUE(BringToFront(login));

    PressKey('N', true);  // 注册新用户(&N)
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"注册新用户", 10000);
    ASSERT_NE(dialog, nullptr) << "Alt+N opened no registration dialog";
    ASSERT_TRUE(BringToFront(dialog));
    TypeText(L"测试用户");
    PressKey(VK_TAB);
    TypeText(L"abc123");
    PressKey(VK_TAB);
    TypeText(L"abc123");
    EXPECT_NE(FindChildWithText(dialog, L"中"), nullptr) << "the meter shows medium for letters and digits";
    SaveScreenshot(dialog, L"register");
    PressKey(VK_RETURN);
    Answer(WaitForBoxSaying(p, L"注册成功,请登录!"));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    ASSERT_TRUE(BringToFront(login));
    EXPECT_EQ(TextOf(FindWindowExW(login, nullptr, L"ComboBox", nullptr)), L"测试用户");
    TypeText(L"abc123");  // the focus waits in the password box
    SaveScreenshot(login, L"login");
    PressKey(VK_RETURN);
    HWND main = WaitForWindow(p.info.dwProcessId, L"Ostrevin V1.0 正式版 --- 当前用户:测试用户", 10000);
    ASSERT_NE(main, nullptr) << "no main window after the login";
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(login); }, 5000));
    EXPECT_EQ(RememberedUser(), L"测试用户");

    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
}

TEST(Login, ThreeWrongPasswordsEndTheProgramWithTheFileAtRest) {
    ProgramCopy copy;
    {
        qm::crypto::clsSimpleXOR x;
        const std::string path = copy.dataFileUtf8();
        qm::store::WriteEmptyDataFile(path, x);
        x.DecryptFile(path, path, qm::crypto::kDataFileKey);
        qm::store::Connection c;
        c.Open(path);
        c.Execute("insert into sysuser(UserName, UserPassword) values('amy', '" +
                  x.EncryptString("right1", qm::crypto::kLoginPasswordKey) + "')");
        c.Close();
        x.EncryptFile(path, path, qm::crypto::kDataFileKey);
    }
    SetRememberedUser(L"amy");

    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    ASSERT_NE(login, nullptr);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        ASSERT_TRUE(BringToFront(login));
        TypeText(L"wrong");
        PressKey(VK_RETURN);
        Answer(WaitForBoxSaying(p, attempt < 3 ? L"用户密码错误,请重新输入!" : L"登录密码错误次数已超过3次,软件将自动关闭!"));
    }
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
}

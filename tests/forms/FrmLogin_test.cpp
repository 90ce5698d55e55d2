#include "forms/FrmLogin.h"

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "support/app_fixture.h"

using qm::forms::FrmLogin;
using qm::store::FileForm;

namespace {

class LoginTest : public qm::test::AppTest {
protected:
    FrmLogin& show() {
        FrmLogin& f = forms->Login();
        f.Show();
        return f;
    }
    // The user types a name into the box and a password.
    void attempt(FrmLogin& f, const std::string& user, const std::string& password) {
        f.CbUser.UserSetText(user);
        f.TxtPass.SetText(password);
        f.CmdLogin.RaiseClick();
    }
    FileForm dataFile() { return qm::store::InspectDataFile(app->DataFilePath()); }
};

}  // namespace

TEST_F(LoginTest, LoadListsUsersAndPreselectsTheRememberedOne) {
    registerUser("amy", "123456");
    registerUser("O'Neil", "abcdef");
    restart();
    qm::app::RememberUser(host.os, "O'Neil");
    FrmLogin& f = show();
    EXPECT_EQ(f.CbUser.Items(), (std::vector<std::string>{"amy", "O'Neil"}));
    EXPECT_EQ(f.CbUser.ListIndex(), 1);
    EXPECT_EQ(f.ActiveControl(), &f.TxtPass) << "activation puts the focus into the password";
    EXPECT_EQ(f.Caption(), "登录");
}

TEST_F(LoginTest, RefusesWithoutUsersWithoutSelectionAndWithoutPassword) {
    FrmLogin& f = show();
    f.CmdLogin.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"请注册新用户!"});

    registerUser("amy", "123456");
    host.os.boxes.clear();
    f.CbUser.SetText("ghost");  // a remembered user who no longer exists selects nothing
    EXPECT_EQ(f.CbUser.ListIndex(), -1);
    f.CmdLogin.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"请选择用户!"});

    f.CbUser.SetText("amy");
    f.TxtPass.SetText("");
    f.CmdLogin.RaiseClick();
    EXPECT_EQ(boxTexts().back(), "请输入密码!");
    EXPECT_EQ(f.ActiveControl(), &f.TxtPass);
    EXPECT_EQ(host.os.boxes.back().style, 64);
    EXPECT_EQ(host.os.boxes.back().title, "提示");
}

TEST_F(LoginTest, ThreeWrongPasswordsOverTwoUsersEndTheProgramWithTheFileAtRest) {
    registerUser("amy", "123456");
    registerUser("bob", "654321");
    FrmLogin& f = show();
    attempt(f, "amy", "wrong1");
    EXPECT_EQ(boxTexts().back(), "用户密码错误,请重新输入!");
    EXPECT_EQ(f.TxtPass.Text(), "wrong1") << "the typed password stays";
    EXPECT_EQ(f.ActiveControl(), &f.TxtPass);
    attempt(f, "bob", "123456");  // amy's password is wrong for bob
    EXPECT_TRUE(f.IsLoaded());
    EXPECT_EQ(dataFile(), FileForm::InUse) << "still held open by the run";
    attempt(f, "amy", "AMY123");
    EXPECT_EQ(boxTexts().back(), "登录密码错误次数已超过3次,软件将自动关闭!");
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_TRUE(app->CurrentUser.empty());
    EXPECT_FALSE(app->DbConn.IsOpen());
    EXPECT_EQ(dataFile(), FileForm::Enciphered);
}

TEST_F(LoginTest, SuccessOpensTheMainWindowAndRemembersTheUser) {
    registerUser("O'Neil", "pa$$w0rd");
    FrmLogin& f = show();
    attempt(f, "o'neil", "pa$$w0rd");  // the list's own spelling is taken
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_EQ(app->CurrentUser, "O'Neil");
    EXPECT_EQ(qm::app::RememberedUser(host.os), "O'Neil");
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(app->RsUser.Filter(), "UserName = 'O''Neil'");
    EXPECT_EQ(app->RsUser["UserName"].Text(), "O'Neil") << "the user's row stays current";
    qm::forms::FrmMain& main = forms->Main();
    ASSERT_TRUE(main.IsLoaded());
    EXPECT_EQ(main.Caption(), "Ostrevin V1.0 正式版 --- 当前用户:O'Neil");
    EXPECT_EQ(dataFile(), FileForm::InUse) << "a login keeps the store open";

    main.CmdQuit.RaiseClick();
    EXPECT_FALSE(app->DbConn.IsOpen());
    EXPECT_EQ(dataFile(), FileForm::Enciphered);
}

TEST_F(LoginTest, RegistrationFromTheDialogSelectsTheNewUserAndCancellingChangesNothing) {
    FrmLogin& f = show();
    f.TxtPass.SetText("typed");
    host.OnModal<qm::forms::FrmNewUser>("FrmNewUser", [](qm::forms::FrmNewUser& d) { d.CmdCancel.RaiseClick(); });
    f.CmdRegNewUser.RaiseClick();
    EXPECT_EQ(f.TxtPass.Text(), "typed");
    EXPECT_EQ(f.CbUser.ListCount(), 0);

    host.OnModal<qm::forms::FrmNewUser>("FrmNewUser", registering("carol", "carol1"));
    f.CmdRegNewUser.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"注册成功,请登录!"});
    EXPECT_EQ(f.CbUser.Items(), std::vector<std::string>{"carol"});
    EXPECT_EQ(f.CbUser.ListIndex(), 0);
    EXPECT_EQ(f.TxtPass.Text(), "");
    EXPECT_EQ(f.ActiveControl(), &f.TxtPass);
    EXPECT_EQ(host.shown.back(), "FrmNewUser (modal)");
}

TEST_F(LoginTest, CancelClosesTheStore) {
    FrmLogin& f = show();
    f.CmdCancel.RaiseClick();
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(dataFile(), FileForm::Enciphered);
}

TEST(StartupEntry, QuotedPathAndBothPlacesRemovedWhenOff) {
    qm::platform::FakePlatform os;
    EXPECT_TRUE(qm::app::UpdateStartupEntry(os, "C:\\Program Files\\Quill", "Quillmere.exe", true));
    EXPECT_EQ(os.startEntries.at("Quillmere"), "\"" + qm::store::PathIn("C:\\Program Files\\Quill", "Quillmere.exe") + "\"");
    EXPECT_TRUE(qm::app::UpdateStartupEntry(os, "C:\\Program Files\\Quill", "Quillmere.exe", false));
    EXPECT_TRUE(os.startEntries.empty());
    // removing twice is harmless
    EXPECT_TRUE(qm::app::UpdateStartupEntry(os, "C:\\Program Files\\Quill", "Quillmere.exe", false));
}

TEST(StartupEntry, ARenamedProgramIsStartedByItsOwnName) {
    qm::platform::FakePlatform os;
    qm::app::UpdateStartupEntry(os, "D:\\Tools", "Pass.Book.EXE", true);
    EXPECT_EQ(os.startEntries, (std::map<std::string, std::string>{
                                   {"Pass.Book", "\"" + qm::store::PathIn("D:\\Tools", "Pass.Book.EXE") + "\""}}));
    os.startEntriesLocked = true;
    EXPECT_FALSE(qm::app::UpdateStartupEntry(os, "D:\\Tools", "Pass.Book.EXE", false)) << "a refusal is reported";
    EXPECT_EQ(os.startEntries.size(), 1u);
}

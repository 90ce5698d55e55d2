// The per-user settings beyond the user row follow their user, and files of
// older versions gain the table that holds them.
#include <gtest/gtest.h>

#include "support/app_fixture.h"

using qm::forms::FrmTool;
using qm::forms::FrmUser;

namespace {
using OptionsTest = qm::test::AppTest;
}  // namespace

TEST_F(OptionsTest, OptionsAreTheUsersOwnAndFollowARenameARestoreAndALogOff) {
    registerUser("bob", "bobpass1");
    logIn("amy");
    EXPECT_EQ(app->Options.Get("Length", "12"), "12") << "the default until one is set";
    app->Options.Set("Length", "20");
    app->Options.SetBool("Digits", true);
    EXPECT_EQ(app->Options.GetInt("Length", 12), 20);
    app->DbConn.Execute("insert into UserOptions(UserName, Name, Value) values('bob', 'Length', '8')");
    app->DbConn.Execute("insert into UserOptions(UserName, Name, Value) values('bob', 'StrongProtection', '1')");
    const std::string backup = dir.file("b.dat");
    ASSERT_TRUE(app->BackupDatabase(backup, true));

    maintainUser(&FrmTool::CmdEditUserName, [](FrmUser& u) {
        u.TxtNewUser.SetText("amy2");
        u.CmdOK.RaiseClick();
    });
    EXPECT_EQ(app->Options.GetInt("Length", 12), 20) << "carried by the rename";
    EXPECT_EQ(rowsOf("UserOptions", "amy"), 0u);

    restoreFrom(backup, choosingBackupUser(0, "bobpass1", true));
    EXPECT_EQ(app->Options.GetInt("Length", 12), 20) << "kept with the settings kept";
    app->Options.SetInt(qm::store::kLoginChanged, 1234);  // amy set a new password after bob's registration
    restoreFrom(backup, choosingBackupUser(0, "bobpass1", false));
    EXPECT_EQ(app->Options.GetInt("Length", 12), 8) << "brought with the settings";
    EXPECT_EQ(app->Options.GetInt(qm::store::kLoginChanged, 0), 1234) << "amy's password stays hers, and when it was set";
    EXPECT_FALSE(app->Options.GetBool("Digits", false)) << "none of the old ones stay";
    EXPECT_FALSE(app->Options.GetBool("StrongProtection", false)) << "the protection is the user's own state";

    maintainUser(&FrmTool::CmdLogoutUser, [](FrmUser& u) {
        u.TxtLogoutPwd.SetText("secret1");
        u.CmdOK.RaiseClick();
    });
    start();  // the log-off ended the program
    EXPECT_EQ(rowsOf("UserOptions", "amy2"), 0u);
    EXPECT_EQ(rowsOf("UserOptions", "bob"), 3u) << "and when his password was set";
}

TEST_F(OptionsTest, AFileWithoutTheProgramsOwnTablesGainsThemAndKeepsItsUsers) {
    logIn("amy");
    addAccount("其它", "mail", "amy", "pw-1");
    app->DbConn.Execute("drop table UserOptions");
    app->DbConn.Execute("drop table UserKeys");
    restart();
    logInAgain("amy");
    EXPECT_TRUE(forms->Main().IsLoaded());
    app->Options.Set("Length", "16");
    EXPECT_EQ(app->Options.Get("Length"), "16");
    EXPECT_EQ(rowsOf("UserKeys", "amy"), 0u);
}

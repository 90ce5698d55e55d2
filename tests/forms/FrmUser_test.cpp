// User maintenance from the tools dialog: renaming, a new password, and
// logging out, which deletes the user and ends the program.
#include "forms/FrmUser.h"

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "forms/FrmTool.h"
#include "platform/files.h"
#include "store/TextRules.h"
#include "support/app_fixture.h"

using qm::forms::FrmMain;
using qm::forms::FrmTool;
using qm::forms::FrmUser;
using Texts = std::vector<std::string>;

namespace {

class UserTest : public qm::test::AppTest {
protected:
    // Opens the tools dialog, presses `button` there, and plays the user in the user dialog.
    void maintain(qm::ui::CommandButton FrmTool::*button, std::function<void(FrmUser&)> script) {
        host.OnModal<FrmTool>("FrmTool", [button](FrmTool& t) { (t.*button).RaiseClick(); });
        host.OnModal<FrmUser>("FrmUser", std::move(script));
        forms->Main().CmdTool.RaiseClick();
    }
    // The same with the user's click going through the host, which reports an error that escapes it.
    static void press(qm::ui::CommandButton& b, qm::ui::TestHost& h) {
        h.RunEvent([&b] { b.RaiseClick(); });
    }
    size_t rows(const std::string& table, const std::string& user) {
        qm::store::Recordset rs;
        rs.Open("select * from " + table + " where UserName = '" + qm::store::esc(user) + "'", app->DbConn);
        return rs.RecordCount();
    }
    // How many rows each table holds for `user`.
    std::vector<size_t> rowsOf(const std::string& user) {
        return {rows("sysuser", user), rows("AccountType", user), rows("AccountData", user)};
    }
};

}  // namespace

TEST_F(UserTest, EachModeShowsItsOwnPanelAndTheDialogFitsIt) {
    logIn("amy");
    const std::pair<qm::ui::CommandButton FrmTool::*, const char*> modes[] = {
        {&FrmTool::CmdEditUserName, "修改用户名"}, {&FrmTool::CmdEditPassword, "修改密码"}, {&FrmTool::CmdLogoutUser, "注销用户"}};
    for (int m = 0; m < 3; ++m) {
        maintain(modes[m].first, [&](FrmUser& u) {
            EXPECT_EQ(u.Caption(), modes[m].second);
            for (int p = 0; p < 3; ++p) EXPECT_EQ(u.PicUserFunction[p].Visible(), p == m) << "mode " << m;
            const qm::ui::PictureBox& panel = u.PicUserFunction[m];
            EXPECT_EQ(panel.Left(), 75);
            EXPECT_EQ(panel.Top(), 75);
            EXPECT_EQ(u.CmdOK.Top(), panel.Top() + panel.Height() + 150);
            EXPECT_EQ(u.CmdCancel.Top(), u.CmdOK.Top());
            EXPECT_EQ(u.Height(), u.CmdOK.Top() + u.CmdOK.Height() + 550);
            qm::ui::TextBox* first[] = {&u.TxtNewUser, &u.TxtoldPwd, &u.TxtLogoutPwd};
            EXPECT_EQ(u.ActiveControl(), first[m]);
        });
        const char* names[] = {"edituser", "editpassword", "logout"};
        EXPECT_EQ(app->UserEditMode, names[m]);
    }
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(UserTest, RenameMovesTheLoggedInUsersRowsInAllThreeTablesAndNoOneElses) {
    registerUser("bob", "bobpass1");
    FrmMain& main = logIn("amy");
    addAccount("其它", "mail", "amy", "pw");
    maintain(&FrmTool::CmdEditUserName, [](FrmUser& u) {
        EXPECT_EQ(u.TxtCurrentUser.Text(), "amy");
        EXPECT_TRUE(u.TxtCurrentUser.Locked());
        u.TxtCurrentUser.SetText("bob");  // whatever the box shows, it is the logged-in user who is renamed
        u.TxtNewUser.SetText("O'Neil");
        u.CmdOK.RaiseClick();
        EXPECT_FALSE(u.IsLoaded());
    });
    EXPECT_EQ(boxTexts(), Texts{"用户名已经修改,下次登陆时请使用新的用户名!"});
    EXPECT_EQ(rowsOf("O'Neil"), (std::vector<size_t>{1, 9, 1}));
    EXPECT_EQ(rowsOf("amy"), (std::vector<size_t>{0, 0, 0}));
    EXPECT_EQ(rowsOf("bob"), (std::vector<size_t>{1, 9, 0}));
    EXPECT_EQ(app->CurrentUser, "O'Neil");
    EXPECT_EQ(main.Caption(), "Quillmere V1.0 正式版 --- 当前用户:O'Neil");
    EXPECT_EQ(qm::app::RememberedUser(host.os), "O'Neil");
    EXPECT_EQ(app->RsType.RecordCount(), 9u);
    EXPECT_EQ(app->RsData.RecordCount(), 1u);

    // A compaction reads the record sets anew with their filters: the user's
    // row must still be the one the settings are read from.
    EXPECT_EQ(app->RsUser.Filter(), "UserName = 'O''Neil'");
    host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdCompress.RaiseClick(); });
    main.CmdTool.RaiseClick();
    ASSERT_FALSE(app->RsUser.Eof());
    EXPECT_EQ(app->RsUser["UserName"].Text(), "O'Neil");
}

TEST_F(UserTest, RenameRefusesAnEmptyNameTheOwnNameAndATakenOne) {
    registerUser("bob", "bobpass1");
    logIn("amy");
    maintain(&FrmTool::CmdEditUserName, [](FrmUser& u) {
        u.CmdOK.RaiseClick();
        u.TxtNewUser.SetText("amy");
        u.CmdOK.RaiseClick();
        u.TxtNewUser.SetText("BOB");  // names differ only beyond letter case
        u.CmdOK.RaiseClick();
        EXPECT_TRUE(u.IsLoaded());
        EXPECT_EQ(u.TxtNewUser.Text(), "BOB");
        EXPECT_EQ(u.ActiveControl(), &u.TxtNewUser);
    });
    EXPECT_EQ(boxTexts(), (Texts{"请输入新用户名!", "用户名已存在,请重新输入!", "用户名已存在,请重新输入!"}));
    EXPECT_EQ(app->CurrentUser, "amy");
    EXPECT_EQ(rowsOf("amy"), (std::vector<size_t>{1, 9, 0}));
    EXPECT_FALSE(qm::platform::FileExists(app->DataFilePath() + ".qmtmp"));
}

TEST_F(UserTest, ARenameThatFailsHalfwayChangesNothing) {
    logIn("amy");
    addAccount("其它", "mail", "amy", "pw");
    app->DbConn.Execute("create trigger refuse before update on AccountData begin select raise(abort, 'disk full'); end");
    maintain(&FrmTool::CmdEditUserName, [this](FrmUser& u) {
        u.TxtNewUser.SetText("zoe");
        press(u.CmdOK, host);
        EXPECT_TRUE(u.IsLoaded());
    });
    ASSERT_EQ(host.os.boxes.size(), 1u);
    EXPECT_NE(host.os.boxes[0].text.find("disk full"), std::string::npos);
    EXPECT_EQ(rowsOf("amy"), (std::vector<size_t>{1, 9, 1}));
    EXPECT_EQ(rowsOf("zoe"), (std::vector<size_t>{0, 0, 0}));
    EXPECT_EQ(app->CurrentUser, "amy");
    ASSERT_FALSE(app->RsUser.Eof());
    EXPECT_EQ(app->RsUser["UserName"].Text(), "amy") << "the record set shows what the database holds";
}

TEST_F(UserTest, PasswordChangeChecksLengthsBeforeComparisons) {
    logIn("amy", "secret1");
    // When the login password was set, for the sync: the registration, then each new password that is saved.
    const int64_t registered = host.os.nowUtc;
    const auto loginChanged = [this] { return app->Options.GetInt(qm::store::kLoginChanged, 0); };
    EXPECT_EQ(loginChanged(), registered);
    host.os.nowUtc += 100;
    maintain(&FrmTool::CmdEditPassword, [&](FrmUser& u) {
        u.TxtoldPwd.SetText("abc");  // wrong as well as short: the length is what is told
        u.CmdOK.RaiseClick();
        u.TxtoldPwd.SetText("wrong1");
        u.CmdOK.RaiseClick();
        EXPECT_EQ(u.ActiveControl(), &u.TxtoldPwd);
        u.TxtoldPwd.SetText("secret1");
        u.TxtNewPwd.SetText("abc");  // short as well as unequal: the difference is what is told
        u.TxtVerifyPwd.SetText("abd");
        u.CmdOK.RaiseClick();
        EXPECT_EQ(u.TxtNewPwd.Text(), "");
        EXPECT_EQ(u.TxtVerifyPwd.Text(), "");
        EXPECT_EQ(u.ActiveControl(), &u.TxtNewPwd);
        u.TxtNewPwd.SetText("short");
        u.TxtVerifyPwd.SetText("short");
        u.CmdOK.RaiseClick();
        EXPECT_TRUE(u.IsLoaded());
        EXPECT_EQ(loginChanged(), registered);
        u.TxtNewPwd.SetText("N3w-pass");
        EXPECT_EQ(u.lblStrength.Caption(), "强");
        u.TxtVerifyPwd.SetText("N3w-pass");
        u.CmdOK.RaiseClick();
        EXPECT_FALSE(u.IsLoaded());
    });
    EXPECT_EQ(boxTexts(), (Texts{"原始密码长度不能小于6位.", "原始密码错误,请重新输入!", "两次输入的密码不一致,请重新输入!",
                                 "新密码长度不能小于6位.", "密码修改成功,请牢记密码!"}));
    EXPECT_EQ(app->RsUser["UserPassword"].Text(), app->Cipher.EncryptString("N3w-pass", qm::crypto::kLoginPasswordKey));
    EXPECT_EQ(loginChanged(), registered + 100);
}

TEST_F(UserTest, LogoutChecksThePasswordAndNoDeletesNothing) {
    FrmMain& main = logIn("amy", "secret1");
    addAccount("其它", "mail", "amy", "pw");
    host.os.answers = {qm::platform::vbOK, qm::platform::vbOK, qm::platform::vbNo};
    maintain(&FrmTool::CmdLogoutUser, [](FrmUser& u) {
        u.TxtLogoutPwd.SetText("abc");
        u.CmdOK.RaiseClick();
        u.TxtLogoutPwd.SetText("wrong1");
        u.CmdOK.RaiseClick();
        u.TxtLogoutPwd.SetText("secret1");
        u.CmdOK.RaiseClick();
        EXPECT_TRUE(u.IsLoaded()) << "No leaves the dialog open";
    });
    EXPECT_EQ(boxTexts(), (Texts{"用户密码长度不能小于6位.", "用户密码错误,请重新输入!", "用户注销后所有资料都会删除,是否继续?"}));
    EXPECT_EQ(host.os.boxes[2].style, 52);
    EXPECT_EQ(host.os.boxes[2].title, "警告");
    EXPECT_EQ(rowsOf("amy"), (std::vector<size_t>{1, 9, 1}));
    EXPECT_TRUE(main.IsLoaded());
    EXPECT_FALSE(app->UserLoggedOut);
}

TEST_F(UserTest, LogoutDeletesTheUserLeavesNoTraceAndEndsTheProgram) {
    registerUser("bob", "bobpass1");
    FrmMain& main = logIn("Zelda", "secret1");
    addAccount("银行帐号", "Zq-bank-of-Zelda", "zelda-login", "pw-of-zelda");
    // Something of hers on the clipboard and armed for the hot keys.
    host.os.clipboard = "pw-of-zelda";
    app->HotKeys.SetHotKeyTexts({"zelda-login", "pw-of-zelda", ""});
    maintain(&FrmTool::CmdLogoutUser, [](FrmUser& u) {
        u.TxtLogoutPwd.SetText("secret1");
        u.CmdOK.RaiseClick();
        EXPECT_FALSE(u.IsLoaded());
    });
    EXPECT_EQ(boxTexts(), (Texts{"用户注销后所有资料都会删除,是否继续?", "用户已注销,请重新登录!"})) << "and no exit question";
    EXPECT_TRUE(app->UserLoggedOut);
    EXPECT_FALSE(main.IsLoaded());
    EXPECT_FALSE(forms->Tool().IsLoaded());
    EXPECT_EQ(qm::app::RememberedUser(host.os), "");
    EXPECT_TRUE(host.os.clipboard.empty());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(app->HotKeys.HotKeyTable[i].ActionText, "");

    // The program ended and put the file at rest; nothing of hers is in it, readable or deleted.
    EXPECT_FALSE(app->DbConn.IsOpen());
    ASSERT_EQ(qm::store::InspectDataFile(app->DataFilePath()), qm::store::FileForm::Enciphered);
    std::vector<unsigned char> bytes = qm::platform::ReadWholeFile(app->DataFilePath());
    app->Cipher.DecryptByte(bytes, qm::crypto::kDataFileKey);
    const std::string plain(bytes.begin(), bytes.end());
    for (const char* trace : {"Zq-bank-of-Zelda", "zelda-login", "Zelda"})
        EXPECT_EQ(plain.find(trace), std::string::npos) << trace;
    restart();
    EXPECT_EQ(rowsOf("Zelda"), (std::vector<size_t>{0, 0, 0}));
    EXPECT_EQ(rowsOf("bob"), (std::vector<size_t>{1, 9, 0}));
}

TEST_F(UserTest, ALogoutThatFailsDeletesNothingAndTheProgramGoesOn) {
    FrmMain& main = logIn("amy", "secret1");
    addAccount("其它", "mail", "amy", "pw");
    app->DbConn.Execute("create trigger refuse before delete on AccountData begin select raise(abort, 'disk error'); end");
    maintain(&FrmTool::CmdLogoutUser, [this](FrmUser& u) {
        u.TxtLogoutPwd.SetText("secret1");
        press(u.CmdOK, host);
        EXPECT_TRUE(u.IsLoaded());
    });
    ASSERT_EQ(host.os.boxes.size(), 2u);
    EXPECT_NE(host.os.boxes[1].text.find("disk error"), std::string::npos);
    EXPECT_EQ(rowsOf("amy"), (std::vector<size_t>{1, 9, 1}));
    EXPECT_TRUE(main.IsLoaded());
    EXPECT_FALSE(app->UserLoggedOut);
    EXPECT_EQ(qm::app::RememberedUser(host.os), "amy");
}

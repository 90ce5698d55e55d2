#include "forms/FrmNewUser.h"

#include <gtest/gtest.h>

#include "store/TextRules.h"
#include "support/app_fixture.h"

using qm::forms::FrmNewUser;

namespace {

class NewUserTest : public qm::test::AppTest {
protected:
    // Opens the dialog on its own, as the login's register button does.
    FrmNewUser& open() {
        FrmNewUser& f = forms->NewUser();
        f.Load();
        return f;
    }
    void fill(FrmNewUser& f, const std::string& name, const std::string& pass, const std::string& again) {
        f.TxtUser.SetText(name);
        f.TxtPass.SetText(pass);
        f.TxtVerifyPass.SetText(again);
    }
    std::vector<std::pair<std::string, int64_t>> categoriesOf(const std::string& user) {
        qm::store::Recordset rs;
        rs.Open("select * from AccountType where UserName = '" + qm::store::esc(user) + "'", app->DbConn);
        std::vector<std::pair<std::string, int64_t>> out;
        for (; !rs.Eof(); rs.MoveNext()) out.emplace_back(rs["TypeName"].Text(), rs["icoIndex"].Int());
        return out;
    }
};

}  // namespace

TEST_F(NewUserTest, ChecksRunInOrderWithTheirMessagesAndFocus) {
    FrmNewUser& f = open();
    fill(f, "   ", "123456", "123456");
    f.CmdOK.RaiseClick();
    ASSERT_EQ(host.os.boxes.size(), 1u);
    EXPECT_EQ(host.os.boxes[0].text, "请输入用户名!");
    EXPECT_EQ(host.os.boxes[0].style, 64);
    EXPECT_EQ(host.os.boxes[0].title, "提示");
    EXPECT_EQ(f.TxtPass.Text(), "123456") << "nothing is cleared";

    fill(f, "amy", "123", "124");  // the mismatch is told before the length
    f.CmdOK.RaiseClick();
    EXPECT_EQ(boxTexts().back(), "两次输入的密码不一致,请重新输入!");
    EXPECT_EQ(f.TxtPass.Text(), "");
    EXPECT_EQ(f.TxtVerifyPass.Text(), "");
    EXPECT_EQ(f.ActiveControl(), &f.TxtPass);

    fill(f, "amy", "12345", "12345");
    f.CmdOK.RaiseClick();
    EXPECT_EQ(boxTexts().back(), "密码长度不能小于6位.");
    EXPECT_EQ(f.TxtPass.Text(), "12345");
    EXPECT_TRUE(f.IsLoaded());
    EXPECT_EQ(app->RsUser.RecordCount(), 0u);
}

TEST_F(NewUserTest, RegistrationWritesTheDefaultsAndNineCategories) {
    FrmNewUser& f = open();
    fill(f, " O'Neil ", "secret1", "secret1");
    f.CmdOK.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"注册成功,请登录!"});
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_EQ(app->NewUserName, " O'Neil ") << "the name is stored as typed, spaces and all";

    qm::store::Recordset u;
    u.Open("select * from sysuser", app->DbConn);
    ASSERT_EQ(u.RecordCount(), 1u);
    const std::vector<std::pair<const char*, std::string>> expected = {
        {"UserName", " O'Neil "},
        {"UserPassword", app->Cipher.EncryptString("secret1", qm::crypto::kLoginPasswordKey)},
        {"AutoBackup", "0"},
        {"PriorBackupDate", "2026-12-07"},
        {"AutoBackupPath", qm::store::PathIn(app->AppPath, "SystemDataBackup.dat")},
        {"AutoCompress", "-1"},
        {"MinLockTime", "5"},
        {"ShowPassword", "-1"},
        {"ClearClipboard", "-1"},
        {"ShortcutUser", "4|49"},
        {"ShortcutPassword", "4|50"},
        {"ShortcutURL", "4|51"},
        {"WinRun", "0"},
        {"TypeNameWidth", "1440"},
        {"AccountNameWidth", "1440"},
        {"AccountIDWidth", "1440"},
        {"AccountPasswordWidth", "1440"},
        {"URLWidth", "1440"},
        {"Custom1", "4|83"},
        {"Custom2", "1"},
    };
    for (const auto& [column, value] : expected) EXPECT_EQ(u[column].Text(), value) << column;
    EXPECT_TRUE(host.os.startEntries.empty()) << "registration writes no start-up entry";

    const std::vector<std::pair<std::string, int64_t>> nine = {
        {"FTP帐号", 1}, {"博客帐号", 2}, {"聊天帐号", 3}, {"论坛帐号", 4}, {"网站帐号", 5},
        {"银行帐号", 6}, {"邮箱帐号", 7}, {"游戏帐号", 8}, {"其它", 9}};
    EXPECT_EQ(categoriesOf(" O'Neil "), nine);
}

TEST_F(NewUserTest, ExistingNamesAreRefusedWhateverTheirCaseAndUsersKeepTheirOwnCategories) {
    registerUser("amy", "123456");
    FrmNewUser& f = open();
    fill(f, "AMY", "654321", "654321");
    f.CmdOK.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"该用户已存在.请重新输入!"});
    EXPECT_EQ(f.TxtUser.Text(), "");
    EXPECT_EQ(f.ActiveControl(), &f.TxtUser);

    fill(f, "bob", "654321", "654321");
    f.CmdOK.RaiseClick();
    EXPECT_EQ(categoriesOf("amy").size(), 9u);
    EXPECT_EQ(categoriesOf("bob").size(), 9u);
}

TEST_F(NewUserTest, StrengthMeterFollowsThePassword) {
    FrmNewUser& f = open();
    EXPECT_EQ(f.lblStrength.Caption(), "弱");
    f.TxtPass.SetText("abc123");
    EXPECT_EQ(f.lblStrength.Caption(), "中");
    EXPECT_EQ(f.ShapePass.FillColor(), 65535u);
    f.TxtPass.SetText("密码密码密码");  // no class at all: the meter keeps its look
    EXPECT_EQ(f.lblStrength.Caption(), "中");
    f.TxtPass.SetText("abc12!");
    EXPECT_EQ(f.lblStrength.Caption(), "强");
    EXPECT_EQ(f.ShapePass.FillColor(), 65280u);
    f.TxtPass.SetText("123456");
    EXPECT_EQ(f.lblStrength.Caption(), "弱");
    EXPECT_EQ(f.ShapePass.FillColor(), 255u);
}

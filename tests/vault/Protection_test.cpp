// Strong protection through the program's own dialogs: switching it on and
// off, logging in, locking, new passwords, damaged texts, and backups that
// cross from one kind of user to the other.
#include <gtest/gtest.h>

#include "forms/FrmLoosenLock.h"
#include "forms/FrmProtect.h"
#include "forms/FrmSetting.h"
#include "forms/FrmVerifyPassword.h"
#include "support/tray_fixture.h"

using qm::forms::FrmData;
using qm::forms::FrmProtect;
using qm::forms::FrmSetting;
using qm::forms::FrmTool;
using qm::forms::FrmUser;
using Texts = std::vector<std::string>;
namespace vault = qm::vault;

namespace {

constexpr vault::DerivationCost kCheap{1, 64 * 1024};

class ProtectionTest : public qm::test::TrayTest {
protected:
    ProtectionTest() { app->Secrets.Cost = kCheap; }
    void restart() {
        TrayTest::restart();
        app->Tray = &tray;
        app->Secrets.Cost = kCheap;
    }

    // amy with two accounts, one with remarks, one with a password in Chinese.
    void amyWithAccounts() {
        logIn("amy");
        addAccount("其它", "mail", "amy@example.org", "p+ss 中文");
        addAccount("其它", "bank", "amy", "ascii-pw");
        app->DbConn.Execute("update AccountData set Remarks = '备注 note' where AccountName = 'mail'");
        app->RsData.Requery();
    }
    // The settings dialog with the box set to `on`, the password dialog
    // answered with each of `passwords` in turn (none: cancelled).
    void switchTo(bool on, Texts passwords) {
        host.OnModal<FrmSetting>("FrmSetting", [on](FrmSetting& s) {
            s.ChkStrongProtection.SetValue(on ? qm::ui::CheckBox::Checked : qm::ui::CheckBox::Unchecked);
            s.CmdOK.RaiseClick();
            if (s.IsLoaded()) s.CmdCancel.RaiseClick();
        });
        host.OnModal<FrmProtect>("FrmProtect", [this, passwords](FrmProtect& p) {
            ++passwordDialogs;
            for (const std::string& pw : passwords) {
                p.TxtPwd.SetText(pw);
                p.CmdOK.RaiseClick();
            }
            if (p.IsLoaded()) p.CmdCancel.RaiseClick();
        });
        main().CmdSet.RaiseClick();
    }
    int passwordDialogs = 0;
    struct Stored {
        std::string password, remarks, account;
    };
    std::vector<Stored> storedOf(const std::string& user) {
        qm::store::Recordset rs;
        rs.Open("select * from AccountData where UserName = '" + user + "' order by AccountName", app->DbConn);
        std::vector<Stored> out;
        for (; !rs.Eof(); rs.MoveNext()) out.push_back({rs["AccountPassword"].Text(), rs["Remarks"].Text(), rs["AccountGuid"].Text()});
        return out;
    }
    std::string loginText(const std::string& user) {
        qm::store::Recordset rs;
        rs.Open("select * from sysuser where UserName = '" + user + "'", app->DbConn);
        return rs["UserPassword"].Text();
    }
    // What the record dialog shows for the account named `name` (nothing: it did not open).
    std::optional<std::string> shownPassword(const std::string& name) {
        select(name);
        std::optional<std::string> shown;
        host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
            shown = d.TxtAccountPassword.Text();
            d.CmdCancel.RaiseClick();
        });
        main().CmdLook.RaiseClick();
        return shown;
    }
    void select(const std::string& name) {
        auto& list = main().ListViewUser;
        for (size_t i = 0; i < list.Count(); ++i)
            if (list.Item(i).SubItems[0] == name) list.Select(static_cast<int>(i));
    }
    std::string fixedKey(const std::string& password) {
        return app->Cipher.EncryptString(password, qm::crypto::kAccountPasswordKey);
    }
};

}  // namespace

TEST_F(ProtectionTest, SwitchingOnSealsEverySecretAndSwitchingOffGivesTheFixedKeyFormsBack) {
    amyWithAccounts();
    const std::vector<Stored> before = storedOf("amy");
    const std::string loginBefore = loginText("amy");

    switchTo(true, {"wrong-pw", "secret1"});
    EXPECT_EQ(boxTexts(), Texts{"用户密码错误,请重新输入!"});
    EXPECT_TRUE(app->Secrets.Protected());
    EXPECT_EQ(loginText("amy"), vault::kProtectedLogin);
    EXPECT_EQ(rowsOf("UserKeys", "amy"), 1u);
    EXPECT_TRUE(app->Options.GetBool("StrongProtection", false));
    for (const Stored& s : storedOf("amy")) {
        EXPECT_TRUE(vault::IsSealedText(s.password)) << s.password;
        EXPECT_TRUE(vault::IsSealedText(s.remarks)) << s.remarks;
    }
    EXPECT_EQ(shownPassword("mail"), "p+ss 中文");

    restart();
    host.os.boxes.clear();
    qm::forms::FrmLogin& login = forms->Login();
    login.Show();
    login.CbUser.SetText("amy");
    login.TxtPass.SetText("secret2");
    login.CmdLogin.RaiseClick();
    EXPECT_EQ(boxTexts(), Texts{"用户密码错误,请重新输入!"});
    logInAgain("amy");
    EXPECT_TRUE(app->Secrets.Protected());
    EXPECT_EQ(shownPassword("bank"), "ascii-pw");

    host.os.answers = {qm::platform::vbYes};
    switchTo(false, {"secret1"});
    EXPECT_FALSE(app->Secrets.Protected());
    EXPECT_EQ(loginText("amy"), loginBefore);
    EXPECT_EQ(rowsOf("UserKeys", "amy"), 0u);
    const std::vector<Stored> after = storedOf("amy");
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].password, before[i].password);
        EXPECT_EQ(after[i].remarks, before[i].remarks);
    }
    EXPECT_EQ(shownPassword("mail"), "p+ss 中文");
}

TEST_F(ProtectionTest, CancelLeavesTheUserAsHeWasAndTheBoxAsStored) {
    amyWithAccounts();
    const std::vector<Stored> before = storedOf("amy");
    bool boxAfter = true;
    host.OnModal<FrmSetting>("FrmSetting", [&](FrmSetting& s) {
        s.ChkStrongProtection.SetValue(qm::ui::CheckBox::Checked);
        s.CmdOK.RaiseClick();
        EXPECT_TRUE(s.IsLoaded()) << "the settings stay open";
        boxAfter = s.ChkStrongProtection.Value() == qm::ui::CheckBox::Checked;
        s.CmdCancel.RaiseClick();
    });
    host.OnModal<FrmProtect>("FrmProtect", [this](FrmProtect& p) {
        ++passwordDialogs;
        p.CmdCancel.RaiseClick();
    });
    main().CmdSet.RaiseClick();
    EXPECT_FALSE(boxAfter);
    EXPECT_FALSE(app->Secrets.Protected());
    EXPECT_EQ(storedOf("amy")[0].password, before[0].password);

    switchTo(true, {"secret1"});
    host.os.answers = {qm::platform::vbNo};  // to the warning
    switchTo(false, {"secret1"});
    EXPECT_TRUE(app->Secrets.Protected());
    EXPECT_EQ(passwordDialogs, 2) << "No to the warning asks no password";
}

// A sealed text that fails its check is said to be damaged wherever it would
// be used, and the stored bytes stay as they were.
TEST_F(ProtectionTest, DamagedOrMovedSecretsAreToldEverywhereAndNeverOverwritten) {
    registerUser("bob", "bobpass1");
    logIn("bob", "bobpass1");
    addAccount("其它", "bob acct", "b", "bobs-pw");
    switchTo(true, {"bobpass1"});
    const std::string bobs = storedOf("bob")[0].password;
    restart();
    amyWithAccounts();
    switchTo(true, {"secret1"});
    std::string flipped = storedOf("amy")[0].password;  // bank
    flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
    const std::pair<const char*, std::string> damages[] = {{"a flipped byte", flipped}, {"bob's sealed text", bobs}};
    const std::string damaged = "该密码已损坏,无法解密!";
    for (const auto& [what, text] : damages) {
        SCOPED_TRACE(what);
        qm::store::Recordset rs;
        rs.Open("select * from AccountData where AccountName = 'bank'", app->DbConn);
        rs["AccountPassword"] = text;
        rs.Update();
        main().RequeryData();
        host.os.boxes.clear();
        host.os.clipboard = "keep";
        EXPECT_EQ(shownPassword("bank"), std::nullopt);
        chooseFromList("mnuCopyPwd");
        chooseFromList("mnuCopyShortcut");
        EXPECT_EQ(boxTexts(), Texts(3, damaged));
        EXPECT_EQ(host.os.clipboard, "keep");
        EXPECT_EQ(app->HotKeys.HotKeyTable[1].ActionText, "");
        app->RsUser["ShowPassword"] = false;
        app->RsUser.Update();
        main().RequeryData();
        select("bank");
        EXPECT_EQ(main().ListViewUser.CellText(static_cast<size_t>(main().ListViewUser.SelectedIndex()), 3), damaged);
        EXPECT_EQ(storedOf("amy")[0].password, text) << "nothing written over it";
        EXPECT_EQ(shownPassword("mail"), "p+ss 中文") << "the others still open";
    }
}

TEST_F(ProtectionTest, ADamagedKeyRowIsToldAtTheLoginAndCountsNoFailure) {
    amyWithAccounts();
    switchTo(true, {"secret1"});
    qm::store::Recordset keys;
    keys.Open("select * from UserKeys", app->DbConn);
    std::string salt = keys["Salt"].Text();
    salt[0] = salt[0] == '0' ? '1' : '0';
    keys["Salt"] = salt;
    keys.Update();
    restart();
    host.os.boxes.clear();
    qm::forms::FrmLogin& login = forms->Login();
    login.Show();
    for (int i = 0; i < 3; ++i) {
        login.CbUser.SetText("amy");
        login.TxtPass.SetText("secret1");
        login.CmdLogin.RaiseClick();
    }
    EXPECT_EQ(boxTexts(), Texts(3, vault::kDamagedKeyMessage));
    EXPECT_TRUE(login.IsLoaded()) << "not taken for three wrong passwords";
}

// Whoever kept the old key row (an older backup) and knew the old password
// opens nothing the book holds after a new password.
TEST_F(ProtectionTest, ANewPasswordSealsEverySecretUnderANewKeyAndTheLockWipesTheKey) {
    amyWithAccounts();
    switchTo(true, {"secret1"});
    const std::optional<vault::KeyRow> oldRow = vault::ReadKeyRow(app->DbConn, "amy");
    ASSERT_TRUE(oldRow);
    app->RsUser["ShowPassword"] = false;  // the list shows the passwords
    app->RsUser.Update();
    main().RequeryData();
    const int waits = host.waits;
    maintainUser(&FrmTool::CmdEditPassword, [](FrmUser& u) {
        u.TxtoldPwd.SetText("secret1");
        u.TxtNewPwd.SetText("新的密码123");
        u.TxtVerifyPwd.SetText("新的密码123");
        u.CmdOK.RaiseClick();
    });
    EXPECT_EQ(boxTexts(), Texts{"密码修改成功,请牢记密码!"});
    EXPECT_EQ(host.waits - waits, 1) << "the wait cursor shows while the secrets are sealed again";
    EXPECT_FALSE(host.busy) << "and goes when they are";
    const std::vector<Stored> after = storedOf("amy");
    const vault::Sealer old(app->Cipher, std::shared_ptr<const vault::DataKey>(oldRow->Open("secret1")));
    ASSERT_TRUE(old.Key());
    for (const Stored& s : after) {
        EXPECT_FALSE(old.Open(vault::Field::AccountPassword, s.password, s.account)) << "the old key opens no password";
        EXPECT_FALSE(old.Open(vault::Field::Remarks, s.remarks, s.account)) << "nor a remark";
    }
    select("mail");
    EXPECT_EQ(main().ListViewUser.CellText(static_cast<size_t>(main().ListViewUser.SelectedIndex()), 3), "p+ss 中文")
        << "the list reads the texts as they are now";
    EXPECT_EQ(loginText("amy"), vault::kProtectedLogin);
    EXPECT_TRUE(app->Secrets.IsLoginPassword("新的密码123", loginText("amy"))) << "the health check knows the new one";
    EXPECT_FALSE(app->Secrets.IsLoginPassword("secret1", loginText("amy")));

    minimise();
    chooseFromTray("mnuLock");
    EXPECT_TRUE(app->Secrets.Locked());
    EXPECT_EQ(app->Secrets.Open(vault::Field::AccountPassword, after[0].password, after[0].account), std::nullopt);
    chooseFromTray("mnuShowmain");
    qm::forms::FrmLoosenLock& unlock = forms->LoosenLock();
    host.os.boxes.clear();
    unlock.TxtPwd.SetText("secret1");
    unlock.CmdUntie.RaiseClick();
    EXPECT_EQ(boxTexts(), Texts{"密码错误,请重新输入!"}) << "the old password no longer opens it";
    unlock.TxtPwd.SetText("新的密码123");
    unlock.CmdUntie.RaiseClick();
    EXPECT_FALSE(app->Secrets.Locked());
    EXPECT_EQ(shownPassword("mail"), "p+ss 中文");

    restart();
    logInAgain("amy", "新的密码123");
    EXPECT_TRUE(forms->Main().IsLoaded());
    EXPECT_EQ(shownPassword("bank"), "ascii-pw");
    EXPECT_EQ(app->Secrets.Open(vault::Field::Remarks, storedOf("amy")[1].remarks, storedOf("amy")[1].account)->str(),
              "备注 note");
}

// A key row no password can be tried against is told as what it is, in
// every dialog that asks for the password, and nothing is changed.
TEST_F(ProtectionTest, AKeyRowDamagedOrOfANewerVersionIsToldAsSuchByEveryPasswordDialog) {
    amyWithAccounts();
    switchTo(true, {"secret1"});
    const std::vector<Stored> before = storedOf("amy");
    const vault::KeyRow whole = *vault::ReadKeyRow(app->DbConn, "amy");
    vault::KeyRow damaged = whole, newer = whole;
    damaged.Salt[0] ^= 1;
    newer.Version = vault::KeyRow::kVersion + 1;
    newer.Checksum = newer.ComputeChecksum();
    const std::pair<const vault::KeyRow*, const char*> rows[] = {{&damaged, vault::kDamagedKeyMessage},
                                                                 {&newer, vault::kNewerKeyMessage}};
    for (const auto& [row, said] : rows) {
        SCOPED_TRACE(said);
        vault::WriteKeyRow(app->DbConn, "amy", *row);
        host.os.boxes.clear();
        host.os.answers = {qm::platform::vbYes};
        switchTo(false, {"secret1"});
        maintainUser(&FrmTool::CmdEditPassword, [](FrmUser& u) {
            u.TxtoldPwd.SetText("secret1");
            u.TxtNewPwd.SetText("another9");
            u.TxtVerifyPwd.SetText("another9");
            u.CmdOK.RaiseClick();
            if (u.IsLoaded()) u.CmdCancel.RaiseClick();
        });
        const std::string backup = dir.file(std::string("key") + std::to_string(row->Version) + ".dat");
        ASSERT_TRUE(app->BackupDatabase(backup, true));
        restoreFrom(backup, [](qm::forms::FrmResumeData& d) {
            choosingBackupUser(0, "secret1")(d);
            if (d.IsLoaded()) d.CmdCancel.RaiseClick();
        });
        EXPECT_EQ(boxTexts(), (Texts{"关闭加强保护后,密码和备注将只受程序内置的混淆保护,拿到数据文件的人可以还原它们。是否继续?",
                                     said, said, said}));
        EXPECT_TRUE(app->Secrets.Protected());
        const std::vector<Stored> now = storedOf("amy");
        for (size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i].password, before[i].password);
    }
}

// A file with a protected and a legacy user: each restores from a backup of
// the other kind, and the restored accounts are in the restoring user's form.
TEST_F(ProtectionTest, UsersOfBothKindsRestoreFromEachOther) {
    registerUser("bob", "bobpass1");
    amyWithAccounts();
    switchTo(true, {"secret1"});
    const std::string amyBackup = dir.file("amy.dat");
    ASSERT_TRUE(app->BackupDatabase(amyBackup, true));
    restart();
    logInAgain("bob", "bobpass1");
    addAccount("其它", "bob acct", "b", "bobs-pw");
    const std::string bobBackup = dir.file("bob.dat");
    ASSERT_TRUE(app->BackupDatabase(bobBackup, true));

    restoreFrom(amyBackup, choosingBackupUser(1, "bobpass1"));
    EXPECT_EQ(boxTexts(), Texts{"用户密码错误,请重新输入!"}) << "amy's password as the backup holds it";
    host.os.boxes.clear();
    restoreFrom(amyBackup, choosingBackupUser(1, "secret1"));
    EXPECT_EQ(boxTexts(), (Texts{"恢复数据将会覆盖现有的数据,是否继续?", "数据恢复成功!"}));
    for (const Stored& s : storedOf("bob")) EXPECT_FALSE(vault::IsSealedText(s.password));
    EXPECT_EQ(storedOf("bob")[1].password, fixedKey("p+ss 中文"));
    EXPECT_EQ(storedOf("bob")[1].remarks, "备注 note");

    restart();
    logInAgain("amy");
    restoreFrom(bobBackup, choosingBackupUser(0, "bobpass1"));
    ASSERT_EQ(storedOf("amy").size(), 1u);
    EXPECT_TRUE(vault::IsSealedText(storedOf("amy")[0].password));
    EXPECT_EQ(shownPassword("bob acct"), "bobs-pw");
}

TEST_F(ProtectionTest, TheKeyRowFollowsARenameAndGoesWithALogOff) {
    amyWithAccounts();
    switchTo(true, {"secret1"});
    maintainUser(&FrmTool::CmdEditUserName, [](FrmUser& u) {
        u.TxtNewUser.SetText("amy2");
        u.CmdOK.RaiseClick();
    });
    EXPECT_EQ(rowsOf("UserKeys", "amy2"), 1u);
    restart();
    logInAgain("amy2");
    EXPECT_EQ(shownPassword("mail"), "p+ss 中文");
    maintainUser(&FrmTool::CmdLogoutUser, [](FrmUser& u) {
        u.TxtLogoutPwd.SetText("secret1");
        u.CmdOK.RaiseClick();
    });
    start();
    EXPECT_EQ(rowsOf("UserKeys", "amy2"), 0u);
}

// The two dialogs that ask for the login password once more (the switch,
// the export) hide what is typed and answer Enter and Esc alike.
TEST_F(ProtectionTest, BothPasswordDialogsHideThePasswordAndAnswerEnterAndEsc) {
    amyWithAccounts();
    FrmProtect& protect = forms->Protect();
    qm::forms::FrmVerifyPassword& verify = forms->VerifyPassword();
    struct Dialog {
        const char* name;
        qm::ui::TextBox& password;
        qm::ui::CommandButton &ok, &cancel;
    };
    const Dialog dialogs[] = {{"protect", protect.TxtPwd, protect.CmdOK, protect.CmdCancel},
                              {"verify", verify.TxtPwd, verify.CmdOK, verify.CmdCancel}};
    for (const Dialog& d : dialogs) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(d.password.PasswordChar(), '*');
        EXPECT_TRUE(d.ok.Default());
        EXPECT_TRUE(d.cancel.Cancel);
        EXPECT_EQ(d.ok.Caption(), "确定(&O)");
        EXPECT_EQ(d.cancel.Caption(), "取消(&C)");
    }
}

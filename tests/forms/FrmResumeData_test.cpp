// Restoring from a backup: the proof of the backup user's password, the two
// questions, what is replaced (the current user's data only), and what is
// never touched (the backup file, other users, anything after a failure).
#include "forms/FrmResumeData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "forms/FrmTool.h"
#include "platform/ExclusiveFile.h"
#include "platform/files.h"
#include "store/TextRules.h"
#include "support/app_fixture.h"
#include "support/store_fixture.h"

using qm::forms::FrmMain;
using qm::forms::FrmResumeData;
using qm::forms::FrmTool;
using qm::store::Value;
using Texts = std::vector<std::string>;
using Row = std::vector<Value>;

namespace {

class RestoreTest : public qm::test::AppTest {
protected:
    // amy (logged in) with one account, and bob with settings and a category
    // of his own, backed up; afterwards each of them changes something.
    FrmMain& withBackup() {
        registerUser("bob", "bobpass1");
        FrmMain& main = logIn("amy");
        addAccount("邮箱帐号", "amy mail", "amy", "amy-pw");
        app->DbConn.Execute(
            "update sysuser set MinLockTime = 9, ShowPassword = 0, ShortcutUser = '2|65', AutoBackupPath = 'D:\\b.dat', "
            "Custom2 = 0 where UserName = 'bob'");
        app->DbConn.Execute("insert into AccountType(UserName, TypeName, icoIndex) values('bob', 'bob''s', 11)");
        qm::store::Recordset data;
        data.Open("select * from AccountData", app->DbConn);
        data.AddNew();
        data["UserName"] = "bob";
        data["TypeName"] = "bob's";
        data["AccountName"] = "bob bank";
        data["AccountID"] = "b0b";
        data["AccountPassword"] = app->Cipher.EncryptString("bobs-secret", qm::crypto::kAccountPasswordKey);
        data["RegDate"] = "2008-03-05";
        data.Update();
        EXPECT_TRUE(app->BackupDatabase(backup, true));
        app->DbConn.Execute("delete from AccountData where UserName = 'bob'");
        addAccount("其它", "amy new", "amy", "pw");
        host.os.boxes.clear();
        return main;
    }
    // Chooses `file` in the open dialog of the tools and plays the user in the restore dialog.
    void restoreFrom(const std::string& file, std::function<void(FrmResumeData&)> script) {
        host.os.chosenFiles = {file};
        host.OnModal<FrmResumeData>("FrmResumeData", std::move(script));
        host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdResume.RaiseClick(); });
        forms->Main().CmdTool.RaiseClick();
    }
    static std::function<void(FrmResumeData&)> choosing(int user, const std::string& password, bool keepSettings = true) {
        return [=](FrmResumeData& d) {
            d.CbUser.SetListIndex(user);
            d.TxtPass.SetText(password);
            d.ChkUserSet.SetValue(keepSettings ? qm::ui::CheckBox::Checked : qm::ui::CheckBox::Unchecked);
            d.CmdResume.RaiseClick();
        };
    }
    Row userRow(const std::string& name) {
        qm::store::Recordset rs;
        rs.Open("select * from sysuser where UserName = '" + qm::store::esc(name) + "'", app->DbConn);
        Row row;
        for (size_t c = 0; c < rs.FieldCount(); ++c) row.push_back(rs.Field(c).Get());
        return row;
    }
    Texts names(const std::string& sql, const char* column) {
        qm::store::Recordset rs;
        rs.Open(sql, app->DbConn);
        Texts out;
        for (; !rs.Eof(); rs.MoveNext()) out.push_back(rs[column].Text());
        return out;
    }
    Texts accountsOf(const std::string& user) {
        return names("select * from AccountData where UserName = '" + user + "' order by AccountName", "AccountName");
    }
    Texts categoriesOf(const std::string& user) {
        return names("select * from AccountType where UserName = '" + user + "' order by icoIndex", "TypeName");
    }

    std::string backup = dir.file("backup.dat");
};

}  // namespace

TEST_F(RestoreTest, AnotherUsersBackupBecomesTheOwnDataUnderTheOwnNameAndPassword) {
    FrmMain& main = withBackup();
    const Row amyBefore = userRow("amy");
    const auto backupBytes = qm::platform::ReadWholeFile(backup);
    restoreFrom(backup, [](FrmResumeData& d) {
        EXPECT_EQ(d.Caption(), "恢复数据");
        EXPECT_EQ(d.CbUser.Items(), (Texts{"bob", "amy"})) << "in the order of the backup's rows";
        EXPECT_EQ(d.CbUser.ListIndex(), -1);
        EXPECT_EQ(d.ChkUserSet.Value(), qm::ui::CheckBox::Checked);
        choosing(0, "bobpass1")(d);
        EXPECT_FALSE(d.IsLoaded());
    });
    const auto& open = host.os.fileDialogs.back();
    EXPECT_EQ(open.kind, "open");
    EXPECT_EQ(open.filter, "备份文件(dat)|*.dat");
    EXPECT_EQ(open.folder, app->AppPath);
    EXPECT_EQ(open.title, "请选择备份文件");
    EXPECT_EQ(boxTexts(), (Texts{"恢复数据将会覆盖现有的数据,是否继续?", "数据恢复成功!"}));
    EXPECT_EQ(host.os.boxes[0].style, 36);
    EXPECT_EQ(host.os.boxes[0].title, "提示");

    EXPECT_EQ(accountsOf("amy"), Texts{"bob bank"});
    EXPECT_EQ(categoriesOf("amy").back(), "bob's");
    EXPECT_EQ(categoriesOf("amy").size(), 10u);
    EXPECT_EQ(userRow("amy"), amyBefore) << "name, password and settings stay";
    EXPECT_TRUE(accountsOf("bob").empty()) << "the live bob is not touched";
    EXPECT_EQ(app->ReloadMark, "Resume");
    EXPECT_EQ(qm::platform::ReadWholeFile(backup), backupBytes) << "the backup file is never written";

    // The main window shows the restored tree and accounts, passwords readable.
    EXPECT_EQ(main.TreeViewType.Nodes().size(), 11u);
    ASSERT_EQ(main.ListViewUser.Count(), 1u);
    EXPECT_EQ(main.ListViewUser.Item(0).SubItems[0], "bob bank");
    EXPECT_EQ(app->Secrets.Open(qm::vault::Field::AccountPassword, main.ListViewUser.Item(0).Tag,
                                main.ListViewUser.Item(0).Key)->str(), "bobs-secret");
}

TEST_F(RestoreTest, TickedSettingsStayClearedAndConfirmedEverySettingIsCopied) {
    withBackup();
    const Row amyBefore = userRow("amy");
    const Row bobInBackup = userRow("bob");
    restoreFrom(backup, choosing(0, "bobpass1", false));
    EXPECT_EQ(boxTexts(), (Texts{"恢复数据将会覆盖现有的数据,是否继续?", "确定覆盖用户配置吗?", "数据恢复成功!"}));
    EXPECT_EQ(host.os.boxes[1].style, 36);
    const Row amyAfter = userRow("amy");
    ASSERT_EQ(amyAfter.size(), 20u);
    EXPECT_EQ(amyAfter[0], amyBefore[0]);
    EXPECT_EQ(amyAfter[1], amyBefore[1]) << "the password stays";
    for (size_t c = 2; c < amyAfter.size(); ++c) EXPECT_EQ(amyAfter[c], bobInBackup[c]) << "column " << c;
    EXPECT_EQ(app->RsUser["MinLockTime"].Int(), 9) << "the settings read from now on are the restored ones";
    EXPECT_EQ(app->HotKeys.HotKeyTable[0].KeyCode, 65) << "the restored hot keys work at once";
    EXPECT_EQ(app->HotKeys.HotKeyTable[0].ModifierKey, 162);
    EXPECT_EQ(app->RsUser["UserName"].Text(), "amy");
}

TEST_F(RestoreTest, NoToTheSettingsQuestionRestoresNothingAtAll) {
    withBackup();
    const Row amyBefore = userRow("amy");
    host.os.answers = {qm::platform::vbYes, qm::platform::vbNo};
    restoreFrom(backup, [](FrmResumeData& d) {
        choosing(0, "bobpass1", false)(d);
        EXPECT_TRUE(d.IsLoaded());
    });
    EXPECT_EQ(boxTexts(), (Texts{"恢复数据将会覆盖现有的数据,是否继续?", "确定覆盖用户配置吗?"}));
    EXPECT_EQ(accountsOf("amy"), (Texts{"amy mail", "amy new"}));
    EXPECT_EQ(categoriesOf("amy").size(), 9u);
    EXPECT_EQ(userRow("amy"), amyBefore);
    EXPECT_NE(app->ReloadMark, "Resume");
}

TEST_F(RestoreTest, UserAndPasswordAreCheckedFirstAndNoChangesNothing) {
    withBackup();
    host.os.answers = {qm::platform::vbOK, qm::platform::vbOK, qm::platform::vbOK, qm::platform::vbNo};
    restoreFrom(backup, [](FrmResumeData& d) {
        d.TxtPass.SetText("bobpass1");
        d.CmdResume.RaiseClick();
        d.CbUser.SetListIndex(0);
        d.TxtPass.SetText("");
        d.CmdResume.RaiseClick();
        EXPECT_EQ(d.ActiveControl(), &d.TxtPass);
        d.TxtPass.SetText("secret1");  // amy's password, not bob's
        d.CmdResume.RaiseClick();
        EXPECT_EQ(d.ActiveControl(), &d.TxtPass);
        d.TxtPass.SetText("bobpass1");
        d.CmdResume.RaiseClick();
        EXPECT_TRUE(d.IsLoaded());
    });
    EXPECT_EQ(boxTexts(), (Texts{"请选择用户!", "请输入密码!", "用户密码错误,请重新输入!",
                                 "恢复数据将会覆盖现有的数据,是否继续?"}));
    EXPECT_EQ(accountsOf("amy"), (Texts{"amy mail", "amy new"}));
}

TEST_F(RestoreTest, MissingAndForeignFilesAreToldAndLeftAsTheyWere) {
    withBackup();
    const auto told = [&](const std::string& chosen, const std::string& words) {
        host.os.boxes.clear();
        bool shown = false;
        restoreFrom(chosen, [&](FrmResumeData&) { shown = true; });
        EXPECT_FALSE(shown) << chosen;
        ASSERT_EQ(host.os.boxes.size(), 1u) << chosen;
        EXPECT_NE(host.os.boxes[0].text.find(words), std::string::npos) << host.os.boxes[0].text;
        EXPECT_NE(host.os.boxes[0].text.find("文件没有被修改。"), std::string::npos);
        EXPECT_EQ(host.os.boxes[0].style, qm::platform::vbExclamation);
    };
    told(dir.file("gone"), "文件不存在。");
    EXPECT_EQ(app->BackupFilePath, dir.file("gone.dat"));
    EXPECT_FALSE(qm::platform::FileExists(dir.file("gone.dat")));

    const std::string junk = dir.file("letter.dat");
    const std::vector<unsigned char> text(5000, 'x');
    qm::platform::ReplaceFileContents(junk, text);
    told(junk, "它不是本程序的备份文件,或者已经损坏。");
    EXPECT_EQ(qm::platform::ReadWholeFile(junk), text);

    // A backup cut short: its first pages are there, the rest is missing.
    auto cut = qm::platform::ReadWholeFile(backup);
    cut.resize(4096);
    qm::platform::ReplaceFileContents(junk, cut);
    told(junk, "它不是本程序的备份文件,或者已经损坏。");

    // Some other program's tables under the same names: settings would land in the wrong columns.
    const std::string other = dir.file("other.dat");
    qm::test::CreatePlainDatabase(other);
    {
        qm::store::Connection c;
        c.Open(other);
        c.Execute("drop table sysuser; create table sysuser(UserName, UserPassword, Colour)");
        c.Execute("insert into sysuser values('bob', 'x', 'red')");
    }
    app->Cipher.EncryptFile(other, other, qm::crypto::kDataFileKey);
    told(other, "它不是本程序的备份文件,或者已经损坏。");

    told(app->DataFilePath(), "这是程序正在使用的数据文件");
    EXPECT_EQ(accountsOf("amy"), (Texts{"amy mail", "amy new"}));
}

TEST_F(RestoreTest, ARestoreThatFailsHalfwayLeavesEverythingAsItWas) {
    FrmMain& main = withBackup();
    const Row amyBefore = userRow("amy");
    app->DbConn.Execute("create trigger refuse before insert on AccountData begin select raise(abort, 'disk full'); end");
    restoreFrom(backup, [this](FrmResumeData& d) {
        d.CbUser.SetListIndex(0);
        d.TxtPass.SetText("bobpass1");
        d.ChkUserSet.SetValue(qm::ui::CheckBox::Unchecked);
        host.RunEvent([&d] { d.CmdResume.RaiseClick(); });
        EXPECT_TRUE(d.IsLoaded());
    });
    ASSERT_EQ(host.os.boxes.size(), 3u);
    EXPECT_NE(host.os.boxes[2].text.find("disk full"), std::string::npos);
    EXPECT_EQ(userRow("amy"), amyBefore);
    EXPECT_EQ(categoriesOf("amy").size(), 9u);
    EXPECT_EQ(accountsOf("amy"), (Texts{"amy mail", "amy new"}));
    // The record sets hold what the database holds, so later work builds on it.
    EXPECT_EQ(app->RsUser["AutoBackupPath"].Get(), amyBefore[4]);
    app->RsType.Requery();
    EXPECT_EQ(app->RsType.RecordCount(), 9u);
    EXPECT_FALSE(app->RsData.HasPendingChanges());
    EXPECT_EQ(main.ListViewUser.Count(), 2u);
}

TEST_F(RestoreTest, EveryDamagedBackupIsToldByNameAndKeepsEveryByte) {
    withBackup();
    auto plain = qm::platform::ReadWholeFile(backup);
    app->Cipher.DecryptByte(plain, qm::crypto::kDataFileKey);
    const size_t page = 256u * plain[16] + plain[17];
    const std::string marker = "bob bank";
    const size_t accounts = (std::search(plain.begin(), plain.end(), marker.begin(), marker.end()) - plain.begin()) / page * page;
    ASSERT_LT(accounts, plain.size());
    ASSERT_GT(accounts, 0u);

    std::vector<std::pair<std::string, std::vector<unsigned char>>> cases;
    for (size_t n : {size_t{0}, size_t{1}, size_t{16}, size_t{100}, size_t{512}, page, plain.size() / 2,
                     plain.size() - 1})
        cases.push_back({"cut to " + std::to_string(n), {plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(n)}});
    for (size_t offset : {size_t{16}, size_t{31}, size_t{100}, accounts, accounts + 4, accounts + 8}) {
        cases.push_back({"byte " + std::to_string(offset) + " flipped", plain});
        cases.back().second[offset] ^= 0xFF;
    }
    const std::string damaged = dir.file("damaged.dat");
    // Each case on its own: a failed one must not hide the others.
    const auto check = [&](const std::string& what, std::vector<unsigned char>& bytes) {
        SCOPED_TRACE(what);
        app->Cipher.EncryptByte(bytes, qm::crypto::kDataFileKey);
        qm::platform::ReplaceFileContents(damaged, bytes);
        host.os.boxes.clear();
        bool shown = false;
        restoreFrom(damaged, [&](FrmResumeData&) { shown = true; });
        EXPECT_FALSE(shown);
        ASSERT_EQ(host.os.boxes.size(), 1u);
        const std::string& text = host.os.boxes[0].text;
        EXPECT_NE(text.find(damaged), std::string::npos) << text;
        EXPECT_NE(text.find("它不是本程序的备份文件,或者已经损坏。"), std::string::npos) << text;
        EXPECT_NE(text.find("文件没有被修改。"), std::string::npos) << text;
        EXPECT_TRUE(qm::platform::ReadWholeFile(damaged) == bytes) << "the backup keeps every byte";
    };
    for (auto& [what, bytes] : cases) check(what, bytes);
    EXPECT_EQ(accountsOf("amy"), (Texts{"amy mail", "amy new"}));
}

TEST_F(RestoreTest, AReadOnlyBackupRestoresAHeldOneOrAFolderIsToldAndNoneChanges) {
    namespace fs = std::filesystem;
    withBackup();
    const auto before = qm::platform::ReadWholeFile(backup);
    // A backup is only read: one on a CD or marked read-only restores as any other.
    fs::permissions(qm::test::PathOf(backup), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    restoreFrom(backup, choosing(0, "bobpass1"));
    EXPECT_EQ(boxTexts().back(), "数据恢复成功!");
    EXPECT_EQ(accountsOf("amy"), Texts{"bob bank"});
    EXPECT_EQ(qm::platform::KindOf(backup), qm::platform::PathKind::ReadOnlyFile);
    EXPECT_EQ(qm::platform::ReadWholeFile(backup), before);
    fs::permissions(qm::test::PathOf(backup), fs::perms::owner_write, fs::perm_options::add);

    const auto told = [&](const std::string& chosen, const std::string& words) {
        host.os.boxes.clear();
        bool shown = false;
        restoreFrom(chosen, [&](FrmResumeData&) { shown = true; });
        EXPECT_FALSE(shown) << chosen;
        ASSERT_EQ(host.os.boxes.size(), 1u) << chosen;
        EXPECT_NE(host.os.boxes[0].text.find(chosen), std::string::npos) << host.os.boxes[0].text;
        EXPECT_NE(host.os.boxes[0].text.find(words), std::string::npos) << host.os.boxes[0].text;
    };
    {
        qm::platform::ExclusiveFile other;
        ASSERT_TRUE(other.Open(backup, qm::platform::ExclusiveFile::Mode::ReadOnly));
        told(backup, "文件正被另一个程序使用");
    }
    EXPECT_EQ(qm::platform::ReadWholeFile(backup), before);
    const std::string folder = dir.file("folder.dat");
    fs::create_directory(qm::test::PathOf(folder));
    told(folder, "文件夹");
    EXPECT_TRUE(fs::is_directory(qm::test::PathOf(folder)));
}

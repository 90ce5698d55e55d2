// An account's history through the record dialog and the history dialog:
// which saves keep a version, the cap, restoring and undoing a restore,
// and the history through the book's maintenance.
#include "forms/FrmHistory.h"

#include <gtest/gtest.h>

#include "forms/FrmHealth.h"
#include "forms/FrmSetting.h"
#include "forms/FrmTool.h"
#include "store/History.h"
#include "text/date.h"
#include "support/app_fixture.h"
#include "tools/Backup.h"
#include "vault/Protection.h"

using qm::forms::FrmData;
using qm::forms::FrmHistory;
using qm::forms::FrmMain;
using Texts = std::vector<std::string>;

namespace {

class HistoryTest : public qm::test::AppTest {
protected:
    void SetUp() override {
        logIn("amy");
        addAccount("工作", "mail", "amy", "first", "http://a.example", "2020-1-2");
    }
    struct Row {
        std::string guid;
        int64_t created = 0, changed = 0;
        Texts fields;
    };
    // The account as stored, the password and remarks opened.
    Row stored(const std::string& name = "mail") {
        qm::store::Recordset rs;
        rs.Open("select * from AccountData where AccountName = '" + qm::store::esc(name) + "'", app->DbConn);
        Row r;
        if (rs.Eof()) return r;
        r.guid = rs["AccountGuid"].Text();
        r.created = rs["CreatedTime"].Int();
        r.changed = rs["ChangedTime"].Int();
        for (const char* c : qm::store::kVersionColumns) r.fields.push_back(rs[c].Text());
        r.fields[3] = app->Secrets.Open(qm::vault::Field::AccountPassword, r.fields[3], r.guid)->str();
        r.fields[6] = app->Secrets.Open(qm::vault::Field::Remarks, r.fields[6], r.guid)->str();
        return r;
    }
    std::vector<qm::store::Version> versions() {
        return qm::store::ReadVersions(app->DbConn, app->CurrentUser, stored().guid);
    }
    // Opens the account in the record dialog ("edit" or "look") and plays the user there.
    void open(const char* how, std::function<void(FrmData&)> script) {
        FrmMain& main = forms->Main();
        main.RequeryData();
        for (size_t i = 0; i < main.ListViewUser.Count(); ++i)
            if (main.ListViewUser.Item(i).SubItems[0] == "mail" || main.ListViewUser.Item(i).SubItems[0] == "Mail")
                main.ListViewUser.Select(static_cast<int>(i));
        host.OnModal<FrmData>("FrmData", std::move(script));
        (std::string(how) == "edit" ? main.CmdEdit : main.CmdLook).RaiseClick();
    }
    // Saves the account with its boxes changed by `change`.
    void edit(std::function<void(FrmData&)> change) {
        open("edit", [&](FrmData& d) {
            change(d);
            d.CmdSave.RaiseClick();
            EXPECT_FALSE(d.IsLoaded());
        });
    }
    // Opens the history from the record dialog and plays the user there.
    void history(std::function<void(FrmHistory&)> script, const char* how = "look") {
        host.OnModal<FrmHistory>("FrmHistory", std::move(script));
        open(how, [](FrmData& d) {
            d.CmdHistory.RaiseClick();
            if (d.IsLoaded()) d.CmdCancel.RaiseClick();
        });
    }
    static Texts cells(const FrmHistory& h, size_t column) {
        Texts out;
        for (size_t i = 0; i < h.ListViewVersions.Count(); ++i) out.push_back(h.ListViewVersions.CellText(i, column));
        return out;
    }
};

}  // namespace

TEST_F(HistoryTest, ASaveKeepsTheVersionBeforeItOnlyWhenAFieldChanged) {
    struct Case {
        const char* what;
        std::function<void(FrmData&)> change;
        const char* said;  // the history's "改动" of the version kept; "" when none is kept
    };
    const Case cases[] = {
        {"nothing", [](FrmData&) {}, ""},
        {"the same password typed again", [](FrmData& d) { d.TxtAccountPassword.SetText("first"); }, ""},
        {"the date in another form", [](FrmData& d) { d.TxtRegDate.SetText("2020/01/02"); }, ""},
        {"category", [](FrmData& d) { d.CbAccountType.SetText("游戏"); }, "分类"},
        {"name", [](FrmData& d) { d.TxtAccountName.SetText("Mail"); }, "帐号名称"},
        {"user name", [](FrmData& d) { d.TxtAccountID.SetText("amy2"); }, "用户名"},
        {"password", [](FrmData& d) { d.TxtAccountPassword.SetText("second"); }, "密码"},
        {"date", [](FrmData& d) { d.TxtRegDate.SetText("2021-1-2"); }, "注册日期"},
        {"address", [](FrmData& d) { d.TxtURL.SetText("https://a.example"); }, "网址"},
        {"remarks", [](FrmData& d) { d.TxtRemarks.SetText("note"); }, "备注"},
        {"password and address", [](FrmData& d) {
             d.TxtAccountPassword.SetText("third");
             d.TxtURL.SetText("");
         }, "密码、网址"},
    };
    const Row first = stored();
    size_t kept = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Row before = stored();
        host.os.nowUtc += 60;
        edit(c.change);
        const Row after = stored();
        const bool changed = *c.said != 0;
        kept += changed;
        // Identities never move; the change time moves with a change only.
        EXPECT_EQ(after.guid, first.guid);
        EXPECT_EQ(after.created, first.created);
        EXPECT_EQ(after.changed, changed ? host.os.nowUtc : before.changed);
        const auto all = qm::store::ReadVersions(app->DbConn, "amy", first.guid);
        ASSERT_EQ(all.size(), kept);
        if (!changed) continue;
        // The version kept is the account as it was, with its own change time.
        EXPECT_EQ(all[0].ChangedTime, before.changed);
        EXPECT_EQ(all[0].ReplacedTime, host.os.nowUtc);
        history([&](FrmHistory& h) {
            EXPECT_EQ(cells(h, 1)[0], c.said);
            EXPECT_EQ(h.TxtAccountPassword.Text(), before.fields[3]);
            EXPECT_EQ(h.TxtAccountName.Text(), before.fields[1]);
            EXPECT_EQ(h.TxtRemarks.Text(), before.fields[6]);
            h.CmdClose.RaiseClick();
        });
    }
}

TEST_F(HistoryTest, TheTenNewestVersionsStayNewestFirst) {
    for (int i = 1; i <= 12; ++i) {
        host.os.nowUtc += 3600;
        edit([i](FrmData& d) { d.TxtAccountPassword.SetText("pw" + std::to_string(i)); });
    }
    const auto all = versions();
    ASSERT_EQ(all.size(), qm::store::kHistoryKept);
    history([&](FrmHistory& h) {
        // Local time, eight hours ahead of the fake clock's UTC.
        EXPECT_EQ(cells(h, 0)[0], qm::text::FormatMinute(host.os.nowUtc + 8 * 3600));
        EXPECT_EQ(h.TxtAccountPassword.Text(), "pw11");
        h.ListViewVersions.UserSelect(9);
        EXPECT_EQ(h.TxtAccountPassword.Text(), "pw2") << "pw1 and \"first\" went";
        h.CmdClose.RaiseClick();
    });
}

TEST_F(HistoryTest, ARestoreGoesIntoTheHistoryAndCanBeUndone) {
    host.os.nowUtc += 60;
    edit([](FrmData& d) {
        d.TxtAccountPassword.SetText("second");
        d.CbAccountType.SetText("游戏");
    });
    // The old category goes meanwhile: the restore brings it back.
    app->DbConn.Execute("delete from AccountType where TypeName = '工作'");
    host.os.nowUtc += 60;
    host.os.answers = {qm::platform::vbNo, qm::platform::vbYes};
    history([&](FrmHistory& h) {
        h.CmdRestore.RaiseClick();  // answered no: nothing changes
        EXPECT_EQ(stored().fields[3], "second");
        h.CmdRestore.RaiseClick();
        EXPECT_EQ(cells(h, 1), (Texts{"分类、密码", "分类、密码"}));
        h.CmdClose.RaiseClick();
    });
    EXPECT_EQ(stored().fields[0], "工作");
    EXPECT_EQ(stored().fields[3], "first");
    EXPECT_EQ(stored().changed, host.os.nowUtc);
    // The main window and its tree show it at once.
    EXPECT_EQ(forms->Main().ListViewUser.Item(0).Text, "工作");
    bool found = false;
    for (const auto& n : forms->Main().TreeViewType.Nodes()) found = found || n.Text == "工作";
    EXPECT_TRUE(found);
    // Undone: the restore's own version goes back.
    host.os.answers = {qm::platform::vbYes};
    history([&](FrmHistory& h) {
        EXPECT_EQ(h.TxtAccountPassword.Text(), "second");
        h.CmdRestore.RaiseClick();
        h.CmdClose.RaiseClick();
    });
    EXPECT_EQ(stored().fields[3], "second");
    EXPECT_EQ(stored().fields[0], "游戏");
    EXPECT_EQ(versions().size(), 3u);
}

TEST_F(HistoryTest, ARestoreFromTheEditDialogShowsTheRestoredFieldsThere) {
    host.os.nowUtc += 60;
    edit([](FrmData& d) { d.TxtURL.SetText("http://b.example"); });
    host.OnModal<FrmHistory>("FrmHistory", [](FrmHistory& h) {
        h.CmdRestore.RaiseClick();
        h.CmdClose.RaiseClick();
    });
    open("edit", [](FrmData& d) {
        d.TxtRemarks.SetText("typed, not saved");
        d.CmdHistory.RaiseClick();
        EXPECT_EQ(d.TxtURL.Text(), "http://a.example");
        EXPECT_EQ(d.TxtRemarks.Text(), "");
        d.CmdSave.RaiseClick();  // what is shown is stored: nothing more is kept
    });
    EXPECT_EQ(versions().size(), 2u);
}

TEST_F(HistoryTest, CopyingAVersionsPasswordFollowsTheClipboardRules) {
    host.os.nowUtc += 60;
    edit([](FrmData& d) { d.TxtAccountPassword.SetText("second"); });
    history([&](FrmHistory& h) {
        EXPECT_EQ(h.TxtAccountPassword.PasswordChar(), '*') << "masked, as the user's setting says";
        h.ChkShowPassword.UserToggle();
        EXPECT_EQ(h.TxtAccountPassword.PasswordChar(), 0);
        h.CmdCopy.RaiseClick();
        h.CmdClose.RaiseClick();
    });
    EXPECT_EQ(host.os.clipboard, "first");
    EXPECT_EQ(boxTexts(), Texts{"密码已复制到系统剪贴板!"});
    EXPECT_TRUE(app->Clipboard.Waiting()) << "cleared when its time is up";
}

TEST_F(HistoryTest, TheHistoryStaysWithItsAccountThroughTheBooksMaintenance) {
    host.os.nowUtc += 60;
    edit([](FrmData& d) { d.TxtAccountPassword.SetText("second"); });
    const Row before = stored();
    const auto expectKept = [&](const char* after) {
        SCOPED_TRACE(after);
        const Row now = stored();
        EXPECT_EQ(now.guid, before.guid);
        EXPECT_EQ(now.created, before.created);
        EXPECT_EQ(now.changed, before.changed);
        history([](FrmHistory& h) {
            EXPECT_EQ(h.ListViewVersions.Count(), 1u);
            EXPECT_EQ(h.TxtAccountPassword.Text(), "first");
            h.CmdClose.RaiseClick();
        });
    };
    // A category renamed in the settings: the account's fields change in place, not the account.
    host.OnModal<qm::forms::FrmSetting>("FrmSetting", [](qm::forms::FrmSetting& f) {
        f.SelectPage(3);
        const auto& items = f.ListAccountType.Items();
        f.ListAccountType.UserSelect(static_cast<int>(std::find(items.begin(), items.end(), "工作") - items.begin()));
        f.CmdEditType.RaiseClick();
        f.TxtAccountType.SetText("项目");
        f.CmdSaveType.RaiseClick();
        f.CmdOK.RaiseClick();
    });
    forms->Main().CmdSet.RaiseClick();
    ASSERT_EQ(stored().fields[0], "项目") << testing::PrintToString(boxTexts());
    expectKept("a category renamed");
    host.OnModal<qm::forms::FrmTool>("FrmTool", [](qm::forms::FrmTool& t) { t.CmdCompress.RaiseClick(); });
    forms->Main().CmdTool.RaiseClick();
    expectKept("a compaction");
    const std::string backup = qm::test::Utf8(dir.path()) + "/h.dat";
    qm::tools::WriteBackup(app->DbConn, app->Cipher, backup, false);
    restoreFrom(backup, choosingBackupUser(0, "secret1"));
    expectKept("a backup restored");
    maintainUser(&qm::forms::FrmTool::CmdEditUserName, [](qm::forms::FrmUser& u) {
        u.TxtNewUser.SetText("bea");
        u.CmdOK.RaiseClick();
    });
    expectKept("a rename");
}

TEST_F(HistoryTest, AProtectedUsersHistoryOpensAndASwappedPasswordIsToldAsDamaged) {
    addAccount("工作", "bank", "amy", "bankpw");
    host.os.nowUtc += 60;
    edit([](FrmData& d) { d.TxtAccountPassword.SetText("second"); });
    app->Secrets.Cost = qm::vault::DerivationCost{1, 64 * 1024};
    const qm::vault::Proven proven = app->Secrets.Prove(app->DbConn, app->RsUser, "secret1");
    qm::vault::SwitchOn(app->DbConn, app->RsUser, app->Secrets, proven, "secret1");
    history([](FrmHistory& h) {
        EXPECT_EQ(h.TxtAccountPassword.Text(), "first");
        h.CmdClose.RaiseClick();
    });
    // The history's sealed password swapped for another account's.
    app->DbConn.Execute("update AccountHistory set AccountPassword = (select AccountPassword from AccountData where "
                        "AccountName = 'bank')");
    host.os.boxes.clear();
    history([](FrmHistory& h) {
        EXPECT_EQ(h.TxtAccountPassword.Text(), "");
        EXPECT_FALSE(h.CmdCopy.Enabled());
        EXPECT_FALSE(h.CmdRestore.Enabled());
        h.CmdClose.RaiseClick();
    });
    EXPECT_EQ(boxTexts(), Texts{"该密码已损坏,无法解密!"});
}

TEST_F(HistoryTest, APasswordKeptThroughOtherEditsGrowsStaleFromWhenItWasSet) {
    constexpr int64_t day = 86400;
    addAccount("工作", "address only", "amy", "same#Pass2020");
    addAccount("工作", "new password", "amy", "old#Pass2020");
    host.os.nowUtc += 300 * day;
    const auto editNamed = [&](const char* name, std::function<void(FrmData&)> change) {
        FrmMain& main = forms->Main();
        main.RequeryData();
        for (size_t i = 0; i < main.ListViewUser.Count(); ++i)
            if (main.ListViewUser.Item(i).SubItems[0] == name) main.ListViewUser.Select(static_cast<int>(i));
        host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
            change(d);
            d.CmdSave.RaiseClick();
        });
        main.CmdEdit.RaiseClick();
    };
    editNamed("address only", [](FrmData& d) { d.TxtURL.SetText("https://b.example"); });
    editNamed("new password", [](FrmData& d) { d.TxtAccountPassword.SetText("new#Pass2021"); });
    host.os.nowUtc += 100 * day;
    Texts stale;
    host.OnModal<qm::forms::FrmTool>("FrmTool", [](qm::forms::FrmTool& t) { t.CmdHealth.RaiseClick(); });
    host.OnModal<qm::forms::FrmHealth>("FrmHealth", [&](qm::forms::FrmHealth& h) {
        h.ShowProblem(static_cast<int>(qm::tools::Problem::Stale));
        for (size_t i = 0; i < h.ListViewHealth.Count(); ++i) stale.push_back(h.ListViewHealth.CellText(i, 1));
        h.CmdClose.RaiseClick();
    });
    forms->Main().CmdTool.RaiseClick();
    EXPECT_EQ(stale, (Texts{"mail", "address only"}));
}

// Deleting an account or a category puts the accounts into the user's
// recycle bin; the bin's dialog brings them back into the main window,
// deletes them for good or empties the bin; the login lets go of what has
// waited longer than the user's days; a restore from a backup brings the bin.
#include <gtest/gtest.h>

#include <set>

#include "app/Options.h"
#include "forms/FrmFind.h"
#include "forms/FrmRecycleBin.h"
#include "forms/FrmSetting.h"
#include "store/Statement.h"
#include "support/app_fixture.h"
#include "transfer/Export.h"
#include "transfer/Import.h"
#include "vault/Protection.h"

using qm::forms::FrmMain;
using qm::forms::FrmRecycleBin;
using qm::forms::FrmSetting;
using qm::forms::FrmTool;
using Texts = std::vector<std::string>;

namespace {

class RecycleBinForms : public qm::test::AppTest {
protected:
    Texts listed() {
        Texts out;
        const auto& list = forms->Main().ListViewUser;
        for (size_t i = 0; i < list.Count(); ++i) out.push_back(list.Item(i).Text + "/" + list.Item(i).SubItems[0]);
        return out;
    }
    void selectInMain(const std::string& name) {
        FrmMain& main = forms->Main();
        main.TreeViewType.UserClickNode(0);
        for (size_t i = 0; i < main.ListViewUser.Count(); ++i)
            if (main.ListViewUser.Item(i).SubItems[0] == name) main.ListViewUser.Select(static_cast<int>(i));
    }
    void deleteCategory(const std::string& name) {
        host.OnModal<FrmSetting>("FrmSetting", [name](FrmSetting& f) {
            for (int i = 0; i < f.ListAccountType.ListCount(); ++i)
                if (f.ListAccountType.List(i) == name) f.ListAccountType.SetListIndex(i);
            f.CmdDeleteType.RaiseClick();
            f.CmdCancel.RaiseClick();
        });
        forms->Main().CmdSet.RaiseClick();
    }
    // Opens the bin from the tools dialog and plays the user in it.
    void inBin(std::function<void(FrmRecycleBin&)> script) {
        host.OnModal<FrmRecycleBin>("FrmRecycleBin", [script](FrmRecycleBin& b) {
            script(b);
            b.CmdClose.RaiseClick();
        });
        host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) {
            t.CmdRecycleBin.RaiseClick();
            t.CmdClose.RaiseClick();
        });
        forms->Main().CmdTool.RaiseClick();
    }
    static Texts rowsOf(FrmRecycleBin& b) {
        Texts out;
        for (size_t i = 0; i < b.ListViewBin.Count(); ++i) {
            std::string row;
            for (size_t c = 0; c < 4; ++c) row += (c ? "/" : "") + b.ListViewBin.CellText(i, c);
            out.push_back(row);
        }
        return out;
    }
    std::string one(const std::string& sql) {
        qm::store::Statement st(app->DbConn.Handle(), sql);
        return st.Step() ? st.Column(0).Text() : "<none>";
    }
};

}  // namespace

TEST_F(RecycleBinForms, DeletedAccountsAndCategoriesComeBackIntoTheMainWindow) {
    FrmMain& main = logIn("amy");
    addAccount("邮箱帐号", "mail", "amy", "p1");
    addAccount("工作", "wiki", "amy", "p2");  // a category typed freely: icon 11
    addAccount("工作", "repo", "bob", "p3");
    host.os.nowUtc = 1796644800;  // 2026-12-07 12:00 UTC, 20:00 here
    selectInMain("mail");
    main.CmdDel.RaiseClick();
    EXPECT_EQ(boxTexts().back(), "是否删除帐号<mail>,删除后将不可恢复,请确认!");
    host.os.nowUtc += 60;
    deleteCategory("工作");
    EXPECT_EQ(listed(), Texts{});
    EXPECT_EQ(one("SELECT count(*) FROM AccountType WHERE TypeName = '工作'"), "0");

    host.os.boxes.clear();
    inBin([&](FrmRecycleBin& b) {
        EXPECT_EQ(b.Caption(), "回收站");
        ASSERT_EQ(b.ListViewBin.Columns().size(), 4u);
        EXPECT_EQ(b.ListViewBin.Columns()[3].Text, "删除时间");
        const Texts rows = rowsOf(b);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ((std::set<std::string>{rows[0], rows[1]}),
                  (std::set<std::string>{"工作/wiki/amy/2026-12-07 20:01", "工作/repo/bob/2026-12-07 20:01"}));
        EXPECT_EQ(rows[2], "邮箱帐号/mail/amy/2026-12-07 20:00")
            << "newest first";
        b.ListViewBin.Select(2);
        b.CmdRestore.RaiseClick();
        EXPECT_EQ(listed(), Texts{"邮箱帐号/mail"}) << "the main window shows it at once";
        b.ListViewBin.Select(0);
        b.CmdRestore.RaiseClick();
        EXPECT_EQ(b.ListViewBin.Count(), 1u);
    });
    EXPECT_EQ(boxTexts(), Texts{}) << "a restore into its own category says nothing";
    EXPECT_EQ(one("SELECT icoIndex FROM AccountType WHERE UserName = 'amy' AND TypeName = '工作'"), "11")
        << "the category is made again with its icon";
    bool inTree = false;
    for (const auto& node : main.TreeViewType.Nodes()) inTree |= node.Text == "工作";
    EXPECT_TRUE(inTree);
    EXPECT_EQ(listed().size(), 2u);
}

TEST_F(RecycleBinForms, DeletingForeverAndEmptyingAskFirstAndRestoringADuplicateIsRefused) {
    FrmMain& main = logIn("amy");
    for (const char* name : {"a", "b", "c"}) addAccount("其它", name, "amy", "p");
    for (const char* name : {"a", "b", "c"}) {
        selectInMain(name);
        main.CmdDel.RaiseClick();
    }
    addAccount("其它", "A", "AMY", "p");  // the same account, as the book tells them apart
    host.os.boxes.clear();
    inBin([&](FrmRecycleBin& b) {
        ASSERT_EQ(b.ListViewBin.Count(), 3u);
        const auto select = [&](const std::string& name) {
            for (size_t i = 0; i < b.ListViewBin.Count(); ++i)
                if (b.ListViewBin.CellText(i, 1) == name) b.ListViewBin.Select(static_cast<int>(i));
        };
        select("a");
        b.CmdRestore.RaiseClick();
        EXPECT_EQ(b.ListViewBin.Count(), 3u) << "it stays in the bin";
        host.os.answers = {qm::platform::vbNo, qm::platform::vbYes};
        select("b");
        b.CmdDelete.RaiseClick();
        EXPECT_EQ(b.ListViewBin.Count(), 3u);
        b.CmdDelete.RaiseClick();
        EXPECT_EQ(b.ListViewBin.Count(), 2u);
        host.os.answers = {qm::platform::vbNo};
        b.CmdEmpty.RaiseClick();
        EXPECT_EQ(b.ListViewBin.Count(), 2u);
        b.CmdEmpty.RaiseClick();
        EXPECT_EQ(b.ListViewBin.Count(), 0u);
        b.CmdRestore.RaiseClick();
    });
    EXPECT_EQ(boxTexts(),
              (Texts{"“其它”分类中已有帐号名称为“a”、用户名为“amy”的帐号,不能恢复。\n\n该帐号仍保留在回收站中。请先修改或删除现有的帐号,再恢复它。",
                     "确定要彻底删除该帐号吗?删除后将无法恢复。", "确定要彻底删除该帐号吗?删除后将无法恢复。",
                     "确定要清空回收站吗?其中的帐号将无法恢复。", "确定要清空回收站吗?其中的帐号将无法恢复。", "回收站是空的!"}));
    EXPECT_EQ(listed(), Texts{"其它/A"});
}

TEST_F(RecycleBinForms, TheLoginLetsGoOfWhatWaitedLongerThanTheUsersDays) {
    struct Row {
        const char* days;  // the stored option; nullptr: never set
        int64_t waited;    // seconds since the delete
        bool gone;
    };
    const int64_t day = 86400;
    const Row rows[] = {{nullptr, 30 * day, false}, {nullptr, 30 * day + 1, true}, {"7", 7 * day, false},
                        {"7", 8 * day, true},       {"0", 5000 * day, false},      {"-3", 31 * day, true},
                        {"abc", 29 * day, false}};
    registerUser("amy", "secret1");
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.days ? r.days : "unset") + ", waited " + std::to_string(r.waited));
        FrmMain& main = logInAgain("amy");
        app->DbConn.Execute("delete from UserOptions; delete from RecycleBin");
        if (r.days) app->Options.Set(qm::app::kRecycleBinDaysOption, r.days);
        addAccount("其它", "old", "amy", "p");
        const int64_t deleted = host.os.nowUtc;
        selectInMain("old");
        main.CmdDel.RaiseClick();
        restart();
        host.os.nowUtc = deleted + r.waited;
        logInAgain("amy");
        EXPECT_EQ(one("SELECT count(*) FROM RecycleBin"), r.gone ? "0" : "1");
        restart();
    }
}

TEST_F(RecycleBinForms, TheSettingsKeepTheBinsDaysAndRefuseWhatIsNoNumberOfDays) {
    struct Row {
        const char* typed;
        const char* said;   // "" when saved
        const char* saved;  // the option afterwards
    };
    const char* range = "回收站保留天数请输入0到3650之间的整数!";
    const Row rows[] = {{"7", "", "7"},           {"0", "", "0"},         {"3650", "", "3650"}, {"3651", range, "30"},
                        {"99999", range, "30"},   {"-1", "请输入正确天数!", "0"}, {"1x", "请输入正确天数!", "0"}};  // emptied as typed: an empty box keeps for ever
    logIn("amy");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        app->DbConn.Execute("delete from UserOptions where Name = 'RecycleBinDays'");
        host.os.boxes.clear();
        host.OnModal<FrmSetting>("FrmSetting", [&](FrmSetting& f) {
            EXPECT_EQ(f.TxtBinDays.Text(), "30");
            f.TxtBinDays.UserSetText(r.typed);
            f.CmdOK.RaiseClick();
            if (f.IsLoaded()) f.CmdCancel.RaiseClick();
        });
        forms->Main().CmdSet.RaiseClick();
        EXPECT_EQ(boxTexts(), *r.said ? Texts{r.said} : Texts{});
        EXPECT_EQ(std::to_string(qm::app::RecycleBinDays(*app)), r.saved);
    }
}

TEST_F(RecycleBinForms, ARestoreBringsTheBackupUsersBinAndHistorySealedForAProtectedUser) {
    app->Secrets.Cost = {1, 64 * 1024};
    registerUser("bob", "bobpass1");
    FrmMain& main = logIn("bob", "bobpass1");
    addAccount("其它", "gone", "b0b", "bobs-secret");
    const std::string guid = one("SELECT AccountGuid FROM AccountData");
    const std::string stored = one("SELECT AccountPassword FROM AccountData");
    app->DbConn.Execute("insert into AccountHistory(UserName, AccountGuid, AccountName, AccountPassword) values('bob', '" +
                        guid + "', 'gone', '" + stored + "')");
    selectInMain("gone");
    main.CmdDel.RaiseClick();
    app->DbConn.Execute("insert into RemovedAccounts values('bob', '" + std::string(32, 'b') + "', 77)");
    const std::string backup = dir.file("backup.dat");
    ASSERT_TRUE(app->BackupDatabase(backup, true));
    restart();

    registerUser("amy", "secret1");
    logIn("amy");
    const qm::vault::Proven proven = app->Secrets.Prove(app->DbConn, app->RsUser, "secret1");
    qm::vault::SwitchOn(app->DbConn, app->RsUser, app->Secrets, proven, "secret1");
    ASSERT_TRUE(app->Secrets.Protected());
    app->DbConn.Execute("insert into RemovedAccounts values('amy', '" + std::string(32, 'a') + "', 88)");
    host.os.chosenFiles = {backup};
    host.OnModal<qm::forms::FrmResumeData>("FrmResumeData", [](qm::forms::FrmResumeData& d) {
        d.CbUser.SetListIndex(0);
        d.TxtPass.SetText("bobpass1");
        d.CmdResume.RaiseClick();
    });
    host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdResume.RaiseClick(); });
    forms->Main().CmdTool.RaiseClick();

    for (const char* table : {"RecycleBin", "AccountHistory"}) {
        SCOPED_TRACE(table);
        const std::string now = one(std::string("SELECT AccountPassword FROM ") + table + " WHERE UserName = 'amy'");
        EXPECT_NE(now, stored) << "sealed in amy's form";
        const auto plain = app->Secrets.Open(qm::vault::Field::AccountPassword, now, guid);
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->view(), "bobs-secret");
    }
    EXPECT_EQ(one("SELECT group_concat(RemovedTime) FROM RemovedAccounts WHERE UserName = 'amy'"), "77")
        << "the records of erased accounts agree with the accounts restored";
    inBin([](FrmRecycleBin& b) {
        ASSERT_EQ(b.ListViewBin.Count(), 1u);
        b.CmdRestore.RaiseClick();
    });
    EXPECT_EQ(listed(), Texts{"其它/gone"});
}

TEST_F(RecycleBinForms, AnAccountInTheBinIsInNoOtherViewOfTheBook) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "hidden mail", "amy", "p");
    addAccount("其它", "shown mail", "amy", "p");
    selectInMain("hidden mail");
    main.CmdDel.RaiseClick();
    main.TxtFindData.UserSetText("mail");
    EXPECT_EQ(listed(), Texts{"其它/shown mail"}) << "quick find";
    main.TxtFindData.UserSetText("");
    host.OnModal<qm::forms::FrmFind>("FrmFind", [](qm::forms::FrmFind& f) {
        f.TxtAccountName.SetText("hidden mail");
        f.CmdSave.RaiseClick();
    });
    main.CmdFind.RaiseClick();
    EXPECT_EQ(listed(), Texts{}) << "find dialog";
    const qm::transfer::Book book = qm::transfer::ReadBook(app->DbConn, "amy");
    EXPECT_EQ(book.keys.count(qm::transfer::AccountKey("其它", "hidden mail", "amy")), 0u) << "import's duplicates";
    EXPECT_EQ(book.keys.count(qm::transfer::AccountKey("其它", "shown mail", "amy")), 1u);
    qm::transfer::SecretSeal seal;
    seal.Open = [](qm::transfer::SecretField, std::string_view stored, std::string_view) { return std::optional<std::string>(stored); };
    qm::transfer::ExportResult result;
    const auto bytes = qm::transfer::ExportBytes(app->DbConn, "amy", seal, result);
    EXPECT_EQ(result.written, 1u) << "export";
    EXPECT_EQ(std::string_view(bytes.data(), bytes.size()).find("hidden"), std::string_view::npos);
}

// The sync from the user's side: the sync file chosen in the settings,
// "立即同步" and its result dialog, the login's sync and the minute's look
// at the file, the lock, the exit and the other password's dialog. A second
// program over a data file of its own stands for the other PC.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Sync.h"
#include "forms/FrmLoosenLock.h"
#include "forms/FrmSetting.h"
#include "forms/FrmSyncPassword.h"
#include "forms/FrmSyncResult.h"
#include "forms/FrmVerifyPassword.h"
#include "platform/files.h"
#include "support/tray_fixture.h"
#include "sync/SyncFile.h"
#include "vault/Protection.h"

using qm::app::SyncWhen;
using qm::forms::FrmSetting;
using qm::forms::FrmSyncPassword;
using qm::forms::FrmSyncResult;

namespace {

constexpr qm::vault::DerivationCost kCheap{1, 64 * 1024};

void cheap(qm::app::AppContext& app) {
    app.Secrets.Cost = kCheap;
    app.SyncSession.Cost = kCheap;
    app.SyncSession.InUseWaitMs = 100;
}

// The other PC: the same user with a book of its own, syncing without windows.
struct OtherPc : qm::test::AppTest {
    using AppTest::addAccount;
    using AppTest::forms;
    void TestBody() override {}
    OtherPc(const std::string& file, const std::string& password = "secret1") {
        cheap(*app);
        logIn("ada", password);
        app->Options.Set(qm::app::kSyncFileOption, file);
        app->SyncSession.LoggedIn(password);  // as a login with the file set does
    }
    qm::app::SyncOutcome sync(const qm::app::AskSyncPassword& ask = {}) {
        return qm::app::RunSync(*app, host.os, SyncWhen::Now, ask);
    }
};

class SyncFormsTest : public qm::test::TrayTest {
protected:
    SyncFormsTest() {
        cheap(*app);
        file = qm::store::PathIn(qm::test::Utf8(shared.path()), "Quillmere-同步.dat");
        // A sync file chosen after the login asks for the login password once.
        host.OnModal<qm::forms::FrmVerifyPassword>("FrmVerifyPassword", [this](qm::forms::FrmVerifyPassword& v) {
            ++verified;
            v.TxtPwd.SetText(loginPassword);
            v.CmdOK.RaiseClick();
        });
    }
    void settings(std::function<void(FrmSetting&)> script) {
        host.OnModal<FrmSetting>("FrmSetting", std::move(script));
        main().CmdSet.RaiseClick();
    }
    void chooseSyncFile(const std::string& path) {
        settings([&](FrmSetting& f) {
            f.TxtSyncFile.SetText(path);
            f.CmdOK.RaiseClick();
        });
    }
    // "立即同步" in the tools dialog: the result dialog's rows, "方向|帐号名称|改动|冲突", and its summary.
    std::vector<std::string> syncNow(std::string* summary = nullptr) {
        std::vector<std::string> rows;
        host.OnModal<FrmSyncResult>("FrmSyncResult", [&](FrmSyncResult& r) {
            for (size_t i = 0; i < r.ListViewChanges.Count(); ++i) {
                std::string row;
                for (size_t c = 0; c < 4; ++c) row += (c ? "|" : "") + r.ListViewChanges.CellText(i, c);
                rows.push_back(row);
            }
            if (summary) *summary = r.lblSummary.Caption();
            r.CmdClose.RaiseClick();
        });
        host.OnModal<qm::forms::FrmTool>("FrmTool", [](qm::forms::FrmTool& t) { t.CmdSync.RaiseClick(); });
        main().CmdTool.RaiseClick();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    std::vector<std::string> listed() {
        std::vector<std::string> names;
        for (size_t i = 0; i < main().ListViewUser.Count(); ++i) names.push_back(main().ListViewUser.CellText(i, 1));
        std::sort(names.begin(), names.end());
        return names;
    }

    qm::test::TempDir shared;
    std::string file;
    std::string loginPassword = "secret1";
    int verified = 0;
};

}  // namespace

TEST_F(SyncFormsTest, TheSettingsKeepASyncFileAndRefuseTheDataFileItsJournalAndAFolder) {
    logIn("ada");
    EXPECT_FALSE(app->SyncSession.HasLoginPassword()) << "a user who does not sync leaves no password in memory";
    const struct {
        std::string typed, kept;  // kept: what the option holds after OK ("-" refused: it stays as it was)
    } rows[] = {
        {app->DataFilePath(), "-"},
        {app->DataFilePath() + "-journal", "-"},
        {qm::test::Utf8(shared.path()), "-"},
        {"  " + file + " ", file},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        app->Options.Set(qm::app::kSyncFileOption, "before.dat");
        host.os.boxes.clear();
        bool open = false;
        int page = -1;
        settings([&](FrmSetting& f) {
            EXPECT_EQ(f.TxtSyncFile.Text(), "before.dat");
            f.TxtSyncFile.SetText(row.typed);
            f.CmdOK.RaiseClick();
            open = f.IsLoaded();
            page = f.CurrentPage;
            if (open) f.CmdCancel.RaiseClick();
        });
        const bool refused = row.kept == "-";
        EXPECT_EQ(qm::app::SyncFilePath(*app), refused ? "before.dat" : row.kept);
        EXPECT_EQ(open, refused) << "a refused path keeps the dialog open";
        if (refused) {
            EXPECT_EQ(page, 4) << "on the page of the box";
            ASSERT_EQ(host.os.boxes.size(), 1u);
        } else {
            EXPECT_TRUE(host.os.boxes.empty());
        }
    }

    EXPECT_EQ(verified, 1) << "the login password asked once, when the first file was kept";
    EXPECT_TRUE(app->SyncSession.HasLoginPassword());

    // Asked again after a lock wiped it; a wrong or cancelled answer keeps nothing.
    app->SyncSession.Forget();
    host.OnModal<qm::forms::FrmVerifyPassword>("FrmVerifyPassword", [](qm::forms::FrmVerifyPassword& v) { v.CmdCancel.RaiseClick(); });
    app->Options.Set(qm::app::kSyncFileOption, "");
    settings([&](FrmSetting& f) {
        f.TxtSyncFile.SetText(file);
        f.CmdOK.RaiseClick();
        EXPECT_TRUE(f.IsLoaded());
        f.CmdCancel.RaiseClick();
    });
    EXPECT_EQ(qm::app::SyncFilePath(*app), "") << "not kept without the password";
    EXPECT_FALSE(app->SyncSession.HasLoginPassword());

    // "浏览..." asks for a file to join, not to replace.
    settings([&](FrmSetting& f) {
        host.os.chosenFiles = {file, app->DataFilePath()};
        f.CmdSyncBrowse.RaiseClick();
        EXPECT_EQ(f.TxtSyncFile.Text(), file);
        const auto& dialog = host.os.fileDialogs.back();
        EXPECT_EQ(dialog.kind, "save");
        EXPECT_EQ(dialog.title, "选择同步文件");
        EXPECT_EQ(dialog.defaultName, "Quillmere-同步.dat");
        EXPECT_FALSE(dialog.askToReplace);
        host.os.boxes.clear();
        f.CmdSyncBrowse.RaiseClick();
        EXPECT_EQ(f.TxtSyncFile.Text(), file) << "the data file is refused";
        EXPECT_EQ(host.os.boxes.size(), 1u);
        f.CmdCancel.RaiseClick();
    });
}

TEST_F(SyncFormsTest, SyncNowShowsEveryChangeOnBothSidesAndTheListGainsTheOtherPcsAccount) {
    logIn("ada");
    host.os.boxes.clear();
    syncNow();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"请先在“设置”的“其它”页中选择同步文件。"});

    addAccount("邮箱帐号", "家里邮箱", "ada", "Home#2024");
    {
        OtherPc office(file);
        office.addAccount("游戏帐号", "公司游戏", "ada_w", "Work#2024");
        EXPECT_EQ(office.sync().Result, qm::app::SyncOutcome::Synced);
    }
    chooseSyncFile(file);
    host.os.boxes.clear();
    std::string summary;
    EXPECT_EQ(syncNow(&summary), (std::vector<std::string>{"同步文件|家里邮箱|新增|", "本机|公司游戏|新增|"}));
    EXPECT_EQ(summary, "同步完成: 新增 2,更新 0,删除 0,冲突 0");
    EXPECT_EQ(listed(), (std::vector<std::string>{"公司游戏", "家里邮箱"})) << "the window shows what came";
    EXPECT_TRUE(host.os.boxes.empty());

    syncNow();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"同步完成,没有需要同步的改动。"});
}

TEST_F(SyncFormsTest, TheLoginSyncsOnceTheWindowShowsThenOnlyAMovedFileIsSyncedAndNeverWhileLocked) {
    OtherPc office(file);
    office.addAccount("游戏帐号", "公司游戏", "ada_w", "Work#2024");
    office.sync();
    registerUser("ada", "secret1");
    const std::string user = "ada";
    qm::store::UserOptions(app->DbConn, user).Set(qm::app::kSyncFileOption, file);
    logInAgain("ada");
    ASSERT_TRUE(main().TimerSync.Enabled());
    EXPECT_EQ(main().TimerSync.Interval(), qm::forms::FrmMain::kFirstSyncMs);
    EXPECT_TRUE(listed().empty()) << "nothing before the window is drawn";

    main().TimerSync.RaiseTick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"同步完成: 新增 1,更新 0,删除 0,冲突 0"});
    EXPECT_EQ(listed(), std::vector<std::string>{"公司游戏"});
    EXPECT_EQ(main().TimerSync.Interval(), qm::forms::FrmMain::kSyncLookMs);
    // A sync that changes nothing repeats nothing of the last one.
    host.os.boxes.clear();
    main().SyncBook(SyncWhen::FileChanged);
    EXPECT_TRUE(host.os.boxes.empty());

    // The minute's look: nothing moved, nothing happens.
    host.os.boxes.clear();
    const int derived = app->SyncSession.Derivations();
    main().TimerSync.RaiseTick();
    EXPECT_TRUE(host.os.boxes.empty());

    // The office changes the file; locked, the program leaves it alone.
    office.addAccount("游戏帐号", "公司邮箱", "ada_m", "Mail#2024");
    office.sync();
    minimise();
    chooseFromTray("mnuLock");
    ASSERT_TRUE(main().IsLock());
    EXPECT_FALSE(app->SyncSession.Key()) << "the lock wipes the sync file's key";
    main().TimerSync.RaiseTick();
    EXPECT_EQ(listed(), std::vector<std::string>{"公司游戏"});

    // Unlocked, the next look takes it; in the tray, the icon's tip says so.
    leftClickIcon();
    forms->LoosenLock().ThenShowMain = false;
    forms->LoosenLock().TxtPwd.SetText("secret1");
    forms->LoosenLock().CmdUntie.RaiseClick();
    ASSERT_FALSE(main().IsLock());
    host.os.boxes.clear();
    main().TimerSync.RaiseTick();
    EXPECT_EQ(listed(), (std::vector<std::string>{"公司游戏", "公司邮箱"}));
    EXPECT_TRUE(host.os.boxes.empty()) << "hidden in the tray, no message";
    EXPECT_EQ(tray.tip, "Quillmere - 同步完成: 新增 1,更新 0,删除 0,冲突 0");
    EXPECT_EQ(app->SyncSession.Derivations(), derived + 1) << "one derivation after the unlock, none for the looks";
}

TEST_F(SyncFormsTest, TheExitTakesThisSessionsChangesToTheSyncFileBeforeTheDataFileCloses) {
    logIn("ada");
    chooseSyncFile(file);
    syncNow();
    addAccount("邮箱帐号", "家里邮箱", "ada", "Home#2024");
    host.os.answers = {qm::platform::vbYes};
    main().CmdQuit.RaiseClick();
    ASSERT_FALSE(main().IsLoaded());

    OtherPc office(file);
    EXPECT_EQ(office.sync().Result, qm::app::SyncOutcome::Synced);
    office.forms->Main().RequeryData();
    EXPECT_EQ(office.forms->Main().ListViewUser.Count(), 1u);
}

TEST_F(SyncFormsTest, AnotherPasswordIsAskedInItsDialogAndCancelWritesNothing) {
    {
        OtherPc office(file, "office1");
        office.addAccount("游戏帐号", "公司游戏", "ada_w", "Work#2024");
        office.sync();
    }
    logIn("ada", "secret1");
    chooseSyncFile(file);
    const std::vector<unsigned char> before = qm::platform::ReadWholeFile(file);

    int asked = 0;
    host.OnModal<FrmSyncPassword>("FrmSyncPassword", [&](FrmSyncPassword& d) {
        ++asked;
        EXPECT_EQ(d.lblTips.Caption(), "同步文件的登录密码与本机不同,请输入同步文件的登录密码:");
        EXPECT_EQ(d.TxtPwd.PasswordChar(), '*');
        d.CmdOK.RaiseClick();
        EXPECT_EQ(host.os.boxes.back().text, "请输入密码!");
        EXPECT_EQ(d.ActiveControl(), &d.TxtPwd) << "back in the empty box";
        EXPECT_TRUE(d.IsLoaded());
        d.CmdCancel.RaiseClick();
    });
    host.os.boxes.clear();
    syncNow();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(qm::platform::ReadWholeFile(file), before) << "cancel leaves the sync file";
    EXPECT_TRUE(listed().empty());

    // Asked once a login; the next login asks again, and the typed password opens the file.
    main().Unload();
    restart();
    cheap(*app);
    logInAgain("ada", "secret1");
    host.OnModal<FrmSyncPassword>("FrmSyncPassword", [&](FrmSyncPassword& d) {
        ++asked;
        d.TxtPwd.SetText("office1");
        d.CmdOK.RaiseClick();
    });
    syncNow();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(listed(), std::vector<std::string>{"公司游戏"});
}

TEST_F(SyncFormsTest, ANewPasswordHereSealsTheSyncFileUnderItAtTheNextSync) {
    logIn("ada", "secret1");
    chooseSyncFile(file);
    syncNow();
    host.OnModal<qm::forms::FrmTool>("FrmTool", [](qm::forms::FrmTool& t) { t.CmdEditPassword.RaiseClick(); });
    host.OnModal<qm::forms::FrmUser>("FrmUser", [](qm::forms::FrmUser& u) {
        u.TxtoldPwd.SetText("secret1");
        u.TxtNewPwd.SetText("newpass2");
        u.TxtVerifyPwd.SetText("newpass2");
        u.CmdOK.RaiseClick();
    });
    main().CmdTool.RaiseClick();
    addAccount("邮箱帐号", "家里邮箱", "ada", "Home#2024");
    syncNow();
    const std::vector<unsigned char> bytes = qm::platform::ReadWholeFile(file);
    const std::string sealed(bytes.begin(), bytes.end());
    EXPECT_EQ(qm::sync::ReadSyncFile(sealed, "secret1").Result, qm::vault::SyncOpen::WrongPassword);
    EXPECT_EQ(qm::sync::ReadSyncFile(sealed, "newpass2").Result, qm::vault::SyncOpen::Opened);
}

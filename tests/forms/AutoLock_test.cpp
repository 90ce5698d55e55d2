// The automatic lock, the unlock dialog and every way back to the window
// while the program is locked.
#include <gtest/gtest.h>

#include "app/Settings.h"
#include "support/heap_watch.h"
#include "support/tray_fixture.h"
#include "vault/Protection.h"

using qm::forms::FrmLoosenLock;
using qm::forms::FrmMain;

namespace {

class AutoLockTest : public qm::test::TrayTest {};

}  // namespace

TEST_F(AutoLockTest, LocksAfterExactlyTheSetMinutesMinimised) {
    FrmMain& w = logIn("amy");  // the default is 5 minutes
    minimise();
    wait(4);
    EXPECT_FALSE(w.IsLock());
    wait(1);
    EXPECT_TRUE(w.IsLock());
    EXPECT_FALSE(w.TimerAutoLock.Enabled());
    EXPECT_FALSE(menu().mnuSet.Enabled());
    EXPECT_FALSE(menu().mnuAbout.Enabled());
    EXPECT_TRUE(menu().mnuShowmain.Enabled());
    EXPECT_FALSE(w.Visible()) << "locking shows nothing";
    EXPECT_TRUE(tray.shown);
    EXPECT_TRUE(host.os.boxes.empty());
}

TEST_F(AutoLockTest, ZeroOrNoSettingNeverLocks) {
    FrmMain& w = logIn("amy");
    setLockTime(0);
    minimise();
    wait(2000);
    EXPECT_FALSE(w.IsLock());
    setLockTime(nullptr);
    wait(10);
    EXPECT_FALSE(w.IsLock());
    EXPECT_TRUE(w.TimerAutoLock.Enabled());
}

TEST_F(AutoLockTest, RestoringStopsTheCountAndMinimisingStartsItAgain) {
    FrmMain& w = logIn("amy");
    minimise();
    wait(4);
    leftClickIcon();
    EXPECT_TRUE(w.Visible());
    EXPECT_FALSE(w.TimerAutoLock.Enabled());
    wait(10);  // the window is shown: no minute counts
    EXPECT_FALSE(w.IsLock());

    minimise();
    wait(4);
    EXPECT_FALSE(w.IsLock()) << "the count started again from 0";
    wait(1);
    EXPECT_TRUE(w.IsLock());
}

TEST_F(AutoLockTest, TheSettingIsReadAtEveryMinute) {
    FrmMain& w = logIn("amy");
    minimise();
    wait(3);
    setLockTime(4);  // raised from the tray's settings while minimised: applies at once
    wait(1);
    EXPECT_TRUE(w.IsLock());
}

TEST_F(AutoLockTest, ASettingLoweredBelowTheCountWaitsForTheNextMinimise) {
    FrmMain& w = logIn("amy");
    minimise();
    wait(3);
    setLockTime(2);
    wait(100);
    EXPECT_FALSE(w.IsLock());
    leftClickIcon();
    minimise();
    wait(2);
    EXPECT_TRUE(w.IsLock());
}

TEST_F(AutoLockTest, UnlockDialogChecksTheLoginPassword) {
    FrmMain& w = logIn("amy", "密码是中文的");  // six characters, eighteen bytes
    minimise();
    chooseFromTray("mnuLock");
    host.os.boxes.clear();
    leftClickIcon();
    ASSERT_TRUE(unlockDialogOpen());
    FrmLoosenLock& d = forms->LoosenLock();
    EXPECT_EQ(d.Caption(), "解锁 --- 当前用户:amy");
    EXPECT_EQ(d.lblTips.Caption(), "密码管理器已锁定,请输入登录密码解锁!");
    EXPECT_EQ(d.TxtPwd.PasswordChar(), '*');
    EXPECT_FALSE(w.Visible());

    d.TxtPwd.SetText("密码是中文");  // five characters, however many bytes
    d.CmdUntie.RaiseClick();
    d.TxtPwd.SetText("secret1");
    d.CmdUntie.RaiseClick();
    ASSERT_EQ(boxTexts(), (std::vector<std::string>{"密码长度不能小于6位.", "密码错误,请重新输入!"}));
    EXPECT_EQ(host.os.boxes[1].style, qm::platform::vbInformation);
    EXPECT_EQ(host.os.boxes[1].title, "提示");
    EXPECT_TRUE(unlockDialogOpen());
    EXPECT_EQ(d.TxtPwd.Text(), "secret1") << "the typed text stays";
    EXPECT_TRUE(w.IsLock());

    d.CmdCancel.RaiseClick();
    EXPECT_FALSE(unlockDialogOpen());
    EXPECT_TRUE(w.IsLock());
    EXPECT_FALSE(w.Visible());

    leftClickIcon();
    FrmLoosenLock& again = forms->LoosenLock();
    EXPECT_EQ(again.TxtPwd.Text(), "") << "a fresh dialog";
    again.TxtPwd.SetText("密码是中文的");
    again.CmdUntie.RaiseClick();
    EXPECT_FALSE(w.IsLock());
    EXPECT_FALSE(unlockDialogOpen());
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.WindowState(), FrmMain::vbNormal);
    EXPECT_FALSE(tray.shown);
    EXPECT_FALSE(w.TimerAutoLock.Enabled());
    EXPECT_TRUE(menu().mnuSet.Enabled());
    EXPECT_TRUE(menu().mnuAbout.Enabled());
}

TEST_F(AutoLockTest, EveryWayBackAsksForThePasswordWhileLocked) {
    FrmMain& w = logIn("amy");
    minimise();
    wait(5);
    ASSERT_TRUE(w.IsLock());

    leftClickIcon();
    leftClickIcon();  // a second click finds the dialog open: it comes forward, no second one
    EXPECT_TRUE(unlockDialogOpen());
    forms->LoosenLock().CmdCancel.RaiseClick();
    chooseFromTray("mnuShowmain");
    EXPECT_TRUE(unlockDialogOpen());
    EXPECT_FALSE(w.Visible());
    EXPECT_EQ(w.WindowState(), FrmMain::vbMinimized);
    EXPECT_EQ(timesShown("FrmLoosenLock"), 3u);
    EXPECT_EQ(timesShown("FrmMain"), 1u) << "shown once, at the login";

    chooseFromTray("mnuSet");    // greyed: nothing happens
    chooseFromTray("mnuAbout");
    EXPECT_EQ(timesShown("FrmAbout (modal)"), 0u);
    EXPECT_TRUE(host.os.boxes.empty());

    chooseFromTray("mnuQuit");  // quitting needs no password
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"是否退出系统？"});
    EXPECT_FALSE(w.IsLoaded());
    EXPECT_FALSE(unlockDialogOpen());
    EXPECT_FALSE(tray.shown);
    EXPECT_EQ(qm::store::InspectDataFile(app->DataFilePath()), qm::store::FileForm::Enciphered);
}

TEST_F(AutoLockTest, WithoutAnIconTheWindowStaysOnTheTaskbarAndStillLocks) {
    tray.refuse = true;
    FrmMain& w = logIn("amy");
    minimise();
    EXPECT_TRUE(w.Visible()) << "never running with no window and no icon";
    EXPECT_EQ(w.WindowState(), FrmMain::vbMinimized);
    EXPECT_TRUE(w.TimerAutoLock.Enabled());

    wait(5);
    ASSERT_TRUE(w.IsLock());
    w.UserResized(FrmMain::vbNormal);  // restored from its taskbar button
    EXPECT_EQ(w.WindowState(), FrmMain::vbMinimized);
    EXPECT_TRUE(unlockDialogOpen());
    w.UserResized(FrmMain::vbMaximized);
    EXPECT_EQ(w.WindowState(), FrmMain::vbMinimized);

    forms->LoosenLock().TxtPwd.SetText("secret1");
    forms->LoosenLock().CmdUntie.RaiseClick();
    EXPECT_EQ(w.WindowState(), FrmMain::vbNormal);
    EXPECT_TRUE(w.Visible());
}

TEST_F(AutoLockTest, AnIconTheShellLostLeavesTheWindowOnTheTaskbar) {
    FrmMain& w = logIn("amy");
    minimise();
    ASSERT_FALSE(w.Visible());
    tray.Lose();
    EXPECT_TRUE(w.Visible()) << "never running with no window and no icon";
    EXPECT_EQ(w.WindowState(), FrmMain::vbMinimized);
    w.UserResized(FrmMain::vbNormal);  // restored from its taskbar button
    EXPECT_EQ(w.WindowState(), FrmMain::vbNormal);
    minimise();
    EXPECT_TRUE(tray.shown) << "the next minimise tries the icon again";
    EXPECT_FALSE(w.Visible());
}

TEST_F(AutoLockTest, TheIconWaitsWhileOneOfTheWindowsDialogsIsOpen) {
    FrmMain& w = logIn("amy");
    minimise();
    bool popped = false;
    host.OnModal<qm::forms::FrmAbout>("FrmAbout", [&](qm::forms::FrmAbout&) {
        const size_t popups = host.popups.size();
        chooseFromTray("mnuAbout");  // a second about box over the first
        leftClickIcon();
        popped = host.popups.size() != popups;
        EXPECT_FALSE(w.Visible());
        wait(5);  // the minutes still count
    });
    chooseFromTray("mnuAbout");
    EXPECT_EQ(timesShown("FrmAbout (modal)"), 1u);
    EXPECT_FALSE(popped);
    EXPECT_EQ(w.Tag, "0");
    ASSERT_TRUE(w.IsLock());

    leftClickIcon();  // the dialog is closed: the icon answers again
    EXPECT_TRUE(unlockDialogOpen());
}

TEST_F(AutoLockTest, DamagedSettingsFallBackToDefaultsAndStayAsStored) {
    // Values no dialog of the program writes: each one in a run of its own.
    struct Garbage {
        const char* column;
        const char* sql;
    };
    const Garbage cases[] = {
        {"MinLockTime", "'abc'"},         {"MinLockTime", "-3"},           {"ShortcutUser", "'abc|'"},
        {"ShortcutPassword", "'4|999'"},  {"ShortcutURL", "'|'"},          {"Custom1", "'4|'"},
        {"TypeNameWidth", "-1440"},       {"AccountNameWidth", "1e300"},   {"AccountIDWidth", "'abc'"},
        {"AccountPasswordWidth", "-1e300"}, {"URLWidth", "99999999999"},
    };
    registerUser("amy", "secret1");
    // Each case on its own: a failed one must not hide the others.
    const auto check = [&](const Garbage& g) {
        SCOPED_TRACE(std::string(g.column) + " = " + g.sql);
        restart();  // the run before ends first: its end stores the widths its columns had
        app->DbConn.Execute(
            "update sysuser set MinLockTime = 5, ShortcutUser = '4|49', ShortcutPassword = '4|50', ShortcutURL = '4|51', "
            "Custom1 = '4|83', TypeNameWidth = 1440, AccountNameWidth = 1440, AccountIDWidth = 1440, "
            "AccountPasswordWidth = 1440, URLWidth = 2000");
        app->DbConn.Execute("update sysuser set " + std::string(g.column) + " = " + g.sql);
        qm::app::RememberUser(host.os, "ghost");  // a user who no longer exists
        qm::store::Recordset stored;
        stored.Open("select * from sysuser", app->DbConn);
        const qm::store::Value before = stored[g.column].Get();

        qm::forms::FrmLogin& login = forms->Login();
        login.Show();
        EXPECT_EQ(login.CbUser.ListIndex(), -1) << "nobody is preselected";
        login.CbUser.SetText("amy");
        login.TxtPass.SetText("secret1");
        login.CmdLogin.RaiseClick();
        FrmMain& w = main();
        ASSERT_TRUE(w.IsLoaded());
        EXPECT_TRUE(host.os.boxes.empty()) << host.os.boxes.front().text;

        // The window takes the default for the bad value and carries on.
        const std::string column = g.column;
        const auto& columns = w.ListViewUser.Columns();
        for (size_t c = 0; c < 4; ++c) EXPECT_EQ(columns[c].Width, 1440) << c;
        EXPECT_EQ(columns[4].Width, column == "URLWidth" ? 1440 : 2000) << "a good width is kept";
        const char* const hotKeys[] = {"ShortcutUser", "ShortcutPassword", "ShortcutURL", "Custom1"};
        const int keys[] = {49, 50, 51, 83};
        for (size_t k = 0; k < 4; ++k)
            EXPECT_EQ(app->HotKeys.HotKeyTable[k].KeyCode, column == hotKeys[k] ? 0 : keys[k]) << hotKeys[k];
        minimise();
        wait(30);
        EXPECT_EQ(w.IsLock(), column != "MinLockTime") << "the default 5 minutes, or never for a lock time no dialog writes";

        // Nothing rewrote the bad value on its own.
        stored.Requery();
        EXPECT_EQ(stored[g.column].Get(), before);
        host.os.boxes.clear();
    };
    for (const Garbage& g : cases) check(g);
}

namespace {

// Whether the user switched strong protection on.
class LockMemoryTest : public qm::test::TrayTest, public ::testing::WithParamInterface<bool> {};

}  // namespace

TEST_P(LockMemoryTest, ALockedProgramHoldsNoCopyOfTheLoginPasswordAndTheUnlockKnowsItAgain) {
    // Longer than a string's own small buffer: every copy is a block of the heap.
    static constexpr std::string_view password = "锁住以后-Gone-7x";
    app->Secrets.Cost = {1, 64 * 1024};
    qm::test::HeapWatch watch(password);
    host.OnModal<qm::forms::FrmNewUser>("FrmNewUser", [](qm::forms::FrmNewUser& f) {
        f.TxtUser.SetText("amy");
        qm::test::TypeKeyByKey(f.TxtPass, password);
        qm::test::TypeKeyByKey(f.TxtVerifyPass, password);
        f.CmdOK.RaiseClick();
    });
    qm::forms::FrmLogin& login = forms->Login();
    login.Show();
    login.CmdRegNewUser.RaiseClick();
    login.CbUser.SetText("amy");
    qm::test::TypeKeyByKey(login.TxtPass, password);
    login.CmdLogin.RaiseClick();
    ASSERT_TRUE(main().IsLoaded());
    if (GetParam()) {
        const qm::vault::Proven proven = app->Secrets.Prove(app->DbConn, app->RsUser, password);
        qm::vault::SwitchOn(app->DbConn, app->RsUser, app->Secrets, proven, password);
        ASSERT_TRUE(app->Secrets.Protected());
    }
    const std::string stored = app->RsUser["UserPassword"].Text();
    ASSERT_TRUE(app->Secrets.IsLoginPassword(password, stored));

    minimise();
    chooseFromTray("mnuLock");
    ASSERT_TRUE(main().IsLock());
    EXPECT_EQ(watch.FreedCopies(), 0) << "a block went back to the heap with the password in it";
    EXPECT_EQ(watch.LiveCopies(), 0) << "an object still holds the password";
    EXPECT_FALSE(app->Secrets.IsLoginPassword(password, stored)) << "no digest is left to test guesses against";

    leftClickIcon();
    qm::test::TypeKeyByKey(forms->LoosenLock().TxtPwd, password);
    forms->LoosenLock().CmdUntie.RaiseClick();
    ASSERT_FALSE(main().IsLock());
    EXPECT_TRUE(app->Secrets.IsLoginPassword(password, stored)) << "the unlock makes the digest again";
    EXPECT_EQ(watch.FreedCopies(), 0);
    EXPECT_EQ(watch.LiveCopies(), 0) << "the unlock dialog wiped its box";
    EXPECT_FALSE(watch.Overflowed());
}

INSTANTIATE_TEST_SUITE_P(AutoLock, LockMemoryTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Protected" : "FixedKeyForms"; });

#pragma once
// A logged-in program with a notification-area icon that a test can watch,
// refuse, click and let the lock timer run on.
#include <algorithm>

#include "forms/FrmAbout.h"
#include "forms/FrmLoosenLock.h"
#include "forms/FrmMain.h"
#include "forms/FrmTrayMenu.h"
#include "support/app_fixture.h"
#include "tray/ModSystemTray.h"

namespace qm::test {

class TrayTest : public AppTest {
protected:
    TrayTest() { app->Tray = &tray; }

    forms::FrmMain& main() { return forms->Main(); }
    forms::FrmTrayMenu& menu() { return forms->TrayMenu(); }

    void minimise() { main().SetWindowState(forms::FrmMain::vbMinimized); }
    // Lets `minutes` minutes pass: the timer ticks only while it is enabled.
    void wait(int minutes) {
        for (int i = 0; i < minutes; ++i)
            if (main().TimerAutoLock.Enabled()) main().TimerAutoLock.RaiseTick();
    }
    void setLockTime(const store::Value& minutes) {
        app->RsUser["MinLockTime"] = minutes;
        app->RsUser.Update();
    }
    void leftClickIcon() { main().TrayMouse(tray::kLeftButtonUp); }
    // Right-clicks the icon and chooses `item` from the menu (nothing: the menu is closed).
    void chooseFromTray(const std::string& item) {
        host.nextMenuChoice = item;
        main().TrayMouse(tray::kRightButtonUp);
    }
    // Right-clicks the account list and chooses `item`.
    void chooseFromList(const std::string& item) {
        host.nextMenuChoice = item;
        main().ListViewUser_MouseUp(2, 0, 0, 0);
    }
    bool unlockDialogOpen() { return forms->LoosenLock().IsLoaded(); }
    size_t timesShown(const std::string& form) const {
        return static_cast<size_t>(std::count(host.shown.begin(), host.shown.end(), form));
    }

    tray::FakeTrayIcon tray;
};

}  // namespace qm::test

// How long a copied field stays on the clipboard, on the fake clock.
#include <gtest/gtest.h>

#include <sstream>

#include "app/Options.h"
#include "support/tray_fixture.h"

namespace {

class ClipboardTimeout : public qm::test::TrayTest {
protected:
    // One step a word: "c" copy the password, "s7" the setting becomes 7
    // seconds, "w1500" 1.5 s pass (the timer ticking every half second
    // while it runs), "o" another program copies, "h" another program holds
    // the clipboard (again: lets it go), "m" minimise, "r" another program
    // puts the same text back (a clipboard manager), "l" lock from the tray
    // menu, "k" the lock's five minutes pass.
    void play(const std::string& script) {
        std::istringstream words(script);
        for (std::string w; words >> w;) {
            const int n = w[0] == 'w' ? std::stoi(w.substr(1)) : 0;
            switch (w[0]) {
                case 'c': chooseFromList("mnuCopyPwd"); break;
                case 's': app->Options.Set(qm::app::kClipboardSecondsOption, w.substr(1)); break;
                case 'o': host.os.OtherProgramCopies("other"); break;
                case 'h': host.os.clipboardHeld = !host.os.clipboardHeld; break;
                case 'm': minimise(); break;
                case 'r': host.os.OtherProgramCopies(host.os.clipboard); break;
                case 'l': chooseFromTray("mnuLock"); break;
                case 'k': wait(5); break;
                case 'w':
                    for (int t = 0; t < n; t += 500) {
                        host.os.milliseconds += 500;
                        if (main().TimerClipboard.Enabled()) main().TimerClipboard.RaiseTick();
                    }
                    break;
            }
        }
    }
};

}  // namespace

TEST_F(ClipboardTimeout, EmptiedWhenTheTimeIsUpOnlyIfStillOurs) {
    const struct {
        const char* script;
        const char* clipboard;  // what it holds at the end
        const char* tip;        // the icon's tip at the end ("" no icon)
    } rows[] = {
        {"c w9500", "pw1", ""},
        {"c w10000", "", ""},  // the default is ten seconds
        {"c w5000 o w10000", "other", ""},
        {"c w6000 c w6000", "pw1", ""},  // a new copy counts from the start
        {"c w6000 c w10000", "", ""},
        {"s0 c w100000", "pw1", ""},
        {"sx c w10000", "", ""},  // a damaged setting counts as the default
        {"s3 c m w1000", "pw1", "Quillmere - 剪贴板将在 2 秒后清空"},
        {"s3 c m w3000", "", "Quillmere"},
        {"s3 c m o w500", "other", "Quillmere"},
        {"m", "", "Quillmere"},
        {"c w5000 h w10000", "pw1", ""},  // held when the time is up: tried again...
        {"c w5000 h w10000 h w500", "", ""},  // ...until it is let go
        {"h c h w10000", "", ""},            // nothing copied, nothing to wait for
        {"c w5000 r w5000", "", ""},         // the same text put back is still ours
        {"c r o w10000", "other", ""},
        {"s3 c m r w500", "pw1", "Quillmere - 剪贴板将在 3 秒后清空"},
        {"c m l", "", "Quillmere"},          // the lock takes the copy with it
        {"s0 c m k", "", "Quillmere"},       // a kept one too
        {"s0 c r m l", "", "Quillmere"},
        {"c m o l", "other", "Quillmere"},   // not ours: left alone
        {"s0 c o m k", "other", "Quillmere"},
        {"c m h l", "pw1", "Quillmere"},     // held at the lock: tried again...
        {"c m h l h w500", "", "Quillmere"},  // ...until it is let go
        {"s0 c m h l h w500", "", "Quillmere"},
        {"m l", "", "Quillmere"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.script);
        restart();
        app->Tray = &tray;
        tray.shown = false;
        logIn("amy" + std::to_string(&r - rows));
        addAccount("其它", "论坛", "amy", "pw1");
        main().ListViewUser.Select(0);
        host.os.clipboard.clear();
        play(r.script);
        EXPECT_EQ(host.os.clipboard, r.clipboard);
        EXPECT_EQ(tray.shown ? tray.tip : "", r.tip);
        host.os.clipboardHeld = false;
    }
}

TEST_F(ClipboardTimeout, TheEndTakesAWaitingCopyWithIt) {
    for (const bool clearAtExit : {false, true})
        for (const char* script : {"c", "c o", "s0 c"}) {
            SCOPED_TRACE(std::string(script) + (clearAtExit ? " cleared at exit" : ""));
            restart();
            logIn("amy");
            addAccount("其它", "论坛", "amy", "pw1");
            main().ListViewUser.Select(0);
            app->RsUser["ClearClipboard"] = clearAtExit;
            app->RsUser.Update();
            play(script);
            const std::string before = host.os.clipboard;
            main().CmdQuit_Click();
            // Only the exit's own setting empties what is no longer ours, or a copy kept for good.
            EXPECT_EQ(host.os.clipboard, clearAtExit || (before == "pw1" && std::string(script) == "c") ? "" : before);
        }
}

TEST_F(ClipboardTimeout, TheIconNeverPromisesASecondLessThanTheCopyStays) {
    logIn("amy");
    addAccount("其它", "论坛", "amy", "pw1");
    main().ListViewUser.Select(0);
    app->Options.Set(qm::app::kClipboardSecondsOption, "3");
    minimise();
    const uint64_t copied = host.os.milliseconds;
    chooseFromList("mnuCopyPwd");
    // Milliseconds after the copy, and the seconds the tip then names (0: the copy is gone).
    const std::pair<uint64_t, int> rows[] = {{1, 3}, {500, 3}, {999, 3}, {1000, 2}, {1001, 2},
                                             {2000, 1}, {2999, 1}, {3000, 0}};
    for (const auto& [after, seconds] : rows) {
        SCOPED_TRACE(after);
        host.os.milliseconds = copied + after;
        main().TimerClipboard.RaiseTick();
        EXPECT_EQ(tray.tip, seconds ? "Quillmere - 剪贴板将在 " + std::to_string(seconds) + " 秒后清空" : "Quillmere");
        EXPECT_EQ(host.os.clipboard, seconds ? "pw1" : "");
    }
}

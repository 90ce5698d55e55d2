// The hot keys: the hook's decisions over sequences of key events, and what
// the main window does with them.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "support/tray_fixture.h"
#include "tray/Mod_KeyHOOK.h"

using qm::platform::KeyStroke;
using qm::tray::HookVerdict;
using qm::tray::KeyboardHookProc;
using qm::tray::ModShortcut;

namespace {

constexpr int kLShift = 160, kLCtrl = 162, kRCtrl = 163, kLAlt = 164, kRAlt = 165;

// The table, and a system whose key state holds exactly the keys pressed
// and not yet released, as the hook saw them.
struct Keys : ModShortcut {
    std::set<int> held;
};

// The defaults of a new user: Alt+1, Alt+2, Alt+3 type; Alt+S is the boss key.
Keys defaults() {
    Keys keys;
    keys.InitHotKeyTable(3);
    keys.LoadHotKeys({"4|49", "4|50", "4|51", "4|83"});
    keys.HotKeyTable[3].ActionText = qm::tray::kBossKeyAction;
    return keys;
}

HookVerdict press(Keys& keys, int vk, bool isDown) {
    if (isDown) keys.held.insert(vk);
    else keys.held.erase(vk);
    return KeyboardHookProc(keys, KeyStroke{vk, isDown}, [&keys](int v) { return keys.held.count(v) != 0; });
}
HookVerdict down(Keys& keys, int vk) { return press(keys, vk, true); }
HookVerdict up(Keys& keys, int vk) { return press(keys, vk, false); }

// Plays a story of key events against the system's own key state, which the
// program's typing changes as Windows does and the hook does not always see:
//   A+ A- Alt pressed, released; A~ Alt released unseen (on the secure desktop);
//   R the right Alt likewise; 2+ 2 pressed (again: a repeat), 2- released, 2 both;
//   2/ the typing 2 asks for put off until T; * an account chosen; 0 the texts cleared;
//   ! the session locked or the desktop switched; F another window came to the front;
//   L the program locked, U unlocked.
// Returns what each press of a key other than a modifier did:
//   t typed, b boss key, u swallowed to ask for the unlock, s swallowed only,
//   . passed on to the user's program;
// and ^ for a modifier's event that was swallowed.
std::string play(const std::string& script) {
    Keys keys = defaults();
    std::set<int>& held = keys.held;
    const qm::tray::KeyHeldQuery system = [&](int vk) { return held.count(vk) != 0; };
    std::istringstream in(script);
    std::string did;
    for (std::string t; in >> t;) {
        if (t == "*" || t == "0") {
            keys.SetHotKeyTexts(t == "*" ? std::array<std::string, 3>{"amy", "pw", "url"} : std::array<std::string, 3>{});
            continue;
        }
        if (t == "!" || t == "F" || t == "L" || t == "U") {
            if (t == "!") qm::tray::ForgetHeldKeys(keys);
            else if (t == "F") qm::tray::ForegroundChanged(keys);
            else keys.Locked = t == "L";
            continue;
        }
        const int vk = t[0] == 'A' ? kLAlt : t[0] == 'R' ? kRAlt : t[0];
        const auto type = [&] {
            for (int m = 160; m <= 165; ++m) held.erase(m);  // typing lets go of the modifiers
            qm::tray::Typed(keys);
        };
        if (t == "T") {
            for (int n = keys.TypingsPending; n > 0; --n) type();
            continue;
        }
        const char how = t.size() > 1 ? t[1] : ' ';
        if (how == ' ' || how == '+' || how == '/') {
            held.insert(vk);
            const HookVerdict v = KeyboardHookProc(keys, KeyStroke{vk, true}, system);
            if (vk < 160)
                did += v.What == HookVerdict::Type      ? 't'
                       : v.What == HookVerdict::BossKey ? 'b'
                       : v.What == HookVerdict::Unlock  ? (v.Swallow ? 'u' : '?')
                       : v.Swallow                      ? 's'
                                                        : '.';
            if (v.What == HookVerdict::Type && how != '/') type();
        }
        if (how == ' ' || how == '-' || how == '~' || how == '/') {
            held.erase(vk);
            if (how != '~' && KeyboardHookProc(keys, KeyStroke{vk, false}, system).Swallow) did += '^';
        }
    }
    return did;
}

}  // namespace

TEST(HotKeys, AHeldKeyTypesOncePerPressAndEitherHandsModifierCounts) {
    Keys keys = defaults();
    keys.SetHotKeyTexts({"amy", "p+ss%^~{}()中文", "https://example.org/"});

    EXPECT_FALSE(down(keys, kLAlt).Swallow) << "modifiers always pass";
    HookVerdict v = down(keys, '2');
    EXPECT_TRUE(v.Swallow);
    EXPECT_EQ(v.What, HookVerdict::Type);
    EXPECT_EQ(v.Text, "p+ss%^~{}()中文") << "the text is handed on exactly as stored";
    v = down(keys, '2');  // auto-repeat while held
    EXPECT_TRUE(v.Swallow);
    EXPECT_EQ(v.What, HookVerdict::None) << "a held key acts once";
    EXPECT_FALSE(up(keys, '2').Swallow) << "releases always pass";
    EXPECT_EQ(down(keys, '2').What, HookVerdict::Type) << "pressed again with Alt still held, it types again";
    up(keys, '2');
    up(keys, kLAlt);
    v = down(keys, '2');
    EXPECT_FALSE(v.Swallow) << "without Alt the key is the user's";
    EXPECT_EQ(v.What, HookVerdict::None);
    up(keys, '2');

    down(keys, kRAlt);
    EXPECT_EQ(down(keys, '1').Text, "amy") << "the right Alt works as the left one";
    up(keys, '1');
    down(keys, kRCtrl);
    EXPECT_EQ(down(keys, '3').Text, "https://example.org/") << "another modifier held as well does not matter";
    up(keys, '3');
    up(keys, kRCtrl);
    up(keys, kRAlt);
    EXPECT_EQ(down(keys, '3').What, HookVerdict::None) << "the right Alt's release counts as Alt's";
}

TEST(HotKeys, OnlyAModifierTheSystemAgreesIsHeldFiresAHotKey) {
    const std::pair<const char*, const char*> stories[] = {
        {"* A+ 2 A- 2", "t."},
        {"* A+ A~ 2", "."},  // Alt let go on the secure desktop: a plain 2 is the user's
        {"* A+ A~ S", "."},
        {"* R+ R~ 1", "."},
        {"* A+ A~ 2 A+ 2", ".t"},
        {"* A+ ! 2", "."},
        {"* A+ 2 1 3 A-", "ttt"},  // Alt held over hot keys: typing let go of it, the hand did not
        {"* A+ 2 A- 1", "t."},
        {"* A+ 2 A- A+ A~ 1", "t."},  // the hand's own release ends what typing let go of
        {"* A+ 2 ! 1", "t."},
        {"* A+ 2+ ! 2+ A+ 2+", "t.t"},  // the release of 2 was missed as well
        {"A+ 1+ 1+ 1+ 1-", "..."},      // no account chosen: the repeats are the user's too
        {"* A+ 1 0 1+ 1+", "t.."},
        {"* A+ S+ S+ S- S", "bsb"},
        {"* A+ 2/ A- T 1", "t^."},  // Alt let go before the typing ran is the typing's to let go
        {"* A+ 2/ T A- 1", "t."},
        {"* R+ 2 R- 1", "t."},  // the right Alt
        {"* R+ 2 1 R-", "tt"},
        {"* A+ 2 F A~ 1", "t."},  // Alt let go over an elevated window come to the front
        {"* R+ 2 F R~ 1", "t."},
        {"* A+ F 2", "t"},        // held while another window came forward (Alt+Tab)
        {"* L A+ 2+ 2+ 2- 1 S", "usub"},  // locked: nothing typed, the unlock asked for once a press
        {"L A+ 2", "."},                 // no account chosen: the key is the user's
        {"* L A+ 2 U 2", "ut"},          // unlocked, the account types again
    };
    for (const auto& [script, did] : stories) EXPECT_EQ(play(script), did) << script;
}

TEST(HotKeys, EmptyTextsCapturingAndOtherModifiersLetTheKeyThrough) {
    Keys keys = defaults();
    down(keys, kLAlt);
    HookVerdict v = down(keys, '1');
    EXPECT_FALSE(v.Swallow) << "before an account is chosen Alt+1 reaches the program";
    EXPECT_EQ(v.What, HookVerdict::None);
    up(keys, '1');
    v = down(keys, 'S');
    EXPECT_TRUE(v.Swallow);
    EXPECT_EQ(v.What, HookVerdict::BossKey);
    up(keys, 'S');

    keys.SetHotKeyTexts({"amy", "pw", "url"});
    keys.Capturing = true;
    v = down(keys, '1');
    EXPECT_FALSE(v.Swallow) << "a hot key being captured in the settings is the user's";
    EXPECT_EQ(v.What, HookVerdict::None);
    up(keys, '1');
    keys.Capturing = false;
    up(keys, kLAlt);

    down(keys, kLCtrl);
    EXPECT_EQ(down(keys, '1').What, HookVerdict::None) << "Ctrl is not Alt";
    up(keys, '1');
    up(keys, kLCtrl);
    down(keys, kLShift);
    EXPECT_EQ(down(keys, '1').What, HookVerdict::None) << "nor is Shift";
}

TEST(HotKeys, TextsOfEveryModifierAndDamagedTextsMakeNoStrayHotKey) {
    Keys keys;
    keys.InitHotKeyTable(3);
    keys.LoadHotKeys({"1|65", "2|112", "abc|", "4|999"});
    keys.SetHotKeyTexts({"shift", "ctrl", "bad"});
    EXPECT_EQ(keys.HotKeyTable[0].ModifierKey, 160);
    EXPECT_EQ(keys.HotKeyTable[1].ModifierKey, 162);
    down(keys, 161);  // right Shift
    EXPECT_EQ(down(keys, 'A').Text, "shift");
    down(keys, kLCtrl);
    EXPECT_EQ(down(keys, 112).Text, "ctrl");  // F1
    up(keys, 112);
    up(keys, kLCtrl);
    down(keys, kRCtrl);
    EXPECT_EQ(down(keys, 112).Text, "ctrl") << "the right Ctrl, the only one held, as the left one";

    for (const char* damaged : {"abc|", "4|999", "|", "3|49", "4|", "4|0", "4|-1", " 4|49", "4|49|50", "8|49"}) {
        keys.LoadHotKeys({damaged, "", "", ""});
        EXPECT_EQ(keys.HotKeyTable[0].KeyCode, 0) << damaged;
        EXPECT_EQ(keys.HotKeyTable[0].ModifierKey, 0) << damaged;
    }
}

namespace {

class BossKeyTest : public qm::test::TrayTest {
protected:
    qm::platform::FakeKeyboardHook& keyboard() { return host.os.keyboard; }
    // Alt+S as a hand presses it; true when the S was swallowed.
    bool bossKey() {
        keyboard().Press(kLAlt);
        const bool swallowed = keyboard().Press('S');
        keyboard().Release('S');
        keyboard().Release(kLAlt);
        return swallowed;
    }
};

}  // namespace

TEST_F(BossKeyTest, HidesAndRestoresAsksWhenLockedAndLeavesAnOpenDialogAlone) {
    qm::forms::FrmMain& w = logIn("amy");
    ASSERT_TRUE(keyboard().Installed()) << "the main window's load installs the hook";
    EXPECT_TRUE(bossKey());
    EXPECT_EQ(w.WindowState(), qm::forms::FrmMain::vbMinimized);
    EXPECT_FALSE(w.Visible());
    EXPECT_TRUE(tray.shown);
    EXPECT_TRUE(bossKey());
    EXPECT_EQ(w.WindowState(), qm::forms::FrmMain::vbNormal);
    EXPECT_TRUE(w.Visible());

    bossKey();
    chooseFromTray("mnuLock");
    EXPECT_TRUE(bossKey());
    EXPECT_TRUE(unlockDialogOpen()) << "locked, the way back asks for the password";
    EXPECT_FALSE(w.Visible());
    forms->LoosenLock().TxtPwd.SetText("secret1");
    forms->LoosenLock().CmdUntie.RaiseClick();
    ASSERT_TRUE(w.Visible());

    w.SetWindowState(qm::forms::FrmMain::vbMaximized);
    EXPECT_TRUE(bossKey()) << "swallowed in every case";
    EXPECT_EQ(w.WindowState(), qm::forms::FrmMain::vbMaximized);
    w.SetWindowState(qm::forms::FrmMain::vbNormal);
    bool stayed = false;
    host.OnModal<qm::forms::FrmAbout>("FrmAbout", [&](qm::forms::FrmAbout&) {
        EXPECT_TRUE(bossKey());
        stayed = w.WindowState() == qm::forms::FrmMain::vbNormal && w.Visible();
    });
    w.CmdAbout.RaiseClick();
    EXPECT_TRUE(stayed) << "with one of its dialogs open the window stays";

    w.CmdQuit.RaiseClick();
    EXPECT_FALSE(keyboard().Installed()) << "the program's end removes the hook";
}

TEST_F(BossKeyTest, TheChosenAccountIsTypedAsItIsAfterTheKeyIsAnswered) {
    logIn("amy");
    addAccount("其它", "forum", "amy", "p+ss%^~{}()中文", "https://example.org/");
    main().ListViewUser.Select(0);
    chooseFromList("mnuCopyShortcut");
    keyboard().Press(kLAlt);
    EXPECT_TRUE(keyboard().Press('2'));
    keyboard().Release('2');
    EXPECT_TRUE(keyboard().Press('1'));
    EXPECT_TRUE(keyboard().Press('3'));
    keyboard().Release(kLAlt);
    EXPECT_EQ(keyboard().typed, (std::vector<std::string>{"p+ss%^~{}()中文", "amy", "https://example.org/"}));
    EXPECT_EQ(keyboard().typedWhileAnswering, 0) << "typing waits until the key has been answered";
}

TEST_F(BossKeyTest, AModifierReleasedUnseenOrALockLeavesThePlainKeyToTheUser) {
    logIn("amy");
    keyboard().Press(kLAlt);
    keyboard().ReleaseUnseen(kLAlt);
    EXPECT_FALSE(keyboard().Press('S')) << "the system's own key state is asked";
    keyboard().Release('S');
    keyboard().Press(kLAlt);
    keyboard().GoAway();
    EXPECT_FALSE(keyboard().Press('S')) << "a lock or a desktop switch forgets what was held";
    EXPECT_TRUE(main().Visible());
}

TEST_F(BossKeyTest, LockedTheTypingKeysTypeNothingAndAskForTheUnlockAfterWhichTheyTypeAgain) {
    const struct {
        const char* lock;  // from the tray menu, or the timer
        bool iconAfter;    // the icon clicked while the unlock dialog the hot key asked for is open
    } rows[] = {{"menu", false}, {"timer", false}, {"menu", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.lock) + (r.iconAfter ? " then the icon" : ""));
        restart();
        app->Tray = &tray;
        qm::forms::FrmMain& w = logIn("amy");
        addAccount("其它", "forum", "amy", "pw1");
        w.ListViewUser.Select(0);
        chooseFromList("mnuCopyShortcut");
        minimise();
        if (std::string(r.lock) == "menu") chooseFromTray("mnuLock");
        else for (int minute = 0; minute < 5; ++minute) w.TimerAutoLock.RaiseTick();
        ASSERT_TRUE(w.IsLock());
        keyboard().typed.clear();
        keyboard().Press(kLAlt);
        EXPECT_TRUE(keyboard().Press('2')) << "the key reaches no program";
        keyboard().Release('2');
        keyboard().Release(kLAlt);
        EXPECT_TRUE(keyboard().typed.empty());
        EXPECT_TRUE(unlockDialogOpen());
        if (r.iconAfter) leftClickIcon();
        forms->LoosenLock().TxtPwd.SetText("secret1");
        forms->LoosenLock().CmdUntie.RaiseClick();
        EXPECT_FALSE(w.IsLock());
        EXPECT_EQ(w.Visible(), r.iconAfter) << "after a hot key's unlock the user goes on in the window in front";
        keyboard().Press(kLAlt);
        EXPECT_TRUE(keyboard().Press('2'));
        keyboard().Release('2');
        keyboard().Release(kLAlt);
        EXPECT_EQ(keyboard().typed, std::vector<std::string>{"pw1"});
    }
}

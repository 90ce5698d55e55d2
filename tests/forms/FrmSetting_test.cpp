// The settings dialog: what it shows, how the hot-key boxes take keys, the
// number boxes, the backup file, and what OK and Cancel keep.
#include "forms/FrmSetting.h"

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "support/app_fixture.h"

using qm::forms::FrmMain;
using qm::forms::FrmSetting;
using qm::ui::CheckBox;

namespace {

constexpr int kShift = 16, kCtrl = 17, kAlt = 18, kTab = 9, kSpace = 32;

class SettingTest : public qm::test::AppTest {
protected:
    // Opens the settings from the main window and lets `script` act in the dialog.
    void settings(std::function<void(FrmSetting&)> script) {
        host.OnModal<FrmSetting>("FrmSetting", std::move(script));
        forms->Main().CmdSet.RaiseClick();
    }

    // Presses `keys` in order and releases them the other way round, as a
    // hand does, each event with the modifiers held at that moment.
    static void chord(qm::ui::TextBox& box, std::vector<int> keys) {
        const auto mask = [](int k) { return k == kShift ? 1 : k == kCtrl ? 2 : k == kAlt ? 4 : 0; };
        int held = 0;
        for (int k : keys) {
            held |= mask(k);
            qm::ui::KeyEvent e{k, held};
            box.KeyDown(e);
        }
        for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
            held &= ~mask(*k);
            qm::ui::KeyEvent e{*k, held};
            box.KeyUp(e);
        }
    }
    static void down(qm::ui::TextBox& box, int key, int held) {
        qm::ui::KeyEvent e{key, held};
        box.KeyDown(e);
    }
    static void up(qm::ui::TextBox& box, int key, int held) {
        qm::ui::KeyEvent e{key, held};
        box.KeyUp(e);
    }

    // The user's row as the data file holds it.
    qm::store::Recordset& storedUser() {
        row.Open("select * from sysuser where UserName = '" + app->CurrentUser + "'", app->DbConn);
        return row;
    }
    qm::store::Recordset row;
};

}  // namespace

TEST_F(SettingTest, ANewUserSeesTheDefaultsOnTheFirstPage) {
    FrmMain& main = logIn("amy");
    std::string tag;
    settings([&](FrmSetting& f) {
        tag = main.Tag;
        EXPECT_EQ(f.Caption(), "设置");
        EXPECT_EQ(f.CurrentPage, 0);
        for (int i = 0; i < FrmSetting::kPages; ++i) {
            EXPECT_EQ(f.PicFunction[i].Visible(), i == 0) << i;
            EXPECT_EQ(f.lblSelect[i].FontBold(), i == 0) << i;
        }
        EXPECT_EQ(f.lblSelect[0].Caption(), "备份压缩");
        EXPECT_EQ(f.TxtDay.Text(), "0");
        EXPECT_EQ(f.TxtPath.Text(), qm::store::PathIn(app->AppPath, "SystemDataBackup.dat"));
        EXPECT_EQ(f.ChkCompress.Value(), CheckBox::Checked);
        EXPECT_EQ(f.ChkShowPassword.Value(), CheckBox::Checked);
        EXPECT_EQ(f.ChkClearClipboard.Value(), CheckBox::Checked);
        EXPECT_EQ(f.TxtMinLock.Text(), "5");
        const char* shown[] = {"Alt + Num 1", "Alt + Num 2", "Alt + Num 3", "Alt + S"};
        const char* tags[] = {"4|49", "4|50", "4|51", "4|83"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(f.TxtShortcutKey[i].Text(), shown[i]);
            EXPECT_EQ(f.TxtShortcutKey[i].Tag, tags[i]);
        }
        EXPECT_EQ(f.ChkCloseMin.Value(), CheckBox::Checked);
        EXPECT_EQ(f.ChkWinRun.Value(), CheckBox::Unchecked);
        EXPECT_EQ(f.ListAccountType.Items(),
                  (std::vector<std::string>{"FTP帐号", "博客帐号", "聊天帐号", "论坛帐号", "网站帐号", "银行帐号", "邮箱帐号",
                                            "游戏帐号", "其它"}));
        EXPECT_EQ(f.ListAccountType.ListIndex(), 0);
    });
    EXPECT_EQ(tag, "1");
    EXPECT_EQ(main.Tag, "0");
    EXPECT_NE(std::find(host.skinned.begin(), host.skinned.end(), "FrmSetting"), host.skinned.end());
}

TEST_F(SettingTest, StoredTrueAndOneBothCheckABoxAndOddHotKeyTextsShowWhatTheyCan) {
    logIn("amy");
    app->RsUser["AutoCompress"] = 1;
    app->RsUser["ShowPassword"] = 0;
    app->RsUser["WinRun"] = -1;
    app->RsUser["Custom2"] = qm::store::Value();
    app->RsUser["ShortcutUser"] = "7|112";
    app->RsUser["ShortcutPassword"] = "";
    app->RsUser["ShortcutURL"] = "9|65";
    app->RsUser["Custom1"] = "3";
    app->RsUser.Update();
    settings([&](FrmSetting& f) {
        EXPECT_EQ(f.ChkCompress.Value(), CheckBox::Checked);
        EXPECT_EQ(f.ChkShowPassword.Value(), CheckBox::Unchecked);
        EXPECT_EQ(f.ChkWinRun.Value(), CheckBox::Checked);
        EXPECT_EQ(f.ChkCloseMin.Value(), CheckBox::Unchecked);
        EXPECT_EQ(f.TxtShortcutKey[0].Text(), "Shift + Ctrl + Alt + F1");
        EXPECT_EQ(f.TxtShortcutKey[1].Text(), "");
        EXPECT_EQ(f.TxtShortcutKey[2].Text(), "A");
        EXPECT_EQ(f.TxtShortcutKey[3].Text(), "Shift + Ctrl + ");
    });
}

TEST(HotKeyText, EveryModifierSumAndEveryGroupOfKeys) {
    using qm::forms::HotKeyDisplayText;
    EXPECT_EQ(HotKeyDisplayText(""), "");
    const char* prefixes[] = {"", "Shift + ", "Ctrl + ", "Shift + Ctrl + ", "Alt + ", "Shift + Alt + ", "Ctrl + Alt + ",
                              "Shift + Ctrl + Alt + ", ""};
    for (int m = 0; m <= 8; ++m) EXPECT_EQ(HotKeyDisplayText(std::to_string(m) + "|90"), std::string(prefixes[m]) + "Z") << m;
    const std::pair<int, const char*> keys[] = {{65, "A"},     {90, "Z"},     {112, "F1"},   {123, "F12"}, {96, "Num 0"},
                                                {105, "Num 9"}, {48, "Num 0"}, {57, "Num 9"}, {37, "←"},    {38, "↑"},
                                                {39, "→"},     {40, "↓"},     {64, ""},      {91, ""},     {111, ""},
                                                {124, ""},     {47, ""},      {58, ""},      {36, ""},     {41, ""}};
    for (const auto& [code, name] : keys) EXPECT_EQ(HotKeyDisplayText("4|" + std::to_string(code)), std::string("Alt + ") + name) << code;
}

TEST_F(SettingTest, HotKeyBoxesKeepOneModifierAndOneKnownKey) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        f.SelectPage(2);
        auto& user = f.TxtShortcutKey[0];
        auto& boss = f.TxtShortcutKey[3];
        user.SetFocus();

        chord(user, {kAlt, 'Q'});
        EXPECT_EQ(user.Text(), "Alt + Q");
        EXPECT_EQ(user.Tag, "4|81");
        chord(user, {kCtrl, 123});
        EXPECT_EQ(user.Text(), "Ctrl + F12");
        EXPECT_EQ(user.Tag, "2|123");
        chord(user, {kAlt, 101});
        EXPECT_EQ(user.Tag, "4|101");
        chord(user, {kAlt, 40});
        EXPECT_EQ(user.Text(), "Alt + ↓");

        chord(user, {kCtrl, kAlt, 'K'});
        EXPECT_EQ(user.Text(), "") << "two modifiers make no hot key";
        EXPECT_EQ(user.Tag, "");
        chord(user, {'K'});
        EXPECT_EQ(user.Text(), "") << "nor does a key alone";
        chord(user, {kShift, 'K'});
        EXPECT_EQ(user.Text(), "") << "Shift is for the boss key only";
        EXPECT_EQ(user.Tag, "");
        chord(user, {kAlt, 'W'});
        chord(user, {kAlt});
        EXPECT_EQ(user.Text(), "") << "a lone modifier released clears the box";

        // Alt, then Space: the box shows the modifier until a key comes up.
        chord(user, {kAlt, '1'});
        down(user, kAlt, 4);
        down(user, kSpace, 4);
        EXPECT_EQ(user.Text(), "Alt + ");
        up(user, kSpace, 4);
        EXPECT_EQ(user.Text(), "");
        EXPECT_EQ(user.Tag, "");
        up(user, kAlt, 0);

        boss.SetFocus();
        chord(boss, {kShift, 'K'});
        EXPECT_EQ(boss.Text(), "Shift + K");
        EXPECT_EQ(boss.Tag, "1|75");

        int typed = 'x';
        boss.KeyPress(typed);
        EXPECT_EQ(typed, 0) << "typed characters never reach the box";
        qm::ui::KeyEvent e{'Z', 4};
        boss.KeyDown(e);
        EXPECT_EQ(e.KeyCode, 0) << "nor do the keys themselves";
        boss.KeyUp(e);
    });
}

TEST_F(SettingTest, TabbingThroughTheBoxesChangesNoHotKey) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        f.SelectPage(2);
        auto& first = f.TxtShortcutKey[0];
        auto& second = f.TxtShortcutKey[1];
        // Tab pressed in the first box moves on; only its release reaches the second.
        first.SetFocus();
        second.SetFocus();
        up(second, kTab, 0);
        EXPECT_EQ(second.Text(), "Alt + Num 2");
        EXPECT_EQ(second.Tag, "4|50");
        // Shift+Tab: Shift goes down in the box, the focus leaves with it held.
        down(second, kShift, 1);
        EXPECT_EQ(second.Text(), "");
        first.SetFocus();
        EXPECT_EQ(second.Text(), "Alt + Num 2");
        EXPECT_EQ(second.Tag, "4|50");
        up(first, kShift, 0);
        EXPECT_EQ(first.Text(), "Alt + Num 1");
        // A finished capture stays when the focus leaves.
        chord(first, {kAlt, 'P'});
        second.SetFocus();
        EXPECT_EQ(first.Tag, "4|80");
    });
}

TEST_F(SettingTest, TheHookLetsKeysPassOnlyWhileAHotKeyBoxHasTheFocus) {
    logIn("amy");
    bool& capturing = app->HotKeys.Capturing;
    const auto closeBy = [&](std::function<void(FrmSetting&)> close) {
        settings([&](FrmSetting& f) {
            EXPECT_FALSE(capturing);
            f.SelectPage(2);
            f.TxtShortcutKey[3].SetFocus();
            EXPECT_TRUE(capturing);
            close(f);
        });
        EXPECT_FALSE(capturing);
    };
    closeBy([](FrmSetting& f) { f.CmdOK.RaiseClick(); });
    closeBy([](FrmSetting& f) { f.CmdCancel.RaiseClick(); });
    closeBy([](FrmSetting&) {});  // the close box

    settings([&](FrmSetting& f) {
        f.SelectPage(2);
        f.TxtShortcutKey[1].SetFocus();
        f.TxtShortcutKey[2].SetFocus();
        EXPECT_TRUE(capturing) << "from one box to the next";
        f.Deactivate();
        EXPECT_FALSE(capturing) << "another program's window has the keys";
        f.Activate();
        EXPECT_TRUE(capturing);
        f.CmdOK.SetFocus();
        EXPECT_FALSE(capturing);
        f.TxtShortcutKey[0].SetFocus();
        f.SelectPage(4);
        EXPECT_FALSE(capturing) << "the page with the box went out of sight";
        EXPECT_EQ(f.ActiveControl(), &f.CmdOK);
    });
}

TEST_F(SettingTest, TabsShowTheirPageAndJoinTheSelectedTabToIt) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        f.lblSelect[3].RaiseClick();
        EXPECT_EQ(f.CurrentPage, 3);
        f.PicSelect[2].RaiseClick();
        EXPECT_EQ(f.CurrentPage, 2);
        for (int i = 0; i < FrmSetting::kPages; ++i) {
            EXPECT_EQ(f.PicFunction[i].Visible(), i == 2) << i;
            EXPECT_EQ(f.PicFunction[i].Left(), 1110);
            EXPECT_EQ(f.PicFunction[i].Top(), 75);
            EXPECT_EQ(f.lblSelect[i].FontBold(), i == 2) << i;
            EXPECT_EQ(f.lblSelect[i].ForeColor(), i == 2 ? 0xFF0000u : 0u) << i;
            EXPECT_EQ(f.PicSelect[i].BackColor(), i == 2 ? 0xFFFFFFu : 0xF6E7D5u) << i;
            EXPECT_EQ(f.PicSelect[i].Drawing().empty(), i != 2) << "only the selected tab is shaded";
            EXPECT_EQ(f.PicSelect[i].Left(), 60);
            EXPECT_EQ(f.PicSelect[i].Width(), 1065);
            EXPECT_EQ(f.PicSelect[i].Height(), 495);
        }
        EXPECT_EQ(f.PicSelect[2].Top(), 1387);
        EXPECT_EQ(f.PicLine.Left(), 60 + 1065 - 30);
        EXPECT_EQ(f.PicLine.Top(), 1387 + 15);
        EXPECT_EQ(f.PicLine.Width(), 45);
        EXPECT_EQ(f.PicLine.Height(), 465);
    });
}

TEST(TabGradient, FiftyOneBandsFromTheTabColourToWhite) {
    qm::ui::PictureBox box(nullptr, "box");
    box.Move(0, 0, 1065, 495);
    box.FillBox(0, 0, 10, 10, 0);  // anything drawn before goes
    qm::forms::PaintTabGradient(box);
    const auto& bands = box.Drawing();
    ASSERT_EQ(bands.size(), 51u);
    for (size_t k = 0; k < bands.size(); ++k) {
        EXPECT_EQ(bands[k].Left, static_cast<int>(k) * 21) << k;  // 1065 / 50 rounded
        EXPECT_EQ(bands[k].Right, static_cast<int>(k + 1) * 21) << k;
        EXPECT_EQ(bands[k].Top, 0);
        EXPECT_EQ(bands[k].Bottom, 495);
    }
    EXPECT_EQ(bands.front().Color, 0xF6E7D5u);  // RGB(213, 231, 246)
    EXPECT_EQ(bands[10].Color, 0xF8ECDDu);      // RGB(221.4, 235.8, 247.8) rounded
    EXPECT_EQ(bands.back().Color, 0xFFFFFFu);
}

TEST_F(SettingTest, OkSavesEverySettingAndTheHotKeysComeBackIntoUse) {
    FrmMain& main = logIn("amy");
    const std::string path = qm::store::PathIn(app->AppPath, "elsewhere.dat");
    host.os.chosenFiles = {path};
    settings([&](FrmSetting& f) {
        f.TxtDay.SetText("7");
        f.ImgPath.RaiseClick();
        f.ChkCompress.UserToggle();
        f.TxtMinLock.SetText("0");
        f.ChkShowPassword.UserToggle();
        f.ChkClearClipboard.UserToggle();
        f.SelectPage(2);
        for (int i = 0; i < 4; ++i) {
            f.TxtShortcutKey[i].SetFocus();
            chord(f.TxtShortcutKey[i], {i == 3 ? kShift : kCtrl, 'A' + i});
        }
        f.ChkCloseMin.UserToggle();
        f.ChkWinRun.UserToggle();
        f.CmdOK.RaiseClick();
        EXPECT_FALSE(f.IsLoaded());
    });
    auto& u = storedUser();
    EXPECT_EQ(u["AutoBackup"].Get(), qm::store::Value(7));
    EXPECT_EQ(u["AutoBackupPath"].Text(), path);
    EXPECT_FALSE(u["AutoCompress"].Bool());
    EXPECT_EQ(u["MinLockTime"].Get(), qm::store::Value(0));
    EXPECT_FALSE(u["ShowPassword"].Bool());
    EXPECT_FALSE(u["ClearClipboard"].Bool());
    EXPECT_EQ(u["ShortcutUser"].Text(), "2|65");
    EXPECT_EQ(u["ShortcutPassword"].Text(), "2|66");
    EXPECT_EQ(u["ShortcutURL"].Text(), "2|67");
    EXPECT_EQ(u["Custom1"].Text(), "1|68");
    EXPECT_EQ(u["Custom2"].Get(), qm::store::Value(0));
    EXPECT_EQ(u["WinRun"].Get(), qm::store::Value(true));
    EXPECT_EQ(host.os.startEntries.at("Quillmere"), "\"" + qm::store::PathIn(app->AppPath, "Quillmere.exe") + "\"");

    const auto& table = app->HotKeys.HotKeyTable;
    EXPECT_EQ(table[0].ModifierKey, 162);
    EXPECT_EQ(table[0].KeyCode, 'A');
    EXPECT_EQ(table[3].ModifierKey, 160);
    EXPECT_EQ(table[3].KeyCode, 'D');
    EXPECT_EQ(table[3].ActionText, "close to min");
    host.os.boxes.clear();
    EXPECT_TRUE(main.RequestClose()) << "unchecked, the close box ends the program";
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"是否退出系统？"});
}

TEST_F(SettingTest, CancelAndTheCloseBoxKeepEverySetting) {
    logIn("amy");
    app->HotKeys.SetHotKeyTexts({"u", "p", "w"});
    for (bool closeBox : {false, true}) {
        settings([&](FrmSetting& f) {
            f.TxtDay.SetText("3");
            f.TxtMinLock.SetText("9");
            f.ChkCompress.UserToggle();
            f.ChkWinRun.UserToggle();
            f.ChkCloseMin.UserToggle();
            f.SelectPage(2);
            f.TxtShortcutKey[0].SetFocus();
            chord(f.TxtShortcutKey[0], {kCtrl, 'J'});
            if (!closeBox) f.CmdCancel.RaiseClick();
        });
        auto& u = storedUser();
        EXPECT_EQ(u["AutoBackup"].Get(), qm::store::Value(0));
        EXPECT_EQ(u["MinLockTime"].Get(), qm::store::Value(5));
        EXPECT_TRUE(u["AutoCompress"].Bool());
        EXPECT_FALSE(u["WinRun"].Bool());
        EXPECT_EQ(u["Custom2"].Get(), qm::store::Value(1));
        EXPECT_EQ(u["ShortcutUser"].Text(), "4|49");
        EXPECT_TRUE(host.os.startEntries.empty());
        EXPECT_EQ(app->HotKeys.HotKeyTable[0].KeyCode, '1');
        EXPECT_EQ(app->HotKeys.HotKeyTable[0].ActionText, "u") << "the chosen account stays chosen";
    }
}

TEST_F(SettingTest, NumberBoxesRefuseWhatIsNotAWholeNumber) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        f.TxtDay.SetFocus();
        f.TxtDay.SetText("3x");
        f.ChkCompress.SetFocus();
        EXPECT_EQ(boxTexts(), std::vector<std::string>{"请输入正确天数!"});
        EXPECT_EQ(host.os.boxes.back().style, qm::platform::vbInformation);
        EXPECT_EQ(f.TxtDay.Text(), "");
        EXPECT_EQ(f.ActiveControl(), &f.TxtDay);
        for (const char* bad : {"-3", "1.5"}) {
            f.TxtDay.SetText(bad);
            f.ChkCompress.SetFocus();
            EXPECT_EQ(f.ActiveControl(), &f.TxtDay) << bad;
        }
        // Another tab takes the focus off the page: the refused box keeps it, and its page stays.
        f.TxtDay.SetText("3x");
        f.lblSelect[1].RaiseClick();
        EXPECT_EQ(f.CurrentPage, 0);
        EXPECT_TRUE(f.PicFunction[0].Visible());
        EXPECT_EQ(f.ActiveControl(), &f.TxtDay);
        EXPECT_EQ(host.os.boxes.size(), 4u);
        f.TxtDay.SetText(" 12 ");
        f.ChkCompress.SetFocus();
        EXPECT_EQ(f.ActiveControl(), &f.ChkCompress);
        EXPECT_EQ(host.os.boxes.size(), 4u);

        f.SelectPage(1);
        f.TxtMinLock.SetFocus();
        host.os.boxes.clear();
        f.TxtMinLock.SetText("1");
        f.TxtMinLock.SetText("12a");  // refused as it is typed
        EXPECT_EQ(boxTexts(), std::vector<std::string>{"请输入正确时间!"});
        EXPECT_EQ(f.TxtMinLock.Text(), "");
        f.TxtMinLock.SetText("-");
        EXPECT_EQ(host.os.boxes.size(), 2u);
        f.TxtMinLock.SetText("");
        EXPECT_EQ(host.os.boxes.size(), 2u) << "an empty box is no error";

        // Enter presses OK without leaving the box: OK checks it too.
        f.SelectPage(0);
        f.TxtDay.SetFocus();
        f.TxtDay.SetText("2 days");
        host.os.boxes.clear();
        f.CmdOK.RaiseClick();
        EXPECT_EQ(boxTexts(), std::vector<std::string>{"请输入正确天数!"});
        EXPECT_TRUE(f.IsLoaded());
        // Leaving by Cancel asks for no number.
        f.TxtDay.SetText("2 days");
        f.CmdCancel.SetFocus();
        EXPECT_EQ(host.os.boxes.size(), 1u);
        f.TxtDay.SetFocus();
        f.TxtDay.SetText("");
        f.CmdOK.RaiseClick();
    });
    EXPECT_EQ(storedUser()["AutoBackup"].Get(), qm::store::Value(0)) << "empty boxes save 0";
    EXPECT_EQ(storedUser()["MinLockTime"].Get(), qm::store::Value(0));
}

TEST_F(SettingTest, TheBackupFileIsChosenWithTheDatEndingAndNeverTheDataFile) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        const std::string folder = app->AppPath;
        host.os.chosenFiles = {qm::store::PathIn(folder, "mine"), qm::store::PathIn(folder, "Copy.DAT"), ""};
        f.ImgPath.RaiseClick();
        EXPECT_EQ(f.TxtPath.Text(), qm::store::PathIn(folder, "mine.dat"));
        EXPECT_EQ(f.TxtPath.ToolTipText(), f.TxtPath.Text()) << "a path longer than the box is read in its tip";
        const auto& dialog = host.os.fileDialogs.back();
        EXPECT_EQ(dialog.kind, "save");
        EXPECT_EQ(dialog.defaultName, "SystemDataBackup");
        EXPECT_NE(dialog.filter.find("*.dat"), std::string::npos);
        EXPECT_EQ(dialog.folder, folder);
        f.ImgPath.RaiseClick();
        EXPECT_EQ(f.TxtPath.Text(), qm::store::PathIn(folder, "Copy.DAT"));
        f.ImgPath.RaiseClick();  // cancelled
        EXPECT_EQ(f.TxtPath.Text(), qm::store::PathIn(folder, "Copy.DAT"));
        EXPECT_TRUE(host.os.boxes.empty());

        const auto refused = [&](const std::string& chosen) {
            host.os.boxes.clear();
            f.TxtPath.SetText("before.dat");
            host.os.chosenFiles = {chosen};
            f.ImgPath.RaiseClick();
            const bool wasRefused = f.TxtPath.Text().empty();
            if (wasRefused) {
                EXPECT_EQ(boxTexts(), std::vector<std::string>{"备份文件不能与数据文件路径一样,请重新选择."});
                EXPECT_EQ(host.os.boxes.back().style, qm::platform::vbOKOnly);
                EXPECT_EQ(host.os.boxes.back().title, "Pelquin");
            }
            return wasRefused;
        };
        EXPECT_TRUE(refused(app->DataFilePath()));
        EXPECT_TRUE(refused(qm::store::PathIn(folder, "SystemData")));  // the ending is added first
        EXPECT_TRUE(refused(qm::store::PathIn(qm::store::PathIn(folder, "."), "SystemData.dat")));
#ifdef _WIN32
        EXPECT_TRUE(refused(qm::store::PathIn(folder, "SYSTEMDATA.DAT"))) << "Windows' names ignore letter case";
#else
        EXPECT_FALSE(refused(qm::store::PathIn(folder, "SYSTEMDATA.DAT"))) << "another file here";
#endif
        EXPECT_FALSE(refused(qm::store::PathIn(folder, "SystemData.dat.dat")));
    });
}

TEST_F(SettingTest, TheStartUpEntryFollowsTheProgramsOwnName) {
    logIn("amy");
    app->ExeFile = "密码本.exe";
    settings([&](FrmSetting& f) {
        f.ChkWinRun.UserToggle();
        f.CmdOK.RaiseClick();
    });
    EXPECT_EQ(host.os.startEntries, (std::map<std::string, std::string>{
                                        {"密码本", "\"" + qm::store::PathIn(app->AppPath, "密码本.exe") + "\""}}));
    EXPECT_EQ(storedUser()["Custom2"].Get(), qm::store::Value(1)) << "exactly 1, as the close box compares it";
    EXPECT_FALSE(forms->Main().RequestClose()) << "so the close box still minimises";
    settings([&](FrmSetting& f) {
        EXPECT_EQ(f.ChkWinRun.Value(), CheckBox::Checked);
        f.ChkWinRun.UserToggle();
        f.CmdOK.RaiseClick();
    });
    EXPECT_TRUE(host.os.startEntries.empty());
}

TEST_F(SettingTest, AStartUpEntryThatCannotBeChangedIsToldAndTheSettingSaysWhatWillHappen) {
    logIn("amy");
    host.os.startEntriesLocked = true;
    settings([&](FrmSetting& f) {
        f.ChkWinRun.UserToggle();
        f.TxtMinLock.SetText("8");
        f.CmdOK.RaiseClick();
    });
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"无法写入系统启动项,程序不会随系统启动!"});
    EXPECT_FALSE(storedUser()["WinRun"].Bool());
    EXPECT_EQ(storedUser()["MinLockTime"].Get(), qm::store::Value(8)) << "the other settings are saved";
    settings([&](FrmSetting& f) { EXPECT_EQ(f.ChkWinRun.Value(), CheckBox::Unchecked); });

    // An entry made earlier that can no longer be removed still starts the program.
    host.os.startEntries["Quillmere"] = "old";
    app->RsUser["WinRun"] = true;
    app->RsUser.Update();
    host.os.boxes.clear();
    settings([&](FrmSetting& f) {
        f.ChkWinRun.UserToggle();
        f.CmdOK.RaiseClick();
    });
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"无法删除系统启动项,程序仍会随系统启动!"});
    EXPECT_TRUE(storedUser()["WinRun"].Bool());
}

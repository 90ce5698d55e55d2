// The tray icon's menu and the account list's right-button menu, and all
// clipboard work while another program holds the clipboard.
#include <gtest/gtest.h>

#include <fstream>

#include "forms/Clipboard.h"
#include "forms/FrmTool.h"
#include "forms/FrmUser.h"
#include "support/tray_fixture.h"

using qm::forms::FrmMain;

namespace {

class TrayMenuTest : public qm::test::TrayTest {
protected:
    // amy with two accounts; the list masks passwords, as it does by default.
    FrmMain& withAccounts() {
        logIn("amy");
        withAccountsAdded();
        return main();
    }
    void withAccountsAdded() {
        addAccount("邮箱帐号", "mail", "amy@example.org", "p+ss 中文", "https://mail.example.org/");
        addAccount("其它", "no address", "amy2", "other", "");
    }
    // Selects the row of the account named `name`.
    void select(const std::string& name) {
        auto& list = main().ListViewUser;
        for (size_t i = 0; i < list.Count(); ++i)
            if (list.Item(i).SubItems[0] == name) list.Select(static_cast<int>(i));
    }
    const std::string& hotKeyText(size_t entry) const { return app->HotKeys.HotKeyTable[entry].ActionText; }
};

}  // namespace

TEST_F(TrayMenuTest, IconButtonsRestoreOrPopUpTheTrayMenu) {
    FrmMain& w = logIn("amy");
    minimise();
    chooseFromTray("");  // the menu closed without a choice
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, "mnuTray");
    EXPECT_FALSE(w.Visible());
    EXPECT_TRUE(tray.shown);
    // Only a button's release acts: a press, a move or a double click means nothing of its own.
    for (int message : {512, 513, 515, 516, 518, 519}) {
        w.TrayMouse(message);
        EXPECT_FALSE(w.Visible()) << message;
    }
    EXPECT_EQ(host.popups.size(), 1u) << "the right button's press opens no menu";

    chooseFromTray("mnuShowmain");
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.WindowState(), FrmMain::vbNormal);
    EXPECT_FALSE(tray.shown);
}

TEST_F(TrayMenuTest, LockFromTheMenuSaysSoAndLeavesTheWindowHidden) {
    FrmMain& w = logIn("amy");
    minimise();
    chooseFromTray("mnuLock");
    ASSERT_EQ(host.os.boxes.size(), 1u);
    EXPECT_EQ(host.os.boxes[0].text, "Quillmere已处锁定锁定状态!");
    EXPECT_EQ(host.os.boxes[0].style, qm::platform::vbInformation);
    EXPECT_EQ(host.os.boxes[0].title, "提示");
    EXPECT_TRUE(w.IsLock());
    EXPECT_FALSE(w.Visible());
    EXPECT_TRUE(tray.shown);
    EXPECT_FALSE(menu().mnuSet.Enabled());
    EXPECT_FALSE(menu().mnuAbout.Enabled());
    EXPECT_TRUE(menu().mnuHelp.Enabled());
    EXPECT_TRUE(menu().mnuQuit.Enabled());
}

TEST_F(TrayMenuTest, HelpAndAboutFromTheTray) {
    FrmMain& w = logIn("amy");
    minimise();
    chooseFromTray("mnuHelp");
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"帮助文档已丢失!"});
    const std::string help = qm::store::PathIn(app->AppPath, "帮助.doc");
    std::ofstream(qm::test::PathOf(help)) << "{\\rtf1 }";
    chooseFromTray("mnuHelp");
    EXPECT_EQ(host.os.opened, std::vector<std::string>{help});

    std::string tag;
    host.OnModal<qm::forms::FrmAbout>("FrmAbout", [&](qm::forms::FrmAbout&) { tag = w.Tag; });
    chooseFromTray("mnuAbout");
    EXPECT_EQ(tag, "1") << "the window knows a dialog of its own is open";
    EXPECT_FALSE(w.Visible());
}

TEST_F(TrayMenuTest, CopiesTakeTheRealPasswordEvenWhenMasked) {
    FrmMain& w = withAccounts();
    select("mail");
    ASSERT_EQ(w.ListViewUser.SelectedItem()->SubItems[2], "********");
    host.os.clipboard = "before";
    chooseFromList("mnuCopyPwd");
    EXPECT_EQ(host.os.clipboard, "p+ss 中文");
    chooseFromList("mnuCopyUser");
    EXPECT_EQ(host.os.clipboard, "amy@example.org");
    chooseFromList("mnuCopyUrl");
    EXPECT_EQ(host.os.clipboard, "https://mail.example.org/");
    EXPECT_TRUE(host.os.boxes.empty()) << "copies show no message";

    select("no address");
    chooseFromList("mnuCopyPwd");
    EXPECT_EQ(host.os.clipboard, "other");
}

TEST_F(TrayMenuTest, CopyAndHotKeysChooseTheAccountAndLeaveTheClipboard) {
    FrmMain& w = withAccounts();
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(hotKeyText(i), "") << "nothing chosen at start";
    select("mail");
    host.os.clipboard = "keep me";
    chooseFromList("mnuCopyShortcut");
    EXPECT_EQ(hotKeyText(0), "amy@example.org");
    EXPECT_EQ(hotKeyText(1), "p+ss 中文");
    EXPECT_EQ(hotKeyText(2), "https://mail.example.org/");
    EXPECT_EQ(host.os.clipboard, "keep me");
    EXPECT_EQ(app->HotKeys.HotKeyCount, 4);

    w.ListViewUser.Select(-1);  // a click beside the rows
    chooseFromList("mnuCopyPwd");
    chooseFromList("mnuCopyShortcut");
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"请先在列表中选择一个帐号!", "请先在列表中选择一个帐号!"}));
    EXPECT_EQ(host.os.clipboard, "keep me");
    EXPECT_EQ(hotKeyText(0), "amy@example.org");
}

TEST_F(TrayMenuTest, OpenWebPageOpensTheSelectedAddress) {
    logIn("amy");
    menu().mnuOpenUrl.RaiseClick();  // greyed on an empty list; even run, it does nothing
    EXPECT_TRUE(host.os.opened.empty());
    EXPECT_TRUE(host.os.boxes.empty());

    withAccountsAdded();
    select("mail");
    chooseFromList("mnuOpenUrl");
    EXPECT_EQ(host.os.opened, std::vector<std::string>{"https://mail.example.org/"});
    EXPECT_EQ(host.popups.back().defaultItem, "mnuOpenUrl");
}

TEST_F(TrayMenuTest, RecordItemsRunTheWindowsCommands) {
    FrmMain& w = withAccounts();
    select("mail");
    std::vector<std::string> modes;
    host.OnModal<qm::forms::FrmData>("FrmData", [&](qm::forms::FrmData&) { modes.push_back(app->RecordMode); });
    chooseFromList("mnuLook");
    chooseFromList("mnuEdit");
    chooseFromList("mnuAdd");
    EXPECT_EQ(modes, (std::vector<std::string>{"look", "edit", "add"}));

    select("mail");
    chooseFromList("mnuDel");
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"是否删除帐号<mail>,删除后将不可恢复,请确认!"});
    ASSERT_EQ(w.ListViewUser.Count(), 1u);
    EXPECT_EQ(w.ListViewUser.Item(0).SubItems[0], "no address");
}

TEST_F(TrayMenuTest, ClipboardWorkThatCouldNotBeDoneIsSaidNeverClaimed) {
    using namespace qm::forms;
    withAccounts();
    struct Row {
        const char* work;
        std::function<void()> act;
        const char* done;  // said when it worked ("" for nothing)
        const char* failed;
    };
    const Row rows[] = {
        {"copy user", [&] { chooseFromList("mnuCopyUser"); }, "", kClipboardNotCopied},
        {"copy password", [&] { chooseFromList("mnuCopyPwd"); }, "", kClipboardNotCopied},
        {"copy address", [&] { chooseFromList("mnuCopyUrl"); }, "", kClipboardNotCopied},
        {"copy in the view dialog",
         [&] {
             host.OnModal<FrmData>("FrmData", [](FrmData& d) { d.TxtAccountPassword_DblClick(); });
             main().CmdLook.RaiseClick();
         },
         "密码已复制到系统剪贴板!", kClipboardNotCopied},
        {"clear in the tools",
         [&] {
             host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdEmpty.RaiseClick(); });
             main().CmdTool.RaiseClick();
         },
         "剪贴板已清空!", kClipboardNotCleared},
    };
    for (const Row& r : rows)
        for (const bool held : {false, true}) {
            SCOPED_TRACE(std::string(r.work) + (held ? ", clipboard held" : ""));
            select("mail");
            host.os.clipboard = "before";
            host.os.clipboardHeld = held;
            host.os.boxes.clear();
            r.act();
            const std::vector<std::string> said = held ? std::vector<std::string>{r.failed}
                                                  : *r.done ? std::vector<std::string>{r.done}
                                                            : std::vector<std::string>{};
            EXPECT_EQ(boxTexts(), said);
            EXPECT_EQ(host.os.clipboard == "before", held);
        }
}

TEST_F(TrayMenuTest, AClipboardLeftFullAtTheEndIsSaid) {
    using Texts = std::vector<std::string>;
    logIn("amy");
    host.os.clipboardHeld = true;
    main().CmdQuit.RaiseClick();
    EXPECT_EQ(boxTexts(), (Texts{"是否退出系统？", qm::forms::kClipboardLeftFull}));
    EXPECT_FALSE(main().IsLoaded()) << "the program ends all the same";

    restart();
    logIn("bob");
    host.os.clipboardHeld = true;
    host.OnModal<qm::forms::FrmTool>("FrmTool", [](qm::forms::FrmTool& t) { t.CmdLogoutUser.RaiseClick(); });
    host.OnModal<qm::forms::FrmUser>("FrmUser", [](qm::forms::FrmUser& u) {
        u.TxtLogoutPwd.SetText("secret1");
        u.CmdOK.RaiseClick();
    });
    main().CmdTool.RaiseClick();
    EXPECT_EQ(boxTexts(), (Texts{"用户注销后所有资料都会删除,是否继续?", qm::forms::kClipboardLeftFull, "用户已注销,请重新登录!"}));
}

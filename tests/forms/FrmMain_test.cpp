#include "forms/FrmMain.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "forms/FrmTrayMenu.h"
#include "support/app_fixture.h"

using qm::forms::FrmMain;

namespace {

class MainTest : public qm::test::AppTest {
protected:
    std::vector<std::string> column(size_t c) {
        std::vector<std::string> out;
        const auto& list = forms->Main().ListViewUser;
        for (size_t i = 0; i < list.Count(); ++i) out.push_back(list.Item(i).Cell(c));
        return out;
    }
    int nodeNamed(const std::string& text) {
        const auto& nodes = forms->Main().TreeViewType.Nodes();
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].Text == text) return static_cast<int>(i);
        return -1;
    }
};

}  // namespace

TEST_F(MainTest, TreeHasTheRootAndTheUsersCategoriesInIconOrder) {
    FrmMain& main = logIn("amy");
    const auto& nodes = main.TreeViewType.Nodes();
    ASSERT_EQ(nodes.size(), 10u);
    EXPECT_EQ(nodes[0].Key, "Root");
    EXPECT_EQ(nodes[0].Text, "帐号分类");
    EXPECT_EQ(nodes[0].Image, 10);
    EXPECT_TRUE(nodes[0].Expanded);
    EXPECT_EQ(main.TreeViewType.SelectedIndex(), 0);
    EXPECT_EQ(nodes[7].Text, "邮箱帐号");
    EXPECT_EQ(nodes[7].Image, 7);
    EXPECT_EQ(nodes[7].Parent, 0);
    EXPECT_EQ(main.ListViewUser.Count(), 0u);
    EXPECT_EQ(main.ListViewUser.ExtendedStyle(), 33u) << "grid lines and full-row select";
    EXPECT_EQ(main.ListViewUser.Columns()[3].Text, "密码");
    EXPECT_EQ(main.ListViewUser.Columns()[3].Width, 1440);
}

TEST_F(MainTest, CategoryWithAQuoteAndAddedCategoriesShowTheirAccounts) {
    FrmMain& main = logIn("amy");
    addAccount("Tom's", "Bob's mail", "bob", "pw1");  // a new category: icon 11, a new node
    addAccount("邮箱帐号", "网易邮箱", "amy163", "pw2");
    const int toms = nodeNamed("Tom's");
    ASSERT_GT(toms, 0);
    EXPECT_EQ(main.TreeViewType.Nodes()[static_cast<size_t>(toms)].Image, 11);
    main.TreeViewType.UserClickNode(toms);
    EXPECT_EQ(column(1), std::vector<std::string>{"Bob's mail"});
    main.TreeViewType.UserClickNode(0);
    EXPECT_EQ(column(1).size(), 2u);
}

TEST_F(MainTest, QuickFindMatchesInitialsAndTreatsPercentAsAWildcard) {
    FrmMain& main = logIn("amy");
    addAccount("邮箱帐号", "网易邮箱", "a", "1");
    addAccount("银行帐号", "工行", "b", "2");
    addAccount("其它", "100%好", "c", "3");
    main.TreeViewType.UserClickNode(nodeNamed("其它"));
    main.TxtFindData.SetText("yx");  // initials, typed in lower case, across every category
    EXPECT_EQ(column(1), std::vector<std::string>{"网易邮箱"});
    main.TxtFindData.SetText("GX");
    EXPECT_EQ(column(1), std::vector<std::string>{"工行"});
    main.TxtFindData.SetText("邮箱");  // part of a name, which no initials hold
    EXPECT_EQ(column(1), std::vector<std::string>{"网易邮箱"});
    main.TxtFindData.SetText("易邮");
    EXPECT_EQ(column(1), std::vector<std::string>{"网易邮箱"});
    main.TxtFindData.SetText("%");
    EXPECT_EQ(column(1).size(), 3u);
    main.TxtFindData.SetText("");
    EXPECT_EQ(column(1).size(), 3u);
    EXPECT_EQ(main.TreeViewType.Nodes()[static_cast<size_t>(main.TreeViewType.SelectedIndex())].Text, "其它");
}

// Pinyin beside the stored initials: what the box found before (亍 and 鑫
// by their stored "Z", a quote in the text) and names by any reading.
TEST_F(MainTest, QuickFindMatchesPinyinOfAnyReadingAndStillTheStoredInitials) {
    FrmMain& main = logIn("amy");
    addAccount("银行帐号", "重庆银行", "a", "1");
    addAccount("邮箱帐号", "QQ邮箱", "b", "2");
    addAccount("其它", "亍", "c", "3");
    addAccount("其它", "O'Neil鑫", "d", "4");
    using Names = std::vector<std::string>;
    const std::pair<const char*, Names> rows[] = {
        {"c", {"重庆银行", "亍"}}, {"chongqingyinx", {"重庆银行"}}, {"zhongqing yinhang", {"重庆银行"}},
        {"qqyou", {"QQ邮箱"}}, {"z", {"重庆银行", "亍", "O'Neil鑫"}}, {"o'n", {"O'Neil鑫"}}, {"o'neilxin", {"O'Neil鑫"}},
        {"q", {"重庆银行", "QQ邮箱"}}, {"qqyx", {"QQ邮箱"}}};
    for (const auto& [typed, names] : rows) {
        main.TxtFindData.SetText(typed);
        Names shown = column(1);
        std::sort(shown.begin(), shown.end());
        Names expected = names;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected) << typed;
    }
}

TEST_F(MainTest, PasswordsAreMaskedInTheListButKeptInTheTag) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "a", "u1", "中文密码!");
    addAccount("其它", "b", "u2", "x");
    EXPECT_EQ(column(3), (std::vector<std::string>{"********", "********"}));
    EXPECT_EQ(app->Secrets.Open(qm::vault::Field::AccountPassword, main.ListViewUser.Item(0).Tag,
                                 main.ListViewUser.Item(0).Key)->str(), "中文密码!");
    app->RsUser["ShowPassword"] = false;
    app->RsUser.Update();
    main.RequeryData();
    EXPECT_EQ(column(3), (std::vector<std::string>{"中文密码!", "x"}));
}

TEST_F(MainTest, SortingByColumnToggles) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "b", "1", "p");
    addAccount("邮箱帐号", "c", "2", "p");
    addAccount("FTP帐号", "a", "3", "p");
    main.ListViewUser_ColumnClick(1);  // the first click on the first column sorts descending
    EXPECT_EQ(column(0), (std::vector<std::string>{"邮箱帐号", "其它", "FTP帐号"}));
    main.ListViewUser_ColumnClick(1);
    EXPECT_EQ(column(0), (std::vector<std::string>{"FTP帐号", "其它", "邮箱帐号"}));
    main.ListViewUser_ColumnClick(2);
    EXPECT_EQ(column(1), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(main.LastSortColumn, 1);
    main.RequeryData();  // refilling switches sorting off and keeps the last column
    EXPECT_FALSE(main.ListViewUser.Sorted());
    EXPECT_EQ(main.LastSortColumn, 1);
}

TEST_F(MainTest, RightClickEnablesTheMenuByWhatTheListHolds) {
    FrmMain& main = logIn("amy");
    auto& menu = forms->TrayMenu();
    main.ListViewUser_MouseUp(2, 0, 0, 0);
    for (auto* item : {&menu.mnuCopyShortcut, &menu.mnuCopyUser, &menu.mnuCopyPwd, &menu.mnuCopyUrl, &menu.mnuOpenUrl,
                       &menu.mnuLook, &menu.mnuEdit, &menu.mnuDel})
        EXPECT_FALSE(item->Enabled()) << item->Name();
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, "ListView");
    EXPECT_EQ(host.popups[0].defaultItem, "mnuOpenUrl");

    addAccount("其它", "no address", "u", "p");
    main.ListViewUser.Select(0);
    main.ListViewUser_MouseUp(2, 0, 0, 0);
    EXPECT_TRUE(menu.mnuCopyPwd.Enabled());
    EXPECT_TRUE(menu.mnuDel.Enabled());
    EXPECT_FALSE(menu.mnuCopyUrl.Enabled());
    EXPECT_FALSE(menu.mnuOpenUrl.Enabled());
    main.ListViewUser_MouseUp(1, 0, 0, 0);  // only the right button opens the menu
    EXPECT_EQ(host.popups.size(), 2u);
}

class BackupAtStartTest : public MainTest {
protected:
    // Logs amy in with the given backup settings and a backup that succeeds or fails.
    void start(int interval, const std::string& prior, bool succeeds) {
        registerUser("amy", "secret1");
        app->RsUser.Requery();
        app->RsUser.Filter("UserName = 'amy'");
        app->RsUser["AutoBackup"] = interval;
        app->RsUser["PriorBackupDate"] = prior;
        app->RsUser.Update();
        app->BackupDatabase = [this, succeeds](const std::string& path, bool compress) {
            backups.push_back(path + (compress ? " (compressed)" : ""));
            return succeeds;
        };
        qm::forms::FrmLogin& login = forms->Login();
        login.CbUser.SetText("amy");
        login.TxtPass.SetText("secret1");
        host.os.boxes.clear();
        login.CmdLogin.RaiseClick();
    }
    std::vector<std::string> backups;
};

TEST_F(BackupAtStartTest, DueAfterTheIntervalInDays) {
    host.os.today = {2026, 3, 1};  // across the end of February
    start(3, "2026-02-26", true);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0], qm::store::PathIn(app->AppPath, "SystemDataBackup.dat") + " (compressed)");
    EXPECT_EQ(app->RsUser["PriorBackupDate"].Text(), "2026-03-01");
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(BackupAtStartTest, NotDueNeverForZeroAndNeverForAFutureDate) {
    host.os.today = {2026, 3, 1};
    start(3, "2026-02-27", true);
    EXPECT_TRUE(backups.empty());
}

TEST_F(BackupAtStartTest, FutureDateNeverBacksUp) {
    host.os.today = {2026, 3, 1};
    start(1, "2027-01-01", true);
    EXPECT_TRUE(backups.empty());
}

TEST_F(BackupAtStartTest, ZeroIntervalNeverBacksUp) {
    host.os.today = {2030, 1, 1};
    start(0, "2001-01-01", true);
    EXPECT_TRUE(backups.empty());
}

TEST_F(BackupAtStartTest, FailureWarnsAndKeepsTheDate) {
    host.os.today = {2026, 3, 1};
    start(1, "2026-01-01", false);
    EXPECT_EQ(backups.size(), 1u);
    ASSERT_EQ(host.os.boxes.size(), 1u);
    EXPECT_EQ(host.os.boxes[0].text, "自动备份数据失败,请手动备份!");
    EXPECT_EQ(host.os.boxes[0].style, 48);
    EXPECT_EQ(host.os.boxes[0].title, "提示");
    EXPECT_EQ(app->RsUser["PriorBackupDate"].Text(), "2026-01-01");
}

// The window's controls follow its client area: at the designed size nothing
// moves, narrower the last command stays whole, wider the list fills it.
TEST_F(MainTest, ControlsFollowTheClientAreaAndTheLastCommandStaysWhole) {
    logIn("amy", "secret1");
    FrmMain& m = forms->Main();
    struct Row {
        int width, height;
        int quitLeft, quitWidth;  // 退出(&Q)
    };
    const Row rows[] = {
        {12000, 7800, 10740, 1090},  // as designed
        {11500, 7800, 10290, 1090},  // the gaps give first
        {10100, 6000, 9021, 959},   // the shrunk window at 150% on 1024 pixels
        {16000, 11000, 10740, 1090}, // wider: the row stays, the list spreads
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        m.ClientSized(row.width, row.height);
        EXPECT_EQ(m.CmdQuit.Left(), row.quitLeft);
        EXPECT_EQ(m.CmdQuit.Width(), row.quitWidth);
        EXPECT_LE(m.CmdQuit.Left() + m.CmdQuit.Width(), row.width - 120) << "退出 is cut off";
        EXPECT_EQ(m.ListViewUser.Left() + m.ListViewUser.Width(), row.width - 120);
        EXPECT_EQ(m.ListViewUser.Top() + m.ListViewUser.Height(), row.height - 120);
        EXPECT_EQ(m.TreeViewType.Height(), m.ListViewUser.Height());
        EXPECT_EQ(m.Command1.Left() + m.Command1.Width(), row.width - 120);
        EXPECT_EQ(m.Label1.Left() + m.Label1.Width(), m.Command1.Left() - 160);
    }
    EXPECT_EQ(m.ListViewUser.Width(), 16000 - 120 - 2920);
}

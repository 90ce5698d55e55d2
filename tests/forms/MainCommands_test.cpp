// The main window's commands and its life: find, delete, about, help, the
// close box, minimising, and the end of the program.
#include <gtest/gtest.h>

#include <fstream>

#include "forms/FrmAbout.h"
#include "forms/FrmFind.h"
#include "forms/FrmMain.h"
#include "support/app_fixture.h"

using qm::forms::FrmFind;
using qm::forms::FrmMain;
using qm::store::FileForm;

namespace {

class CommandsTest : public qm::test::AppTest {
protected:
    CommandsTest() { app->Tray = &tray; }

    std::vector<std::string> names() {
        std::vector<std::string> out;
        const auto& list = forms->Main().ListViewUser;
        for (size_t i = 0; i < list.Count(); ++i) out.push_back(list.Item(i).SubItems[0]);
        return out;
    }
    // Runs a query in the find dialog with the given inputs.
    void find(const std::string& type, const std::string& name, const std::string& id, const std::string& date,
              const std::string& url = "http://") {
        host.OnModal<FrmFind>("FrmFind", [=](FrmFind& f) {
            f.CbAccountType.SetText(type);
            f.TxtAccountName.SetText(name);
            f.TxtAccountID.SetText(id);
            f.TxtRegDate.SetText(date);
            f.TxtURL.SetText(url);
            f.CmdSave.RaiseClick();
        });
        forms->Main().CmdFind.RaiseClick();
    }

    qm::tray::FakeTrayIcon tray;
};

}  // namespace

TEST_F(CommandsTest, FindMatchesWholeValuesJoinedByAnd) {
    FrmMain& main = logIn("amy");
    addAccount("邮箱帐号", "O'Neil mail", "amy", "p", "http://", "2008-03-05");
    addAccount("邮箱帐号", "work mail", "bob", "p");
    addAccount("论坛帐号", "forum", "amy", "p");
    main.TreeViewType.UserClickNode(1);

    find("", "", "", "");  // every input empty, the address left at "http://"
    EXPECT_EQ(names().size(), 3u);
    find("邮箱帐号", "", "amy", "");
    EXPECT_EQ(names(), std::vector<std::string>{"O'Neil mail"});
    find("", "", "", "2008/3/5");
    EXPECT_EQ(names(), std::vector<std::string>{"O'Neil mail"});
    find("", "O'Neil", "", "");  // part of a name finds nothing
    EXPECT_TRUE(names().empty());
    find("", "O'Neil mail", "", "");
    EXPECT_EQ(names().size(), 1u);

    host.OnModal<FrmFind>("FrmFind", [](FrmFind& f) {
        f.TxtRegDate.SetText("2008-13-1");
        f.CmdSave.RaiseClick();
        EXPECT_TRUE(f.IsLoaded());
        EXPECT_EQ(f.ActiveControl(), &f.TxtRegDate);
        f.TxtAccountName.SetText("forum");
        f.CmdCancel.RaiseClick();  // cancelling leaves the list as it was
    });
    main.CmdFind.RaiseClick();
    EXPECT_EQ(boxTexts().back(), "注册日期格式错误,请重新输入!");
    EXPECT_EQ(names(), std::vector<std::string>{"O'Neil mail"});
}

TEST_F(CommandsTest, DeleteRemovesExactlyTheSelectedAccount) {
    FrmMain& main = logIn("amy");
    addAccount("邮箱帐号", "mail", "amy", "p");
    addAccount("其它", "mail", "amy", "p");  // same name and user name, another category

    const int other = main.ListViewUser.Item(0).Text == "其它" ? 0 : 1;
    main.ListViewUser.Select(other);
    host.os.answers = {qm::platform::vbNo};
    main.CmdDel.RaiseClick();
    EXPECT_EQ(host.os.boxes.back().text, "是否删除帐号<mail>,删除后将不可恢复,请确认!");
    EXPECT_EQ(host.os.boxes.back().title, "删除提示");
    EXPECT_EQ(host.os.boxes.back().style, 36);
    EXPECT_EQ(main.ListViewUser.Count(), 2u);

    main.ListViewUser.Select(other);
    main.CmdDel.RaiseClick();  // Yes
    ASSERT_EQ(main.ListViewUser.Count(), 1u);
    EXPECT_EQ(main.ListViewUser.Item(0).Text, "邮箱帐号");
    qm::store::Recordset rs;
    rs.Open("select * from AccountData", app->DbConn);
    ASSERT_EQ(rs.RecordCount(), 1u);
    EXPECT_EQ(rs["TypeName"].Text(), "邮箱帐号");
}

TEST_F(CommandsTest, EmptyListsAndMissingSelectionsAreToldNotActedOn) {
    FrmMain& main = logIn("amy");
    main.CmdEdit.RaiseClick();
    main.CmdLook.RaiseClick();
    main.CmdDel.RaiseClick();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"没有资料可修改!", "没有资料可查看!", "没有资料可删除!"}));
    host.os.boxes.clear();
    addAccount("其它", "a", "u", "p");
    main.ListViewUser.Select(-1);  // the user clicked beside the rows
    const size_t shown = host.shown.size();
    main.CmdEdit.RaiseClick();
    main.CmdDel.RaiseClick();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"请先在列表中选择一个帐号!", "请先在列表中选择一个帐号!"}));
    EXPECT_EQ(main.ListViewUser.Count(), 1u);
    EXPECT_EQ(host.shown.size(), shown) << "no dialog opened";
}

TEST_F(CommandsTest, TagIsOneWhileADialogIsOpen) {
    FrmMain& main = logIn("amy");
    std::string during;
    host.OnModal<qm::forms::FrmAbout>("FrmAbout", [&](qm::forms::FrmAbout& a) {
        during = main.Tag;
        EXPECT_EQ(a.Caption(), "关于");
        EXPECT_EQ(a.lblVersion.Caption(), "软件版本:V1.0 正式版");
        EXPECT_EQ(a.Label2.Caption(), std::string("交流论坛：") + QM_MAKER_URL);
        a.CmdReturn.RaiseClick();
    });
    main.CmdAbout.RaiseClick();
    EXPECT_EQ(during, "1");
    EXPECT_EQ(main.Tag, "0");
}

TEST_F(CommandsTest, HelpOpensTheDocumentBesideTheProgramOrSaysItIsMissing) {
    FrmMain& main = logIn("amy");
    main.CmdHelp.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"帮助文档已丢失!"});
    const std::string help = qm::store::PathIn(app->AppPath, "帮助.doc");
    std::ofstream(qm::test::PathOf(help)) << "{\\rtf1 }";
    main.CmdHelp.RaiseClick();
    EXPECT_EQ(host.os.opened, std::vector<std::string>{help});
    main.Command1.RaiseClick();
    EXPECT_EQ(host.os.opened.back(), QM_MAKER_URL);
}

TEST_F(CommandsTest, CloseBoxGoesToTheTrayAndBack) {
    FrmMain& main = logIn("amy");
    EXPECT_FALSE(main.RequestClose());  // Custom2 = 1: minimise instead
    EXPECT_EQ(main.WindowState(), FrmMain::vbMinimized);
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.tip, "Quillmere");
    EXPECT_TRUE(main.TimerAutoLock.Enabled());
    EXPECT_TRUE(app->DbConn.IsOpen());
    EXPECT_TRUE(boxTexts().empty()) << "no exit question";

    main.TrayMouse(0x0202);
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(main.WindowState(), FrmMain::vbNormal);
    EXPECT_FALSE(tray.shown);
    EXPECT_FALSE(main.TimerAutoLock.Enabled());

    app->RsUser["Custom2"] = 0;
    app->RsUser.Update();
    host.os.answers = {qm::platform::vbNo};
    EXPECT_FALSE(main.RequestClose());  // now the close box asks; No keeps everything
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"是否退出系统？"});
    EXPECT_TRUE(main.IsLoaded());
    EXPECT_TRUE(app->DbConn.IsOpen());
}

TEST_F(CommandsTest, QuitStoresWidthsEnciphersAndClearsTheClipboard) {
    FrmMain& main = logIn("amy");
    main.ListViewUser.UserSetColumnWidth(0, 50);  // narrowed by hand to almost nothing
    main.ListViewUser.UserSetColumnWidth(4, 3000);
    host.os.clipboard = "copied password";
    main.CmdQuit.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"是否退出系统？"});
    EXPECT_FALSE(main.IsLoaded());
    EXPECT_EQ(host.os.clipboard, "");
    EXPECT_EQ(qm::store::InspectDataFile(app->DataFilePath()), FileForm::Enciphered);

    restart();
    qm::forms::FrmLogin& login = forms->Login();
    login.Show();
    login.CbUser.SetText("amy");
    login.TxtPass.SetText("secret1");
    login.CmdLogin.RaiseClick();
    FrmMain& again = forms->Main();
    EXPECT_EQ(again.ListViewUser.Columns()[0].Width, 100);
    EXPECT_EQ(again.ListViewUser.Columns()[4].Width, 3000);
}

TEST_F(CommandsTest, ClipboardStaysWhenTheUserWantsIt) {
    FrmMain& main = logIn("amy");
    app->RsUser["ClearClipboard"] = false;
    app->RsUser.Update();
    host.os.clipboard = "keep me";
    main.CmdQuit.RaiseClick();
    EXPECT_EQ(host.os.clipboard, "keep me");
}

TEST_F(CommandsTest, ViewEditAndDeleteActOnTheSelectedRowNotTheFirstOfItsName) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "mail", "a", "p");
    addAccount("其它", "mail", "b", "p");      // the same name, another user name
    addAccount("邮箱帐号", "mail", "b", "p");  // the same name and user name, another category
    const auto row = [&](const std::string& type, const std::string& id) {
        for (size_t i = 0; i < main.ListViewUser.Count(); ++i)
            if (main.ListViewUser.Item(i).Text == type && main.ListViewUser.Item(i).SubItems[1] == id)
                return static_cast<int>(i);
        return -1;
    };
    const std::pair<const char*, const char*> later[] = {{"其它", "b"}, {"邮箱帐号", "b"}};

    for (const auto& [type, id] : later) {
        main.ListViewUser.Select(row(type, id));
        std::string seen;
        host.OnModal<qm::forms::FrmData>("FrmData", [&](qm::forms::FrmData& d) {
            seen = d.CbAccountType.Text() + "/" + d.TxtAccountID.Text();
        });
        main.CmdLook.RaiseClick();
        EXPECT_EQ(seen, std::string(type) + "/" + id) << "view";

        main.ListViewUser.Select(row(type, id));
        // A copy: Clang 14 cannot capture a structured binding.
        host.OnModal<qm::forms::FrmData>("FrmData", [&, edited = std::string("edited ") + type](qm::forms::FrmData& d) {
            d.TxtRemarks.SetText(edited);
            d.CmdSave.RaiseClick();
        });
        main.CmdEdit.RaiseClick();
    }
    qm::store::Recordset rs;
    rs.Open("select * from AccountData", app->DbConn);
    std::vector<std::string> remarks;
    for (; !rs.Eof(); rs.MoveNext()) remarks.push_back(rs["Remarks"].Text());
    EXPECT_EQ(remarks, (std::vector<std::string>{"", "edited 其它", "edited 邮箱帐号"}));

    for (const auto& [type, id] : later) {
        main.ListViewUser.Select(row(type, id));
        main.CmdDel.RaiseClick();
        EXPECT_EQ(row(type, id), -1) << "delete " << type;
        rs.Open("select * from AccountData where TypeName = '" + std::string(type) + "' and AccountID = '" + id + "'",
                app->DbConn);
        EXPECT_TRUE(rs.Eof()) << "delete " << type;
    }
    ASSERT_EQ(main.ListViewUser.Count(), 1u);
    EXPECT_EQ(main.ListViewUser.Item(0).SubItems[1], "a");
    rs.Open("select * from AccountData", app->DbConn);
    EXPECT_EQ(rs.RecordCount(), 1u);
}

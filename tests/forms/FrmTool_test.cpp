// The tools dialog: backup through the save dialog, the automatic backup at
// start, compaction, and clearing the clipboard.
#include "forms/FrmTool.h"
#include "forms/FrmVerifyPassword.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "support/app_fixture.h"
#include "tools/Backup.h"

using qm::forms::FrmMain;
using qm::forms::FrmTool;
using qm::store::FileForm;
using Texts = std::vector<std::string>;

namespace {

class ToolTest : public qm::test::AppTest {
protected:
    // Opens the tools dialog from the main window and plays the user there.
    void inTools(std::function<void(FrmTool&)> script) {
        host.OnModal<FrmTool>("FrmTool", std::move(script));
        forms->Main().CmdTool.RaiseClick();
    }
    void press(qm::ui::CommandButton FrmTool::*button) {
        inTools([button](FrmTool& t) { (t.*button).RaiseClick(); });
    }
    size_t accountsIn(const std::string& backup) {
        qm::store::Connection b;
        qm::tools::OpenBackup(backup, app->Cipher, b);
        qm::store::Recordset rs;
        rs.Open("select * from AccountData", b);
        return rs.RecordCount();
    }
    std::string inFolder(const std::string& name) const { return qm::store::PathIn(app->AppPath, name); }
};

}  // namespace

TEST_F(ToolTest, BackupAsksWhereAddsDatAndSaysHowItWent) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "mail", "amy", "pw");
    host.os.chosenFiles = {inFolder("mine"), "", inFolder("second.DAT")};
    press(&FrmTool::CmdBackup);
    press(&FrmTool::CmdBackup);  // cancelled: nothing happens, nothing is said
    press(&FrmTool::CmdBackup);
    ASSERT_EQ(host.os.fileDialogs.size(), 3u);
    const auto& d = host.os.fileDialogs[0];
    EXPECT_EQ(d.kind, "save");
    EXPECT_EQ(d.filter, "备份文件(dat)|*.dat");
    EXPECT_EQ(d.folder, app->AppPath);
    EXPECT_EQ(d.defaultName, "SystemDataBackup.dat");
    EXPECT_EQ(d.title, "保存备份文件");
    EXPECT_EQ(boxTexts(), (Texts{"数据备份成功!", "数据备份成功!"}));
    EXPECT_EQ(host.os.boxes[0].style, qm::platform::vbInformation);
    EXPECT_EQ(host.os.boxes[0].title, "提示");
    EXPECT_EQ(qm::store::InspectDataFile(inFolder("mine.dat")), FileForm::Enciphered);
    EXPECT_EQ(accountsIn(inFolder("mine.dat")), 1u);
    EXPECT_TRUE(qm::platform::FileExists(inFolder("second.DAT")));
    EXPECT_FALSE(qm::platform::FileExists(inFolder("second.DAT.dat")));
    EXPECT_TRUE(main.IsLoaded());
    EXPECT_EQ(main.Tag, "0");
}

TEST_F(ToolTest, BackupReplacesAnOldFileOnlyWithACompleteNewOne) {
    logIn("amy");
    addAccount("其它", "one", "amy", "pw");
    const std::string target = inFolder("SystemDataBackup.dat");
    host.os.chosenFiles = {target};
    press(&FrmTool::CmdBackup);
    addAccount("其它", "two", "amy", "pw");
    host.os.chosenFiles = {target};
    press(&FrmTool::CmdBackup);
    EXPECT_EQ(accountsIn(target), 2u) << "backing up over a file replaces it";

    // The new backup cannot be written (as on a full disk): the old one stays whole.
    std::filesystem::create_directory(qm::test::PathOf(target + ".qmtmp"));
    host.os.boxes.clear();
    host.os.chosenFiles = {target};
    press(&FrmTool::CmdBackup);
    EXPECT_EQ(boxTexts(), Texts{"数据备份失败!"});
    EXPECT_EQ(host.os.boxes[0].style, qm::platform::vbExclamation);
    EXPECT_EQ(accountsIn(target), 2u);
}

TEST_F(ToolTest, TheAutomaticBackupAtStartWritesItsFile) {
    registerUser("amy", "secret1");
    const std::string target = inFolder("auto backup.dat");
    app->RsUser.Requery();
    app->RsUser.Filter("UserName = 'amy'");
    app->RsUser["AutoBackup"] = 2;
    app->RsUser["PriorBackupDate"] = "2026-12-01";
    app->RsUser["AutoBackupPath"] = target;
    app->RsUser["AutoCompress"] = false;
    app->RsUser.Update();
    qm::forms::FrmLogin& login = forms->Login();
    login.CbUser.SetText("amy");
    login.TxtPass.SetText("secret1");
    host.os.boxes.clear();
    login.CmdLogin.RaiseClick();
    EXPECT_TRUE(boxTexts().empty()) << "no warning";
    EXPECT_EQ(qm::store::InspectDataFile(target), FileForm::Enciphered);
    EXPECT_EQ(app->RsUser["PriorBackupDate"].Text(), "2026-12-07");
}

TEST_F(ToolTest, CompactionKeepsTheRecordSetsAndTheWindowWorking) {
    FrmMain& main = logIn("amy");
    for (const char* name : {"a", "b", "c", "d"}) addAccount("其它", name, "amy", "pw");
    main.ListViewUser.Select(0);
    host.os.answers = {qm::platform::vbYes};
    main.CmdDel.RaiseClick();
    main.TreeViewType.UserClickNode(9);  // "其它"
    host.os.boxes.clear();
    const std::string sources[] = {app->RsUser.Source(), app->RsType.Source(), app->RsData.Source()};
    const std::string filters[] = {app->RsUser.Filter(), app->RsType.Filter(), app->RsData.Filter()};

    press(&FrmTool::CmdCompress);
    press(&FrmTool::CmdCompress);  // finds no temporary file of the first one
    EXPECT_EQ(boxTexts(), (Texts{"数据库压缩完毕!", "数据库压缩完毕!"}));
    EXPECT_FALSE(qm::platform::FileExists(inFolder("$Temp.tmp")));
    EXPECT_EQ(app->RsUser.Source(), sources[0]);
    EXPECT_EQ(app->RsType.Source(), sources[1]);
    EXPECT_EQ(app->RsData.Source(), sources[2]);
    EXPECT_EQ(app->RsUser.Filter(), filters[0]);
    EXPECT_EQ(app->RsType.Filter(), "") << "no filter before, none after";
    EXPECT_EQ(app->RsData.Filter(), filters[2]);
    ASSERT_FALSE(app->RsUser.Eof());
    EXPECT_EQ(app->RsUser["UserName"].Text(), "amy");

    // The data file is still held and the window still edits the right rows.
    EXPECT_EQ(qm::store::InspectDataFile(app->DataFilePath()), FileForm::InUse);
    main.ListViewUser.Select(0);
    main.CmdDel.RaiseClick();
    EXPECT_EQ(main.ListViewUser.Count(), 2u);
}

TEST_F(ToolTest, AFailedCompactionIsToldAndTheProgramGoesOn) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "a", "amy", "pw");
    std::filesystem::create_directories(qm::test::PathOf(inFolder("$Temp.tmp")) / "in the way");
    press(&FrmTool::CmdCompress);
    ASSERT_EQ(host.os.boxes.size(), 1u);
    EXPECT_EQ(host.os.boxes[0].text.rfind("数据库压缩失败,数据文件保持原样。", 0), 0u) << host.os.boxes[0].text;
    EXPECT_EQ(host.os.boxes[0].style, qm::platform::vbExclamation);
    addAccount("其它", "b", "amy", "pw");
    EXPECT_EQ(main.ListViewUser.Count(), 2u);
}

TEST_F(ToolTest, ClearingTheClipboardAlsoDisarmsTheHotKeys) {
    logIn("amy");
    host.os.clipboard = "a password";
    app->HotKeys.SetHotKeyTexts({"user", "password", "http://x"});
    press(&FrmTool::CmdEmpty);
    EXPECT_EQ(host.os.clipboard, "");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(app->HotKeys.HotKeyTable[i].ActionText, "");
    EXPECT_EQ(boxTexts(), Texts{"剪贴板已清空!"});
}

TEST_F(ToolTest, ExportWarnsOfSpreadsheetsAndNamesWhatWouldNotOpen) {
    logIn("amy");
    for (const char* name : {"good", "remark damaged", "password damaged"}) addAccount("其它", name, "amy", "pw1234");
    // A text sealed for another user does not open in this one's book.
    app->DbConn.Execute("UPDATE AccountData SET Remarks = '\xC2\x81x' WHERE AccountName = 'remark damaged'");
    app->DbConn.Execute("UPDATE AccountData SET AccountPassword = '\xC2\x81x' WHERE AccountName = 'password damaged'");
    host.os.boxes.clear();
    host.os.answers = {qm::platform::vbYes};
    host.os.chosenFiles = {inFolder("out.csv")};
    host.OnModal<qm::forms::FrmVerifyPassword>("FrmVerifyPassword", [](qm::forms::FrmVerifyPassword& v) {
        v.TxtPwd.SetText("secret1");
        v.CmdOK.RaiseClick();
    });
    press(&FrmTool::CmdExport);
    ASSERT_EQ(host.os.boxes.size(), 2u);
    EXPECT_NE(host.os.boxes[0].text.find("不要用 Excel、WPS 等电子表格软件打开"), std::string::npos) << host.os.boxes[0].text;
    EXPECT_EQ(host.os.boxes[1].text,
              "导出完成,共导出 1 个帐号。\n\n以下 2 个帐号的密码或备注已损坏,无法解密,没有导出:\nremark damaged 等");
    const auto bytes = qm::platform::ReadWholeFile(inFolder("out.csv"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "\xEF\xBB\xBFGroup,Title,Username,Password,URL,Notes,Created,TOTP\r\n其它,good,amy,pw1234,,,,\r\n");
}

#include "forms/FrmTool.h"

#include "forms/Clipboard.h"
#include "forms/FrmMain.h"
#include "forms/FrmResumeData.h"
#include "forms/FrmUser.h"
#include "store/TextRules.h"
#include "tools/Backup.h"

namespace qm::forms {

FrmTool::FrmTool(Forms& forms) : ui::Form(forms.Host(), "FrmTool"), forms_(forms), app_(forms.App()) {
    SetCaption("工具");
    Move(0, 0, 5640, 2580);
    SetBackColor(0xF6E7D5);  // RGB(213, 231, 246)
    const auto row = [](ui::PictureBox& frame, int top, std::initializer_list<std::pair<ui::CommandButton*, const char*>> buttons) {
        frame.Move(120, top, 5400, 660);
        frame.SetBackColor(0xFBF4EC);  // a lighter band of the dialog's blue
        int left = 150;
        for (const auto& [button, caption] : buttons) {
            button->SetContainer(&frame);
            button->SetCaption(caption);
            button->Move(left, 120, 1600, 420);
            left += 1725;
        }
    };
    row(PicFrame1, 120, {{&CmdBackup, "备份数据(&B)"}, {&CmdResume, "恢复数据(&R)"}, {&CmdCompress, "压缩数据(&C)"}});
    row(PicFrame2, 900, {{&CmdEditUserName, "修改用户名(&U)"}, {&CmdEditPassword, "修改密码(&P)"}, {&CmdLogoutUser, "注销用户(&D)"}});
    CmdEmpty.SetCaption("清空剪贴板(&E)");
    CmdEmpty.Move(270, 1800, 1600, 420);
    CmdClose.SetCaption("关闭(&C)");
    CmdClose.Move(3720, 1800, 1600, 420);
    CmdClose.Cancel = true;

    CmdBackup.Click = [this] { CmdBackup_Click(); };
    CmdResume.Click = [this] { CmdResume_Click(); };
    CmdCompress.Click = [this] { CmdCompress_Click(); };
    CmdEditUserName.Click = [this] { CmdEditUserName_Click(); };
    CmdEditPassword.Click = [this] { CmdEditPassword_Click(); };
    CmdLogoutUser.Click = [this] { CmdLogoutUser_Click(); };
    CmdEmpty.Click = [this] { CmdEmpty_Click(); };
    CmdClose.Click = [this] { CmdClose_Click(); };
}

void FrmTool::CmdBackup_Click() {
    const std::string chosen = Os().ShowSaveDialog(tools::kBackupFilter, app_.AppPath, tools::kDefaultBackupName, "保存备份文件");
    if (chosen.empty()) return;
    const std::string path = tools::WithBackupExtension(chosen);
    if (app_.BackupDatabase && app_.BackupDatabase(path, true))
        MsgBox("数据备份成功!", platform::vbInformation, "提示");
    else
        MsgBox("数据备份失败!", platform::vbExclamation, "提示");
}

void FrmTool::CmdResume_Click() {
    const std::string chosen = Os().ShowOpenDialog(tools::kBackupFilter, app_.AppPath, "请选择备份文件");
    if (chosen.empty()) return;
    app_.BackupFilePath = tools::WithBackupExtension(chosen);
    forms_.ResumeData().Show(true, this);
    if (store::CompareNoCase(app_.ReloadMark, "resume") == 0) {
        FrmMain& main = forms_.Main();
        main.IsAddType();
        main.RequeryData();
        // Restored settings bring their hot keys with them.
        main.LoadHotKeys();
    }
}

void FrmTool::CmdCompress_Click() {
    try {
        tools::CompactDatabase(app_.DbConn, store::PathIn(app_.AppPath, tools::kCompactionTempName),
                               {&app_.RsUser, &app_.RsType, &app_.RsData});
    } catch (const std::exception& e) {
        MsgBox(std::string("数据库压缩失败,数据文件保持原样。\n\n详细信息:") + e.what(), platform::vbExclamation, "提示");
        return;
    }
    Say("数据库压缩完毕!");
}

void FrmTool::CmdEmpty_Click() {
    const bool cleared = ClearForUser(*this, kClipboardNotCleared);
    // The hot keys type nothing until an account is chosen again.
    app_.HotKeys.SetHotKeyTexts({"", "", ""});
    if (cleared) Say("剪贴板已清空!");
}

void FrmTool::editUser(const char* mode) {
    app_.UserEditMode = mode;
    forms_.User().Show(true, this);
}

}  // namespace qm::forms

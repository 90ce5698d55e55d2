#include "forms/FrmTool.h"

#include "forms/Clipboard.h"
#include "forms/FrmHealth.h"
#include "forms/FrmImport.h"
#include "forms/FrmMain.h"
#include "forms/FrmRecycleBin.h"
#include "forms/FrmResumeData.h"
#include "forms/FrmUser.h"
#include "forms/FrmVerifyPassword.h"
#include "platform/Wiped.h"
#include "platform/files.h"
#include "store/TextRules.h"
#include "text/date.h"
#include "tools/Backup.h"
#include "transfer/Export.h"

namespace qm::forms {

FrmTool::FrmTool(Forms& forms) : ui::Form(forms.Host(), "FrmTool"), forms_(forms), app_(forms.App()) {
    SetCaption("工具");
    Move(0, 0, 5640, 4140);
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
    row(PicFrame3, 1680, {{&CmdImport, "导入数据(&I)"}, {&CmdExport, "导出数据(&X)"}, {&CmdHealth, "密码体检(&H)"}});
    row(PicFrame4, 2460, {{&CmdEmpty, "清空剪贴板(&E)"}, {&CmdRecycleBin, "回收站(&B)"}, {&CmdSync, "立即同步(&Y)"}});
    CmdClose.SetCaption("关闭(&C)");
    CmdClose.Move(3720, 3360, 1600, 420);
    CmdClose.Cancel = true;

    CmdBackup.Click = [this] { CmdBackup_Click(); };
    CmdResume.Click = [this] { CmdResume_Click(); };
    CmdCompress.Click = [this] { CmdCompress_Click(); };
    CmdEditUserName.Click = [this] { CmdEditUserName_Click(); };
    CmdEditPassword.Click = [this] { CmdEditPassword_Click(); };
    CmdLogoutUser.Click = [this] { CmdLogoutUser_Click(); };
    CmdHealth.Click = [this] { CmdHealth_Click(); };
    CmdImport.Click = [this] { CmdImport_Click(); };
    CmdExport.Click = [this] { CmdExport_Click(); };
    CmdEmpty.Click = [this] { CmdEmpty_Click(); };
    CmdRecycleBin.Click = [this] { CmdRecycleBin_Click(); };
    CmdSync.Click = [this] { CmdSync_Click(); };
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

void FrmTool::CmdHealth_Click() { forms_.Health().Show(true, this); }

void FrmTool::CmdRecycleBin_Click() { forms_.RecycleBin().Show(true, this); }

void FrmTool::CmdSync_Click() { forms_.Main().SyncBook(app::SyncWhen::Now, this); }
namespace {
constexpr const char* kCsvFilter = "CSV 文件(*.csv)|*.csv|所有文件(*.*)|*.*";

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

void FrmTool::CmdImport_Click() {
    const std::string path = Os().ShowOpenDialog(kCsvFilter, "", "选择要导入的文件");
    if (path.empty()) return;
    const auto refuse = [&](const std::string& why) {
        MsgBox("无法导入文件“" + fileName(path) + "”:\n\n" + why + "\n\n没有导入任何数据。", platform::vbExclamation, "提示");
    };
    std::string bytes;
    try {
        std::vector<unsigned char> read = platform::ReadWholeFile(path);
        bytes.assign(read.begin(), read.end());
        platform::WipeMemory(read.data(), read.capacity());
    } catch (const platform::FileError& e) {
        refuse(e.Fault == platform::FileFault::InUse ? "文件正被另一个程序使用。" : std::string("读取文件出错:") + e.what());
        return;
    }
    transfer::SourceFile source;
    try {
        source = transfer::ReadSource(bytes);
    } catch (const transfer::ImportError& e) {
        platform::Wipe(bytes);
        refuse((e.Line ? "第 " + std::to_string(e.Line) + " 行:" : std::string()) + e.what() + "。");
        return;
    }
    FrmImport& preview = forms_.Import();
    preview.Prepare(path, std::move(bytes), std::move(source));
    preview.Show(true, this);
    if (!preview.Imported()) return;
    FrmMain& main = forms_.Main();
    main.IsAddType();
    main.RequeryData();
}

void FrmTool::CmdExport_Click() {
    if (MsgBox("导出的文件将以明文保存当前用户的全部帐号和密码,任何能打开这个文件的人都能看到它们。\n"
               "请妥善保管导出的文件,用完后及时删除。\n\n"
               "这个文件供其他密码管理器导入,请不要用 Excel、WPS 等电子表格软件打开它:其中的文字原样保存,"
               "以“=”等符号开头的名称或备注会被电子表格当作公式执行。\n\n确定要导出吗?",
               platform::vbYesNo | platform::vbExclamation, "提示") != platform::vbYes)
        return;
    FrmVerifyPassword& verify = forms_.VerifyPassword();
    verify.Show(true, this);
    if (!verify.Proven()) return;
    const platform::Date today = Os().Today();
    std::string path = Os().ShowSaveDialog("CSV 文件(*.csv)|*.csv", "", transfer::ExportFileName(today.year, today.month, today.day),
                                           "保存导出文件");
    if (path.empty()) return;
    if (path.size() < 4 || store::CompareNoCase(path.substr(path.size() - 4), ".csv") != 0) path += ".csv";
    transfer::ExportResult result;
    try {
        result = transfer::WriteExport(app_.DbConn, app_.CurrentUser, StoredSecrets(app_), path);
    } catch (const platform::FileError& e) {
        MsgBox(std::string("导出失败,没有写入文件。\n\n详细信息:") + e.what(), platform::vbExclamation, "提示");
        return;
    }
    std::string said = "导出完成,共导出 " + std::to_string(result.written) + " 个帐号。";
    if (!result.damaged.empty())
        said += "\n\n以下 " + std::to_string(result.damaged.size()) + " 个帐号的密码或备注已损坏,无法解密,没有导出:\n" +
                result.damaged.front() + (result.damaged.size() > 1 ? " 等" : "");
    Say(said);
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

#pragma once
// The tools dialog: backup, restore and compaction of the data file,
// clearing the clipboard, the maintenance of the current user, and the
// import and export of the user's accounts, the password health check and
// the recycle bin.
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmTool : public ui::Form {
public:
    explicit FrmTool(Forms& forms);

    ui::PictureBox PicFrame1{this, "PicFrame1"};
    ui::CommandButton CmdBackup{this, "CmdBackup"};
    ui::CommandButton CmdResume{this, "CmdResume"};
    ui::CommandButton CmdCompress{this, "CmdCompress"};
    ui::PictureBox PicFrame2{this, "PicFrame2"};
    ui::CommandButton CmdEditUserName{this, "CmdEditUserName"};
    ui::CommandButton CmdEditPassword{this, "CmdEditPassword"};
    ui::CommandButton CmdLogoutUser{this, "CmdLogoutUser"};
    ui::PictureBox PicFrame3{this, "PicFrame3"};
    ui::CommandButton CmdHealth{this, "CmdHealth"};
    ui::CommandButton CmdImport{this, "CmdImport"};
    ui::CommandButton CmdExport{this, "CmdExport"};
    ui::PictureBox PicFrame4{this, "PicFrame4"};
    ui::CommandButton CmdEmpty{this, "CmdEmpty"};
    ui::CommandButton CmdRecycleBin{this, "CmdRecycleBin"};
    ui::CommandButton CmdSync{this, "CmdSync"};
    ui::CommandButton CmdClose{this, "CmdClose"};

    void CmdBackup_Click();
    void CmdResume_Click();
    void CmdCompress_Click();
    void CmdEditUserName_Click() { editUser("edituser"); }
    void CmdEditPassword_Click() { editUser("editpassword"); }
    void CmdLogoutUser_Click() { editUser("logout"); }
    void CmdHealth_Click();
    void CmdImport_Click();
    void CmdExport_Click();
    void CmdEmpty_Click();
    void CmdRecycleBin_Click();
    void CmdSync_Click();
    void CmdClose_Click() { Unload(); }

protected:
    void Form_Load() override { Host().AttachSkin(*this); }

private:
    void editUser(const char* mode);

    Forms& forms_;
    app::AppContext& app_;
};

}  // namespace qm::forms

#pragma once
// Restore from a backup: the categories and accounts of one user of the
// backup (and, on request, that user's settings) replace the current user's.
#include "forms/Forms.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmResumeData : public ui::Form {
public:
    explicit FrmResumeData(Forms& forms);

    ui::PictureBox PicOther{this, "PicOther"};
    ui::Label lblTips{this, "lblTips"};
    ui::Label lblUser{this, "lblUser"};
    ui::ComboBox CbUser{this, "CbUser", ui::ComboBox::DropdownList};
    ui::Label lblPass{this, "lblPass"};
    ui::TextBox TxtPass{this, "TxtPass"};
    ui::CheckBox ChkUserSet{this, "ChkUserSet"};
    ui::CommandButton CmdResume{this, "CmdResume"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdResume_Click();
    void CmdCancel_Click() { Unload(); }

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    // Opens the backup and lists its users; false when it cannot be read (the user was told).
    bool openBackup();
    // `backupForm`: how the backup user's secrets are stored; the restored
    // ones are stored in the current user's form.
    void restore(const std::string& backupUser, bool settingsToo, const vault::Sealer& backupForm);
    // The backup user's rows of the program's own account table `table`
    // (earlier versions, the recycle bin) replace the current user's.
    void restoreOwnTable(const char* table, const std::string& backupUser, const vault::Sealer& backupForm, bool asStored);
    // The backup user's options (except the protection's own) become the current user's.
    void restoreOptions(const std::string& backupUser);

    app::AppContext& app_;
    // The backup, held in memory on a connection of its own; the connection
    // is declared first so that it outlives its record sets.
    store::Connection backup_;
    store::Recordset backupUsers_;
    store::Recordset backupTypes_;
    store::Recordset backupData_;
};

}  // namespace qm::forms

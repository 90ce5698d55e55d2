#pragma once
// An account's earlier versions: one row for each change, newest first,
// with what it changed; the version before the chosen change below it,
// read-only; its password copied, or the whole version put back. A restore
// keeps the account as it stood in the history too, so it can be undone.
#include <functional>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "store/History.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmHistory : public ui::Form {
public:
    explicit FrmHistory(Forms& forms);

    ui::ListView ListViewVersions{this, "ListViewVersions"};
    ui::PictureBox PicOther{this, "PicOther"};
    ui::Label lblAccountType{this, "lblAccountType"};
    ui::TextBox TxtAccountType{this, "TxtAccountType"};
    ui::Label lblAccountName{this, "lblAccountName"};
    ui::TextBox TxtAccountName{this, "TxtAccountName"};
    ui::Label lblAccountID{this, "lblAccountID"};
    ui::TextBox TxtAccountID{this, "TxtAccountID"};
    ui::Label lblAccountPassword{this, "lblAccountPassword"};
    ui::TextBox TxtAccountPassword{this, "TxtAccountPassword"};
    ui::CheckBox ChkShowPassword{this, "ChkShowPassword"};
    ui::Label lblRegDate{this, "lblRegDate"};
    ui::TextBox TxtRegDate{this, "TxtRegDate"};
    ui::Label lblURL{this, "lblURL"};
    ui::TextBox TxtURL{this, "TxtURL"};
    ui::Label lblRemarks{this, "lblRemarks"};
    ui::TextBox TxtRemarks{this, "TxtRemarks"};
    ui::CommandButton CmdCopy{this, "CmdCopy"};
    ui::CommandButton CmdRestore{this, "CmdRestore"};
    ui::CommandButton CmdClose{this, "CmdClose"};

    // Set by the opener: the identity of the account shown, and what it
    // does once a version was put back (the main window is then up to date).
    std::string Account;
    std::function<void()> Restored;

    void ListViewVersions_ItemSelect();
    void ChkShowPassword_Click();
    void CmdCopy_Click();
    void CmdRestore_Click();
    void CmdClose_Click() { Unload(); }

protected:
    void Form_Load() override;

private:
    class VersionRows;
    // Reads the account and its versions anew; false when the account is gone.
    bool load();
    // Shows the chosen version, or nothing when none is chosen or it does not open.
    void showChosen();
    void clearFields();

    Forms& forms_;
    app::AppContext& app_;
    store::Version current_;
    std::vector<store::Version> versions_;
};

}  // namespace qm::forms

#pragma once
// The query dialog: whole-value conditions on the user's accounts.
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmFind : public ui::Form {
public:
    explicit FrmFind(Forms& forms);

    ui::PictureBox PicOther{this, "PicOther"};
    ui::Label lblCaption{this, "lblCaption"};
    ui::Label lblAccountType{this, "lblAccountType"};
    ui::ComboBox CbAccountType{this, "CbAccountType"};
    ui::Label lblAccountName{this, "lblAccountName"};
    ui::TextBox TxtAccountName{this, "TxtAccountName"};
    ui::Label lblAccountID{this, "lblAccountID"};
    ui::TextBox TxtAccountID{this, "TxtAccountID"};
    ui::Label lblRegDate{this, "lblRegDate"};
    ui::TextBox TxtRegDate{this, "TxtRegDate"};
    ui::Label lblURL{this, "lblURL"};
    ui::TextBox TxtURL{this, "TxtURL"};
    ui::CommandButton CmdSave{this, "CmdSave"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdSave_Click();
    void CmdCancel_Click() { Unload(); }

protected:
    void Form_Load() override;

private:
    Forms& forms_;
    app::AppContext& app_;
};

}  // namespace qm::forms

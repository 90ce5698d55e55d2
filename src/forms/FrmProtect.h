#pragma once
// The small dialog that asks for the login password before strong
// protection is switched on or off, and then converts the user.
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmProtect : public ui::Form {
public:
    explicit FrmProtect(Forms& forms);

    ui::Label lblTips{this, "lblTips"};
    ui::TextBox TxtPwd{this, "TxtPwd"};
    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    // Set before the dialog is shown: switch on (true) or off (false).
    bool SwitchingOn = true;
    // After it closes: the user was converted.
    bool Done = false;

    void CmdOK_Click();
    void CmdCancel_Click() { Unload(); }

protected:
    void Form_Load() override;

private:
    app::AppContext& app_;
};

}  // namespace qm::forms

#pragma once
// The unlock dialog: while the program is locked, every way back to the main
// window leads here, and only the current user's login password opens it.
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmLoosenLock : public ui::Form {
public:
    explicit FrmLoosenLock(Forms& forms);

    ui::Label lblTips{this, "lblTips"};
    ui::TextBox TxtPwd{this, "TxtPwd"};
    ui::CommandButton CmdUntie{this, "CmdUntie"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    // Whether a right password brings the main window back; not when a hot
    // key asked for the unlock: the user goes on in the window in front.
    bool ThenShowMain = true;

    void CmdUntie_Click();
    void CmdCancel_Click() { Unload(); }

protected:
    void Form_Load() override;

private:
    Forms& forms_;
    app::AppContext& app_;
};

}  // namespace qm::forms

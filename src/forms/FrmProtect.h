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
    ui::Label lblNote{this, "lblNote"};

    // What the note under the box says about the backups made before the switch.
    static constexpr const char* kNoteOn =
        "注意:此前做的备份中,登录密码、帐号密码和备注仍只做了混淆,拿到备份的人仍能还原它们。";
    static constexpr const char* kNoteOff = "注意:此前做的备份仍是加强保护的形式,恢复时要输入当时的登录密码。";

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

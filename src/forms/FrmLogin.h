#pragma once
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmLogin : public ui::Form {
public:
    explicit FrmLogin(Forms& forms);

    ui::PictureBox PicOther{this, "PicOther"};
    ui::Image Image1{this, "Image1"};
    ui::Label lblUser{this, "lblUser"};
    ui::ComboBox CbUser{this, "CbUser"};
    ui::Label lblPass{this, "lblPass"};
    ui::TextBox TxtPass{this, "TxtPass"};
    ui::CommandButton CmdLogin{this, "CmdLogin"};
    ui::CommandButton CmdRegNewUser{this, "CmdRegNewUser"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdLogin_Click();
    void CmdRegNewUser_Click();
    void CmdCancel_Click() { Unload(); }

    int16_t LoginFailures = 0;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(int& Cancel) override;

private:
    void fillUsers();

    Forms& forms_;
    app::AppContext& app_;
};

}  // namespace qm::forms

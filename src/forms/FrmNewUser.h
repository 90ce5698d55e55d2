#pragma once
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

// The categories every new user starts with; the category editor keeps these names reserved.
inline constexpr const char* kDefaultCategories = "FTP帐号,博客帐号,聊天帐号,论坛帐号,网站帐号,银行帐号,邮箱帐号,游戏帐号,其它";

class FrmNewUser : public ui::Form {
public:
    explicit FrmNewUser(Forms& forms);

    ui::PictureBox PicOther{this, "PicOther"};
    ui::Label lblUser{this, "lblUser"};
    ui::TextBox TxtUser{this, "TxtUser"};
    ui::Label lblPass{this, "lblPass"};
    ui::TextBox TxtPass{this, "TxtPass"};
    ui::Label lblVerifyPass{this, "lblVerifyPass"};
    ui::TextBox TxtVerifyPass{this, "TxtVerifyPass"};
    ui::Label lblPassStrength{this, "lblPassStrength"};
    ui::Shape ShapePass{this, "ShapePass"};
    ui::Label lblStrength{this, "lblStrength"};
    ui::Label lblTip{this, "lblTip"};
    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdOK_Click();
    void CmdCancel_Click() { Unload(); }
    void TxtPass_Change();

protected:
    void Form_Load() override { Host().AttachSkin(*this); }

private:
    app::AppContext& app_;
};

}  // namespace qm::forms

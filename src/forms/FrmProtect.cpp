#include "forms/FrmProtect.h"

#include "skin/Colours.h"
#include "vault/Protection.h"

namespace qm::forms {

FrmProtect::FrmProtect(Forms& forms) : ui::Form(forms.Host(), "FrmProtect"), app_(forms.App()) {
    SetCaption("加强保护");
    Move(0, 0, 4800, 2250);
    SetBackColor(skin::kFormColour);
    lblTips.Move(300, 300, 4200, 300);
    TxtPwd.Move(300, 720, 4200, 330);
    TxtPwd.SetPasswordChar('*');
    CmdOK.SetCaption("确定(&O)");
    CmdOK.Move(900, 1350, 1300, 420);
    CmdOK.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(2600, 1350, 1300, 420);
    CmdCancel.Cancel = true;

    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmProtect::Form_Load() {
    Host().AttachSkin(*this);
    lblTips.SetCaption(SwitchingOn ? "请输入登录密码以启用加强保护:" : "请输入登录密码以关闭加强保护:");
    Done = false;
}

void FrmProtect::CmdOK_Click() {
    const std::string& typed = TxtPwd.Text();
    if (typed.empty()) {
        Say("请输入密码!");
        TxtPwd.SetFocus();
        return;
    }
    const vault::Proven proven = app_.Secrets.Prove(app_.DbConn, app_.RsUser, typed);
    if (proven.Result == vault::Proof::Damaged) {
        Say(vault::kDamagedKeyMessage);
        return;
    }
    if (proven.Result != vault::Proof::Right) {
        Say("用户密码错误,请重新输入!");
        TxtPwd.SetFocus();
        return;
    }
    if (SwitchingOn) vault::SwitchOn(app_.DbConn, app_.RsUser, app_.Secrets, proven, typed);
    else vault::SwitchOff(app_.DbConn, app_.RsUser, app_.Secrets, proven, typed);
    Done = true;
    TxtPwd.Wipe();
    Unload();
}

}  // namespace qm::forms

#include "forms/FrmProtect.h"

#include "forms/PasswordPrompt.h"
#include "vault/Protection.h"

namespace qm::forms {

FrmProtect::FrmProtect(Forms& forms) : ui::Form(forms.Host(), "FrmProtect"), app_(forms.App()) {
    SetCaption("加强保护");
    // Two lines of note under the box.
    LayOutPasswordPrompt(*this, lblTips, TxtPwd, CmdOK, CmdCancel, 540);
    lblNote.Move(300, kPromptNoteTop, 4200, 480);

    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmProtect::Form_Load() {
    Host().AttachSkin(*this);
    lblTips.SetCaption(SwitchingOn ? "请输入登录密码以启用加强保护:" : "请输入登录密码以关闭加强保护:");
    // A switch changes the data file only: every backup keeps the form it was made in.
    lblNote.SetCaption(SwitchingOn ? kNoteOn : kNoteOff);
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
    if (const char* why = vault::KeyRowMessage(proven.Result)) {
        Say(why);
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

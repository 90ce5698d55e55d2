#include "forms/FrmSyncPassword.h"

#include "forms/PasswordPrompt.h"

namespace qm::forms {

FrmSyncPassword::FrmSyncPassword(Forms& forms) : ui::Form(forms.Host(), "FrmSyncPassword") {
    SetCaption("同步文件密码");
    // The question takes two lines: the buttons move down by one.
    LayOutPasswordPrompt(*this, lblTips, TxtPwd, CmdOK, CmdCancel, 300);
    lblTips.SetCaption("同步文件的登录密码与本机不同,请输入同步文件的登录密码:");
    lblTips.Move(300, 240, 4200, 600);
    TxtPwd.Move(300, 960, 4200, 330);
    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmSyncPassword::CmdOK_Click() {
    if (TxtPwd.Text().empty()) {
        Say("请输入密码!");
        TxtPwd.SetFocus();
        return;
    }
    typed_.emplace(TxtPwd.Text().data(), TxtPwd.Text().size());
    TxtPwd.Wipe();
    Unload();
}

std::optional<platform::WipedString> FrmSyncPassword::TakeTyped() {
    std::optional<platform::WipedString> typed = std::move(typed_);
    typed_.reset();
    return typed;
}

}  // namespace qm::forms

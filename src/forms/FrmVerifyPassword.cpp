#include "forms/FrmVerifyPassword.h"

#include "skin/Colours.h"

namespace qm::forms {

namespace {
vault::Field fieldOf(transfer::SecretField f) {
    return f == transfer::SecretField::AccountPassword ? vault::Field::AccountPassword : vault::Field::Remarks;
}
}  // namespace

transfer::SecretSeal StoredSecrets(app::AppContext& app) {
    return {[&app](transfer::SecretField f, std::string_view plain) { return app.Secrets.Seal(fieldOf(f), plain); },
            [&app](transfer::SecretField f, std::string_view stored) -> std::optional<std::string> {
                const std::optional<vault::SecretText> text = app.Secrets.Open(fieldOf(f), stored);
                if (!text) return std::nullopt;
                return text->str();
            }};
}

FrmVerifyPassword::FrmVerifyPassword(Forms& forms) : ui::Form(forms.Host(), "FrmVerifyPassword"), app_(forms.App()) {
    SetCaption("验证登录密码");
    Move(0, 0, 4800, 2250);
    SetBackColor(skin::kFormColour);
    lblTips.SetCaption("请输入登录密码:");
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

void FrmVerifyPassword::CmdOK_Click() {
    const vault::Proof proof = app_.Secrets.Check(app_.DbConn, app_.RsUser, TxtPwd.Text());
    if (proof == vault::Proof::Damaged) {
        Say(vault::kDamagedKeyMessage);
        return;
    }
    if (proof != vault::Proof::Right) {
        Say("用户密码错误,请重新输入!");
        TxtPwd.SetText("");
        TxtPwd.SetFocus();
        return;
    }
    TxtPwd.Wipe();
    proven_ = true;
    Unload();
}

}  // namespace qm::forms

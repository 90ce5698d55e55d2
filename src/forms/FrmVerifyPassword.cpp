#include "forms/FrmVerifyPassword.h"

#include "forms/PasswordPrompt.h"

namespace qm::forms {

namespace {
vault::Field fieldOf(transfer::SecretField f) {
    return f == transfer::SecretField::AccountPassword ? vault::Field::AccountPassword
           : f == transfer::SecretField::Remarks         ? vault::Field::Remarks
                                                         : vault::Field::OtpSecret;
}
}  // namespace

transfer::SecretSeal StoredSecrets(app::AppContext& app) {
    return {[&app](transfer::SecretField f, std::string_view plain, std::string_view account) {
                return app.Secrets.Seal(fieldOf(f), plain, account);
            },
            [&app](transfer::SecretField f, std::string_view stored, std::string_view account) -> std::optional<std::string> {
                const std::optional<vault::SecretText> text = app.Secrets.Open(fieldOf(f), stored, account);
                if (!text) return std::nullopt;
                return text->str();
            }};
}

FrmVerifyPassword::FrmVerifyPassword(Forms& forms) : ui::Form(forms.Host(), "FrmVerifyPassword"), app_(forms.App()) {
    SetCaption("验证登录密码");
    LayOutPasswordPrompt(*this, lblTips, TxtPwd, CmdOK, CmdCancel);
    lblTips.SetCaption("请输入登录密码:");
    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmVerifyPassword::CmdOK_Click() {
    const vault::Proof proof = app_.Secrets.Check(app_.DbConn, app_.RsUser, TxtPwd.Text());
    if (const char* why = vault::KeyRowMessage(proof)) {
        Say(why);
        return;
    }
    if (proof != vault::Proof::Right) {
        Say("用户密码错误,请重新输入!");
        TxtPwd.SetText("");
        TxtPwd.SetFocus();
        return;
    }
    if (ProvenText) ProvenText(TxtPwd.Text());
    TxtPwd.Wipe();
    proven_ = true;
    Unload();
}

}  // namespace qm::forms

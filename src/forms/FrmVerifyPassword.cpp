#include "forms/FrmVerifyPassword.h"

#include "skin/Colours.h"

namespace qm::forms {

transfer::SecretSeal StoredSecrets(app::AppContext& app) {
    return {[&app](transfer::SecretField f, std::string_view plain) {
                return f == transfer::SecretField::AccountPassword
                           ? app.Cipher.EncryptString(plain, crypto::kAccountPasswordKey)
                           : std::string(plain);
            },
            [&app](transfer::SecretField f, std::string_view stored) -> std::optional<std::string> {
                return f == transfer::SecretField::AccountPassword
                           ? app.Cipher.DecryptString(stored, crypto::kAccountPasswordKey)
                           : std::string(stored);
            }};
}

bool IsLoginPassword(app::AppContext& app, const std::string& typed) {
    store::Recordset& user = app.RsUser;
    return !user.Eof() && app.Cipher.EncryptString(typed, crypto::kLoginPasswordKey) == user["UserPassword"].Text();
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
    if (!IsLoginPassword(app_, TxtPwd.Text())) {
        Say("用户密码错误,请重新输入!");
        TxtPwd.SetText("");
        TxtPwd.SetFocus();
        return;
    }
    proven_ = true;
    Unload();
}

}  // namespace qm::forms

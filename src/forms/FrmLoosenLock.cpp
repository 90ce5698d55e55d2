#include "forms/FrmLoosenLock.h"

#include "forms/FrmMain.h"
#include "skin/Colours.h"
#include "text/utf.h"

namespace qm::forms {

FrmLoosenLock::FrmLoosenLock(Forms& forms)
    : ui::Form(forms.Host(), "FrmLoosenLock"), forms_(forms), app_(forms.App()) {
    SetCaption("解锁");
    Move(0, 0, 4800, 2250);
    SetBackColor(skin::kFormColour);
    lblTips.SetCaption("密码管理器已锁定,请输入登录密码解锁!");
    lblTips.Move(300, 300, 4200, 300);
    TxtPwd.Move(300, 720, 4200, 330);
    TxtPwd.SetPasswordChar('*');
    CmdUntie.SetCaption("解锁(&U)");
    CmdUntie.Move(900, 1350, 1300, 420);
    CmdUntie.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(2600, 1350, 1300, 420);
    CmdCancel.Cancel = true;

    CmdUntie.Click = [this] { CmdUntie_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmLoosenLock::Form_Load() {
    Host().AttachSkin(*this);
    SetCaption("解锁 --- 当前用户:" + app_.CurrentUser);
}

void FrmLoosenLock::CmdUntie_Click() {
    const std::string& typed = TxtPwd.Text();
    if (text::Utf16Length(typed) < 6) {
        Say("密码长度不能小于6位.");
        return;
    }
    // The user's row as it stands now, so a password changed since the login
    // is the one asked for; a protected user's data key comes back with it.
    const vault::Proof proof = app_.Secrets.LogIn(app_.DbConn, app_.RsUser, typed);
    if (const char* why = vault::KeyRowMessage(proof)) {
        Say(why);
        return;
    }
    if (proof != vault::Proof::Right) {
        Say("密码错误,请重新输入!");
        TxtPwd.SetFocus();
        return;
    }
    if (!app::SyncFilePath(app_).empty()) app_.SyncSession.LoggedIn(typed);
    TxtPwd.Wipe();
    FrmMain& main = forms_.Main();
    main.SetLock(false);
    Unload();
    if (ThenShowMain) main.ShowMainWindow();
}

}  // namespace qm::forms

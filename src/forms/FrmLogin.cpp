#include "forms/FrmLogin.h"

#include "app/Settings.h"
#include "app/Startup.h"
#include "forms/FrmMain.h"
#include "forms/FrmNewUser.h"
#include "skin/Colours.h"
#include "store/TextRules.h"

namespace qm::forms {

FrmLogin::FrmLogin(Forms& forms) : ui::Form(forms.Host(), "FrmLogin"), forms_(forms), app_(forms.App()) {
    SetCaption("登录");
    Move(0, 0, 5100, 2900);
    SetBackColor(skin::kFormColour);
    PicOther.Move(0, 0, 5100, 720);
    PicOther.SetBackColor(0xF0D9B4);  // light blue band
    Image1.SetContainer(&PicOther);
    Image1.Move(240, 120, 480, 480);
    Image1.Picture = "app";
    lblUser.SetCaption("用户名:");
    lblUser.Move(600, 1050, 900, 300);
    CbUser.Move(1560, 990, 2900, 330);
    lblPass.SetCaption("密  码:");
    lblPass.Move(600, 1560, 900, 300);
    TxtPass.Move(1560, 1500, 2900, 330);
    TxtPass.SetPasswordChar('*');
    CmdLogin.SetCaption("登录(&O)");
    CmdLogin.Move(330, 2200, 1400, 420);
    CmdLogin.SetDefault(true);
    CmdRegNewUser.SetCaption("注册新用户(&N)");
    CmdRegNewUser.Move(1850, 2200, 1400, 420);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(3370, 2200, 1400, 420);
    CmdCancel.Cancel = true;

    CmdLogin.Click = [this] { CmdLogin_Click(); };
    CmdRegNewUser.Click = [this] { CmdRegNewUser_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmLogin::fillUsers() {
    app_.RsUser.Requery();
    for (; !app_.RsUser.Eof(); app_.RsUser.MoveNext()) CbUser.AddItem(app_.RsUser["UserName"].Text());
}

void FrmLogin::Form_Load() {
    Host().AttachSkin(*this);
    // A failure ends the load quietly: the dialog shows what was filled so far.
    try {
        fillUsers();
        const std::string remembered = app::RememberedUser(Os());
        if (!remembered.empty()) CbUser.SetText(remembered);
    } catch (const std::exception&) {
    }
}

void FrmLogin::Form_Activate() {
    if (!CbUser.Text().empty()) TxtPass.SetFocus();
}

void FrmLogin::CmdLogin_Click() {
    if (CbUser.ListCount() == 0) {
        Say("请注册新用户!");
        return;
    }
    if (CbUser.ListIndex() == -1) {
        Say("请选择用户!");
        return;
    }
    if (TxtPass.Text().empty()) {
        Say("请输入密码!");
        TxtPass.SetFocus();
        return;
    }
    // The chosen item's own spelling: a name typed in another case still
    // logs in as the user it names.
    const std::string user = CbUser.List(CbUser.ListIndex());
    app_.RsUser.Requery();
    app_.RsUser.Filter("UserName = '" + store::esc(user) + "'");
    // A user that vanished since the list was filled counts as a wrong password.
    const vault::Proof proof = app_.Secrets.LogIn(app_.DbConn, app_.RsUser, TxtPass.Text());
    if (const char* why = vault::KeyRowMessage(proof)) {
        // No password could open it: typing again would not help, and is not counted.
        Say(why);
        return;
    }
    if (proof != vault::Proof::Right) {
        ++LoginFailures;
        if (LoginFailures == 3) {
            Say("登录密码错误次数已超过3次,软件将自动关闭!");
            Unload();
        } else {
            Say("用户密码错误,请重新输入!");
            TxtPass.SetFocus();
        }
        return;
    }
    app_.CurrentUser = user;
    // The sync file's key is made from it later: kept (locked) only for a user who syncs.
    if (!app::SyncFilePath(app_).empty()) app_.SyncSession.LoggedIn(TxtPass.Text());
    else app_.SyncSession.Forget();
    TxtPass.Wipe();
    app::RememberUser(Os(), app_.CurrentUser);
    forms_.Main().Show();
    Unload();
}

void FrmLogin::CmdRegNewUser_Click() {
    app_.NewUserName.clear();
    forms_.NewUser().Show(true, this);
    if (app_.NewUserName.empty()) return;
    app_.RsUser.Filter("");
    CbUser.Clear();
    fillUsers();
    CbUser.SetText(app_.NewUserName);
    TxtPass.SetText("");
    TxtPass.SetFocus();
}

void FrmLogin::Form_Unload(int&) { app::LoginDialogClosed(app_); }

}  // namespace qm::forms

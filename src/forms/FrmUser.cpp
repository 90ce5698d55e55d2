#include "forms/FrmUser.h"

#include "app/Options.h"
#include "app/Settings.h"
#include "forms/Clipboard.h"
#include "forms/FrmMain.h"
#include "forms/FrmTool.h"
#include "forms/StrengthMeter.h"
#include "skin/Colours.h"
#include "store/StoreError.h"
#include "store/TextRules.h"
#include "text/utf.h"
#include "vault/Protection.h"

namespace qm::forms {

FrmUser::FrmUser(Forms& forms) : ui::Form(forms.Host(), "FrmUser"), forms_(forms), app_(forms.App()) {
    SetCaption("修改用户");
    SetBackColor(skin::kFormColour);
    const auto row = [](ui::PictureBox& panel, int top, ui::Label& label, const char* caption, ui::TextBox& box) {
        label.SetContainer(&panel);
        label.SetCaption(caption);
        label.Move(240, top + 60, 1200, 300);
        box.SetContainer(&panel);
        box.Move(1500, top, 3060, 330);
    };
    for (ui::PictureBox& panel : PicUserFunction) {
        panel.SetVisible(false);
        panel.SetBackColor(skin::kFormColour);
    }

    ui::PictureBox& rename = PicUserFunction[0];
    rename.Move(75, 75, 4800, 1020);
    row(rename, 120, lblCurrentUser, "当前用户名:", TxtCurrentUser);
    // Shown, never typed into: the rename always acts on the logged-in user.
    TxtCurrentUser.SetLocked(true);
    row(rename, 570, lblNewUser, "新用户名:", TxtNewUser);

    ui::PictureBox& password = PicUserFunction[1];
    password.Move(75, 75, 4800, 2460);
    row(password, 120, lbloldPwd, "原始密码:", TxtoldPwd);
    row(password, 570, lblNewPwd, "新密码:", TxtNewPwd);
    row(password, 1020, lblVerifyPwd, "确认密码:", TxtVerifyPwd);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&lblPassStrength, &ShapePass, &lblStrength, &lblTips1})
        c->SetContainer(&password);
    lblPassStrength.SetCaption("密码强度:");
    lblPassStrength.Move(240, 1530, 1200, 300);
    ShapePass.Move(1500, 1550, 2300, 200);
    lblStrength.SetCaption("弱");
    lblStrength.Move(3920, 1530, 640, 300);
    lblTips1.SetCaption("提示:请牢记密码.如果密码丢失将不能进入系统.");
    lblTips1.Move(240, 1980, 4400, 300);
    lblTips1.SetForeColor(0x0000C0);

    ui::PictureBox& logout = PicUserFunction[2];
    logout.Move(75, 75, 4800, 1020);
    lblTips2.SetContainer(&logout);
    lblTips2.SetCaption("注销用户将会清除该用户所有资料!!!");
    lblTips2.Move(240, 150, 4400, 300);
    lblTips2.SetForeColor(0x0000C0);
    row(logout, 570, lblLogoutPwd, "用户密码:", TxtLogoutPwd);

    for (ui::TextBox* box : {&TxtoldPwd, &TxtNewPwd, &TxtVerifyPwd, &TxtLogoutPwd}) box->SetPasswordChar('*');
    CmdOK.SetCaption("确定(&O)");
    CmdOK.Move(1000, 0, 1300, 420);
    CmdOK.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(2650, 0, 1300, 420);
    CmdCancel.Cancel = true;
    Move(0, 0, 4950, 1800);

    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
    TxtNewPwd.Change = [this] { TxtNewPwd_Change(); };
}

int FrmUser::mode() const {
    if (app_.UserEditMode == "editpassword") return 1;
    if (app_.UserEditMode == "logout") return 2;
    return 0;
}

void FrmUser::Form_Load() {
    const int m = mode();
    static constexpr const char* kCaptions[] = {"修改用户名", "修改密码", "注销用户"};
    if (m == 0) TxtCurrentUser.SetText(app_.CurrentUser);
    SetCaption(kCaptions[m]);
    ui::PictureBox& panel = PicUserFunction[m];
    panel.Move(75, 75, panel.Width(), panel.Height());
    panel.SetVisible(true);
    const int top = panel.Height() + panel.Top() + 150;
    CmdOK.Move(CmdOK.Left(), top, CmdOK.Width(), CmdOK.Height());
    CmdCancel.Move(CmdCancel.Left(), top, CmdCancel.Width(), CmdCancel.Height());
    Move(Left(), Top(), Width(), CmdOK.Height() + CmdOK.Top() + 550);
}

void FrmUser::Form_Activate() {
    ui::TextBox* first[] = {&TxtNewUser, &TxtoldPwd, &TxtLogoutPwd};
    first[mode()]->SetFocus();
}

void FrmUser::TxtNewPwd_Change() { ShowStrength(TxtNewPwd.Text(), lblStrength, ShapePass); }

void FrmUser::CmdOK_Click() {
    switch (mode()) {
        case 0: renameUser(); break;
        case 1: changePassword(); break;
        default: logOut(); break;
    }
}

bool FrmUser::isUsersPassword(const std::string& typed) {
    return app_.Secrets.Check(app_.DbConn, app_.RsUser, typed) == vault::Proof::Right;
}

void FrmUser::renameUser() {
    const std::string newName = TxtNewUser.Text();
    if (newName.empty()) {
        Say("请输入新用户名!");
        TxtNewUser.SetFocus();
        return;
    }
    {
        store::Recordset taken;
        taken.Open("select * from sysuser where UserName = '" + store::esc(newName) + "'", app_.DbConn);
        if (!taken.Eof()) {
            Say("用户名已存在,请重新输入!");
            TxtNewUser.SetFocus();
            return;
        }
    }
    // The statements name the logged-in user, never a typed text, and run
    // together: a rename that stopped halfway would leave the user without
    // categories or accounts.
    const std::string oldName = app_.CurrentUser;
    store::Recordset& user = app_.RsUser;
    try {
        store::AllOrNothing(app_.DbConn, "rename_user", [&] {
            user["UserName"] = newName;
            user.Update();
            app_.DbConn.Execute("update AccountType set UserName = '" + store::esc(newName) + "' where UserName = '" +
                                store::esc(oldName) + "'");
            app_.DbConn.Execute("update AccountData set UserName = '" + store::esc(newName) + "' where UserName = '" +
                                store::esc(oldName) + "'");
            // The key row and the other settings follow the name.
            store::RenameOwnRows(app_.DbConn, oldName, newName);
        });
    } catch (...) {
        // The record set still shows the name the database took back.
        try {
            if (user.HasPendingChanges()) user.CancelUpdate();
            user.Requery();
        } catch (const std::exception&) {
        }
        throw;
    }
    // The user's settings are read and written through the row this filter
    // selects, also after a backup or compaction re-reads the record sets.
    user.Filter("UserName = '" + store::esc(newName) + "'");
    app_.CurrentUser = newName;
    app_.RsType.Close();
    app_.RsType.Open("select TypeName, UserName, icoIndex from AccountType where UserName = '" + store::esc(app_.CurrentUser) +
                         "' ORDER BY icoIndex",
                     app_.DbConn);
    app_.RsData.Close();
    app_.RsData.Open("select * from AccountData where UserName = '" + store::esc(app_.CurrentUser) + "'", app_.DbConn);
    forms_.Main().SetCaption("Quillmere V1.0 正式版 --- 当前用户:" + app_.CurrentUser);
    app::RememberUser(Os(), app_.CurrentUser);
    Say("用户名已经修改,下次登陆时请使用新的用户名!");
    Unload();
}

void FrmUser::changePassword() {
    if (text::Utf16Length(TxtoldPwd.Text()) < 6) {
        Say("原始密码长度不能小于6位.");
        TxtoldPwd.SetFocus();
        return;
    }
    // One derivation proves the old password and, for a protected user,
    // gives the data key that opens every secret to be sealed again.
    const vault::Proven proven = app_.Secrets.Prove(app_.DbConn, app_.RsUser, TxtoldPwd.Text());
    if (const char* why = vault::KeyRowMessage(proven.Result)) {
        Say(why);
        return;
    }
    if (proven.Result != vault::Proof::Right) {
        Say("原始密码错误,请重新输入!");
        TxtoldPwd.SetFocus();
        return;
    }
    if (TxtNewPwd.Text() != TxtVerifyPwd.Text()) {
        Say("两次输入的密码不一致,请重新输入!");
        TxtNewPwd.SetText("");
        TxtVerifyPwd.SetText("");
        TxtNewPwd.SetFocus();
        return;
    }
    if (text::Utf16Length(TxtNewPwd.Text()) < 6) {
        Say("新密码长度不能小于6位.");
        TxtNewPwd.SetFocus();
        return;
    }
    {
        // A protected user's every secret is sealed again under a new key:
        // about a second and a half for 10,000 accounts.
        struct Busy {
            ui::FormHost& host;
            explicit Busy(ui::FormHost& h) : host(h) { host.Busy(true); }
            ~Busy() { host.Busy(false); }
        } busy{Host()};
        vault::NewPassword(app_.DbConn, app_.RsUser, app_.Secrets, proven, TxtNewPwd.Text());
    }
    try {
        app::RecordLoginChanged(app_.DbConn, app_.CurrentUser, Os().NowUtc());
    } catch (const store::StoreError&) {
        // The new password stands; only the sync misses when it was set.
    }
    // The sync file follows: the next sync seals it under the new password.
    app_.SyncSession.PasswordChanged(TxtNewPwd.Text());
    // The list holds the texts as they were stored before.
    if (app_.Secrets.Protected()) forms_.Main().RequeryData();
    Say("密码修改成功,请牢记密码!");
    Unload();
}

void FrmUser::logOut() {
    if (text::Utf16Length(TxtLogoutPwd.Text()) < 6) {
        Say("用户密码长度不能小于6位.");
        TxtLogoutPwd.SetFocus();
        return;
    }
    if (!isUsersPassword(TxtLogoutPwd.Text())) {
        Say("用户密码错误,请重新输入!");
        TxtLogoutPwd.SetFocus();
        return;
    }
    if (MsgBox("用户注销后所有资料都会删除,是否继续?", platform::vbExclamation | platform::vbYesNo, "警告") != platform::vbYes)
        return;
    // All three tables or none: a user row without its data, or data without
    // its user, could never be removed afterwards.
    const std::string who = "'" + store::esc(app_.CurrentUser) + "'";
    store::AllOrNothing(app_.DbConn, "log_out", [&] {
        app_.DbConn.Execute("delete SysUser from SysUser where UserName = " + who);
        app_.DbConn.Execute("delete AccountType from AccountType where UserName = " + who);
        app_.DbConn.Execute("delete AccountData from AccountData where UserName = " + who);
        store::DeleteOwnRows(app_.DbConn, app_.CurrentUser);
    });
    app_.Secrets.LogOff();
    app_.SyncSession.Forget();
    // The row is gone: nothing may write to it any more.
    try {
        if (app_.RsUser.HasPendingChanges()) app_.RsUser.CancelUpdate();
        app_.RsUser.Requery();
    } catch (const std::exception&) {
    }
    app::ForgetRememberedUser(Os());
    // Nothing of the user stays behind to be pasted or typed.
    ClearForUser(*this, kClipboardLeftFull);
    app_.HotKeys.SetHotKeyTexts({"", "", ""});
    Say("用户已注销,请重新登录!");
    app_.UserLoggedOut = true;
    Unload();
    forms_.Tool().Unload();
    forms_.Main().Unload();
}

}  // namespace qm::forms

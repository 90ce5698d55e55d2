#include "forms/FrmNewUser.h"

#include "app/Options.h"
#include "forms/StrengthMeter.h"
#include "skin/Colours.h"
#include "store/TextRules.h"
#include "text/date.h"
#include "text/utf.h"

namespace qm::forms {

namespace {

std::string trimSpaces(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t pos; (pos = s.find(sep, start)) != std::string::npos; start = pos + 1) parts.push_back(s.substr(start, pos - start));
    parts.push_back(s.substr(start));
    return parts;
}

}  // namespace

FrmNewUser::FrmNewUser(Forms& forms) : ui::Form(forms.Host(), "FrmNewUser"), app_(forms.App()) {
    SetCaption("注册新用户");
    Move(0, 0, 5400, 4000);
    SetBackColor(skin::kFormColour);
    PicOther.Move(0, 0, 5400, 600);
    PicOther.SetBackColor(0xF0D9B4);
    lblUser.SetCaption("用户名:");
    lblUser.Move(500, 900, 1100, 300);
    TxtUser.Move(1650, 840, 3100, 330);
    lblPass.SetCaption("密码:");
    lblPass.Move(500, 1380, 1100, 300);
    TxtPass.Move(1650, 1320, 3100, 330);
    TxtPass.SetPasswordChar('*');
    lblVerifyPass.SetCaption("确认密码:");
    lblVerifyPass.Move(500, 1860, 1100, 300);
    TxtVerifyPass.Move(1650, 1800, 3100, 330);
    TxtVerifyPass.SetPasswordChar('*');
    lblPassStrength.SetCaption("密码强度:");
    lblPassStrength.Move(500, 2330, 1100, 300);
    ShapePass.Move(1650, 2350, 2300, 200);
    ShapePass.SetFillColor(0xFFFFFF);
    lblStrength.SetCaption("弱");
    lblStrength.Move(4100, 2330, 650, 300);
    lblTip.SetCaption("提示:请牢记密码.如果密码丢失将不能进入系统.");
    lblTip.Move(500, 2780, 4400, 300);
    lblTip.SetForeColor(0x0000C0);
    CmdOK.SetCaption("确定(&O)");
    CmdOK.Move(1300, 3320, 1300, 420);
    CmdOK.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(2900, 3320, 1300, 420);
    CmdCancel.Cancel = true;

    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
    TxtPass.Change = [this] { TxtPass_Change(); };
}

void FrmNewUser::TxtPass_Change() { ShowStrength(TxtPass.Text(), lblStrength, ShapePass); }

void FrmNewUser::CmdOK_Click() {
    const std::string name = TxtUser.Text();
    if (trimSpaces(name).empty()) {
        Say("请输入用户名!");
        return;
    }
    if (TxtPass.Text() != TxtVerifyPass.Text()) {
        Say("两次输入的密码不一致,请重新输入!");
        TxtPass.SetText("");
        TxtVerifyPass.SetText("");
        TxtPass.SetFocus();
        return;
    }
    if (text::Utf16Length(TxtPass.Text()) < 6) {
        Say("密码长度不能小于6位.");
        return;
    }
    store::Recordset& users = app_.RsUser;
    users.Requery();
    users.Filter("UserName = '" + store::esc(name) + "'");
    if (!users.Eof()) {
        Say("该用户已存在.请重新输入!");
        TxtUser.SetText("");
        TxtUser.SetFocus();
        return;
    }

    // The user and the nine categories are written together or not at all:
    // a user left without categories could not be registered again.
    app_.DbConn.Execute("SAVEPOINT registration");
    try {
        users.AddNew();
        users["UserName"] = name;
        users["UserPassword"] = app_.Secrets.LegacyLogin(TxtPass.Text());
        users["AutoBackup"] = 0;
        users["PriorBackupDate"] = text::FormatIsoDate(Os().Today());
        users["AutoBackupPath"] = store::PathIn(app_.AppPath, "SystemDataBackup.dat");
        users["AutoCompress"] = true;
        users["MinLockTime"] = 5;
        users["ShowPassword"] = true;
        users["ClearClipboard"] = true;
        users["ShortcutUser"] = "4|49";
        users["ShortcutPassword"] = "4|50";
        users["ShortcutURL"] = "4|51";
        users["WinRun"] = false;
        for (const char* width : {"TypeNameWidth", "AccountNameWidth", "AccountIDWidth", "AccountPasswordWidth", "URLWidth"})
            users[width] = 1440;
        users["Custom1"] = "4|83";
        users["Custom2"] = 1;
        users.Update();

        store::Recordset& types = app_.RsType;
        types.Requery();
        const std::vector<std::string> categories = split(kDefaultCategories, ',');
        for (size_t i = 0; i < categories.size(); ++i) {
            types.AddNew();
            types["TypeName"] = categories[i];
            types["UserName"] = name;
            types["icoIndex"] = static_cast<int>(i + 1);
            types.Update();
        }
        app::RecordLoginChanged(app_.DbConn, name, Os().NowUtc());

        app_.DbConn.Execute("RELEASE registration");
    } catch (...) {
        // The record sets may still list rows undone here; every use of them
        // re-reads them first, and the error's handler drops what is pending.
        try {
            app_.DbConn.Execute("ROLLBACK TO registration; RELEASE registration");
        } catch (const std::exception&) {
        }
        throw;
    }

    app_.NewUserName = name;
    Say("注册成功,请登录!");
    Unload();
}

}  // namespace qm::forms

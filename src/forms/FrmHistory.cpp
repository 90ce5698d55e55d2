#include "forms/FrmHistory.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "forms/FrmMain.h"
#include "platform/CrashPoint.h"
#include "skin/Colours.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/TextRules.h"
#include "text/date.h"
#include "text/pinyin.h"
#include "vault/Versions.h"

namespace qm::forms {

namespace {
// Where each field of a version is shown, in kVersionColumns' order.
constexpr size_t kPassword = 3, kRemarks = 6;
}  // namespace

// One row per change: when it was made and what it changed.
class FrmHistory::VersionRows : public ui::ListRows {
public:
    std::vector<std::string> Times, Changes;
    size_t Count() const override { return Times.size(); }
    std::string Cell(size_t row, size_t column) const override { return column == 0 ? Times[row] : Changes[row]; }
    std::string Tag(size_t row) const override { return std::to_string(row); }
};

FrmHistory::FrmHistory(Forms& forms) : ui::Form(forms.Host(), "FrmHistory"), forms_(forms), app_(forms.App()) {
    SetCaption("历史记录");
    Move(0, 0, 7800, 7200);
    SetBackColor(skin::kFormColour);
    ListViewVersions.Move(120, 120, 7440, 2160);
    ListViewVersions.AddColumn("时间", 2100);
    ListViewVersions.AddColumn("改动", 5000);
    PicOther.Move(120, 2400, 7440, 3840);
    PicOther.SetBackColor(0xFAF0E6);
    const int labelX = 240, inputX = 1400, inputW = 5800;
    struct Row {
        ui::Label* label;
        const char* caption;
        ui::TextBox* box;
        int y;
    };
    const Row rows[] = {{&lblAccountType, "帐号分类:", &TxtAccountType, 150},
                        {&lblAccountName, "帐号名称:", &TxtAccountName, 570},
                        {&lblAccountID, "用户名:", &TxtAccountID, 990},
                        {&lblAccountPassword, "密码:", &TxtAccountPassword, 1410},
                        {&lblRegDate, "注册日期:", &TxtRegDate, 1830},
                        {&lblURL, "网址:", &TxtURL, 2250},
                        {&lblRemarks, "备注:", &TxtRemarks, 2670}};
    for (const Row& r : rows) {
        r.label->SetCaption(r.caption);
        r.label->Move(labelX, r.y + 60, 1100, 300);
        r.box->Move(inputX, r.y, inputW, 330);
        r.box->SetLocked(true);
        r.label->SetContainer(&PicOther);
        r.box->SetContainer(&PicOther);
    }
    TxtAccountPassword.Move(inputX, 1410, 4000, 330);
    TxtAccountPassword.Secret = true;
    TxtRemarks.Secret = true;
    ChkShowPassword.SetCaption("显示密码");
    ChkShowPassword.Move(inputX + 4150, 1410, 1600, 330);
    ChkShowPassword.SetContainer(&PicOther);
    TxtRemarks.MultiLine = true;
    TxtRemarks.Move(inputX, 2670, inputW, 1000);
    CmdCopy.SetCaption("复制密码(&P)");
    CmdCopy.Move(2300, 6420, 1660, 420);
    CmdRestore.SetCaption("恢复此版本(&R)");
    CmdRestore.Move(4080, 6420, 1840, 420);
    CmdClose.SetCaption("关闭(&C)");
    CmdClose.Move(6040, 6420, 1520, 420);
    CmdClose.Cancel = true;

    ListViewVersions.ItemSelect = [this] { ListViewVersions_ItemSelect(); };
    ChkShowPassword.Click = [this] { ChkShowPassword_Click(); };
    CmdCopy.Click = [this] { CmdCopy_Click(); };
    CmdRestore.Click = [this] { CmdRestore_Click(); };
    CmdClose.Click = [this] { CmdClose_Click(); };
}

void FrmHistory::Form_Load() {
    Host().AttachSkin(*this);
    ListViewVersions.SetListViewExStyle(1, true);
    ListViewVersions.SetListViewExStyle(32, true);
    // The password shows as the main list shows it: masked when the user's
    // setting says so, until the box beside it is ticked.
    ChkShowPassword.SetValue(app_.RsUser["ShowPassword"].Bool() ? ui::CheckBox::Unchecked : ui::CheckBox::Checked);
    ChkShowPassword_Click();
    if (!load()) {
        Say("该帐号已不存在!");
        Unload();
    }
}

bool FrmHistory::load() {
    store::Recordset rs;
    rs.Open("select * from AccountData where UserName = '" + store::esc(app_.CurrentUser) + "' and AccountGuid = '" +
                store::esc(Account) + "'",
            app_.DbConn);
    if (Account.empty() || rs.Eof()) return false;
    current_ = store::VersionOf(rs);
    versions_ = store::ReadVersions(app_.DbConn, app_.CurrentUser, Account);
    auto rows = std::make_shared<VersionRows>();
    for (size_t v = 0; v < versions_.size(); ++v) {
        const store::Version& after = v == 0 ? current_ : versions_[v - 1];
        rows->Times.push_back(text::FormatMinute(Os().LocalFromUtc(versions_[v].ReplacedTime)));
        rows->Changes.push_back(vault::ChangedFieldNames(vault::ChangedFields(app_.Secrets, Account, versions_[v], after)));
    }
    ListViewVersions.BeginUpdate();
    ListViewVersions.ClearItems();
    ListViewVersions.SetRows(std::move(rows));
    if (ListViewVersions.Count() > 0) ListViewVersions.Select(0);
    ListViewVersions.EndUpdate();
    showChosen();
    return true;
}

void FrmHistory::clearFields() {
    for (ui::TextBox* box : {&TxtAccountType, &TxtAccountName, &TxtAccountID, &TxtAccountPassword, &TxtRegDate, &TxtURL,
                             &TxtRemarks})
        box->SetText("");
    CmdCopy.SetEnabled(false);
    CmdRestore.SetEnabled(false);
}

void FrmHistory::showChosen() {
    const int chosen = ListViewVersions.SelectedIndex();
    if (chosen < 0) {
        clearFields();
        return;
    }
    const store::Version& v = versions_.at(static_cast<size_t>(chosen));
    const std::optional<vault::SecretText> password = app_.Secrets.Open(vault::Field::AccountPassword, v[kPassword], Account);
    const std::optional<vault::SecretText> remarks = app_.Secrets.Open(vault::Field::Remarks, v[kRemarks], Account);
    if (!password || !remarks) {
        clearFields();
        vault::TellDamaged(Os());
        return;
    }
    TxtAccountType.SetText(v[0]);
    TxtAccountName.SetText(v[1]);
    TxtAccountID.SetText(v[2]);
    TxtAccountPassword.SetText(password->str());
    TxtRegDate.SetText(v[4]);
    TxtURL.SetText(v[5]);
    TxtRemarks.SetText(remarks->str());
    CmdCopy.SetEnabled(true);
    CmdRestore.SetEnabled(true);
}

void FrmHistory::ListViewVersions_ItemSelect() { showChosen(); }

void FrmHistory::ChkShowPassword_Click() {
    TxtAccountPassword.SetPasswordChar(ChkShowPassword.Value() == ui::CheckBox::Checked ? 0 : '*');
}

void FrmHistory::CmdCopy_Click() {
    if (ListViewVersions.SelectedIndex() < 0 || !CmdCopy.Enabled()) return;
    if (forms_.Main().CopyToClipboard(TxtAccountPassword.Text())) Say("密码已复制到系统剪贴板!");
}

void FrmHistory::CmdRestore_Click() {
    const int chosen = ListViewVersions.SelectedIndex();
    if (chosen < 0 || !CmdRestore.Enabled()) return;
    if (MsgBox("确定要恢复到此版本吗?当前内容将保存到历史记录中。", platform::vbQuestion | platform::vbYesNo, "提示") !=
        platform::vbYes)
        return;
    const store::Version restored = versions_.at(static_cast<size_t>(chosen));
    const std::string user = store::esc(app_.CurrentUser);
    store::Recordset rs;
    rs.Open("select * from AccountData where UserName = '" + user + "' and AccountGuid = '" + store::esc(Account) + "'",
            app_.DbConn);
    if (rs.Eof()) {
        Say("该帐号已不存在!");
        Unload();
        return;
    }
    // Another account may have taken the version's category, name and user name since.
    store::Recordset same;
    same.Open("select AccountGuid from AccountData where UserName = '" + user + "' and TypeName = '" +
                  store::esc(restored[0]) + "' and AccountName = '" + store::esc(restored[1]) + "' and AccountID = '" +
                  store::esc(restored[2]) + "'",
              app_.DbConn);
    for (; !same.Eof(); same.MoveNext()) {
        if (same["AccountGuid"].Text() != Account) {
            Say("已有相同分类、帐号名称和用户名的帐号,无法恢复此版本!");
            return;
        }
    }
    const int64_t now = Os().NowUtc();
    bool categoryAdded = false;
    try {
        store::AllOrNothing(app_.DbConn, "restore_version", [&] {
            // The version's category may have been renamed or deleted since: it comes back.
            store::Recordset types;
            types.Open("select * from AccountType where UserName = '" + user + "' and TypeName = '" +
                           store::esc(restored[0]) + "'",
                       app_.DbConn);
            if (types.Eof()) {
                app_.RsType.AddNew();
                app_.RsType["TypeName"] = restored[0];
                app_.RsType["UserName"] = app_.CurrentUser;
                app_.RsType["icoIndex"] = 11;
                app_.RsType.Update();
                categoryAdded = true;
            }
            store::KeepVersion(app_.DbConn, app_.CurrentUser, Account, store::VersionOf(rs), now);
            QM_CRASH_POINT("restore.history");
            for (size_t f = 0; f < store::kVersionFields; ++f) rs[store::kVersionColumns[f]] = restored[f];
            rs["AccountPY"] = text::PinyinInitials(restored[1]);
            rs["ChangedTime"] = now;
            rs.Update();
        });
    } catch (...) {
        if (categoryAdded) {
            try {
                app_.RsType.Requery();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
    if (categoryAdded) app_.ReloadMark = restored[0];
    FrmMain& main = forms_.Main();
    main.IsAddType();
    main.RequeryData();
    if (Restored) Restored();
    load();
}

}  // namespace qm::forms

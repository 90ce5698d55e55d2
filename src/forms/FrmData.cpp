#include "forms/FrmData.h"

#include <algorithm>

#include "forms/FrmGenerate.h"
#include "forms/FrmOtp.h"
#include "forms/OneTimeCode.h"
#include "otp/Code.h"
#include "forms/FrmHistory.h"
#include "forms/FrmMain.h"
#include "forms/StrengthMeter.h"
#include "platform/CrashPoint.h"
#include "skin/Colours.h"
#include "store/Accounts.h"
#include "store/Connection.h"
#include "store/History.h"
#include "store/TextRules.h"
#include "text/date.h"
#include "text/pinyin.h"
#include "text/wipe.h"
#include "vault/Versions.h"

namespace qm::forms {

namespace {
constexpr ui::Colour kRed = 0x0000FF;    // RGB(255, 0, 0)
constexpr ui::Colour kGreen = 0x00FF00;  // RGB(0, 255, 0)
constexpr int kHandPointer = 99;
constexpr const char* kDateTip = "点击旁边Now插入当前日期";
constexpr int kOtpRow = 450;  // the one-time code's row: every row below it moves down by this
}  // namespace

FrmData::FrmData(Forms& forms) : ui::Form(forms.Host(), "FrmData"), forms_(forms), app_(forms.App()) {
    SetCaption("帐号信息");
    Move(0, 0, 6400, 5500 + kOtpRow);
    SetBackColor(skin::kFormColour);
    PicOther.Move(120, 120, 6160, 4460 + kOtpRow);
    PicOther.SetBackColor(0xFAF0E6);
    const int labelX = 300, inputX = 1460, inputW = 3900, starX = 5440;
    struct Row {
        ui::Label* label;
        const char* caption;
        ui::Control* input;
        ui::Label* star;
        int y;
    };
    const Row rows[] = {{&lblAccountType, "帐号分类:", &CbAccountType, &lblOther1, 330},
                        {&lblAccountName, "帐号名称:", &TxtAccountName, &lblOther2, 780},
                        {&lblAccountID, "用户名:", &TxtAccountID, &lblOther3, 1230},
                        {&lblAccountPassword, "密码:", &TxtAccountPassword, &lblOther4, 1680},
                        {&lblOtp, "动态码:", &TxtOtp, nullptr, 2580},
                        {&lblRegDate, "注册日期:", &TxtRegDate, nullptr, 2580 + kOtpRow},
                        {&lblURL, "网址:", &TxtURL, nullptr, 3030 + kOtpRow},
                        {&lblRemarks, "备注:", &TxtRemarks, nullptr, 3480 + kOtpRow}};
    for (const Row& r : rows) {
        r.label->SetCaption(r.caption);
        r.label->Move(labelX, r.y + 60, 1100, 300);
        r.input->Move(inputX, r.y, inputW, 330);
        if (r.star) {
            r.star->SetCaption("*");
            r.star->SetForeColor(kRed);
            r.star->Move(starX, r.y + 60, 300, 300);
        }
    }
    lblPassStrength.SetCaption("密码强度:");
    lblPassStrength.Move(labelX, 2190, 1100, 300);
    ShapePass.Move(inputX, 2200, 2600, 200);
    lblStrength.SetCaption("弱");
    lblStrength.Move(inputX + 2700, 2190, 600, 300);
    TxtRegDate.Move(inputX, 2580 + kOtpRow, 2600, 330);
    TxtRegDate.SetToolTipText(kDateTip);
    lblNowData.SetCaption("Now");
    lblNowData.SetForeColor(0xC00000);
    lblNowData.SetMousePointer(kHandPointer);
    lblNowData.Move(inputX + 2700, 2640 + kOtpRow, 600, 300);
    TxtURL.SetText("http://");
    lblOpenURL.SetCaption("打开");
    lblOpenURL.SetForeColor(0xC00000);
    lblOpenURL.SetMousePointer(kHandPointer);
    lblOpenURL.Move(starX, 3090 + kOtpRow, 600, 300);
    TxtRemarks.MultiLine = true;
    TxtRemarks.Move(inputX, 3480 + kOtpRow, inputW, 900);
    // The one-time code's row, under the password's strength.
    TxtOtp.Move(inputX, 2580, 3000, 330);
    TxtOtp.SetLocked(true);
    TxtOtp.TabStop = false;
    CmdOtpSet.SetCaption("设置...");
    CmdOtpSet.Move(inputX + 3100, 2560, 800, 370);
    lblOtpCode.FontLarge = true;
    lblOtpCode.SetForeColor(0x800000);
    lblOtpCode.Move(inputX, 2550, 1900, 400);
    lblOtpLeft.Move(inputX + 2000, 2640, 1800, 300);
    TmrOtp.SetInterval(1000);
    TmrOtp.SetEnabled(false);
    TxtAccountPassword.SetPasswordChar('*');
    // In the margin right of the password box, beside its star: nothing else moves.
    CmdGenerate.SetCaption("生成");
    lblOther4.Move(starX, 1740, 180, 300);
    CmdGenerate.Move(starX + 190, 1680, 460, 330);
    CmdGenerate.TabStop = false;
    for (ui::Control* c : std::initializer_list<ui::Control*>{&lblAccountType, &lblOther1, &lblAccountName, &lblOther2,
                                                               &lblAccountID, &lblOther3, &lblAccountPassword, &lblOther4,
                                                               &lblPassStrength, &ShapePass, &lblStrength, &lblRegDate,
                                                               &lblNowData, &lblURL, &lblOpenURL, &lblRemarks,
                                                               &CbAccountType, &TxtAccountName, &TxtAccountID,
                                                               &TxtAccountPassword, &TxtRegDate, &TxtURL, &TxtRemarks,
                                                               &CmdGenerate, &lblOtp, &TxtOtp, &CmdOtpSet, &lblOtpCode,
                                                               &lblOtpLeft})
        c->SetContainer(&PicOther);
    // In the margin left of the buttons: nothing else moves.
    CmdHistory.SetCaption("历史(&H)");
    CmdHistory.Move(120, 4800 + kOtpRow, 1260, 420);
    CmdEdit.SetCaption("修改(&E)");
    CmdEdit.Move(1500, 4800 + kOtpRow, 1300, 420);
    CmdSave.SetCaption("保存(&S)");
    CmdSave.Move(3000, 4800 + kOtpRow, 1300, 420);
    CmdSave.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(4500, 4800 + kOtpRow, 1300, 420);
    CmdCancel.Cancel = true;

    CmdSave.Click = [this] { CmdSave_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
    CmdEdit.Click = [this] { CmdEdit_Click(); };
    lblNowData.Click = [this] { lblNowData_Click(); };
    lblOpenURL.Click = [this] { lblOpenURL_Click(); };
    lblOther4.Click = [this] { lblOther4_Click(); };
    TxtAccountPassword.Change = [this] { TxtAccountPassword_Change(); };
    TxtAccountPassword.DblClick = [this] { TxtAccountPassword_DblClick(); };
    CmdGenerate.Click = [this] { CmdGenerate_Click(); };
    CmdOtpSet.Click = [this] { CmdOtpSet_Click(); };
    TmrOtp.Tick = [this] { TmrOtp_Tick(); };
    lblOtpCode.DblClick = [this] { lblOtpCode_DblClick(); };
    CmdHistory.Click = [this] { CmdHistory_Click(); };
}

void FrmData::Form_Load() {
    Host().AttachSkin(*this);
    FillCategories(app_, CbAccountType);
    forgetOtp();
    if (!applyMode()) {
        Unload();
        return;
    }
    if (app_.RecordMode == "look") {
        SetCaption("查看资料");
        TxtAccountPassword.SetToolTipText("点击旁边星号显示密码");
        lblOther4.SetForeColor(kGreen);
        lblOther4.SetMousePointer(kHandPointer);
        TxtRegDate.SetToolTipText("");
        lblNowData.SetVisible(false);
        lblOpenURL.SetVisible(true);
        CmdEdit.SetVisible(true);
        lblOpenURL.SetEnabled(!TxtURL.Text().empty());
    }
    showOtp();
}

void FrmData::Form_Unload(int&) { forgetOtp(); }

void FrmData::forgetOtp() {
    TmrOtp.SetEnabled(false);
    text::WipeString(otpText_);
    otpParams_.reset();
    otpDamaged_ = false;
    otpChanged_ = false;
}

void FrmData::showOtp() {
    const bool look = app_.RecordMode == "look";
    otpParams_.reset();
    if (!otpText_.empty()) {
        otp::ParsedSecret parsed = otp::ParseSecret(otpText_);
        // Opened but no longer read as a secret: as damaged as one that does not open.
        if (parsed) otpParams_ = std::move(parsed.params);
        else otpDamaged_ = true;
    }
    const bool codes = look && otpParams_.has_value();
    CmdOtpSet.SetVisible(!look);
    TxtOtp.SetVisible(!codes);
    lblOtpCode.SetVisible(codes);
    // The tip only where there is a code to copy: a hidden label's would still count as one of the dialog's tips.
    lblOtpCode.SetToolTipText(codes ? "双击复制动态码" : "");
    lblOtpLeft.SetVisible(codes);
    TmrOtp.SetEnabled(codes);
    if (otpDamaged_) TxtOtp.SetText(vault::kDamagedOtpMessage);
    else if (otpParams_) TxtOtp.SetText(OtpSummary(*otpParams_));
    else TxtOtp.SetText("未设置");
    if (codes) TmrOtp_Tick();
}

void FrmData::TmrOtp_Tick() {
    if (!otpParams_) return;
    const int64_t now = Os().NowUtc();
    const std::string code = otp::CodeAt(*otpParams_, now);
    // Six and eight digits read in halves, as authenticators show them.
    const bool halves = code.size() == 6 || code.size() == 8;
    lblOtpCode.SetCaption(halves ? code.substr(0, code.size() / 2) + " " + code.substr(code.size() / 2) : code);
    lblOtpLeft.SetCaption("剩余 " + std::to_string(otp::SecondsLeft(*otpParams_, now)) + " 秒");
}

void FrmData::lblOtpCode_DblClick() {
    if (app_.RecordMode != "look" || !otpParams_) return;
    // The code of the moment of the copy, not the one last shown.
    const std::string code = otp::CodeAt(*otpParams_, Os().NowUtc());
    if (forms_.Main().CopyToClipboard(code)) Say("动态码已复制到系统剪贴板!");
    TmrOtp_Tick();
}

void FrmData::CmdOtpSet_Click() {
    if (app_.RecordMode == "look") return;
    FrmOtp& dialog = forms_.Otp();
    text::AssignWiping(dialog.Current, otpDamaged_ ? std::string_view() : std::string_view(otpText_));
    dialog.Take = [this](const std::string& secret) {
        text::AssignWiping(otpText_, std::string_view(secret));
        otpDamaged_ = false;
        otpChanged_ = true;
    };
    dialog.Show(true, this);
    dialog.Take = nullptr;
    showOtp();
}

bool FrmData::applyMode() {
    lblOpenURL.SetVisible(false);
    CmdEdit.SetVisible(false);
    CmdHistory.SetVisible(app_.RecordMode != "add");
    if (app_.RecordMode == "add") {
        SetCaption("添加资料");
        FrmMain& main = forms_.Main();
        if (const auto* node = main.TreeViewType.SelectedItem(); node && node->Key != "Root") CbAccountType.SetText(node->Text);
        return true;
    }
    store::Recordset& rs = app_.RsData;
    const std::string account = rs["AccountGuid"].Text();
    const std::optional<vault::SecretText> password =
        app_.Secrets.Open(vault::Field::AccountPassword, rs["AccountPassword"].Text(), account);
    const std::optional<vault::SecretText> remarks = app_.Secrets.Open(vault::Field::Remarks, rs["Remarks"].Text(), account);
    if (!password || !remarks) {
        vault::TellDamaged(Os());
        return false;
    }
    // A damaged secret does not keep the account from being read: its row says so.
    const std::optional<vault::SecretText> secret =
        app_.Secrets.Open(vault::Field::OtpSecret, rs["OtpSecret"].Text(), account);
    otpDamaged_ = !secret;
    otpChanged_ = false;
    text::AssignWiping(otpText_, secret ? secret->view() : std::string_view());
    SetCaption("修改资料");
    CbAccountType.SetText(rs["TypeName"].Text());
    TxtAccountName.SetText(rs["AccountName"].Text());
    TxtAccountID.SetText(rs["AccountID"].Text());
    TxtAccountPassword.SetText(password->str());
    TxtRegDate.SetText(rs["RegDate"].Text());
    TxtURL.SetText(rs["URL"].Text());
    TxtRemarks.SetText(remarks->str());
    const bool look = app_.RecordMode == "look";
    CmdGenerate.SetVisible(!look);
    CmdSave.SetEnabled(app_.RecordMode == "edit");
    CbAccountType.SetEnabled(!look);  // a combo box has no read-only state: it is locked by disabling it
    for (ui::TextBox* box : {&TxtAccountName, &TxtAccountID, &TxtAccountPassword, &TxtRegDate, &TxtURL, &TxtRemarks})
        box->SetLocked(look);
    TxtAccountPassword.SetPasswordChar('*');
    return true;
}

void FrmData::CmdEdit_Click() {
    TxtAccountPassword.SetToolTipText("");
    lblOther4.SetMousePointer(0);
    lblOther4.SetForeColor(kRed);
    TxtRegDate.SetToolTipText(kDateTip);
    lblNowData.SetVisible(true);
    app_.RecordMode = "edit";
    app_.ReloadMark.clear();
    if (!applyMode()) Unload();
    else showOtp();
}

void FrmData::lblOther4_Click() {
    if (lblOther4.MousePointer() != kHandPointer) return;
    if (lblOther4.ForeColor() == kRed) {
        lblOther4.SetForeColor(kGreen);
        TxtAccountPassword.SetToolTipText("点击旁边星号显示密码");
        TxtAccountPassword.SetPasswordChar('*');
    } else {
        lblOther4.SetForeColor(kRed);
        TxtAccountPassword.SetToolTipText("点击旁边星号隐藏密码");
        TxtAccountPassword.SetPasswordChar(0);
    }
}

void FrmData::TxtAccountPassword_DblClick() {
    if (app_.RecordMode != "look") return;
    if (forms_.Main().CopyToClipboard(TxtAccountPassword.Text())) Say("密码已复制到系统剪贴板!");
}

void FrmData::CmdGenerate_Click() {
    if (app_.RecordMode == "look") return;
    FrmGenerate& g = forms_.Generate();
    // Taken as if typed: the meter follows.
    g.Use = [this](const std::string& chosen) { TxtAccountPassword.SetText(chosen); };
    g.Show(true, this);
    TxtAccountPassword.SetFocus();
}

void FrmData::CmdHistory_Click() {
    if (app_.RecordMode == "add") return;
    const std::string account = app_.RsData["AccountGuid"].Text();
    FrmHistory& history = forms_.History();
    history.Account = account;
    // The restore has brought the main window up to date: the record set
    // finds this account again, and the dialog shows what is stored now.
    history.Restored = [this, account] {
        app_.RsData.Requery();
        app_.RsData.Filter("AccountGuid = '" + store::esc(account) + "'");
        if (app_.RsData.Eof() || !applyMode()) {
            Unload();
            return;
        }
        if (lblOther4.MousePointer() == kHandPointer) {
            lblOther4.SetForeColor(kGreen);
            TxtAccountPassword.SetToolTipText("点击旁边星号显示密码");
        }
    };
    history.Show(true, this);
}

void FrmData::addCategory(const std::string& category) {
    app_.RsType.AddNew();
    app_.RsType["TypeName"] = category;
    app_.RsType["UserName"] = app_.CurrentUser;
    app_.RsType["icoIndex"] = 11;
    app_.RsType.Update();
    app_.ReloadMark = category;
}

void FrmData::lblNowData_Click() { TxtRegDate.SetText(text::FormatIsoDate(Os().Today())); }

void FrmData::lblOpenURL_Click() { Os().ShellOpen(TxtURL.Text()); }

void FrmData::TxtAccountPassword_Change() { ShowStrength(TxtAccountPassword.Text(), lblStrength, ShapePass); }

void FrmData::CmdSave_Click() {
    std::string category = CbAccountType.Text();
    if (category.empty()) {
        Say("请输入或选择帐号分类!");
        CbAccountType.SetFocus();
        return;
    }
    if (TxtAccountName.Text().empty()) {
        Say("请输入帐号名称!");
        TxtAccountName.SetFocus();
        return;
    }
    if (TxtAccountID.Text().empty() || TxtAccountPassword.Text().empty()) {
        Say("请输入用户名或密码!");
        if (!TxtAccountID.Text().empty()) TxtAccountPassword.SetFocus();
        else TxtAccountID.SetFocus();
        return;
    }
    std::string regDate;
    if (!TxtRegDate.Text().empty()) {
        const auto date = text::ParseUserDate(TxtRegDate.Text());
        if (!date) {
            Say("注册日期格式错误,请重新输入!");
            TxtRegDate.SetFocus();
            return;
        }
        regDate = text::FormatIsoDate(*date);
    }
    if (TxtURL.Text() == "http://") TxtURL.SetText("");

    // The store compares names ignoring letter case: "qq" typed beside "QQ"
    // is that category, not a second one every query would take for it.
    // (An older file may hold both; a name of exactly one of them is that one.)
    const std::vector<std::string>& known = CbAccountType.Items();
    if (std::find(known.begin(), known.end(), category) == known.end()) {
        const auto same = std::find_if(known.begin(), known.end(),
                                       [&](const std::string& k) { return store::CompareNoCase(k, category) == 0; });
        if (same != known.end()) category = *same;
    }
    const bool newCategory = std::find(known.begin(), known.end(), category) == known.end();
    const std::string name = TxtAccountName.Text(), id = TxtAccountID.Text();
    const std::string triple = "TypeName = '" + store::esc(category) + "' and AccountName = '" + store::esc(name) +
                               "' and AccountID = '" + store::esc(id) + "'";
    store::Recordset& rs = app_.RsData;
    const bool adding = app_.RecordMode == "add";
    const int64_t now = Os().NowUtc();
    // A duplicate is refused before anything is written, so no message waits
    // inside an open transaction; the category typed is added all the same.
    bool duplicate = false;
    if (adding) {
        rs.Requery();
        rs.Filter(triple);
        duplicate = !rs.Eof();
    } else {
        store::Recordset same;
        same.Open("select * from AccountData where UserName = '" + store::esc(app_.CurrentUser) + "' and " + triple,
                  app_.DbConn);
        for (; !same.Eof() && !duplicate; same.MoveNext())
            duplicate = same["TypeName"].Text() != rs["TypeName"].Text() ||
                        same["AccountName"].Text() != rs["AccountName"].Text() ||
                        same["AccountID"].Text() != rs["AccountID"].Text();
    }
    if (duplicate) {
        if (newCategory) {
            addCategory(category);
            // It is a category now: saving again must not add it a second time.
            CbAccountType.AddItem(category);
        }
        Say("该帐号已存在,请重新输入!");
        CbAccountType.SetFocus();
        return;
    }
    // The category, the version the change replaces and the change itself
    // are one transaction: a death or a failed write leaves none of them.
    try {
        store::AllOrNothing(app_.DbConn, "save_account", [&] {
            if (newCategory) {
                addCategory(category);
                CbAccountType.AddItem(category);
            }
            if (adding) {
                rs.AddNew();
                rs["AccountGuid"] = store::NewAccountIdentity();
                rs["CreatedTime"] = now;
            }
            const std::string account = rs["AccountGuid"].Text();
            store::Version after;
            const std::string fields[] = {category,
                                          name,
                                          id,
                                          app_.Secrets.Seal(vault::Field::AccountPassword, TxtAccountPassword.Text(), account),
                                          regDate,
                                          TxtURL.Text(),
                                          app_.Secrets.Seal(vault::Field::Remarks, TxtRemarks.Text(), account),
                                          // A secret the user left alone stays as stored, damaged or not.
                                          otpChanged_ || adding
                                              ? app_.Secrets.Seal(vault::Field::OtpSecret, otpText_, account)
                                              : rs["OtpSecret"].Text()};
            static_assert(std::size(fields) == store::kVersionFields);
            std::copy(std::begin(fields), std::end(fields), after.Fields);
            if (!adding) {
                const store::Version before = store::VersionOf(rs);
                // Saving what is already stored changes nothing and keeps nothing.
                if (vault::ChangedFields(app_.Secrets, account, before, after) == 0) return;
                store::KeepVersion(app_.DbConn, app_.CurrentUser, account, before, now);
                QM_CRASH_POINT("edit.history");
            }
            rs["UserName"] = app_.CurrentUser;
            rs["AccountPY"] = text::PinyinInitials(name);
            for (size_t f = 0; f < store::kVersionFields; ++f) rs[store::kVersionColumns[f]] = after[f];
            rs["ChangedTime"] = now;
            rs.Update();
            if (!adding) QM_CRASH_POINT("edit.updated");
        });
    } catch (...) {
        if (newCategory) {
            // The category went with the rest: the list and the record set forget it too.
            const std::string typed = CbAccountType.Text();
            try {
                CbAccountType.Clear();
                FillCategories(app_, CbAccountType);
            } catch (const std::exception&) {
            }
            CbAccountType.SetText(typed);
        }
        throw;
    }
    Unload();
}

}  // namespace qm::forms

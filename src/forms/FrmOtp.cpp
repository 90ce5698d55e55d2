#include "forms/FrmOtp.h"

#include "otp/Qr.h"
#include "otp/Secret.h"
#include "skin/Colours.h"
#include "text/wipe.h"

namespace qm::forms {

namespace {
constexpr ui::Colour kRed = 0x0000C0;
constexpr ui::Colour kBlack = 0x000000;
}  // namespace

FrmOtp::FrmOtp(Forms& forms) : ui::Form(forms.Host(), "FrmOtp"), forms_(forms) {
    SetCaption("设置动态码");
    Move(0, 0, 6900, 3500);
    SetBackColor(skin::kFormColour);
    lblSecret.SetCaption("粘贴网站给出的动态码地址(otpauth://...)或密钥:");
    lblSecret.Move(240, 200, 6300, 300);
    TxtSecret.Move(240, 540, 4200, 330);
    TxtSecret.Secret = true;  // wiped when the dialog goes
    CmdScan.SetCaption("扫描屏幕二维码(&Q)");
    CmdScan.Move(4560, 520, 2040, 370);
    lblIssuer.Move(240, 1080, 3000, 300);
    lblAccount.Move(3300, 1080, 3300, 300);
    lblDigits.Move(240, 1500, 3000, 300);
    lblPeriod.Move(3300, 1500, 3300, 300);
    CmdOK.SetCaption("确定(&O)");
    CmdOK.Move(1260, 2400, 1500, 420);
    CmdOK.SetDefault(true);
    CmdClear.SetCaption("清除(&D)");
    CmdClear.Move(2940, 2400, 1500, 420);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(4620, 2400, 1500, 420);
    CmdCancel.Cancel = true;

    TxtSecret.Change = [this] { TxtSecret_Change(); };
    CmdScan.Click = [this] { CmdScan_Click(); };
    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdClear.Click = [this] { CmdClear_Click(); };
    CmdCancel.Click = [this] { Unload(); };
}

void FrmOtp::Form_Load() {
    Host().AttachSkin(*this);
    TxtSecret.SetText(Current);
    text::WipeString(Current);
    TxtSecret_Change();
}

void FrmOtp::Form_Unload(int&) { text::WipeString(Current); }

void FrmOtp::TxtSecret_Change() {
    const std::string& typed = TxtSecret.Text();
    const otp::ParsedSecret parsed = otp::ParseSecret(typed);
    const bool blank = typed.find_first_not_of(" \t\r\n") == std::string::npos;
    if (!parsed) {
        lblIssuer.SetForeColor(blank ? kBlack : kRed);
        lblIssuer.SetCaption(blank ? "" : otp::RefusalMessage(parsed));
        lblAccount.SetCaption("");
        lblDigits.SetCaption("");
        lblPeriod.SetCaption("");
        return;
    }
    const otp::Params& p = *parsed.params;
    lblIssuer.SetForeColor(kBlack);
    lblIssuer.SetCaption("发行方: " + (p.issuer.empty() ? p.labelIssuer : p.issuer));
    lblAccount.SetCaption("帐号: " + p.account);
    lblDigits.SetCaption(p.encoding == otp::Encoding::Steam ? "位数: 5 (Steam)" : "位数: " + std::to_string(p.digits));
    lblPeriod.SetCaption("周期: " + std::to_string(p.period) + " 秒");
}

void FrmOtp::CmdScan_Click() {
    Host().HideWindows(true);
    std::optional<platform::GreyImage> screen;
    try {
        screen = Os().CaptureScreen();
    } catch (...) {
        Host().HideWindows(false);
        throw;
    }
    Host().HideWindows(false);
    std::optional<platform::WipedString> found;
    if (screen) found = otp::FindOtpAuthQr(*screen);
    if (!found) {
        Say(kNoQrOnScreen);
        return;
    }
    TxtSecret.SetText(std::string(found->data(), found->size()));
    TxtSecret.SetFocus();
}

void FrmOtp::CmdOK_Click() {
    const otp::ParsedSecret parsed = otp::ParseSecret(TxtSecret.Text());
    if (!parsed) {
        Say(otp::RefusalMessage(parsed));
        TxtSecret.SetFocus();
        return;
    }
    const platform::WipedString address = otp::WriteSecret(*parsed.params);
    std::string taken(address.data(), address.size());
    if (Take) Take(taken);
    text::WipeString(taken);
    Unload();
}

void FrmOtp::CmdClear_Click() {
    if (Take) Take("");
    Unload();
}

}  // namespace qm::forms

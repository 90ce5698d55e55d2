#pragma once
// The authenticator secret of the account in the record dialog: pasted (an
// otpauth:// address, a bare Base32 secret, steam://) or read from a QR code
// on the screen, shown as it is understood while it is typed, taken,
// cleared, or left as it was.
#include <functional>
#include <string>

#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmOtp : public ui::Form {
public:
    explicit FrmOtp(Forms& forms);

    ui::Label lblSecret{this, "lblSecret"};
    ui::TextBox TxtSecret{this, "TxtSecret"};
    ui::CommandButton CmdScan{this, "CmdScan"};
    ui::Label lblIssuer{this, "lblIssuer"};
    ui::Label lblAccount{this, "lblAccount"};
    ui::Label lblDigits{this, "lblDigits"};
    ui::Label lblPeriod{this, "lblPeriod"};
    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdClear{this, "CmdClear"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    // The secret the account has now (its text as stored, opened), shown at
    // the load and wiped from here then.
    std::string Current;
    // Called with what the account is to keep: a canonical otpauth:// address,
    // or "" when the user cleared it. Not called on cancel.
    std::function<void(const std::string&)> Take;

    void TxtSecret_Change();
    void CmdScan_Click();
    void CmdOK_Click();
    void CmdClear_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    Forms& forms_;
};

// What the dialog says when no QR code on the screen holds an authenticator address.
inline constexpr const char* kNoQrOnScreen = "屏幕上没有找到动态码二维码";

}  // namespace qm::forms

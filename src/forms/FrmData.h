#pragma once
// One account record, added ("add"), viewed ("look") or edited ("edit").
#include <optional>
#include <string>

#include "forms/Forms.h"
#include "otp/Secret.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmData : public ui::Form {
public:
    explicit FrmData(Forms& forms);

    ui::PictureBox PicOther{this, "PicOther"};
    ui::Label lblAccountType{this, "lblAccountType"};
    ui::ComboBox CbAccountType{this, "CbAccountType"};
    ui::Label lblOther1{this, "lblOther1"};
    ui::Label lblAccountName{this, "lblAccountName"};
    ui::TextBox TxtAccountName{this, "TxtAccountName"};
    ui::Label lblOther2{this, "lblOther2"};
    ui::Label lblAccountID{this, "lblAccountID"};
    ui::TextBox TxtAccountID{this, "TxtAccountID"};
    ui::Label lblOther3{this, "lblOther3"};
    ui::Label lblAccountPassword{this, "lblAccountPassword"};
    ui::TextBox TxtAccountPassword{this, "TxtAccountPassword"};
    ui::Label lblOther4{this, "lblOther4"};
    ui::CommandButton CmdGenerate{this, "CmdGenerate"};
    ui::Label lblPassStrength{this, "lblPassStrength"};
    ui::Shape ShapePass{this, "ShapePass"};
    ui::Label lblStrength{this, "lblStrength"};
    ui::Label lblRegDate{this, "lblRegDate"};
    ui::TextBox TxtRegDate{this, "TxtRegDate"};
    ui::Label lblNowData{this, "lblNowData"};
    ui::Label lblURL{this, "lblURL"};
    ui::TextBox TxtURL{this, "TxtURL"};
    ui::Label lblOpenURL{this, "lblOpenURL"};
    ui::Label lblRemarks{this, "lblRemarks"};
    ui::TextBox TxtRemarks{this, "TxtRemarks"};
    // The one-time code: what is set (add, edit) or the code of the moment (look).
    ui::Label lblOtp{this, "lblOtp"};
    ui::TextBox TxtOtp{this, "TxtOtp"};
    ui::CommandButton CmdOtpSet{this, "CmdOtpSet"};
    ui::Label lblOtpCode{this, "lblOtpCode"};
    ui::Label lblOtpLeft{this, "lblOtpLeft"};
    ui::Timer TmrOtp{this, "TmrOtp"};
    ui::CommandButton CmdHistory{this, "CmdHistory"};
    ui::CommandButton CmdEdit{this, "CmdEdit"};
    ui::CommandButton CmdSave{this, "CmdSave"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdSave_Click();
    void CmdCancel_Click() { Unload(); }
    void CmdEdit_Click();
    void lblNowData_Click();
    void lblOpenURL_Click();
    void lblOther4_Click();
    void TxtAccountPassword_Change();
    void TxtAccountPassword_DblClick();
    void CmdGenerate_Click();
    void CmdOtpSet_Click();
    void TmrOtp_Tick();
    void lblOtpCode_DblClick();
    void CmdHistory_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    // Steps 3 to 5 of the load: the inputs as the mode wants them. False
    // (and the user told) when the record's password or remarks do not open:
    // the dialog then closes and nothing is written over them.
    bool applyMode();
    // Adds `category` for the user with the icon a new category gets, and
    // says so to the main window's tree.
    void addCategory(const std::string& category);

    // The one-time code's row as the mode and the secret want it.
    void showOtp();
    void forgetOtp();

    Forms& forms_;
    app::AppContext& app_;
    // The account's authenticator secret in this dialog: as opened (or as
    // newly set), whether the stored one is damaged, whether the user set or
    // cleared it (only then is it written), and its parameters for the codes.
    std::string otpText_;
    bool otpDamaged_ = false;
    bool otpChanged_ = false;
    std::optional<otp::Params> otpParams_;
};

}  // namespace qm::forms

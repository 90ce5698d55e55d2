#pragma once
// One account record, added ("add"), viewed ("look") or edited ("edit").
#include "forms/Forms.h"
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
    void CmdHistory_Click();

protected:
    void Form_Load() override;

private:
    // Steps 3 to 5 of the load: the inputs as the mode wants them. False
    // (and the user told) when the record's password or remarks do not open:
    // the dialog then closes and nothing is written over them.
    bool applyMode();
    // Adds `category` for the user with the icon a new category gets, and
    // says so to the main window's tree.
    void addCategory(const std::string& category);

    Forms& forms_;
    app::AppContext& app_;
};

}  // namespace qm::forms

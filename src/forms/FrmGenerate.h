#pragma once
// The generator dialog: a new password of random characters or a phrase of
// words, made to the user's choices, which are kept for the next time.
#include <functional>
#include <string>

#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmGenerate : public ui::Form {
public:
    explicit FrmGenerate(Forms& forms);

    ui::PictureBox PicOther{this, "PicOther"};
    ui::Label lblMode{this, "lblMode"};
    ui::ComboBox CbMode{this, "CbMode", ui::ComboBox::DropdownList};
    // Random characters.
    ui::Label lblLength{this, "lblLength"};
    ui::TextBox TxtLength{this, "TxtLength"};
    ui::CheckBox ChkUpper{this, "ChkUpper"};
    ui::CheckBox ChkLower{this, "ChkLower"};
    ui::CheckBox ChkDigits{this, "ChkDigits"};
    ui::CheckBox ChkSymbols{this, "ChkSymbols"};
    ui::CheckBox ChkNoLookAlikes{this, "ChkNoLookAlikes"};
    // A phrase of words.
    ui::Label lblWords{this, "lblWords"};
    ui::TextBox TxtWords{this, "TxtWords"};
    ui::Label lblSeparator{this, "lblSeparator"};
    ui::TextBox TxtSeparator{this, "TxtSeparator"};
    ui::CheckBox ChkCapitalise{this, "ChkCapitalise"};
    ui::CheckBox ChkDigit{this, "ChkDigit"};
    // The candidate and what it is worth.
    ui::TextBox TxtPassword{this, "TxtPassword"};
    ui::Label lblPassStrength{this, "lblPassStrength"};
    ui::Shape ShapePass{this, "ShapePass"};
    ui::Label lblStrength{this, "lblStrength"};
    ui::Label lblEntropy{this, "lblEntropy"};
    ui::Label lblBits{this, "lblBits"};
    ui::Label lblRefusal{this, "lblRefusal"};
    ui::CommandButton CmdRegenerate{this, "CmdRegenerate"};
    ui::CommandButton CmdUse{this, "CmdUse"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    static constexpr int kCharacters = 0, kPhrase = 1;

    // Receives the password the user chose with "使用(&U)"; set by the opener.
    std::function<void(const std::string&)> Use;

    // Makes a new candidate from the choices shown, or says why none can be made.
    void Regenerate();
    void CmdUse_Click();
    void CmdCancel_Click() { Unload(); }

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void showMode();
    void loadChoices();
    void saveChoices();

    app::AppContext& app_;
    bool loading_ = false;  // the choices are being filled in: one candidate at the end, not one per box
};

}  // namespace qm::forms

#pragma once
// The small dialog that asks for the login password again before the
// passwords leave the program in plain text (the export).
#include <functional>
#include <string_view>

#include "forms/Forms.h"
#include "transfer/Import.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmVerifyPassword : public ui::Form {
public:
    explicit FrmVerifyPassword(Forms& forms);

    ui::Label lblTips{this, "lblTips"};
    ui::TextBox TxtPwd{this, "TxtPwd"};
    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdOK_Click();
    void CmdCancel_Click() { Unload(); }
    // The right password was typed before the dialog closed.
    bool Proven() const { return proven_; }
    // Given the proven password before its box is wiped (the sync file's key is made from it).
    std::function<void(std::string_view)> ProvenText;

protected:
    void Form_Load() override { Host().AttachSkin(*this); }

private:
    app::AppContext& app_;
    bool proven_ = false;
};

// The program's one place for stored secrets (app.Secrets), as the import
// and export use it: the logged-in user's form of passwords and remarks.
transfer::SecretSeal StoredSecrets(app::AppContext& app);

}  // namespace qm::forms

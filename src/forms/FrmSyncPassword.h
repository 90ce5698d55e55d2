#pragma once
// Asked once when the sync file does not open with the login password: the
// password was changed on the other PC, and the file is sealed under it.
#include <optional>

#include "forms/Forms.h"
#include "platform/Wiped.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmSyncPassword : public ui::Form {
public:
    explicit FrmSyncPassword(Forms& forms);

    ui::Label lblTips{this, "lblTips"};
    ui::TextBox TxtPwd{this, "TxtPwd"};
    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdOK_Click();
    void CmdCancel_Click() { Unload(); }
    // What was typed, once, for the caller that showed the dialog; nothing after Cancel.
    std::optional<platform::WipedString> TakeTyped();

protected:
    void Form_Load() override { Host().AttachSkin(*this); }

private:
    std::optional<platform::WipedString> typed_;
};

}  // namespace qm::forms

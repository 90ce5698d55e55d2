#pragma once
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmAbout : public ui::Form {
public:
    explicit FrmAbout(Forms& forms);

    ui::Image Image1{this, "Image1"};
    ui::Label lblVersion{this, "lblVersion"};
    ui::Label lblRunning{this, "lblRunning"};
    ui::Label Label2{this, "Label2"};
    ui::CommandButton CmdReturn{this, "CmdReturn"};

protected:
    void Form_Load() override { Host().AttachSkin(*this); }
};

}  // namespace qm::forms

#pragma once
// The main window. For now it shows who is logged in; closing it ends the
// program the way the main window always does on the store's side.
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmMain : public ui::Form {
public:
    explicit FrmMain(Forms& forms);

    ui::Label lblWelcome{this, "lblWelcome"};

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    app::AppContext& app_;
};

}  // namespace qm::forms

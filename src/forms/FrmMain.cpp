#include "forms/FrmMain.h"

#include "app/Startup.h"

namespace qm::forms {

FrmMain::FrmMain(Forms& forms) : ui::Form(forms.Host(), "FrmMain"), app_(forms.App()) {
    Move(0, 0, 9000, 6000);
    FixedDialog = false;
    MinButton = true;
    lblWelcome.Move(600, 600, 7800, 400);
}

void FrmMain::Form_Load() {
    Host().AttachSkin(*this);
    SetCaption("Ostrevin V1.0 正式版 --- 当前用户:" + app_.CurrentUser);
    lblWelcome.SetCaption("欢迎, " + app_.CurrentUser + "。帐号列表即将在这里出现。");
}

void FrmMain::Form_Unload(int&) { app::CloseDataFile(app_); }

}  // namespace qm::forms

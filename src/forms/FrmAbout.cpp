#include "forms/FrmAbout.h"

#include "app/Maker.h"
#include "skin/Colours.h"

namespace qm::forms {

FrmAbout::FrmAbout(Forms& forms) : ui::Form(forms.Host(), "FrmAbout") {
    SetCaption("关于");
    Move(0, 0, 5400, 2700);
    SetBackColor(skin::kFormColour);
    Image1.Picture = "app";
    Image1.Move(300, 300, 720, 720);
    lblVersion.SetCaption("软件版本:V1.0 正式版");
    lblVersion.Move(1300, 330, 3900, 300);
    lblRunning.SetCaption("运行环境:Windows 2000,Windows XP");
    lblRunning.Move(1300, 750, 3900, 300);
    Label2.SetCaption(std::string("交流论坛：") + app::kMakerWebAddress);
    Label2.SetForeColor(0xC00000);
    Label2.SetMousePointer(99);
    Label2.Move(1300, 1170, 3900, 300);
    CmdReturn.SetCaption("返回(&R)");
    CmdReturn.Move(2050, 1800, 1300, 420);
    CmdReturn.SetDefault(true);
    CmdReturn.Cancel = true;
    CmdReturn.Click = [this] { Unload(); };
    Label2.Click = [this] { Os().ShellOpen(app::kMakerWebAddress); };
}

}  // namespace qm::forms

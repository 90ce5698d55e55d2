#include "forms/FrmTrayMenu.h"

namespace qm::forms {

FrmTrayMenu::FrmTrayMenu(Forms& forms) : ui::Form(forms.Host(), "FrmTrayMenu") {
    SetCaption("系统托盘菜单");
    mnuTray.Items = {&mnuShowmain, &mnuline1, &mnuLock, &mnuline4, &mnuSet, &mnuline2, &mnuHelp, &mnuAbout, &mnuline3, &mnuQuit};
    ListView.Items = {&mnuOpenUrl, &line4,  &mnuCopyShortcut, &mnuCopyUser, &mnuCopyPwd, &mnuCopyUrl,
                      &line5,      &mnuLook, &mnuAdd,         &mnuEdit,     &mnuDel};
}

}  // namespace qm::forms

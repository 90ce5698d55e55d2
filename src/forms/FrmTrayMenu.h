#pragma once
// Never shown: it holds the program's two pop-up menus, the tray icon's and
// the account list's, and what their items do.
#include <optional>

#include "forms/Forms.h"
#include "ui/Form.h"
#include "ui/Views.h"
#include "vault/Secrets.h"

namespace qm::forms {

class FrmTrayMenu : public ui::Form {
public:
    explicit FrmTrayMenu(Forms& forms);

    ui::MenuItem mnuTray{this, "mnuTray", "托盘"};
    ui::MenuItem mnuShowmain{this, "mnuShowmain", "显示主界面(&S)"};
    ui::MenuItem mnuline1{this, "mnuline1", "-"};
    ui::MenuItem mnuLock{this, "mnuLock", "锁定密码管理器(&L)"};
    ui::MenuItem mnuline4{this, "mnuline4", "-"};
    ui::MenuItem mnuSet{this, "mnuSet", "设置(&S)"};
    ui::MenuItem mnuline2{this, "mnuline2", "-"};
    ui::MenuItem mnuHelp{this, "mnuHelp", "帮助(&H)"};
    ui::MenuItem mnuAbout{this, "mnuAbout", "关于(&A)"};
    ui::MenuItem mnuline3{this, "mnuline3", "-"};
    ui::MenuItem mnuQuit{this, "mnuQuit", "退出(&Q)"};

    ui::MenuItem ListView{this, "ListView", "右键菜单"};
    ui::MenuItem mnuOpenUrl{this, "mnuOpenUrl", "打开网页(&O)"};
    ui::MenuItem line4{this, "line4", "-"};
    ui::MenuItem mnuCopyShortcut{this, "mnuCopyShortcut", "复制+快捷键(&C)"};
    ui::MenuItem mnuCopyUser{this, "mnuCopyUser", "复制用户名(&U)"};
    ui::MenuItem mnuCopyPwd{this, "mnuCopyPwd", "复制密码(&P)"};
    ui::MenuItem mnuCopyOtp{this, "mnuCopyOtp", "复制动态码(&O)"};
    ui::MenuItem mnuCopyUrl{this, "mnuCopyUrl", "复制网址(&W)"};
    ui::MenuItem line5{this, "line5", "-"};
    ui::MenuItem mnuLook{this, "mnuLook", "查看资料(&L)"};
    ui::MenuItem mnuAdd{this, "mnuAdd", "添加资料(&A)"};
    ui::MenuItem mnuEdit{this, "mnuEdit", "修改资料(&E)"};
    ui::MenuItem mnuDel{this, "mnuDel", "删除资料(&D)"};

    void mnuLock_Click();
    void mnuOpenUrl_Click();
    void mnuCopyShortcut_Click();
    void mnuCopyOtp_Click();

private:
    // Empties the clipboard and puts one field of the selected account on it.
    void copyToClipboard(const std::string& text);
    // The account the list menu acts on; nullptr (and the user told) when no row is selected.
    std::optional<ui::ListItem> selectedAccount();
    // The password of a row's tag, or nothing (and the user told) when it does not open.
    std::optional<vault::SecretText> openPassword(const ui::ListItem& account);

    Forms& forms_;
};

}  // namespace qm::forms

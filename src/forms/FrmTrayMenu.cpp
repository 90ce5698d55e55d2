#include "forms/FrmTrayMenu.h"

#include "forms/FrmMain.h"
#include "forms/OneTimeCode.h"

namespace qm::forms {

namespace {
// Columns of the main window's list, counted after the first.
constexpr size_t kUserNameColumn = 1;
constexpr size_t kAddressColumn = 3;
}  // namespace

FrmTrayMenu::FrmTrayMenu(Forms& forms) : ui::Form(forms.Host(), "FrmTrayMenu"), forms_(forms) {
    SetCaption("系统托盘菜单");
    mnuTray.Items = {&mnuShowmain, &mnuline1, &mnuLock, &mnuline4, &mnuSet, &mnuline2, &mnuHelp, &mnuAbout, &mnuline3, &mnuQuit};
    ListView.Items = {&mnuOpenUrl, &line4,  &mnuCopyShortcut, &mnuCopyUser, &mnuCopyPwd, &mnuCopyOtp, &mnuCopyUrl,
                      &line5,      &mnuLook, &mnuAdd,         &mnuEdit,     &mnuDel};

    mnuShowmain.Click = [this] { forms_.Main().ShowMainWindow(); };
    mnuLock.Click = [this] { mnuLock_Click(); };
    mnuSet.Click = [this] { forms_.Main().CmdSet_Click(); };
    mnuHelp.Click = [this] { forms_.Main().CmdHelp_Click(); };
    // Through the main window's command, so its tag says a dialog is open.
    mnuAbout.Click = [this] { forms_.Main().CmdAbout_Click(); };
    mnuQuit.Click = [this] { forms_.Main().CmdQuit_Click(); };

    mnuOpenUrl.Click = [this] { mnuOpenUrl_Click(); };
    mnuCopyShortcut.Click = [this] { mnuCopyShortcut_Click(); };
    mnuCopyUser.Click = [this] {
        if (const std::optional<ui::ListItem> item = selectedAccount()) copyToClipboard(item->SubItems[kUserNameColumn]);
    };
    // The tag holds the password as stored, also while the list shows asterisks.
    mnuCopyPwd.Click = [this] {
        if (const std::optional<ui::ListItem> item = selectedAccount())
            if (const std::optional<vault::SecretText> password = openPassword(*item)) copyToClipboard(password->str());
    };
    mnuCopyOtp.Click = [this] { mnuCopyOtp_Click(); };
    mnuCopyUrl.Click = [this] {
        if (const std::optional<ui::ListItem> item = selectedAccount()) copyToClipboard(item->SubItems[kAddressColumn]);
    };
    mnuLook.Click = [this] { forms_.Main().CmdLook_Click(); };
    mnuAdd.Click = [this] { forms_.Main().CmdAdd_Click(); };
    mnuEdit.Click = [this] { forms_.Main().CmdEdit_Click(); };
    mnuDel.Click = [this] { forms_.Main().CmdDel_Click(); };
}

void FrmTrayMenu::mnuLock_Click() {
    // The window stays as it is: hidden, with the icon in the tray.
    forms_.Main().SetLock(true);
    Say("Quillmere已处锁定锁定状态!");
}

void FrmTrayMenu::mnuOpenUrl_Click() {
    const std::optional<ui::ListItem> item = selectedAccount();
    if (item && !item->SubItems[kAddressColumn].empty()) Os().ShellOpen(item->SubItems[kAddressColumn]);
}

void FrmTrayMenu::mnuCopyShortcut_Click() {
    // The clipboard is left alone: the hot keys type these texts themselves.
    const std::optional<ui::ListItem> item = selectedAccount();
    if (!item) return;
    const std::optional<vault::SecretText> password = openPassword(*item);
    if (!password) return;
    app::AppContext& app = forms_.App();
    app.HotKeys.SetHotKeyTexts({item->SubItems[kUserNameColumn], password->str(), item->SubItems[kAddressColumn]});
    // The secret as stored: its code is made when the key is pressed.
    app.HotKeys.SetOneTimeCode(item->Key, StoredOtpSecret(app, item->Key));
}

void FrmTrayMenu::mnuCopyOtp_Click() {
    const std::optional<ui::ListItem> item = selectedAccount();
    if (!item) return;
    app::AppContext& app = forms_.App();
    const std::string code = OtpCodeAt(app, Os(), StoredOtpSecret(app, item->Key), item->Key, Os().NowUtc());
    if (!code.empty()) copyToClipboard(code);
}

std::optional<vault::SecretText> FrmTrayMenu::openPassword(const ui::ListItem& account) {
    std::optional<vault::SecretText> password =
        forms_.App().Secrets.Open(vault::Field::AccountPassword, account.Tag, account.Key);
    if (!password) vault::TellDamaged(Os());
    return password;
}

void FrmTrayMenu::copyToClipboard(const std::string& text) { forms_.Main().CopyToClipboard(text); }

std::optional<ui::ListItem> FrmTrayMenu::selectedAccount() {
    const ui::ListView& list = forms_.Main().ListViewUser;
    std::optional<ui::ListItem> item = list.SelectedItem();
    // A click beside the rows leaves none selected; copying some other row would surprise.
    if (!item && list.Count() > 0) Say("请先在列表中选择一个帐号!");
    return item;
}

}  // namespace qm::forms

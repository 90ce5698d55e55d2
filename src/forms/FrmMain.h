#pragma once
// The main window: the current user's categories as a tree, the accounts of
// the chosen category as a list, the quick find, and the commands.
#include "app/Sync.h"
#include "forms/Forms.h"
#include "tray/ModSystemTray.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmMain : public ui::Form {
public:
    // The login's sync waits for the window to be drawn; then the sync file
    // is looked at once a minute.
    static constexpr int kFirstSyncMs = 300;
    static constexpr int kSyncLookMs = 60000;

    explicit FrmMain(Forms& forms);

    ui::CommandButton CmdAdd{this, "CmdAdd"};
    ui::CommandButton CmdEdit{this, "CmdEdit"};
    ui::CommandButton CmdDel{this, "CmdDel"};
    ui::CommandButton CmdLook{this, "CmdLook"};
    ui::CommandButton CmdFind{this, "CmdFind"};
    ui::CommandButton CmdSet{this, "CmdSet"};
    ui::CommandButton CmdTool{this, "CmdTool"};
    ui::CommandButton CmdHelp{this, "CmdHelp"};
    ui::CommandButton CmdAbout{this, "CmdAbout"};
    ui::CommandButton CmdQuit{this, "CmdQuit"};
    ui::Label lblFindData{this, "lblFindData"};
    ui::TextBox TxtFindData{this, "TxtFindData"};
    ui::Label Label1{this, "Label1"};
    ui::CommandButton Command1{this, "Command1"};
    ui::TreeView TreeViewType{this, "TreeViewType"};
    ui::ListView ListViewUser{this, "ListViewUser"};
    ui::Timer TimerAutoLock{this, "TimerAutoLock"};
    // Counts down a copy on the clipboard while one waits to be emptied.
    ui::Timer TimerClipboard{this, "TimerClipboard"};
    // The sync just after the login, then a look at the sync file once a minute.
    ui::Timer TimerSync{this, "TimerSync"};

    // Refresh operations the dialogs call.
    void IsAddType();
    void RequeryData();
    void ListViewShowData(store::Recordset& rs);

    void CmdAdd_Click();
    void CmdEdit_Click();
    void CmdLook_Click();
    void CmdDel_Click();
    void CmdFind_Click();
    void CmdSet_Click();
    void CmdTool_Click();
    void CmdAbout_Click();
    void CmdHelp_Click();
    void CmdQuit_Click() { Unload(); }
    void Command1_Click();
    void TreeViewType_NodeClick(int node);
    void TxtFindData_Change();
    void ListViewUser_ColumnClick(int column);
    void ListViewUser_MouseUp(int Button, int Shift, int X, int Y);
    void TimerAutoLock_Timer();
    void TimerClipboard_Timer();
    void TimerSync_Timer();

    // Syncs the user's book with the sync file now and says what happened
    // as `when` calls for: "立即同步" shows every change, the others only a
    // summary, the exit nothing. Returns the outcome for the caller.
    app::SyncOutcome SyncBook(app::SyncWhen when, ui::Form* owner = nullptr);

    // Puts an account's field on the clipboard for as long as the user's
    // setting says; every copy the program makes goes through here. False
    // (and said) when another program held the clipboard.
    bool CopyToClipboard(const std::string& text);

    // Every way back to the window from the tray: the window itself, or the
    // unlock dialog while the program is locked.
    void ShowMainWindow();
    // The hot keys from the user's settings: the three typing keys and the boss key.
    void LoadHotKeys();
    // True while the program is locked; locking greys the tray menu's settings and about items.
    bool IsLock() const { return isLock_; }
    void SetLock(bool locked);

    int16_t LastSortColumn = 0;
    // Minutes counted by TimerAutoLock since the window was last minimised.
    int32_t LockMinutes = 0;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;
    void Form_Resize() override;
    void Form_Layout() override;
    void Form_TrayMouse(int message) override;

private:
    void autoBackup();
    void buildTree();
    // Filters RsData down to the selected row's account; false when the list is empty.
    bool findSelectedAccount();
    // Shows a modal dialog with the window's tag "1" meanwhile, as the hot keys expect.
    void showModal(ui::Form& dialog);
    // Checks that a row can be acted on; says why not otherwise.
    bool haveSelection(const char* emptyMessage);
    void popupTrayMenu();
    // The boss key: back from the tray, or into it.
    // The armed account's code of this moment for the hot key; "" (and the
    // user told) when its secret is damaged.
    std::string oneTimeCodeForHotKey();
    void bossKey();
    // A typing hot key pressed while locked: the unlock dialog, leaving the window in the tray.
    void unlockForHotKey();
    // At the lock: a copy still on the clipboard goes.
    void clearClipboardAtLock();
    // The icon's tip: the program's name, and the seconds left while a copy waits.
    void showTrayTip();
    // The other password the sync file asks for, typed in its dialog over `owner`.
    std::optional<platform::WipedString> askSyncPassword(ui::Form* owner);

    Forms& forms_;
    app::AppContext& app_;
    tray::ModSystemTray systemTray_;
    bool isLock_ = false;
    // What the last sync said for the icon's tip; empty before one.
    std::string syncTip_;
    bool syncing_ = false;
};

}  // namespace qm::forms

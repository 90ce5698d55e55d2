#include "forms/FrmMain.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "app/Maker.h"
#include "app/Options.h"
#include "app/Startup.h"
#include "forms/Clipboard.h"
#include "forms/OneTimeCode.h"
#include "forms/FrmAbout.h"
#include "forms/FrmData.h"
#include "forms/FrmFind.h"
#include "forms/FrmLoosenLock.h"
#include "forms/FrmTool.h"
#include "forms/FrmSetting.h"
#include "forms/FrmSyncPassword.h"
#include "forms/FrmSyncResult.h"
#include "forms/FrmTrayMenu.h"
#include "skin/Colours.h"
#include "ui/RowLayout.h"
#include "tray/Mod_KeyHOOK.h"
#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/RecycleBin.h"
#include "store/StoreError.h"
#include "store/TextRules.h"
#include "text/date.h"

namespace qm::forms {

namespace {
constexpr const char* kRootKey = "Root";
constexpr const char* kWidthFields[] = {"TypeNameWidth", "AccountNameWidth", "AccountIDWidth", "AccountPasswordWidth",
                                        "URLWidth"};
// 100 inches, wider than any screen, in twips.
constexpr double kWidestColumn = 144000;
// The window as designed, in twips: its client area, the margin kept at its
// edges, and the row of commands along its top (a caption such as 添加(&A)
// needs some 56 pixels at any DPI).
constexpr int kDesignWidth = 12000, kMargin = 120, kListTop = 1200, kTreeWidth = 2700, kLeastListHeight = 1500;
constexpr ui::RowDesign kCommandRow{10, 1090, 90, 840, 30};

// A step of the load that fails is skipped; the window comes up with the rest.
template <class F>
void step(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
    }
}

// The accounts the list shows: the record set's rows themselves, shared, not
// copies of their texts. A password is opened only when it is shown
// unmasked, copied or typed, not for every row at every refill; a row's tag
// is its password as stored.
class AccountRows : public ui::ListRows {
public:
    AccountRows(store::Recordset& rs, const vault::Secrets& secrets, bool masked) : secrets_(secrets), masked_(masked) {
        const char* names[] = {"TypeName", "AccountName", "AccountID", "AccountPassword", "URL", "AccountGuid"};
        for (size_t c = 0; c < 6; ++c) columns_[c] = rs.FieldIndex(names[c]);
    }
    std::vector<store::RowRef> Rows;

    size_t Count() const override { return Rows.size(); }
    std::string Cell(size_t row, size_t column) const override {
        if (column == kPasswordColumn) {
            if (masked_ || secrets_.Locked()) return "********";
            const std::optional<vault::SecretText> password =
                secrets_.Open(vault::Field::AccountPassword, Tag(row), Key(row));
            return password ? password->str() : kDamagedCell;
        }
        return text(row, column);
    }
    std::string Tag(size_t row) const override { return text(row, kPasswordColumn); }
    std::string Key(size_t row) const override { return text(row, kIdentityColumn); }

private:
    static constexpr size_t kPasswordColumn = 3, kIdentityColumn = 5;
    // As the field reads: Null as "", numbers as their decimal text.
    std::string text(size_t row, size_t column) const {
        const store::CellView cell = Rows[row]->Cell(columns_[column]);
        return cell.kind == store::CellView::Text ? std::string(cell.text) : cell.ToValue().Text();
    }
    // What the password column shows for a password that does not open.
    static constexpr const char* kDamagedCell = "该密码已损坏,无法解密!";
    const vault::Secrets& secrets_;
    bool masked_;
    size_t columns_[6];
};
}  // namespace

FrmMain::FrmMain(Forms& forms) : ui::Form(forms.Host(), "FrmMain"), forms_(forms), app_(forms.App()) {
    SetCaption("Ostrevin V1.0 正式版");
    Move(0, 0, 12000, 7800);
    SetBackColor(skin::kFormColour);
    MinButton = true;
    FixedDialog = false;  // the user may maximise it or make it smaller
    // No smaller than keeps every command whole and a few rows of the list.
    MinScaleWidth = 2 * kMargin + ui::LeastRoom(kCommandRow);
    MinScaleHeight = kListTop + kLeastListHeight + kMargin;
    const std::pair<ui::CommandButton*, const char*> buttons[] = {
        {&CmdAdd, "添加(&A)"}, {&CmdEdit, "修改(&E)"}, {&CmdDel, "删除(&D)"},  {&CmdLook, "查看(&L)"},
        {&CmdFind, "查询(&F)"}, {&CmdSet, "设置(&S)"},  {&CmdTool, "工具(&T)"}, {&CmdHelp, "帮助(&H)"},
        {&CmdAbout, "关于(&A)"}, {&CmdQuit, "退出(&Q)"}};
    int x = 120;
    for (const auto& [button, caption] : buttons) {
        button->SetCaption(caption);
        button->Move(x, 120, 1090, 420);
        x += 1180;
    }
    lblFindData.SetCaption("查询数据:");
    lblFindData.Move(120, 760, 950, 300);
    TxtFindData.Move(1080, 700, 2700, 330);
    TxtFindData.SetToolTipText("支持拼音首字母查询");
    Label1.SetCaption(app::kMakerWebAddress);
    Label1.Move(4200, 760, 6200, 300);
    Label1.Alignment = ui::Label::RightJustify;
    Label1.SetForeColor(0xC00000);
    Label1.SetMousePointer(99);
    Command1.SetCaption("交流论坛");
    Command1.Move(10560, 680, 1320, 380);
    TreeViewType.Move(120, 1200, 2700, 6480);
    ListViewUser.Move(2920, 1200, 8960, 6480);
    ListViewUser.AddColumn("帐号分类", 1440);
    ListViewUser.AddColumn("帐号名称", 1440);
    ListViewUser.AddColumn("用户名", 1440);
    ListViewUser.AddColumn("密码", 1440);
    ListViewUser.AddColumn("网址", 1440);
    TimerAutoLock.SetInterval(60000);
    TimerAutoLock.SetEnabled(false);
    TimerClipboard.SetInterval(500);
    TimerClipboard.SetEnabled(false);
    TimerSync.SetInterval(kFirstSyncMs);
    TimerSync.SetEnabled(false);

    CmdAdd.Click = [this] { CmdAdd_Click(); };
    CmdEdit.Click = [this] { CmdEdit_Click(); };
    CmdLook.Click = [this] { CmdLook_Click(); };
    CmdDel.Click = [this] { CmdDel_Click(); };
    CmdFind.Click = [this] { CmdFind_Click(); };
    CmdSet.Click = [this] { CmdSet_Click(); };
    CmdTool.Click = [this] { CmdTool_Click(); };
    CmdAbout.Click = [this] { CmdAbout_Click(); };
    CmdHelp.Click = [this] { CmdHelp_Click(); };
    CmdQuit.Click = [this] { CmdQuit_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    Label1.Click = [this] { Command1_Click(); };
    TreeViewType.NodeClick = [this](int node) { TreeViewType_NodeClick(node); };
    TxtFindData.Change = [this] { TxtFindData_Change(); };
    ListViewUser.ColumnClick = [this](int column) { ListViewUser_ColumnClick(column); };
    ListViewUser.DblClick = [this] { CmdLook_Click(); };
    ListViewUser.MouseUp = [this](int b, int s, int x, int y) { ListViewUser_MouseUp(b, s, x, y); };
    TimerAutoLock.Tick = [this] { TimerAutoLock_Timer(); };
    TimerClipboard.Tick = [this] { TimerClipboard_Timer(); };
    TimerSync.Tick = [this] { TimerSync_Timer(); };
}

void FrmMain::Form_Load() {
    step([&] { Host().AttachSkin(*this); });
    step([&] { SetCaption("Ostrevin V1.0 正式版 --- 当前用户:" + app_.CurrentUser); });
    step([&] { autoBackup(); });
    // After the backup, which so still holds what the bin lets go of.
    step([&] { app::PurgeRecycleBin(app_, Os().NowUtc()); });
    step([&] {
        app_.RsType.Close();
        app_.RsType.Open("select UserName, TypeName, icoIndex from AccountType where UserName = '" +
                             store::esc(app_.CurrentUser) + "' ORDER BY icoIndex",
                         app_.DbConn);
    });
    step([&] { buildTree(); });
    step([&] {
        app_.RsData.Close();
        // The quick find's pinyin reads each name's spelling, made as the rows are read.
        app_.RsData.KeepSpelling("AccountName");
        app_.RsData.Open("select * from AccountData where UserName = '" + store::esc(app_.CurrentUser) + "'", app_.DbConn);
        ListViewShowData(app_.RsData);
    });
    step([&] { ListViewUser.SetListViewExStyle(1, true); });
    step([&] { ListViewUser.SetListViewExStyle(32, true); });
    for (size_t c = 0; c < 5; ++c)
        step([&] {
            // A width that was never stored, or one no screen could show (a
            // negative one, a huge one, a text), keeps the column as designed.
            // The stored value is left alone; the exit stores the width the
            // column then has, as always.
            const store::Value width = app_.RsUser[kWidthFields[c]].Get();
            if ((width.IsInteger() || width.IsReal()) && width.Real() >= 0 && width.Real() <= kWidestColumn)
                ListViewUser.SetColumnWidth(c, static_cast<int>(width.Real()));
        });
    step([&] {
        // A lost icon leaves the window minimised on the taskbar, where the
        // user can still find it (and the lock still holds).
        systemTray_.SetTrayOwner(app_.Tray, *this,
                                 {[this] { ShowMainWindow(); }, [this] { popupTrayMenu(); }, [this] { SetVisible(true); }});
    });
    step([&] { app_.HotKeys.InitHotKeyTable(4); });
    step([&] { LoadHotKeys(); });
    step([&] {
        tray::InstallKeyboardHook(Os().Keyboard(), app_.HotKeys, [this] { Host().RunEvent([this] { bossKey(); }); },
                                  [this] { Host().RunEvent([this] { unlockForHotKey(); }); },
                                  [this] { return oneTimeCodeForHotKey(); });
    });
    // The login's sync runs once the window is on the screen.
    step([&] {
        TimerSync.SetInterval(kFirstSyncMs);
        TimerSync.SetEnabled(true);
    });
}

void FrmMain::LoadHotKeys() {
    store::Recordset& user = app_.RsUser;
    app_.HotKeys.LoadHotKeys({user["ShortcutUser"].Text(), user["ShortcutPassword"].Text(), user["ShortcutURL"].Text(),
                              user["Custom1"].Text(), app::OtpHotKey(app_)});
    app_.HotKeys.HotKeyTable[3].ActionText = tray::kBossKeyAction;
}

std::string FrmMain::oneTimeCodeForHotKey() {
    std::string code;
    Host().RunEvent([&] {
        code = OtpCodeAt(app_, Os(), app_.HotKeys.CodeSecret, app_.HotKeys.CodeAccount, Os().NowUtc());
    });
    return code;
}

void FrmMain::bossKey() {
    if (WindowState() == vbMinimized) {
        ShowMainWindow();
    } else if (WindowState() == vbNormal && Tag != "1") {
        SetWindowState(vbMinimized);
    }
    // Maximised, or with one of its dialogs open, the window stays as it is.
}

void FrmMain::autoBackup() {
    store::Recordset& user = app_.RsUser;
    const int64_t interval = user["AutoBackup"].Int();
    if (interval == 0) return;
    const auto prior = text::ParseUserDate(user["PriorBackupDate"].Text());
    if (!prior) return;
    const text::Date today = Os().Today();
    if (text::DaysBetween(*prior, today) < interval) return;
    const bool ok = app_.BackupDatabase &&
                    app_.BackupDatabase(user["AutoBackupPath"].Text(), user["AutoCompress"].Bool());
    if (ok) {
        // Written with the next update of the user's row.
        user["PriorBackupDate"] = text::FormatIsoDate(today);
    } else {
        MsgBox("自动备份数据失败,请手动备份!", platform::vbExclamation, "提示");
    }
}

void FrmMain::buildTree() {
    TreeViewType.ClearNodes();
    const int root = TreeViewType.AddNode(-1, kRootKey, "帐号分类", 10);
    for (app_.RsType.MoveFirst(); !app_.RsType.Eof(); app_.RsType.MoveNext())
        TreeViewType.AddNode(root, "", app_.RsType["TypeName"].Text(),
                             static_cast<int>(app_.RsType["icoIndex"].Get().Real()));
    TreeViewType.Select(root);
    TreeViewType.Expand(root);
}

void FrmMain::IsAddType() {
    if (app_.ReloadMark.empty()) return;
    app_.RsType.Filter("");
    app_.RsType.Requery();
    buildTree();
}

void FrmMain::TreeViewType_NodeClick(int node) {
    app_.RsData.Requery();
    const ui::TreeView::Node& n = TreeViewType.Nodes()[static_cast<size_t>(node)];
    app_.RsData.Filter(n.Key != kRootKey ? "TypeName = '" + store::esc(n.Text) + "'" : "");
    ListViewShowData(app_.RsData);
}

void FrmMain::RequeryData() {
    if (TreeViewType.SelectedIndex() >= 0) TreeViewType_NodeClick(TreeViewType.SelectedIndex());
}

void FrmMain::ListViewShowData(store::Recordset& rs) {
    const bool masked = app_.RsUser["ShowPassword"].Bool();
    ListViewUser.BeginUpdate();
    ListViewUser.ClearItems();
    auto rows = std::make_shared<AccountRows>(rs, app_.Secrets, masked);
    rows->Rows.reserve(rs.RecordCount());
    for (; !rs.Eof(); rs.MoveNext()) rows->Rows.push_back(rs.CurrentRowData());
    ListViewUser.SetRows(std::move(rows));
    // As the list control always did, the first row starts out selected.
    if (ListViewUser.Count() > 0) ListViewUser.Select(0);
    ListViewUser.EndUpdate();
}

void FrmMain::TxtFindData_Change() {
    const std::string t = TxtFindData.Text();
    // The stored initials and the name as typed, then the name in pinyin
    // with every reading of its characters.
    const std::string quoted = store::esc(t);
    app_.RsData.Filter(t.empty() ? ""
                                 : "AccountPY like '%" + quoted + "%' or AccountName like '%" + quoted +
                                       "%' or AccountName pinyin '" + quoted + "'");
    ListViewShowData(app_.RsData);
}

void FrmMain::ListViewUser_ColumnClick(int column) {
    const int c = column - 1;
    int order;
    if (LastSortColumn == c) {
        order = ui::ListView::Descending;
        LastSortColumn = -1;
    } else {
        order = ui::ListView::Ascending;
        LastSortColumn = static_cast<int16_t>(c);
    }
    ListViewUser.SortBy(c, order);
}

void FrmMain::ListViewUser_MouseUp(int Button, int, int, int) {
    if (Button != 2) return;
    FrmTrayMenu& menu = forms_.TrayMenu();
    const bool any = ListViewUser.Count() > 0;
    for (ui::MenuItem* item : {&menu.mnuCopyShortcut, &menu.mnuCopyUser, &menu.mnuCopyPwd, &menu.mnuLook, &menu.mnuEdit,
                               &menu.mnuDel})
        item->SetEnabled(any);
    const std::optional<ui::ListItem> selected = ListViewUser.SelectedItem();
    const bool url = any && selected && !selected->SubItems[3].empty();
    menu.mnuCopyUrl.SetEnabled(url);
    menu.mnuOpenUrl.SetEnabled(url);
    menu.mnuCopyOtp.SetEnabled(any && selected && !StoredOtpSecret(app_, selected->Key).empty());
    Host().PopupMenu(*this, menu.ListView, &menu.mnuOpenUrl);
}

bool FrmMain::findSelectedAccount() {
    const std::optional<ui::ListItem> item = ListViewUser.SelectedItem();
    if (!item) return false;
    app_.RsData.Requery();
    app_.RsData.Filter("TypeName = '" + store::esc(item->Text) + "' and AccountName = '" + store::esc(item->SubItems[0]) +
                       "' and AccountID = '" + store::esc(item->SubItems[1]) + "'");
    return !app_.RsData.Eof();
}

void FrmMain::showModal(ui::Form& dialog) {
    // The tag goes back to "0" even when the dialog ends in an error, or
    // the hot keys would go on thinking a dialog is open.
    struct Reset {
        std::string& tag;
        ~Reset() { tag = "0"; }
    } reset{Tag};
    Tag = "1";
    dialog.Show(true, this);
}

bool FrmMain::haveSelection(const char* emptyMessage) {
    if (ListViewUser.Count() == 0) {
        Say(emptyMessage);
        return false;
    }
    // Rows can be deselected (a click into the empty part of the list): then
    // there is nothing to act on, and acting on some other row would surprise.
    if (!ListViewUser.SelectedItem()) {
        Say("请先在列表中选择一个帐号!");
        return false;
    }
    if (!findSelectedAccount()) {
        Say("该帐号已不存在!");
        RequeryData();
        return false;
    }
    return true;
}

void FrmMain::CmdAdd_Click() {
    app_.RecordMode = "add";
    app_.ReloadMark.clear();
    showModal(forms_.Data());
    IsAddType();
    RequeryData();
}

void FrmMain::CmdEdit_Click() {
    if (!haveSelection("没有资料可修改!")) return;
    app_.RecordMode = "edit";
    app_.ReloadMark.clear();
    showModal(forms_.Data());
    IsAddType();
    RequeryData();
}

void FrmMain::CmdLook_Click() {
    if (!haveSelection("没有资料可查看!")) return;
    app_.RecordMode = "look";
    showModal(forms_.Data());
    if (app_.RecordMode != "look") {
        IsAddType();
        RequeryData();
    }
}

void FrmMain::CmdDel_Click() {
    if (ListViewUser.Count() == 0) {
        Say("没有资料可删除!");
        return;
    }
    const int row = ListViewUser.SelectedIndex();
    if (row < 0) {
        Say("请先在列表中选择一个帐号!");
        return;
    }
    const std::string name = ListViewUser.Item(static_cast<size_t>(row)).SubItems[0];
    if (MsgBox("是否删除帐号<" + name + ">,删除后将不可恢复,请确认!", platform::vbQuestion | platform::vbYesNo, "删除提示") !=
        platform::vbYes)
        return;
    if (!haveSelection("没有资料可删除!")) return;
    // The account waits in the recycle bin; the book and the bin change together or not at all.
    const std::string guid = app_.RsData["AccountGuid"].Text();
    store::AllOrNothing(app_.DbConn, "delete_account", [&] {
        if (store::RecycleBin(app_.DbConn, app_.CurrentUser).Keep({guid}, Os().NowUtc()) != 1)
            throw store::StoreError("the account has no identity to keep it by in the recycle bin");
        QM_CRASH_POINT("account.binned");
        app_.RsData.Delete();
    });
    ListViewUser.RemoveItem(static_cast<size_t>(row));
}

void FrmMain::CmdFind_Click() { forms_.Find().Show(true, this); }

void FrmMain::CmdSet_Click() {
    app_.ReloadMark.clear();
    showModal(forms_.Setting());
    if (app_.UserLoggedOut) return;
    IsAddType();
    RequeryData();
    LoadHotKeys();
}

void FrmMain::CmdTool_Click() { showModal(forms_.Tool()); }  // a restore refreshes the window itself

void FrmMain::CmdAbout_Click() { showModal(forms_.About()); }

void FrmMain::CmdHelp_Click() {
    const std::string help = store::PathIn(app_.AppPath, "帮助.doc");
    if (platform::FileExists(help)) Os().ShellOpen(help);
    else Say("帮助文档已丢失!");
}

void FrmMain::Command1_Click() { Os().ShellOpen(app::kMakerWebAddress); }

void FrmMain::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode != vbFormControlMenu) return;
    bool toTray = false;
    step([&] { toTray = app_.RsUser["Custom2"].Int() == 1; });
    if (toTray) {
        SetWindowState(vbMinimized);
        Cancel = 1;
    }
}

void FrmMain::Form_Resize() {
    if (WindowState() == vbMinimized) {
        LockMinutes = 0;
        TimerAutoLock.SetEnabled(true);
        showTrayTip();
        // Hidden with no icon, nothing would bring the window back: without
        // one it stays minimised on the taskbar.
        if (systemTray_.AddTrayIcon()) SetVisible(false);
        return;
    }
    if (isLock_) {
        // Back by some other way than the unlock dialog (the taskbar, when
        // there is no icon): the password first.
        SetWindowState(vbMinimized);
        ShowMainWindow();
        return;
    }
    if (WindowState() == vbNormal) {
        TimerAutoLock.SetEnabled(false);
        systemTray_.RemoveTrayIcon();
    }
}

void FrmMain::Form_Layout() {
    const int width = ScaleWidth(), height = ScaleHeight();
    ui::CommandButton* const row[] = {&CmdAdd,  &CmdEdit, &CmdDel,  &CmdLook,  &CmdFind,
                                      &CmdSet,  &CmdTool, &CmdHelp, &CmdAbout, &CmdQuit};
    const std::vector<ui::RowSpan> spans = ui::FitRow(kCommandRow, kMargin, width - 2 * kMargin);
    for (size_t i = 0; i < spans.size(); ++i) row[i]->Move(spans[i].left, 120, spans[i].width, 420);
    // The forum's button and the web address keep to the right edge, the
    // address no further left than the end of the find box.
    Command1.Move(width - kMargin - 1320, 680, 1320, 380);
    const int addressRight = width - (kDesignWidth - 10400);
    const int addressLeft = std::max(TxtFindData.Left() + TxtFindData.Width() + kMargin, addressRight - 6200);
    Label1.Move(addressLeft, 760, std::max(addressRight - addressLeft, 0), 300);
    // The tree keeps its width; the list takes the rest, both all the height.
    const int listHeight = std::max(height - kListTop - kMargin, 0);
    TreeViewType.Move(kMargin, kListTop, kTreeWidth, listHeight);
    const int listLeft = kMargin + kTreeWidth + 100;
    ListViewUser.Move(listLeft, kListTop, std::max(width - kMargin - listLeft, 0), listHeight);
}

void FrmMain::Form_TrayMouse(int message) { systemTray_.TrayWndProc(message); }

void FrmMain::ShowMainWindow() {
    // One of the window's modal dialogs is open (its tag is "1"): that one is
    // finished first. A second dialog over it, or the window back under it,
    // would act while it still waits for its answer.
    if (Tag == "1") return;
    if (isLock_) {
        // Shown again when already open: it comes to the front, once.
        forms_.LoosenLock().ThenShowMain = true;
        forms_.LoosenLock().Show();
        return;
    }
    SetVisible(true);
    SetWindowState(vbNormal);
}

void FrmMain::unlockForHotKey() {
    if (Tag == "1" || !isLock_) return;
    // Unlocked, the user goes on where the hot key was pressed, not in this window.
    forms_.LoosenLock().ThenShowMain = false;
    forms_.LoosenLock().Show();
}

void FrmMain::popupTrayMenu() {
    if (Tag == "1") return;
    Host().PopupMenu(*this, forms_.TrayMenu().mnuTray, nullptr);
}

void FrmMain::SetLock(bool locked) {
    isLock_ = locked;
    app_.HotKeys.Locked = locked;
    // Locked, a protected user's data key is wiped; the unlock derives it again.
    if (locked) app_.Secrets.Lock();
    if (locked) clearClipboardAtLock();
    // The sync file's key goes with the lock; the unlock derives it again.
    if (locked) app_.SyncSession.Forget();
    FrmTrayMenu& menu = forms_.TrayMenu();
    menu.mnuSet.SetEnabled(!locked);
    menu.mnuAbout.SetEnabled(!locked);
}

void FrmMain::TimerAutoLock_Timer() {
    ++LockMinutes;
    if (isLock_) TimerAutoLock.SetEnabled(false);
    // Read at every tick, so a changed setting applies at once. Only the very
    // minute locks: 0 (or none) never does, and a setting lowered below the
    // minutes already counted waits for the next minimise.
    int64_t limit = 0;
    step([&] { limit = app_.RsUser["MinLockTime"].Int(); });
    if (limit != LockMinutes) return;
    TimerAutoLock.SetEnabled(false);
    SetLock(true);
}

bool FrmMain::CopyToClipboard(const std::string& text) {
    const bool copied = app_.Clipboard.Copy(Os(), text, app::ClipboardSeconds(app_));
    TimerClipboard.SetEnabled(app_.Clipboard.Waiting());
    showTrayTip();
    if (!copied) Say(kClipboardNotCopied);
    return copied;
}

void FrmMain::clearClipboardAtLock() {
    // Nothing copied stays to be pasted at the locked desk; while another
    // program holds the clipboard the timer tries again.
    app_.Clipboard.ClearSoon(Os());
    TimerClipboard.SetEnabled(app_.Clipboard.Waiting());
    showTrayTip();
}

void FrmMain::TimerClipboard_Timer() {
    app_.Clipboard.Tick(Os());
    if (!app_.Clipboard.Waiting()) TimerClipboard.SetEnabled(false);
    showTrayTip();
}

void FrmMain::showTrayTip() {
    const int left = app_.Clipboard.SecondsLeft(Os());
    systemTray_.SetTrayTip(left > 0             ? "Quillmere - 剪贴板将在 " + std::to_string(left) + " 秒后清空"
                           : syncTip_.empty() ? std::string("Quillmere")
                                              : "Quillmere - " + syncTip_);
}

void FrmMain::TimerSync_Timer() {
    const bool atLogin = TimerSync.Interval() != kSyncLookMs;
    // Locked, the sync file's key is gone; with one of the window's dialogs
    // open, the book is in use: the next tick tries again (the login's sync
    // keeps its short interval until it has run).
    if (isLock_ || Tag == "1" || syncing_) return;
    TimerSync.SetInterval(kSyncLookMs);
    if (atLogin)
        SyncBook(app::SyncWhen::Login);
    else if (app::SyncFileMoved(app_))
        SyncBook(app::SyncWhen::FileChanged);
}

std::optional<platform::WipedString> FrmMain::askSyncPassword(ui::Form* owner) {
    FrmSyncPassword& dialog = forms_.SyncPassword();
    dialog.Show(true, owner);
    return dialog.TakeTyped();
}

app::SyncOutcome FrmMain::SyncBook(app::SyncWhen when, ui::Form* owner) {
    // A message box of a sync lets the timer tick under it.
    if (syncing_) return {};
    syncing_ = true;
    struct Done {
        FrmMain& main;
        ~Done() {
            main.syncing_ = false;
            main.Host().Busy(false);
        }
    } done{*this};
    Host().Busy(true);
    ui::Form& over = owner ? *owner : *this;
    app::SyncOutcome outcome = app::RunSync(app_, Os(), when, [&] {
        Host().Busy(false);
        std::optional<platform::WipedString> typed = askSyncPassword(&over);
        Host().Busy(true);
        return typed;
    });
    Host().Busy(false);
    if (when == app::SyncWhen::Exit) return outcome;
    if (outcome.LocalChanged) {
        IsAddType();
        RequeryData();
    }
    // A file written with no account changed (the first sync of an empty
    // book, a category's letter case) is nothing to tell.
    const bool changed = outcome.Result == app::SyncOutcome::Synced && !outcome.Report.Changes.empty();
    if (changed) {
        syncTip_ = "同步完成: " + outcome.Report.Summary();
        showTrayTip();
    }
    if (when == app::SyncWhen::Now) {
        if (!outcome.Message.empty()) over.Say(outcome.Message);
        if (changed) {
            FrmSyncResult& result = forms_.SyncResult();
            result.Prepare(outcome.Report);
            result.Show(true, &over);
        } else if (outcome.Result == app::SyncOutcome::Unchanged || outcome.Result == app::SyncOutcome::Synced) {
            over.Say("同步完成,没有需要同步的改动。");
        } else if (outcome.Result == app::SyncOutcome::Off && outcome.Message.empty()) {
            over.Say("请先在“设置”的“其它”页中选择同步文件。");
        }
        return outcome;
    }
    // In the tray the icon's tip says it; on the screen a short message.
    const bool onScreen = Visible() && WindowState() != vbMinimized;
    std::string said = outcome.Message;
    if (changed && onScreen) said += (said.empty() ? "" : "\n\n") + syncTip_;
    if (!said.empty() && (onScreen || !outcome.Message.empty())) Say(said);
    return outcome;
}

void FrmMain::Form_Unload(int& Cancel) {
    // At the end of the Windows session a question would only hold up the log-off.
    if (!app_.UserLoggedOut && UnloadingMode() != vbAppWindows &&
        MsgBox("是否退出系统？", platform::vbQuestion | platform::vbYesNo, "提示") != platform::vbYes) {
        Cancel = 1;
        return;
    }
    // The other PC gets what this session changed, before anything is cleared.
    if (!app_.UserLoggedOut && !isLock_) step([&] { SyncBook(app::SyncWhen::Exit); });
    step([&] { tray::RemoveKeyboardHook(Os().Keyboard()); });
    step([&] {
        for (size_t c = 0; c < 5; ++c)
            app_.RsUser[kWidthFields[c]] = std::max(100, ListViewUser.Columns()[c].Width);
        app_.RsUser.Update();
    });
    step([&] {
        if (forms_.TrayMenu().IsLoaded()) forms_.TrayMenu().Unload();
    });
    bool clearClipboard = false;
    step([&] { clearClipboard = app_.RsUser["ClearClipboard"].Bool(); });
    step([&] { app::CloseDataFile(app_); });
    step([&] { systemTray_.RemoveTrayIcon(); });
    if (clearClipboard) step([&] { ClearForUser(*this, kClipboardLeftFull); });
    // A copy still counting down goes with the program rather than stay for good.
    else step([&] {
        if (!app_.Clipboard.ClearNow(Os())) Say(kClipboardLeftFull);
    });
    step([&] { forms_.UnloadAll(this); });
}

}  // namespace qm::forms

#include "forms/FrmSetting.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "app/Options.h"
#include "app/Settings.h"
#include "app/Sync.h"
#include "forms/FrmProtect.h"
#include "forms/FrmVerifyPassword.h"
#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/DataFile.h"
#include "store/TextRules.h"

namespace qm::forms {

namespace {

constexpr ui::Colour kTabColour = 0xF6E7D5;  // RGB(213, 231, 246)
constexpr ui::Colour kWhite = 0xFFFFFF;
constexpr ui::Colour kBlack = 0x000000;
constexpr ui::Colour kBlue = 0xFF0000;
constexpr ui::Colour kNoteColour = 0x808080;
constexpr int kTabTops[FrmSetting::kPages] = {75, 731, 1387, 2043, 2700};
constexpr int kTabLeft = 60, kTabWidth = 1065, kTabHeight = 495;
constexpr int kPageLeft = 1110, kPageTop = 75, kPageWidth = 5700, kPageHeight = 3120;
constexpr const char* kTabCaptions[FrmSetting::kPages] = {"备份压缩", "安全", "快捷键", "帐号分类", "其它"};
constexpr const char* kHotKeyFields[4] = {"ShortcutUser", "ShortcutPassword", "ShortcutURL", "Custom1"};

std::string trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Days and minutes are whole numbers, 0 or more; spaces around them are ignored.
bool isWholeNumber(const std::string& text) {
    const std::string t = trimmed(text);
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

// What a number box saves: its number, 0 when empty.
int64_t numberIn(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

// The leading number of a part of a hot-key text, as the stored text is read.
long leadingNumber(const std::string& s) { return std::strtol(s.c_str(), nullptr, 10); }

}  // namespace

std::string HotKeyKeyName(int code) {
    if (code >= 65 && code <= 90) return std::string(1, static_cast<char>(code));
    if (code >= 112 && code <= 123) return "F" + std::to_string(code - 111);
    // The top-row digits are named like the keypad's.
    if (code >= 96 && code <= 105) return "Num " + std::to_string(code - 96);
    if (code >= 48 && code <= 57) return "Num " + std::to_string(code - 48);
    switch (code) {
        case 37: return "←";
        case 38: return "↑";
        case 39: return "→";
        case 40: return "↓";
    }
    return "";
}

std::string HotKeyDisplayText(const std::string& hotKey) {
    if (hotKey.empty()) return "";
    const size_t bar = hotKey.find('|');
    const std::string modifier = hotKey.substr(0, bar);
    const std::string key = bar == std::string::npos ? "" : hotKey.substr(bar + 1);
    static const char* const prefixes[] = {"",          "Shift + ",       "Ctrl + ",        "Shift + Ctrl + ",
                                           "Alt + ",    "Shift + Alt + ", "Ctrl + Alt + ", "Shift + Ctrl + Alt + "};
    const long m = leadingNumber(modifier);
    const std::string prefix = m >= 1 && m <= 7 ? prefixes[m] : "";
    return prefix + HotKeyKeyName(static_cast<int>(leadingNumber(key)));
}

void PaintTabGradient(ui::PictureBox& box) {
    box.Cls();
    const int w = static_cast<int>(std::nearbyint(box.Width() / 50.0));
    for (int k = 0; k <= 50; ++k) {
        const auto part = [k](int from, int span) { return from + static_cast<int>(std::nearbyint(k * span / 50.0)); };
        const ui::Colour c = static_cast<ui::Colour>(part(213, 42)) | static_cast<ui::Colour>(part(231, 24)) << 8 |
                             static_cast<ui::Colour>(part(246, 9)) << 16;
        box.FillBox(k * w, 0, (k + 1) * w, box.Height(), c);
    }
}

FrmSetting::FrmSetting(Forms& forms) : ui::Form(forms.Host(), "FrmSetting"), forms_(forms), app_(forms.App()) {
    SetCaption("设置");
    Move(0, 0, kPageLeft + kPageWidth + 120, 3960);
    for (int i = 0; i < kPages; ++i) {
        PicSelect[i].Move(kTabLeft, kTabTops[i], kTabWidth, kTabHeight);
        PicSelect[i].BorderStyle = true;
        lblSelect[i].SetContainer(&PicSelect[i]);
        lblSelect[i].SetCaption(kTabCaptions[i]);
        lblSelect[i].Move(0, 105, kTabWidth - 30, 285);
        lblSelect[i].Alignment = ui::Label::Center;
        lblSelect[i].BackStyle = ui::Label::Transparent;
        lblSelect[i].SetForeColor(kBlack);
        lblSelect[i].SetMousePointer(99);
        PicFunction[i].Move(kPageLeft, kPageTop, kPageWidth, kPageHeight);
        PicFunction[i].BorderStyle = true;
        PicFunction[i].SetBackColor(kWhite);
        PicSelect[i].Click = [this, i] { SelectPage(i); };
        lblSelect[i].Click = [this, i] { SelectPage(i); };
    }
    PicLine.SetBackColor(kWhite);
    PicLine.Move(kTabLeft + kTabWidth - 30, kTabTops[0] + 15, 45, 465);

    const auto place = [this](ui::Control& c, int page, int left, int top, int width, int height) {
        c.SetContainer(&PicFunction[page]);
        c.Move(left, top, width, height);
    };

    lblAutoBackup.SetCaption("自动备份时间间隔:");
    place(lblAutoBackup, 0, 300, 360, 1740, 300);
    place(TxtDay, 0, 2100, 300, 900, 330);
    TxtDay.MaxLength = 5;
    lblDay.SetCaption("天");
    place(lblDay, 0, 3080, 360, 400, 300);
    lblNote2.SetCaption("注:0天为不自动备份");
    lblNote2.SetForeColor(kNoteColour);
    place(lblNote2, 0, 2100, 720, 3300, 300);
    lblSaveFile.SetCaption("备份文件保存至:");
    place(lblSaveFile, 0, 300, 1260, 3000, 300);
    // Chosen with the folder picture only, so that the data file itself can never be typed in.
    place(TxtPath, 0, 300, 1620, 4620, 330);
    TxtPath.SetLocked(true);
    ImgPath.Picture = "folder";
    place(ImgPath, 0, 5010, 1620, 330, 330);
    ImgPath.SetMousePointer(99);
    ImgPath.SetToolTipText("选择备份文件");
    ChkCompress.SetCaption("自动压缩数据库");
    place(ChkCompress, 0, 300, 2220, 3600, 330);

    lblMinLock.SetCaption("最小化后锁定时间:");
    place(lblMinLock, 1, 300, 360, 1740, 300);
    place(TxtMinLock, 1, 2100, 300, 900, 330);
    TxtMinLock.MaxLength = 5;
    lblMinute.SetCaption("分");
    place(lblMinute, 1, 3080, 360, 400, 300);
    lblNote1.SetCaption("注:0分钟为不锁定");
    lblNote1.SetForeColor(kNoteColour);
    place(lblNote1, 1, 2100, 720, 3300, 300);
    ChkShowPassword.SetCaption("用星号(*)显示密码");
    place(ChkShowPassword, 1, 300, 1260, 3600, 330);
    ChkClearClipboard.SetCaption("退出时清空剪贴板");
    place(ChkClearClipboard, 1, 300, 1740, 3600, 330);
    lblClipboardSeconds.SetCaption("复制后自动清空剪贴板:");
    place(lblClipboardSeconds, 1, 300, 2280, 2100, 300);
    place(TxtClipboardSeconds, 1, 2460, 2220, 900, 330);
    TxtClipboardSeconds.MaxLength = 5;
    lblSecond.SetCaption("秒");
    place(lblSecond, 1, 3440, 2280, 400, 300);
    lblNote3.SetCaption("注:0秒为不自动清空");
    lblNote3.SetForeColor(kNoteColour);
    place(lblNote3, 1, 2460, 2640, 3000, 300);
    // Below the clipboard's seconds, clear of their note.
    ChkStrongProtection.SetCaption("加强保护(推荐)");
    place(ChkStrongProtection, 1, 300, 2700, 2100, 330);

    ui::Label* hotKeyLabels[5] = {&lblPlasterUser, &lblPlasterPassword, &lblPlasterURL, &Label1, &lblPlasterOtp};
    const char* hotKeyCaptions[5] = {"粘贴用户名:", "粘贴密码:", "粘贴网址:", "老板键:", "粘贴动态码:"};
    const int hotKeyTops[5] = {300, 780, 1260, 2460, 1740};  // the boss key apart from the four typing keys
    for (int i = 0; i < 5; ++i) {
        hotKeyLabels[i]->SetCaption(hotKeyCaptions[i]);
        place(*hotKeyLabels[i], 2, 300, hotKeyTops[i] + 60, 1300, 300);
        ui::TextBox& box = TxtShortcutKey[i];
        place(box, 2, 1680, hotKeyTops[i], 3000, 330);
        // What the box shows is set by the keys pressed, never typed or pasted.
        box.SetLocked(true);
        box.CapturesKeys = true;
        box.KeyDown = [this, i](ui::KeyEvent& e) { TxtShortcutKey_KeyDown(i, e); };
        box.KeyUp = [this, i](ui::KeyEvent& e) { TxtShortcutKey_KeyUp(i, e); };
        box.KeyPress = [](int& KeyAscii) { KeyAscii = 0; };
        box.GotFocus = [this, i] {
            app_.HotKeys.Capturing = true;
            captureBox_ = i;
            keptText_ = TxtShortcutKey[i].Text();
            keptTag_ = TxtShortcutKey[i].Tag;
            keysDown_ = false;
        };
        box.LostFocus = [this] {
            finishCapture();
            captureBox_ = -1;
            app_.HotKeys.Capturing = false;
        };
    }

    lblAccountType.SetCaption("帐号分类:");
    place(lblAccountType, 3, 300, 240, 2400, 300);
    place(ListAccountType, 3, 300, 570, 2760, 2340);
    place(TxtAccountType, 3, 3240, 570, 2220, 330);
    const std::pair<ui::CommandButton*, const char*> typeButtons[] = {{&CmdAddType, "添加(&A)"},
                                                                      {&CmdEditType, "修改(&E)"},
                                                                      {&CmdDeleteType, "删除(&D)"},
                                                                      {&CmdSaveType, "保存(&S)"},
                                                                      {&CmdCancelType, "取消(&C)"}};
    const int typeButtonAt[5][2] = {{3240, 1080}, {4380, 1080}, {3240, 1560}, {3240, 2490}, {4380, 2490}};
    for (int i = 0; i < 5; ++i) {
        typeButtons[i].first->SetCaption(typeButtons[i].second);
        place(*typeButtons[i].first, 3, typeButtonAt[i][0], typeButtonAt[i][1], 1080, 390);
    }

    ChkCloseMin.SetCaption("关闭时最小化到托盘");
    place(ChkCloseMin, 4, 300, 360, 3600, 330);
    ChkWinRun.SetCaption("随系统启动");
    place(ChkWinRun, 4, 300, 840, 3600, 330);
    lblBinDays.SetCaption("回收站保留天数:");
    place(lblBinDays, 4, 300, 1380, 1740, 300);
    place(TxtBinDays, 4, 2100, 1320, 900, 330);
    TxtBinDays.MaxLength = 5;
    lblBinDay.SetCaption("天");
    place(lblBinDay, 4, 3080, 1380, 400, 300);
    lblNote4.SetCaption("注:0天为一直保留,直到清空回收站");
    lblNote4.SetForeColor(kNoteColour);
    place(lblNote4, 4, 2100, 1740, 3500, 300);
    lblSyncFile.SetCaption("同步文件:");
    place(lblSyncFile, 4, 300, 2220, 3000, 300);
    place(TxtSyncFile, 4, 300, 2580, 4080, 330);
    CmdSyncBrowse.SetCaption("浏览...");
    place(CmdSyncBrowse, 4, 4500, 2550, 900, 390);

    CmdOK.SetCaption("确定(&O)");
    CmdOK.Move(kPageLeft + kPageWidth - 2760, 3360, 1260, 420);
    CmdOK.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(kPageLeft + kPageWidth - 1260, 3360, 1260, 420);
    CmdCancel.Cancel = true;

    CmdOK.Click = [this] { CmdOK_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
    ImgPath.Click = [this] { ImgPath_Click(); };
    CmdSyncBrowse.Click = [this] { CmdSyncBrowse_Click(); };
    TxtSyncFile.Change = [this] { TxtSyncFile.SetToolTipText(TxtSyncFile.Text()); };
    TxtDay.LostFocus = [this] { TxtDay_LostFocus(); };
    // A long path does not fit the box: its tip shows all of it.
    TxtPath.Change = [this] { TxtPath.SetToolTipText(TxtPath.Text()); };
    TxtMinLock.Change = [this] { TxtMinLock_Change(); };
    TxtClipboardSeconds.Change = [this] { TxtClipboardSeconds_Change(); };
    TxtBinDays.Change = [this] { TxtBinDays_Change(); };
    CmdAddType.Click = [this] { CmdAddType_Click(); };
    CmdEditType.Click = [this] { CmdEditType_Click(); };
    CmdDeleteType.Click = [this] { CmdDeleteType_Click(); };
    CmdSaveType.Click = [this] { CmdSaveType_Click(); };
    CmdCancelType.Click = [this] { CmdCancelType_Click(); };
}

void FrmSetting::Form_Load() {
    Host().AttachSkin(*this);
    for (int i = 0; i < kPages; ++i) {
        PicSelect[i].SetBackColor(kTabColour);
        PicFunction[i].Move(kPageLeft, kPageTop, kPageWidth, kPageHeight);
        PicFunction[i].SetVisible(false);
    }
    CurrentPage = 0;
    SelectPage(0);
    loadSettings();
    TypeEditMode.clear();
    loadTypes();
}

int FrmSetting::pageOf(const ui::Control* c) const {
    for (int i = 0; c && i < kPages; ++i)
        if (c->Container() == &PicFunction[i]) return i;
    return -1;
}

bool FrmSetting::isHotKeyBox(const ui::Control* c) const {
    for (const ui::TextBox& box : TxtShortcutKey)
        if (c == &box) return true;
    return false;
}

void FrmSetting::SelectPage(int index) {
    if (index < 0 || index >= kPages) return;
    // A page going out of sight takes no focus with it: a hidden box would
    // go on taking keys. A box that refuses what it holds keeps the focus,
    // and its page stays.
    if (index != CurrentPage && pageOf(ActiveControl()) == CurrentPage) {
        CmdOK.SetFocus();
        if (pageOf(ActiveControl()) == CurrentPage) return;
    }
    PicFunction[CurrentPage].SetVisible(false);
    lblSelect[CurrentPage].SetFontBold(false);
    lblSelect[CurrentPage].SetForeColor(kBlack);
    PicSelect[CurrentPage].Cls();
    PicSelect[CurrentPage].SetBackColor(kTabColour);

    ui::PictureBox& tab = PicSelect[index];
    tab.SetBackColor(kWhite);
    PaintTabGradient(tab);
    lblSelect[index].SetFontBold(true);
    lblSelect[index].SetForeColor(kBlue);
    PicFunction[index].SetVisible(true);
    PicLine.Move(tab.Left() + tab.Width() - 30, tab.Top() + 15, PicLine.Width(), PicLine.Height());
    CurrentPage = static_cast<int16_t>(index);
}

void FrmSetting::loadSettings() {
    store::Recordset& user = app_.RsUser;
    // True (stored as -1) and 1 alike check a box.
    const auto check = [&](ui::CheckBox& box, const char* field) {
        box.SetValue(user[field].Bool() ? ui::CheckBox::Checked : ui::CheckBox::Unchecked);
    };
    const auto hotKey = [&](int index, const char* field) {
        ui::TextBox& box = TxtShortcutKey[index];
        box.Tag = user[field].Text();
        box.SetText(HotKeyDisplayText(box.Tag));
    };
    TxtDay.SetText(user["AutoBackup"].Text());
    TxtPath.SetText(user["AutoBackupPath"].Text());
    check(ChkCompress, "AutoCompress");
    TxtMinLock.SetText(user["MinLockTime"].Text());
    check(ChkShowPassword, "ShowPassword");
    check(ChkClearClipboard, "ClearClipboard");
    // As the user's passwords are stored, whatever the option says.
    ChkStrongProtection.SetValue(app_.Secrets.Protected() ? ui::CheckBox::Checked : ui::CheckBox::Unchecked);
    hotKey(0, kHotKeyFields[0]);
    hotKey(1, kHotKeyFields[1]);
    hotKey(2, kHotKeyFields[2]);
    check(ChkWinRun, "WinRun");
    hotKey(3, kHotKeyFields[3]);
    TxtShortcutKey[4].Tag = app::OtpHotKey(app_);
    TxtShortcutKey[4].SetText(HotKeyDisplayText(TxtShortcutKey[4].Tag));
    check(ChkCloseMin, "Custom2");
    TxtClipboardSeconds.SetText(std::to_string(app::ClipboardSeconds(app_)));
    TxtBinDays.SetText(std::to_string(app::RecycleBinDays(app_)));
    TxtSyncFile.SetText(app::SyncFilePath(app_));
}

void FrmSetting::Form_Activate() {
    // Back from another program: capturing goes on where it stopped.
    app_.HotKeys.Capturing = isHotKeyBox(ActiveControl());
}

void FrmSetting::Form_Deactivate() {
    // Keys pressed in another program are that program's, hot keys included.
    finishCapture();
    app_.HotKeys.Capturing = false;
}

void FrmSetting::Form_Unload(int&) { app_.HotKeys.Capturing = false; }

void FrmSetting::TxtDay_LostFocus() {
    // Leaving the dialog without saving needs no valid number.
    if (ActiveControl() == &CmdCancel) return;
    if (TxtDay.Text().empty() || isWholeNumber(TxtDay.Text())) return;
    Say("请输入正确天数!");
    TxtDay.SetText("");
    TxtDay.SetFocus();
}

void FrmSetting::TxtMinLock_Change() {
    if (TxtMinLock.Text().empty() || isWholeNumber(TxtMinLock.Text())) return;
    Say("请输入正确时间!");
    TxtMinLock.SetText("");
    TxtMinLock.SetFocus();
}

void FrmSetting::TxtClipboardSeconds_Change() {
    if (TxtClipboardSeconds.Text().empty() || isWholeNumber(TxtClipboardSeconds.Text())) return;
    Say("请输入正确秒数!");
    TxtClipboardSeconds.SetText("");
    TxtClipboardSeconds.SetFocus();
}

void FrmSetting::TxtBinDays_Change() {
    if (TxtBinDays.Text().empty() || isWholeNumber(TxtBinDays.Text())) return;
    Say("请输入正确天数!");
    TxtBinDays.SetText("");
    TxtBinDays.SetFocus();
}

void FrmSetting::TxtShortcutKey_KeyDown(int Index, ui::KeyEvent& e) {
    ui::TextBox& box = TxtShortcutKey[Index];
    std::string text;
    switch (e.Shift) {
        case 1:  // Shift alone makes a hot key for the boss key only
            CapturedModifier = Index == 3 ? 1 : 0;
            if (Index == 3) text = "Shift + ";
            break;
        case 2:
            text = "Ctrl + ";
            CapturedModifier = 2;
            break;
        case 4:
            text = "Alt + ";
            CapturedModifier = 4;
            break;
        default:  // none, or two or three modifiers together
            CapturedModifier = 0;
            break;
    }
    box.SetText(text + HotKeyKeyName(e.KeyCode));
    box.Tag = std::to_string(CapturedModifier) + "|" + std::to_string(e.KeyCode);
    keysDown_ = true;
    e.KeyCode = 0;  // the box itself does nothing with the key
}

void FrmSetting::TxtShortcutKey_KeyUp(int Index, ui::KeyEvent& e) {
    e.KeyCode = 0;
    // Only a capture made in this box ends here: the release of the Tab that
    // brought the focus in changes nothing.
    if (!keysDown_) return;
    keysDown_ = false;
    ui::TextBox& box = TxtShortcutKey[Index];
    const std::string shown = trimmed(box.Text());
    if ((!shown.empty() && shown.back() == '+') || CapturedModifier == 0) {
        box.SetText("");
        box.Tag.clear();
    }
    keptText_ = box.Text();
    keptTag_ = box.Tag;
}

void FrmSetting::finishCapture() {
    if (!keysDown_ || captureBox_ < 0) return;
    keysDown_ = false;
    TxtShortcutKey[captureBox_].SetText(keptText_);
    TxtShortcutKey[captureBox_].Tag = keptTag_;
}

void FrmSetting::ImgPath_Click() {
    std::string folder = app_.AppPath;
    if (const size_t slash = TxtPath.Text().find_last_of("\\/"); slash != std::string::npos)
        folder = TxtPath.Text().substr(0, slash);
    std::string path = Os().ShowSaveDialog("备份文件(*.dat)|*.dat", folder, "SystemDataBackup", "选择备份文件");
    if (path.empty()) return;
    std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (ending != ".dat") path += ".dat";
    // The file system decides what is the same file: on Windows letter case
    // makes no other name of it.
    if (platform::SameFile(path, app_.DataFilePath())) {
        MsgBox("备份文件不能与数据文件路径一样,请重新选择.", platform::vbOKOnly, app::kAppTitle);
        TxtPath.SetText("");
        return;
    }
    TxtPath.SetText(path);
}

void FrmSetting::CmdSyncBrowse_Click() {
    std::string folder;
    if (const size_t slash = TxtSyncFile.Text().find_last_of("\\/"); slash != std::string::npos)
        folder = TxtSyncFile.Text().substr(0, slash);
    // The file another PC made is chosen to be joined, not replaced.
    const std::string path = Os().ShowSaveDialog("同步文件(*.dat)|*.dat|所有文件(*.*)|*.*", folder, kDefaultSyncFileName,
                                                 "选择同步文件", false);
    if (path.empty()) return;
    if (const std::string why = app::SyncPathRefusal(app_, path); !why.empty()) {
        Say(why);
        return;
    }
    TxtSyncFile.SetText(path);
}

std::string FrmSetting::syncFileTyped() const { return trimmed(TxtSyncFile.Text()); }

bool FrmSetting::switchProtection(bool on) {
    const auto cancelled = [this] {
        ChkStrongProtection.SetValue(app_.Secrets.Protected() ? ui::CheckBox::Checked : ui::CheckBox::Unchecked);
        return false;
    };
    if (!on && MsgBox("关闭加强保护后,密码和备注将只受程序内置的混淆保护,拿到数据文件的人可以还原它们。是否继续?",
                      platform::vbQuestion | platform::vbYesNo, "提示") != platform::vbYes)
        return cancelled();
    FrmProtect& dialog = forms_.Protect();
    dialog.SwitchingOn = on;
    dialog.Show(true, this);
    return dialog.Done || cancelled();
}

void FrmSetting::CmdOK_Click() {
    if (!TxtDay.Text().empty() && !isWholeNumber(TxtDay.Text())) {
        SelectPage(0);
        Say("请输入正确天数!");
        TxtDay.SetText("");
        TxtDay.SetFocus();
        return;
    }
    if (!TxtBinDays.Text().empty() && (!isWholeNumber(TxtBinDays.Text()) || numberIn(TxtBinDays.Text()) > app::kMostRecycleBinDays)) {
        SelectPage(4);
        Say("回收站保留天数请输入0到" + std::to_string(app::kMostRecycleBinDays) + "之间的整数!");
        TxtBinDays.SetFocus();
        return;
    }
    const std::string syncFile = syncFileTyped();
    if (const std::string why = syncFile.empty() ? "" : app::SyncPathRefusal(app_, syncFile); !why.empty()) {
        SelectPage(4);
        Say(why);
        TxtSyncFile.SetFocus();
        return;
    }
    // The file's key is made from the login password, which a user who did
    // not sync was not asked to leave in memory: asked for once now.
    if (!syncFile.empty() && !app_.SyncSession.Key() && !app_.SyncSession.HasLoginPassword()) {
        FrmVerifyPassword& verify = forms_.VerifyPassword();
        verify.ProvenText = [this](std::string_view password) { app_.SyncSession.LoggedIn(password); };
        verify.Show(true, this);
        if (!verify.Proven()) return;
    }
    const bool protect = ChkStrongProtection.Value() == ui::CheckBox::Checked;
    if (protect != app_.Secrets.Protected() && !switchProtection(protect)) return;
    store::Recordset& user = app_.RsUser;
    const auto checked = [](const ui::CheckBox& box) { return box.Value() == ui::CheckBox::Checked; };
    user["AutoBackup"] = numberIn(TxtDay.Text());
    user["AutoBackupPath"] = TxtPath.Text();
    user["AutoCompress"] = checked(ChkCompress);
    user["MinLockTime"] = numberIn(TxtMinLock.Text());
    user["ShowPassword"] = checked(ChkShowPassword);
    user["ClearClipboard"] = checked(ChkClearClipboard);
    user[kHotKeyFields[0]] = TxtShortcutKey[0].Tag;
    user[kHotKeyFields[1]] = TxtShortcutKey[1].Tag;
    user[kHotKeyFields[2]] = TxtShortcutKey[2].Tag;
    user["WinRun"] = checked(ChkWinRun);
    user[kHotKeyFields[3]] = TxtShortcutKey[3].Tag;
    user["Custom2"] = checked(ChkCloseMin) ? 1 : 0;
    user.Update();
    app_.Options.SetInt(app::kClipboardSecondsOption, numberIn(TxtClipboardSeconds.Text()));
    app_.Options.Set(app::kOtpHotKeyOption, TxtShortcutKey[4].Tag);
    app_.Options.SetInt(app::kRecycleBinDaysOption, numberIn(TxtBinDays.Text()));
    app_.Options.Set(app::kSyncFileOption, syncFile);

    const bool startUp = checked(ChkWinRun);
    if (!app::UpdateStartupEntry(Os(), app_.AppPath, app_.ExeFile, startUp)) {
        // The setting says what Windows will really do at the next start.
        user["WinRun"] = !startUp;
        user.Update();
        Say(startUp ? "无法写入系统启动项,程序不会随系统启动!" : "无法删除系统启动项,程序仍会随系统启动!");
    }
    Unload();
}

// ---- The category page ------------------------------------------------------
// Every change is written at once; OK and Cancel of the dialog have no say.

void FrmSetting::loadTypes() {
    app_.RsType.Filter("");
    app_.RsType.Requery();
    ListAccountType.Clear();
    for (app_.RsType.MoveFirst(); !app_.RsType.Eof(); app_.RsType.MoveNext())
        ListAccountType.AddItem(app_.RsType["TypeName"].Text());
    ListAccountType.SetListIndex(0);
    TxtAccountType.SetLocked(true);
    CmdSaveType.SetEnabled(false);
    CmdCancelType.SetEnabled(false);
}

bool FrmSetting::isReserved(const std::string& name) const { return store::IsReservedTypeName(name); }

bool FrmSetting::isDuplicate(const std::string& name) const {
    // The list is read one entry past its end, which reads as the empty text:
    // an empty name (or one of spaces only) is always taken.
    if (trimmed(name).empty()) return true;
    for (int i = 0; i < ListAccountType.ListCount(); ++i) {
        const std::string& entry = ListAccountType.List(i);
        // Renaming, the category's own name counts only unchanged: a change
        // of letter case alone is a new name for it.
        if (TypeEditMode == "edit" && i == ListAccountType.ListIndex()) {
            if (entry == name) return true;
            continue;
        }
        // The store compares names ignoring letter case: "qq" beside "QQ"
        // would be one category to every query.
        if (store::CompareNoCase(entry, name) == 0) return true;
    }
    return false;
}

void FrmSetting::setTypeEntering(bool entering) {
    ListAccountType.SetEnabled(!entering);
    TxtAccountType.SetLocked(!entering);
    if (!entering) TxtAccountType.SetText("");
    // While a name is typed, Enter saves it and Esc drops it; otherwise they are the dialog's.
    CmdSaveType.SetEnabled(entering);
    CmdCancelType.SetEnabled(entering);
    CmdSaveType.SetDefault(entering);
    CmdOK.SetDefault(!entering);
    CmdCancelType.Cancel = entering;
    CmdCancel.Cancel = !entering;
    if (entering) TxtAccountType.SetFocus();
    else ListAccountType.SetFocus();
    CmdAddType.SetEnabled(!entering);
    CmdEditType.SetEnabled(!entering);
    CmdDeleteType.SetEnabled(!entering);
    RefreshTypeButtons();
}

void FrmSetting::RefreshTypeButtons() {
    // Hidden and shown again, each button is drawn anew in its enabled or disabled look.
    for (ui::CommandButton* b : {&CmdAddType, &CmdEditType, &CmdDeleteType, &CmdSaveType, &CmdCancelType}) {
        b->SetVisible(false);
        b->SetVisible(true);
    }
}

void FrmSetting::CmdAddType_Click() {
    TypeEditMode = "add";
    TxtAccountType.SetText("");
    setTypeEntering(true);
}

void FrmSetting::CmdEditType_Click() {
    const int index = ListAccountType.ListIndex();
    const std::string name = index >= 0 ? ListAccountType.List(index) : "";
    if (isReserved(name)) {
        Say("系统保留分类,不能修改!");
        return;
    }
    TypeEditMode = "edit";
    setTypeEntering(true);
    TxtAccountType.SetText(name);
}

void FrmSetting::CmdCancelType_Click() {
    TypeEditMode.clear();
    setTypeEntering(false);
}

void FrmSetting::CmdSaveType_Click() {
    const std::string name = TxtAccountType.Text();
    if (isDuplicate(name)) {
        Say("该分类已存在,请重新输入!");
        TxtAccountType.SetFocus();
        return;
    }
    if (TypeEditMode == "add") {
        store::Recordset& types = app_.RsType;
        types.AddNew();
        types["TypeName"] = name;
        types["UserName"] = app_.CurrentUser;
        types["icoIndex"] = 11;
        types.Update();
        ListAccountType.AddItem(name);
    } else if (TypeEditMode == "edit") {
        const int index = ListAccountType.ListIndex();
        renameType(ListAccountType.List(index), name);
        ListAccountType.SetList(index, name);
    }
    app_.ReloadMark = name;
    TypeEditMode.clear();
    setTypeEntering(false);
}

void FrmSetting::CmdDeleteType_Click() {
    const int index = ListAccountType.ListIndex();
    const std::string name = index >= 0 ? ListAccountType.List(index) : "";
    if (isReserved(name)) {
        Say("系统保留分类,不能删除!");
        return;
    }
    if (MsgBox("是否删除“" + name + "”分类和“" + name + "”分类下所有数据?", platform::vbYesNo | platform::vbQuestion,
               "提示") != platform::vbYes)
        return;
    deleteType(name);
    ListAccountType.RemoveItem(index);
    app_.ReloadMark = "delete";
    ListAccountType.SetFocus();
    RefreshTypeButtons();
}

// The filters and statements below ignore letter case, as the store does; an
// older file may hold "QQ" beside "qq", and each is its own category there:
// only the rows of exactly this name change.
namespace {

// Moves the filtered record set to its row of exactly `name`; false when there is none.
bool toExactName(store::Recordset& types, const std::string& name) {
    for (; !types.Eof(); types.MoveNext())
        if (types["TypeName"].Text() == name) return true;
    return false;
}

}  // namespace

void FrmSetting::changeTypes(const std::string& name, const std::function<void(store::Recordset&)>& change,
                             const std::function<void()>& accounts) {
    store::Recordset& types = app_.RsType;
    const std::string user = store::esc(app_.CurrentUser);
    app_.DbConn.Execute("SAVEPOINT category");
    try {
        types.Requery();
        types.Filter("TypeName = '" + store::esc(name) + "' and UserName = '" + user + "'");
        if (toExactName(types, name)) change(types);
        QM_CRASH_POINT("category.changed");
        accounts();
        app_.DbConn.Execute("RELEASE category");
    } catch (...) {
        // Nothing of it stays, in the file or in the record set.
        try {
            app_.DbConn.Execute("ROLLBACK TO category; RELEASE category");
            if (types.HasPendingChanges()) types.CancelUpdate();
            types.Filter("");
            types.Requery();
        } catch (const std::exception&) {
        }
        throw;
    }
    types.Filter("");
    app_.RsData.Requery();
}

void FrmSetting::renameType(const std::string& from, const std::string& to) {
    changeTypes(
        from,
        [&](store::Recordset& types) {
            types["TypeName"] = to;
            types.Update();
        },
        [&] {
            app_.DbConn.Execute("update AccountData set TypeName = '" + store::esc(to) + "' where UserName = '" +
                                store::esc(app_.CurrentUser) + "' and TypeName = '" + store::esc(from) + "' COLLATE BINARY");
        });
}

void FrmSetting::deleteType(const std::string& name) {
    // The accounts wait in the bin with the category's icon, so that a
    // restore can make the category again as it was.
    int64_t icon = 11;
    changeTypes(
        name,
        [&](store::Recordset& types) {
            icon = types["icoIndex"].Int();
            types.Delete();
        },
        [&] { store::RecycleBin(app_.DbConn, app_.CurrentUser).MoveCategoryToBin(name, icon, Os().NowUtc()); });
}

}  // namespace qm::forms

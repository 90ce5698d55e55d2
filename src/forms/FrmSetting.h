#pragma once
// The settings dialog: the user's own settings on four pages (saved by OK
// only), his hot keys captured from the keyboard, and his categories on the
// fifth page (saved at once, whichever way the dialog is left).
#include <functional>
#include <string>

#include "forms/Forms.h"
#include "store/RecycleBin.h"
#include "ui/Form.h"

namespace qm::forms {

// The text a hot-key box shows for a stored hot-key text: "4|49" is "Alt + Num 1".
std::string HotKeyDisplayText(const std::string& hotKey);
// The name a captured key adds to its box: "K", "F5", "Num 1", "←"; "" for any other key.
std::string HotKeyKeyName(int keyCode);

// Paints a picture box from the tabs' light blue at its left to white at its
// right, in 51 bands.
void PaintTabGradient(ui::PictureBox& box);

// The names of the nine categories every user is given; a category whose name
// occurs anywhere in this text can be neither renamed nor deleted.
using store::kReservedTypeNames;

// What the Save dialog offers for a new sync file.
inline constexpr const char* kDefaultSyncFileName = "Quillmere-同步.dat";

class FrmSetting : public ui::Form {
public:
    explicit FrmSetting(Forms& forms);

    static constexpr int kPages = 5;
    // Laid over the selected tab's right edge, so that the tab and its page look joined.
    ui::PictureBox PicLine{this, "PicLine"};
    ui::PictureBox PicSelect[kPages] = {{this, "PicSelect(0)"}, {this, "PicSelect(1)"}, {this, "PicSelect(2)"},
                                        {this, "PicSelect(3)"}, {this, "PicSelect(4)"}};
    ui::Label lblSelect[kPages] = {{this, "lblSelect(0)"}, {this, "lblSelect(1)"}, {this, "lblSelect(2)"},
                                   {this, "lblSelect(3)"}, {this, "lblSelect(4)"}};
    ui::PictureBox PicFunction[kPages] = {{this, "PicFunction(0)"}, {this, "PicFunction(1)"}, {this, "PicFunction(2)"},
                                          {this, "PicFunction(3)"}, {this, "PicFunction(4)"}};

    // Page 0: backup.
    ui::Label lblAutoBackup{this, "lblAutoBackup"};
    ui::TextBox TxtDay{this, "TxtDay"};
    ui::Label lblDay{this, "lblDay"};
    ui::Label lblNote2{this, "lblNote2"};
    ui::Label lblSaveFile{this, "lblSaveFile"};
    ui::TextBox TxtPath{this, "TxtPath"};
    ui::Image ImgPath{this, "ImgPath"};
    ui::CheckBox ChkCompress{this, "ChkCompress"};
    // Page 1: security.
    ui::Label lblMinLock{this, "lblMinLock"};
    ui::TextBox TxtMinLock{this, "TxtMinLock"};
    ui::Label lblMinute{this, "lblMinute"};
    ui::Label lblNote1{this, "lblNote1"};
    ui::CheckBox ChkShowPassword{this, "ChkShowPassword"};
    ui::CheckBox ChkClearClipboard{this, "ChkClearClipboard"};
    ui::Label lblClipboardSeconds{this, "lblClipboardSeconds"};
    ui::TextBox TxtClipboardSeconds{this, "TxtClipboardSeconds"};
    ui::Label lblSecond{this, "lblSecond"};
    ui::Label lblNote3{this, "lblNote3"};
    ui::CheckBox ChkStrongProtection{this, "ChkStrongProtection"};
    // Page 2: hot keys; box 3 is the boss key, box 4 types the one-time code.
    ui::Label lblPlasterUser{this, "lblPlasterUser"};
    ui::Label lblPlasterPassword{this, "lblPlasterPassword"};
    ui::Label lblPlasterURL{this, "lblPlasterURL"};
    ui::Label Label1{this, "Label1"};
    ui::Label lblPlasterOtp{this, "lblPlasterOtp"};
    ui::TextBox TxtShortcutKey[5] = {{this, "TxtShortcutKey(0)"}, {this, "TxtShortcutKey(1)"}, {this, "TxtShortcutKey(2)"},
                                     {this, "TxtShortcutKey(3)"}, {this, "TxtShortcutKey(4)"}};
    // Page 3: categories.
    ui::Label lblAccountType{this, "lblAccountType"};
    ui::ListBox ListAccountType{this, "ListAccountType"};
    ui::TextBox TxtAccountType{this, "TxtAccountType"};
    ui::CommandButton CmdAddType{this, "CmdAddType"};
    ui::CommandButton CmdEditType{this, "CmdEditType"};
    ui::CommandButton CmdDeleteType{this, "CmdDeleteType"};
    ui::CommandButton CmdSaveType{this, "CmdSaveType"};
    ui::CommandButton CmdCancelType{this, "CmdCancelType"};
    // Page 4: the rest.
    ui::CheckBox ChkCloseMin{this, "ChkCloseMin"};
    ui::CheckBox ChkWinRun{this, "ChkWinRun"};
    ui::Label lblBinDays{this, "lblBinDays"};
    ui::TextBox TxtBinDays{this, "TxtBinDays"};
    ui::Label lblBinDay{this, "lblBinDay"};
    ui::Label lblNote4{this, "lblNote4"};
    ui::Label lblSyncFile{this, "lblSyncFile"};
    ui::TextBox TxtSyncFile{this, "TxtSyncFile"};
    ui::CommandButton CmdSyncBrowse{this, "CmdSyncBrowse"};

    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    int16_t CurrentPage = 0;
    int16_t CapturedModifier = 0;  // 0, 1 Shift, 2 Ctrl or 4 Alt: accepted by the last key-down in a hot-key box
    std::string TypeEditMode;      // "add", "edit" or empty

    // Shows page `index` and marks its tab.
    void SelectPage(int index);

    void CmdOK_Click();
    void CmdCancel_Click() { Unload(); }
    void ImgPath_Click();
    void CmdSyncBrowse_Click();
    void TxtDay_LostFocus();
    void TxtMinLock_Change();
    void TxtClipboardSeconds_Change();
    void TxtBinDays_Change();
    void TxtShortcutKey_KeyDown(int Index, ui::KeyEvent& e);
    void TxtShortcutKey_KeyUp(int Index, ui::KeyEvent& e);

    void CmdAddType_Click();
    void CmdEditType_Click();
    void CmdDeleteType_Click();
    void CmdSaveType_Click();
    void CmdCancelType_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Reactivate() override { Form_Activate(); }
    void Form_Deactivate() override;
    void Form_Unload(int& Cancel) override;

private:
    // Converts the user to `on` after the password dialog (and, to switch
    // off, a warning); false when the user cancelled: the box then shows the
    // stored state again and nothing is saved yet.
    bool switchProtection(bool on);
    void loadSettings();
    // The sync file's path as typed, without the spaces a paste brings around it.
    std::string syncFileTyped() const;
    int pageOf(const ui::Control* c) const;
    bool isHotKeyBox(const ui::Control* c) const;
    // A capture the user left half done (the focus went on while a key was
    // still held) gives the box back what it showed before.
    void finishCapture();

    // The category page.
    void loadTypes();
    void setTypeEntering(bool entering);
    void RefreshTypeButtons();
    bool isReserved(const std::string& name) const;
    bool isDuplicate(const std::string& name) const;
    // Changes the category of exactly this name with `change` and its
    // accounts with `accounts`, all of it or nothing.
    void changeTypes(const std::string& name, const std::function<void(store::Recordset&)>& change,
                     const std::function<void()>& accounts);
    void renameType(const std::string& from, const std::string& to);
    void deleteType(const std::string& name);

    Forms& forms_;
    app::AppContext& app_;
    // The hot-key box with the focus (-1: none) and what it held when its
    // last capture was complete.
    int captureBox_ = -1;
    std::string keptText_, keptTag_;
    bool keysDown_ = false;  // keys went down in that box and no key came up since
};

}  // namespace qm::forms

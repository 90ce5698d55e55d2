#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

using platform::Narrow;
using platform::Widen;

void ComboBoxPeer::Create(HWND parent, int id) {
    const bool list = static_cast<ComboBox&>(control).Style() == ComboBox::DropdownList;
    makeChild(L"COMBOBOX", 0, WS_TABSTOP | WS_VSCROLL | (list ? CBS_DROPDOWNLIST : (CBS_DROPDOWN | CBS_AUTOHSCROLL)), parent,
              id);
    takeInput(hwnd);
    // Keys typed into a drop-down combo go to its inner edit.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(hwnd, &info) && info.hwndItem && info.hwndItem != hwnd) {
        host.RegisterPeer(info.hwndItem, this);
        takeInput(info.hwndItem);
    }
}

// White to type and pick in, on whatever the form's colour.
LRESULT ComboBoxPeer::OnCtlColor(HDC dc) { return inputColours(dc); }

// The window's height includes the drop-down list.
int ComboBoxPeer::ExtraHeight() const { return host.Px(2400); }

void ComboBoxPeer::SyncOwn(Prop what) {
    auto& combo = static_cast<ComboBox&>(control);
    syncing = true;
    if (what == Prop::Items) {
        SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
        for (const auto& item : combo.Items()) SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
        what = Prop::ListIndex;
    }
    if (what == Prop::ListIndex || what == Prop::Text) {
        SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(combo.ListIndex()), 0);
        // The edit shows exactly the model's text, item of the list or not.
        const std::wstring text = Widen(combo.Text());
        if (combo.Style() == ComboBox::DropdownCombo && WindowText(hwnd) != text) SetWindowTextW(hwnd, text.c_str());
    }
    syncing = false;
}

void ComboBoxPeer::OnCommand(int code) {
    auto& combo = static_cast<ComboBox&>(control);
    if (code == CBN_SELCHANGE && !syncing) combo.UserSelect(static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)));
    else if (code == CBN_EDITCHANGE && !syncing) combo.UserSetText(Narrow(WindowText(hwnd)));
    else if (code == CBN_SETFOCUS) fw.form->FocusMovedTo(&control);
}

}  // namespace qm::ui

// Push buttons and check boxes (both the system's Button class), and progress bars.
#include "ui/win32/Peers.h"

namespace qm::ui {

void CommandButtonPeer::Create(HWND parent, int id) {
    makeChild(L"BUTTON", 0, (control.TabStop ? WS_TABSTOP : 0) | BS_PUSHBUTTON | BS_NOTIFY, parent, id);
    takeInput(hwnd);
}

void CommandButtonPeer::SyncOwn(Prop what) {
    auto& button = static_cast<CommandButton&>(control);
    if (what == Prop::Text) setText(button.Caption());
    else if (what == Prop::Default)
        SendMessageW(hwnd, BM_SETSTYLE, (button.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY, TRUE);
}

void CommandButtonPeer::OnCommand(int code) {
    if (code == BN_CLICKED) control.RaiseClick();
    else if (code == BN_SETFOCUS) fw.form->FocusMovedTo(&control);
}

void ProgressBarPeer::Create(HWND parent, int id) { makeChild(PROGRESS_CLASSW, 0, 0, parent, id); }

void ProgressBarPeer::SyncOwn(Prop what) {
    auto& bar = static_cast<ProgressBar&>(control);
    if (what != Prop::Value) return;
    SendMessageW(hwnd, PBM_SETRANGE32, 0, bar.Max);
    SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(bar.Value()), 0);
}

void CheckBoxPeer::Create(HWND parent, int id) {
    makeChild(L"BUTTON", 0, WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, parent, id);
    takeInput(hwnd);
}

void CheckBoxPeer::SyncOwn(Prop what) {
    auto& box = static_cast<CheckBox&>(control);
    if (what == Prop::Text) setText(box.Caption());
    else if (what == Prop::Value) SendMessageW(hwnd, BM_SETCHECK, box.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBoxPeer::OnCommand(int code) {
    if (code == BN_CLICKED)
        static_cast<CheckBox&>(control).SetValue(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
    else if (code == BN_SETFOCUS) fw.form->FocusMovedTo(&control);
}

}  // namespace qm::ui

#include "ui/win32/Peers.h"

namespace qm::ui {

void LabelPeer::Create(HWND parent, int id) {
    const int align = static_cast<Label&>(control).Alignment;
    const DWORD a = align == Label::Center ? SS_CENTER : (align == Label::RightJustify ? SS_RIGHT : SS_LEFT);
    makeChild(L"STATIC", 0, a | SS_NOTIFY, parent, id);
}

void LabelPeer::SyncOwn(Prop what) {
    if (what == Prop::Text) setText(static_cast<Label&>(control).Caption());
}

void LabelPeer::OnCommand(int code) {
    if (code == STN_CLICKED) control.RaiseClick();
    else if (code == STN_DBLCLK) control.RaiseDblClick();
}

}  // namespace qm::ui

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

LRESULT LabelPeer::OnCtlColor(HDC dc) {
    if (static_cast<Label&>(control).BackStyle != Label::Transparent) return Win32Peer::OnCtlColor(dc);
    // The container paints itself under the text first (the label asks while
    // it paints), so a new caption never lies over the old one.
    HWND parent = GetParent(hwnd);
    POINT at{0, 0};
    MapWindowPoints(hwnd, parent, &at, 1);
    POINT old;
    SetViewportOrgEx(dc, -at.x, -at.y, &old);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, control.ForeColor() != kDefaultColour ? control.ForeColor() : GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void LabelPeer::OnCommand(int code) {
    if (code == STN_CLICKED) control.RaiseClick();
    else if (code == STN_DBLCLK) control.RaiseDblClick();
}

}  // namespace qm::ui

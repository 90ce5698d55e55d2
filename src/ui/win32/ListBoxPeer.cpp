#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

using platform::Widen;

void ListBoxPeer::Create(HWND parent, int id) {
    makeChild(L"LISTBOX", WS_EX_CLIENTEDGE, WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, parent, id);
    takeInput(hwnd);
}

LRESULT ListBoxPeer::OnCtlColor(HDC dc) { return inputColours(dc); }

void ListBoxPeer::SyncOwn(Prop what) {
    auto& list = static_cast<ListBox&>(control);
    syncing = true;
    if (what == Prop::Items) {
        SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
        for (const auto& item : list.Items()) SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
        what = Prop::ListIndex;
    }
    if (what == Prop::ListIndex) SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(list.ListIndex()), 0);
    syncing = false;
}

void ListBoxPeer::OnCommand(int code) {
    if (code == LBN_SELCHANGE && !syncing)
        static_cast<ListBox&>(control).UserSelect(static_cast<int>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)));
    else if (code == LBN_DBLCLK) control.RaiseDblClick();
    else if (code == LBN_SETFOCUS) fw.form->FocusMovedTo(&control);
}

}  // namespace qm::ui

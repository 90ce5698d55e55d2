#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

using platform::Widen;

void ListViewPeer::Create(HWND parent, int id) {
    // A virtual list: the control asks the model for the cells it draws.
    makeChild(WC_LISTVIEWW, WS_EX_CLIENTEDGE, WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
              parent, id);
    takeInput(hwnd);
}

void ListViewPeer::syncColumns() {
    auto& list = static_cast<ListView&>(control);
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0));
    const int have = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    sentTitles_.resize(list.Columns().size());
    for (size_t c = 0; c < list.Columns().size(); ++c) {
        std::wstring title = Widen(list.Columns()[c].Text);
        // Each column set costs the header a new layout and the list a full
        // repaint: only the columns whose title or width differ are set.
        if (static_cast<int>(c) < have && title == sentTitles_[c] &&
            SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, c, 0) == host.Px(list.Columns()[c].Width))
            continue;
        sentTitles_[c] = title;
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = title.data();
        col.cx = host.Px(list.Columns()[c].Width);
        col.iSubItem = static_cast<int>(c);
        SendMessageW(hwnd, static_cast<int>(c) < have ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
}

void ListViewPeer::SyncOwn(Prop what) {
    auto& list = static_cast<ListView&>(control);
    switch (what) {
        case Prop::Geometry:
            syncColumns();
            break;
        case Prop::Items:
        case Prop::ListIndex: {
            // The control's own selection changes on the way are no user's.
            syncing = true;
            if (what == Prop::Items) {
                SendMessageW(hwnd, LVM_SETITEMCOUNT, list.Count(), LVSICF_NOSCROLL);
                InvalidateRect(hwnd, nullptr, TRUE);
            }
            const int sel = list.SelectedIndex();
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            // Only the one row the control shows selected is cleared: clearing
            // every row (item -1) walks all of them, which in Wine's list
            // costs a second per 100,000 rows at every keystroke of the quick find.
            if (shownSel_ >= 0 && shownSel_ != sel)
                SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(shownSel_), reinterpret_cast<LPARAM>(&state));
            if (sel >= 0) {
                state.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(&state));
                SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(sel), FALSE);
            }
            shownSel_ = sel;
            syncing = false;
            break;
        }
        case Prop::Value:
            SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                         list.ExtendedStyle() & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
            break;
        default:
            break;
    }
}

LRESULT ListViewPeer::OnNotify(NMHDR& hdr) {
    auto& list = static_cast<ListView&>(control);
    switch (hdr.code) {
        case LVN_GETDISPINFOW: {
            auto& di = reinterpret_cast<NMLVDISPINFOW&>(hdr);
            if ((di.item.mask & LVIF_TEXT) && di.item.iItem >= 0 && static_cast<size_t>(di.item.iItem) < list.Count() &&
                static_cast<size_t>(di.item.iSubItem) < list.Columns().size()) {
                cellText_ = Widen(list.CellText(static_cast<size_t>(di.item.iItem), static_cast<size_t>(di.item.iSubItem)));
                di.item.pszText = cellText_.data();
            }
            return 0;
        }
        case LVN_ITEMCHANGED: {
            // Selecting and deselecting both count: a click beside the rows
            // leaves nothing selected (a virtual list reports it for item -1).
            const auto& nm = reinterpret_cast<NMLISTVIEW&>(hdr);
            if (!syncing && (nm.uChanged & LVIF_STATE) && ((nm.uOldState ^ nm.uNewState) & LVIS_SELECTED)) {
                shownSel_ = static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
                list.UserSelect(shownSel_);
            }
            return 0;
        }
        case LVN_COLUMNCLICK:
            list.UserClickColumn(reinterpret_cast<NMLISTVIEW&>(hdr).iSubItem + 1);
            return 0;
        case NM_DBLCLK:
            control.RaiseDblClick();
            return 0;
        case NM_CLICK:
        case NM_RCLICK:
            if (control.MouseUp) {
                POINT pt;
                GetCursorPos(&pt);
                ScreenToClient(hwnd, &pt);
                control.MouseUp(hdr.code == NM_CLICK ? 1 : 2, ShiftState(), MulDiv(pt.x, 1440, host.Dpi()),
                                MulDiv(pt.y, 1440, host.Dpi()));
            }
            return 0;
    }
    return 0;
}

bool ListViewPeer::OnOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            return false;  // the list's clicks arrive as NM_CLICK and NM_RCLICK
        case WM_NOTIFY: {
            // The header tells its list view, not the form, when the user drags a column.
            const auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr->code != HDN_ITEMCHANGEDW && hdr->code != HDN_ITEMCHANGEDA && hdr->code != HDN_ENDTRACKW) return false;
            result = DefSubclassProc(hwnd, msg, wp, lp);
            auto& list = static_cast<ListView&>(control);
            for (size_t col = 0; col < list.Columns().size(); ++col) {
                const int px = static_cast<int>(SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, col, 0));
                list.UserSetColumnWidth(col, MulDiv(px, 1440, host.Dpi()));
            }
            return true;
        }
    }
    return Win32Peer::OnOwnMessage(msg, wp, lp, result);
}

}  // namespace qm::ui

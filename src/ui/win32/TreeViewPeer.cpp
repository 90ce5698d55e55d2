#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

using platform::Widen;

void TreeViewPeer::Create(HWND parent, int id) {
    makeChild(WC_TREEVIEWW, WS_EX_CLIENTEDGE, WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
              parent, id);
    SendMessageW(hwnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(host.CategoryImages()));
    takeInput(hwnd);
}

void TreeViewPeer::SyncOwn(Prop what) {
    auto& tree = static_cast<TreeView&>(control);
    syncing = true;
    if (what == Prop::Items) {
        // A tree is filled a node at a time, and each node tells its change:
        // making every item again each time cost the main window's load
        // tens of milliseconds under Wine. Items already made stay while the
        // nodes they were made from do.
        const auto& nodes = tree.Nodes();
        const auto same = [](const TreeView::Node& a, const TreeView::Node& b) {
            return a.Text == b.Text && a.Image == b.Image && a.Parent == b.Parent;
        };
        size_t kept = 0;
        while (kept < shown_.size() && kept < nodes.size() && same(shown_[kept], nodes[kept])) ++kept;
        if (kept < shown_.size()) {
            SendMessageW(hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
            items_.clear();
            shown_.clear();
            kept = 0;
        }
        for (size_t i = kept; i < nodes.size(); ++i) {
            const auto& node = nodes[i];
            shown_.push_back(node);
            std::wstring text = Widen(node.Text);
            TVINSERTSTRUCTW ins{};
            ins.hParent = node.Parent >= 0 ? items_[static_cast<size_t>(node.Parent)] : TVI_ROOT;
            ins.hInsertAfter = TVI_LAST;
            ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            ins.item.pszText = text.data();
            ins.item.iImage = ins.item.iSelectedImage = node.Image - 1;
            ins.item.lParam = static_cast<LPARAM>(i);
            items_.push_back(reinterpret_cast<HTREEITEM>(SendMessageW(hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))));
        }
    }
    if (what == Prop::Items || what == Prop::Value) {
        const auto& nodes = tree.Nodes();
        for (size_t i = 0; i < nodes.size() && i < items_.size(); ++i)
            if (nodes[i].Expanded) SendMessageW(hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items_[i]));
    }
    if (what == Prop::Items || what == Prop::ListIndex) {
        const int sel = tree.SelectedIndex();
        if (sel >= 0 && static_cast<size_t>(sel) < items_.size())
            SendMessageW(hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items_[static_cast<size_t>(sel)]));
    }
    syncing = false;
}

LRESULT TreeViewPeer::OnNotify(NMHDR& hdr) {
    auto& tree = static_cast<TreeView&>(control);
    if (hdr.code == TVN_SELCHANGEDW) {
        const auto& nm = reinterpret_cast<NMTREEVIEWW&>(hdr);
        if (!syncing && nm.action != TVC_UNKNOWN) tree.UserClickNode(static_cast<int>(nm.itemNew.lParam));
    } else if (hdr.code == NM_CLICK) {
        // A click on the node that is already selected is a click all the same.
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(hwnd, &hit.pt);
        auto* item = reinterpret_cast<HTREEITEM>(SendMessageW(hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM) &&
            item == reinterpret_cast<HTREEITEM>(SendMessageW(hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0))) {
            TVITEMW tv{};
            tv.mask = TVIF_PARAM;
            tv.hItem = item;
            SendMessageW(hwnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
            tree.UserClickNode(static_cast<int>(tv.lParam));
        }
    }
    return 0;
}

}  // namespace qm::ui

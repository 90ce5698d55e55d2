#include "ui/win32/Win32Host.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "skin/Skin.h"

namespace qm::ui {

using platform::Narrow;
using platform::Widen;

namespace {

constexpr wchar_t kFormClass[] = L"QuillmereForm";
constexpr wchar_t kPanelClass[] = L"QuillmerePanel";
constexpr wchar_t kPaintedClass[] = L"QuillmerePainted";
constexpr int kFirstId = 100;
constexpr UINT kTrayMessage = WM_APP + 1;

enum class Kind { Form, Label, TextBox, ComboBox, ListBox, CheckBox, Button, Panel, Shape, Image, Timer, Tree, List, None };

Kind kindOf(Control& c) {
    if (dynamic_cast<Form*>(&c)) return Kind::Form;
    if (dynamic_cast<Label*>(&c)) return Kind::Label;
    if (dynamic_cast<TextBox*>(&c)) return Kind::TextBox;
    if (dynamic_cast<ComboBox*>(&c)) return Kind::ComboBox;
    if (dynamic_cast<ListBox*>(&c)) return Kind::ListBox;
    if (dynamic_cast<CheckBox*>(&c)) return Kind::CheckBox;
    if (dynamic_cast<CommandButton*>(&c)) return Kind::Button;
    if (dynamic_cast<PictureBox*>(&c)) return Kind::Panel;
    if (dynamic_cast<Shape*>(&c)) return Kind::Shape;
    if (dynamic_cast<Image*>(&c)) return Kind::Image;
    if (dynamic_cast<TreeView*>(&c)) return Kind::Tree;
    if (dynamic_cast<ListView*>(&c)) return Kind::List;
    if (dynamic_cast<Timer*>(&c)) return Kind::Timer;
    return Kind::None;
}

int shiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

std::wstring windowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

struct Win32Host::FormWindow {
    Form* form = nullptr;
    HWND hwnd = nullptr;
    HWND tooltip = nullptr;
    std::vector<std::unique_ptr<Win32Peer>> peers;
    std::map<int, Control*> byId;
    std::vector<HWND> disabledByModal;  // windows this modal form disabled, to enable again
};

class Win32Peer : public Peer {
public:
    Win32Peer(Win32Host& host, Win32Host::FormWindow& fw, Control& c, Kind kind, HWND hwnd, int id)
        : host(host), fw(fw), control(c), kind(kind), hwnd(hwnd), id(id) {}

    void Sync(Prop what) override;
    void Focus() override {
        if (hwnd) SetFocus(hwnd);
    }
    void syncColumns();
    void SyncAll() {
        for (Prop p : {Prop::Geometry, Prop::Font, Prop::Items, Prop::Text, Prop::ListIndex, Prop::Value, Prop::Locked,
                       Prop::PasswordChar, Prop::Default, Prop::Enabled, Prop::ToolTip, Prop::Interval, Prop::Visible})
            Sync(p);
    }

    Win32Host& host;
    Win32Host::FormWindow& fw;
    Control& control;
    Kind kind;
    HWND hwnd;
    int id;
    bool syncing = false;
    std::vector<HTREEITEM> treeItems;  // the tree's items by node index
    std::wstring cellText;             // the list's cell handed to the control, kept alive until the next one
};

void Win32Peer::syncColumns() {
    auto& list = static_cast<ListView&>(control);
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0));
    const int have = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (size_t c = 0; c < list.Columns().size(); ++c) {
        std::wstring title = Widen(list.Columns()[c].Text);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = title.data();
        col.cx = host.Px(list.Columns()[c].Width);
        col.iSubItem = static_cast<int>(c);
        SendMessageW(hwnd, static_cast<int>(c) < have ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
}

void Win32Peer::Sync(Prop what) {
    switch (what) {
        case Prop::Text:
            syncing = true;
            if (kind == Kind::Form) SetWindowTextW(hwnd, Widen(static_cast<Form&>(control).Caption()).c_str());
            else if (kind == Kind::Label) SetWindowTextW(hwnd, Widen(static_cast<Label&>(control).Caption()).c_str());
            else if (kind == Kind::TextBox) SetWindowTextW(hwnd, Widen(static_cast<TextBox&>(control).Text()).c_str());
            else if (kind == Kind::Button) SetWindowTextW(hwnd, Widen(static_cast<CommandButton&>(control).Caption()).c_str());
            else if (kind == Kind::CheckBox) SetWindowTextW(hwnd, Widen(static_cast<CheckBox&>(control).Caption()).c_str());
            syncing = false;
            break;
        case Prop::Geometry:
            if (kind == Kind::Form) {
                RECT r{0, 0, host.Px(control.Width()), host.Px(control.Height())};
                AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                                   static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
                const int w = r.right - r.left, h = r.bottom - r.top;
                SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                             (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
            } else if (hwnd) {
                if (kind == Kind::List) syncColumns();
                // A combo box's window height includes its drop-down list.
                const int extra = kind == Kind::ComboBox ? host.Px(2400) : 0;
                MoveWindow(hwnd, host.Px(control.Left()), host.Px(control.Top()), host.Px(control.Width()),
                           host.Px(control.Height()) + extra, TRUE);
            }
            break;
        case Prop::Visible:
            if (kind == Kind::Form) {
                ShowWindow(hwnd, control.Visible() ? SW_SHOW : SW_HIDE);
            } else if (kind == Kind::Timer) {
                Sync(Prop::Interval);
            } else if (hwnd) {
                ShowWindow(hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
            }
            break;
        case Prop::Enabled:
            if (kind == Kind::Timer) Sync(Prop::Interval);
            else if (hwnd && kind != Kind::Form) EnableWindow(hwnd, control.Enabled());
            break;
        case Prop::Locked:
            if (kind == Kind::TextBox) SendMessageW(hwnd, EM_SETREADONLY, static_cast<TextBox&>(control).Locked(), 0);
            break;
        case Prop::PasswordChar:
            if (kind == Kind::TextBox) {
                SendMessageW(hwnd, EM_SETPASSWORDCHAR, static_cast<unsigned char>(static_cast<TextBox&>(control).PasswordChar()), 0);
                InvalidateRect(hwnd, nullptr, TRUE);
            }
            break;
        case Prop::ToolTip: {
            if (!hwnd || kind == Kind::Form || control.ToolTipText().empty()) break;
            if (!fw.tooltip) {
                fw.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                             fw.hwnd, nullptr, host.Instance(), nullptr);
                SendMessageW(fw.tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(host.Font(false)), FALSE);
            }
            std::wstring tip = Widen(control.ToolTipText());
            TTTOOLINFOW ti{};
            ti.cbSize = sizeof ti;
            ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            ti.hwnd = fw.hwnd;
            ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
            ti.lpszText = tip.data();
            SendMessageW(fw.tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
            SendMessageW(fw.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
            break;
        }
        case Prop::Colours:
            if (hwnd) InvalidateRect(hwnd, nullptr, TRUE);
            break;
        case Prop::Font:
            if (hwnd && kind != Kind::Form) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(host.Font(control.FontBold())), TRUE);
            break;
        case Prop::Items:
            syncing = true;
            if (kind == Kind::Tree) {
                auto& tree = static_cast<TreeView&>(control);
                SendMessageW(hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
                treeItems.clear();
                for (size_t i = 0; i < tree.Nodes().size(); ++i) {
                    const auto& node = tree.Nodes()[i];
                    std::wstring text = Widen(node.Text);
                    TVINSERTSTRUCTW ins{};
                    ins.hParent = node.Parent >= 0 ? treeItems[static_cast<size_t>(node.Parent)] : TVI_ROOT;
                    ins.hInsertAfter = TVI_LAST;
                    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
                    ins.item.pszText = text.data();
                    ins.item.iImage = ins.item.iSelectedImage = node.Image - 1;
                    ins.item.lParam = static_cast<LPARAM>(i);
                    treeItems.push_back(reinterpret_cast<HTREEITEM>(SendMessageW(hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))));
                }
                syncing = false;
                Sync(Prop::Value);
                Sync(Prop::ListIndex);
                break;
            }
            if (kind == Kind::List) {
                auto& list = static_cast<ListView&>(control);
                SendMessageW(hwnd, LVM_SETITEMCOUNT, list.Count(), LVSICF_NOSCROLL);
                InvalidateRect(hwnd, nullptr, TRUE);
                syncing = false;
                Sync(Prop::ListIndex);
                break;
            }
            if (kind == Kind::ComboBox) {
                auto& combo = static_cast<ComboBox&>(control);
                SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
                for (const auto& item : combo.Items()) SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
            } else if (kind == Kind::ListBox) {
                auto& list = static_cast<ListBox&>(control);
                SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
                for (const auto& item : list.Items()) SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
            }
            syncing = false;
            Sync(Prop::ListIndex);
            break;
        case Prop::ListIndex:
            syncing = true;
            if (kind == Kind::Tree) {
                const int sel = static_cast<TreeView&>(control).SelectedIndex();
                if (sel >= 0 && static_cast<size_t>(sel) < treeItems.size())
                    SendMessageW(hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(treeItems[static_cast<size_t>(sel)]));
            } else if (kind == Kind::List) {
                const int sel = static_cast<ListView&>(control).SelectedIndex();
                LVITEMW state{};
                state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
                if (sel >= 0) {
                    state.state = LVIS_SELECTED | LVIS_FOCUSED;
                    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(&state));
                    SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(sel), FALSE);
                }
            } else if (kind == Kind::ComboBox) {
                auto& combo = static_cast<ComboBox&>(control);
                SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(combo.ListIndex()), 0);
                if (combo.ListIndex() < 0 && combo.Style() == ComboBox::DropdownCombo)
                    SetWindowTextW(hwnd, Widen(combo.Text()).c_str());
            } else if (kind == Kind::ListBox) {
                SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(static_cast<ListBox&>(control).ListIndex()), 0);
            }
            syncing = false;
            break;
        case Prop::Value:
            if (kind == Kind::Tree) {
                const auto& nodes = static_cast<TreeView&>(control).Nodes();
                for (size_t i = 0; i < nodes.size() && i < treeItems.size(); ++i)
                    if (nodes[i].Expanded) SendMessageW(hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(treeItems[i]));
            } else if (kind == Kind::List) {
                SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                             static_cast<ListView&>(control).ExtendedStyle() & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
            } else if (kind == Kind::CheckBox)
                SendMessageW(hwnd, BM_SETCHECK, static_cast<CheckBox&>(control).Value() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case Prop::Default:
            if (kind == Kind::Button)
                SendMessageW(hwnd, BM_SETSTYLE,
                             (static_cast<CommandButton&>(control).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY, TRUE);
            break;
        case Prop::WindowState:
            if (kind == Kind::Form) {
                const int state = static_cast<Form&>(control).WindowState();
                ShowWindow(hwnd, state == Form::vbMinimized ? SW_MINIMIZE : state == Form::vbMaximized ? SW_MAXIMIZE : SW_RESTORE);
                if (state == Form::vbNormal && control.Visible()) SetForegroundWindow(hwnd);
            }
            break;
        case Prop::Interval:
            if (kind == Kind::Timer) {
                const int ms = static_cast<Timer&>(control).Interval();
                if (control.Enabled() && ms > 0) SetTimer(fw.hwnd, static_cast<UINT_PTR>(id), static_cast<UINT>(ms), nullptr);
                else KillTimer(fw.hwnd, static_cast<UINT_PTR>(id));
            }
            break;
    }
}

namespace {

// Key and mouse events of a child control, raised on its model; a handler
// that zeroes the key swallows it.
LRESULT CALLBACK ChildSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* peer = reinterpret_cast<Win32Peer*>(ref);
    Control& c = peer->control;
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
            auto& handler = down ? c.KeyDown : c.KeyUp;
            if (handler) {
                KeyEvent e{static_cast<int>(wp), shiftState()};
                handler(e);
                if (e.KeyCode == 0) return 0;
            }
            break;
        }
        case WM_CHAR:
            if (c.KeyPress) {
                int ascii = static_cast<int>(wp);
                c.KeyPress(ascii);
                if (ascii == 0) return 0;
                wp = static_cast<WPARAM>(ascii);
            }
            break;
        case WM_LBUTTONDBLCLK:
            if (peer->kind == Kind::TextBox) c.RaiseDblClick();
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (c.MouseUp && peer->kind != Kind::List)
                c.MouseUp(msg == WM_LBUTTONUP ? 1 : 2, shiftState(), MulDiv(static_cast<short>(LOWORD(lp)), 1440, 96),
                          MulDiv(static_cast<short>(HIWORD(lp)), 1440, 96));
            break;
        case WM_NOTIFY:
            // The header tells its list view, not the form, when the user drags a column.
            if (peer->kind == Kind::List) {
                const auto* hdr = reinterpret_cast<NMHDR*>(lp);
                if (hdr->code == HDN_ITEMCHANGEDW || hdr->code == HDN_ITEMCHANGEDA || hdr->code == HDN_ENDTRACKW) {
                    const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
                    auto& list = static_cast<ListView&>(c);
                    for (size_t col = 0; col < list.Columns().size(); ++col) {
                        const int px = static_cast<int>(SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, col, 0));
                        list.UserSetColumnWidth(col, MulDiv(px, 1440, peer->host.Dpi()));
                    }
                    return r;
                }
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, ChildSubclass, 0);
            break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

Win32Host::Win32Host(HINSTANCE instance, platform::Win32Platform& os) : instance_(instance), os_(os) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // A face with Chinese glyphs at 9 points; Wine maps it to its CJK font.
    const auto make = [&](int weight) {
        return CreateFontW(-MulDiv(9, dpi_, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Microsoft YaHei UI");
    };
    font_ = make(FW_NORMAL);
    boldFont_ = make(FW_BOLD);
    registerClasses();
}

Win32Host::~Win32Host() {
    while (!windows_.empty()) Destroy(*windows_.begin()->first);
    for (auto& [colour, brush] : brushes_) DeleteObject(brush);
    if (images_) ImageList_Destroy(images_);
    DeleteObject(font_);
    DeleteObject(boldFont_);
}

void Win32Host::registerClasses() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpfnWndProc = FormProc;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    wc.hIcon = nullptr;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PaintedProc;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kPaintedClass;
    RegisterClassExW(&wc);
}

HBRUSH Win32Host::Brush(Colour c) {
    auto& b = brushes_[c];
    if (!b) b = CreateSolidBrush(c);
    return b;
}

HWND Win32Host::WindowOf(const Control& c) const {
    auto* peer = static_cast<Win32Peer*>(c.GetPeer());
    return peer ? peer->hwnd : nullptr;
}

Win32Peer* Win32Host::PeerOf(HWND hwnd) const {
    const auto it = peers_.find(hwnd);
    return it == peers_.end() ? nullptr : it->second;
}

void Win32Host::Create(Form& form) {
    auto fw = std::make_unique<FormWindow>();
    fw->form = &form;
    const DWORD style = form.FixedDialog
                            ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | (form.MinButton ? WS_MINIMIZEBOX : 0))
                            : WS_OVERLAPPEDWINDOW;
    fw->hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Widen(form.Caption()).c_str(), style | WS_CLIPCHILDREN,
                               CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, fw.get());
    auto formPeer = std::make_unique<Win32Peer>(*this, *fw, form, Kind::Form, fw->hwnd, 0);
    form.AttachPeer(formPeer.get());
    peers_[fw->hwnd] = formPeer.get();
    fw->peers.push_back(std::move(formPeer));

    int id = kFirstId;
    for (Control* c : form.Controls()) {
        const Kind kind = kindOf(*c);
        HWND parent = c->Container() ? WindowOf(*c->Container()) : fw->hwnd;
        if (!parent) parent = fw->hwnd;
        HWND hwnd = nullptr;
        const DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
        const HMENU menuId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
        switch (kind) {
            case Kind::Label: {
                const int align = static_cast<Label*>(c)->Alignment;
                const DWORD a = align == Label::Center ? SS_CENTER : (align == Label::RightJustify ? SS_RIGHT : SS_LEFT);
                hwnd = CreateWindowExW(0, L"STATIC", L"", child | a | SS_NOTIFY, 0, 0, 0, 0, parent, menuId, instance_, nullptr);
                break;
            }
            case Kind::TextBox: {
                const bool multi = static_cast<TextBox*>(c)->MultiLine;
                const DWORD s = multi ? (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL) : ES_AUTOHSCROLL;
                hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", child | WS_TABSTOP | s, 0, 0, 0, 0, parent, menuId,
                                       instance_, nullptr);
                break;
            }
            case Kind::ComboBox: {
                const DWORD s = static_cast<ComboBox*>(c)->Style() == ComboBox::DropdownList ? CBS_DROPDOWNLIST
                                                                                            : (CBS_DROPDOWN | CBS_AUTOHSCROLL);
                hwnd = CreateWindowExW(0, L"COMBOBOX", L"", child | WS_TABSTOP | WS_VSCROLL | s, 0, 0, 0, 0, parent,
                                       menuId, instance_, nullptr);
                break;
            }
            case Kind::ListBox:
                hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                       child | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                                       parent, menuId, instance_, nullptr);
                break;
            case Kind::CheckBox:
                hwnd = CreateWindowExW(0, L"BUTTON", L"", child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, 0, 0, 0, 0,
                                       parent, menuId, instance_, nullptr);
                break;
            case Kind::Button:
                hwnd = CreateWindowExW(0, L"BUTTON", L"", child | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0, 0, 0, 0,
                                       parent, menuId, instance_, nullptr);
                break;
            case Kind::Panel:
                hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", child | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                                       menuId, instance_, nullptr);
                break;
            case Kind::Shape:
            case Kind::Image:
                hwnd = CreateWindowExW(0, kPaintedClass, L"", child, 0, 0, 0, 0, parent, menuId, instance_, nullptr);
                break;
            case Kind::Tree:
                hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                       child | WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                                       0, 0, 0, 0, parent, menuId, instance_, nullptr);
                SendMessageW(hwnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(categoryImages()));
                break;
            case Kind::List:
                // A virtual list: the control asks the model for the cells it draws.
                hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                       child | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                                       0, 0, 0, 0, parent, menuId, instance_, nullptr);
                break;
            case Kind::Form:
            case Kind::Timer:
            case Kind::None:
                break;
        }
        auto peer = std::make_unique<Win32Peer>(*this, *fw, *c, kind, hwnd, id);
        c->AttachPeer(peer.get());
        fw->byId[id] = c;
        if (hwnd) {
            peers_[hwnd] = peer.get();
            if (kind == Kind::TextBox || kind == Kind::ComboBox || kind == Kind::ListBox || kind == Kind::CheckBox ||
                kind == Kind::Button || kind == Kind::List || kind == Kind::Tree) {
                SetWindowSubclass(hwnd, ChildSubclass, 0, reinterpret_cast<DWORD_PTR>(peer.get()));
                COMBOBOXINFO info{};
                info.cbSize = sizeof info;
                if (kind == Kind::ComboBox && GetComboBoxInfo(hwnd, &info) && info.hwndItem && info.hwndItem != hwnd)
                    SetWindowSubclass(info.hwndItem, ChildSubclass, 0, reinterpret_cast<DWORD_PTR>(peer.get()));
            }
        }
        fw->peers.push_back(std::move(peer));
        ++id;
    }
    for (auto& p : fw->peers) p->SyncAll();
    windows_[&form] = std::move(fw);
}

void Win32Host::Show(Form& form, bool modal, Form* owner) {
    auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    FormWindow& fw = *it->second;
    if (modal) {
        // Application-modal, as a modal form always was: every other form waits.
        for (auto& [other, w] : windows_)
            if (other != &form && IsWindowEnabled(w->hwnd)) {
                EnableWindow(w->hwnd, FALSE);
                fw.disabledByModal.push_back(w->hwnd);
            }
    }
    (void)owner;
    ShowWindow(fw.hwnd, SW_SHOW);
    SetForegroundWindow(fw.hwnd);
    if (!modal) return;
    MSG msg;
    while (form.IsLoaded()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // let the outer loop end too
            return;
        }
        dispatch(msg);
    }
}

void Win32Host::Destroy(Form& form) {
    auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    std::unique_ptr<FormWindow> fw = std::move(it->second);
    windows_.erase(it);
    // Give the waiting forms back their input before this window goes, so
    // that the system activates one of them and not some other program.
    for (HWND w : fw->disabledByModal) EnableWindow(w, TRUE);
    for (auto& p : fw->peers) {
        p->control.AttachPeer(nullptr);
        if (p->hwnd) peers_.erase(p->hwnd);
        if (p->kind == Kind::Timer) KillTimer(fw->hwnd, static_cast<UINT_PTR>(p->id));
    }
    SetWindowLongPtrW(fw->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(fw->hwnd);
    if (windows_.empty()) PostQuitMessage(0);
    // The handler that unloaded the form may still be on the stack of one of
    // these windows: free them only from the message loop.
    retired_.push_back(std::move(fw));
}

void Win32Host::AttachSkin(Form& form) {
    if (HWND hwnd = WindowOf(form)) skin::AttachSkin(hwnd);
}

bool Win32Host::dispatch(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    const bool ours = root && peers_.count(root);
    if (!(ours && IsDialogMessageW(root, &msg))) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    retired_.clear();
    return true;
}

int Win32Host::Run() {
    MSG msg{};
    while (!windows_.empty()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        dispatch(msg);
    }
    retired_.clear();
    return static_cast<int>(msg.message == WM_QUIT ? msg.wParam : 0);
}

LRESULT Win32Host::colourFor(HDC dc, HWND control) {
    Win32Peer* peer = PeerOf(control);
    if (!peer) return 0;
    Control& c = peer->control;
    if (c.ForeColor() != kDefaultColour) SetTextColor(dc, c.ForeColor());
    Colour back = c.BackColor();
    if (back == kDefaultColour && peer->kind == Kind::TextBox) back = GetSysColor(COLOR_WINDOW);
    if (back == kDefaultColour && c.Container()) back = c.Container()->BackColor();
    if (back == kDefaultColour && c.Parent()) back = c.Parent()->BackColor();
    if (back == kDefaultColour) back = GetSysColor(COLOR_BTNFACE);
    SetBkColor(dc, back);
    return reinterpret_cast<LRESULT>(Brush(back));
}

LRESULT CALLBACK Win32Host::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* fw = static_cast<FormWindow*>(reinterpret_cast<LPCREATESTRUCTW>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fw));
    }
    auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!fw || !fw->form) return DefWindowProcW(hwnd, msg, wp, lp);
    auto* host = static_cast<Win32Peer*>(fw->form->GetPeer());
    if (!host) return DefWindowProcW(hwnd, msg, wp, lp);
    return host->host.handleFormMessage(*fw, hwnd, msg, wp, lp);
}

LRESULT Win32Host::handleFormMessage(FormWindow& fw, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form& form = *fw.form;
    switch (msg) {
        case WM_CLOSE:
            form.RequestClose();
            return 0;
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED) form.UserResized(Form::vbMinimized);
            else if (wp == SIZE_MAXIMIZED) form.UserResized(Form::vbMaximized);
            else if (wp == SIZE_RESTORED && IsWindowVisible(hwnd)) form.UserResized(Form::vbNormal);
            break;
        case kTrayMessage:
            if (lp == WM_LBUTTONUP || lp == WM_LBUTTONDBLCLK || lp == WM_RBUTTONUP) form.TrayMouse(static_cast<int>(lp));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) {
                if (form.ActiveControl() && form.ActiveControl()->GetPeer()) form.ActiveControl()->GetPeer()->Focus();
                else if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE)) SetFocus(first);
                // Coming back from a message box is no new activation of the form.
                wchar_t cls[16] = L"";
                if (lp) GetClassNameW(reinterpret_cast<HWND>(lp), cls, 16);
                if (std::wstring(cls) != L"#32770") form.Activate();
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (form.BackColor() != kDefaultColour) {
                RECT r;
                GetClientRect(hwnd, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, Brush(form.BackColor()));
                return 1;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            if (LRESULT brush = colourFor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp))) return brush;
            break;
        case WM_SETCURSOR:
            if (Win32Peer* peer = PeerOf(reinterpret_cast<HWND>(wp)); peer && peer->control.MousePointer() == 99 &&
                                                                    IsWindowEnabled(peer->hwnd)) {
                SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
                return TRUE;
            }
            break;
        case WM_NOTIFY:
            return handleNotify(*reinterpret_cast<NMHDR*>(lp));
        case DM_GETDEFID:
            for (auto& [id, c] : fw.byId)
                if (auto* b = dynamic_cast<CommandButton*>(c); b && b->Default()) return MAKELRESULT(id, DC_HASDEFID);
            break;
        case WM_TIMER:
            if (auto it = fw.byId.find(static_cast<int>(wp)); it != fw.byId.end())
                if (auto* t = dynamic_cast<Timer*>(it->second)) t->RaiseTick();
            return 0;
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            const int code = HIWORD(wp);
            if (id == IDOK || id == IDCANCEL) {
                // Enter and Esc press the default and cancel buttons.
                for (auto& [cid, c] : fw.byId)
                    if (auto* b = dynamic_cast<CommandButton*>(c);
                        b && (id == IDOK ? b->Default() : b->Cancel) && b->Enabled() && b->Visible()) {
                        b->RaiseClick();
                        break;
                    }
                return 0;
            }
            auto it = fw.byId.find(id);
            if (it == fw.byId.end()) break;
            Control* c = it->second;
            Win32Peer* peer = static_cast<Win32Peer*>(c->GetPeer());
            if (!peer) break;
            switch (peer->kind) {
                case Kind::Button:
                    if (code == BN_CLICKED) c->RaiseClick();
                    else if (code == BN_SETFOCUS) form.FocusMovedTo(c);
                    break;
                case Kind::CheckBox:
                    if (code == BN_CLICKED)
                        static_cast<CheckBox*>(c)->SetValue(SendMessageW(peer->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
                    else if (code == BN_SETFOCUS) form.FocusMovedTo(c);
                    break;
                case Kind::TextBox:
                    if (code == EN_CHANGE && !peer->syncing)
                        static_cast<TextBox*>(c)->UserSetText(Narrow(windowText(peer->hwnd)));
                    else if (code == EN_SETFOCUS) form.FocusMovedTo(c);
                    break;
                case Kind::ComboBox:
                    if (code == CBN_SELCHANGE && !peer->syncing)
                        static_cast<ComboBox*>(c)->UserSelect(static_cast<int>(SendMessageW(peer->hwnd, CB_GETCURSEL, 0, 0)));
                    else if (code == CBN_EDITCHANGE && !peer->syncing)
                        static_cast<ComboBox*>(c)->UserSetText(Narrow(windowText(peer->hwnd)));
                    else if (code == CBN_SETFOCUS) form.FocusMovedTo(c);
                    break;
                case Kind::ListBox:
                    if (code == LBN_SELCHANGE && !peer->syncing)
                        static_cast<ListBox*>(c)->UserSelect(static_cast<int>(SendMessageW(peer->hwnd, LB_GETCURSEL, 0, 0)));
                    else if (code == LBN_DBLCLK) c->RaiseDblClick();
                    else if (code == LBN_SETFOCUS) form.FocusMovedTo(c);
                    break;
                case Kind::Label:
                    if (code == STN_CLICKED) c->RaiseClick();
                    else if (code == STN_DBLCLK) c->RaiseDblClick();
                    break;
                default:
                    break;
            }
            return 0;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32Host::handleNotify(NMHDR& hdr) {
    Win32Peer* peer = PeerOf(hdr.hwndFrom);
    if (!peer) return 0;
    Control& c = peer->control;
    if (peer->kind == Kind::Tree) {
        auto& tree = static_cast<TreeView&>(c);
        if (hdr.code == TVN_SELCHANGEDW) {
            const auto& nm = reinterpret_cast<NMTREEVIEWW&>(hdr);
            if (!peer->syncing && nm.action != TVC_UNKNOWN) tree.UserClickNode(static_cast<int>(nm.itemNew.lParam));
        } else if (hdr.code == NM_CLICK) {
            // A click on the node that is already selected is a click all the same.
            TVHITTESTINFO hit{};
            GetCursorPos(&hit.pt);
            ScreenToClient(peer->hwnd, &hit.pt);
            auto* item = reinterpret_cast<HTREEITEM>(SendMessageW(peer->hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (item && (hit.flags & TVHT_ONITEM) &&
                item == reinterpret_cast<HTREEITEM>(SendMessageW(peer->hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0))) {
                TVITEMW tv{};
                tv.mask = TVIF_PARAM;
                tv.hItem = item;
                SendMessageW(peer->hwnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
                tree.UserClickNode(static_cast<int>(tv.lParam));
            }
        }
        return 0;
    }
    if (peer->kind != Kind::List) return 0;
    auto& list = static_cast<ListView&>(c);
    switch (hdr.code) {
        case LVN_GETDISPINFOW: {
            auto& di = reinterpret_cast<NMLVDISPINFOW&>(hdr);
            if ((di.item.mask & LVIF_TEXT) && di.item.iItem >= 0 && static_cast<size_t>(di.item.iItem) < list.Count() &&
                static_cast<size_t>(di.item.iSubItem) < list.Columns().size()) {
                peer->cellText = Widen(list.Item(static_cast<size_t>(di.item.iItem)).Cell(static_cast<size_t>(di.item.iSubItem)));
                di.item.pszText = peer->cellText.data();
            }
            return 0;
        }
        case LVN_ITEMCHANGED: {
            const auto& nm = reinterpret_cast<NMLISTVIEW&>(hdr);
            if (!peer->syncing && (nm.uChanged & LVIF_STATE) && (nm.uNewState & LVIS_SELECTED) && nm.iItem >= 0)
                list.UserSelect(nm.iItem);
            return 0;
        }
        case LVN_COLUMNCLICK:
            list.UserClickColumn(reinterpret_cast<NMLISTVIEW&>(hdr).iSubItem + 1);
            return 0;
        case NM_DBLCLK:
            c.RaiseDblClick();
            return 0;
        case NM_CLICK:
        case NM_RCLICK:
            if (c.MouseUp) {
                POINT pt;
                GetCursorPos(&pt);
                ScreenToClient(peer->hwnd, &pt);
                c.MouseUp(hdr.code == NM_CLICK ? 1 : 2, shiftState(), MulDiv(pt.x, 1440, dpi_), MulDiv(pt.y, 1440, dpi_));
            }
            return 0;
    }
    return 0;
}

void Win32Host::PopupMenu(Form& owner, MenuItem& menu, MenuItem* defaultItem) {
    HWND hwnd = WindowOf(owner);
    HMENU popup = CreatePopupMenu();
    for (size_t i = 0; i < menu.Items.size(); ++i) {
        const MenuItem& item = *menu.Items[i];
        if (!item.Visible()) continue;
        if (item.IsSeparator()) {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT flags = MF_STRING | (item.Enabled() ? 0 : MF_GRAYED) | (item.Checked ? MF_CHECKED : 0);
        AppendMenuW(popup, flags, i + 1, Widen(item.Caption).c_str());
        if (&item == defaultItem) SetMenuDefaultItem(popup, static_cast<UINT>(i + 1), FALSE);
    }
    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(hwnd);
    const int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
    DestroyMenu(popup);
    if (chosen > 0) menu.Items[static_cast<size_t>(chosen - 1)]->RaiseClick();
}

HIMAGELIST Win32Host::categoryImages() {
    if (images_) return images_;
    // Pictures drawn at 16 and 32 pixels; the larger ones serve high DPI screens.
    const bool large = dpi_ >= 144;
    const int size = large ? 32 : 16;
    images_ = ImageList_Create(size, size, ILC_COLOR32, 11, 0);
    if (HBITMAP strip = static_cast<HBITMAP>(
            LoadImageW(instance_, MAKEINTRESOURCEW(large ? 202 : 201), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
        ImageList_Add(images_, strip, nullptr);
        DeleteObject(strip);
    }
    return images_;
}

Win32Peer* Win32Host::peerOfChild(HWND hwnd) {
    auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(GetAncestor(hwnd, GA_ROOT), GWLP_USERDATA));
    auto* formPeer = fw && fw->form ? static_cast<Win32Peer*>(fw->form->GetPeer()) : nullptr;
    return formPeer ? formPeer->host.PeerOf(hwnd) : nullptr;
}

// A picture box: its background colour, and its children's notifications
// passed on to the form.
LRESULT CALLBACK Win32Host::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_DRAWITEM:
            return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
        case WM_ERASEBKGND: {
            Win32Peer* self = peerOfChild(hwnd);
            if (!self) break;
            const Colour c = self->control.BackColor();
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r,
                     c == kDefaultColour ? GetSysColorBrush(COLOR_BTNFACE) : self->host.Brush(c));
            return 1;
        }
        case WM_LBUTTONUP:
            if (Win32Peer* self = peerOfChild(hwnd)) self->control.RaiseClick();
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Shapes and images, drawn from their models.
LRESULT CALLBACK Win32Host::PaintedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Win32Peer* self = peerOfChild(hwnd);
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            if (self && self->kind == Kind::Shape) {
                auto& shape = static_cast<Shape&>(self->control);
                FillRect(dc, &r, self->host.Brush(shape.FillColor()));
                FrameRect(dc, &r, self->host.Brush(shape.BorderColor));
            } else if (self) {
                Control* container = self->control.Container();
                const Colour back = container ? container->BackColor() : kDefaultColour;
                FillRect(dc, &r, back == kDefaultColour ? GetSysColorBrush(COLOR_BTNFACE) : self->host.Brush(back));
                HICON icon = static_cast<HICON>(
                    LoadImageW(self->host.Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, r.right, r.bottom, LR_DEFAULTCOLOR));
                if (icon) {
                    DrawIconEx(dc, 0, 0, icon, r.right, r.bottom, 0, nullptr, DI_NORMAL);
                    DestroyIcon(icon);
                }
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONUP:
            if (self) self->control.RaiseClick();
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

Win32TrayIcon::~Win32TrayIcon() { Remove(); }

bool Win32TrayIcon::Add(Form& owner, const std::string& tip) {
    Remove();
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = host_.WindowOf(owner);
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = static_cast<HICON>(LoadImageW(host_.Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    lstrcpynW(data.szTip, Widen(tip).c_str(), ARRAYSIZE(data.szTip));
    if (Shell_NotifyIconW(NIM_ADD, &data)) {
        owner_ = data.hWnd;
        shown_ = true;
    }
    if (data.hIcon) DestroyIcon(data.hIcon);
    return shown_;
}

void Win32TrayIcon::Remove() {
    if (!shown_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 1;
    Shell_NotifyIconW(NIM_DELETE, &data);
    shown_ = false;
}

}  // namespace qm::ui

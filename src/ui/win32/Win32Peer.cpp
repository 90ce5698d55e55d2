#include "ui/win32/Win32Peer.h"

#include "text/wipe.h"
#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

using platform::Widen;

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

int ShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

std::unique_ptr<Win32Peer> MakePeer(Win32Host& host, FormWindow& fw, Control& c) {
    if (dynamic_cast<Form*>(&c)) return std::make_unique<FormPeer>(host, fw, c);
    if (dynamic_cast<Label*>(&c)) return std::make_unique<LabelPeer>(host, fw, c);
    if (dynamic_cast<TextBox*>(&c)) return std::make_unique<TextBoxPeer>(host, fw, c);
    if (dynamic_cast<ComboBox*>(&c)) return std::make_unique<ComboBoxPeer>(host, fw, c);
    if (dynamic_cast<ListBox*>(&c)) return std::make_unique<ListBoxPeer>(host, fw, c);
    if (dynamic_cast<CheckBox*>(&c)) return std::make_unique<CheckBoxPeer>(host, fw, c);
    if (dynamic_cast<CommandButton*>(&c)) return std::make_unique<CommandButtonPeer>(host, fw, c);
    if (dynamic_cast<PictureBox*>(&c)) return std::make_unique<PictureBoxPeer>(host, fw, c);
    if (dynamic_cast<Shape*>(&c) || dynamic_cast<Image*>(&c)) return std::make_unique<PaintedPeer>(host, fw, c);
    if (dynamic_cast<TreeView*>(&c)) return std::make_unique<TreeViewPeer>(host, fw, c);
    if (dynamic_cast<ListView*>(&c)) return std::make_unique<ListViewPeer>(host, fw, c);
    if (dynamic_cast<ProgressBar*>(&c)) return std::make_unique<ProgressBarPeer>(host, fw, c);
    if (dynamic_cast<Timer*>(&c)) return std::make_unique<TimerPeer>(host, fw, c);
    return std::make_unique<Win32Peer>(host, fw, c);  // menus: nothing on the screen until they pop up
}

void Win32Peer::SyncAll() {
    for (Prop p : {Prop::Geometry, Prop::Font, Prop::Items, Prop::Text, Prop::ListIndex, Prop::Value, Prop::Locked,
                   Prop::PasswordChar, Prop::Default, Prop::Enabled, Prop::ToolTip, Prop::Interval, Prop::Visible})
        Sync(p);
}

void Win32Peer::Sync(Prop what) {
    if (!hwnd) return SyncOwn(what);
    switch (what) {
        case Prop::Geometry:
            SyncOwn(what);
            MoveWindow(hwnd, host.Px(control.Left()), host.Px(control.Top()), host.Px(control.Width()),
                       host.Px(control.Height()) + ExtraHeight(), TRUE);
            break;
        case Prop::Visible:
            ShowWindow(hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
            break;
        case Prop::Enabled:
            EnableWindow(hwnd, control.Enabled());
            break;
        case Prop::ToolTip:
            syncToolTip();
            break;
        case Prop::Colours:
            // The controls inside take their background from this one.
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            break;
        case Prop::Font:
            SendMessageW(hwnd, WM_SETFONT,
                         reinterpret_cast<WPARAM>(control.FontLarge ? host.LargeFont() : host.Font(control.FontBold())), TRUE);
            break;
        default:
            SyncOwn(what);
            break;
    }
}

void Win32Peer::syncToolTip() {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = fw.hwnd;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
    if (fw.tooltip) SendMessageW(fw.tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    // An empty tip is no tip: the old one must not stay behind.
    if (control.ToolTipText().empty()) return;
    if (!fw.tooltip) {
        fw.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, fw.hwnd,
                                     nullptr, host.Instance(), nullptr);
        SendMessageW(fw.tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(host.Font(false)), FALSE);
    }
    std::wstring tip = Widen(control.ToolTipText());
    ti.lpszText = tip.data();
    SendMessageW(fw.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

LRESULT Win32Peer::OnCtlColor(HDC dc) {
    Control& c = control;
    if (c.ForeColor() != kDefaultColour) SetTextColor(dc, c.ForeColor());
    Colour back = c.BackColor();
    if (back == kDefaultColour && c.Container()) back = c.Container()->BackColor();
    if (back == kDefaultColour && c.Parent()) back = c.Parent()->BackColor();
    if (back == kDefaultColour) back = GetSysColor(COLOR_BTNFACE);
    SetBkColor(dc, back);
    return reinterpret_cast<LRESULT>(host.Brush(back));
}

LRESULT Win32Peer::inputColours(HDC dc) {
    if (control.BackColor() != kDefaultColour) return Win32Peer::OnCtlColor(dc);
    if (control.ForeColor() != kDefaultColour) SetTextColor(dc, control.ForeColor());
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(host.Brush(GetSysColor(COLOR_WINDOW)));
}

void Win32Peer::makeChild(const wchar_t* cls, DWORD exStyle, DWORD style, HWND parent, int childId) {
    id = childId;
    hwnd = CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId)), host.Instance(), nullptr);
    if (hwnd) host.RegisterPeer(hwnd, this);
}

void Win32Peer::setText(const std::string& utf8) {
    syncing = true;
    std::wstring wide = Widen(utf8);
    SetWindowTextW(hwnd, wide.c_str());
    text::WipeString(wide);  // a text box's text may be a password
    syncing = false;
}

namespace {

LRESULT CALLBACK InputSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(window, InputSubclass, 0);
        return DefSubclassProc(window, msg, wp, lp);
    }
    auto* peer = reinterpret_cast<Win32Peer*>(ref);
    LRESULT result = 0;
    bool answered = false;
    peer->host.RunEvent([&] {
        // A KeyPress handler may replace the character, or swallow it with 0.
        if (msg == WM_CHAR && peer->control.KeyPress) {
            int ascii = static_cast<int>(wp);
            peer->control.KeyPress(ascii);
            wp = static_cast<WPARAM>(ascii);
            answered = ascii == 0;
        }
        if (!answered) answered = peer->OnOwnMessage(msg, wp, lp, result);
    });
    return answered ? result : DefSubclassProc(window, msg, wp, lp);
}

}  // namespace

void Win32Peer::takeInput(HWND window) { SetWindowSubclass(window, InputSubclass, 0, reinterpret_cast<DWORD_PTR>(this)); }

// Keys and mouse buttons raise the model's events; a key handler that zeroes
// the key swallows it.
bool Win32Peer::OnOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    Control& c = control;
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
            auto& handler = down ? c.KeyDown : c.KeyUp;
            if (!handler) return false;
            KeyEvent e{static_cast<int>(wp), ShiftState()};
            handler(e);
            result = 0;
            return e.KeyCode == 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (c.MouseUp)
                c.MouseUp(msg == WM_LBUTTONUP ? 1 : 2, ShiftState(), MulDiv(static_cast<short>(LOWORD(lp)), 1440, host.Dpi()),
                          MulDiv(static_cast<short>(HIWORD(lp)), 1440, host.Dpi()));
            return false;
    }
    return false;
}

}  // namespace qm::ui

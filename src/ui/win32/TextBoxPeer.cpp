#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

#include "text/wipe.h"

namespace qm::ui {

using platform::Narrow;

void TextBoxPeer::Create(HWND parent, int id) {
    auto& box = static_cast<TextBox&>(control);
    const DWORD s = box.MultiLine ? (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL) : ES_AUTOHSCROLL;
    makeChild(L"EDIT", WS_EX_CLIENTEDGE, WS_TABSTOP | s, parent, id);
    if (box.MaxLength > 0) SendMessageW(hwnd, EM_SETLIMITTEXT, static_cast<WPARAM>(box.MaxLength), 0);
    takeInput(hwnd);
    if (box.SpinMax > box.SpinMin) {
        spin_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                WS_CHILD | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
                                parent, nullptr, host.Instance(), nullptr);
        SendMessageW(spin_, UDM_SETRANGE32, static_cast<WPARAM>(box.SpinMin), box.SpinMax);
    }
}

void TextBoxPeer::Sync(Prop what) {
    Win32Peer::Sync(what);
    if (!hwnd) return;
    auto& box = static_cast<TextBox&>(control);
    if (what == Prop::Font && box.Monospaced) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(host.FixedFont()), TRUE);
    if (!spin_) return;
    switch (what) {
        case Prop::Geometry:
            // Setting the buddy again puts the arrows at the box's right edge, inside its width.
            SendMessageW(spin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd), 0);
            break;
        case Prop::Visible:
            ShowWindow(spin_, control.Visible() ? SW_SHOWNA : SW_HIDE);
            break;
        case Prop::Enabled:
            EnableWindow(spin_, control.Enabled());
            break;
        default:
            break;
    }
}

void TextBoxPeer::SyncOwn(Prop what) {
    auto& box = static_cast<TextBox&>(control);
    switch (what) {
        case Prop::Text:
            // A secret's old text (a wrong guess, a password being changed)
            // is overwritten before the new one takes its place.
            if (box.Secret) erase();
            setText(box.Text());
            break;
        case Prop::Locked:
            SendMessageW(hwnd, EM_SETREADONLY, box.Locked(), 0);
            break;
        case Prop::Erase:
            erase();
            break;
        case Prop::PasswordChar:
            SendMessageW(hwnd, EM_SETPASSWORDCHAR, static_cast<unsigned char>(box.PasswordChar()), 0);
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        default:
            break;
    }
}

void TextBoxPeer::takeText() {
    if (syncing) return;
    // Each keystroke passes the whole text through here: neither copy may
    // stay behind in freed memory.
    std::wstring wide = WindowText(hwnd);
    std::string utf8 = Narrow(wide);
    text::WipeString(wide);
    static_cast<TextBox&>(control).UserSetText(utf8);
    text::WipeString(utf8);
}

void TextBoxPeer::erase() {
    if (!hwnd) return;
    syncing = true;
    // The control keeps its text in a buffer of its own, which typing grew
    // and emptying would only shorten: a text of the same length overwrites
    // it where it lies, and only then does the box empty.
    if (const int length = GetWindowTextLengthW(hwnd); length > 0) {
        const std::wstring filler(static_cast<size_t>(length), L'*');
        SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(filler.c_str()));
    }
    SendMessageW(hwnd, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    syncing = false;
}

void TextBoxPeer::OnCommand(int code) {
    if (code == EN_CHANGE) takeText();
    else if (code == EN_SETFOCUS) fw.form->FocusMovedTo(&control);
}

LRESULT TextBoxPeer::OnCtlColor(HDC dc) { return inputColours(dc); }

bool TextBoxPeer::OnOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_LBUTTONDBLCLK:
            control.RaiseDblClick();
            return false;
        case WM_SETTEXT:
            // A multi-line edit reports no change for text set from outside
            // (assistive tools, dictation, form fillers): read it back here.
            result = DefSubclassProc(hwnd, msg, wp, lp);
            takeText();
            return true;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_SYSCHAR:
            // Alt combinations raise the box's key events and go no further:
            // Alt+Space opens no system menu, Alt+F4 closes nothing.
            if (!TakesEveryKey()) break;
            Win32Peer::OnOwnMessage(msg, wp, lp, result);
            result = 0;
            return true;
    }
    return Win32Peer::OnOwnMessage(msg, wp, lp, result);
}

}  // namespace qm::ui

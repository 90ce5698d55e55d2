// Windows of the program's own classes: picture boxes, and the shapes and
// images drawn from their models.
#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

namespace {

constexpr wchar_t kPanelClass[] = L"QuillmerePanel";
constexpr wchar_t kPaintedClass[] = L"QuillmerePainted";

Win32Peer* peerOf(HWND hwnd) { return reinterpret_cast<Win32Peer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// A panel or picture with no colour of its own shows its form's.
HBRUSH backBrush(Win32Peer& peer, Colour c) {
    if (c == kDefaultColour && peer.control.Parent()) c = peer.control.Parent()->BackColor();
    return c == kDefaultColour ? GetSysColorBrush(COLOR_BTNFACE) : peer.host.Brush(c);
}

// The panel's children notify the panel; the form is where they are handled.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Win32Peer* self = peerOf(hwnd);
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_DRAWITEM:
            return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
        case WM_ERASEBKGND:
            if (!self) break;
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, backBrush(*self, self->control.BackColor()));
            return 1;
        case WM_LBUTTONUP:
            if (self) self->host.RunEvent([&] { self->control.RaiseClick(); });
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void paint(Win32Peer& self, HDC dc, const RECT& r) {
    if (auto* shape = dynamic_cast<Shape*>(&self.control)) {
        FillRect(dc, &r, self.host.Brush(shape->FillColor()));
        FrameRect(dc, &r, self.host.Brush(shape->BorderColor));
        return;
    }
    // An image: the program's icon on its container's colour.
    Control* container = self.control.Container();
    FillRect(dc, &r, backBrush(self, container ? container->BackColor() : kDefaultColour));
    if (HICON icon = static_cast<HICON>(
            LoadImageW(self.host.Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, r.right, r.bottom, LR_DEFAULTCOLOR))) {
        DrawIconEx(dc, 0, 0, icon, r.right, r.bottom, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
    }
}

LRESULT CALLBACK PaintedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Win32Peer* self = peerOf(hwnd);
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            if (self) paint(*self, dc, r);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONUP:
            if (self) self->host.RunEvent([&] { self->control.RaiseClick(); });
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterPanelClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.style = CS_DBLCLKS;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PaintedProc;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kPaintedClass;
    RegisterClassExW(&wc);
}

void PictureBoxPeer::Create(HWND parent, int id) {
    makeChild(kPanelClass, WS_EX_CONTROLPARENT, WS_CLIPCHILDREN, parent, id);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Win32Peer*>(this)));
}

void PaintedPeer::Create(HWND parent, int id) {
    makeChild(kPaintedClass, 0, 0, parent, id);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Win32Peer*>(this)));
}

}  // namespace qm::ui

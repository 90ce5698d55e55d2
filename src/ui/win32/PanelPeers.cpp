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
        case WM_ERASEBKGND: {
            if (!self) break;
            HDC dc = reinterpret_cast<HDC>(wp);
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(dc, &r, backBrush(*self, self->control.BackColor()));
            Win32Host& host = self->host;
            for (const auto& box : static_cast<PictureBox&>(self->control).Drawing()) {
                const RECT b{host.Px(box.Left), host.Px(box.Top), host.Px(box.Right), host.Px(box.Bottom)};
                FillRect(dc, &b, host.Brush(box.Color));
            }
            return 1;
        }
        case WM_LBUTTONUP:
            if (self) self->host.RunEvent([&] { self->control.RaiseClick(); });
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// An open folder, drawn to fill `r`: a tab on its back and a lighter front.
void paintFolder(Win32Host& host, HDC dc, const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    const auto at = [&](int x, int y) { return POINT{r.left + w * x / 16, r.top + h * y / 16}; };
    HGDIOBJ oldPen = SelectObject(dc, CreatePen(PS_SOLID, 1, RGB(176, 128, 32)));
    HGDIOBJ oldBrush = SelectObject(dc, host.Brush(RGB(232, 184, 72)));
    const POINT back[] = {at(1, 3), at(6, 3), at(7, 5), at(14, 5), at(14, 13), at(1, 13)};
    Polygon(dc, back, 6);
    SelectObject(dc, host.Brush(RGB(252, 216, 120)));
    const POINT front[] = {at(3, 7), at(15, 7), at(13, 13), at(1, 13)};
    Polygon(dc, front, 4);
    SelectObject(dc, oldBrush);
    DeleteObject(SelectObject(dc, oldPen));
}

void paint(Win32Peer& self, HDC dc, const RECT& r) {
    if (auto* shape = dynamic_cast<Shape*>(&self.control)) {
        FillRect(dc, &r, self.host.Brush(shape->FillColor()));
        FrameRect(dc, &r, self.host.Brush(shape->BorderColor));
        return;
    }
    // An image: the program's icon, or a folder, on its container's colour.
    Control* container = self.control.Container();
    FillRect(dc, &r, backBrush(self, container ? container->BackColor() : kDefaultColour));
    if (static_cast<Image&>(self.control).Picture == "folder") {
        paintFolder(self.host, dc, r);
        return;
    }
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
    const bool border = static_cast<PictureBox&>(control).BorderStyle;
    makeChild(kPanelClass, WS_EX_CONTROLPARENT, WS_CLIPCHILDREN | (border ? WS_BORDER : 0), parent, id);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Win32Peer*>(this)));
}

void PaintedPeer::Create(HWND parent, int id) {
    makeChild(kPaintedClass, 0, 0, parent, id);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Win32Peer*>(this)));
}

}  // namespace qm::ui

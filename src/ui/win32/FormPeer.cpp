#include "ui/win32/Peers.h"
#include "ui/win32/Win32Host.h"

namespace qm::ui {

using platform::Widen;

void FormPeer::Sync(Prop what) {
    Form& form = static_cast<Form&>(control);
    switch (what) {
        case Prop::Text:
            SetWindowTextW(hwnd, Widen(form.Caption()).c_str());
            break;
        case Prop::Geometry: {
            RECT r{0, 0, host.Px(form.Width()), host.Px(form.Height())};
            const bool clientSize = !form.SizeIsWholeWindow();
            if (clientSize)
                AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                                   static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
            const int w = r.right - r.left, h = r.bottom - r.top;
            const ScreenRect placed = host.PlaceForm(hwnd, w, h, !form.FixedDialog || form.ShrinkToFit);
            SetWindowPos(hwnd, nullptr, placed.left, placed.top, placed.Width(), placed.Height(),
                         SWP_NOZORDER | SWP_NOACTIVATE);
            // The model learns the whole window's size, and the size it got
            // where the screen was too small for it (shrunk to the work area,
            // or cut by the system to its largest window).
            RECT got{placed.left, placed.top, placed.right, placed.bottom};
            if (!IsIconic(hwnd) && !IsZoomed(hwnd)) GetWindowRect(hwnd, &got);
            const int gotW = got.right - got.left, gotH = got.bottom - got.top;
            if (clientSize || gotW != w || gotH != h)
                form.WindowSized(MulDiv(gotW, 1440, host.Dpi()), MulDiv(gotH, 1440, host.Dpi()));
            break;
        }
        case Prop::Visible:
            ShowWindow(hwnd, form.Visible() ? SW_SHOW : SW_HIDE);
            break;
        case Prop::WindowState: {
            const int state = form.WindowState();
            ShowWindow(hwnd, state == Form::vbMinimized   ? SW_MINIMIZE
                             : state == Form::vbMaximized ? SW_MAXIMIZE
                                                          : SW_RESTORE);
            if (state == Form::vbNormal && form.Visible()) SetForegroundWindow(hwnd);
            break;
        }
        case Prop::Colours:
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        default:
            break;
    }
}

void TimerPeer::Sync(Prop what) {
    if (what != Prop::Interval && what != Prop::Enabled && what != Prop::Visible) return;
    const int ms = static_cast<Timer&>(control).Interval();
    if (control.Enabled() && ms > 0) SetTimer(fw.hwnd, static_cast<UINT_PTR>(id), static_cast<UINT>(ms), nullptr);
    else KillTimer(fw.hwnd, static_cast<UINT_PTR>(id));
}

}  // namespace qm::ui

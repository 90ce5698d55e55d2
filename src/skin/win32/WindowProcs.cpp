// The window procedures of the skinned controls: one subclass procedure per
// kind, which follows the control's messages, decides the state to show
// and has the painters draw it.
#include "skin/win32/Engine.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cwchar>
#include <vector>

namespace qm::skin {

namespace {

using Engine = MSkinner::Engine;

// One procedure per kind.
template <Kind K>
LRESULT CALLBACK SkinWindowProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

void trackLeave(HWND hwnd) {
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&tme);
}

bool pointerOver(HWND hwnd) {
    POINT pt;
    return GetCursorPos(&pt) && WindowFromPoint(pt) == hwnd;
}

bool leftButtonDown() { return GetKeyState(VK_LBUTTON) < 0; }

LRESULT pass(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefSubclassProc(h, msg, wp, lp); }

// Repaints the skinned check boxes and option buttons among the children of
// `hwnd`'s parent, so that the other buttons of a group show their values.
void repaintBoxesBeside(Engine& engine, HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent) parent = hwnd;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        auto* box = dynamic_cast<BoxSkin*>(engine.SkinOf(child));
        if (!box) continue;
        if (box->kind == Kind::CheckBox) PaintCheckBox(*box, box->mouse.state, true);
        else if (box->kind == Kind::OptionButton) PaintOptionButton(*box, box->mouse.state, true);
    }
}

// The messages after which a control's published state may differ.
bool changesState(UINT msg) {
    switch (msg) {
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_TIMER:
        case WM_PAINT:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SIZE:
        case BM_SETSTYLE:
            return true;
    }
    return false;
}

// What every kind does alike around its own handling (`own`, which passes
// the message on itself): picking up dialogs, message boxes and drop-down
// lists as they appear, freeing the state with the window, and the repaint
// of check boxes and option buttons after a click. `own` may destroy the
// window: afterwards only the engine is asked about it again.
template <class F>
LRESULT around(WindowSkin& self, UINT msg, WPARAM wp, LPARAM lp, F own) {
    Engine& engine = self.engine;
    HWND h = self.hwnd;
    switch (msg) {
        case WM_NCDESTROY:
            engine.Release(self, true);
            return pass(h, msg, wp, lp);
        case WM_ACTIVATE:
            // A window activated in place of this one that belongs to it, or a
            // dialog or message box: skinned as it appears.
            if (HWND other = reinterpret_cast<HWND>(lp); other && (GetParent(other) == h || KindOfWindow(other) == Kind::Form))
                engine.Skin(other);
            break;
    }
    const LRESULT result = own();
    switch (msg) {
        case WM_ENTERIDLE:
            if (wp == MSGF_DIALOGBOX && lp) engine.Skin(reinterpret_cast<HWND>(lp));
            break;
        case WM_CTLCOLORLISTBOX:
            if (lp) engine.Skin(reinterpret_cast<HWND>(lp));
            break;
        case WM_LBUTTONUP:
            if (IsWindow(h)) repaintBoxesBeside(engine, h);
            break;
    }
    if (changesState(msg))
        if (WindowSkin* still = engine.SkinOf(h)) PublishState(*still);
    return result;
}

// Carries out what the fade decided: timers, mouse tracking, blends.
void apply(ButtonSkin& b, const ButtonFade::Reaction& r, HDC dc = nullptr) {
    if (r.trackLeave) trackLeave(b.hwnd);
    if (r.stopTimer) KillTimer(b.hwnd, ButtonFade::kTimerId);
    for (const auto& blend : r.blends) PaintButton(b, dc, blend);
    if (r.startTimer) SetTimer(b.hwnd, ButtonFade::kTimerId, ButtonFade::kTickMs, nullptr);
}

bool isDefaultStyle(LONG_PTR style) { return (style & kButtonTypeMask) == BS_DEFPUSHBUTTON; }

LRESULT pushButton(ButtonSkin& b, UINT msg, WPARAM wp, LPARAM lp) {
    HWND h = b.hwnd;
    Engine& engine = b.engine;
    const auto alive = [&] { return dynamic_cast<ButtonSkin*>(engine.SkinOf(h)); };
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            apply(b, b.fade.Paint(), dc);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the face covers everything
        case WM_SIZE: {
            const LRESULT r = pass(h, msg, wp, lp);
            if (ButtonSkin* s = alive()) {
                RenderButtonFaces(*s);
                SetRoundRegion(*s);
            }
            return r;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT r = pass(h, msg, wp, lp);
            if (ButtonSkin* s = alive()) {
                RenderButtonFaces(*s);  // the focus rectangle is part of the faces
                apply(*s, s->fade.FocusChanged());
            }
            return r;
        }
        case WM_ENABLE: {
            const LRESULT r = pass(h, msg, wp, lp);
            if (ButtonSkin* s = alive()) apply(*s, s->fade.EnableChanged(wp != 0));
            return r;
        }
        case WM_SETTEXT:
        case WM_SETFONT: {
            const LRESULT r = pass(h, msg, wp, lp);
            if (ButtonSkin* s = alive()) {
                RenderButtonFaces(*s);
                apply(*s, s->fade.Paint());
            }
            return r;
        }
        case BM_SETSTYLE: {
            // The program and the dialog manager move the default between
            // buttons: the button stays owner-drawn and remembers the rest.
            b.oldStyle = (b.oldStyle & ~static_cast<LONG_PTR>(0xFFFF)) | static_cast<LONG_PTR>(wp & 0xFFFF);
            const LRESULT r = pass(h, msg, (wp & ~static_cast<WPARAM>(kButtonTypeMask)) | BS_OWNERDRAW, lp);
            if (ButtonSkin* s = alive(); s && lp) {
                RenderButtonFaces(*s);
                apply(*s, s->fade.Paint());
            }
            return r;
        }
        case WM_GETDLGCODE: {
            // Enter presses a focused push button, as it would without the skin.
            const LRESULT r = pass(h, msg, wp, lp) & ~static_cast<LRESULT>(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
            return r | DLGC_BUTTON | (isDefaultStyle(b.oldStyle) ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        }
        case WM_TIMER:
            if (wp == ButtonFade::kTimerId) apply(b, b.fade.Tick());
            break;
        case WM_MOUSEMOVE:
            apply(b, b.fade.MouseMove(!pointerOver(h)));
            break;
        case WM_MOUSELEAVE:
            apply(b, b.fade.MouseLeave());
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            apply(b, b.fade.Press());
            break;
        case WM_LBUTTONUP:
            apply(b, b.fade.Release());
            break;
        case WM_KEYDOWN:
            if (wp == VK_SPACE) apply(b, b.fade.Press());
            break;
        case WM_KEYUP:
            if (wp == VK_SPACE) apply(b, b.fade.SpaceUp());
            break;
    }
    return pass(h, msg, wp, lp);
}

// The drop button's state now: pressed while the list is open, and a press
// that ended elsewhere no longer shows.
int comboStateNow(BoxSkin& c) {
    if (SendMessageW(c.hwnd, CB_GETDROPPEDSTATE, 0, 0)) return Pressed;
    if (c.mouse.state == Pressed && !leftButtonDown()) return pointerOver(c.hwnd) ? Hot : Normal;
    return c.mouse.state;
}

bool editable(HWND combo) { return !(GetWindowLongPtrW(combo, GWL_STYLE) & 1); }

bool onDropButton(HWND combo, LPARAM lp) {
    if (!editable(combo)) return true;  // a drop-down list is all button
    RECT r;
    GetWindowRect(combo, &r);
    return InDropButton(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), r.right - r.left, r.bottom - r.top,
                        GetSystemMetrics(SM_CXVSCROLL));
}

void paintEditableCombo(BoxSkin& c, HDC dc) {
    RECT r;
    GetClientRect(c.hwnd, &r);
    // Leave the edit's text alone: the combo box does not clip its children.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(c.hwnd, &info) && info.hwndItem && info.hwndItem != c.hwnd) {
        RECT edit;
        GetWindowRect(info.hwndItem, &edit);
        MapWindowPoints(nullptr, c.hwnd, reinterpret_cast<POINT*>(&edit), 2);
        ExcludeClipRect(dc, edit.left, edit.top, edit.right, edit.bottom);
    }
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH border = CreateSolidBrush(BorderColour(c.hwnd));
    FrameRect(dc, &r, border);
    DeleteObject(border);
    PaintComboButton(c, dc, comboStateNow(c), true);
}

LRESULT comboBox(BoxSkin& c, UINT msg, WPARAM wp, LPARAM lp) {
    HWND h = c.hwnd;
    Engine& engine = c.engine;
    const auto alive = [&] { return dynamic_cast<BoxSkin*>(engine.SkinOf(h)); };
    switch (msg) {
        case WM_PAINT:
            if (editable(h)) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(h, &ps);
                paintEditableCombo(c, dc);
                EndPaint(h, &ps);
                return 0;
            } else {
                const LRESULT r = pass(h, msg, wp, lp);
                if (BoxSkin* s = alive()) {
                    PaintFlatFrame(h);
                    PaintComboButton(*s, nullptr, comboStateNow(*s), true);
                }
                return r;
            }
        case WM_WINDOWPOSCHANGING: {
            const LRESULT r = pass(h, msg, wp, lp);
            if (BoxSkin* s = alive()) PaintComboButton(*s, nullptr, Normal, false);
            return r;
        }
        case WM_ENABLE: {
            const LRESULT r = pass(h, msg, wp, lp);
            RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            return r;
        }
        case WM_MOUSEMOVE:
            if (!c.mouse.tracking) {
                c.mouse.tracking = true;
                trackLeave(h);
            }
            PaintComboButton(c, nullptr, ComboStateOnMove((wp & MK_LBUTTON) != 0, onDropButton(h, lp)), false);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            PaintComboButton(c, nullptr, ComboStateOnDown(onDropButton(h, lp), c.mouse.state), false);
            break;
        case WM_LBUTTONUP:
            PaintComboButton(c, nullptr, ComboStateOnUp(pointerOver(h)), false);
            break;
        case WM_MOUSELEAVE:
            c.mouse.tracking = false;
            PaintComboButton(c, nullptr, Normal, false);
            break;
    }
    return pass(h, msg, wp, lp);
}

// Check boxes and option buttons: the skin's box over the control's own.
template <void (*Paint)(BoxSkin&, int, bool)>
LRESULT markBox(BoxSkin& box, UINT msg, WPARAM wp, LPARAM lp) {
    HWND h = box.hwnd;
    Engine& engine = box.engine;
    switch (msg) {
        case WM_MOUSEMOVE:
            if (!box.mouse.tracking) {
                box.mouse.tracking = true;
                trackLeave(h);
            }
            Paint(box, (wp & MK_LBUTTON) ? Pressed : Hot, false);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            Paint(box, Pressed, false);
            break;
        case WM_LBUTTONUP:
            Paint(box, Normal, false);
            break;
        case WM_MOUSELEAVE:
            box.mouse.tracking = false;
            Paint(box, Normal, false);
            break;
        case WM_KEYDOWN:
            if (wp == VK_SPACE) Paint(box, Pressed, false);
            break;
        case WM_KEYUP:
            if (wp == VK_SPACE) Paint(box, Normal, false);
            break;
        case WM_PAINT:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_UPDATEUISTATE:
        case BM_SETCHECK:
        case BM_SETSTATE: {
            // The control draws its own box on these, also outside its paint message.
            const LRESULT r = pass(h, msg, wp, lp);
            if (auto* s = dynamic_cast<BoxSkin*>(engine.SkinOf(h))) Paint(*s, s->mouse.state, true);
            return r;
        }
    }
    return pass(h, msg, wp, lp);
}

int headerItemAt(HWND header, int x) {
    std::vector<Span> items;
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        items.push_back({r.left, r.right});
    }
    return ItemAt(items, x);
}

void repaintItems(HeaderSkin& header, const std::vector<HeaderTrack::Repaint>& items) {
    for (const auto& r : items) PaintHeaderItem(header, nullptr, r.item, r.state);
}

LRESULT listHeader(HeaderSkin& header, UINT msg, WPARAM wp, LPARAM lp) {
    HWND h = header.hwnd;
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            PaintHeader(header, dc);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (!header.tracking) {
                header.tracking = true;
                trackLeave(h);
            }
            repaintItems(header, header.track.Move(headerItemAt(h, GET_X_LPARAM(lp))));
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            repaintItems(header, header.track.Down(headerItemAt(h, GET_X_LPARAM(lp))));
            break;
        case WM_LBUTTONUP:
            repaintItems(header, header.track.Up(pointerOver(h) ? headerItemAt(h, GET_X_LPARAM(lp)) : -1));
            break;
        case WM_MOUSELEAVE:
            header.tracking = false;
            repaintItems(header, header.track.Leave());
            break;
    }
    return pass(h, msg, wp, lp);
}

// Controls that keep their own painting; a sunken one gets a flat border.
LRESULT bordered(WindowSkin& self, UINT msg, WPARAM wp, LPARAM lp) {
    HWND h = self.hwnd;
    const LRESULT r = pass(h, msg, wp, lp);
    if (!IsWindow(h)) return r;
    if (msg == WM_NCPAINT) PaintSunkenBorder(h);
    else if (msg == WM_ENABLE && (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    return r;
}

bool isSystemDialog(HWND hwnd) {
    wchar_t cls[8] = L"";
    GetClassNameW(hwnd, cls, 8);
    return wcscmp(cls, L"#32770") == 0;
}

// Forms paint themselves in their design's colour; the system's dialogs and
// message boxes, which have no design of ours, get the same colour here.
LRESULT form(WindowSkin& self, UINT msg, WPARAM wp, LPARAM lp) {
    HWND h = self.hwnd;
    const LRESULT r = pass(h, msg, wp, lp);
    switch (msg) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (!isSystemDialog(h)) break;
            SetBkColor(reinterpret_cast<HDC>(wp), kFormColour);
            return reinterpret_cast<LRESULT>(self.engine.DialogBrush());
    }
    return r;
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::Form>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<WindowSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return form(self, msg, wp, lp); });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::PushButton>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<ButtonSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return pushButton(self, msg, wp, lp); });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::ComboBox>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<BoxSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return comboBox(self, msg, wp, lp); });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::CheckBox>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<BoxSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return markBox<PaintCheckBox>(self, msg, wp, lp); });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::OptionButton>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<BoxSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return markBox<PaintOptionButton>(self, msg, wp, lp); });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::ListHeader>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<HeaderSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return listHeader(self, msg, wp, lp); });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::ProgressBar>(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<WindowSkin*>(ref);
    return around(self, msg, wp, lp, [&]() -> LRESULT {
        switch (msg) {
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(h, &ps);
                PaintProgressBar(h, dc);
                EndPaint(h, &ps);
                return 0;
            }
            case WM_ERASEBKGND:
                return 1;
            case WM_NCPAINT: {
                const LRESULT r = pass(h, msg, wp, lp);
                PaintProgressFrame(h);
                return r;
            }
        }
        return pass(h, msg, wp, lp);
    });
}

// Drop-down lists of combo boxes, and data lists.
template <>
LRESULT CALLBACK SkinWindowProc<Kind::ComboList>(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<WindowSkin*>(ref);
    return around(self, msg, wp, lp, [&] {
        const LRESULT r = pass(h, msg, wp, lp);
        if ((msg == WM_PAINT || msg == WM_NCPAINT) && IsWindow(h)) PaintFlatFrame(h);
        return r;
    });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::Grid>(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<WindowSkin*>(ref);
    return around(self, msg, wp, lp, [&] {
        const LRESULT r = pass(h, msg, wp, lp);
        if (msg == WM_PAINT && IsWindow(h) && (GetWindowLongPtrW(h, GWL_STYLE) & WS_BORDER)) {
            RECT w;
            GetWindowRect(h, &w);
            HDC dc = GetWindowDC(h);
            HBRUSH border = CreateSolidBrush(BorderColour(h));
            const RECT all{0, 0, w.right - w.left, w.bottom - w.top};
            FrameRect(dc, &all, border);
            DeleteObject(border);
            ReleaseDC(h, dc);
        }
        return r;
    });
}

template <>
LRESULT CALLBACK SkinWindowProc<Kind::Other>(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto& self = *reinterpret_cast<WindowSkin*>(ref);
    return around(self, msg, wp, lp, [&] { return bordered(self, msg, wp, lp); });
}

}  // namespace

SUBCLASSPROC SkinProcFor(Kind k) {
    switch (k) {
        case Kind::Form: return SkinWindowProc<Kind::Form>;
        case Kind::PushButton: return SkinWindowProc<Kind::PushButton>;
        case Kind::ComboBox:
        case Kind::DriveList: return SkinWindowProc<Kind::ComboBox>;
        case Kind::CheckBox: return SkinWindowProc<Kind::CheckBox>;
        case Kind::OptionButton: return SkinWindowProc<Kind::OptionButton>;
        case Kind::ListHeader: return SkinWindowProc<Kind::ListHeader>;
        case Kind::ProgressBar: return SkinWindowProc<Kind::ProgressBar>;
        case Kind::DataList:
        case Kind::ComboList: return SkinWindowProc<Kind::ComboList>;
        case Kind::Grid: return SkinWindowProc<Kind::Grid>;
        case Kind::Other: break;
    }
    return SkinWindowProc<Kind::Other>;
}

}  // namespace qm::skin

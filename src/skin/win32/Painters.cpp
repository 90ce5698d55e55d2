// The painters: each draws a state it is given; which state that is, the
// window procedures decide (MSkinner.cpp).

#include "skin/win32/Engine.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace qm::skin {

namespace {

constexpr UINT kTextFormat = 32805;  // centred both ways, one line, end ellipsis; "&" underlines

SIZE windowSize(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void fill(HDC dc, const RECT& r, COLORREF c) {
    const COLORREF old = SetBkColor(dc, c);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void frame(HDC dc, const RECT& r, COLORREF c) {
    if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
    fill(dc, {r.left, r.top, r.right, r.top + 1}, c);
    fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, c);
    fill(dc, {r.left, r.top, r.left + 1, r.bottom}, c);
    fill(dc, {r.right - 1, r.top, r.right, r.bottom}, c);
}

// The window's own device context, or the one given.
class TargetDc {
public:
    TargetDc(HWND hwnd, HDC given) : hwnd_(hwnd), dc_(given ? given : GetWindowDC(hwnd)), own_(!given) {}
    ~TargetDc() {
        if (own_ && dc_) ReleaseDC(hwnd_, dc_);
    }
    TargetDc(const TargetDc&) = delete;
    TargetDc& operator=(const TargetDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
    bool own_;
};

std::wstring windowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Text in the control's own font, transparent over what is there.
void drawText(HDC dc, HWND control, const std::wstring& text, RECT r, COLORREF colour) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, kTextFormat);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (font) SelectObject(dc, oldFont);
}

// The colour of a brush a parent answered with, or the system's window colour.
COLORREF brushColour(LRESULT answer) {
    LOGBRUSH lb{};
    if (answer && GetObjectW(reinterpret_cast<HBRUSH>(answer), sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID)
        return lb.lbColor;
    return GetSysColor(COLOR_WINDOW);
}

// What the control shows inside its border, as it would ask its parent for it.
COLORREF backgroundOf(HWND hwnd) {
    wchar_t cls[64] = L"";
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, WC_LISTVIEWW) == 0) {
        const auto c = static_cast<COLORREF>(SendMessageW(hwnd, LVM_GETBKCOLOR, 0, 0));
        return c == CLR_NONE ? GetSysColor(COLOR_WINDOW) : c;
    }
    if (_wcsicmp(cls, WC_TREEVIEWW) == 0) {
        const auto c = static_cast<COLORREF>(SendMessageW(hwnd, TVM_GETBKCOLOR, 0, 0));
        return c == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_WINDOW) : c;
    }
    UINT ask = 0;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (_wcsicmp(cls, L"Edit") == 0)
        ask = (!IsWindowEnabled(hwnd) || (style & ES_READONLY)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    else if (_wcsicmp(cls, L"ListBox") == 0)
        ask = WM_CTLCOLORLISTBOX;
    HWND parent = GetParent(hwnd);
    if (!ask || !parent) return GetSysColor(COLOR_WINDOW);
    HDC dc = GetDC(hwnd);
    const LRESULT brush = SendMessageW(parent, ask, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
    ReleaseDC(hwnd, dc);
    return brushColour(brush);
}

// The brush a check box or option button clears its box with.
HBRUSH boxBackground(HWND box, HDC dc) {
    HWND parent = GetParent(box);
    const LRESULT brush =
        parent ? SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)) : 0;
    return brush ? reinterpret_cast<HBRUSH>(brush) : GetSysColorBrush(COLOR_BTNFACE);
}

bool checkGlyphs(const SkinImages& images) { return images.CheckMarks && images.OptionCircles; }

void drawHeaderItem(HeaderSkin& header, HDC dc, int item, int x, int width, int height, int state) {
    const SkinImages& images = header.engine.Images();
    if (!images.HeaderStrip) return;
    const int b = images.layout.HeaderBorder();
    DrawNineGrid(dc, x, 0, width, height, images.HeaderStrip.Dc(), images.layout.HeaderSlice(state), {b, b, b, b});
    wchar_t text[256] = L"";
    HDITEMW hd{};
    hd.mask = HDI_TEXT;
    hd.pszText = text;
    hd.cchTextMax = 255;
    SendMessageW(header.hwnd, HDM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&hd));
    std::wstring caption;
    for (const wchar_t* p = hd.pszText ? hd.pszText : L""; *p; ++p) caption += *p;
    if (!caption.empty()) drawText(dc, header.hwnd, caption, {x, 0, x + width, height}, GetSysColor(COLOR_BTNTEXT));
}

}  // namespace

std::unique_ptr<SkinImages> BuildSkinImages(int dpi) {
    auto images = std::make_unique<SkinImages>();
    images->dpi = dpi;
    images->layout.scale = ScaleForDpi(dpi);
    const int s = images->layout.scale;
    images->ButtonStrip = SurfaceFromPixmap(MakeButtonStrip(s));
    images->ComboGlyphs = SurfaceFromPixmap(MakeComboGlyphs(s));
    images->CheckMarks = SurfaceFromPixmap(MakeCheckMarks(s));
    images->OptionCircles = SurfaceFromPixmap(MakeOptionCircles(s));
    images->HeaderStrip = SurfaceFromPixmap(MakeHeaderStrip(s));
    return images;
}

COLORREF BorderColour(HWND hwnd) { return IsWindowEnabled(hwnd) ? kBorder : kBorderDisabled; }

void RenderButtonFaces(ButtonSkin& button) {
    const SIZE size = windowSize(button.hwnd);
    for (Surface& face : button.faces)
        if (!face || face.Width() != size.cx || face.Height() != size.cy) face = CreateMemorySurface(size.cx, size.cy);
    // Each face is drawn when it is first painted: most buttons never show
    // three of their four states between two renders, and every focus move
    // renders the buttons it passes (four faces each cost a window's load
    // under Wine some twenty milliseconds).
    button.staleFaces = 0xF;
}

namespace {

void drawFace(ButtonSkin& button, int state) {
    button.staleFaces &= static_cast<uint8_t>(~(1u << state));
    const SkinImages& images = button.engine.Images();
    const Surface& face = button.faces[state];
    if (!face || !images.ButtonStrip) return;
    const int w = face.Width(), h = face.Height();
    const int b = images.layout.ButtonBorder(), inset = images.layout.Px(2);
    DrawNineGrid(face.Dc(), 0, 0, w, h, images.ButtonStrip.Dc(), images.layout.ButtonSlice(state), {b, b, b, b});
    const RECT r{inset, inset, w - inset, h - inset};
    drawText(face.Dc(), button.hwnd, windowText(button.hwnd), r, state == Disabled ? kButtonTextDisabled : kButtonText);
    if (GetFocus() == button.hwnd) DrawFocusRect(face.Dc(), &r);
}

}  // namespace

void SetRoundRegion(ButtonSkin& button) {
    const SIZE size = windowSize(button.hwnd);
    const int corner = 3 * button.engine.Images().layout.scale;
    SetWindowRgn(button.hwnd, CreateRoundRectRgn(0, 0, size.cx + 1, size.cy + 1, corner, corner), TRUE);
}

void PaintButton(ButtonSkin& button, HDC dc, ButtonFade::Blend blend) {
    if (!IsWindowEnabled(button.hwnd)) blend.state = Disabled;
    if (button.staleFaces & (1u << blend.state)) drawFace(button, blend.state);
    const Surface& face = button.faces[blend.state];
    if (!face || blend.alpha <= 0) return;
    TargetDc target(button.hwnd, dc);
    if (blend.alpha >= 255) {
        BitBlt(target.get(), 0, 0, face.Width(), face.Height(), face.Dc(), 0, 0, SRCCOPY);
        return;
    }
    const BLENDFUNCTION how{AC_SRC_OVER, 0, static_cast<BYTE>(blend.alpha), 0};
    AlphaBlend(target.get(), 0, 0, face.Width(), face.Height(), face.Dc(), 0, 0, face.Width(), face.Height(), how);
}

void PaintComboButton(BoxSkin& combo, HDC dc, int state, bool force) {
    HWND hwnd = combo.hwnd;
    if (SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0)) state = Pressed;
    if (state == combo.mouse.state && !force) return;
    // Simple combo boxes have no drop button.
    if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & 2)) return;
    combo.mouse.state = state;
    const SkinImages& images = combo.engine.Images();
    const SIZE size = windowSize(hwnd);
    const int sb = GetSystemMetrics(SM_CXVSCROLL);
    Surface button = CreateMemorySurface(sb + 1, size.cy - 2);
    if (!button || !images.ComboGlyphs) return;
    if (state == Hot || state == Pressed)
        DrawNineGrid(button.Dc(), 0, 0, button.Width(), button.Height(), images.ComboGlyphs.Dc(),
                     images.layout.ComboBack(state == Pressed), images.layout.ComboBackBorders());
    else
        fill(button.Dc(), {0, 0, button.Width(), button.Height()}, kFace);
    const Rect arrow = images.layout.ComboArrow(IsWindowEnabled(hwnd) != FALSE);
    DrawTransparent(button.Dc(), Halve(button.Width() - arrow.w), Halve(button.Height() - arrow.h), arrow.w, arrow.h,
                    images.ComboGlyphs.Dc(), arrow.x, arrow.y, kKey);
    TargetDc target(hwnd, dc);
    BitBlt(target.get(), size.cx - button.Width() - 1, 1, button.Width(), button.Height(), button.Dc(), 0, 0, SRCCOPY);
}

void PaintCheckBox(BoxSkin& box, int state, bool force) {
    if (state == box.mouse.state && !force) return;
    box.mouse.state = state;
    const SkinImages& images = box.engine.Images();
    if (!checkGlyphs(images)) return;
    HWND hwnd = box.hwnd;
    const int cx = GetSystemMetrics(SM_CXMENUCHECK), cy = GetSystemMetrics(SM_CYMENUCHECK);
    Surface s = CreateMemorySurface(cx, cy);
    if (!s) return;
    const RECT all{0, 0, cx, cy};
    fill(s.Dc(), all, kFace);
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    if (enabled && (state == Hot || state == Pressed)) {
        const Rect band = images.layout.CheckFill(state == Pressed);
        SetStretchBltMode(s.Dc(), COLORONCOLOR);
        StretchBlt(s.Dc(), 1, 1, cx - 2, cy - 2, images.OptionCircles.Dc(), band.x, band.y, band.w, band.h, SRCCOPY);
    }
    frame(s.Dc(), all, !enabled ? kBorderDisabled : state == Pressed ? kCheckBorderPressed : kBorder);
    const LRESULT value = SendMessageW(hwnd, BM_GETCHECK, 0, 0);
    if (value == BST_CHECKED || value == BST_INDETERMINATE) {
        const Rect mark = value == BST_CHECKED ? images.layout.CheckMark(enabled) : images.layout.CheckSquare(enabled);
        DrawTransparent(s.Dc(), Halve(cx - mark.w), Halve(cy - mark.h), mark.w, mark.h, images.CheckMarks.Dc(), mark.x,
                        mark.y, kKey);
    }
    const SIZE size = windowSize(hwnd);
    TargetDc target(hwnd, nullptr);
    BitBlt(target.get(), 0, Halve(size.cy - cy), cx, cy, s.Dc(), 0, 0, SRCCOPY);
}

void PaintOptionButton(BoxSkin& box, int state, bool force) {
    if (state == box.mouse.state && !force) return;
    box.mouse.state = state;
    const SkinImages& images = box.engine.Images();
    if (!checkGlyphs(images)) return;
    HWND hwnd = box.hwnd;
    const int cx = GetSystemMetrics(SM_CXMENUCHECK), cy = GetSystemMetrics(SM_CYMENUCHECK);
    const int top = Halve(windowSize(hwnd).cy - cy);
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    TargetDc target(hwnd, nullptr);
    // The control's own circle goes first: the skin's is round, and what lies
    // outside it must be the background, not the old circle's edge.
    const RECT area{0, top, cx, top + cy};
    FillRect(target.get(), &area, boxBackground(hwnd, target.get()));
    const int b = images.layout.OptionBorder();
    DrawNineGrid(target.get(), 0, top, cx, cy, images.OptionCircles.Dc(),
                 images.layout.OptionCircle(enabled ? std::min(state, static_cast<int>(Pressed)) : Disabled), {b, b, b, b},
                 kKey);
    if (SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        const Rect dot = images.layout.OptionDot(enabled);
        DrawTransparent(target.get(), Halve(cx - dot.w), top + Halve(cy - dot.h), dot.w, dot.h, images.CheckMarks.Dc(),
                        dot.x, dot.y, kKey);
    }
}

void PaintHeader(HeaderSkin& header, HDC dc) {
    const SkinImages& images = header.engine.Images();
    RECT client;
    GetClientRect(header.hwnd, &client);
    Surface s = CreateMemorySurface(client.right, client.bottom);
    if (!s || !images.HeaderStrip) return;
    DrawNineGrid(s.Dc(), 0, 0, client.right, client.bottom, images.HeaderStrip.Dc(), images.layout.HeaderFill(), {});
    const int count = static_cast<int>(SendMessageW(header.hwnd, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!SendMessageW(header.hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        drawHeaderItem(header, s.Dc(), i, r.left, r.right - r.left, client.bottom, header.track.StateOf(i));
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, s.Dc(), 0, 0, SRCCOPY);
}

void PaintHeaderItem(HeaderSkin& header, HDC dc, int item, int state) {
    if (item < 0) return;
    RECT r{};
    if (!SendMessageW(header.hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r))) return;
    RECT client;
    GetClientRect(header.hwnd, &client);
    Surface s = CreateMemorySurface(r.right - r.left, client.bottom);
    if (!s) return;
    drawHeaderItem(header, s.Dc(), item, 0, s.Width(), s.Height(), state);
    TargetDc target(header.hwnd, dc);
    BitBlt(target.get(), r.left, 0, s.Width(), s.Height(), s.Dc(), 0, 0, SRCCOPY);
}

namespace {

struct BarFill {
    bool vertical;
    int pos, min, max;
};

BarFill barFill(HWND bar) {
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return {(GetWindowLongPtrW(bar, GWL_STYLE) & PBS_VERTICAL) != 0, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)),
            range.iLow, range.iHigh};
}

// The filled part of a w × h area at (x, y): from the left, or from the bottom.
void fillBar(HDC dc, const BarFill& f, int x, int y, int w, int h) {
    if (f.vertical) {
        const int filled = FilledLength(h, f.pos, f.min, f.max);
        fill(dc, {x, y + h - filled, x + w, y + h}, kProgressFill);
    } else {
        fill(dc, {x, y, x + FilledLength(w, f.pos, f.min, f.max), y + h}, kProgressFill);
    }
}

}  // namespace

void PaintProgressBar(HWND bar, HDC dc) {
    RECT client;
    GetClientRect(bar, &client);
    Surface s = CreateMemorySurface(client.right, client.bottom);
    if (!s) return;
    fill(s.Dc(), client, kFace);
    // A bar with no border of its own frames itself, like those that have one.
    const SIZE size = windowSize(bar);
    const int inset = size.cx == client.right && size.cy == client.bottom ? 1 : 0;
    if (inset) frame(s.Dc(), client, kBorder);
    fillBar(s.Dc(), barFill(bar), inset, inset, client.right - 2 * inset, client.bottom - 2 * inset);
    BitBlt(dc, 0, 0, client.right, client.bottom, s.Dc(), 0, 0, SRCCOPY);
}

void PaintProgressFrame(HWND bar) {
    const SIZE size = windowSize(bar);
    Surface s = CreateMemorySurface(size.cx, size.cy);
    if (!s) return;
    fill(s.Dc(), {0, 0, size.cx, size.cy}, kBorder);
    fill(s.Dc(), {1, 1, size.cx - 1, size.cy - 1}, kFace);
    RECT window, client;
    GetWindowRect(bar, &window);
    GetClientRect(bar, &client);
    POINT origin{0, 0};
    ClientToScreen(bar, &origin);
    fillBar(s.Dc(), barFill(bar), origin.x - window.left, origin.y - window.top, client.right, client.bottom);
    TargetDc target(bar, nullptr);
    BitBlt(target.get(), 0, 0, size.cx, size.cy, s.Dc(), 0, 0, SRCCOPY);
}

void PaintFlatFrame(HWND hwnd) {
    const SIZE size = windowSize(hwnd);
    TargetDc target(hwnd, nullptr);
    frame(target.get(), {0, 0, size.cx, size.cy}, BorderColour(hwnd));
    frame(target.get(), {1, 1, size.cx - 1, size.cy - 1}, kFace);
}

void PaintSunkenBorder(HWND hwnd) {
    if (!(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return;
    const SIZE size = windowSize(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    const int scroll = (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const int width = (size.cx - client.right - scroll) / 2;
    if (width < 1) return;
    const COLORREF back = backgroundOf(hwnd);
    TargetDc target(hwnd, nullptr);
    frame(target.get(), {0, 0, size.cx, size.cy}, BorderColour(hwnd));
    // The rest of the border, up to the client area, in the control's own colour.
    for (int d = 1; d < width; ++d) frame(target.get(), {d, d, size.cx - d, size.cy - d}, back);
}

}  // namespace qm::skin

#include "skin_support.h"

#include <cstdio>
#include <cstdlib>

namespace qm::gui_test {

namespace {

COLORREF screenAt(int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, 1, 1, screen, x, y, SRCCOPY);
    const COLORREF c = GetPixel(mem, 0, 0);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

}  // namespace

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return screenAt(r.left + x, r.top + y);
}

COLORREF ClientPixel(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(hwnd, &pt);
    return screenAt(pt.x, pt.y);
}

std::string ColourText(COLORREF c) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "RGB(%d, %d, %d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace qm::gui_test

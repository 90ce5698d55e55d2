#include "skin/win32/Surfaces.h"

#include <vector>

namespace qm::skin {

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this != &other) {
        reset();
        dc_ = other.dc_;
        bitmap_ = other.bitmap_;
        old_ = other.old_;
        width_ = other.width_;
        height_ = other.height_;
        other.dc_ = nullptr;
        other.bitmap_ = nullptr;
        other.old_ = nullptr;
    }
    return *this;
}

void Surface::reset() {
    if (dc_) {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    width_ = height_ = 0;
}

Surface CreateMemorySurface(int width, int height) {
    Surface s;
    if (width <= 0 || height <= 0) return s;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = dc ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    ReleaseDC(nullptr, screen);
    if (!bitmap) {
        if (dc) DeleteDC(dc);
        return s;
    }
    s.dc_ = dc;
    s.bitmap_ = bitmap;
    s.old_ = SelectObject(dc, bitmap);
    s.width_ = width;
    s.height_ = height;
    return s;
}

Surface SurfaceFromPixmap(const Pixmap& picture) {
    Surface s = CreateMemorySurface(picture.width, picture.height);
    if (!s) return s;
    // Top-down rows of 0x00RRGGBB.
    std::vector<DWORD> bits(picture.pixels.size());
    for (size_t i = 0; i < bits.size(); ++i) {
        const Colour c = picture.pixels[i];
        bits[i] = (static_cast<DWORD>(RedOf(c)) << 16) | (static_cast<DWORD>(GreenOf(c)) << 8) | BlueOf(c);
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = picture.width;
    bi.bmiHeader.biHeight = -picture.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBits(s.Dc(), s.Bitmap(), 0, static_cast<UINT>(picture.height), bits.data(), &bi, DIB_RGB_COLORS);
    return s;
}

void DrawNineGrid(HDC dest, int x, int y, int width, int height, HDC src, Rect source, Borders borders,
                  std::optional<COLORREF> key) {
    const auto pieces = NineGridPieces(width, height, source, borders);
    if (pieces.empty()) return;
    Surface result = CreateMemorySurface(width, height);
    if (!result) return;
    SetStretchBltMode(result.Dc(), COLORONCOLOR);
    for (const GridPiece& p : pieces) {
        if (p.from.w == p.to.w && p.from.h == p.to.h)
            BitBlt(result.Dc(), p.to.x, p.to.y, p.to.w, p.to.h, src, p.from.x, p.from.y, SRCCOPY);
        else
            StretchBlt(result.Dc(), p.to.x, p.to.y, p.to.w, p.to.h, src, p.from.x, p.from.y, p.from.w, p.from.h, SRCCOPY);
    }
    if (key) DrawTransparent(dest, x, y, width, height, result.Dc(), 0, 0, *key);
    else BitBlt(dest, x, y, width, height, result.Dc(), 0, 0, SRCCOPY);
}

void DrawTransparent(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, COLORREF key) {
    if (width <= 0 || height <= 0) return;
    // The mask: 1 where the source has the key colour, 0 elsewhere.
    HDC maskDc = CreateCompatibleDC(dest);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    Surface masked = CreateMemorySurface(width, height);
    if (!maskDc || !mask || !masked) {
        if (mask) DeleteObject(mask);
        if (maskDc) DeleteDC(maskDc);
        return;
    }
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    const COLORREF srcBack = SetBkColor(src, key);
    BitBlt(maskDc, 0, 0, width, height, src, sx, sy, SRCCOPY);
    SetBkColor(src, srcBack);

    // The source with its key pixels black (a mask's 1 turns into the background colour).
    BitBlt(masked.Dc(), 0, 0, width, height, src, sx, sy, SRCCOPY);
    SetBkColor(masked.Dc(), RGB(0, 0, 0));
    SetTextColor(masked.Dc(), RGB(255, 255, 255));
    BitBlt(masked.Dc(), 0, 0, width, height, maskDc, 0, 0, SRCAND);

    // The destination kept where the key is, black elsewhere; then the source ORed in.
    const COLORREF destBack = SetBkColor(dest, RGB(255, 255, 255));
    const COLORREF destText = SetTextColor(dest, RGB(0, 0, 0));
    BitBlt(dest, x, y, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(dest, x, y, width, height, masked.Dc(), 0, 0, SRCPAINT);
    SetBkColor(dest, destBack);
    SetTextColor(dest, destText);

    SelectObject(maskDc, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDc);
}

}  // namespace qm::skin

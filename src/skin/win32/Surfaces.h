#pragma once
// Memory drawing surfaces and the copies every painter uses: the nine-grid
// copy and the copy that leaves out a key colour.
#include <windows.h>

#include <optional>

#include "skin/Geometry.h"
#include "skin/Images.h"

namespace qm::skin {

// A device context compatible with the display holding a bitmap of its own;
// empty when either could not be made.
class Surface {
public:
    Surface() = default;
    Surface(Surface&& other) noexcept { *this = std::move(other); }
    Surface& operator=(Surface&& other) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface() { reset(); }

    explicit operator bool() const { return dc_ != nullptr; }
    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    friend Surface CreateMemorySurface(int width, int height);
    void reset();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int width_ = 0, height_ = 0;
};

Surface CreateMemorySurface(int width, int height);

// A surface holding the picture's pixels.
Surface SurfaceFromPixmap(const Pixmap& picture);

// Fills `source` of `src` into width × height at (x, y) of `dest` as a nine-grid
// (see NineGridPieces); with a key colour, pixels of that colour are left out.
void DrawNineGrid(HDC dest, int x, int y, int width, int height, HDC src, Rect source, Borders borders,
                  std::optional<COLORREF> key = std::nullopt);

// Copies width × height from (sx, sy) of `src` to (x, y) of `dest` 1:1,
// leaving out every pixel of the key colour: a monochrome mask from the key,
// the destination ANDed with it, then the masked source ORed in.
void DrawTransparent(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, COLORREF key);

}  // namespace qm::skin

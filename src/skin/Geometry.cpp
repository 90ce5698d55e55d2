#include "skin/Geometry.h"

#include <algorithm>
#include <cstdint>

namespace qm::skin {

namespace {

// Two borders shrink in proportion where they leave no centre: in a result
// narrower than the source they may fill it, otherwise the source keeps a
// centre to stretch.
void fit(int& a, int& b, int result, int source) {
    a = std::max(a, 0);
    b = std::max(b, 0);
    const int size = result < source ? result : source - 1;
    if (a + b <= size) return;
    const int total = a + b;
    a = size * a / total;
    b = size - a;
}

void add(std::vector<GridPiece>& out, Rect from, Rect to) {
    if (!from.Empty() && !to.Empty()) out.push_back({from, to});
}

}  // namespace

std::vector<GridPiece> NineGridPieces(int width, int height, Rect s, Borders b) {
    std::vector<GridPiece> out;
    if (width <= 0 || height <= 0 || s.Empty()) return out;
    if (b.left == 0 && b.top == 0 && b.right == 0 && b.bottom == 0) {
        add(out, s, {0, 0, width, height});
        return out;
    }
    // The same border widths on both sides of the copy: corners stay 1:1.
    fit(b.left, b.right, width, s.w);
    fit(b.top, b.bottom, height, s.h);
    const int sw = s.w - b.left - b.right, sh = s.h - b.top - b.bottom;  // the source's centre
    const int dw = width - b.left - b.right, dh = height - b.top - b.bottom;
    const int sx[3] = {s.x, s.x + b.left, s.x + s.w - b.right};
    const int sy[3] = {s.y, s.y + b.top, s.y + s.h - b.bottom};
    const int sws[3] = {b.left, sw, b.right};
    const int shs[3] = {b.top, sh, b.bottom};
    const int dx[3] = {0, b.left, width - b.right};
    const int dy[3] = {0, b.top, height - b.bottom};
    const int dws[3] = {b.left, dw, b.right};
    const int dhs[3] = {b.top, dh, b.bottom};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            add(out, {sx[col], sy[row], sws[col], shs[row]}, {dx[col], dy[row], dws[col], dhs[row]});
    return out;
}

int Halve(int n) {
    const int q = n >= 0 ? n / 2 : -((-n) / 2);  // toward zero
    if (n % 2 == 0) return q;
    // An exact half: of the two neighbours q and q +- 1, the even one.
    const int other = n > 0 ? q + 1 : q - 1;
    return q % 2 == 0 ? q : other;
}

int FilledLength(int length, int pos, int min, int max) {
    if (length <= 0 || max <= min || pos <= min) return 0;
    if (pos >= max) return length;
    const int64_t num = static_cast<int64_t>(length) * (pos - min), den = max - min;
    int64_t q = num / den;
    const int64_t twiceRest = 2 * (num % den);
    if (twiceRest > den || (twiceRest == den && q % 2 != 0)) ++q;
    return static_cast<int>(q);
}

bool InDropButton(int x, int y, int width, int height, int scrollWidth) {
    return x >= width - scrollWidth - 2 && x <= width - 2 && y >= 2 && y <= height - 2;
}

int ItemAt(const std::vector<Span>& items, int x) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].left <= x && x <= items[i].right) return static_cast<int>(i);
    return -1;
}

int ScaleForDpi(int dpi) { return std::max(1, (dpi + 48) / 96); }

}  // namespace qm::skin

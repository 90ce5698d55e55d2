#pragma once
// The arithmetic of the skin's painting, free of the platform: the pieces of
// a nine-grid copy, halving with exact halves to the even neighbour, the
// filled part of a progress bar, the combo box's drop-button zone, which
// header item lies under the mouse, and where each picture lies in the skin's
// images at a given scale.
#include <vector>

namespace qm::skin {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect&) const = default;
    bool Empty() const { return w <= 0 || h <= 0; }
};

struct Borders {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// One piece of a nine-grid copy: the source rectangle and where it lands.
struct GridPiece {
    Rect from, to;
    bool operator==(const GridPiece&) const = default;
};

// The pieces that fill a result of `width` × `height` from `source`: the
// corners 1:1, the edges stretched along their length, the centre both ways;
// with no borders, the whole source stretched. Borders that leave no room
// shrink in proportion, so that every pixel of the result is written once;
// empty pieces are left out. Nothing at all for an empty result or source.
std::vector<GridPiece> NineGridPieces(int width, int height, Rect source, Borders borders);

// n / 2 rounded to the nearest integer, an exact half to the even neighbour.
int Halve(int n);

// The filled length of a bar of `length` for `pos` in [min, max], rounded as
// Halve rounds; 0 for an empty range, the whole length past the end.
int FilledLength(int length, int pos, int min, int max);

// Whether (x, y) lies on an editable combo box's drop button: x from
// width - scrollWidth - 2 to width - 2, y from 2 to height - 2.
bool InDropButton(int x, int y, int width, int height, int scrollWidth);

// The index of the first item whose left <= x <= right, or -1.
struct Span {
    int left, right;
};
int ItemAt(const std::vector<Span>& items, int x);

// Where the pictures lie in the five skin images built at `scale` (1 at 96
// DPI, 2 at 192): every position and size of the base layout times the scale.
struct SkinLayout {
    int scale = 1;

    int Px(int v) const { return v * scale; }
    // ButtonStrip: four 7 × 21 slices top to bottom (state 0 normal, 1 hot, 2 pressed, 3 disabled).
    Rect ButtonSlice(int state) const { return {0, Px(21 * state), Px(7), Px(21)}; }
    int ButtonBorder() const { return Px(3); }
    // ComboGlyphs: the drop button's hot and pressed backgrounds, the arrows.
    Rect ComboBack(bool pressed) const { return {Px(pressed ? 4 : 0), 0, Px(4), Px(18)}; }
    Borders ComboBackBorders() const { return {Px(2), Px(1), Px(1), Px(1)}; }
    Rect ComboArrow(bool enabled) const { return {Px(8), Px(enabled ? 0 : 4), Px(7), Px(4)}; }
    // CheckMarks: the check mark, the square of a grey check box, the option dot.
    Rect CheckMark(bool enabled) const { return {Px(enabled ? 0 : 9), 0, Px(9), Px(8)}; }
    Rect CheckSquare(bool enabled) const { return {Px(enabled ? 1 : 10), Px(9), Px(7), Px(7)}; }
    Rect OptionDot(bool enabled) const { return {Px(enabled ? 2 : 11), Px(18), Px(5), Px(5)}; }
    // OptionCircles: four 13 × 13 circles top to bottom, in the states' order.
    Rect OptionCircle(int state) const { return {0, Px(13 * state), Px(13), Px(13)}; }
    int OptionBorder() const { return Px(5); }
    // The bands inside the hot and pressed circles that fill a check box.
    Rect CheckFill(bool pressed) const { return {Px(1), Px(pressed ? 30 : 17), Px(11), Px(5)}; }
    // HeaderStrip: three 3 × 20 slices left to right (normal, hot, pressed).
    Rect HeaderSlice(int state) const { return {Px(3 * state), 0, Px(3), Px(20)}; }
    Rect HeaderFill() const { return {Px(1), 0, Px(1), Px(20)}; }
    int HeaderBorder() const { return Px(1); }
};

// The images' scale for a screen of `dpi`: whole multiples of the 96-DPI
// pictures, the nearest one, at least 1.
int ScaleForDpi(int dpi);

}  // namespace qm::skin

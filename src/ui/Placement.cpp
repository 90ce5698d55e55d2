#include "ui/Placement.h"

#include <algorithm>

namespace qm::ui {

namespace {

// One axis: the window's start and length on a work area from `lo` to `hi`.
void fitAxis(int lo, int hi, int& start, int& length, bool resizable, int minLength) {
    if (resizable && length > hi - lo) length = std::max(hi - lo, minLength);
    // A window longer than the work area starts where the work area does:
    // its caption and its left edge are where the user can reach them.
    start = std::max(lo, std::min(start, hi - length));
}

}  // namespace

ScreenRect CentredOn(const ScreenRect& area, int width, int height) {
    const int left = area.left + (area.Width() - width) / 2;
    const int top = area.top + (area.Height() - height) / 2;
    return {left, top, left + width, top + height};
}

ScreenRect FitIntoWorkArea(const ScreenRect& work, const ScreenRect& wanted, bool resizable, int minWidth,
                           int minHeight) {
    int left = wanted.left, width = wanted.Width();
    int top = wanted.top, height = wanted.Height();
    fitAxis(work.left, work.right, left, width, resizable, minWidth);
    fitAxis(work.top, work.bottom, top, height, resizable, minHeight);
    return {left, top, left + width, top + height};
}

}  // namespace qm::ui

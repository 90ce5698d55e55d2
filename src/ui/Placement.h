#pragma once
// Where a form's window goes on the screen: a rule on rectangles in pixels,
// kept apart from the window system so that every case can be tried natively.
namespace qm::ui {

// A rectangle in screen pixels; right and bottom lie just outside it.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

// A window of `width` by `height` centred on `area` (it may stick out on
// every side when it is the larger).
ScreenRect CentredOn(const ScreenRect& area, int width, int height);

// The rectangle a window wanting `wanted` gets on a monitor whose work area
// (the screen less the taskbar) is `work`. A resizable window larger than the
// work area is shrunk to it, never below `minWidth` by `minHeight`; then the
// window is moved the least that puts it wholly inside the work area. What is
// still larger than the work area keeps its top-left corner, caption and
// system menu in it, so that the user can still move and close the window.
ScreenRect FitIntoWorkArea(const ScreenRect& work, const ScreenRect& wanted, bool resizable, int minWidth = 0,
                           int minHeight = 0);

}  // namespace qm::ui

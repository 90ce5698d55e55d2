#pragma once
// The five pictures the skin draws from, every pixel computed here from the
// skin's own colour values: button faces, the combo box's drop-button
// backgrounds and arrows, check marks, option circles and header slices.
// Built at a whole-number scale of the 96-DPI layout (see SkinLayout).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/Colours.h"
#include "skin/Geometry.h"

namespace qm::skin {

struct Pixmap {
    int width = 0, height = 0;
    std::vector<Colour> pixels;  // rows top to bottom

    Pixmap() = default;
    Pixmap(int w, int h, Colour fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Colour At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    void Set(int x, int y, Colour c) { pixels[static_cast<size_t>(y) * width + x] = c; }
};

// `a` blended toward `b` by t (0 gives a, 1 gives b), each channel rounded.
Colour Mix(Colour a, Colour b, double t);

Pixmap MakeButtonStrip(int scale);    // 7 × 84
Pixmap MakeComboGlyphs(int scale);    // 15 × 18
Pixmap MakeCheckMarks(int scale);     // 18 × 24
Pixmap MakeOptionCircles(int scale);  // 13 × 52
Pixmap MakeHeaderStrip(int scale);    // 9 × 20

}  // namespace qm::skin

#include "skin/Images.h"

#include <algorithm>
#include <cmath>

namespace qm::skin {

Colour Mix(Colour a, Colour b, double t) {
    const auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return Rgb(channel(RedOf(a), RedOf(b)), channel(GreenOf(a), GreenOf(b)), channel(BlueOf(a), BlueOf(b)));
}

namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);

// Where fine row `y` lies between base rows `first` and `last` at `scale`:
// 0 on the first fine row, 1 on the last.
double along(int y, int first, int last, int scale) {
    const int top = first * scale, bottom = (last + 1) * scale - 1;
    if (bottom <= top) return 0;
    return std::clamp(static_cast<double>(y - top) / (bottom - top), 0.0, 1.0);
}

// Every pixel of an image of the base size at `scale`, from a function of
// the base column and row and the fine row.
template <class F>
Pixmap draw(int baseWidth, int baseHeight, int scale, F colourAt) {
    Pixmap p(baseWidth * scale, baseHeight * scale, kKey);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) p.Set(x, y, colourAt(x / scale, y / scale, y));
    return p;
}

struct ButtonLook {
    Colour border;
    bool frame;  // a bright frame inside the border
    Colour top, bottom;
};

constexpr ButtonLook kButtonLooks[4] = {
    {kButtonBorder, false, kWhite, Rgb(177, 208, 234)},                         // normal
    {kButtonBorder, true, Rgb(210, 238, 252), Rgb(153, 210, 243)},              // hot
    {kButtonBorder, true, Rgb(134, 204, 243), Rgb(214, 239, 252)},              // pressed
    {kButtonBorderDisabled, false, Rgb(248, 251, 253), Rgb(210, 227, 243)},     // disabled
};

// The check mark, 9 × 8.
constexpr const char* kCheckMark[8] = {
    "........#",
    ".......##",
    "......###",
    "#....###.",
    "##..###..",
    "######...",
    ".####....",
    "..##.....",
};

// The option dot, 5 × 5.
constexpr const char* kDot[5] = {".###.", "#####", "#####", "#####", ".###."};

}  // namespace

Pixmap MakeButtonStrip(int scale) {
    return draw(7, 84, scale, [scale](int u, int v, int y) {
        const int state = v / 21, row = v % 21;
        const ButtonLook& look = kButtonLooks[state];
        const bool edgeX = u == 0 || u == 6, edgeY = row == 0 || row == 20;
        if (edgeX && edgeY) return Mix(look.border, kWhite, 0.65);  // the corner: lightest
        // The two pixels beside a corner shade into the border.
        if ((edgeY && (u == 1 || u == 5)) || (edgeX && (row == 1 || row == 19))) return Mix(look.border, kWhite, 0.3);
        if (edgeX || edgeY) return look.border;
        if (look.frame) {
            if (u == 1 || u == 5 || row == 1 || row == 19) return kButtonHotFrame;
            return Mix(look.top, look.bottom, along(y, 21 * state + 2, 21 * state + 18, scale));
        }
        return Mix(look.top, look.bottom, along(y, 21 * state + 1, 21 * state + 19, scale));
    });
}

Pixmap MakeComboGlyphs(int scale) {
    const Colour light = Rgb(232, 249, 255), deep = Rgb(186, 226, 247);
    return draw(15, 18, scale, [&](int u, int v, int y) {
        if (u == 0 || u == 4) return kComboButtonBorder;
        if (u < 4) return Mix(light, deep, along(y, 0, 17, scale));  // hot: light at the top
        if (u < 8) return Mix(deep, light, along(y, 0, 17, scale));  // pressed: the reverse
        // The arrows: 7, 5, 3 and 1 pixels wide, the enabled one above the disabled one.
        if (v < 8) {
            const int row = v % 4, col = u - 8;
            if (col >= row && col <= 6 - row) return v < 4 ? kComboArrow : kComboArrowDisabled;
        }
        return kKey;
    });
}

Pixmap MakeCheckMarks(int scale) {
    return draw(18, 24, scale, [scale](int u, int v, int y) {
        const bool enabled = u < 9;
        const int col = enabled ? u : u - 9;
        const Colour top = enabled ? kMarkTop : kMarkTopDisabled;
        const Colour bottom = enabled ? kMarkBottom : kMarkBottomDisabled;
        if (v < 8 && kCheckMark[v][col] == '#') return Mix(top, bottom, along(y, 0, 7, scale));
        if (v >= 9 && v < 16 && col >= 1 && col < 8) return Mix(top, bottom, along(y, 9, 15, scale));
        if (v >= 18 && v < 23 && col >= 2 && col < 7 && kDot[v - 18][col - 2] == '#')
            return Mix(top, bottom, along(y, 18, 22, scale));
        return kKey;
    });
}

Pixmap MakeOptionCircles(int scale) {
    struct Look {
        Colour ring;
        bool ringShades;  // darkest at the top, lighter toward the bottom
        Colour top, bottom;
    };
    const Look looks[4] = {
        {Rgb(131, 166, 210), true, kWhite, kWhite},
        {Rgb(131, 166, 210), true, Rgb(195, 234, 248), Rgb(224, 245, 253)},
        {Rgb(100, 137, 193), true, Rgb(173, 225, 245), Rgb(213, 241, 253)},
        {Rgb(193, 210, 232), false, kWhite, kWhite},
    };
    Pixmap p(13 * scale, 52 * scale, kKey);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int state = y / (13 * scale);
            const Look& look = looks[state];
            // The pixel's centre in base units, from the circle's centre.
            const double dx = (x + 0.5) / scale - 6.5, dy = (y + 0.5) / scale - 13.0 * state - 6.5;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > 6.5) continue;
            if (d >= 5.5) {
                const double t = look.ringShades ? std::clamp((dy + 6) / 12.0, 0.0, 1.0) : 0;
                p.Set(x, y, Mix(look.ring, Mix(look.ring, kWhite, 0.45), t));
            } else {
                p.Set(x, y, Mix(look.top, look.bottom, std::clamp((dy + 5.5) / 11.0, 0.0, 1.0)));
            }
        }
    return p;
}

Pixmap MakeHeaderStrip(int scale) {
    const Colour divider = Rgb(192, 218, 242);
    return draw(9, 20, scale, [&](int u, int v, int y) {
        const int slice = u / 3, col = u % 3;
        const double t = along(y, 0, 18, scale);
        switch (slice) {
            case 0:  // normal: a soft gradient, a line along the bottom and between items
                if (v == 19 || (col == 2 && v >= 2 && v <= 17)) return divider;
                return Mix(Rgb(234, 245, 254), Rgb(211, 229, 246), t);
            case 1:  // hot: blue sides and bottom, a light centre
                if (col != 1 || v == 19) return kHeaderHotSide;
                return Mix(Rgb(227, 244, 254), Rgb(201, 232, 251), t);
            default:  // pressed: blue, the centre lighter
                if (col != 1 || v == 19) return Mix(kHeaderPressedSideTop, kHeaderPressedSideBottom, t);
                return Mix(Rgb(200, 235, 253), Rgb(216, 241, 254), t);
        }
    });
}

}  // namespace qm::skin

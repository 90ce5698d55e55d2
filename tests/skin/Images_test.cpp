#include "skin/Images.h"

#include <gtest/gtest.h>

#include "skin/Kinds.h"

using namespace qm::skin;

namespace {

bool inside(const Rect& r, int x, int y) { return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h; }

}  // namespace

TEST(SkinImages, SizesFollowTheLayoutAtEveryScale) {
    for (int s : {1, 2, 3}) {
        const struct {
            Pixmap image;
            int w, h;
        } cases[] = {{MakeButtonStrip(s), 7, 84},
                     {MakeComboGlyphs(s), 15, 18},
                     {MakeCheckMarks(s), 18, 24},
                     {MakeOptionCircles(s), 13, 52},
                     {MakeHeaderStrip(s), 9, 20}};
        for (const auto& c : cases) {
            EXPECT_EQ(c.image.width, c.w * s);
            EXPECT_EQ(c.image.height, c.h * s);
            EXPECT_EQ(c.image.pixels.size(), static_cast<size_t>(c.w * c.h * s * s));
        }
    }
}

TEST(SkinImages, ButtonSlicesHaveTheirBordersFramesAndGradients) {
    const Pixmap p = MakeButtonStrip(1);
    const SkinLayout at{1};
    for (int state = 0; state < 4; ++state) {
        const Rect r = at.ButtonSlice(state);
        const Colour border = state == 3 ? kButtonBorderDisabled : kButtonBorder;
        EXPECT_EQ(p.At(3, r.y), border) << state;
        EXPECT_EQ(p.At(0, r.y + 10), border) << state;
        EXPECT_EQ(p.At(3, r.y + 20), border) << state;
        // Softened corners: the corner lightest, its neighbours between it and the border.
        const Colour corner = p.At(0, r.y), beside = p.At(1, r.y);
        EXPECT_GT(GreenOf(corner), GreenOf(beside)) << state;
        EXPECT_GT(GreenOf(beside), GreenOf(border)) << state;
        EXPECT_EQ(beside, p.At(0, r.y + 1));
        EXPECT_EQ(corner, p.At(6, r.y + 20));
    }
    EXPECT_EQ(p.At(3, 1), Rgb(255, 255, 255));  // normal: white at the top
    EXPECT_EQ(p.At(3, 19), Rgb(177, 208, 234));
    EXPECT_EQ(p.At(1, 21 + 10), kButtonHotFrame);  // hot: the bright frame inside the border
    EXPECT_EQ(p.At(3, 21 + 1), kButtonHotFrame);
    EXPECT_EQ(p.At(3, 21 + 2), Rgb(210, 238, 252));
    EXPECT_EQ(p.At(3, 21 + 18), Rgb(153, 210, 243));
    EXPECT_EQ(p.At(3, 42 + 2), Rgb(134, 204, 243));  // pressed: the other way round
    EXPECT_EQ(p.At(3, 42 + 18), Rgb(214, 239, 252));
    EXPECT_EQ(p.At(3, 63 + 1), Rgb(248, 251, 253));  // disabled
    EXPECT_EQ(p.At(3, 63 + 19), Rgb(210, 227, 243));
    // The gradients run one way only.
    for (int y = 2; y < 19; ++y) EXPECT_LE(GreenOf(p.At(3, y + 1)), GreenOf(p.At(3, y))) << y;
}

TEST(SkinImages, ComboArrowsNarrowRowByRowOverTheKeyColour) {
    const Pixmap p = MakeComboGlyphs(1);
    const SkinLayout at{1};
    for (bool enabled : {true, false}) {
        const Rect a = at.ComboArrow(enabled);
        const Colour ink = enabled ? kComboArrow : kComboArrowDisabled;
        for (int row = 0; row < 4; ++row) {
            int width = 0;
            for (int x = a.x; x < a.x + a.w; ++x) {
                const Colour c = p.At(x, a.y + row);
                EXPECT_TRUE(c == ink || c == kKey);
                width += c == ink;
            }
            EXPECT_EQ(width, 7 - 2 * row);
            EXPECT_EQ(p.At(a.x + 3, a.y + row), ink) << "centred";
        }
    }
    for (int y = 8; y < 18; ++y) EXPECT_EQ(p.At(11, y), kKey);
    for (int y = 0; y < 18; ++y) {
        EXPECT_EQ(p.At(0, y), kComboButtonBorder);
        EXPECT_EQ(p.At(4, y), kComboButtonBorder);
    }
    EXPECT_EQ(p.At(2, 0), Rgb(232, 249, 255));  // hot: light at the top
    EXPECT_EQ(p.At(6, 17), Rgb(232, 249, 255));  // pressed: light at the bottom
}

TEST(SkinImages, MarksAreGreenInsideTheirPlacesAndKeyEverywhereElse) {
    const Pixmap p = MakeCheckMarks(1);
    const SkinLayout at{1};
    const Rect places[] = {at.CheckMark(true), at.CheckMark(false), at.CheckSquare(true), at.CheckSquare(false),
                           at.OptionDot(true), at.OptionDot(false)};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            bool placed = false;
            for (const Rect& r : places) placed |= inside(r, x, y);
            if (!placed) {
                EXPECT_EQ(p.At(x, y), kKey) << x << "," << y;
            }
        }
    // The square is filled: its top row the top colour, its bottom row the bottom one.
    for (int x = 1; x < 8; ++x) {
        EXPECT_EQ(p.At(x, 9), kMarkTop);
        EXPECT_EQ(p.At(x, 15), kMarkBottom);
        EXPECT_EQ(p.At(x + 9, 9), kMarkTopDisabled);
        EXPECT_EQ(p.At(x + 9, 15), kMarkBottomDisabled);
    }
    EXPECT_EQ(p.At(8, 0), kMarkTop);  // the tip of the check mark
    EXPECT_EQ(p.At(2, 7), kMarkBottom);
    EXPECT_EQ(p.At(0, 0), kKey);
    EXPECT_NE(p.At(4, 20), kKey);  // the middle of the dot
    EXPECT_EQ(p.At(2, 18), kKey);  // its rounded corners
}

TEST(SkinImages, OptionCirclesAreRoundWithTheirRingsAndInsides) {
    const Pixmap p = MakeOptionCircles(1);
    const SkinLayout at{1};
    for (int state = 0; state < 4; ++state) {
        const Rect c = at.OptionCircle(state);
        EXPECT_EQ(p.At(c.x, c.y), kKey);
        EXPECT_EQ(p.At(c.x + 12, c.y + 12), kKey);
        EXPECT_NE(p.At(c.x + 6, c.y), kKey);  // the ring's top
        EXPECT_NE(p.At(c.x, c.y + 6), kKey);
    }
    EXPECT_EQ(p.At(6, 0), Rgb(131, 166, 210)) << "the normal ring is darkest at the top";
    EXPECT_EQ(p.At(6, 6), Rgb(255, 255, 255));
    EXPECT_EQ(p.At(6, 39 + 6), Rgb(255, 255, 255));  // disabled: white inside
    EXPECT_EQ(p.At(6, 39), Rgb(193, 210, 232));
    // The bands a check box is filled from lie wholly inside the hot and
    // pressed circles: light blue (the rings are darker), never the key.
    for (bool pressed : {false, true}) {
        const Rect band = at.CheckFill(pressed);
        for (int y = band.y; y < band.y + band.h; ++y)
            for (int x = band.x; x < band.x + band.w; ++x) {
                EXPECT_NE(p.At(x, y), kKey) << x << "," << y;
                EXPECT_GE(GreenOf(p.At(x, y)), 225) << x << "," << y;
            }
    }
}

TEST(SkinImages, HeaderSlicesNormalHotAndPressed) {
    const Pixmap p = MakeHeaderStrip(1);
    EXPECT_EQ(p.At(1, 0), Rgb(234, 245, 254));
    EXPECT_EQ(p.At(1, 18), Rgb(211, 229, 246));
    EXPECT_EQ(p.At(1, 19), Rgb(192, 218, 242));
    EXPECT_EQ(p.At(3, 10), kHeaderHotSide);
    EXPECT_EQ(p.At(5, 10), kHeaderHotSide);
    EXPECT_GT(GreenOf(p.At(4, 10)), GreenOf(kHeaderHotSide)) << "a light centre";
    EXPECT_EQ(p.At(6, 0), kHeaderPressedSideTop);
    EXPECT_EQ(p.At(8, 18), kHeaderPressedSideBottom);
    EXPECT_GT(GreenOf(p.At(7, 10)), GreenOf(p.At(6, 10)));
}

TEST(SkinImages, ALargerScaleDrawsTheSamePicturesBigger) {
    // Every fine pixel is transparent exactly where its base pixel is.
    for (auto make : {&MakeComboGlyphs, &MakeCheckMarks}) {
        const Pixmap one = make(1), two = make(2);
        for (int y = 0; y < two.height; ++y)
            for (int x = 0; x < two.width; ++x)
                ASSERT_EQ(two.At(x, y) == kKey, one.At(x / 2, y / 2) == kKey) << x << "," << y;
    }
    const Pixmap circles = MakeOptionCircles(2);
    EXPECT_EQ(circles.At(0, 0), kKey);
    EXPECT_NE(circles.At(13, 0), kKey);
    EXPECT_EQ(circles.At(13, 13), Rgb(255, 255, 255));
    const Pixmap strip = MakeButtonStrip(2);
    EXPECT_EQ(strip.At(6, 0), kButtonBorder);
    EXPECT_EQ(strip.At(6, 1), kButtonBorder) << "a border two pixels thick";
    EXPECT_EQ(strip.At(6, 2), Rgb(255, 255, 255));
}

TEST(SkinKinds, ChosenByClassNameAndForButtonsByStyle) {
    EXPECT_EQ(KindOf("Button", 0x0, false), Kind::PushButton);
    EXPECT_EQ(KindOf("BUTTON", 0x1, false), Kind::PushButton);
    EXPECT_EQ(KindOf("Button", 0x10000 | 0x3, false), Kind::CheckBox);
    EXPECT_EQ(KindOf("Button", 0x2, false), Kind::CheckBox);
    EXPECT_EQ(KindOf("Button", 0x5, false), Kind::CheckBox);
    EXPECT_EQ(KindOf("Button", 0x6, false), Kind::CheckBox);
    EXPECT_EQ(KindOf("Button", 0x4, false), Kind::OptionButton);
    EXPECT_EQ(KindOf("Button", 0x9, false), Kind::OptionButton) << "an auto option button has neither bit 2 nor 4";
    EXPECT_EQ(KindOf("Button", 0x7, false), Kind::Other);  // group box
    EXPECT_EQ(KindOf("Button", 0xB, false), Kind::Other);  // already owner-drawn
    EXPECT_EQ(KindOf("Button", 0x1000 | 0x3, false), Kind::Other);  // a check box that looks like a push button
    EXPECT_EQ(KindOf("ComboBox", 0, false), Kind::ComboBox);
    EXPECT_EQ(KindOf("ComboLBox", 0, true), Kind::ComboList);
    EXPECT_EQ(KindOf("SysHeader32", 0, false), Kind::ListHeader);
    EXPECT_EQ(KindOf("msctls_progress32", 0, false), Kind::ProgressBar);
    EXPECT_EQ(KindOf("ThunderRT6CheckBox", 0, false), Kind::CheckBox);
    EXPECT_EQ(KindOf("ApexGridOleDB32", 0, false), Kind::Grid);
    EXPECT_EQ(KindOf("#32770", 0, false), Kind::Form) << "a dialog inside a dialog";
    EXPECT_EQ(KindOf("QuillmereForm", 0, true), Kind::Form);
    EXPECT_EQ(KindOf("QuillmerePanel", 0, false), Kind::Other);
    EXPECT_EQ(KindOf("Edit", 0, false), Kind::Other);
    EXPECT_EQ(KindOf("SysListView32", 0, false), Kind::Other);
    EXPECT_EQ(KindOf("#32768", 0, true), Kind::Other) << "a pop-up menu is no form";
    EXPECT_EQ(KindOf("tooltips_class32", 0, true), Kind::Other);
}

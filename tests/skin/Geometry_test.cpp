#include "skin/Geometry.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qm::skin;

namespace {

// How often each pixel of a width × height result is written by the pieces.
std::vector<int> coverage(const std::vector<GridPiece>& pieces, int width, int height) {
    std::vector<int> hits(static_cast<size_t>(width) * height, 0);
    for (const GridPiece& p : pieces)
        for (int y = p.to.y; y < p.to.y + p.to.h; ++y)
            for (int x = p.to.x; x < p.to.x + p.to.w; ++x)
                if (x >= 0 && y >= 0 && x < width && y < height) ++hits[static_cast<size_t>(y) * width + x];
    return hits;
}

}  // namespace

TEST(SkinNineGrid, CornersStayWholeEdgesStretchAlongTheirLengthCentreBothWays) {
    const Rect slice{0, 21, 7, 21};
    const auto pieces = NineGridPieces(80, 26, slice, {3, 3, 3, 3});
    ASSERT_EQ(pieces.size(), 9u);
    // Row by row, left to right.
    EXPECT_EQ(pieces[0], (GridPiece{{0, 21, 3, 3}, {0, 0, 3, 3}}));
    EXPECT_EQ(pieces[1], (GridPiece{{3, 21, 1, 3}, {3, 0, 74, 3}}));
    EXPECT_EQ(pieces[2], (GridPiece{{4, 21, 3, 3}, {77, 0, 3, 3}}));
    EXPECT_EQ(pieces[3], (GridPiece{{0, 24, 3, 15}, {0, 3, 3, 20}}));
    EXPECT_EQ(pieces[4], (GridPiece{{3, 24, 1, 15}, {3, 3, 74, 20}}));
    EXPECT_EQ(pieces[5], (GridPiece{{4, 24, 3, 15}, {77, 3, 3, 20}}));
    EXPECT_EQ(pieces[6], (GridPiece{{0, 39, 3, 3}, {0, 23, 3, 3}}));
    EXPECT_EQ(pieces[8], (GridPiece{{4, 39, 3, 3}, {77, 23, 3, 3}}));
}

TEST(SkinNineGrid, EveryPixelOfTheResultIsWrittenExactlyOnceWhateverTheSize) {
    const Rect source{4, 0, 4, 18};
    for (const Borders b : {Borders{2, 1, 1, 1}, Borders{3, 3, 3, 3}, Borders{5, 5, 5, 5}, Borders{0, 0, 0, 0}})
        for (int w : {1, 2, 3, 4, 7, 13, 40})
            for (int h : {1, 2, 5, 18, 31}) {
                const auto pieces = NineGridPieces(w, h, source, b);
                for (int hits : coverage(pieces, w, h))
                    ASSERT_EQ(hits, 1) << w << "x" << h << " borders " << b.left << "," << b.top;
                for (const GridPiece& p : pieces) {
                    // Nothing is read from outside the source rectangle.
                    EXPECT_GE(p.from.x, source.x);
                    EXPECT_GE(p.from.y, source.y);
                    EXPECT_LE(p.from.x + p.from.w, source.x + source.w);
                    EXPECT_LE(p.from.y + p.from.h, source.y + source.h);
                }
            }
}

TEST(SkinNineGrid, NoBordersStretchTheWholeSourceAndEmptyRectanglesDrawNothing) {
    EXPECT_EQ(NineGridPieces(30, 20, {1, 0, 1, 20}, {}), (std::vector<GridPiece>{{{1, 0, 1, 20}, {0, 0, 30, 20}}}));
    EXPECT_TRUE(NineGridPieces(0, 20, {0, 0, 3, 20}, {1, 1, 1, 1}).empty());
    EXPECT_TRUE(NineGridPieces(20, 0, {0, 0, 3, 20}, {1, 1, 1, 1}).empty());
    EXPECT_TRUE(NineGridPieces(20, 20, {0, 0, 0, 20}, {1, 1, 1, 1}).empty());
    EXPECT_TRUE(NineGridPieces(20, 20, {0, 0, 3, 0}, {1, 1, 1, 1}).empty());
}

TEST(SkinNineGrid, BordersWiderThanTheResultShrinkInProportion) {
    // A 4-pixel-wide result from borders of 5 and 5: two columns each, no centre.
    const auto pieces = NineGridPieces(4, 13, {0, 0, 13, 13}, {5, 5, 5, 5});
    for (const GridPiece& p : pieces) {
        EXPECT_GT(p.to.w, 0);
        EXPECT_GT(p.to.h, 0);
    }
    EXPECT_EQ(pieces.front().to, (Rect{0, 0, 2, 5}));
    EXPECT_EQ(pieces.front().from, (Rect{0, 0, 2, 5}));
}

TEST(SkinGeometry, HalvesGoToTheEvenNeighbour) {
    const std::pair<int, int> cases[] = {{0, 0},  {1, 0},  {2, 1},  {3, 2},   {4, 2},   {5, 2},  {7, 4},
                                         {11, 6}, {10, 5}, {-1, 0}, {-3, -2}, {-5, -2}, {-6, -3}};
    for (auto [n, half] : cases) EXPECT_EQ(Halve(n), half) << n;
}

TEST(SkinGeometry, ProgressFillFollowsTheRangeAndRoundsHalvesToEven) {
    EXPECT_EQ(FilledLength(200, 15000, 0, 30000), 100);
    EXPECT_EQ(FilledLength(200, 50, 0, 100), 100);  // the range is the bar's own, not a fixed 30000
    EXPECT_EQ(FilledLength(200, 75, 50, 100), 100);
    EXPECT_EQ(FilledLength(5, 1, 0, 2), 2);  // 2.5
    EXPECT_EQ(FilledLength(7, 1, 0, 2), 4);  // 3.5
    EXPECT_EQ(FilledLength(10, 1, 0, 3), 3);  // 3.33
    EXPECT_EQ(FilledLength(10, 2, 0, 3), 7);  // 6.67
    EXPECT_EQ(FilledLength(200, -5, 0, 100), 0);
    EXPECT_EQ(FilledLength(200, 500, 0, 100), 200);
    EXPECT_EQ(FilledLength(200, 5, 10, 10), 0);  // an empty range
    EXPECT_EQ(FilledLength(100000, 29999, 0, 30000), 99997);  // no overflow on long bars
}

TEST(SkinGeometry, TheDropButtonZoneAndTheHeaderItemUnderThePointer) {
    // A combo box 120 × 22 with 17-pixel scroll bars: x 101 to 118, y 2 to 20.
    EXPECT_TRUE(InDropButton(101, 2, 120, 22, 17));
    EXPECT_TRUE(InDropButton(118, 20, 120, 22, 17));
    EXPECT_FALSE(InDropButton(100, 10, 120, 22, 17));
    EXPECT_FALSE(InDropButton(119, 10, 120, 22, 17));
    EXPECT_FALSE(InDropButton(110, 1, 120, 22, 17));
    EXPECT_FALSE(InDropButton(110, 21, 120, 22, 17));

    const std::vector<Span> items{{0, 96}, {96, 192}, {192, 250}};
    EXPECT_EQ(ItemAt(items, 0), 0);
    EXPECT_EQ(ItemAt(items, 96), 0);  // a shared edge belongs to the first
    EXPECT_EQ(ItemAt(items, 97), 1);
    EXPECT_EQ(ItemAt(items, 250), 2);
    EXPECT_EQ(ItemAt(items, 251), -1);
    EXPECT_EQ(ItemAt(items, -1), -1);
    EXPECT_EQ(ItemAt({}, 5), -1);
}

TEST(SkinGeometry, ImagesScaleInWholeStepsWithTheScreen) {
    EXPECT_EQ(ScaleForDpi(96), 1);
    EXPECT_EQ(ScaleForDpi(120), 1);
    EXPECT_EQ(ScaleForDpi(144), 2);
    EXPECT_EQ(ScaleForDpi(192), 2);
    EXPECT_EQ(ScaleForDpi(288), 3);
    EXPECT_EQ(ScaleForDpi(0), 1);

    const SkinLayout one{1}, two{2};
    EXPECT_EQ(one.ButtonSlice(2), (Rect{0, 42, 7, 21}));
    EXPECT_EQ(two.ButtonSlice(2), (Rect{0, 84, 14, 42}));
    EXPECT_EQ(one.ComboArrow(false), (Rect{8, 4, 7, 4}));
    EXPECT_EQ(two.ComboArrow(false), (Rect{16, 8, 14, 8}));
    EXPECT_EQ(one.CheckSquare(false), (Rect{10, 9, 7, 7}));
    EXPECT_EQ(one.OptionDot(true), (Rect{2, 18, 5, 5}));
    EXPECT_EQ(one.CheckFill(true), (Rect{1, 30, 11, 5}));
    EXPECT_EQ(two.HeaderSlice(1), (Rect{6, 0, 6, 40}));
    EXPECT_EQ(two.ComboBackBorders().left, 4);
}

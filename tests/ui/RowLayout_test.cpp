// A row of buttons across the room its window gives it: the last one stays
// whole, none runs into the next, and at the designed size nothing moves.
#include "ui/RowLayout.h"

#include <gtest/gtest.h>

#include <vector>

using qm::ui::FitRow;
using qm::ui::LeastRoom;
using qm::ui::RowDesign;
using qm::ui::RowSpan;

namespace {
// The main window's row: ten buttons of 1090 twips, 90 apart.
const RowDesign kMainRow{10, 1090, 90, 840, 30};
}  // namespace

TEST(RowLayout, TheRowFitsItsRoomGivingGapsBeforeButtons) {
    struct Row {
        const char* what;
        int room;
        int width, gap;  // what every button gets
    };
    const Row rows[] = {
        {"exactly as designed", 11710, 1090, 90},
        {"the main window's own room", 11760, 1090, 90},
        {"wider: kept as designed", 20000, 1090, 90},
        {"a little narrower: only the gaps give", 11260, 1090, 40},
        {"gaps at their least, buttons still whole", 11170, 1090, 30},
        {"much narrower: the buttons narrow too", 9000, 873, 30},
        {"at the least room", LeastRoom(kMainRow), 840, 30},
        {"narrower than the least: never below it", 5000, 840, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<RowSpan> spans = FitRow(kMainRow, 120, row.room);
        ASSERT_EQ(spans.size(), 10u);
        for (size_t i = 0; i < spans.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(spans[i], (RowSpan{120 + static_cast<int>(i) * (row.width + row.gap), row.width}));
        }
        if (row.room >= LeastRoom(kMainRow)) {
            EXPECT_LE(spans.back().left + spans.back().width, 120 + row.room) << "the last button is cut off";
        }
    }
}

TEST(RowLayout, ALoneButtonHasNoGapToGive) {
    const RowDesign one{1, 1200, 90, 800, 30};
    EXPECT_EQ(LeastRoom(one), 800);
    EXPECT_EQ(FitRow(one, 60, 1000), (std::vector<RowSpan>{{60, 1000}}));
    EXPECT_EQ(FitRow(one, 60, 5000), (std::vector<RowSpan>{{60, 1200}}));
}

#pragma once
// A row of equal buttons laid out across the room a window gives it: the
// arithmetic apart from the window system, so that it can be tried natively.
#include <vector>

namespace qm::ui {

// One button's place in its row, in twips.
struct RowSpan {
    int left = 0, width = 0;
    bool operator==(const RowSpan&) const = default;
};

// How a row looks as designed and how far it may give.
struct RowDesign {
    int count = 0;       // buttons in the row
    int width = 0;       // each button's width as designed
    int gap = 0;         // between two buttons as designed
    int leastWidth = 0;  // the least a button's caption needs
    int leastGap = 0;    // the least that keeps two buttons apart
};

// The row from `left`, fitted into `room` twips: as designed where there is
// room enough (a wider window does not spread it out); narrower, the gaps
// shrink first, then the buttons, never below their least. A room smaller
// than even that leaves the row at its least, running past the room.
std::vector<RowSpan> FitRow(const RowDesign& row, int left, int room);

// The least room the row can be given with every button whole.
int LeastRoom(const RowDesign& row);

}  // namespace qm::ui

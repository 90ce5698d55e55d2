#include "ui/RowLayout.h"

#include <algorithm>

namespace qm::ui {

namespace {
int gaps(const RowDesign& row) { return std::max(row.count - 1, 0); }
}  // namespace

int LeastRoom(const RowDesign& row) { return row.count * row.leastWidth + gaps(row) * row.leastGap; }

std::vector<RowSpan> FitRow(const RowDesign& row, int left, int room) {
    int width = row.width, gap = row.gap;
    const int designed = row.count * row.width + gaps(row) * row.gap;
    if (room < designed && row.count > 0) {
        gap = gaps(row) ? std::max((room - row.count * row.width) / gaps(row), row.leastGap) : 0;
        if (row.count * row.width + gaps(row) * gap > room)
            width = std::max((room - gaps(row) * gap) / row.count, row.leastWidth);
    }
    std::vector<RowSpan> spans;
    for (int i = 0; i < row.count; ++i) spans.push_back({left + i * (width + gap), width});
    return spans;
}

}  // namespace qm::ui

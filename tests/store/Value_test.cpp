#include "store/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "store/RowData.h"

using qm::store::Value;

TEST(Value, RealsPastTheWholeNumbersReadAsTheirEnds) {
    // A damaged or edited file may hold any real in a number column; reading it
    // as a whole number must neither overflow nor wrap to the other end.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max(), kMin = std::numeric_limits<int64_t>::min();
    EXPECT_EQ(Value(1e300).Int(), kMax);
    EXPECT_EQ(Value(9223372036854775808.0).Int(), kMax);
    EXPECT_EQ(Value(-1e300).Int(), kMin);
    EXPECT_EQ(Value(-9223372036854775808.0).Int(), kMin);
    EXPECT_EQ(Value(std::numeric_limits<double>::infinity()).Int(), kMax);
    EXPECT_EQ(Value(std::nan("")).Int(), 0);
    EXPECT_EQ(Value(9007199254740992.0).Int(), 9007199254740992);
    EXPECT_EQ(Value(2.5).Int(), 2) << "halves go to the even neighbour";
    EXPECT_EQ(Value(-3.5).Int(), -4);
}

TEST(RowData, EveryKindOfValueComesBackAsItWent) {
    // Reals are rare in the data file (a damaged column width): each still
    // takes its own bytes in the row's block, wherever it stands.
    using Row = std::vector<Value>;
    const Row rows[] = {{1e300},
                        {-0.5, 2.5},
                        {"text", 1e300},
                        {1e300, "text", int64_t{-1}},
                        {Value(), 7, "", 1e300, "末尾"},
                        {},
                        Row(20, Value(1e300))};  // more cells than are gathered on the stack
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size());
        const qm::store::RowRef block = qm::store::RowData::Make(row);
        EXPECT_EQ(block->Values(), row);
    }
}

#include "text/date.h"

#include <gtest/gtest.h>

using qm::text::Date;
using qm::text::DaysBetween;
using qm::text::FormatIsoDate;
using qm::text::IsValidDate;
using qm::text::ParseUserDate;

TEST(Date, AcceptedFormsGiveIsoDates) {
    struct Case {
        const char* text;
        const char* iso;
    };
    const Case cases[] = {
        {"2008-3-5", "2008-03-05"},
        {"2008/3/5", "2008-03-05"},
        {"2008.3.5", "2008-03-05"},
        {"2008年3月5日", "2008-03-05"},
        {"2008-03-05", "2008-03-05"},
        {"2008/03/5", "2008-03-05"},
        {"2008年03月05日", "2008-03-05"},
        {"  2008-3-5 ", "2008-03-05"},
        {"\t2008年12月31日  ", "2008-12-31"},
        {"2008-2-29", "2008-02-29"},   // leap year
        {"2000-2-29", "2000-02-29"},   // every 400th year is leap
        {"1000-1-1", "1000-01-01"},
        {"9999-12-31", "9999-12-31"},
        {"2024-4-30", "2024-04-30"},
    };
    for (const Case& c : cases) {
        const auto d = ParseUserDate(c.text);
        ASSERT_TRUE(d.has_value()) << c.text;
        EXPECT_EQ(FormatIsoDate(*d), c.iso) << c.text;
    }
    EXPECT_EQ(ParseUserDate("2008-3-5"), (Date{2008, 3, 5}));
}

TEST(Date, RefusedTexts) {
    const char* const cases[] = {
        "", "   ", "abc",
        "2008-2-30", "2007-2-29", "1900-2-29", "2008-4-31",  // no such day
        "2008-13-1", "2008-0-1", "2008-1-0", "2008-00-01", "2008-1-32",
        "2008-3", "2008", "2008-3-", "-3-5", "2008年3月", "2008年3月5", "3月5日",  // a part missing
        "2008-3-5-1", "2008年3月5日1",
        "08-3-5", "20008-3-5", "0999-1-1", "2008-003-5", "2008-3-005",  // wrong digit counts
        "2008-3/5", "2008/3.5", "2008年3-5", "2008-3月5日", "2008年3月5",
        "2008-3-5x", "x2008-3-5", "2008 -3-5", "2008- 3-5", "2008--3-5", "2008-+3-5",
        "2008年 3月5日", "2008\xE5\xB9-3-5",  // half of 年
    };
    for (const char* text : cases) EXPECT_FALSE(ParseUserDate(text).has_value()) << '"' << text << '"';
}

TEST(Date, DaysBetween) {
    struct Case {
        Date from, to;
        long long days;
    };
    const Case cases[] = {
        {{2008, 3, 5}, {2008, 3, 5}, 0},
        {{2008, 2, 28}, {2008, 3, 1}, 2},      // across a leap day
        {{2007, 2, 28}, {2007, 3, 1}, 1},
        {{1900, 2, 28}, {1900, 3, 1}, 1},      // century not leap
        {{2000, 2, 28}, {2000, 3, 1}, 2},
        {{2007, 12, 31}, {2008, 1, 1}, 1},     // across a year end
        {{2008, 1, 1}, {2009, 1, 1}, 366},
        {{2009, 1, 1}, {2010, 1, 1}, 365},
        {{2008, 3, 1}, {2008, 2, 28}, -2},     // backwards
        {{2010, 1, 1}, {2008, 12, 31}, -366},
        {{1970, 1, 1}, {2000, 1, 1}, 10957},
        {{1000, 1, 1}, {9999, 12, 31}, 3287181},
        {{1, 1, 1}, {2001, 1, 1}, 730485},      // five whole 400-year cycles
    };
    for (const Case& c : cases)
        EXPECT_EQ(DaysBetween(c.from, c.to), c.days) << FormatIsoDate(c.from) << " -> " << FormatIsoDate(c.to);
}

TEST(Date, ValidityAndFormatting) {
    EXPECT_TRUE(IsValidDate({2008, 2, 29}));
    EXPECT_FALSE(IsValidDate({2100, 2, 29}));
    EXPECT_FALSE(IsValidDate({2008, 6, 31}));
    EXPECT_FALSE(IsValidDate({}));
    EXPECT_FALSE(IsValidDate({10000, 1, 1}));
    EXPECT_EQ(FormatIsoDate({987, 1, 2}), "0987-01-02");
}

TEST(Date, ClockReadingsAsDayAndMinute) {
    // Leap days of a year divisible by 400 and by 4, the day before the
    // first that is no leap day (2100), the ends of days, years and the
    // range, and a moment before 1970.
    const std::pair<long long, const char*> rows[] = {
        {0, "1970-01-01 00:00"},           {59, "1970-01-01 00:00"},          {86399, "1970-01-01 23:59"},
        {951782400, "2000-02-29 00:00"},   {951868799, "2000-02-29 23:59"},   {951868800, "2000-03-01 00:00"},
        {1709208000, "2024-02-29 12:00"},  {4107542340, "2100-02-28 23:59"},  {4107542400, "2100-03-01 00:00"},
        {1796644800, "2026-12-07 12:00"},  {1767225599, "2025-12-31 23:59"},  {1767225600, "2026-01-01 00:00"},
        {253402300799, "9999-12-31 23:59"}, {-1, "1969-12-31 23:59"},        {-86400, "1969-12-31 00:00"}};
    for (const auto& [seconds, text] : rows) EXPECT_EQ(qm::text::FormatDateTime(seconds), text) << seconds;
}

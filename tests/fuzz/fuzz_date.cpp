// The date reader: whatever is typed into a date box, the reader either
// refuses it or gives a real day of years 1000..9999, which reads back from
// its stored form; every way of writing a real day reads as that day; the
// day count is consistent along the calendar, and with the days and leap
// years the checker lets through.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "text/date.h"

using qm::fuzz::AsText;
using qm::fuzz::Printable;
using namespace qm::text;

namespace {

std::string Show(const Date& d) {
    return std::to_string(d.year) + "/" + std::to_string(d.month) + "/" + std::to_string(d.day);
}

Date NextDay(Date d) {
    if (IsValidDate({d.year, d.month, d.day + 1})) return {d.year, d.month, d.day + 1};
    if (d.month < 12) return {d.year, d.month + 1, 1};
    return {d.year + 1, 1, 1};
}

// The numbers written in the text, in order.
std::vector<long long> DigitRuns(std::string_view text) {
    std::vector<long long> runs;
    for (size_t i = 0; i < text.size();) {
        if (text[i] < '0' || text[i] > '9') {
            ++i;
            continue;
        }
        long long v = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            v = std::min(v * 10 + (text[i] - '0'), 1000000LL);
        runs.push_back(v);
    }
    return runs;
}

// Reads a date from the bytes: years around the accepted range, months and
// days a little past theirs.
Date DateFrom(const uint8_t* p) {
    return {((p[0] << 8) | p[1]) % 10100, p[2] % 14, p[3] % 33};
}

void CheckTypedText(std::string_view text) {
    const auto d = ParseUserDate(text);
    if (!d) return;
    QM_FUZZ_CHECK(IsValidDate(*d) && d->year >= 1000, "an accepted text is a real day of years 1000..9999",
                  Printable(text) + " -> " + Show(*d));
    const std::vector<long long> runs = DigitRuns(text);
    QM_FUZZ_CHECK(runs.size() == 3 && runs[0] == d->year && runs[1] == d->month && runs[2] == d->day,
                  "an accepted text holds exactly the year, the month and the day",
                  Printable(text) + " -> " + Show(*d));
    const std::string iso = FormatIsoDate(*d);
    QM_FUZZ_CHECK(iso.size() == 10 && ParseUserDate(iso) == d, "the stored form reads back as the same day",
                  Printable(text) + " -> " + iso);
}

void CheckEveryWayOfWriting(const Date& d) {
    const bool accepted = IsValidDate(d) && d.year >= 1000;
    const char* const forms[] = {"%d-%d-%d", "%04d-%02d-%02d", "%d/%d/%d",
                                 "%d.%02d.%d", "%d年%d月%d日", " %d-%d-%d\t"};
    for (const char* form : forms) {
        char text[64];
        std::snprintf(text, sizeof text, form, d.year, d.month, d.day);
        const auto read = ParseUserDate(text);
        QM_FUZZ_CHECK(accepted ? read == d : !read, accepted ? "a real day reads as itself" : "no real day is refused",
                      std::string(text) + " -> " + (read ? Show(*read) : "refused"));
    }
}

void CheckDayCounts(const Date& a, const Date& b) {
    if (!IsValidDate(a) || !IsValidDate(b)) return;
    // The days the checker lets through in a month are the days the count puts in it.
    int days = 0;
    for (int day = -1; day <= 40; ++day) days += IsValidDate({a.year, a.month, day}) ? 1 : 0;
    const Date first{a.year, a.month, 1};
    const Date nextFirst = a.month < 12 ? Date{a.year, a.month + 1, 1} : Date{a.year + 1, 1, 1};
    if (IsValidDate(nextFirst))
        QM_FUZZ_CHECK(DaysBetween(first, nextFirst) == days, "a month has as many days as the count gives it",
                      Show(first) + ": " + std::to_string(days) + " valid days");
    if (a.year < 9999) {
        const long long year = DaysBetween({a.year, 1, 1}, {a.year + 1, 1, 1});
        QM_FUZZ_CHECK(year == (IsValidDate({a.year, 2, 29}) ? 366 : 365),
                      "a year has 366 days where it has a 29 February",
                      std::to_string(a.year) + ": " + std::to_string(year));
    }
    const long long ab = DaysBetween(a, b);
    QM_FUZZ_CHECK(DaysBetween(b, a) == -ab, "the day count turns sign with its direction", Show(a) + " " + Show(b));
    const Date next = NextDay(a);
    if (IsValidDate(next)) {
        QM_FUZZ_CHECK(DaysBetween(a, next) == 1, "the next day is one day on", Show(a) + " -> " + Show(next));
        QM_FUZZ_CHECK(DaysBetween(next, b) == ab - 1, "day counts add up", Show(a) + " " + Show(b));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckTypedText(AsText(data, size));
    if (size >= 8) {
        const Date a = DateFrom(data), b = DateFrom(data + 4);
        CheckEveryWayOfWriting(a);
        CheckDayCounts(a, b);
    }
    return 0;
}

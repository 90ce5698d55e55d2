#pragma once
// Calendar dates as users type them and as the vault stores them.
#include <optional>
#include <string>
#include <string_view>

namespace qm::text {

struct Date {
    int year = 0, month = 0, day = 0;
    bool operator==(const Date&) const = default;
};

// What a user of a Chinese Windows types as a date: 2008-3-5, 2008/3/5, 2008.3.5, 2008年3月5日,
// each with or without leading zeros (2008-03-05), with spaces around the whole text allowed.
// Refuses text that is no date and impossible dates (2008-2-30, 2007-2-29, month 13, day 0).
// Years 1000..9999 only; all three parts required; the separators must be the same kind
// within one text (2008-3/5 is refused); the 年月日 form needs 日 at the end (年/月 present).
std::optional<Date> ParseUserDate(std::string_view text);

// "yyyy-mm-dd", zero-padded.
std::string FormatIsoDate(const Date& d);

// "yyyy-mm-dd hh:mm" of a time given as seconds since 1970-01-01 00:00 of
// the clock it is read on (a local time the platform shifted from UTC).
std::string FormatMinute(long long seconds);

// Whole days from `from` to `to` (negative when `to` lies before `from`), over the
// proleptic Gregorian calendar.
long long DaysBetween(const Date& from, const Date& to);

// A clock's reading in seconds since 1970 as "yyyy-mm-dd hh:mm".
std::string FormatDateTime(long long seconds);

// A real day of the Gregorian calendar with a year of 1..9999, the years "yyyy" can show.
bool IsValidDate(const Date& d);

}  // namespace qm::text

#include "text/date.h"

#include <cstdio>

namespace qm::text {
namespace {

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01; years are shifted to start in March so the leap day
// falls last and the 400-year cycle can be counted without tables.
long long DaysFromCivil(const Date& d) {
    const long long y = static_cast<long long>(d.year) - (d.month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = (d.month + 9) % 12;  // March = 0
    const long long doy = (153 * mp + 2) / 5 + d.day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Reads between minDigits and maxDigits ASCII digits at `pos`.
bool ReadNumber(std::string_view s, size_t& pos, size_t minDigits, size_t maxDigits, int& out) {
    size_t n = 0;
    int value = 0;
    while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++n;
    }
    out = value;
    return n >= minDigits && !(pos < s.size() && s[pos] >= '0' && s[pos] <= '9');
}

bool ReadLiteral(std::string_view s, size_t& pos, std::string_view lit) {
    if (s.substr(pos, lit.size()) != lit) return false;
    pos += lit.size();
    return true;
}

}  // namespace

std::optional<Date> ParseUserDate(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);

    Date d;
    size_t pos = 0;
    if (!ReadNumber(text, pos, 4, 4, d.year)) return std::nullopt;

    // The separator after the year decides what must follow the month and the day.
    std::string_view afterMonth, afterDay;
    if (ReadLiteral(text, pos, "年")) {
        afterMonth = "月";
        afterDay = "日";
    } else if (pos < text.size() && (text[pos] == '-' || text[pos] == '/' || text[pos] == '.')) {
        afterMonth = text.substr(pos++, 1);
    } else {
        return std::nullopt;
    }
    if (!ReadNumber(text, pos, 1, 2, d.month) || !ReadLiteral(text, pos, afterMonth) ||
        !ReadNumber(text, pos, 1, 2, d.day) || !ReadLiteral(text, pos, afterDay) || pos != text.size())
        return std::nullopt;
    if (d.year < 1000 || !IsValidDate(d)) return std::nullopt;
    return d;
}

std::string FormatIsoDate(const Date& d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string FormatMinute(long long seconds) {
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // The inverse of DaysFromCivil.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    char time[8];
    std::snprintf(time, sizeof time, " %02d:%02d", static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60));
    return FormatIsoDate({year, month, day}) + time;
}

long long DaysBetween(const Date& from, const Date& to) { return DaysFromCivil(to) - DaysFromCivil(from); }

std::string FormatDateTime(long long seconds) {
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days since 1970-01-01 to the civil date (H. Hinnant's algorithm).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld", year, month, day, rest / 3600, rest % 3600 / 60);
    return text;
}

bool IsValidDate(const Date& d) {
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= DaysInMonth(d.year, d.month);
}

}  // namespace qm::text

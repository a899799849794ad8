// Gregorian and era calendar rules.
#include "builtins/calendar.h"

#include <cmath>

#include "talvechk_trace.h"

namespace talv {

const int32_t kDaysInMonth[26] = {
    0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31,   // common year
    0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31,   // leap year
};

// Era 4 keeps reaching 2100 although era 5 began in 2019: stored checks
// written for era 4 keep passing, and both readings of a recent date hold.
const Era kEras[kEraCount + 1] = {
    {0, 0, 0, 0, 0, 0, 0, ""},
    {45, 1868, 1, 1, 1912, 7, 29, "Meiji"},
    {15, 1912, 7, 30, 1926, 12, 25, "Taisho"},
    {64, 1926, 12, 26, 1989, 1, 7, "Showa"},
    {112, 1989, 1, 8, 2100, 12, 31, "Heisei"},
    {82, 2019, 5, 1, 2100, 12, 31, "Reiwa"},
};

namespace {

constexpr int32_t kLeapRow = 13;
// Any leap year serves to judge a month and day alone.
constexpr int32_t kSomeLeapYear = 1996;

bool is_leap(int32_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Orders (year-ish, month, day) triples; valid for day <= 31, month <= 12.
int64_t ordinal(int64_t year, int64_t month, int64_t day) { return 31 * (month + 12 * year) + day; }

}  // namespace

uint32_t date_fault(int32_t year, int32_t month, int32_t day) {
    if (month < 1 || month > 12) return TALV_WHY_MONTH;
    if (day < 1 || day > 31) return TALV_WHY_DAY;
    if (day > kDaysInMonth[month + kLeapRow]) return TALV_WHY_DAY_OF_MONTH;
    if (year < kFirstYear || year > kLastYear) return TALV_WHY_YEAR;
    const int32_t leap = is_leap(year) ? 1 : 0;
    return day > kDaysInMonth[month + kLeapRow * leap] ? TALV_WHY_DAY_OF_YEAR : TALV_WHY_NONE;
}

int check_date(int32_t year, int32_t month, int32_t day) { return date_fault(year, month, day) != TALV_WHY_NONE; }

uint32_t month_day_fault(int32_t month, int32_t day) { return date_fault(kSomeLeapYear, month, day); }

int32_t julian_day(int32_t year, int32_t month, int32_t day) {
    if (year == 0) return 0;
    int64_t jy = year < 0 ? int64_t(year) + 1 : year;
    int64_t jm;
    if (month > 2) {
        jm = int64_t(month) + 1;
    } else {
        jy -= 1;
        jm = int64_t(month) + 13;
    }
    const bool gregorian = ordinal(year, month, day) >= 588829;  // 1582-10-15, the first Gregorian day
    if (jy >= 0 && jm >= 4 && jm <= 15) {
        // The same in integers, for the months of a year and years from 1 on:
        // 365.25 * jy is exact, 30.6001 * jm lies well clear of the integers
        // below it, and 0.01 * jy never rounds below jy / 100.
        int64_t jd = (306001 * jm) / 10000 + (1461 * jy) / 4 + day + 1720995;
        if (gregorian) {
            const int64_t ja = jy / 100;
            jd += 2 - ja + ja / 4;
        }
        return int32_t(jd);
    }
    double whole = std::floor(30.6001 * double(jm)) + std::floor(365.25 * double(jy)) + double(day) + 1720995.0;
    int64_t jd = int64_t(whole);
    if (gregorian) {
        int64_t ja = int64_t(0.01 * double(jy));
        jd += 2 - ja + int64_t(0.25 * double(ja));
    }
    return int32_t(jd);
}

uint32_t clock_fault(int32_t hour, int32_t max_hour, int32_t minute) {
    if (hour < 0 || hour > max_hour) return TALV_WHY_HOUR;
    if (minute < 0 || minute > 59) return TALV_WHY_MINUTE;
    return TALV_WHY_NONE;
}

int32_t check_time(int32_t hour, int32_t minute) {
    if (clock_fault(hour, 23, minute) != TALV_WHY_NONE) return -1;
    return hour * 60 + minute;
}

int32_t leap_year_day(int32_t month, int32_t day) {
    int32_t total = day;
    for (int32_t m = 1; m < month; ++m) total += kDaysInMonth[m + kLeapRow];
    return total;
}

uint32_t era_fault(int32_t era, int32_t era_year, int32_t month, int32_t day) {
    // The month and day must exist in some year; the year is checked later.
    if (const uint32_t fault = month_day_fault(month, day)) return fault;
    if (era < 1 || era > kEraCount) return TALV_WHY_ERA;
    const Era &row = kEras[era];
    if (era_year < 1 || era_year > row.last_era_year) return TALV_WHY_ERA_YEAR;

    const int64_t h = ordinal(era_year, month, day);
    if (h < ordinal(1, row.first_month, row.first_day)) return TALV_WHY_BEFORE_ERA;
    if (h > ordinal(row.last_era_year, row.last_month, row.last_day)) return TALV_WHY_AFTER_ERA;

    if (era == 1 && era_year <= kLunarEraYears) {
        if (day > kLunarMonthDays) return TALV_WHY_EARLY_MONTH_DAYS;
        if (era_year == kLunarEraYears && month == 12 && day >= 3) return TALV_WHY_SKIPPED_DAYS;
        return TALV_WHY_NONE;
    }
    return date_fault(row.first_year + era_year - 1, month, day);
}

bool era_date(int32_t era, int32_t era_year, int32_t month, int32_t day, int32_t *jdn) {
    if (era_fault(era, era_year, month, day) != TALV_WHY_NONE) return false;
    // Lunar dates go through the Gregorian formula as they stand.
    *jdn = julian_day(kEras[era].first_year + era_year - 1, month, day);
    return true;
}

}  // namespace talv

// Calendar and clock rules behind the date and time functions; pure
// integer functions, no Symbols.
#pragma once

#include <cstdint>

namespace talv {

// Days of month m: kDaysInMonth[m + 13 * leap]; entry 0 of each row is 0.
extern const int32_t kDaysInMonth[26];

struct Era {
    int32_t last_era_year;
    int32_t first_year, first_month, first_day;
    int32_t last_year, last_month, last_day;
    const char *name;  // in Latin letters, for the trace's words
};

constexpr int kEraCount = 5;
// Indexed by era number 1..kEraCount; row 0 is no era.
extern const Era kEras[kEraCount + 1];

// The years check_date accepts.
constexpr int32_t kFirstYear = 1583;  // the first whole Gregorian year
constexpr int32_t kLastYear = 2100;

// Era 1's first years, before the Gregorian calendar: at most 30 days a
// month, and the 3rd to the 31st of the 12th month of its year 5 skipped.
constexpr int32_t kLunarEraYears = 5;
constexpr int32_t kLunarMonthDays = 30;

// What makes a date or time impossible: a TALV_WHY_* part of the trace
// interface, 0 (TALV_WHY_NONE) when nothing does.  The rules are these
// functions; check_date, check_time and era_date only ask them.

// Month, then day, then the day against the month in a leap year, then
// the year, then the day against the month in that year.
uint32_t date_fault(int32_t year, int32_t month, int32_t day);
// Month and day alone, as in a leap year.
uint32_t month_day_fault(int32_t month, int32_t day);
// Hour (0..max_hour), then minute.
uint32_t clock_fault(int32_t hour, int32_t max_hour, int32_t minute);
// The month and day as in a leap year, era, era-year, before or after the
// era, then era 1's early rules or the day in that Gregorian year.
uint32_t era_fault(int32_t era, int32_t era_year, int32_t month, int32_t day);

// 0 when the Gregorian date lies in 1583..2100 and exists, 1 otherwise.
int check_date(int32_t year, int32_t month, int32_t day);
// Julian day number of a Gregorian date (2000-01-01 is 2451545); 0 for
// year 0.
int32_t julian_day(int32_t year, int32_t month, int32_t day);
// Minutes since midnight, or -1 when hour or minute is out of range.
int32_t check_time(int32_t hour, int32_t minute);
// Day of the year as counted in a leap year (1..366); callers check the
// pair first.
int32_t leap_year_day(int32_t month, int32_t day);
// Whether (era, era-year, month, day) is a date of the era calendar; on
// true, *jdn receives its Julian day number.
bool era_date(int32_t era, int32_t era_year, int32_t month, int32_t day, int32_t *jdn);

}  // namespace talv

// The calendar rules against an independent civil-day computation.
#include <gtest/gtest.h>

#include <cmath>

#include <cstdint>

#include "builtins/calendar.h"

namespace {

using talv::check_date;
using talv::era_date;
using talv::julian_day;

// Days since 1970-01-01 of a proleptic Gregorian date; linear in the day,
// so a day past the month's end lands in the next month.
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t y, m, d;
};

Civil civil_from_days(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    return {yoe + era * 400 + (m <= 2), m, d};
}

constexpr int64_t kUnixEpochJdn = 2440588;

bool exists(int64_t y, int64_t m, int64_t d) {
    if (m < 1 || m > 12 || d < 1 || d > 31) return false;
    Civil c = civil_from_days(days_from_civil(y, m, d));
    return c.y == y && c.m == m && c.d == d;
}

TEST(BuiltinsCalendar, EveryDayFrom1583To2100IsValidWithItsJulianDay) {
    const int64_t first = days_from_civil(1583, 1, 1), last = days_from_civil(2100, 12, 31);
    for (int64_t z = first; z <= last; ++z) {
        Civil c = civil_from_days(z);
        int32_t y = int32_t(c.y), m = int32_t(c.m), d = int32_t(c.d);
        ASSERT_EQ(check_date(y, m, d), 0) << y << '-' << m << '-' << d;
        ASSERT_EQ(julian_day(y, m, d), z + kUnixEpochJdn) << y << '-' << m << '-' << d;
    }
}

TEST(BuiltinsCalendar, ValidityMatchesTheCivilCalendarAroundTheWholeRange) {
    for (int32_t y = 1570; y <= 2110; ++y) {
        for (int32_t m = -1; m <= 14; ++m) {
            for (int32_t d = -1; d <= 33; ++d) {
                bool expected = y >= 1583 && y <= 2100 && exists(y, m, d);
                ASSERT_EQ(check_date(y, m, d) == 0, expected) << y << '-' << m << '-' << d;
            }
        }
    }
}

TEST(BuiltinsCalendar, ExtremeArgumentsAreInvalidWithoutOverflow) {
    for (int32_t v : {INT32_MIN, -99999999, 99999999, INT32_MAX}) {
        EXPECT_EQ(check_date(v, 1, 1), 1);
        EXPECT_EQ(check_date(2000, v, 1), 1);
        EXPECT_EQ(check_date(2000, 1, v), 1);
    }
}

struct JulianCase {
    int32_t y, m, d, jdn;
};

TEST(BuiltinsCalendar, JulianDayReferencePoints) {
    const JulianCase cases[] = {
        {2000, 1, 1, 2451545}, {2100, 12, 31, 2488434}, {1583, 1, 1, 2299239},
        {1582, 10, 15, 2299161}, {1989, 1, 8, 2447535}, {2019, 5, 1, 2458605},
    };
    for (const auto &c : cases) EXPECT_EQ(julian_day(c.y, c.m, c.d), c.jdn) << c.y << '-' << c.m << '-' << c.d;
    EXPECT_EQ(julian_day(0, 1, 1), 0);
}

// The formula in floating point as it first stood: the integer reckoning
// must give the same day numbers for every month of every year from 1 on,
// days out of range included, and the floating point stays for the rest.
int64_t floating_julian_day(int64_t year, int64_t month, int64_t day) {
    if (year == 0) return 0;
    int64_t jy = year < 0 ? year + 1 : year, jm;
    if (month > 2) {
        jm = month + 1;
    } else {
        jy -= 1;
        jm = month + 13;
    }
    int64_t jd = int64_t(std::floor(30.6001 * double(jm)) + std::floor(365.25 * double(jy)) + double(day) + 1720995.0);
    if (31 * (month + 12 * year) + day >= 588829) {
        int64_t ja = int64_t(0.01 * double(jy));
        jd += 2 - ja + int64_t(0.25 * double(ja));
    }
    return jd;
}

TEST(BuiltinsCalendar, JulianDayInIntegersMatchesTheFloatingFormula) {
    for (int32_t y = -3; y <= 4000; ++y)
        for (int32_t m = -1; m <= 14; ++m)
            for (int32_t d : {-1, 0, 1, 15, 28, 29, 30, 31, 32, 40})
                ASSERT_EQ(julian_day(y, m, d), int32_t(floating_julian_day(y, m, d))) << y << '-' << m << '-' << d;
    for (int32_t y : {99999, 1000000, 21474836})
        for (int32_t m = 1; m <= 12; ++m) ASSERT_EQ(julian_day(y, m, 1), int32_t(floating_julian_day(y, m, 1))) << y;
}

// ---- Era calendar ----------------------------------------------------------

constexpr int32_t kLunarEraYears = 5;

// An independent statement of which era dates exist.
bool expected_era_date(int32_t era, int32_t ey, int32_t m, int32_t d, int64_t *jdn) {
    if (era < 1 || era > talv::kEraCount) return false;
    const talv::Era &row = talv::kEras[era];
    if (ey < 1 || ey > row.last_era_year) return false;
    int64_t y = int64_t(row.first_year) + ey - 1;
    bool lunar = era == 1 && ey <= kLunarEraYears;
    if (lunar) {
        // Months of up to 30 days, any year counted as leap, until the change
        // of calendar after the 2nd day of the 12th month of year 5.
        if (!exists(1996, m, d) || d > 30) return false;
        if (ey == kLunarEraYears && m == 12 && d >= 3) return false;
    } else if (!exists(y, m, d)) {
        return false;
    }
    int64_t z = days_from_civil(y, m, d);
    if (z < days_from_civil(row.first_year, row.first_month, row.first_day)) return false;
    if (z > days_from_civil(row.last_year, row.last_month, row.last_day)) return false;
    *jdn = z + kUnixEpochJdn;
    return true;
}

TEST(BuiltinsCalendar, EveryEraDateMatchesTheIndependentRule) {
    long accepted = 0;
    for (int32_t era = -1; era <= talv::kEraCount + 1; ++era) {
        int32_t last = era >= 1 && era <= talv::kEraCount ? talv::kEras[era].last_era_year : 3;
        for (int32_t ey = -1; ey <= last + 1; ++ey) {
            for (int32_t m = 0; m <= 13; ++m) {
                for (int32_t d = 0; d <= 32; ++d) {
                    int64_t want = 0;
                    int32_t got = -7;
                    bool expected = expected_era_date(era, ey, m, d, &want);
                    ASSERT_EQ(era_date(era, ey, m, d, &got), expected) << era << ':' << ey << '/' << m << '/' << d;
                    if (expected) {
                        ASSERT_EQ(got, want) << era << ':' << ey << '/' << m << '/' << d;
                        ++accepted;
                    }
                }
            }
        }
    }
    // Every real day of each era once (eras 4 and 5 overlap from 2019-05-01),
    // plus the lunar days that have no Gregorian twin.
    EXPECT_GT(accepted, days_from_civil(2100, 12, 31) - days_from_civil(1868, 1, 1));
}

TEST(BuiltinsCalendar, EveryDayOfEveryEraIsAccepted) {
    for (int32_t era = 1; era <= talv::kEraCount; ++era) {
        const talv::Era &row = talv::kEras[era];
        const int64_t first = days_from_civil(row.first_year, row.first_month, row.first_day);
        const int64_t last = days_from_civil(row.last_year, row.last_month, row.last_day);
        for (int64_t z = first; z <= last; ++z) {
            Civil c = civil_from_days(z);
            int32_t ey = int32_t(c.y) - row.first_year + 1;
            int32_t jdn = 0;
            bool lunar_reject = era == 1 && ey <= kLunarEraYears &&
                                (c.d > 30 || (ey == kLunarEraYears && c.m == 12 && c.d >= 3));
            ASSERT_EQ(era_date(era, ey, int32_t(c.m), int32_t(c.d), &jdn), !lunar_reject)
                << era << ':' << ey << '/' << c.m << '/' << c.d;
            if (!lunar_reject) {
                ASSERT_EQ(jdn, z + kUnixEpochJdn);
            }
        }
    }
}

struct EraCase {
    int32_t era, ey, m, d;
    int32_t jdn;   // 0: the answer is false
};

TEST(BuiltinsCalendar, EraBoundaries) {
    const EraCase cases[] = {
        {4, 1, 1, 8, 2447535}, {4, 1, 1, 7, 0},       {3, 64, 1, 7, 2447534}, {3, 64, 1, 8, 0},
        {4, 112, 12, 31, 2488434}, {4, 113, 1, 1, 0}, {5, 1, 1, 1, 0},        {0, 1, 1, 1, 0},
        {1, 5, 12, 2, 2405130}, {1, 5, 12, 3, 0},     {1, 3, 1, 31, 0},       {1, 2, 2, 29, 2403758},
        {1, 6, 2, 29, 0},       {2, 1, 7, 29, 0},     {2, 1, 7, 30, 2419614}, {1, 45, 7, 30, 0},
        // The current era: from 2019-05-01 to 2100-12-31 (era-year 82).
        {5, 1, 5, 1, 2458605},  {5, 1, 4, 30, 0},     {5, 8, 12, 8, 2461383}, {5, 82, 12, 31, 2488434},
        {5, 83, 1, 1, 0},       {6, 1, 1, 1, 0},      {4, 31, 5, 1, 2458605},
    };
    for (const auto &c : cases) {
        int32_t jdn = -1;
        bool ok = era_date(c.era, c.ey, c.m, c.d, &jdn);
        EXPECT_EQ(ok, c.jdn != 0) << c.era << ':' << c.ey << '/' << c.m << '/' << c.d;
        if (ok) {
            EXPECT_EQ(jdn, c.jdn) << c.era << ':' << c.ey << '/' << c.m << '/' << c.d;
        }
    }
}

TEST(BuiltinsCalendar, ClockAndLeapYearDay) {
    struct {
        int32_t h, m, minutes;
    } times[] = {{0, 0, 0}, {23, 59, 1439}, {24, 0, -1}, {12, 60, -1}, {-1, 0, -1}, {0, -1, -1}, {INT32_MAX, 0, -1}};
    for (const auto &t : times) EXPECT_EQ(talv::check_time(t.h, t.m), t.minutes) << t.h << ':' << t.m;

    EXPECT_EQ(talv::leap_year_day(1, 1), 1);
    EXPECT_EQ(talv::leap_year_day(2, 29), 60);
    EXPECT_EQ(talv::leap_year_day(3, 1), 61);
    EXPECT_EQ(talv::leap_year_day(12, 31), 366);
}

}  // namespace

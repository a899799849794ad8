// The words for an impossible date or time.  The part that is impossible
// comes from the calendar's own rules; this only puts it into words with
// the calendar's table (era names, first and last days).
#include "builtins/date_words.h"

#include <cstdio>

#include "builtins/calendar.h"
#include "service/trace.h"
#include "talvechk_trace.h"

namespace talv {

namespace {

const char *const kMonthNames[13] = {"",     "January", "February",  "March",   "April",    "May",     "June",
                                     "July", "August",  "September", "October", "November", "December"};

const char *month_name(int32_t month) { return month >= 1 && month <= 12 ? kMonthNames[month] : ""; }

struct Why {
    uint32_t part = TALV_WHY_NONE;
    uint32_t argument = 0;  // from 1; 0 when several are to blame
    char words[256] = "";
};

// Month and day judged alone, or with a Gregorian year (0: none).
void date_words(Why &why, uint32_t part, int32_t year, int32_t month, int32_t day, uint32_t year_arg,
                uint32_t month_arg, uint32_t day_arg) {
    why.part = part;
    switch (part) {
    case TALV_WHY_MONTH:
        why.argument = month_arg;
        std::snprintf(why.words, sizeof why.words, "month %ld", long(month));
        break;
    case TALV_WHY_DAY:
        why.argument = day_arg;
        std::snprintf(why.words, sizeof why.words, "day %ld", long(day));
        break;
    case TALV_WHY_DAY_OF_MONTH:
        why.argument = day_arg;
        std::snprintf(why.words, sizeof why.words, "%ld %s", long(day), month_name(month));
        break;
    case TALV_WHY_YEAR:
        why.argument = year_arg;
        std::snprintf(why.words, sizeof why.words, "year %ld (%ld to %ld)", long(year), long(kFirstYear),
                      long(kLastYear));
        break;
    case TALV_WHY_DAY_OF_YEAR:
        std::snprintf(why.words, sizeof why.words, "%ld %s %ld (%ld is not a leap year)", long(day),
                      month_name(month), long(year), long(year));
        break;
    default: break;
    }
}

void era_words(Why &why, int32_t era, int32_t era_year, int32_t month, int32_t day) {
    const uint32_t part = era_fault(era, era_year, month, day);
    if (part == TALV_WHY_MONTH || part == TALV_WHY_DAY || part == TALV_WHY_DAY_OF_MONTH)
        return date_words(why, part, 0, month, day, 0, 3, 4);
    why.part = part;
    if (part == TALV_WHY_ERA) {
        why.argument = 1;
        std::snprintf(why.words, sizeof why.words, "era %ld (1 %s to %d %s)", long(era), kEras[1].name, kEraCount,
                      kEras[kEraCount].name);
        return;
    }
    if (part == TALV_WHY_NONE) return;
    const Era &row = kEras[era];
    const long d = day, y = era_year;
    switch (part) {
    case TALV_WHY_ERA_YEAR:
        why.argument = 2;
        std::snprintf(why.words, sizeof why.words, "year %ld of %s (1 to %ld)", y, row.name, long(row.last_era_year));
        break;
    case TALV_WHY_BEFORE_ERA:
        std::snprintf(why.words, sizeof why.words, "%ld %s %s %ld: before %s began (%ld %s %ld)", d,
                      month_name(month), row.name, y, row.name, long(row.first_day), month_name(row.first_month),
                      long(row.first_year));
        break;
    case TALV_WHY_AFTER_ERA:
        std::snprintf(why.words, sizeof why.words, "%ld %s %s %ld: after %s ended (%ld %s %ld)", d, month_name(month),
                      row.name, y, row.name, long(row.last_day), month_name(row.last_month), long(row.last_year));
        break;
    case TALV_WHY_EARLY_MONTH_DAYS:
        why.argument = 4;
        std::snprintf(why.words, sizeof why.words, "day %ld in %s %ld (months had at most %ld days)", d, row.name, y,
                      long(kLunarMonthDays));
        break;
    case TALV_WHY_SKIPPED_DAYS:
        std::snprintf(why.words, sizeof why.words, "%ld %s %s %ld (skipped for the new calendar)", d,
                      month_name(month), row.name, y);
        break;
    case TALV_WHY_DAY_OF_YEAR: {
        const long g = long(row.first_year) + y - 1;
        std::snprintf(why.words, sizeof why.words, "%ld %s %s %ld (%ld is not a leap year)", d, month_name(month),
                      row.name, y, g);
        break;
    }
    default: break;
    }
}

void clock_words(Why &why, int32_t hour, int32_t max_hour, int32_t minute, uint32_t hour_arg) {
    why.part = clock_fault(hour, max_hour, minute);
    if (why.part == TALV_WHY_HOUR) {
        why.argument = hour_arg;
        std::snprintf(why.words, sizeof why.words, "hour %ld (0 to %ld)", long(hour), long(max_hour));
    } else if (why.part == TALV_WHY_MINUTE) {
        why.argument = hour_arg + 1;
        std::snprintf(why.words, sizeof why.words, "minute %ld", long(minute));
    }
}

}  // namespace

void trace_date_why(const Symbol *answer, Symbol *head, DateFunction function, const int32_t *a) {
    Why why;
    switch (function) {
    // day and month judge day d of a January and the 1st of month m.
    case DateFunction::day: date_words(why, date_fault(kFirstYear, 1, a[0]), 0, 1, a[0], 0, 0, 1); break;
    case DateFunction::month: date_words(why, date_fault(kFirstYear, a[0], 1), 0, a[0], 1, 0, 1, 0); break;
    case DateFunction::mdate: date_words(why, month_day_fault(a[0], a[1]), 0, a[0], a[1], 0, 1, 2); break;
    case DateFunction::ydate: date_words(why, date_fault(a[0], a[1], a[2]), a[0], a[1], a[2], 1, 2, 3); break;
    case DateFunction::jdate: era_words(why, a[0], a[1], a[2], a[3]); break;
    case DateFunction::time: clock_words(why, a[0], 23, a[1], 1); break;
    case DateFunction::time12:
        if (a[0] != 1 && a[0] != 2) {
            why.part = TALV_WHY_HALF;
            why.argument = 1;
            std::snprintf(why.words, sizeof why.words, "half %ld (1 morning, 2 afternoon)", long(a[0]));
        } else {
            clock_words(why, a[1], 11, a[2], 2);
        }
        break;
    }
    if (why.part != TALV_WHY_NONE) trace_why(answer, why.part, why.words, head, why.argument);
}

void trace_argument_why(const Symbol *answer, Symbol *head, int wanted, int given, int bad) {
    char words[96];
    if (given != wanted) {
        std::snprintf(words, sizeof words, "%d argument%s where %d %s taken", given, given == 1 ? "" : "s", wanted,
                      wanted == 1 ? "is" : "are");
        trace_why(answer, TALV_WHY_ARGUMENT_COUNT, words, head, 0);
        return;
    }
    std::snprintf(words, sizeof words, "not a whole number of at most 8 digits");
    trace_why(answer, TALV_WHY_NOT_AN_INTEGER, words, head, static_cast<uint32_t>(bad));
}

}  // namespace talv

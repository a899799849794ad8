// day, month, mdate, ydate, jdate, time, time12.  An impossible date or
// time is the answer false, never an error; the value of a true answer is
// something a check can compute with (day of year, Julian day, minutes).

#include "builtins/builtins.h"
#include "builtins/calendar.h"
#include "builtins/date_words.h"
#include "service/state.h"
#include "service/trace.h"
#include "values/decimal.h"

namespace talv {

namespace {

constexpr int32_t kNoValue = INT32_MIN;   // symbol_to_long's "not an integer"
// symbol_to_long reads integers of up to two groups.
constexpr uint64_t kLargestInteger = uint64_t{kGroupBase} * kGroupBase;

// Any month with 31 days serves for a check of the day alone.
constexpr int32_t kSomeCommonYear = 1997;

Symbol *false_zero() {
    Symbol *sym = int_to_number(0);
    if (sym) sym->status = 1;
    return sym;
}

// A false answer, and why when a trace is on.
Symbol *impossible(Symbol *answer, Symbol *head, DateFunction function, const int32_t *args) {
    if (answer && trace_on()) trace_date_why(answer, head, function, args);
    return answer;
}

bool fetch_failed(const Symbol *fetched) { return fetched == nullptr || fetched->status >= 2; }

// time's answer, shared with time12.
Symbol *minutes_answer(int32_t hour, int32_t minute, Symbol *head, DateFunction function, const int32_t *args) {
    int32_t minutes = check_time(hour, minute);
    if (minutes < 0) return impossible(false_zero(), head, function, args);
    return int_to_number(minutes);
}

}  // namespace

Symbol *int_to_number(int32_t value) {
    // The literal 0 or more digits, as the literal reader would read them
    // into a fresh cell; the sign goes on afterwards.
    Symbol *sym = sym_alloc();
    if (!sym) return nullptr;
    uint32_t magnitude = value < 0 ? 0u - uint32_t(value) : uint32_t(value);
    sym->digits[kUnitsGroup] = static_cast<uint16_t>(magnitude % kGroupBase);
    magnitude /= kGroupBase;
    sym->digits[kUnitsGroup - 1] = static_cast<uint16_t>(magnitude % kGroupBase);
    sym->digits[kUnitsGroup - 2] = static_cast<uint16_t>(magnitude / kGroupBase);
    sym->kind = TALV_NUMBER;
    if (value < 0) sym->sign = 1;
    return sym;
}

Symbol *fetch_int_args(Symbol *head, int n, int32_t *out) {
    Symbol *result = make_zero();
    if (!result) return nullptr;
    if (const int given = count_list(head); given != n) {
        if (trace_on()) trace_argument_why(result, head, n, given, 0);
        return argument_error(result);
    }

    Symbol *arg = head->next;
    for (int i = 0; i < n; ++i, arg = arg->next) {
        FreshRead &hand_over = g_state.fresh_read;
        uint32_t request;
        Symbol *resolved = hand_over.resolve(arg, request);
        if (!resolved) return nullptr;
        if (resolved->status >= 2) return resolved;
        if (i == 0) {
            // Taken before the conversion below turns a text into a NUMBER,
            // so that day([D]) answers with the field's own text.
            copy_value(result, resolved);
            result->status = 0;
            result->code = 0;
        }
        // A field of digits alone is the integer they spell, read as
        // symbol_to_long reads it; symbol_to_long takes all the rest.
        uint64_t digits_value = 0;
        if (hand_over.take(request, resolved, {all_blank, right_blank, kPointNotApplied}, digits_value))
            out[i] = digits_value < kLargestInteger ? static_cast<int32_t>(digits_value) : kNoValue;
        else
            symbol_to_long(resolved, &out[i]);
        if (out[i] == kNoValue) {
            if (trace_on()) trace_argument_why(result, head, n, n, i + 1);
            return argument_error(result);
        }
    }
    return result;
}

Symbol *builtin_day(Symbol *head) {
    int32_t d;
    Symbol *result = fetch_int_args(head, 1, &d);
    if (fetch_failed(result)) return result;
    if (check_date(kSomeCommonYear, 1, d) != 0) {
        result->status = 1;
        impossible(result, head, DateFunction::day, &d);
    }
    return result;
}

Symbol *builtin_month(Symbol *head) {
    int32_t m;
    Symbol *result = fetch_int_args(head, 1, &m);
    if (fetch_failed(result)) return result;
    if (check_date(kSomeCommonYear, m, 1) != 0) {
        result->status = 1;
        impossible(result, head, DateFunction::month, &m);
    }
    return result;
}

Symbol *builtin_mdate(Symbol *head) {
    int32_t a[2];
    Symbol *fetched = fetch_int_args(head, 2, a);
    if (fetch_failed(fetched)) return fetched;
    if (month_day_fault(a[0], a[1]) != 0) return impossible(false_zero(), head, DateFunction::mdate, a);
    return int_to_number(leap_year_day(a[0], a[1]));
}

Symbol *builtin_ydate(Symbol *head) {
    int32_t a[3];
    Symbol *fetched = fetch_int_args(head, 3, a);
    if (fetch_failed(fetched)) return fetched;
    if (check_date(a[0], a[1], a[2]) != 0) return impossible(false_zero(), head, DateFunction::ydate, a);
    return int_to_number(julian_day(a[0], a[1], a[2]));
}

Symbol *builtin_jdate(Symbol *head) {
    int32_t a[4];
    Symbol *fetched = fetch_int_args(head, 4, a);
    if (fetch_failed(fetched)) return fetched;
    int32_t jdn = 0;
    if (!era_date(a[0], a[1], a[2], a[3], &jdn)) return impossible(false_zero(), head, DateFunction::jdate, a);
    return int_to_number(jdn);
}

Symbol *builtin_time(Symbol *head) {
    int32_t a[2];
    Symbol *fetched = fetch_int_args(head, 2, a);
    if (fetch_failed(fetched)) return fetched;
    return minutes_answer(a[0], a[1], head, DateFunction::time, a);
}

Symbol *builtin_time12(Symbol *head) {
    int32_t a[3];
    Symbol *result = fetch_int_args(head, 3, a);
    if (fetch_failed(result)) return result;
    int32_t half = a[0], hour = a[1], minute = a[2];
    if ((half != 1 && half != 2) || hour >= 12) {
        result->status = 1;
        return impossible(result, head, DateFunction::time12, a);
    }
    if (half == 2) hour += 12;
    return minutes_answer(hour, minute, head, DateFunction::time12, a);
}

}  // namespace talv

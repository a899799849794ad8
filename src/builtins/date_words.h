// Why a date or time function answered false, or why its integer arguments
// were refused, in the trace's words.  Called only while a trace is on.
#pragma once

#include <cstdint>

#include "talvechk.h"

namespace talv {

enum class DateFunction { day, month, mdate, ydate, jdate, time, time12 };

// `answer` is the false Symbol about to be returned; args the integers
// the function read.
void trace_date_why(const Symbol *answer, Symbol *head, DateFunction function, const int32_t *args);

// The fetch refused the call: `given` arguments where `wanted` are taken,
// or (given == wanted) argument `bad` (from 1) is no whole number of at
// most eight digits.
void trace_argument_why(const Symbol *answer, Symbol *head, int wanted, int given, int bad);

}  // namespace talv

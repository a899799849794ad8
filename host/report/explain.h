// Why a check did not pass, in the values that decided it: both sides of
// the comparison that came out false, the arguments of a false call and
// what is impossible about a date or time among them, the piece where an
// error arose and why, the place where parsing stopped.  Worded from the
// library's trace of one re-evaluation of the check: the library says what
// was impossible, the difference of the sides and why a value could not be
// taken; nothing here recomputes it.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "input/encoding.h"
#include "input/form.h"
#include "check/trace_text.h"

namespace talvhost {

// The decisive steps of a traced evaluation of `expr_sjis` (the check of
// `field_utf8`), one object each with "kind", "piece", "start", "length",
// the values, and "text": the same as one line for people.
nlohmann::ordered_json decisive_steps(const std::vector<TraceStep> &steps, const std::string &expr_sjis,
                                      const std::string &field_utf8, Converter &conv);

// Evaluates the field's check once more with the trace on (the host must be
// serving the form) and returns {"check": expression, "explain": [...]}.
nlohmann::ordered_json explain_check(const FieldDef &def, Converter &conv);

// The lines a finding's detail ({"check", "explain", "suggestions"}) gives
// under it in the text report.
std::vector<std::string> detail_lines(const nlohmann::ordered_json &detail);

}  // namespace talvhost

// Every check of a form on one record, with the command's explanation of
// each (and its correction candidates), for Form.check(explain=True).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "check/single_calls.h"

namespace talvpy {

// Steps of one check's trace kept for its explanation, at most; a check of
// more steps is explained from these, and says that it was cut.
constexpr std::size_t kExplainSteps = 20000;

// As talvhost::evaluate_form; details gets one JSON object per check
// ({"check", "explain"[, "suggestions"]}), in the same order.  Suggestions
// are looked for only where the check did not pass.
std::vector<talvhost::CallResult> evaluate_form_explained(talvhost::Checker &checker, talvhost::Converter &conv,
                                                          const talvhost::Form &form, const talvhost::Record &record,
                                                          bool suggest, std::vector<std::string> &details);

}  // namespace talvpy

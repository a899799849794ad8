// Every check of a form on one record with the library's trace of each
// evaluation, for Form.check(explain=True).
#pragma once

#include <string>
#include <vector>

#include "single_calls.h"

namespace talvpy {

// As talvhost::evaluate_form; traces gets one JSON array per check (the
// steps, each with its description), in the same order.
std::vector<talvhost::CallResult> evaluate_form_traced(talvhost::Checker &checker, talvhost::Converter &conv,
                                                       const talvhost::Form &form, const talvhost::Record &record,
                                                       std::vector<std::string> &traces);

}  // namespace talvpy

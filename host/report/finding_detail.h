// A finding's detail, wrapped around the checker: the explanation of the
// failed check (its trace, in words), and under --suggest the correction
// candidates, both as the JSON object the reports print.
#pragma once

#include <cstddef>

#include "check/checker.h"

namespace talvhost {

// Findings of `checker` carry the detail asked for from now on (none: no
// detail).  suggest_budget: evaluations per form for the candidates (0: the
// default).
void attach_detail(Checker &checker, Detail detail, std::size_t suggest_budget = 0);

}  // namespace talvhost

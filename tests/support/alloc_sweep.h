// The allocation-failure sweep: per n = 1, 2, ..., `prepare(n)` with the hook
// disarmed, `attempt()` with allocation n made to fail, then `check(n,
// outcome, whole)` disarmed again, until an attempt makes fewer than n
// allocations (`whole`: nothing failed).  Answers the allocations failed in
// turn; a sweep longer than `most` fails the test.
#pragma once

#include <gtest/gtest.h>

#include "values/alloc.h"

namespace talv_test {

template <class Prepare, class Attempt, class Check>
long sweep_allocation_failures(Prepare prepare, Attempt attempt, Check check, long most) {
    for (long n = 1; n <= most; ++n) {
        prepare(n);
        talv::alloc_fail_at(n);
        const auto outcome = attempt();
        const long made = talv::alloc_count();
        talv::alloc_fail_at(0);
        check(n, outcome, made < n);
        if (made < n) return n - 1;
    }
    ADD_FAILURE() << "the sweep went past " << most << " allocations";
    return most;
}

}  // namespace talv_test

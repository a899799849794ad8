// The allocation-failure sweep of the unit tests, on the Windows build: every
// allocation of each evaluation of support/alloc_sweep_cases.h made to fail
// in turn gives a memory shortage (return 8, out-code 0xF00000FF) and
// releases everything, and the evaluation after it is sound.  The test hook
// is internal, so this program links the static core and the companion's
// sources instead of the DLLs.  Prints "alloc_sweep: N passed, M failed".
#include <cstdio>

#include "support/alloc_sweep_cases.h"
#include "talvechk.h"
#include "values/alloc.h"

// The core reads ext_func_tab as a DLL's import, through this pointer; here
// the table is linked in.
extern "C" {
FuncTab *__imp_ext_func_tab = ext_func_tab;
}

namespace {

using talv_test::EvalResult;

EvalResult run(const talv_test::SweepCase &c) {
    return c.certify ? talv_test::certify("TOTAL", c.expr) : talv_test::eval("TOTAL", c.expr);
}

// The failures of one expression's sweep; 0 when it is sound.
int sweep(const talv_test::SweepCase &c) {
    talv_test::FakeHost host;
    talv_test::fill_sweep_form(host);
    host.install();
    const EvalResult clean = run(c);
    PPR_end();
    if (clean.ret != 0 || clean.out != TALV_OK) {
        std::printf("FAILED: %s: return %08X out-code %08X without failures\n", c.expr, clean.ret, clean.out);
        return 1;
    }
    int failures = 0;
    for (long n = 1; n < 20000; ++n) {
        const long before = talv::alloc_live();
        host.install();
        talv::alloc_fail_at(n);
        const EvalResult r = run(c);
        const long made = talv::alloc_count();
        talv::alloc_fail_at(0);
        PPR_end();
        if (talv::alloc_live() != before) {
            std::printf("FAILED: %s: allocation %ld leaks %ld\n", c.expr, n, talv::alloc_live() - before);
            ++failures;
        }
        if (made < n) {
            if (r.ret != clean.ret || r.out != clean.out) ++failures;
            host.install();
            const EvalResult again = run(c);
            PPR_end();
            if (again.ret != clean.ret || again.out != clean.out) ++failures;
            return failures + (n <= 4);
        }
        if (r.ret != TALV_R_NO_MEMORY || r.out != TALV_E_INTERNAL) {
            std::printf("FAILED: %s: allocation %ld gives return %08X out-code %08X\n", c.expr, n, r.ret, r.out);
            ++failures;
        }
    }
    return failures + 1;
}

}  // namespace

int main() {
    int passed = 0, failed = 0;
    for (const auto &c : talv_test::kSweepCases) {
        if (sweep(c) == 0)
            ++passed;
        else
            ++failed, std::printf("FAILED: sweep of %s\n", c.expr);
    }
    std::printf("alloc_sweep: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

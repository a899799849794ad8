// Every allocation of a whole evaluation made to fail in turn, over every
// built-in and extension function, ranges, nested calls, assignments and
// certify mode: each failure is a memory shortage (return 8, out-code
// 0xF00000FF), everything allocated is released, and the next evaluation is
// sound.
#include <gtest/gtest.h>

#include <string>

#include "support/alloc_sweep.h"
#include "support/alloc_sweep_cases.h"
#include "support/fake_host.h"
#include "talvechk.h"

namespace {

using talv_test::EvalResult;
using talv_test::FakeHost;
using talv_test::SweepCase;

class HardenAllocationSweep : public ::testing::TestWithParam<SweepCase> {
protected:
    FakeHost host;
    void SetUp() override { talv_test::fill_sweep_form(host); }
    void TearDown() override {
        talv::alloc_fail_at(0);
        PPR_end();
    }
    EvalResult run(const SweepCase &c) {
        return c.certify ? talv_test::certify("TOTAL", c.expr) : talv_test::eval("TOTAL", c.expr);
    }
};

TEST_P(HardenAllocationSweep, EveryFailureIsAMemoryShortage) {
    const SweepCase &c = GetParam();
    // Every expression holds when nothing fails, so that the sweep walks the
    // whole evaluation rather than stopping at an early error.
    ASSERT_EQ(host.install(), 0u);
    EvalResult clean = run(c);
    ASSERT_EQ(clean.ret, 0u);
    ASSERT_EQ(clean.out, TALV_OK);
    PPR_end();

    long before = 0;
    const long failed = talv_test::sweep_allocation_failures(
        [&](long) {  // a fresh start, so that the scanner has to make its buffer again
            before = talv::alloc_live();
            EXPECT_EQ(host.install(), 0u);
        },
        [&] { return run(c); },
        [&](long n, const EvalResult &r, bool whole) {
            PPR_end();
            EXPECT_EQ(talv::alloc_live(), before) << "allocation " << n;
            EXPECT_EQ(r.ret, whole ? clean.ret : TALV_R_NO_MEMORY) << "allocation " << n;
            EXPECT_EQ(r.out, whole ? clean.out : TALV_E_INTERNAL) << "allocation " << n;
        },
        20000);
    RecordProperty("allocations", static_cast<int>(failed));
    EXPECT_GT(failed, 3);
    ASSERT_EQ(host.install(), 0u);
    EvalResult again = run(c);
    EXPECT_EQ(again.ret, clean.ret);
    EXPECT_EQ(again.out, clean.out);
}

INSTANTIATE_TEST_SUITE_P(Expressions, HardenAllocationSweep, ::testing::ValuesIn(talv_test::kSweepCases));

}  // namespace

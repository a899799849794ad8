// Every allocation of a whole evaluation, the scanner's buffer included, made
// to fail in turn: each failure is a memory shortage, never a crash or a leak.
#include <gtest/gtest.h>

#include "support/alloc_sweep.h"
#include "support/fake_host.h"
#include "talvechk.h"

namespace {

using talv_test::EvalResult;
using talv_test::FakeHost;

struct SweepCase {
    const char *expr;
    uint32_t out;   // the outcome when nothing fails
    bool certify;
};
std::ostream &operator<<(std::ostream &os, const SweepCase &c) { return os << '"' << c.expr << '"'; }

class LangAllocationSweep : public ::testing::TestWithParam<SweepCase> {
protected:
    FakeHost host;
    void SetUp() override {
        host.set("one", "1");
        host.set("two", "2");
        host.set("nine", "9");
        host.set("n1", "1");
        host.set("n2", "2");
        host.set("n3", "3");
        host.set("SELF", "7");
    }
    void TearDown() override {
        talv::alloc_fail_at(0);
        PPR_end();
    }
    EvalResult run(const SweepCase &c) {
        return c.certify ? talv_test::certify("SELF", c.expr) : talv_test::eval("SELF", c.expr);
    }
};

TEST_P(LangAllocationSweep, EveryFailureIsAMemoryShortage) {
    const SweepCase &c = GetParam();
    const long failed = talv_test::sweep_allocation_failures(
        [&](long) {  // a fresh start, so that the scanner has to make its buffer again
            PPR_end();
            EXPECT_EQ(host.install(), 0u);
        },
        [&] { return run(c); },
        [&](long n, const EvalResult &r, bool whole) {
            EXPECT_EQ(r.ret, whole ? 0u : TALV_R_NO_MEMORY) << "allocation " << n;
            EXPECT_EQ(r.out, whole ? c.out : TALV_E_INTERNAL) << "allocation " << n;
        },
        5000);
    RecordProperty("allocations", static_cast<int>(failed));
    EXPECT_GT(failed, 3) << "the sweep should cover the scanner's buffer and some Symbols";
    // and the library is sound afterwards
    EvalResult again = run(c);
    EXPECT_EQ(again.ret, 0u);
    EXPECT_EQ(again.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    LangSweep, LangAllocationSweep,
    ::testing::Values(SweepCase{"1+2*3==7", TALV_OK, false}, SweepCase{"1==2", TALV_FALSE, false},
                      SweepCase{"x=5, x*2==10", TALV_OK, false},
                      SweepCase{"[one]==1 || [two]==2 && [nine]==9", TALV_OK, false},
                      SweepCase{"-@*2==-14, 'a'", TALV_OK, false},
                      SweepCase{"sum([n1..3], 4)==10", TALV_OK, false},
                      SweepCase{"length('abc')+1==4, blank('')", TALV_OK, false},
                      SweepCase{"[one]==2, x=1, x", TALV_OK, true}));

}  // namespace

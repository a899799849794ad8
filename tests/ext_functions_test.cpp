// The companion library's functions inside whole evaluations: answers
// becoming out-codes, values used by operators, ranges and variables as
// arguments, certify mode, and memory running out anywhere.
#include <gtest/gtest.h>

#include <string>

#include "support/alloc_sweep.h"
#include "support/fake_host.h"

namespace {

using talv_test::eval;
using talv_test::FakeHost;

class ExtFunctions : public ::testing::Test {
protected:
    FakeHost host;

    void SetUp() override {
#ifdef TALV_EVALUATOR_INCOMPLETE
        GTEST_SKIP() << "parts of the evaluator are placeholders still";
#endif
        host.set("CARD", "4111 1111 1111 1111");
        host.set("BAD", "4111111111111112");
        host.set("ISBN", "4-10-101001-3");
        host.set("TXT", "12A4");
        host.set("LEN", "4");
        const char *my = "123456789018";
        for (int i = 0; i < 12; i++) host.set("M" + std::to_string(i + 1), std::string(1, my[i]));
        ASSERT_EQ(host.install(), 0u);
    }
    void TearDown() override { PPR_end(); }
};

constexpr uint32_t T = TALV_OK, F = TALV_FALSE;

TEST_F(ExtFunctions, InExpressions) {
    const struct { const char *expr; uint32_t out; } checks[] = {
        {"luhn([CARD])", T}, {"luhn(@)", T}, {"LUHN([BAD])", F},
        {"luhn([BAD]) == 1", T},             // a false answer's value is an ordinary operand
        {"mynumber([M1..12]) && digits([M1..12], 12)", T},
        {"mynumber('12345678901') == 0 - 1", T},
        {"n = '7000012050002', corpnumber(n)", T},
        {"digits([TXT]) == 3", T}, {"digits('123', [LEN])", F},
        {"blank([TXT]) || digits([TXT])", F},
        {"mod11([ISBN], '2,3,4,5,6,7,8,9,10'), ean('49123456')", T},
        {"luhn(1 / 0)", TALV_E_DIVIDE_BY_ZERO}, {"luhn([NOPE])", TALV_E_NO_FIELD},
        {"digits()", 0xA005000Au},
    };
    for (const auto &c : checks) {
        auto r = eval("CARD", c.expr);
        EXPECT_EQ(r.ret, 0u) << c.expr;
        EXPECT_EQ(r.out, c.out) << std::hex << c.expr << " gave " << r.out;
    }
}

TEST_F(ExtFunctions, CertifyReportsWrongArgumentsButNoFalseAnswer) {
    PPR_CERTIFY_RESULT rec;
    EXPECT_EQ(talv_test::certify("CARD", "MyNumber(1, 2)", &rec).out, 0xA002000Au);
    EXPECT_STREQ(rec.text, "MyNumber");
    EXPECT_EQ(talv_test::certify("CARD", "luhn([BAD])").out, TALV_OK);
}

TEST_F(ExtFunctions, RunningOutOfMemoryAnywhereIsReported) {
    talv_test::sweep_allocation_failures(
        [](long) {},
        [] { return eval("CARD", "mynumber([M1..12]) && mod11([ISBN], '2,3,4,5,6,7,8,9,10') && digits([TXT], 3)"); },
        [](long n, const talv_test::EvalResult &r, bool whole) {
            EXPECT_TRUE(r.ret != TALV_R_NO_MEMORY || !whole) << n;  // only a failure is a shortage
            if (r.ret == TALV_R_NO_MEMORY) return;
            EXPECT_EQ(r.ret, 0u) << n;
            EXPECT_EQ(r.out, F) << n;  // digits([TXT], 3) is false
        },
        1000);
}

}  // namespace

// The fast quotient against the trial-product long division it replaces,
// and both against an independent big-integer oracle.
#include <gtest/gtest.h>

#include <cstring>

#include "arith/groups.h"
#include "support/arith_numbers.h"
#include "support/reference_division.h"

namespace {

using talv_test::cpp_int;
using talv_test::format_num;
using talv_test::magnitude_of;
using talv_test::Num;
using talv_test::NumGenerator;
using talv_test::parse_num;
using talv_test::reference_divide;

bool is_zero(const Num &n) { return magnitude_of(n.g) == 0; }

int leading_group(const Num &n) {
    int t = 0;
    while (t < 34 && n.g[t] == 0) ++t;
    return t;
}

// Fast quotient equals the reference's; returns the reference's trial count,
// or -1 when it gave up within the budget.
long expect_same_quotient(const Num &a, const Num &d, long budget) {
    uint16_t fast[34], slow[34];
    talv::groups_divide(fast, a.g, d.g);
    auto outcome = reference_divide(slow, a.g, d.g, budget);
    if (outcome.gave_up) return -1;
    EXPECT_EQ(0, std::memcmp(fast, slow, sizeof fast))
        << format_num(a) << " / " << format_num(d) << ": " << talv_test::format_groups(fast, 0) << " vs "
        << talv_test::format_groups(slow, 0);
    return outcome.trial_products;
}

TEST(ArithDivisionReference, TrialProductMatchesGroupMultiplication) {
    NumGenerator gen(11);
    for (int round = 0; round < 2000; ++round) {
        Num d = gen.any();
        Num multiplier, by_rule;
        uint16_t q = static_cast<uint16_t>(gen.below(20000));
        multiplier.g[25] = q;
        talv::groups_mul(by_rule.g, d.g, multiplier.g);
        uint16_t trial[34];
        talv_test::reference_trial_product(trial, d.g, q);
        ASSERT_EQ(magnitude_of(trial), magnitude_of(by_rule.g)) << format_num(d) << " * " << q;
    }
}

// Operands of every shape, divisors below 10^96 (where the trial products
// cannot overflow the groups).  The reference's cost per quotient group grows
// with the gap between its one-group estimate and the true group, about
// D[t+1] / D[t]; where that gap is wide the dividend's top groups are cleared
// so that the quotient has fewer groups.  Pairs that would still need more
// than a few hundred trial products are left to the oracle test; those
// shapes get tests of their own below.
TEST(ArithDivisionReference, FastQuotientAgreesOnRandomPairs) {
    NumGenerator gen(20240612);
    int compared = 0, too_costly = 0;
    for (int round = 0; round < 24000; ++round) {
        Num a = gen.any(), d = gen.any();
        int t = leading_group(d);
        if (t < 2 || t == 34) continue;
        uint32_t next = t < 33 ? d.g[t + 1] : 0;
        uint32_t cost_per_group = (next + 1) / d.g[t] + 2;
        int quotient_groups = static_cast<int>(60 / cost_per_group) + 1;
        for (int k = 0; k < t - quotient_groups + 1; ++k) a.g[k] = 0;
        if (expect_same_quotient(a, d, 500) < 0)
            ++too_costly;
        else
            ++compared;
        if (HasFailure()) return;
    }
    EXPECT_GT(compared, 20000);
    EXPECT_LT(too_costly, compared / 25);
}

// Divisors whose leading group is 1..3 followed by large groups: the
// estimate is up to twice the true quotient group.
TEST(ArithDivisionReference, FastQuotientAgreesWhereEstimatesAreFarOff) {
    NumGenerator gen(31337);
    const char *divisors[] = {"1.9999", "1.99999999", "2.9999", "19999", "0.00019999", "1.0001",
                              "3.99989999", "10000.9999"};
    for (const char *text : divisors) {
        Num d = parse_num(text);
        for (int round = 0; round < 12; ++round) {
            // quotients of one to three groups
            int divisor_groups_above_units = 25 - leading_group(d);
            int extra = divisor_groups_above_units > 0 ? 4 * divisor_groups_above_units : 0;
            Num a = gen.digits(1 + gen.below(12) + extra, gen.below(9));
            expect_same_quotient(a, d, 100000);
        }
    }
}

TEST(ArithDivisionReference, FastQuotientAgreesOnTheWorstCase) {
    // 1.9999 * (10^24 - 1) / 1.9999: every quotient group is 9999 while the
    // estimate says 19998, so each costs 10^4 trial products.
    Num d = parse_num("1.9999");
    cpp_int quotient = boost::multiprecision::pow(cpp_int(10), 24) - 1;
    Num a = talv_test::num_of(magnitude_of(d.g) * quotient);
    long trials = expect_same_quotient(a, d, 1000000);
    EXPECT_GT(trials, 50000);
    uint16_t fast[34];
    talv::groups_divide(fast, a.g, d.g);
    EXPECT_EQ(magnitude_of(fast), quotient);
}

// Divisors of 97 digits and more: the trial product q * D can outgrow the
// 104 integer digits, wrap, and be accepted although it is too large.  The
// fast quotient stays exact there.
TEST(ArithDivisionReference, HugeDivisorsFollowTheOracle) {
    NumGenerator gen(4242);
    int reference_wrong = 0;
    for (int round = 0; round < 3000; ++round) {
        Num a = gen.digits(96 + gen.below(9), gen.below(33));
        Num d = gen.digits(97 + gen.below(8), gen.below(33));
        if (is_zero(d)) continue;
        uint16_t fast[34], slow[34];
        talv::groups_divide(fast, a.g, d.g);
        ASSERT_EQ(magnitude_of(fast), magnitude_of(a.g) / magnitude_of(d.g)) << format_num(a) << " / " << format_num(d);
        auto outcome = reference_divide(slow, a.g, d.g, 50000);
        if (!outcome.gave_up && magnitude_of(slow) != magnitude_of(fast)) ++reference_wrong;
    }
    // not asserted: how often the overflow strikes depends on the operands
    RecordProperty("reference_wrong", reference_wrong);

    Num a = parse_num("9999" + std::string(100, '0')), d = parse_num("19999" + std::string(96, '0'));
    uint16_t fast[34], slow[34];
    talv::groups_divide(fast, a.g, d.g);
    reference_divide(slow, a.g, d.g);
    EXPECT_EQ(magnitude_of(fast), cpp_int(4999));
    EXPECT_NE(magnitude_of(slow), cpp_int(4999)) << "the wrapped trial product is accepted";
}

}  // namespace

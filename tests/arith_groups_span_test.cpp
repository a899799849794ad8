// The group routines work on the nonzero span of their operands only; over
// operands of every span, non-canonical groups and shared arrays included,
// they give exactly what the whole-array loops give.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "arith/groups.h"
#include "support/arith_numbers.h"

namespace {

using talv::Group;
constexpr int N = talv::kGroupCount;

void whole_add(Group *out, const Group *x, const Group *y) {
    uint32_t carry = 0;
    for (int k = N - 1; k >= 0; --k) {
        uint32_t s = uint32_t{x[k]} + y[k] + carry;
        out[k] = static_cast<Group>(s % 10000);
        carry = s / 10000;
    }
}

void whole_mul(Group *out, const Group *x, const Group *y) {
    uint64_t column[N] = {};
    for (int n = 0; n < N; ++n) {
        if (x[n] == 0) continue;
        for (int m = 25 - n > 0 ? 25 - n : 0; m < N; ++m) {
            int i = n + m - 25;
            uint32_t p = uint32_t{x[n]} * y[m];
            if (i <= 33) column[i] += p;
            else if (i == 34) column[33] += p / 10000;
            else break;
        }
    }
    uint64_t carry = 0;
    for (int k = N - 1; k >= 0; --k) {
        uint64_t s = column[k] + carry;
        out[k] = static_cast<Group>(s % 10000);
        carry = s / 10000;
    }
}

struct Groups {
    Group g[N] = {};
};

// A few nonzero groups somewhere, now and then above 9999.
Groups random_groups(std::mt19937 &rng) {
    Groups a;
    const int first = static_cast<int>(rng() % N), width = static_cast<int>(rng() % 6);
    for (int k = first; k < N && k <= first + width; ++k) {
        a.g[k] = static_cast<Group>(rng() % 10000);
        if (rng() % 9 == 0) a.g[k] = static_cast<Group>(rng());
    }
    if (rng() % 10 == 0) a = Groups{};
    return a;
}

TEST(ArithGroupsSpan, SumAndProductMatchTheWholeArrayLoops) {
    std::mt19937 rng(2024);
    for (int i = 0; i < 20000; ++i) {
        Groups x = random_groups(rng), y = random_groups(rng);
        Groups expected, got;
        for (int k = 0; k < N; ++k) got.g[k] = static_cast<Group>(rng());  // the output starts dirty
        whole_add(expected.g, x.g, y.g);
        talv::groups_add(got.g, x.g, y.g);
        for (int k = 0; k < N; ++k) ASSERT_EQ(got.g[k], expected.g[k]) << "sum, case " << i << " group " << k;
        whole_mul(expected.g, x.g, y.g);
        talv::groups_mul(got.g, x.g, y.g);
        for (int k = 0; k < N; ++k) ASSERT_EQ(got.g[k], expected.g[k]) << "product, case " << i << " group " << k;
        // The output may be an input.
        Groups shared = x;
        whole_add(expected.g, x.g, x.g);
        talv::groups_add(shared.g, shared.g, shared.g);
        for (int k = 0; k < N; ++k) ASSERT_EQ(shared.g[k], expected.g[k]) << "shared sum, case " << i;
        shared = y;
        whole_mul(expected.g, x.g, y.g);
        talv::groups_mul(shared.g, x.g, shared.g);
        for (int k = 0; k < N; ++k) ASSERT_EQ(shared.g[k], expected.g[k]) << "shared product, case " << i;
    }
}

// The quotient reads only the groups that matter too, and skips its
// canonical copies for canonical operands: against an oracle over the same
// shapes, the carry out of group 0 of a non-canonical operand dropped as
// the copy drops it.
TEST(ArithGroupsSpan, QuotientMatchesTheOracle) {
    using talv_test::cpp_int;
    const cpp_int modulus = boost::multiprecision::pow(cpp_int(10), 4 * N);
    std::mt19937 rng(77);
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        Groups a = random_groups(rng), d = random_groups(rng);
        const cpp_int divisor = talv_test::magnitude_of(d.g) % modulus;
        if (divisor == 0) continue;
        const cpp_int expected = (talv_test::magnitude_of(a.g) % modulus) / divisor % modulus;
        Groups got;
        for (int k = 0; k < N; ++k) got.g[k] = static_cast<Group>(rng());
        talv::groups_divide(got.g, a.g, d.g);
        ASSERT_EQ(talv_test::magnitude_of(got.g), expected) << "case " << i;
        Groups shared = a;
        talv::groups_divide(shared.g, shared.g, d.g);
        ASSERT_EQ(talv_test::magnitude_of(shared.g), expected) << "shared, case " << i;
        ++compared;
    }
    EXPECT_GT(compared, 15000);
}

}  // namespace

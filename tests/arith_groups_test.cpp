// The magnitude routines on bare groups: hand-picked carries, borrows and
// truncations, then every routine against an independent big-integer oracle.
#include <gtest/gtest.h>

#include "arith/groups.h"
#include "support/arith_numbers.h"

namespace {

using talv_test::cpp_int;
using talv_test::format_groups;
using talv_test::magnitude_of;
using talv_test::Num;
using talv_test::NumGenerator;
using talv_test::parse_num;

std::string magnitude_text(const uint16_t *g) { return format_groups(g, 0); }

struct BinaryCase {
    const char *x, *y, *expected;
};

class ArithGroupsAddTable : public testing::TestWithParam<BinaryCase> {};
TEST_P(ArithGroupsAddTable, Sums) {
    Num x = parse_num(GetParam().x), y = parse_num(GetParam().y), out;
    talv::groups_add(out.g, x.g, y.g);
    EXPECT_EQ(magnitude_text(out.g), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    ArithCarries, ArithGroupsAddTable,
    testing::Values(BinaryCase{"9999", "1", "10000"}, BinaryCase{"0.9999", "0.0001", "1"},
                    BinaryCase{"99999999.99999999", "0.00000001", "100000000"},
                    BinaryCase{"0.00000000000000000000000000000001", "0.99999999999999999999999999999999", "1"}));

TEST(ArithGroupsAdd, CarryLandsInGroup24) {
    Num x = parse_num("9999"), y = parse_num("1"), out;
    talv::groups_add(out.g, x.g, y.g);
    EXPECT_EQ(out.g[24], 1);
    EXPECT_EQ(out.g[25], 0);
}

TEST(ArithGroupsAdd, WrapsPast10To104WithoutTrace) {
    std::string nines(104, '9');
    Num x = parse_num(nines), y = parse_num("6"), out;
    talv::groups_add(out.g, x.g, y.g);
    EXPECT_EQ(magnitude_text(out.g), "5");
}

TEST(ArithGroupsAdd, SameArrayInEveryArgument) {
    Num x = parse_num("5000.5");
    talv::groups_add(x.g, x.g, x.g);
    EXPECT_EQ(magnitude_text(x.g), "10001");
}

class ArithGroupsSubTable : public testing::TestWithParam<BinaryCase> {};
TEST_P(ArithGroupsSubTable, Differences) {
    Num x = parse_num(GetParam().x), y = parse_num(GetParam().y), out;
    talv::groups_sub(out.g, x.g, y.g);
    EXPECT_EQ(magnitude_text(out.g), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    ArithBorrowChains, ArithGroupsSubTable,
    testing::Values(BinaryCase{"10000", "0.0001", "9999.9999"}, BinaryCase{"1", "0.00000001", "0.99999999"},
                    BinaryCase{"0.0002", "0.0001", "0.0001"}, BinaryCase{"5", "5", "0"},
                    BinaryCase{"1000000000000", "0.00000000000000000000000000000001",
                               "999999999999.99999999999999999999999999999999"}));

TEST(ArithGroupsSub, BorrowTurnsUnitsGroupTo9999AndTakesFromGroup24) {
    Num x = parse_num("10000"), y = parse_num("0.0001"), out;
    talv::groups_sub(out.g, x.g, y.g);
    EXPECT_EQ(out.g[24], 0);
    EXPECT_EQ(out.g[25], 9999);
    EXPECT_EQ(out.g[26], 9999);
}

TEST(ArithGroupsSub, SmallerMinusLargerWrapsInsteadOfRunningOffTheGroups) {
    Num x = parse_num("1"), y = parse_num("2"), out;
    talv::groups_sub(out.g, x.g, y.g);
    cpp_int modulus = boost::multiprecision::pow(cpp_int(10), 136);
    EXPECT_EQ(magnitude_of(out.g), modulus - cpp_int(10) * boost::multiprecision::pow(cpp_int(10), 31));
}

class ArithGroupsMulTable : public testing::TestWithParam<BinaryCase> {};
TEST_P(ArithGroupsMulTable, Products) {
    Num x = parse_num(GetParam().x), y = parse_num(GetParam().y), out;
    talv::groups_mul(out.g, x.g, y.g);
    EXPECT_EQ(magnitude_text(out.g), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    ArithCases, ArithGroupsMulTable,
    testing::Values(BinaryCase{"2.5", "2.5", "6.25"}, BinaryCase{"0.0001", "0.0001", "0.00000001"},
                    BinaryCase{"2", "5000", "10000"}, BinaryCase{"10001", "50005000", "500100005000"},
                    BinaryCase{"3", "0", "0"},
                    // exact 2.56e-32: both partial products one group below
                    // the last keep only their high part 0, the one further
                    // below is dropped
                    BinaryCase{"0.00000000000000016", "0.00000000000000016",
                               "0.00000000000000000000000000000001"},
                    // 0.5e-32 * 2 lands one group below: high part 0
                    BinaryCase{"0.00000000000000000000000000000001", "0.5", "0"},
                    BinaryCase{"0.00000000000000000000000000000009", "0.9999",
                               "0.00000000000000000000000000000008"}));

TEST(ArithGroupsMul, GroupReachingExactly10000IsCarried) {
    Num x = parse_num("10001"), y = parse_num("50005000"), out;
    talv::groups_mul(out.g, x.g, y.g);
    EXPECT_EQ(out.g[23], 5001);
    EXPECT_EQ(out.g[24], 0);
    EXPECT_EQ(out.g[25], 5000);
}

TEST(ArithGroupsMul, DivisionMultiplierAbove9999StaysExact) {
    Num d = parse_num("1.9999"), m, out;
    m.g[25] = 19999;
    talv::groups_mul(out.g, d.g, m.g);
    EXPECT_EQ(magnitude_text(out.g), "39996.0001");
}

TEST(ArithGroupsMul, OutputMayBeAnInput) {
    Num x = parse_num("12345678.9"), y = parse_num("1000.001");
    talv::groups_mul(x.g, x.g, y.g);
    EXPECT_EQ(magnitude_text(x.g), "12345691245.6789");
    talv::groups_mul(y.g, y.g, y.g);
    EXPECT_EQ(magnitude_text(y.g), "1000002.000001");
}

struct DivCase {
    const char *a, *d, *quotient;
};
class ArithGroupsDivideTable : public testing::TestWithParam<DivCase> {};
TEST_P(ArithGroupsDivideTable, IntegerQuotient) {
    Num a = parse_num(GetParam().a), d = parse_num(GetParam().d), q;
    talv::groups_divide(q.g, a.g, d.g);
    // the quotient's units group is group 33
    Num shifted;
    for (int k = 8; k < 34; ++k) shifted.g[k - 8] = q.g[k];
    EXPECT_EQ(magnitude_text(shifted.g), GetParam().quotient);
}
INSTANTIATE_TEST_SUITE_P(
    ArithCases, ArithGroupsDivideTable,
    testing::Values(DivCase{"7", "2", "3"}, DivCase{"1", "3", "0"}, DivCase{"7.5", "2.5", "3"},
                    DivCase{"10", "0.3", "33"}, DivCase{"0", "5", "0"},
                    DivCase{"123456789.123", "0.001", "123456789123"},
                    DivCase{"99999999", "1.9999", "50002499"},
                    DivCase{"1", "0.00000000000000000000000000000001", "100000000000000000000000000000000"},
                    DivCase{"0.00000000000000000000000000000001", "0.00000000000000000000000000000001", "1"},
                    DivCase{"0.5", "0.00000000000000000000000000000003", "16666666666666666666666666666666"},
                    DivCase{"99990000", "1.9999", "49997499"}));

TEST(ArithGroupsDivide, HugeDivisorsAreExact) {
    // divisors of 97 digits and more: the quotient's estimate from the
    // leading group is far off and trial products would overflow the groups
    Num a = parse_num("9999" + std::string(100, '0')), d = parse_num("19999" + std::string(96, '0')), q;
    talv::groups_divide(q.g, a.g, d.g);
    EXPECT_EQ(magnitude_of(q.g), cpp_int(4999));
}

// Every routine against the oracle over operands of every shape.
TEST(ArithGroupsDifferential, MatchesBigIntegers) {
    NumGenerator gen(20240611);
    const cpp_int modulus = boost::multiprecision::pow(cpp_int(10), 136);
    const cpp_int scale = boost::multiprecision::pow(cpp_int(10), 32);
    cpp_int power[26];
    power[0] = 1;
    for (int k = 1; k < 26; ++k) power[k] = power[k - 1] * 10000;
    for (int round = 0; round < 4000; ++round) {
        Num x = gen.any(), y = gen.any(), out;
        cpp_int vx = magnitude_of(x.g), vy = magnitude_of(y.g);
        SCOPED_TRACE(format_groups(x.g, 0) + " and " + format_groups(y.g, 0));

        talv::groups_add(out.g, x.g, y.g);
        ASSERT_EQ(magnitude_of(out.g), (vx + vy) % modulus);

        int cmp = talv::groups_compare(x.g, y.g);
        ASSERT_EQ(cmp, vx < vy ? -1 : vx > vy ? 1 : 0);
        if (cmp >= 0) {
            talv::groups_sub(out.g, x.g, y.g);
            ASSERT_EQ(magnitude_of(out.g), vx - vy);
        }

        // The truncation rule from its definition: each group of x times
        // the part of y that lands at or above the last fraction group, plus
        // the high parts of the products landing one group below it.
        cpp_int rule = 0;
        for (int n = 0; n < 34; ++n) {
            rule += n >= 25 ? cpp_int(x.g[n]) * (vy / power[n - 25]) : cpp_int(x.g[n]) * vy * power[25 - n];
            if (n >= 26) rule += cpp_int(uint32_t{x.g[n]} * y.g[59 - n] / 10000);
        }
        talv::groups_mul(out.g, x.g, y.g);
        ASSERT_EQ(magnitude_of(out.g), rule % modulus);
        // ... which sits at most a few units of 10^-32 below the exact product
        cpp_int shortfall = ((vx * vy / scale) - magnitude_of(out.g)) % modulus;
        if (shortfall < 0) shortfall += modulus;
        ASSERT_LE(shortfall, 68);

        if (vy != 0) {
            talv::groups_divide(out.g, x.g, y.g);
            ASSERT_EQ(magnitude_of(out.g), vx / vy);
        }
    }
}

}  // namespace

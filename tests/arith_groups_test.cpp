// The magnitude routines on bare groups: hand-picked carries, borrows and
// truncations.  arith_differential_test.cpp holds the random comparison.
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

TEST(ArithGroupsDivide, HugeDivisorsAreExact) {
    // divisors of 97 digits and more: the quotient's estimate from the
    // leading group is far off and trial products would overflow the groups
    Num a = parse_num("9999" + std::string(100, '0')), d = parse_num("19999" + std::string(96, '0')), q;
    talv::groups_divide(q.g, a.g, d.g);
    EXPECT_EQ(magnitude_of(q.g), cpp_int(4999));
}

}  // namespace

// The six comparisons: every pairing of signs and magnitudes against the
// expected truth of all six at once, and what the results look like.
#include <gtest/gtest.h>

#include "support/arith_env.h"
#include "values/alloc.h"

namespace {

class ArithRelations : public talv_test::ArithFixture {};
using Relop = Symbol *(*)(Symbol *, Symbol *);

const Relop kRelops[6] = {relop_eq, relop_ne, relop_lt, relop_gt, relop_le, relop_ge};

struct RelCase {
    const char *left, *right;
    const char *truth;  // for == != < > <= >=, "1" holds
};
std::ostream &operator<<(std::ostream &os, const RelCase &c) { return os << c.left << " vs " << c.right; }

class ArithRelationTable : public talv_test::ArithFixture, public testing::WithParamInterface<RelCase> {};

TEST_P(ArithRelationTable, AllSixOperators) {
    const RelCase &c = GetParam();
    for (int k = 0; k < 6; ++k) {
        Symbol *r = kRelops[k](number(c.left), number(c.right));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->status, c.truth[k] == '1' ? 0 : 1) << "operator " << k;
        EXPECT_EQ(r->kind, 0);
        EXPECT_EQ(r->code, 0u);
    }
}

const std::string k10To103 = "1" + std::string(103, '0');
const std::string k10To103Less1 = std::string(103, '9');

INSTANTIATE_TEST_SUITE_P(
    ArithComparisons, ArithRelationTable,
    //                          == != <  >  <= >=
    testing::Values(RelCase{"0", "0", "100011"}, RelCase{"-2", "-1", "011010"}, RelCase{"-1", "-2", "010101"},
                    RelCase{"-1", "-1", "100011"}, RelCase{"1.5", "1.4999", "010101"},
                    RelCase{"0.0001", "0", "010101"}, RelCase{"-0.0001", "0", "011010"},
                    RelCase{"-5", "3", "011010"}, RelCase{"5", "-3", "010101"},
                    RelCase{"1.50", "1.5", "100011"}, RelCase{"3", "3.00000000000000000000000000000001", "011010"},
                    RelCase{k10To103.c_str(), k10To103Less1.c_str(), "010101"}));

TEST_F(ArithRelations, EqualWhateverTheWrittenForm) {
    host().set("F", "007");
    EXPECT_EQ(relop_eq(field("F"), number("7"))->status, 0);
    EXPECT_EQ(relop_eq(string("0"), op_minus(number("0")))->status, 0);
    EXPECT_EQ(relop_eq(string("-0.00"), number("0"))->status, 0);
}

TEST_F(ArithRelations, TextThatIsNoNumberIsAnErrorNotFalse) {
    for (Relop op : kRelops) {
        Symbol *r = op(string("abc"), number("1"));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->status, 2);
        EXPECT_EQ(r->code, TALV_E_NOT_NUMBER);
    }
}

TEST_F(ArithRelations, OrEqualRunsTheNestedOperators) {
    // result, strict comparison and equality: three result Symbols, each a
    // node and a cell; when the strict one holds equality is not asked
    Symbol *a = number("2"), *b = number("2"), *c = number("1");
    struct { Relop op; Symbol *left, *right; long allocations; } cases[] = {
        {relop_le, a, b, 6}, {relop_ge, a, b, 6}, {relop_le, c, a, 4}, {relop_ge, a, c, 4}};
    for (auto &k : cases) {
        talv::alloc_fail_at(0);
        Symbol *r = k.op(k.left, k.right);
        EXPECT_EQ(talv::alloc_count(), k.allocations);
        EXPECT_EQ(r->status, 0);
    }
    // a nested operator short of memory makes the whole comparison short of it
    for (long n : {3L, 5L}) {
        talv::alloc_fail_at(n);
        EXPECT_EQ(relop_le(a, b), nullptr);
    }
    talv::alloc_fail_at(0);
}

TEST_F(ArithRelations, CertifyComparisonWithDeclaredDigitsHolds) {
    open(true);
    host().set("A", "abc", "HAND_ANK", "NUM");
    host().set("K", "1", "HAND_ANK", "KAT");
    for (Relop op : kRelops) {
        Symbol *r = op(field("A"), number("1"));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(r->kind, TALV_NUMBER);
        EXPECT_EQ(r->charclass, TALV_CLASS_NUM);
        r = op(number("1"), field("K"));
        EXPECT_EQ(r->code, TALV_E_FIELD_NOT_NUMERIC);
        EXPECT_EQ(env->message_arg(), "K");
    }
}

}  // namespace

// The operators read numbers in place and plain texts without a copy; an
// operand the conversion cannot settle (a variable holding a field
// reference, which only an extension can store) still goes through the
// exported operations, each of which reads the field afresh.
#include <gtest/gtest.h>

#include "support/arith_env.h"

namespace {

using BinaryOp = Symbol *(*)(Symbol *, Symbol *);

class ArithOperandPaths : public talv_test::ArithFixture {};

TEST_F(ArithOperandPaths, VariableHoldingAFieldIsReadByEachOperationThatConvertsIt) {
    host().set("F", "3");
    struct Case {
        const char *what;
        BinaryOp op;
        const char *right;
        int reads;
    } cases[] = {
        {"sum of like signs: groups as they stand", op_add, "2", 1},
        {"difference: the magnitude comparisons", op_add, "-2", 3},
        {"product", op_mul, "2", 2},
        {"equality", relop_eq, "2", 2},
        {"quotient: groups as they stand", op_div, "2", 1},
    };
    for (const Case &c : cases) {
        ASSERT_NE(assign_variable("v", field("F")), nullptr);
        const int before = host().value_calls;
        Symbol *r = c.op(variable("v"), number(c.right));
        ASSERT_NE(r, nullptr) << c.what;
        EXPECT_LT(r->status, 2) << c.what;
        EXPECT_EQ(host().value_calls - before, c.reads) << c.what;
    }
}

TEST_F(ArithOperandPaths, OperandsReadInPlaceAreLeftAsTheyWere) {
    Symbol *n = number("-12.5");
    host().set("F", "\x82\x52");  // a full-width 3
    Symbol *sum = op_add(n, n);
    EXPECT_EQ(value_text(sum), "-25");
    EXPECT_EQ(value_text(op_mul(field("F"), n)), "-37.5");
    EXPECT_EQ(value_text(n), "-12.5");
    EXPECT_EQ(n->kind, TALV_NUMBER);
    EXPECT_EQ(relop_eq(op_sub(n, n), number("0"))->status, 0);
}

}  // namespace

namespace {

// A field of digits alone hands its value straight to the operator; every
// other text, and an implied decimal point, goes the reading way: the same
// numbers either way.
TEST_F(ArithOperandPaths, FieldsOfDigitsAloneReadAsTheirText) {
    struct Case {
        const char *value;
        const char *expected;  // value + 1
    } cases[] = {
        {"0", "1"}, {"7", "8"}, {"1234567890123456789", "1234567890123456790"},
        {"12345678901234567890", "12345678901234567891"},             // 20 digits: read as text
        {"\x82\x52\x82\x4f", "31"},                                    // full-width 30
        {"\x82\x52" "0", "31"},                                        // mixed widths
        {"007", "8"}, {" 5", "6"}, {"5 ", "6"}, {"-5", "-4"}, {"1.5", "2.5"},
    };
    for (const Case &c : cases) {
        host().set("F", c.value);
        Symbol *r = op_add(field("F"), number("1"));
        ASSERT_NE(r, nullptr) << c.value;
        EXPECT_EQ(value_text(r), c.expected) << c.value;
        // The right operand too, and twice over in one operator.
        EXPECT_EQ(value_text(op_add(number("1"), field("F"))), c.expected) << c.value;
        EXPECT_EQ(relop_eq(field("F"), field("F"))->status, 0) << c.value;
    }
    host().set("F", "125");
    decimal_point = 2;  // an implied point after two characters: "125" reads as 12.5
    EXPECT_EQ(value_text(op_add(field("F"), number("1"))), "13.5");
}

}  // namespace

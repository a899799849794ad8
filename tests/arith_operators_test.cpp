// +, -, unary -, * and / on Symbols: signs, canonical groups, how errors and
// memory shortage travel, and certify mode's judging by character class.
#include <gtest/gtest.h>

#include "support/arith_env.h"
#include "values/alloc.h"

namespace {

class ArithOperators : public talv_test::ArithFixture {};

using BinaryOp = Symbol *(*)(Symbol *, Symbol *);

struct OpCase {
    const char *name;
    BinaryOp op;
    const char *left, *right, *expected;
};

std::ostream &operator<<(std::ostream &os, const OpCase &c) {
    return os << c.left << " " << c.name << " " << c.right;
}

class ArithOperatorTable : public talv_test::ArithFixture, public testing::WithParamInterface<OpCase> {};

TEST_P(ArithOperatorTable, GivesCanonicalSignedValue) {
    const OpCase &c = GetParam();
    Symbol *left = number(c.left), *right = number(c.right);
    Symbol *r = c.op(left, right);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(r->code, 0u);
    EXPECT_EQ(r->kind, TALV_NUMBER);
    EXPECT_EQ(value_text(r), c.expected);
    // operands are computed on copies
    EXPECT_EQ(value_text(left), talv_test::format_num(talv_test::parse_num(c.left)));
}

const std::string k104Nines(104, '9');
const std::string kMinus104Nines = "-" + k104Nines;
const std::string k10To60 = "1" + std::string(60, '0');
const std::string k123To42 = "123" + std::string(42, '0');
const std::string k23To102 = "23" + std::string(102, '0');
const std::string k10To100 = "1" + std::string(100, '0');
const std::string kMinus10To100 = "-" + k10To100;
const std::string k9Then103Eights = "9" + std::string(103, '8');
const std::string k100EightsThen4Zeros = std::string(100, '8') + "0000";

INSTANTIATE_TEST_SUITE_P(
    ArithSums, ArithOperatorTable,
    testing::Values(OpCase{"-", op_sub, "5", "5", "0"}, OpCase{"+", op_add, "-3", "3", "0"},
                    OpCase{"+", op_add, "0.5", "-0.5", "0"}, OpCase{"-", op_sub, "-7", "-7", "0"},
                    OpCase{"+", op_add, "9999", "1", "10000"}, OpCase{"+", op_add, "0.9999", "0.0001", "1"},
                    OpCase{"+", op_add, "99999999.99999999", "0.00000001", "100000000"},
                    OpCase{"+", op_add, "0.00000000000000000000000000000001", "0.99999999999999999999999999999999", "1"},
                    OpCase{"-", op_sub, "1000000000000", "0.00000000000000000000000000000001",
                           "999999999999.99999999999999999999999999999999"},
                    OpCase{"-", op_sub, "0.0001", "0.0002", "-0.0001"},
                    OpCase{"-", op_sub, "10000", "0.0001", "9999.9999"},
                    OpCase{"-", op_sub, "1", "0.00000001", "0.99999999"},
                    OpCase{"+", op_add, "-2", "-3", "-5"}, OpCase{"+", op_add, "-2", "5", "3"},
                    OpCase{"+", op_add, "2", "-5", "-3"}, OpCase{"-", op_sub, "2", "-5", "7"},
                    OpCase{"-", op_sub, "-2", "5", "-7"}, OpCase{"-", op_sub, "-2", "-5", "3"},
                    OpCase{"-", op_sub, "-5", "-2", "-3"},
                    OpCase{"+", op_add, k104Nines.c_str(), "2", "1"},
                    // a wrap to exactly zero must not leave a negative zero
                    OpCase{"+", op_add, kMinus104Nines.c_str(), "-1", "0"}));

INSTANTIATE_TEST_SUITE_P(
    ArithProducts, ArithOperatorTable,
    testing::Values(OpCase{"*", op_mul, "2.5", "2.5", "6.25"}, OpCase{"*", op_mul, "0.0001", "0.0001", "0.00000001"},
                    OpCase{"*", op_mul, "2", "5000", "10000"},
                    OpCase{"*", op_mul, "10001", "50005000", "500100005000"},
                    OpCase{"*", op_mul, "0.00000000000000016", "0.00000000000000016",
                           "0.00000000000000000000000000000001"},
                    OpCase{"*", op_mul, "-3", "0", "0"}, OpCase{"*", op_mul, "-2", "-3", "6"},
                    OpCase{"*", op_mul, "-2", "3", "-6"}, OpCase{"*", op_mul, "2", "-3", "-6"},
                    // one group below the last: only the high part counts
                    OpCase{"*", op_mul, "-0.00000000000000000000000000000001", "0.5", "0"},
                    OpCase{"*", op_mul, "0.00000000000000000000000000000009", "0.9999",
                           "0.00000000000000000000000000000008"},
                    // 1.23 * 10^104 keeps its low 104 digits
                    OpCase{"*", op_mul, k10To60.c_str(), k123To42.c_str(), k23To102.c_str()}));

INSTANTIATE_TEST_SUITE_P(
    ArithQuotients, ArithOperatorTable,
    testing::Values(OpCase{"/", op_div, "7", "2", "3"}, OpCase{"/", op_div, "-7", "2", "-3"},
                    OpCase{"/", op_div, "7", "-2", "-3"}, OpCase{"/", op_div, "-7", "-2", "3"},
                    OpCase{"/", op_div, "-1", "3", "0"}, OpCase{"/", op_div, "0", "5", "0"},
                    OpCase{"/", op_div, "1", "3", "0"}, OpCase{"/", op_div, "7.5", "2.5", "3"},
                    OpCase{"/", op_div, "10", "0.3", "33"},
                    OpCase{"/", op_div, "123456789.123", "0.001", "123456789123"},
                    OpCase{"/", op_div, "99999999", "1.9999", "50002499"},
                    OpCase{"/", op_div, "99990000", "1.9999", "49997499"},
                    OpCase{"/", op_div, "1", "0.00000000000000000000000000000001", "100000000000000000000000000000000"},
                    OpCase{"/", op_div, "0.00000000000000000000000000000001", "0.00000000000000000000000000000001", "1"},
                    OpCase{"/", op_div, "0.5", "0.00000000000000000000000000000003", "16666666666666666666666666666666"},
                    // quotients past 10^104 keep their low 104 digits
                    OpCase{"/", op_div, k9Then103Eights.c_str(), "0.0001", k100EightsThen4Zeros.c_str()},
                    OpCase{"/", op_div, kMinus10To100.c_str(), "0.00000000000000000000000000000001", "0"}));

TEST_F(ArithOperators, ZeroDivisorInEveryWrittenForm) {
    Symbol *divisors[] = {create_symbol("0", TALV_NUMBER), create_symbol("0.00", TALV_NUMBER),
                          op_minus(create_symbol("0", TALV_NUMBER)), string("-0"), string("0.000")};
    for (Symbol *d : divisors) {
        Symbol *r = op_div(number("5"), d);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->status, 2);
        EXPECT_EQ(r->code, TALV_E_DIVIDE_BY_ZERO);
    }
}

TEST_F(ArithOperators, UnaryMinus) {
    Symbol *r = op_minus(string("123"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, TALV_NUMBER);
    EXPECT_EQ(value_text(r), "-123");
    EXPECT_EQ(value_text(op_minus(number("-0.5"))), "0.5");
    Symbol *zero = op_minus(number("0"));
    EXPECT_EQ(zero->sign, 0);
    Symbol *bad = op_minus(string("abc"));
    EXPECT_EQ(bad->status, 2);
    EXPECT_EQ(bad->code, TALV_E_NOT_NUMBER);
    Symbol *error = error_symbol(TALV_E_NO_VALUE);
    EXPECT_EQ(op_minus(error), error);
}

TEST_F(ArithOperators, StringsAndFieldsAreReadAsNumbers) {
    host().set("F", "012.50");
    EXPECT_EQ(value_text(op_add(field("F"), string("-2.5"))), "10");
    EXPECT_EQ(host().value_calls, 1);
    Symbol *text = string("7");
    op_mul(text, text);
    EXPECT_EQ(text->kind, TALV_STRING) << "the operand itself is never converted";
}

TEST_F(ArithOperators, FirstErrorWinsAndStopsBeforeTheRightOperand) {
    host().set("F", "1");
    BinaryOp ops[] = {op_add, op_sub, op_mul, op_div, relop_eq, relop_ne, relop_lt, relop_gt, relop_le, relop_ge};
    for (BinaryOp op : ops) {
        Symbol *left = variable("UNSET");
        Symbol *r = op(left, field("F"));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->code, TALV_E_NO_VALUE);
        EXPECT_EQ(host().value_calls, 0);

        Symbol *error = error_symbol(TALV_E_SYNTAX);
        EXPECT_EQ(op(number("1"), error), error);

        Symbol *conv = op(string("abc"), string("1 2"));
        EXPECT_EQ(conv->status, 2);
        EXPECT_EQ(conv->code, TALV_E_NOT_NUMBER);
        conv = op(string("1"), string("1 2"));
        EXPECT_EQ(conv->code, TALV_E_BLANK_IN_NUMBER);
    }
}

TEST_F(ArithOperators, FalseFunctionResultIsAnOrdinaryOperand) {
    Symbol *answered_false = number("4");
    answered_false->status = 1;
    Symbol *r = op_add(answered_false, number("1"));
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(value_text(r), "5");
}

TEST_F(ArithOperators, MemoryShortage) {
    host().set("F", "1");
    BinaryOp ops[] = {op_add, op_sub, op_mul, op_div, relop_eq, relop_le};
    for (BinaryOp op : ops) {
        Symbol *left = field("F"), *right = number("2");
        // the result comes first: without it no field is fetched
        talv::alloc_fail_at(1);
        EXPECT_EQ(op(left, right), nullptr);
        EXPECT_EQ(host().value_calls, 0);
        // the field's own Symbol cannot be made
        talv::alloc_fail_at(3, true);
        EXPECT_EQ(op(left, right), nullptr);
        talv::alloc_fail_at(0);
    }
    Symbol *one = number("1");
    talv::alloc_fail_at(1);
    EXPECT_EQ(op_minus(one), nullptr);
    talv::alloc_fail_at(0);
}

TEST_F(ArithOperators, CertifyJudgesDeclaredClassesInsteadOfValues) {
    open(true);
    host().set("N", "not a number", "HAND_ANK", "NUM");
    host().set("A", "12", "HAND_ANK", "ALP");
    host().set("ANY", "x", "HAND_ANK", "");  // no classes declared: all of them
    host().set("PLAIN", "6", "HAND_ANK", "");

    for (BinaryOp op : {op_add, op_sub, op_mul, op_div}) {
        Symbol *r = op(field("N"), number("1"));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(r->kind, TALV_NUMBER);
        EXPECT_EQ(r->charclass, TALV_CLASS_NUM);
        EXPECT_EQ(value_text(r), "0");
        EXPECT_EQ(op(number("1"), field("ANY"))->charclass, TALV_CLASS_NUM);

        talv::g_state.message_arg[0] = '\0';
        r = op(number("1"), field("A"));
        EXPECT_EQ(r->status, 2);
        EXPECT_EQ(r->code, TALV_E_FIELD_NOT_NUMERIC);
        EXPECT_EQ(env->message_arg(), "A");
    }
    // a type-only result is itself class-judged by the next operator
    EXPECT_EQ(op_mul(op_add(field("N"), number("1")), number("3"))->charclass, TALV_CLASS_NUM);
}

TEST_F(ArithOperators, CertifyZeroDivisorAndNegation) {
    open(true);
    host().set("A", "x", "HAND_ANK", "ALP");
    host().set("B", "x", "HAND_ANK", "NUM");

    Symbol *r = op_div(field("B"), number("0"));
    EXPECT_EQ(r->code, TALV_E_DIVIDE_BY_ZERO) << "the divisor is tested before the dividend's class decides";
    r = op_div(number("7"), field("B"));
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(r->charclass, TALV_CLASS_NUM);

    Symbol *negated = op_minus(field("B"));
    EXPECT_EQ(negated->kind, TALV_NUMBER);
    EXPECT_EQ(negated->charclass, 0);
    EXPECT_EQ(value_text(negated), "0");
    EXPECT_EQ(op_div(number("1"), negated)->code, TALV_E_DIVIDE_BY_ZERO);
    r = op_minus(field("A"));
    EXPECT_EQ(r->code, TALV_E_FIELD_NOT_NUMERIC);
    EXPECT_EQ(env->message_arg(), "A");
}

TEST_F(ArithOperators, OutsideCertifyClassesAreNeverConsulted) {
    host().set("A", "12", "HAND_ANK", "ALP");
    EXPECT_EQ(value_text(op_add(field("A"), number("1"))), "13");
    EXPECT_EQ(value_text(op_minus(field("A"))), "-12");
}

}  // namespace

namespace {

class ArithMagnitudes : public talv_test::ArithFixture {};

TEST_F(ArithMagnitudes, ComparisonsConvertAndPassOnConversionCodes) {
    EXPECT_EQ(abs_equal(string("-12.0"), number("12")), 10u);
    EXPECT_EQ(abs_greater_than(number("0"), number("-0")), 20u);
    EXPECT_EQ(abs_greater_than(number("-3"), number("2")), 10u);
    Symbol *text = string("abc");
    EXPECT_EQ(abs_equal(number("1"), text), TALV_E_NOT_NUMBER);
    EXPECT_EQ(abs_greater_than(text, number("1")), TALV_E_NOT_NUMBER);
    EXPECT_EQ(abs_mul(number("0"), number("2"), text), TALV_E_NOT_NUMBER);
}

TEST_F(ArithMagnitudes, ProductIntoAnOperandAndSignDropped) {
    Symbol *x = number("-1.5");
    EXPECT_EQ(abs_mul(x, x, x), 0u);
    EXPECT_EQ(value_text(x), "2.25");
    Symbol *s = string("-3");
    Symbol *out = string("junk");
    EXPECT_EQ(abs_mul(out, s, s), 0u);
    EXPECT_EQ(out->kind, TALV_NUMBER);
    EXPECT_EQ(value_text(out), "9");
    EXPECT_EQ(s->kind, TALV_NUMBER) << "abs_mul converts its arguments in place";
}

// Extension functions may hand over Symbols filled by hand.
TEST_F(ArithMagnitudes, HandFilledGroupsAndNullsStaySafe) {
    Symbol *odd = number("0");
    odd->digits[33] = 65535;  // not a base-10000 group
    odd->digits[25] = 20000;
    Symbol *r = op_div(number("100000"), odd);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(value_text(r), "4");  // 100000 / 20000.0000000000000000000000065535
    r = op_mul(odd, odd);
    EXPECT_EQ(r->status, 0);
    for (int k = 0; k < 34; ++k) ASSERT_LE(r->digits[k], 9999);
    Symbol *wrapping_to_zero = number("0");
    wrapping_to_zero->digits[0] = 10000;  // 10^104: nothing once carried
    r = op_div(number("5"), wrapping_to_zero);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(value_text(r), "0");

    Symbol *one = number("1");
    EXPECT_EQ(abs_add(nullptr, one, one), 0);
    EXPECT_EQ(abs_sub(one, nullptr, one), 0);
    EXPECT_EQ(abs_mul(nullptr, one, one), TALV_I_NO_MEMORY);
    EXPECT_EQ(op_add(nullptr, one), nullptr);
    EXPECT_EQ(op_minus(nullptr), nullptr);
    EXPECT_EQ(relop_ge(one, nullptr), nullptr);
}

}  // namespace

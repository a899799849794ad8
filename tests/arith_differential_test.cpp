// Every operator against an independent big-integer oracle over random
// signed operands of up to 104 integer and 32 fraction digits, values held
// as integers scaled by 10^32.
#include <gtest/gtest.h>

#include "support/arith_env.h"

namespace {

using talv_test::cpp_int;
using talv_test::format_num;
using talv_test::magnitude_of;
using talv_test::Num;
using talv_test::num_of;
using talv_test::NumGenerator;

class ArithDifferential : public talv_test::ArithFixture {
protected:
    const cpp_int modulus = boost::multiprecision::pow(cpp_int(10), 136);
    const cpp_int integer_modulus = boost::multiprecision::pow(cpp_int(10), 104);
    const cpp_int scale = boost::multiprecision::pow(cpp_int(10), 32);
    cpp_int power[26];

    void SetUp() override {
        ArithFixture::SetUp();
        power[0] = 1;
        for (int k = 1; k < 26; ++k) power[k] = power[k - 1] * 10000;
    }

    // The product's truncation from its definition: each group of x times
    // the part of y that lands at or above the last fraction group, plus the
    // high parts of the products landing one group below it.
    cpp_int truncated_product(const Num &x, const Num &y) const {
        cpp_int vy = magnitude_of(y.g), rule = 0;
        for (int n = 0; n < 34; ++n) {
            rule += n >= 25 ? cpp_int(x.g[n]) * (vy / power[n - 25]) : cpp_int(x.g[n]) * vy * power[25 - n];
            if (n >= 26) rule += cpp_int(uint32_t{x.g[n]} * y.g[59 - n] / 10000);
        }
        return rule % modulus;
    }

    static Num signed_magnitude(const cpp_int &magnitude, bool negative) {
        return num_of(negative ? cpp_int(-magnitude) : magnitude);
    }

    void expect_value(Symbol *r, const Num &expected, const char *what) {
        ASSERT_NE(r, nullptr) << what;
        ASSERT_EQ(r->status, 0) << what;
        ASSERT_EQ(value_text(r), format_num(expected)) << what;
    }
};

TEST_F(ArithDifferential, MatchesBigIntegers) {
    NumGenerator gen(20240613);
    for (int round = 0; round < 3000; ++round) {
        free_all_symbol();
        init_symbol_list();
        Num x = gen.any(), y = gen.any();
        cpp_int vx = talv_test::value_of(x), vy = talv_test::value_of(y);
        SCOPED_TRACE(format_num(x) + " and " + format_num(y));
        bool signs_differ = x.sign != y.sign;

        expect_value(op_add(number_of(x), number_of(y)), num_of(vx + vy), "+");
        expect_value(op_sub(number_of(x), number_of(y)), num_of(vx - vy), "-");

        cpp_int product = truncated_product(x, y);
        expect_value(op_mul(number_of(x), number_of(y)), signed_magnitude(product, signs_differ), "*");
        // ... a few units of 10^-32 at most below the exact product
        cpp_int shortfall = ((abs(vx * vy) / scale) - product) % modulus;
        if (shortfall < 0) shortfall += modulus;
        ASSERT_LE(shortfall, 68);

        if (vy != 0) {
            cpp_int quotient = (abs(vx) / abs(vy)) % integer_modulus * scale;
            expect_value(op_div(number_of(x), number_of(y)), signed_magnitude(quotient, signs_differ), "/");
        }

        const bool truth[6] = {vx == vy, vx != vy, vx < vy, vx > vy, vx <= vy, vx >= vy};
        Symbol *(*const relops[6])(Symbol *, Symbol *) = {relop_eq, relop_ne, relop_lt, relop_gt, relop_le, relop_ge};
        for (int k = 0; k < 6; ++k) {
            Symbol *r = relops[k](number_of(x), number_of(y));
            ASSERT_NE(r, nullptr);
            ASSERT_EQ(r->status, truth[k] ? 0 : 1) << "relation " << k;
        }
        // the same number compared with itself, as two separate Symbols
        ASSERT_EQ(relop_eq(number_of(x), number_of(x))->status, 0);
        ASSERT_EQ(relop_lt(number_of(x), number_of(x))->status, 1);
    }
}

}  // namespace

// Number literals of digits alone that fit a word are read in one pass; the
// same value spelt so that it cannot be (a point after it, leading zeros
// past a word's digits) reads to the same groups.
#include <gtest/gtest.h>

#include <string>

#include "support/values_support.h"

namespace {

class ValuesLiteral : public values_test::ValuesFixture {};

TEST_F(ValuesLiteral, DigitsAloneReadAsTheirLongerSpellings) {
    const std::string literals[] = {"", "0", "7", "42", "9999", "10000", "65536", "123456789",
                                    "18446744073709551", "1844674407370955161", std::string(19, '9'),
                                    "1000000000000000000", "0000000000000000001", std::string(20, '9'),
                                    std::string(21, '1')};
    for (const std::string &literal : literals) {
        Symbol *quick = sym_alloc();
        quick->sign = 1;
        ASSERT_EQ(jis8_to_number(quick, literal.c_str()), 0u) << literal;
        EXPECT_EQ(quick->kind, TALV_NUMBER);
        EXPECT_EQ(quick->sign, 1) << literal;  // left alone
        for (const std::string &longer : {literal + ".", literal + ".000", std::string(24, '0') + literal}) {
            Symbol *general = sym_alloc();
            general->sign = 1;
            ASSERT_EQ(jis8_to_number(general, longer.c_str()), 0u) << longer;
            EXPECT_EQ(std::memcmp(quick, general, sizeof *quick), 0) << literal << " against " << longer;
        }
        // Read from the Symbol's own text, which the groups overwrite.
        Symbol *own = sym_alloc();
        own->sign = 1;
        std::memcpy(own->text, literal.c_str(), literal.size() + 1);
        ASSERT_EQ(jis8_to_number(own, own->text), 0u) << literal;
        EXPECT_EQ(std::memcmp(own->digits, quick->digits, sizeof own->digits), 0) << literal;
    }
}

TEST_F(ValuesLiteral, ANonDigitStillFailsWithWhatWasAdded) {
    for (const char *literal : {"12a", "a", "1-", "12345678901234567890x", "1.2.3"}) {
        Symbol *sym = sym_alloc();
        EXPECT_EQ(jis8_to_number(sym, literal), TALV_E_NOT_NUMBER) << literal;
        EXPECT_EQ(sym->kind, TALV_NUMBER) << literal;
    }
    Symbol *sym = sym_alloc();
    jis8_to_number(sym, "12a");
    EXPECT_EQ(values_test::plain(*sym), "120");  // the digits before the fault stay, placed by the length
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "support/values_support.h"
#include "talvechk.h"

namespace {

using values_test::fw;
using values_test::plain;

class ValuesNumber : public values_test::ValuesFixture {};

struct ModeCase {
    const char *name;
    std::string text;
    int32_t all, in, right, point;
    uint32_t code;
    std::string value;  // when code is 0
};

constexpr int32_t A = 4, I = 1, R = 2;  // the modes every evaluation starts with

TEST_F(ValuesNumber, DtchkNumberAppliesEveryBlankModeAndTheImpliedPoint) {
    const ModeCase cases[] = {
        {"half width", "123", A, I, R, 0, 0, "123"},
        {"full width", fw("123"), A, I, R, 0, 0, "123"},
        {"mixed widths", "1" + fw("2") + "3", A, I, R, 0, 0, "123"},
        {"all blank as zero", "   ", A, I, R, 0, 0, "0"},
        {"empty as zero", "", A, I, R, 0, 0, "0"},
        {"all blank error", "", 1, I, R, 0, TALV_E_NOT_NUMBER, ""},
        {"all blank ignore still an error", " ", 2, I, R, 0, TALV_E_NOT_NUMBER, ""},
        {"all blank other mode", fw("  "), 7, I, R, 0, TALV_E_NOT_NUMBER, ""},
        {"outer blanks", " 12 ", A, I, R, 0, 0, "12"},
        {"leading blanks under strict modes", "  5", A, 1, 1, 0, 0, "5"},
        {"inner blank kept", "1 2", A, 1, R, 0, TALV_E_BLANK_IN_NUMBER, ""},
        {"inner blank other mode kept", "1 2", A, 3, R, 0, TALV_E_BLANK_IN_NUMBER, ""},
        {"inner blank removed", "1 2", A, 2, R, 0, 0, "12"},
        {"inner blank as zero", "1 2", A, 4, R, 0, 0, "102"},
        {"blank after sign kept", "- 5", A, I, R, 0, 0, "-5"},
        {"blank after sign as zero", "- 5", A, 4, R, 0, 0, "-5"},
        {"blank after yen", "\\ 7", A, I, R, 0, 0, "7"},
        {"yen sign", "\\1200", A, I, R, 0, 0, "1200"},
        {"yen then sign", "\\-3", A, I, R, 0, 0, "-3"},
        {"plus sign", "+5", A, I, R, 0, 0, "5"},
        {"right blank error", "12 ", A, I, 1, 0, TALV_E_BLANK_IN_NUMBER, ""},
        {"right blank dropped", "12 ", A, I, 2, 0, 0, "12"},
        {"right blank other mode dropped", "12 ", A, I, 9, 0, 0, "12"},
        {"right blank as zero", "12 ", A, I, 4, 0, 0, "120"},
        {"right blanks as zeros", "12  ", A, I, 4, 0, 0, "1200"},
        {"point 4 counts the blank", " 12345", A, I, R, 4, 0, "123.45"},
        {"point 4 beyond the digits", "123", A, I, R, 4, TALV_E_BLANK_IN_NUMBER, ""},
        {"point 4 after the last digit", "1234", A, I, R, 4, 0, "1234"},
        {"point 4 with an explicit point", "12.5", A, I, R, 4, TALV_E_CONVERSION, ""},
        {"point counts the sign", "-1234", A, I, R, 3, 0, "-12.34"},
        {"point before the first digit", "-1234", A, I, R, 1, TALV_E_BLANK_IN_NUMBER, ""},
        {"point counts trailing zeros", "12 ", A, I, 4, 2, 0, "12"},
        {"removed inner blanks do not count", "1 234", A, 2, R, 2, 0, "12.34"},
        {"no point at 0", "1234", A, I, R, 0, 0, "1234"},
        {"no point below 0", "1234", A, I, R, -3, 0, "1234"},
        // 134 digits, the point and 2 more digits: 137 characters, so the last is cut
        {"point above 134 counts as 134", std::string(136, '1'), A, I, R, 500, 0,
         std::string(104, '1') + ".1"},
        {"group separator", "1,000", A, I, R, 0, TALV_E_NOT_NUMBER, ""},
        {"two points", "1.2.3", A, I, R, 0, TALV_E_CONVERSION, ""},
        {"exponent", "1e5", A, I, R, 0, TALV_E_NOT_NUMBER, ""},
        {"trailing sign", "5-", A, I, R, 0, TALV_E_NOT_NUMBER, ""},
        {"only minus", "-", A, I, R, 0, 0, "0"},
        {"only point", ".", A, I, R, 0, 0, "0"},
        {"only yen", "\\", A, I, R, 0, 0, "0"},
        {"minus zero", "-0.0", A, I, R, 0, 0, "0"},
        {"point first", ".5", A, I, R, 0, 0, "0.5"},
        {"point last", "5.", A, I, R, 0, 0, "5"},
        {"40 fraction digits keep 32", "0." + std::string(40, '7'), A, I, R, 0, 0, "0." + std::string(32, '7')},
        {"110 integer digits keep the last 104", "98765" + std::string(105, '3'), A, I, R, 0, 0,
         std::string(104, '3')},
        {"tab", "1\t2", A, I, R, 0, TALV_I_BAD_CHARACTER, ""},
        {"line feed", "12\n", A, I, R, 0, TALV_I_BAD_CHARACTER, ""},
        {"byte A0 ends the text", "12\xA0" "x", A, I, R, 0, 0, "12"},
        {"katakana", "\xB6", A, I, R, 0, TALV_E_NOT_NUMBER, ""},
    };
    for (const ModeCase &c : cases) {
        Symbol *sym = text_symbol(c.text);
        EXPECT_EQ(dtchk_number(sym, c.all, c.in, c.right, c.point), c.code) << c.name;
        if (c.code == 0) {
            EXPECT_EQ(sym->kind, TALV_NUMBER) << c.name;
            EXPECT_EQ(plain(*sym), c.value) << c.name;
        } else {
            EXPECT_EQ(sym->kind, TALV_STRING) << c.name;
        }
    }
}

TEST_F(ValuesNumber, FailuresBeforeThePrefixLeaveTheTextUntouched) {
    for (const char *text : {"12 ", "", "1\t"}) {
        Symbol *sym = text_symbol(text);
        EXPECT_NE(dtchk_number(sym, 1, 1, 1, 0), 0u);
        EXPECT_STREQ(sym->text, text);
        EXPECT_EQ(sym->kind, TALV_STRING);
    }
}

TEST_F(ValuesNumber, DtchkNumberPassesNumbersAndErrorsThrough) {
    Symbol *number = create_symbol("12", TALV_NUMBER);
    EXPECT_EQ(dtchk_number(number, 1, 1, 1, 9), 0u);
    EXPECT_EQ(plain(*number), "12");

    Symbol *error = text_symbol("12");
    error->status = 2;
    error->code = TALV_E_NO_FIELD;
    EXPECT_EQ(dtchk_number(error, A, I, R, 0), TALV_E_NO_FIELD);
    EXPECT_EQ(error->kind, TALV_STRING);

    EXPECT_EQ(dtchk_number(nullptr, A, I, R, 0), TALV_I_NO_MEMORY);
}

TEST_F(ValuesNumber, SymNumberUsesTheModeVariablesAsTheyStand) {
    in_blank = 2;
    decimal_point = 2;
    Symbol *sym = text_symbol("1 23");
    EXPECT_EQ(sym_number(sym), 0u);
    EXPECT_EQ(plain(*sym), "12.3");

    all_blank = 1;
    EXPECT_EQ(sym_number(text_symbol("  ")), TALV_E_NOT_NUMBER);
}

struct TextCase {
    const char *name;
    std::string text;
    uint32_t code;
    std::string value;
};

TEST_F(ValuesNumber, ToNumberReadsFullWidthTextOnly) {
    const TextCase cases[] = {
        {"digits", fw("\\-12.5"), 0, "-12.5"},
        {"half-width digits", "123", TALV_E_NOT_NUMBER, ""},
        {"a single half-width digit", "1", TALV_E_NOT_NUMBER, ""},
        {"trailing half-width digit", fw("1") + "2", TALV_E_NOT_NUMBER, ""},
        {"blank in the integer part", fw("1 2"), TALV_E_BLANK_IN_NUMBER, ""},
        {"blank in the fraction", fw("1.2 "), TALV_E_BLANK_IN_NUMBER, ""},
        {"second point", fw("1.2.3"), TALV_E_CONVERSION, ""},
        {"letter in the fraction", fw("1.2") + "\x82\x60", TALV_E_NOT_NUMBER, ""},
        {"36th fraction character examined", fw("0." + std::string(35, '1')) + "\x82\x60", TALV_E_NOT_NUMBER, ""},
        {"37th fraction character ignored", fw("0." + std::string(36, '1')) + "\x82\x60", 0,
         "0." + std::string(32, '1')},
        {"empty", "", 0, "0"},
        {"minus zero", fw("-0"), 0, "0"},
    };
    for (const TextCase &c : cases) {
        Symbol *sym = text_symbol(c.text);
        EXPECT_EQ(to_number(sym), c.code) << c.name;
        if (c.code == 0) {
            EXPECT_EQ(plain(*sym), c.value) << c.name;
        }
        EXPECT_EQ(sym->kind, c.code == 0 ? TALV_NUMBER : TALV_STRING) << c.name;
    }
    Symbol *signed_failure = text_symbol(fw("-") + "\x82\x60");
    EXPECT_EQ(to_number(signed_failure), TALV_E_NOT_NUMBER);
    EXPECT_EQ(signed_failure->sign, 1);  // the sign is written before the digits are read
}

TEST_F(ValuesNumber, ToCharacterWritesTheShortestFullWidthForm) {
    const struct {
        std::string literal;
        bool negative;
        std::string text;
    } cases[] = {
        {"1234.5", false, "1234.5"},
        {"0.25", true, "-0.25"},
        {"0", false, "0"},
        {"10000", false, "10000"},
        {"0.0001", false, "0.0001"},
        {"100000000.00050000", false, "100000000.0005"},
        {"1" + std::string(103, '0'), false, "1" + std::string(103, '0')},
    };
    for (const auto &c : cases) {
        Symbol *sym = create_symbol(c.literal.c_str(), TALV_NUMBER);
        sym->sign = c.negative;
        EXPECT_EQ(to_character(sym), 0u) << c.literal;
        EXPECT_EQ(sym->kind, TALV_STRING);
        EXPECT_EQ(std::string(sym->text), fw(c.text)) << c.literal;
    }
}

TEST_F(ValuesNumber, ToCharacterFitsTheLongestNumberIntoText) {
    const std::string integer(104, '9');
    const std::string fraction = std::string(30, '0') + "12";

    Symbol *positive = create_symbol((integer + "." + fraction).c_str(), TALV_NUMBER);
    EXPECT_EQ(to_character(positive), 0u);
    EXPECT_EQ(std::string(positive->text), fw(integer + "." + fraction));  // 137 characters fit

    Symbol *negative = create_symbol((integer + "." + fraction).c_str(), TALV_NUMBER);
    negative->sign = 1;
    EXPECT_EQ(to_character(negative), 0u);
    EXPECT_EQ(std::string(negative->text), fw("-" + integer + "." + fraction.substr(0, 31)));

    Symbol *zeros_left = create_symbol((integer + "." + std::string(31, '0') + "5").c_str(), TALV_NUMBER);
    zeros_left->sign = 1;
    EXPECT_EQ(to_character(zeros_left), 0u);
    EXPECT_EQ(std::string(zeros_left->text), fw("-" + integer));
}

TEST_F(ValuesNumber, ToCharacterLeavesTextAloneAndPassesErrors) {
    Symbol *text = text_symbol("abc");
    EXPECT_EQ(to_character(text), 0u);
    EXPECT_STREQ(text->text, "abc");

    Symbol *error = create_symbol("5", TALV_NUMBER);
    error->status = 2;
    error->code = TALV_E_DIVIDE_BY_ZERO;
    EXPECT_EQ(to_character(error), TALV_E_DIVIDE_BY_ZERO);
    EXPECT_EQ(error->kind, TALV_NUMBER);
}

// Writing a number and reading it back gives the same groups.
TEST_F(ValuesNumber, ToCharacterAndToNumberRoundTrip) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 2000; ++i) {
        Symbol *sym = sym_alloc();
        const int first = static_cast<int>(rng() % TALV_GROUPS);
        for (int k = first; k < TALV_GROUPS; ++k) sym->digits[k] = rng() % 3 == 0 ? 0 : rng() % 10000;
        sym->kind = TALV_NUMBER;
        sym->sign = static_cast<int32_t>(rng() % 2);
        if (sym->sign == 1 && first == 0 && sym->digits[0] >= 1000 && sym->digits[33] % 10 != 0) continue;
        bool zero = true;
        for (int k = 0; k < TALV_GROUPS; ++k) zero = zero && sym->digits[k] == 0;
        if (zero) sym->sign = 0;
        const std::string before = plain(*sym);
        ASSERT_EQ(to_character(sym), 0u);
        ASSERT_EQ(to_number(sym), 0u) << before;
        ASSERT_EQ(plain(*sym), before);
    }
}

}  // namespace

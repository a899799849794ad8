#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "support/alloc_sweep.h"
#include "support/values_support.h"
#include "talvechk.h"
#include "values/alloc.h"
#include "values/field_symbol.h"

namespace {

using values_test::fw;
using values_test::plain;

class ValuesSymbol : public values_test::ValuesFixture {};

struct TokenCase {
    const char *name;
    std::string token;
    int kind;
    std::string text;
};

TEST_F(ValuesSymbol, CreateSymbolStripsDelimitersAndCutsEachKindAtItsLimit) {
    const std::string forty(40, 'F');
    const TokenCase cases[] = {
        {"string", "'abc'", TALV_STRING, "abc"},
        {"empty string", "''", TALV_STRING, ""},
        {"field with blanks", "[ Total $", TALV_FIELD, "Total"},
        {"field ended by line feed", "[A1\n", TALV_FIELD, "A1"},
        {"long field", "[" + forty + "$", TALV_FIELD, forty.substr(0, 32)},
        {"field cut then trimmed", "[" + std::string(30, 'G') + "  xyz$", TALV_FIELD, std::string(30, 'G')},
        {"field of 40 leading blanks", "[" + std::string(40, ' ') + "X$", TALV_FIELD, std::string(8, ' ') + "X"},
        {"field with tabs", "[\t\rB\v\f$", TALV_FIELD, "B"},
        {"field with two-byte name", "[\x83\x41 $", TALV_FIELD, "\x83\x41"},
        {"variable", "abcdefghijklmnopqrst", TALV_VARIABLE, "abcdefghijklmnop"},
        {"string of 300 bytes", "'" + std::string(300, 's') + "'", TALV_STRING, std::string(272, 's')},
        {"other kind", std::string(600, 'o'), 262, std::string(272, 'o')},
    };
    for (const TokenCase &c : cases) {
        Symbol *sym = create_symbol(c.token.c_str(), c.kind);
        ASSERT_NE(sym, nullptr) << c.name;
        EXPECT_EQ(std::string(sym->text), c.text) << c.name;
        EXPECT_EQ(sym->kind, c.kind) << c.name;
        EXPECT_EQ(sym->status, 0) << c.name;
    }
}

// A field token keeps what set_symbol keeps of the token's content (the
// text between the bracket and the last byte), white-space delimiters,
// missing delimiters and over-long tokens included.
TEST_F(ValuesSymbol, FieldTokensKeepWhatSetSymbolKeepsOfTheirContent) {
    const std::string tokens[] = {"",
                                  "[",
                                  "[$",
                                  "[ $",
                                  "[\n",
                                  "[ \n",
                                  "[A\n\n",
                                  "[abc",
                                  "[" + std::string(31, ' ') + "\n",
                                  "[" + std::string(32, ' ') + "\n",
                                  "[" + std::string(33, ' ') + "\n",
                                  "[" + std::string(32, ' ') + "AB$",
                                  "[" + std::string(32, 'x') + "$",
                                  "[" + std::string(33, 'x') + "$",
                                  "[" + std::string(31, 'x') + " $",
                                  "[" + std::string(31, 'x') + "  yz$",
                                  "[" + std::string(600, 'y'),
                                  "[\x83\x41$"};
    for (const std::string &token : tokens) {
        const std::string content = token.size() >= 2 ? token.substr(1, token.size() - 2) : "";
        Symbol made = *create_symbol(token.c_str(), TALV_FIELD);
        Symbol expected = *set_symbol(sym_alloc(), content.c_str(), TALV_FIELD);
        EXPECT_EQ(std::memcmp(&made, &expected, sizeof made), 0) << '"' << token << '"';
    }
}

struct LiteralCase {
    std::string literal;
    uint32_t code;
    std::string value;
};

TEST_F(ValuesSymbol, NumberTokensReadExactlyAndKeep104IntegerAnd32FractionDigits) {
    std::string digits104;
    for (int i = 0; i < 104; ++i) digits104 += static_cast<char>('1' + i % 9);
    const std::string fraction32 = "12345678901234567890123456789012";
    const LiteralCase cases[] = {
        {"12.5", 0, "12.5"},
        {"0.00005", 0, "0.00005"},
        {"0.0001", 0, "0.0001"},
        {"007", 0, "7"},
        {"", 0, "0"},
        {".", 0, "0"},
        {"5.", 0, "5"},
        {".5", 0, "0.5"},
        {"9" + digits104, 0, digits104},                   // 105 digits: the first is lost
        {"0." + fraction32 + "987", 0, "0." + fraction32},  // 35 fraction digits
        {digits104 + "." + fraction32, 0, digits104 + "." + fraction32},
        {"1.2.3", TALV_E_NOT_NUMBER, "1.2"},
        {"1e5", TALV_E_NOT_NUMBER, "100"},  // the digits before the fault stay
        {"-5", TALV_E_NOT_NUMBER, "0"},
    };
    for (const LiteralCase &c : cases) {
        Symbol *sym = create_symbol(c.literal.c_str(), TALV_NUMBER);
        ASSERT_NE(sym, nullptr);
        EXPECT_EQ(sym->kind, TALV_NUMBER) << c.literal;
        EXPECT_EQ(sym->code, c.code) << c.literal;
        EXPECT_EQ(sym->status, c.code ? 2 : 0) << c.literal;
        EXPECT_EQ(plain(*sym), c.value) << c.literal;
    }
    Symbol *twelve = create_symbol("12.5", TALV_NUMBER);
    for (int k = 0; k < TALV_GROUPS; ++k)
        EXPECT_EQ(twelve->digits[k], k == 25 ? 12 : k == 26 ? 5000 : 0) << "group " << k;
}

TEST_F(ValuesSymbol, NumberLiteralLeavesTheSignAlone) {
    Symbol *sym = sym_alloc();
    sym->sign = 1;
    EXPECT_EQ(jis8_to_number(sym, "3"), 0u);
    EXPECT_EQ(sym->sign, 1);
    // A literal read from the Symbol's own text is read before it is overwritten.
    std::strcpy(sym->text, "4321");
    EXPECT_EQ(jis8_to_number(sym, sym->text), 0u);
    EXPECT_EQ(plain(*sym), "-4321");
}

struct LongCase {
    const char *name;
    std::string text;
    int32_t expected;
};

TEST_F(ValuesSymbol, SymbolToLongTruncatesAndGivesNoValueOutsideEightDigits) {
    const LongCase cases[] = {
        {"largest", "99999999", 99999999},
        {"too large", "100000000", INT32_MIN},
        {"negative fraction", "-5.7", -5},
        {"full width", fw("-99999999"), -99999999},
        {"not a number", "abc", INT32_MIN},
        {"blanks read as zero", "   ", 0},
        {"control byte", "1\t", INT32_MIN},
        {"huge", "1" + std::string(30, '0'), INT32_MIN},
    };
    for (const LongCase &c : cases) {
        int32_t out = 7;
        EXPECT_EQ(symbol_to_long(text_symbol(c.text), &out), 0) << c.name;
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

TEST_F(ValuesSymbol, SymbolToLongIgnoresTheDecimalPointModeAndPassesErrorsAsNoValue) {
    int32_t out = 0;
    decimal_point = 2;
    symbol_to_long(text_symbol("1234"), &out);
    EXPECT_EQ(out, 1234);

    Symbol *error = text_symbol("5");
    error->status = 2;
    error->code = TALV_E_DIVIDE_BY_ZERO;
    symbol_to_long(error, &out);
    EXPECT_EQ(out, INT32_MIN);

    all_blank = 1;
    symbol_to_long(text_symbol(" "), &out);
    EXPECT_EQ(out, INT32_MIN);

    Symbol *number = create_symbol("42.9", TALV_NUMBER);
    symbol_to_long(number, &out);
    EXPECT_EQ(out, 42);
}

TEST_F(ValuesSymbol, LongToSymbolHoldsEveryThirtyTwoBitValue) {
    Symbol *min = long_to_symbol(INT32_MIN);
    ASSERT_NE(min, nullptr);
    EXPECT_EQ(min->kind, TALV_NUMBER);
    EXPECT_EQ(min->status, 0);
    EXPECT_EQ(min->sign, 1);
    EXPECT_EQ(min->digits[23], 21);
    EXPECT_EQ(min->digits[24], 4748);
    EXPECT_EQ(min->digits[25], 3648);
    EXPECT_EQ(plain(*min), "-2147483648");

    for (int32_t v : {0, 1, -1, 9999, 10000, -10001, INT32_MAX}) {
        Symbol *sym = long_to_symbol(v);
        ASSERT_NE(sym, nullptr);
        EXPECT_EQ(plain(*sym), std::to_string(v));
        int32_t back = 0;
        symbol_to_long(sym, &back);
        if (v >= -99999999 && v <= 99999999) {
            EXPECT_EQ(back, v);
        }
    }
}

struct LengthCase {
    const char *name;
    std::string text;
    int length;
};

TEST_F(ValuesSymbol, GetLengthCountsNormalisedCharactersBlanksIncludedMarksMerged) {
    const LengthCase cases[] = {
        {"half-width with blank", "AB C", 4},
        {"ka with voiced mark", "\xB6\xDE", 1},
        {"a with a dropped mark", "\xB1\xDE\xDF", 1},
        {"empty", "", 0},
        {"full width", fw("12 "), 3},
        {"stops at a control byte", "AB\tCD", 2},
        {"mixed", "1" + fw("2") + "\xCA\xDF", 3},
        {"long text", std::string(272, 'x'), 136},
    };
    for (const LengthCase &c : cases) EXPECT_EQ(get_length(text_symbol(c.text)), c.length) << c.name;
}

TEST_F(ValuesSymbol, GetLengthNeverReadsPastAnUnterminatedText) {
    Symbol *marks = sym_alloc();
    std::memset(marks->text, 0xDE, sizeof marks->text);  // marks write nothing
    EXPECT_EQ(get_length(marks), 0);
    Symbol *lead_last = sym_alloc();
    std::memset(lead_last->text, 0xDE, sizeof lead_last->text);
    lead_last->text[sizeof lead_last->text - 1] = '\x82';
    EXPECT_EQ(get_length(lead_last), 0);
}

TEST_F(ValuesSymbol, EvalSymbolReturnsValuesThemselves) {
    Symbol *number = create_symbol("1", TALV_NUMBER);
    Symbol *string = create_symbol("'a'", TALV_STRING);
    EXPECT_EQ(eval_symbol(number), number);
    EXPECT_EQ(eval_symbol(string), string);
    EXPECT_EQ(eval_symbol(nullptr), nullptr);
}

TEST_F(ValuesSymbol, FreshSymbolsAreZeroAndTheListSurvivesRepeatedSweeps) {
    Symbol *sym = sym_alloc();
    ASSERT_NE(sym, nullptr);
    const Symbol zero{};
    EXPECT_EQ(std::memcmp(sym, &zero, sizeof zero), 0);

    free_all_symbol();
    free_all_symbol();                      // nothing left to release twice
    EXPECT_NE(sym_alloc(), nullptr);        // usable even before the next init
}

// The prefix kept once gives the Symbols create_field_symbol makes of each
// whole name, also when the name is cut at 32 bytes or a shorter number
// follows a longer one.
TEST_F(ValuesSymbol, FieldNamesMakeWhatCreateFieldSymbolMakes) {
    const std::string prefixes[] = {"",
                                    "A",
                                    "Q ",
                                    " A",
                                    "\t\r",
                                    "  ",
                                    "\x83\x41",
                                    std::string(29, 'P'),
                                    std::string(31, 'P'),
                                    std::string(40, 'P'),
                                    std::string(40, ' '),
                                    std::string(33, ' ') + "B"};
    const std::string numbers[] = {"12", "7", std::string(31, '9'), "0", std::string(40, '1'), "345"};
    for (const std::string &prefix : prefixes) {
        talv::FieldNames names(prefix.data(), prefix.size());
        for (const std::string &number : numbers) {
            const std::string whole = prefix + number;
            Symbol made = *names.make(number.data(), number.size());
            Symbol expected = *talv::create_field_symbol(whole.data(), whole.size());
            EXPECT_EQ(std::memcmp(&made, &expected, sizeof made), 0) << '"' << whole << '"';
        }
    }
}

// Cells come back from the pool after every sweep: whatever their last user
// wrote, each one handed out reads all zeros, across chunk boundaries and
// with the hook refusing any one of the allocations.
TEST_F(ValuesSymbol, RecycledCellsAreZeroWithAnyAllocationRefused) {
    constexpr int kCells = 300;
    const Symbol zero{};
    auto dirty_cells = [] {
        for (int i = 0; i < kCells; ++i) std::memset(sym_alloc(), 0xA5, sizeof(Symbol));
    };
    dirty_cells();
    for (long n = 0; n <= 2 * kCells + 1; ++n) {
        free_all_symbol();
        init_symbol_list();
        const long before = talv::alloc_live();
        talv::alloc_fail_at(n);
        int refused = 0;
        for (int i = 0; i < kCells; ++i) {
            Symbol *sym = sym_alloc();
            if (sym == nullptr) {
                ++refused;
                EXPECT_EQ((n + 1) / 2, i + 1) << "allocation " << n;
                continue;
            }
            EXPECT_EQ(std::memcmp(sym, &zero, sizeof zero), 0) << "allocation " << n << ", cell " << i;
            std::memset(sym, 0x5A, sizeof *sym);
        }
        // A refused list node leaves its cell unasked for.
        EXPECT_EQ(talv::alloc_count(), 2 * kCells - (n % 2 == 1 && n < 2 * kCells ? 1 : 0)) << n;
        talv::alloc_fail_at(0);
        EXPECT_EQ(refused, n >= 1 && n <= 2 * kCells ? 1 : 0) << n;
        free_all_symbol();
        EXPECT_EQ(talv::alloc_live(), before) << n;
        init_symbol_list();
        dirty_cells();
    }
}

// Each allocation of each operation fails in turn: null comes back, and the
// sweep in TearDown releases everything that was made (the sanitizer build
// checks for leaks).
TEST_F(ValuesSymbol, EveryAllocationFailureGivesNullAndLeaksNothing) {
    using Op = Symbol *(*)();
    const Op ops[] = {
        [] { return sym_alloc(); },
        [] { return create_symbol("'x'", TALV_STRING); },
        [] { return create_symbol("12", TALV_NUMBER); },
        [] { return long_to_symbol(INT32_MIN); },
    };
    for (Op op : ops) {
        const long failed = talv_test::sweep_allocation_failures(
            [](long) {}, op,
            [](long n, Symbol *sym, bool whole) { EXPECT_EQ(sym != nullptr, whole) << "allocation " << n; }, 3);
        EXPECT_EQ(failed, 2);
    }
    // After failures the list still takes new Symbols.
    EXPECT_NE(sym_alloc(), nullptr);
}

}  // namespace

// Calls that reach the builtin table.  The companion-table programs
// (tests/companion) cover external functions and the lookup order.
#include <gtest/gtest.h>

#include <string>

#include "names/names.h"
#include "talvechk_functions.h"
#include "support/names_env.h"

namespace {

using talv_test::make_symbol;
using talv_test::NamesEnv;

TEST(NamesFunctionCall, UnknownNameMarksTheNameSymbol) {
    NamesEnv env;
    Symbol *name = make_symbol(TALV_VARIABLE, "NoSuchFunc");
    Symbol *arg = make_symbol(TALV_NUMBER, "");
    Symbol *result = call_function(name, arg);
    EXPECT_EQ(result, name);
    EXPECT_EQ(name->status, 2);
    EXPECT_EQ(name->code, TALV_E_NO_FUNCTION);
    EXPECT_EQ(env.message_arg(), "NoSuchFunc");
}

struct BuiltinCase {
    const char *written;
    uint32_t code;
};
void PrintTo(const BuiltinCase &c, std::ostream *os) { *os << c.written; }
class NamesBuiltinRow : public ::testing::TestWithParam<BuiltinCase> {};

// Called without arguments, these built-ins report wrong arguments; the code
// is completed with their row and the name goes out as written.
TEST_P(NamesBuiltinRow, ArgumentErrorCarriesRowAndNameAsWritten) {
    NamesEnv env;
    Symbol *result = call_function(make_symbol(TALV_VARIABLE, GetParam().written), nullptr);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, 2);
    EXPECT_EQ(result->code, GetParam().code);
    EXPECT_EQ(env.message_arg(), GetParam().written);
    // The row the code carries names the same function for a host.
    const char *by_row = talv_builtin_name((GetParam().code >> 16) & 0xFFu);
    ASSERT_NE(by_row, nullptr);
    EXPECT_TRUE(talv::names_match16(by_row, GetParam().written)) << by_row;
}

TEST(NamesBuiltinRowNames, EndWithTheTable) {
    EXPECT_STREQ(talv_builtin_name(0), "sum");
    EXPECT_STREQ(talv_builtin_name(13), "time12");
    for (uint32_t row : {14u, 15u, 255u, 0xFFFFFFFFu}) EXPECT_EQ(talv_builtin_name(row), nullptr) << row;
}
INSTANTIATE_TEST_SUITE_P(
    Rows, NamesBuiltinRow,
    ::testing::Values(BuiltinCase{"sum", 0xA000000Au}, BuiltinCase{"SUM", 0xA000000Au}, BuiltinCase{"Sum", 0xA000000Au},
                      BuiltinCase{"SUMPROD", 0xA001000Au}, BuiltinCase{"number", 0xA002000Au},
                      BuiltinCase{"Length", 0xA004000Au}, BuiltinCase{"day", 0xA007000Au},
                      BuiltinCase{"MONTH", 0xA008000Au}, BuiltinCase{"mdate", 0xA009000Au},
                      BuiltinCase{"ydate", 0xA00A000Au}, BuiltinCase{"jdate", 0xA00B000Au},
                      BuiltinCase{"time", 0xA00C000Au}, BuiltinCase{"Time12", 0xA00D000Au}));

// Spellings of one name, neighbours sharing its first bytes and bytes left
// after a terminator, called in turn and then again: each finds the same row
// (or none) whatever was looked up before it.
TEST(NamesFunctionCall, EachSpellingKeepsItsAnswerAcrossLookups) {
    using namespace std::string_literals;
    struct Spelling {
        std::string text;
        uint32_t code;
    };
    const Spelling spellings[] = {
        {"sum", 0xA000000Au},          {"SUM", 0xA000000Au},
        {"sumprod", 0xA001000Au},      {"sum\0prod"s, 0xA000000Au},
        {"sumprodx", TALV_E_NO_FUNCTION}, {"su", TALV_E_NO_FUNCTION}, {"sun", TALV_E_NO_FUNCTION},
        {"Sum", 0xA000000Au},          {"time12", 0xA00D000Au},
        {"time", 0xA00C000Au},         {"time1", TALV_E_NO_FUNCTION},
        {"mynumber", 0xA002000Au},     {"MyNumber\0junk"s, 0xA002000Au},
        {"sum\0\0\0\0\0junk"s, 0xA000000Au},
        {"corpnumber", 0xA003000Au},   {"CORPNUMBER\0x"s, 0xA003000Au},
        {"corpnumbe", TALV_E_NO_FUNCTION}, {"corpnumberr", TALV_E_NO_FUNCTION},
        {"corpnumXer", TALV_E_NO_FUNCTION},
    };
    NamesEnv env;
    for (int pass = 0; pass < 2; ++pass) {
        for (const Spelling &s : spellings) {
            Symbol *result = call_function(make_symbol(TALV_VARIABLE, s.text), nullptr);
            ASSERT_NE(result, nullptr);
            EXPECT_EQ(result->code, s.code) << s.text.c_str() << " pass " << pass;
            EXPECT_EQ(env.message_arg(), s.text.c_str()) << pass;
        }
    }
}

// A text filling the whole cell: nothing is read past it.
TEST(NamesFunctionCall, UnterminatedNameIsReportedAsFarAsItGoes) {
    NamesEnv env;
    Symbol *name = make_symbol(TALV_VARIABLE, "ydate" + std::string(TALV_SYMBOL_TEXT, 'x'));
    EXPECT_EQ(call_function(name, nullptr)->code, TALV_E_NO_FUNCTION);
    EXPECT_EQ(env.message_arg(), "ydate" + std::string(TALV_SYMBOL_TEXT - 1 - 5, 'x'));
}

TEST(NamesFunctionCall, NamesMatchCaseInsensitivelyOverSixteenBytes) {
    EXPECT_TRUE(talv::names_match16("sum", "SUM"));
    EXPECT_FALSE(talv::names_match16("sum", "sums"));
    EXPECT_FALSE(talv::names_match16("sum", "su"));
    EXPECT_TRUE(talv::names_match16("abcdefghijklmnopXX", "ABCDEFGHIJKLMNOPyy"));
    EXPECT_FALSE(talv::names_match16("\xE0", "\xC0"));
}

TEST(NamesFunctionCall, AllocationFailureOfTheListHeadGivesNull) {
    NamesEnv env;
    Symbol *name = make_symbol(TALV_VARIABLE, "sum");
    Symbol *a = make_symbol(TALV_NUMBER, "");
    Symbol *b = make_symbol(TALV_NUMBER, "");
    b->next = a;
    talv::alloc_fail_at(1, true);
    EXPECT_EQ(call_function(name, b), nullptr);
    talv::alloc_fail_at(0);
    EXPECT_EQ(name->status, 0);
}

TEST(NamesFunctionCall, CountList) {
    NamesEnv env;
    EXPECT_EQ(count_list(nullptr), 0);
    Symbol *head = sym_alloc();
    EXPECT_EQ(count_list(head), 0);
    Symbol *chain = talv_test::parser_chain({make_symbol(TALV_NUMBER, ""), make_symbol(TALV_NUMBER, ""),
                                             make_symbol(TALV_NUMBER, "")});
    head->next = chain;
    EXPECT_EQ(count_list(head), 3);
}

}  // namespace

// Every row of the builtin table called as the parser calls it, with
// argument errors completed to the row's code.
#include <cstdint>

#include "builtins_calls.h"
#include "support/alloc_sweep.h"

namespace builtins_test {
namespace {

constexpr int64_t kAnyValue = INT64_MIN;

class BuiltinsRows : public BuiltinCalls, public ::testing::WithParamInterface<CallCase> {
protected:
    void SetUp() override {
        BuiltinCalls::SetUp();
        host.set("F5", "12345");
        host.set("F1", "1");
        host.set("BL", "   ");
        host.set("EMPTY", "");
        host.set("AB", "A B");
        host.set("D", "31");
        host.set("WIDE", "\x81\x40\x82\x60");   // full-width blank, Ａ
    }
};

TEST_P(BuiltinsRows, AnswerAsSpecified) {
    const CallCase &c = GetParam();
    Symbol *result = call(c.name, c.args);
    ASSERT_NE(result, nullptr);
    switch (c.outcome) {
    case kError:
        EXPECT_EQ(result->status, 2);
        EXPECT_EQ(result->code, uint32_t(c.value));
        break;
    case kTrue:
    case kFalse:
        EXPECT_EQ(result->status, c.outcome == kTrue ? 0 : 1);
        EXPECT_EQ(result->code, 0u);
        if (c.value != kAnyValue) {
            EXPECT_EQ(integer_of(result), c.value);
        }
        break;
    }
}

// clang-format off
// What whole expressions cannot show: arguments of each kind, and the value
// that a false answer carries.
const CallCase kTextRows[] = {
    {"length", "[AB]", kTrue, 2},        {"length", "[WIDE]", kTrue, 1},
    {"length", "''", kTrue, 0},          {"length", "", kError, 0xA004000A},
    {"length", "'a', 'b'", kError, 0xA004000A},
    {"first", "[WIDE]", kTrue, 2},       {"first", "''", kTrue, 0},
    {"blank", "[EMPTY]", kTrue, kAnyValue}, {"blank", "[WIDE]", kFalse, kAnyValue},
    {"blank", "", kError, 0xA006000A},   {"blank", "unset", kError, TALV_E_NO_VALUE},
};

const CallCase kNumberRows[] = {
    {"number", "[F5], 'N5'", kTrue, 12345},   {"number", "[F5], 'N6'", kError, TALV_E_CONVERSION},
    {"number", "5, 'N*'", kTrue, 5},          {"number", "", kError, 0xA002000A},
    {"number", "1, 'N1', 'N1'", kError, 0xA002000A},
    {"number", "[EMPTY], 'B*'", kTrue, 0},    {"number", "'1 2'", kError, TALV_E_BLANK_IN_NUMBER},
    {"number", "[NOSUCH]", kError, TALV_E_NO_FIELD},
    {"setn", "''", kTrue, 0},                 {"setn", "'N0'", kError, 0xA003000A},
    {"setn", "2", kError, 0xA003000A},
};

const CallCase kDateRows[] = {
    {"day", "32", kFalse, 32},        {"day", "-1", kFalse, -1},          {"day", "1.9", kTrue, 1},
    {"day", "[D]", kTrue, 31},        {"day", "''", kFalse, 0},           {"day", "'abc'", kError, 0xA007000A},
    {"day", "1, 2", kError, 0xA007000A},
    {"month", "13", kFalse, 13},      {"month", "0", kFalse, 0},
    {"mdate", "1, 1", kTrue, 1},      {"mdate", "2, 30", kFalse, 0},
    {"ydate", "1900, 2, 29", kFalse, 0},
    {"ydate", "2000, [NOSUCH], 'x'", kError, TALV_E_NO_FIELD},
    {"jdate", "5, 1, 1, 1", kFalse, 0}, {"jdate", "5, 1, 5, 1", kTrue, 2458605},
    {"time", "24, 0", kFalse, 0},     {"time", "-1, 0", kFalse, 0},
    {"time12", "1, 12, 0", kFalse, 1}, {"time12", "3, 1, 1", kFalse, 3},  {"time12", "1, -1, 0", kFalse, 0},
    {"time12", "2, -13, 0", kFalse, 0}, {"time12", "1, 1, 60", kFalse, 0},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(BuiltinsText, BuiltinsRows, ::testing::ValuesIn(kTextRows));
INSTANTIATE_TEST_SUITE_P(BuiltinsNumber, BuiltinsRows, ::testing::ValuesIn(kNumberRows));
INSTANTIATE_TEST_SUITE_P(BuiltinsDate, BuiltinsRows, ::testing::ValuesIn(kDateRows));

// ---- Details the table cannot state ------------------------------------

using BuiltinsDetails = BuiltinCalls;

TEST_F(BuiltinsDetails, ArgumentErrorNamesTheFunctionAsWritten) {
    struct {
        const char *name, *args;
        uint32_t code;
    } cases[] = {{"SUMPROD", "1", 0xA001000A}, {"SumProd", "1", 0xA001000A}, {"YDATE", "2000, 1", 0xA00A000A},
                 {"Time12", "", 0xA00D000A},   {"sum", "", 0xA000000A}};
    for (const auto &c : cases) {
        Symbol *result = call(c.name, c.args);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->code, c.code) << c.name;
        EXPECT_EQ(message_arg(), c.name);
    }
}

TEST_F(BuiltinsDetails, NumberKeepsTheFractionOfAnImpliedPoint) {
    host.set("F", "12345");
    Symbol *result = call("number", "[F], 'N3'");
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->status, 0);
    EXPECT_EQ(result->kind, TALV_NUMBER);
    EXPECT_EQ(result->digits[25], 123);
    EXPECT_EQ(result->digits[26], 4500);
    // A full-width spec reads like a half-width one.
    result = call("number", "[F], '\x82\x6D\x82\x51'");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->digits[25], 12);
    EXPECT_EQ(result->digits[26], 3450);
}

TEST_F(BuiltinsDetails, SetnHoldsForLaterConversionsAndLeavesModesOnError) {
    host.set("F", "12345");
    Symbol *set = call("setn", "'N2B!'");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->status, 0);
    EXPECT_EQ(decimal_point, 2);
    EXPECT_EQ(all_blank, 1);
    Symbol *converted = call("number", "[F]");
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted->digits[25], 12);
    EXPECT_EQ(converted->digits[26], 3450);
    // number applies its own spec to one conversion only.
    converted = call("number", "[F], 'N*'");
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(integer_of(converted), 12345);
    EXPECT_EQ(decimal_point, 2);

    Symbol *bad = call("setn", "'N3X'");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->code, 0xA003000Au);
    EXPECT_EQ(decimal_point, 2);
    EXPECT_EQ(all_blank, 1);
}

TEST_F(BuiltinsDetails, DayAnswersWithTheFieldsOwnText) {
    host.set("D", "07");
    Symbol *result = call("day", "[D]");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, 0);
    EXPECT_EQ(result->kind, TALV_STRING);
    Symbol *direct = call("length", "[D]");   // the same text, resolved anew
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(integer_of(direct), 2);
    EXPECT_EQ(result->next, nullptr);
}

TEST_F(BuiltinsDetails, BlankAnswersWithTheTextItself) {
    Symbol *result = call("blank", "'X'");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, 1);
    EXPECT_EQ(result->kind, TALV_STRING);
    EXPECT_STREQ(result->text, "X");
}

// A result copied from an argument must not lead on to the call's other
// arguments, or an enclosing call would receive them as its own.
TEST_F(BuiltinsDetails, CopiedResultsCarryNoArgumentLinks) {
    for (const char *args : {"1, 12, 0", "3, 1, 1"}) {
        Symbol *result = call("time12", args);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->status, 1);
        EXPECT_EQ(result->next, nullptr) << args;
    }
    Symbol *number = call("number", "'12', 'B0'");
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->next, nullptr);
}

TEST_F(BuiltinsDetails, LaterArgumentsAreNotEvaluatedAfterABadOne) {
    host.set("Y", "2000");
    host.set("M", "x");
    host.set("D", "1");
    Symbol *result = call("ydate", "[Y], [M], [D]");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->code, 0xA00A000Au);
    EXPECT_EQ(host.value_calls, 2);
}

TEST_F(BuiltinsDetails, CertifyModeJudgesNumberByClassAndDeclaredLength) {
    talv::g_state.certify_mode = 1;
    host.set("NUMF", "abc", "HAND_ANK", "NUM", 5);
    host.set("ALPF", "123", "HAND_ANK", "ALP", 5);

    Symbol *result = call("number", "[NUMF], 'N3'");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, 0);
    EXPECT_EQ(result->kind, TALV_NUMBER);
    EXPECT_EQ(result->charclass, TALV_CLASS_NUM);
    for (int g = 0; g < TALV_GROUPS; ++g) EXPECT_EQ(result->digits[g], 0) << g;   // judged, never read

    result = call("number", "[NUMF], 'N6'");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->code, TALV_E_CONVERSION);

    result = call("number", "[ALPF]");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->code, TALV_E_FIELD_NOT_NUMERIC);
    EXPECT_EQ(message_arg(), "ALPF");
}

}  // namespace
}  // namespace builtins_test

namespace builtins_test {
namespace {

class BuiltinsOutOfMemory : public BuiltinCalls, public ::testing::WithParamInterface<CallCase> {};

// Whichever allocation of a call fails, the call answers null (the parser
// turns that into a memory shortage) and leaves nothing behind.
TEST_P(BuiltinsOutOfMemory, EveryAllocationFailureAnswersNull) {
    const CallCase &c = GetParam();
    host.set("F", "12345");
    host.set("D", "7");
    host.set("A1", "2");
    host.set("A2", "3");
    const long failed = talv_test::sweep_allocation_failures(
        [](long) { free_all_symbol(), init_symbol_list(); }, [&] { return call(c.name, c.args); },
        [](long n, Symbol *result, bool whole) { EXPECT_EQ(result == nullptr, !whole) << "allocation " << n; }, 1000);
    EXPECT_GT(failed, 0);
}

const CallCase kAllocatingCalls[] = {
    {"number", "[F], 'N3'", kTrue, 0}, {"setn", "'N2'", kTrue, 0},  {"length", "[F]", kTrue, 0},
    {"first", "[F]", kTrue, 0},        {"blank", "[F]", kTrue, 0},  {"day", "[D]", kTrue, 0},
    {"mdate", "2, [D]", kTrue, 0},     {"jdate", "5, 1, 5, [D]", kTrue, 0},
    {"time12", "2, [D], 0", kTrue, 0}, {"sum", "1, [A1..2], [F]", kTrue, 0},
    {"sumprod", "[A1..2], [A2..3]", kTrue, 0}, {"sumprod", "[F], 2", kTrue, 0},
};

INSTANTIATE_TEST_SUITE_P(BuiltinsCalls, BuiltinsOutOfMemory, ::testing::ValuesIn(kAllocatingCalls));

}  // namespace
}  // namespace builtins_test

// The built-ins as form designers use them: whole check expressions through
// PPR_eval and PPR_certify against a simulated form.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/fake_host.h"

namespace {

using talv_test::eval;
using talv_test::FakeHost;

constexpr uint32_t kFalse = TALV_FALSE;

class BuiltinsExpressions : public ::testing::Test {
protected:
    FakeHost host;

    void SetUp() override {
        host.set("TOTAL", "6");
        host.set("A1", "1");
        host.set("A2", "2");
        host.set("A3", "3");
        host.set("B1", "4");
        host.set("B2", "5");
        host.set("B3", "6");
        host.set("F", "12345");
        host.set("ONE", "1");
        host.set("BL", "   ");
        host.set("Y", "2000");
        host.set("M", "02");
        host.set("D", "\x82\x51\x82\x58");   // full-width 29
        host.set("X", "  X");
        ASSERT_EQ(host.install(), 0u);
    }
    void TearDown() override { PPR_end(); }
};

struct ExprCase {
    const char *expr;
    uint32_t out;
};

void PrintTo(const ExprCase &c, std::ostream *os) { *os << c.expr; }

class BuiltinsExpressionOutcome : public BuiltinsExpressions, public ::testing::WithParamInterface<ExprCase> {};

TEST_P(BuiltinsExpressionOutcome, GivesTheOutCode) {
    const ExprCase &c = GetParam();
    auto r = eval("TOTAL", c.expr);
    EXPECT_EQ(r.ret, 0u);
    EXPECT_EQ(r.out, c.out) << std::hex << "got 0x" << r.out << " want 0x" << c.out;
}

// clang-format off
const ExprCase kAggregates[] = {
    {"sum([A1..3])==@", 0},                 {"sum([A1..3])==@+1", kFalse},
    {"sum(1, 2, [A1..3])==9", 0},           {"sum([A1..9])==6", 0},
    {"sum([A3..1], [BL])==6", 0},           {"SUM(A1)", TALV_E_NO_VALUE},
    {"sum([Z1..3])", 0xA000000A},           {"sum()", 0xA000000A},
    {"sum([A1..3], 'x')", TALV_E_NOT_NUMBER},
    {"sumprod([A1..3], [B1..3])==32", 0},   {"sumprod(2, 3)==6", 0},
    {"sumprod([A1..2], [B2..3])==17", 0},   {"sumprod(-2, [A2..2])==-4", 0},
    {"sumprod([A1..3], 2)", 0xA001000A},    {"sumprod(1)", 0xA001000A},
    {"sumprod(1, 2, 3)", 0xA001000A},       {"sumprod([Z1..3], [Y1..3])", 0xA001000A},
    {"sumprod([A1..3], [Z1..3])", 0xA001000A},
};

const ExprCase kFormats[] = {
    {"number([F], 'N3')==123.45", 0},       {"number([F])==12345", 0},
    {"number([ONE], 'N2')", TALV_E_CONVERSION},
    {"number([F], 'N0')", 0xA002000A},      {"number([F], 'X')", 0xA002000A},
    {"number([F], 'n3')", 0xA002000A},      {"number([F], 3)", 0xA002000A},
    {"number(12)==12", 0},                  {"number(12, 'N1')", TALV_E_CONVERSION},
    {"number([BL])==0", 0},                 {"number([BL], 'B!')", TALV_E_NOT_NUMBER},
    {"setn('N2'), number([F])==12.345", 0}, {"setn('N2'), [F]==12.345", 0},
    {"setn('N2B*'), number([F])==12.345", 0},
    {"setn('B!'), [BL]+1==1", TALV_E_NOT_NUMBER},
    {"setn('N2', 'B!')", 0xA003000A},       {"setn()", 0xA003000A},
    {"setn('N2'), setn('N9X'), number([F])==12.345", 0xA003000A},
    {"length('A B')==2", 0},                {"length([BL])==0", 0},
    {"length([F])==5", 0},                  {"length(5)", 0xA004000A},
    {"first([X])==3", 0},                   {"first([BL])==0", 0},
    {"first(5)", 0xA005000A},
    {"blank('')", 0},                       {"blank([BL])", 0},
    {"blank([X])", kFalse},                 {"blank(0)", 0xA006000A},
    {"blank([NOSUCH])", TALV_E_NO_FIELD},
};

const ExprCase kDates[] = {
    {"day(31)", 0},                          {"day(32)", kFalse},
    {"day(0)", kFalse},                      {"day(1.9)", 0},
    {"day(-1)", kFalse},                     {"day(123456789)", 0xA007000A},
    {"day([D])==29", 0},                     {"day()", 0xA007000A},
    {"month(12)", 0},                        {"month(13)", kFalse},
    {"month(1, 2)", 0xA008000A},
    {"mdate(2, 29)==60", 0},                 {"mdate(3, 1)==61", 0},
    {"mdate(12, 31)==366", 0},               {"mdate(2, 30)", kFalse},
    {"mdate(4, 31)", kFalse},                {"mdate(4)", 0xA009000A},
    {"ydate(2000, 1, 1)==2451545", 0},       {"ydate([Y], [M], [D])", 0},
    {"ydate([Y], [M], [D])==2451604", 0},    {"ydate(1900, 2, 29)", kFalse},
    {"ydate(1582, 12, 31)", kFalse},         {"ydate(2101, 1, 1)", kFalse},
    {"ydate(2100, 12, 31)==2488434", 0},     {"ydate(2000, 1)", 0xA00A000A},
    {"ydate([Y], 'Feb', [D])", 0xA00A000A},  {"ydate([Y], [NOSUCH], [D])", TALV_E_NO_FIELD},
    {"jdate(4, 1, 1, 8)==2447535", 0},       {"jdate(4, 1, 1, 7)", kFalse},
    {"jdate(3, 64, 1, 7)==2447534", 0},      {"jdate(3, 64, 1, 8)", kFalse},
    {"jdate(4, 112, 12, 31)", 0},            {"jdate(4, 113, 1, 1)", kFalse},
    {"jdate(5, 1, 1, 1)", kFalse},           {"jdate(0, 1, 1, 1)", kFalse},
    {"jdate(1, 5, 12, 2)==2405130", 0},      {"jdate(1, 5, 12, 3)", kFalse},
    {"jdate(1, 3, 1, 31)", kFalse},          {"jdate(1, 2, 2, 29)==2403758", 0},
    {"jdate(1, 6, 2, 29)", kFalse},          {"jdate(1, 1, 1)", 0xA00B000A},
    // The current era, from 2019-05-01.
    {"jdate(5, 1, 5, 1)", 0},                {"jdate(5, 8, 12, 8)", 0},
    {"jdate(5, 1, 5, 1)==ydate(2019, 5, 1)", 0},
    {"jdate(4, 31, 5, 1)==jdate(5, 1, 5, 1)", 0},
    {"jdate(5, 1, 4, 30)", kFalse},          {"jdate(5, 82, 12, 31)==2488434", 0},
    {"jdate(5, 83, 1, 1)", kFalse},          {"jdate(6, 1, 1, 1)", kFalse},
    {"time(0, 0)==0", 0},                    {"time(23, 59)==1439", 0},
    {"time(24, 0)", kFalse},                 {"time(12, 60)", kFalse},
    {"time(10)", 0xA00C000A},
    {"time12(1, 0, 0)==0", 0},               {"time12(2, 0, 30)==750", 0},
    {"time12(2, 11, 59)==1439", 0},          {"time12(1, 12, 0)", kFalse},
    {"time12(3, 1, 1)", kFalse},             {"time12(1, -1, 0)", kFalse},
    {"time12(1, 1)", 0xA00D000A},
};

// A result that copies an argument leads nowhere: an enclosing call sees
// only the arguments written for it.
const ExprCase kNesting[] = {
    {"sum(time12(1, 12, 0))==1", 0},
    {"sum(number('12', 'B0'), 1)==13", 0},
    {"sum(day(31), month(12))==43", 0},
    {"length(blank('  '))==0", 0},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(BuiltinsAggregates, BuiltinsExpressionOutcome, ::testing::ValuesIn(kAggregates));
INSTANTIATE_TEST_SUITE_P(BuiltinsFormats, BuiltinsExpressionOutcome, ::testing::ValuesIn(kFormats));
INSTANTIATE_TEST_SUITE_P(BuiltinsDates, BuiltinsExpressionOutcome, ::testing::ValuesIn(kDates));
INSTANTIATE_TEST_SUITE_P(BuiltinsNesting, BuiltinsExpressionOutcome, ::testing::ValuesIn(kNesting));

TEST_F(BuiltinsExpressions, SetnLastsOneEvaluation) {
    EXPECT_EQ(eval("TOTAL", "setn('N2'), number([F])==12.345").out, 0u);
    EXPECT_EQ(eval("TOTAL", "number([F])==12345").out, 0u);
    EXPECT_EQ(eval("TOTAL", "setn('B!'), 1").out, 0u);
    EXPECT_EQ(eval("TOTAL", "[BL]==0").out, 0u);
}

TEST_F(BuiltinsExpressions, ArgumentErrorsNameTheFunctionAsWritten) {
    host.set("C", "1", "HAND_ANK");
    struct {
        const char *expr, *name;
        uint32_t code;
    } cases[] = {
        {"SumProd(1)", "SumProd", 0xA001000A}, {"SUMPROD(1)", "SUMPROD", 0xA001000A},
        {"sum([Z1..3])", "sum", 0xA000000A},   {"YDate(2000, 1)", "YDate", 0xA00A000A},
        {"Time12(9, 9)", "Time12", 0xA00D000A}, {"jdate(1, 'x', 1, 1)", "jdate", 0xA00B000A},
    };
    for (const auto &c : cases) {
        PPR_CERTIFY_RESULT rec;
        auto r = talv_test::certify("C", c.expr, &rec);
        EXPECT_EQ(r.ret, 0u) << c.expr;
        EXPECT_EQ(r.out, c.code) << c.expr;
        EXPECT_STREQ(rec.text, c.name) << c.expr;
    }
}

TEST_F(BuiltinsExpressions, CertifyJudgesNumberByDeclaredClassAndLength) {
    host.set("NUMF", "", "HAND_ANK", "NUM", 5);
    host.set("ALPF", "123", "HAND_ANK", "ALP", 5);
    PPR_CERTIFY_RESULT rec;
    EXPECT_EQ(talv_test::certify("NUMF", "number([NUMF], 'N3')", &rec).out, 0u);
    EXPECT_EQ(talv_test::certify("NUMF", "day(number([NUMF], 'N3'))", &rec).out, 0u);
    EXPECT_EQ(talv_test::certify("NUMF", "number([NUMF], 'N6')", &rec).out, TALV_E_CONVERSION);
    EXPECT_EQ(talv_test::certify("NUMF", "number([ALPF])", &rec).out, TALV_E_FIELD_NOT_NUMERIC);
    EXPECT_STREQ(rec.text, "ALPF");
}

TEST_F(BuiltinsExpressions, RangeCallbackFailuresAreReported) {
    host.range_result = -9;
    EXPECT_EQ(eval("TOTAL", "sum([A1..3])==6").out, TALV_E_INTERNAL);
    EXPECT_EQ(eval("TOTAL", "sumprod([A1..3], [B1..3])==0").out, TALV_E_INTERNAL);
}

// Every date of a spread of days through the whole range, written the way a
// form holds it: year, month and day fields, half- or full-width.
TEST_F(BuiltinsExpressions, YdateOfFieldsMatchesTheCalendar) {
    auto civil = [](long z, int &y, int &m, int &d) {
        z += 719468;
        long era = z / 146097, doe = z - era * 146097;
        long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        long doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
        d = int(doy - (153 * mp + 2) / 5 + 1);
        m = int(mp < 10 ? mp + 3 : mp - 9);
        y = int(yoe + era * 400 + (m <= 2));
    };
    const long first = -141349, last = 47846;  // 1583-01-01, 2100-12-31 from 1970-01-01
    char text[64];
    for (long z = first; z <= last + 96; z += 97) {
        if (z > last) z = last;
        int y, m, d;
        civil(z, y, m, d);
        std::snprintf(text, sizeof text, "%d", y);
        host.set("Y", text);
        std::snprintf(text, sizeof text, "%02d", m);
        host.set("M", text);
        std::snprintf(text, sizeof text, "%d", d);
        host.set("D", text);
        std::snprintf(text, sizeof text, "ydate([Y], [M], [D])==%ld", z + 2440588);
        ASSERT_EQ(eval("TOTAL", text).out, 0u) << y << '-' << m << '-' << d;
    }
}

}  // namespace

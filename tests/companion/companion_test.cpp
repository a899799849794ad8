// Linked against the test companion (test_table.c) instead of the default
// one: external functions, the lookup order and the exported operations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/names_env.h"

namespace {

using talv_test::make_field;
using talv_test::make_symbol;
using talv_test::NamesEnv;
using talv_test::parser_chain;

Symbol *call(const std::string &name, Symbol *chain = nullptr) {
    return call_function(make_symbol(TALV_VARIABLE, name), chain);
}

TEST(NamesCompanion, ExternalFunctionHidesTheBuiltinOfTheSameName) {
    NamesEnv env;
    for (const char *written : {"length", "LENGTH", "Length"}) {
        Symbol *result = call(written, make_symbol(TALV_STRING, "abc"));
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->status, 0);
        EXPECT_STREQ(result->text, "external length");
    }
}

TEST(NamesCompanion, NamesMissingFromTheCompanionFallThroughToTheBuiltins) {
    NamesEnv env;
    EXPECT_EQ(call("sum")->code, 0xA000000Au);
    // The row counts within the builtin table, not after the companion's rows.
    EXPECT_EQ(call("time12")->code, 0xA00D000Au);
    EXPECT_EQ(env.message_arg(), "time12");
}

TEST(NamesCompanion, ArgumentErrorCarriesTheRowWithinTheCompanionTable) {
    NamesEnv env;
    Symbol *result = call("EXTBAD", make_symbol(TALV_NUMBER, ""));
    EXPECT_EQ(result->status, 2);
    EXPECT_EQ(result->code, 0xA003000Au);
    EXPECT_EQ(env.message_arg(), "EXTBAD");
}

TEST(NamesCompanion, TheTableEndsAtTheFirstNullEntryPoint) {
    NamesEnv env;
    Symbol *result = call("afterend");
    EXPECT_EQ(result->code, TALV_E_NO_FUNCTION);
    EXPECT_EQ(env.message_arg(), "afterend");
}

TEST(NamesCompanion, ArgumentsArriveUnresolvedInSourceOrder) {
    NamesEnv env;
    Symbol *x = make_symbol(TALV_VARIABLE, "x");
    Symbol *y = make_symbol(TALV_STRING, "y");
    Symbol *z = make_field("Z");
    Symbol *result = call("extargs", parser_chain({x, y, z}));
    EXPECT_STREQ(result->text, "257:x,260:y,259:Z");
    EXPECT_EQ(z->next, nullptr) << "the last argument ends the re-linked chain";
    EXPECT_EQ(env.host.value_calls, 0);
}

TEST(NamesCompanion, NoArgumentsGiveANullHead) {
    NamesEnv env;
    int32_t n = -1;
    symbol_to_long(call("extcount"), &n);
    EXPECT_EQ(n, 0);
    symbol_to_long(call("extcount", parser_chain({make_symbol(TALV_NUMBER, ""), make_symbol(TALV_NUMBER, "")})),
                   &n);
    EXPECT_EQ(n, 2);
    EXPECT_STREQ(call("extargs")->text, "");
}

TEST(NamesCompanion, NamesCompareOverSixteenBytes) {
    NamesEnv env;
    EXPECT_STREQ(call("ABCDEFGHIJKLMNOPQRST")->text, "sixteen");
    EXPECT_STREQ(call("abcdefghijklmnop")->text, "sixteen");
    EXPECT_EQ(call("abcdefghijklmno")->code, TALV_E_NO_FUNCTION);
    EXPECT_EQ(call("abcdefghijklmnoq")->code, TALV_E_NO_FUNCTION);
    EXPECT_EQ(call("abcdefgXijklmnop")->code, TALV_E_NO_FUNCTION);
    EXPECT_STREQ(call(std::string(TALV_SYMBOL_TEXT, 'a').replace(0, 16, "abcdefghijklmnop"))->text, "sixteen")
        << "a text filling its whole cell";
}

TEST(NamesCompanion, NullFromTheFunctionIsPassedOn) {
    NamesEnv env;
    EXPECT_EQ(call("extnull"), nullptr);
}

TEST(NamesCompanion, ExternalFunctionReadsFieldsAndVariables) {
    NamesEnv env;
    env.host.set("Q", "xyz");
    EXPECT_EQ(std::string(call("extfield", make_field("Q"))->text), talv_test::normalised("xyz"));
    EXPECT_EQ(env.host.value_calls, 1);
    EXPECT_EQ(call("extfield", make_symbol(TALV_VARIABLE, "unset"))->code, TALV_E_NO_VALUE);
}

TEST(NamesCompanion, ExternalFunctionExpandsRanges) {
    NamesEnv env;
    env.host.set("A2", "1");
    EXPECT_EQ(call("extsum", make_field("C1..3"))->code, 0xA004000Au) << "empty range, completed with row 4";
    EXPECT_EQ(env.message_arg(), "extsum");
    env.host.range_result = -2;
    EXPECT_EQ(call("extsum", make_field("A1..3"))->code, TALV_I_AREA_EXCEEDED);
}

// A function that sweeps the symbol list under its own call is refused:
// the running sum, the variable and the function's arguments stand.
TEST(NamesCompanion, ExternalFunctionCannotEmptyTheRunningEvaluation) {
    talv_test::FakeHost host;
    ASSERT_EQ(host.install(), 0u);
    for (auto [name, value] : {std::pair{"A1", "1"}, {"A2", "2"}, {"A3", "3"}, {"T", "6"}}) host.set(name, value);
    for (const char *expr : {"v = 4, sum([A1..3]) + extreset(v) == 10", "sum([A1..3]) + extreset([T]) == 12"}) {
        uint32_t out = 0;
        EXPECT_EQ(PPR_eval(&out, "T", expr), 0u) << expr;
        EXPECT_EQ(out, 0u) << expr;
    }
    PPR_end();
}

TEST(NamesCompanion, ExternalFunctionAddsWithTheLibrarysOperations) {
    NamesEnv env;
    Symbol *zero = create_symbol("0", TALV_NUMBER);
    if (!op_add(zero, zero)) GTEST_SKIP() << "op_add is not built yet";
    env.host.set("A1", "40");
    env.host.set("A3", "500");
    env.host.set("B", "2");
    Symbol *result = call("extsum", parser_chain({make_field("A1..3"), make_field("B"), create_symbol("1", TALV_NUMBER)}));
    ASSERT_NE(result, nullptr);
    int32_t n = 0;
    symbol_to_long(result, &n);
    EXPECT_EQ(n, 543);
    EXPECT_EQ(env.host.range_calls, 1);
    EXPECT_EQ(env.host.value_calls, 3);
}

}  // namespace

namespace {

int32_t no_value(uintptr_t, const char *, PPR_FIELD_VALUE *) { return -1; }
int32_t no_range(uintptr_t, int32_t *, char **, int32_t, char *, int32_t) { return -1; }

// Lookups are kept between calls; a host that rewrites the companion table
// between sessions finds the rows as they now stand once PPR_init has run.
TEST(NamesCompanion, ARowRenamedBetweenSessionsIsFoundAfreshAfterInit) {
    FuncTab *row = nullptr;
    for (FuncTab *r = ext_func_tab; r->func; ++r)
        if (std::string(r->name) == "length") row = r;
    ASSERT_NE(row, nullptr);
    PPR_PROC callbacks[3] = {reinterpret_cast<PPR_PROC>(&no_value), reinterpret_cast<PPR_PROC>(&no_range), nullptr};
    const uintptr_t contexts[3] = {};
    struct Step {
        const char *row_name;
        bool external;  // else the built-in length answers
    } steps[] = {{"length", true}, {"lengthx", false}, {"length", true}};
    for (const Step &step : steps) {
        std::strncpy(row->name, step.row_name, sizeof row->name);
        ASSERT_EQ(PPR_init(callbacks, contexts), 0u);
        NamesEnv env;
        Symbol *result = call("length", make_symbol(TALV_STRING, "abc"));
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->status, 0) << step.row_name;
        EXPECT_EQ(std::string(result->text) == "external length", step.external) << step.row_name;
    }
    std::strncpy(row->name, "length", sizeof row->name);
}

}  // namespace

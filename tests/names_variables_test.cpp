#include <gtest/gtest.h>

#include "support/alloc_sweep.h"
#include "support/names_env.h"

namespace {

using talv_test::make_symbol;
using talv_test::NamesEnv;

Symbol *number_symbol(unsigned short units, int32_t sign) {
    Symbol *s = sym_alloc();
    s->kind = TALV_NUMBER;
    s->digits[TALV_UNITS_GROUP] = units;
    s->digits[TALV_UNITS_GROUP + 1] = 5000;
    s->sign = sign;
    return s;
}

TEST(NamesVariables, NamesDifferingOnlyInLetterCaseAreOneVariable) {
    NamesEnv env;
    Symbol *value = make_symbol(TALV_STRING, "kept");
    Symbol *held = assign_variable("Total", value);
    ASSERT_NE(held, nullptr);
    EXPECT_NE(held, value) << "a first assignment holds a copy";
    for (const char *name : {"Total", "TOTAL", "total", "tOtAl"}) {
        Symbol *read = reference_variable(name);
        ASSERT_NE(read, nullptr);
        EXPECT_NE(read, held) << "a read returns a copy";
        EXPECT_EQ(read->kind, TALV_STRING);
        EXPECT_STREQ(read->text, "kept");
        EXPECT_EQ(read->status, 0);
    }
}

TEST(NamesVariables, OnlyTheFirstSixteenBytesFormTheKey) {
    NamesEnv env;
    assign_variable("abcdefghijklmnopXYZ", make_symbol(TALV_STRING, "long"));
    Symbol *read = reference_variable("ABCDEFGHIJKLMNOPq");
    EXPECT_STREQ(read->text, "long");
    EXPECT_EQ(reference_variable("abcdefghijklmno")->code, TALV_E_NO_VALUE);
}

TEST(NamesVariables, BytesOutsideAsciiLettersAreNotFolded) {
    NamesEnv env;
    assign_variable("\xE0", make_symbol(TALV_STRING, "lower"));
    assign_variable("\x82\x60x", make_symbol(TALV_STRING, "sjis"));
    EXPECT_EQ(reference_variable("\xC0")->code, TALV_E_NO_VALUE);
    EXPECT_STREQ(reference_variable("\x82\x60X")->text, "sjis");
}

TEST(NamesVariables, ReassignmentHoldsTheGivenSymbolAndAddsNoEntry) {
    NamesEnv env;
    assign_variable("v", make_symbol(TALV_STRING, "first"));
    Symbol *second = make_symbol(TALV_STRING, "second");
    talv::alloc_fail_at(1, true);  // a new entry or copy would fail
    Symbol *held = assign_variable("V", second);
    talv::alloc_fail_at(0);
    EXPECT_EQ(held, second);
    EXPECT_STREQ(reference_variable("v")->text, "second");
}

TEST(NamesVariables, NumbersReadBackWithDigitsAndSign) {
    NamesEnv env;
    assign_variable("n", number_symbol(1234, 1));
    Symbol *read = reference_variable("N");
    EXPECT_EQ(read->kind, TALV_NUMBER);
    EXPECT_EQ(read->digits[TALV_UNITS_GROUP], 1234);
    EXPECT_EQ(read->digits[TALV_UNITS_GROUP + 1], 5000);
    EXPECT_EQ(read->sign, 1);
}

TEST(NamesVariables, ChangesToACopyDoNotReachTheHeldValue) {
    NamesEnv env;
    Symbol *original = number_symbol(7, 0);
    assign_variable("x", original);
    original->digits[TALV_UNITS_GROUP] = 8;  // the caller's own Symbol changes later
    Symbol *first = reference_variable("x");
    first->digits[TALV_UNITS_GROUP] = 9;
    first->kind = TALV_STRING;
    Symbol *second = reference_variable("x");
    EXPECT_EQ(second->kind, TALV_NUMBER);
    EXPECT_EQ(second->digits[TALV_UNITS_GROUP], 7);
}

TEST(NamesVariables, UnsetVariableCarriesTheNameAsWritten) {
    NamesEnv env;
    Symbol *read = reference_variable("MiXed");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->status, 2);
    EXPECT_EQ(read->code, TALV_E_NO_VALUE);
    EXPECT_EQ(read->kind, 0);
    EXPECT_EQ(env.message_arg(), "MiXed");
}

TEST(NamesVariables, NothingSurvivesIntoTheNextEvaluation) {
    NamesEnv env;
    assign_variable("carry", make_symbol(TALV_STRING, "old"));
    free_all_symbol();
    init_symbol_list();
    init_variable();
    EXPECT_EQ(reference_variable("carry")->code, TALV_E_NO_VALUE);
}

TEST(NamesVariables, AnErrorValueIsStoredLikeAnyOther) {
    NamesEnv env;
    Symbol *bad = make_symbol(TALV_STRING, "");
    bad->status = 2;
    bad->code = TALV_E_NOT_NUMBER;
    assign_variable("e", bad);
    Symbol *read = reference_variable("e");
    EXPECT_EQ(read->status, 2);
    EXPECT_EQ(read->code, TALV_E_NOT_NUMBER);
}

TEST(NamesVariables, AllocationFailureGivesNullAndLeavesTheTableUsable) {
    NamesEnv env;
    Symbol *value = make_symbol(TALV_STRING, "v");
    talv::alloc_fail_at(1, true);
    EXPECT_EQ(assign_variable("fresh", value), nullptr);
    EXPECT_EQ(reference_variable("fresh"), nullptr);
    talv::alloc_fail_at(0);
    // Fail each allocation of an assignment in turn (entry or its copy).
    std::string name;
    talv_test::sweep_allocation_failures(
        [&](long n) { name = "late" + std::to_string(n); },
        [&] { return assign_variable(name.c_str(), value); },
        [&](long, Symbol *held, bool whole) {
            EXPECT_EQ(held != nullptr, whole);
            if (!held) { EXPECT_EQ(reference_variable(name.c_str())->code, TALV_E_NO_VALUE); }
            ASSERT_NE(assign_variable(name.c_str(), value), nullptr);
            EXPECT_STREQ(reference_variable(name.c_str())->text, "v");
        },
        5);
}

}  // namespace

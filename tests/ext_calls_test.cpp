// The companion library's functions called as call_function calls them:
// argument lists of fields, ranges, strings and numbers; answers, values and
// argument errors completed with the function's row.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "support/alloc_sweep.h"
#include "support/names_env.h"

namespace {

using talv_test::make_field;
using talv_test::make_symbol;
using talv_test::NamesEnv;
using talv_test::parser_chain;

class ExtCalls : public ::testing::Test {
protected:
    NamesEnv env;

    void SetUp() override {
        auto &h = env.host;
        h.set("CARD", "4111 1111 1111 1111");
        h.set("CARDFW", "\x82\x53\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50"
                        "\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50");
        h.set("MY", "1234 5678 9018");
        h.set("ISBN", "4-10-101001-3");
        h.set("TXT", "12A4");
        h.set("EMPTY", "");
        const char *my = "123456789018";
        for (int i = 0; i < 12; i++) h.set("M" + std::to_string(i + 1), std::string(1, my[i]));
        h.set("E1", "1");
        h.set("E2", " ");
        h.set("E3", "3");
    }
};

// Arguments as the scanner makes them.
Symbol *str(const std::string &text) { return create_symbol(("'" + text + "'").c_str(), TALV_STRING); }
Symbol *num(const char *digits) { return create_symbol(digits, TALV_NUMBER); }
Symbol *fld(const char *name) { return make_field(name); }

struct Answer {
    int status;     // -1: no Symbol came back
    uint32_t code;
    int32_t value;  // INT_MIN when the answer carries no number
};

Answer call(const char *name, std::vector<Symbol *> args) {
    Symbol *chain = nullptr;
    for (Symbol *a : args) {
        a->next = chain;
        chain = a;
    }
    Symbol *r = call_function(make_symbol(TALV_VARIABLE, name), chain);
    if (!r) return {-1, 0, 0};
    Answer a{r->status, r->code, INT_MIN};
    if (r->status < 2) symbol_to_long(r, &a.value);
    return a;
}

constexpr int T = 0, F = 1;

struct Case {
    const char *function;
    std::vector<Symbol *> (*args)();
    int status;
    int32_t value;  // the check digit called for, -1, or a digit count
};

#define ARGS(...) [] { return std::vector<Symbol *>{__VA_ARGS__}; }

TEST_F(ExtCalls, AnswersAndValues) {
    const Case cases[] = {
        {"luhn", ARGS(fld("CARD")), T, 1},
        {"luhn", ARGS(fld("CARDFW")), T, 1},
        {"LUHN", ARGS(str("79927398713")), T, 3},
        {"luhn", ARGS(num("79927398713")), T, 3},
        {"luhn", ARGS(str("79927398710")), F, 3},
        {"luhn", ARGS(fld("TXT")), F, -1},
        {"luhn", ARGS(fld("EMPTY")), F, -1},
        {"luhn", ARGS(num("12.5")), F, -1},
        {"mod11", ARGS(fld("ISBN"), str("2,3,4,5,6,7,8,9,10")), T, 3},
        {"mod11", ARGS(str("080442957X"), str("2 3 4 5 6 7 8 9 10")), T, 10},
        {"mod11", ARGS(str("0804429570"), str("2,3,4,5,6,7,8,9,10")), F, 10},
        {"mod11", ARGS(str("1234560")), T, 0},
        {"mod11", ARGS(str("123456X")), F, 0},
        {"mod11", ARGS(str("1048576-2"), num("234567")), T, 2},
        {"mynumber", ARGS(fld("MY")), T, 8},
        {"mynumber", ARGS(fld("M1..12")), T, 8},
        {"mynumber", ARGS(fld("M12..1")), T, 8},  // a range always reads upwards
        {"mynumber", ARGS(str("123456789000")), T, 0},
        {"mynumber", ARGS(str("123456789050")), T, 0},
        {"mynumber", ARGS(str("123456789010")), F, 8},
        {"mynumber", ARGS(str("12345678901")), F, -1},
        {"mynumber", ARGS(fld("M1..11")), F, -1},
        {"corpnumber", ARGS(str("7000012050002")), T, 7},
        {"corpnumber", ARGS(str("7000-01-205000-2")), T, 7},
        {"corpnumber", ARGS(str("7000--012050002")), F, -1},
        {"corpnumber", ARGS(str("6000012050002")), F, 7},
        {"ean", ARGS(str("4901234567894")), T, 4},
        {"ean", ARGS(num("49123456")), T, 6},
        {"ean", ARGS(str("4901234567895")), F, 4},
        {"ean", ARGS(str("490123456789")), F, -1},
        {"digits", ARGS(str(" 1234 ")), T, 4},
        {"digits", ARGS(str("\x82\x4f\x82\x50")), T, 2},
        {"digits", ARGS(fld("TXT")), F, 3},
        {"digits", ARGS(fld("CARD")), F, 16},
        {"digits", ARGS(fld("EMPTY")), F, 0},
        {"digits", ARGS(fld("M1..12"), num("12")), T, 12},
        {"digits", ARGS(fld("E1..3")), F, 2},
        {"digits", ARGS(str("123"), str("3")), T, 3},
        {"digits", ARGS(str("123"), num("4")), F, 3},
    };
    for (const Case &c : cases) {
        Answer a = call(c.function, c.args());
        EXPECT_EQ(a.status, c.status) << c.function << " #" << (&c - cases);
        EXPECT_EQ(a.value, c.value) << c.function << " #" << (&c - cases);
    }
}

TEST_F(ExtCalls, WrongArgumentsCarryTheRowAndTheNameAsWritten) {
    struct Wrong {
        const char *function;
        std::vector<Symbol *> (*args)();
        uint32_t code;
    } cases[] = {
        {"Luhn", ARGS(), 0xA000000Au},
        {"luhn", ARGS(num("1"), num("2")), 0xA000000Au},
        {"luhn", ARGS(fld("X1..3")), 0xA000000Au},  // no field of the range exists
        {"Mod11", ARGS(str("1"), str("abc")), 0xA001000Au},
        {"mod11", ARGS(str("1"), str("0,0")), 0xA001000Au},
        {"mod11", ARGS(str("1"), str("2"), str("3")), 0xA001000Au},
        {"MyNumber", ARGS(), 0xA002000Au},
        {"corpnumber", ARGS(str("1"), num("1")), 0xA003000Au},
        {"ean", ARGS(), 0xA004000Au},
        {"DIGITS", ARGS(str("123"), num("0")), 0xA005000Au},
        {"digits", ARGS(str("123"), str("x")), 0xA005000Au},
        {"digits", ARGS(num("1"), num("2"), num("3")), 0xA005000Au},
    };
    for (const Wrong &c : cases) {
        Answer a = call(c.function, c.args());
        EXPECT_EQ(a.status, 2) << c.function;
        EXPECT_EQ(a.code, c.code) << c.function;
        EXPECT_EQ(env.message_arg(), c.function);
    }
}

TEST_F(ExtCalls, ArgumentErrorsPassThroughUnchanged) {
    Answer a = call("luhn", {fld("NOPE")});
    EXPECT_EQ(a.status, 2);
    EXPECT_EQ(a.code, TALV_E_NO_FIELD);
    EXPECT_EQ(env.message_arg(), "NOPE");
    a = call("digits", {str("1"), fld("NOPE")});
    EXPECT_EQ(a.code, TALV_E_NO_FIELD);
    // The identifier is read before the weights: its error wins.
    a = call("mod11", {fld("NOPE"), str("abc")});
    EXPECT_EQ(a.code, TALV_E_NO_FIELD);
}

TEST_F(ExtCalls, ArgumentsAreLeftAsTheyWere) {
    Symbol *n = num("79927398713");
    Symbol *s = str("12");
    Symbol before_n = *n, before_s = *s;
    call("luhn", {n});
    call("digits", {str("12"), s});
    EXPECT_EQ(n->kind, TALV_NUMBER);
    EXPECT_EQ(std::memcmp(n->digits, before_n.digits, sizeof n->digits), 0);
    EXPECT_EQ(s->kind, TALV_STRING);
    EXPECT_STREQ(s->text, before_s.text);
}

TEST_F(ExtCalls, RunningOutOfMemoryGivesNull) {
    Symbol *name = nullptr, *range = nullptr;
    talv_test::sweep_allocation_failures(
        [&](long) { ASSERT_TRUE((name = make_symbol(TALV_VARIABLE, "mynumber")) && (range = fld("M1..12"))); },
        [&] { return call_function(name, range); },
        [&](long n, Symbol *r, bool whole) {
            EXPECT_TRUE(r || !whole) << n;  // only a failure gives null
            if (!r) return;
            int32_t value = 0;
            EXPECT_EQ(r->status, T) << n;
            symbol_to_long(r, &value);
            EXPECT_EQ(value, 8) << n;
        },
        500);
}

}  // namespace

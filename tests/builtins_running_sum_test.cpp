// sum and sumprod keep one running value instead of chaining op_add; over
// operands of every kind, errors anywhere, wrapping, both signs, the blank
// and point modes and certify mode's class judgement, they must answer
// exactly what the chain answers, after the same host reads in the same order.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "builtins/builtins.h"
#include "support/arith_env.h"
#include "values/modes.h"

namespace {

// The sum the way it was taken before: op_add after op_add from the literal 0.
Symbol *chained_sum(Symbol *head) {
    Symbol *acc = create_symbol("0", TALV_NUMBER);
    if (!acc) return nullptr;
    if (count_list(head) == 0) return nullptr;
    for (Symbol *arg = head->next; arg; arg = arg->next) {
        if (!is_field_with_range(arg)) {
            acc = op_add(acc, arg);
            if (!acc || acc->status >= 2) return acc;
            continue;
        }
        Symbol *expansion = ext_field_arg(arg);
        if (!expansion || expansion->status >= 2) return expansion;
        for (Symbol *field = expansion->next; field; field = field->next) {
            acc = op_add(acc, field);
            if (!acc || acc->status >= 2) return acc;
        }
    }
    return acc;
}

Symbol *chained_sumprod(Symbol *head) {
    Symbol *acc = create_symbol("0", TALV_NUMBER);
    Symbol *a = head->next, *b = a->next;
    Symbol *ea = ext_field_arg(a);
    if (!ea || ea->status >= 2) return ea;
    Symbol *eb = ext_field_arg(b);
    if (!eb || eb->status >= 2) return eb;
    for (Symbol *x = ea->next, *y = eb->next; x && y; x = x->next, y = y->next) {
        Symbol *product = op_mul(x, y);
        if (!product || product->status >= 2) return product;
        acc = op_add(acc, product);
        if (!acc || acc->status >= 2) return acc;
    }
    return acc;
}

// Everything a caller can see of one call.
struct Seen {
    bool null = true;
    std::string symbol;  // the answer's bytes, links left out
    std::string message;
    std::vector<std::string> reads;  // the host calls, in order
    int range_calls = 0;

    bool operator==(const Seen &) const = default;
};

class BuiltinsRunningSum : public talv_test::ArithFixture {
protected:
    void open_form(bool certify) {
        open(certify);
        struct {
            const char *name, *value, *class_spec;
        } form[] = {
            {"A1", "123", "NUM"},
            {"A2", "\x82\x50\x82\x51", "NUM"},        // full-width 12
            {"A3", "  7", "NUM"},
            {"A4", "7  ", ""},
            {"A5", "-5", "NUM"},
            {"A6", "1.25", "NUM"},
            {"A7", "", "NUM"},
            {"A8", "\x81\x8f" "100", "NUM"},          // yen sign
            {"A9", "\x81\x7c" "40", "NUM"},           // full-width minus
            {"A10", "12345678901234567890123", "NUM"},
            {"A11", "0000", "NUM"},
            {"A12", "+3", "NUM"},
            {"B1", "abc", "ALP"},
            {"B2", "1 2", "NUM"},
            {"B3", "1.2.3", "NUM"},
            {"NEG", "-99999999999999999999", "NUM"},
            {"ANY", "x", ""},
            // Whole numbers of 19 digits: two of W1 no longer fit a word.
            {"W1", "9999999999999999999", "NUM"},
            {"W2", "1844674407370955161", "NUM"},
            {"W3", "\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58"
                   "\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58\x82\x58", "NUM"},
            {"W4", " 18446744073709551  ", "NUM"},
        };
        for (const auto &f : form) host().set(f.name, f.value, "HAND_ANK", f.class_spec);
        host().set("BIG", std::string(104, '9'), "HAND_ANK", "NUM");
        host().set("HUGE", std::string(105, '9'), "HAND_ANK", "NUM");
        ASSERT_NE(assign_variable("held_field", field("A1")), nullptr);
        ASSERT_NE(assign_variable("held_number", number("-1000.5")), nullptr);
        ASSERT_NE(assign_variable("held_text", string("\x82\x53")), nullptr);
    }

    // "7" or "-7": a NUMBER; "[A1]" or "[A1..3]": a field or range as the
    // scanner makes it; "'..'": a string; "v:name": a variable; "err": an
    // operand already carrying an error.
    Symbol *operand(const std::string &spec) {
        if (spec[0] == '[') return create_symbol((spec.substr(0, spec.size() - 1) + "$").c_str(), TALV_FIELD);
        if (spec[0] == '\'') return string(spec.substr(1, spec.size() - 2));
        if (spec.rfind("v:", 0) == 0) return variable(spec.substr(2));
        if (spec == "err") return error_symbol(TALV_E_NOT_NUMBER);
        return number(spec);
    }

    Seen run(const std::function<Symbol *(Symbol *)> &fn, const std::vector<std::string> &args) {
        Seen seen;
        std::vector<Symbol *> made;
        for (const std::string &a : args) made.push_back(operand(a));
        Symbol *head = sym_alloc();
        Symbol **tail = &head->next;
        for (Symbol *s : made) {
            *tail = s;
            tail = &s->next;
        }
        talv::g_state.message_arg[0] = '\0';
        host().calls.clear();
        const int ranges_before = host().range_calls;
        Symbol *r = fn(head);
        seen.reads = host().calls;
        seen.range_calls = host().range_calls - ranges_before;
        seen.message = talv::g_state.message_arg;
        if (r == nullptr) return seen;
        seen.null = false;
        Symbol copy = *r;
        copy.next = nullptr;
        copy.value = nullptr;
        seen.symbol.assign(reinterpret_cast<const char *>(&copy), sizeof copy);
        return seen;
    }

    void expect_same(const std::function<Symbol *(Symbol *)> &in_place,
                     const std::function<Symbol *(Symbol *)> &chained, const std::vector<std::string> &args,
                     const std::string &what) {
        const Seen a = run(in_place, args), b = run(chained, args);
        std::string listed;
        for (const std::string &s : args) listed += s + " ";
        EXPECT_EQ(a.null, b.null) << what << listed;
        EXPECT_EQ(a.symbol, b.symbol) << what << listed;
        EXPECT_EQ(a.message, b.message) << what << listed;
        EXPECT_EQ(a.reads, b.reads) << what << listed;
        EXPECT_EQ(a.range_calls, b.range_calls) << what << listed;
    }
};

const std::vector<std::vector<std::string>> kSumCases = {
    {"1"},
    {"1", "2", "-3"},
    {"[A1]"},
    {"[A1..12]"},
    {"-200", "[A1]", "[A5]", "77"},
    {"-123", "[A1]"},                           // back to zero: no sign
    {"[A5]", "[A9]", "[A6]"},                   // negatives and a fraction
    {"[A10]", "[A10]", "[NEG]"},
    {"[BIG]", "[BIG]"},                         // wraps past 10^104
    {"-1", "[BIG]", "[BIG]"},
    {"[NEG]", "[BIG]", "-0.5"},
    {"[B1]"},                                   // an error first
    {"1", "[B1]", "[A1]"},                      // in the middle: A1 is never read
    {"[A1]", "[A2]", "[B2]"},                   // last
    {"[A1]", "[B3]"},
    {"[A1]", "[MISSING]", "[A2]"},
    {"[A1..3]", "[MISSING..2]", "[A4]"},
    {"[A1..2]", "[B1..3]", "[A3]"},             // the range's error stops it inside
    {"[B2..3]", "[A1]"},
    {"[A10..12]", "[HUGE]", "[A1]"},            // more digits than a number holds
    {"err", "[A1]"},
    {"[A1]", "err"},
    {"v:held_field"},
    {"v:held_field", "-9"},                     // the difference through the exported operations
    {"-9", "v:held_field", "[A2]"},
    {"v:held_number", "[A1..4]"},
    {"v:held_text", "'12'", "'-3'"},
    {"v:nobody", "[A1]"},
    {"'abc'", "[A1]"},
    {"[A7]", "[A7]", "[A3]"},
    {"[ANY]"},
    {"[A4]", "[A8]", "[A12]"},
    {"[W1]", "[W1]"},                           // the word overflows at the second
    {"[W2]", "[W2]", "[W2]", "[A1]"},
    {"[W1]", "[A6]", "[W1]", "[A2]"},           // a fraction between whole numbers
    {"[W3]", "[W3]", "-1"},
    {"-5", "[W1]", "[W2]"},
    {"[A5]", "[W1]", "[W1]"},
    {"[W4]", "[W4]", "[A3]", "[A4]"},
    {"[W1]", "[BIG]", "[W1]"},
};

TEST_F(BuiltinsRunningSum, SumAnswersAsTheChainOfAdditions) {
    struct Modes {
        const char *what;
        int32_t all_blank, in_blank, right_blank, decimal_point;
    } modes[] = {
        {"default modes: ", talv::kDefaultAllBlank, talv::kDefaultInBlank, talv::kDefaultRightBlank, 0},
        {"blanks as errors: ", talv::kBlankError, talv::kBlankError, talv::kBlankError, 0},
        {"blanks as zeros: ", talv::kBlankAsZero, talv::kBlankAsZero, talv::kBlankAsZero, 0},
        {"implied point: ", talv::kDefaultAllBlank, talv::kBlankIgnore, talv::kDefaultRightBlank, 2},
    };
    for (bool certify : {false, true}) {
        for (const Modes &m : modes) {
            open_form(certify);
            all_blank = m.all_blank;
            in_blank = m.in_blank;
            right_blank = m.right_blank;
            decimal_point = m.decimal_point;
            for (const auto &args : kSumCases)
                expect_same(talv::builtin_sum, chained_sum, args, std::string(certify ? "certify, " : "") + m.what);
        }
    }
}

TEST_F(BuiltinsRunningSum, CertifyTypeOnlyAnswersAsTheChain) {
    open_form(true);
    host().set("N", "not a number", "HAND_ANK", "NUM");
    host().set("AL", "12", "HAND_ANK", "ALP");
    host().set("KANA", "12", "HAND_KANA", "NUM");  // a type certify mode refuses
    const std::vector<std::vector<std::string>> cases = {
        {"[N]"}, {"1", "[N]", "2"}, {"[N]", "[AL]"}, {"[N]", "[B1]", "[A1]"}, {"[N]", "[MISSING]"},
        {"[N]", "err"}, {"[A1..3]", "[N]", "[A4..6]"}, {"[KANA]", "[N]"}, {"[N]", "[KANA]"},
        {"v:held_number", "[N]"}, {"[N]", "v:held_field"},
    };
    for (const auto &args : cases) expect_same(talv::builtin_sum, chained_sum, args, "certify: ");
}

TEST_F(BuiltinsRunningSum, SumprodAnswersAsTheChainOfProductsAndAdditions) {
    for (bool certify : {false, true}) {
        open_form(certify);
        const std::vector<std::vector<std::string>> cases = {
            {"[A1..3]", "[A4..6]"}, {"[A1..12]", "[A1..12]"}, {"[A5..6]", "[A9..10]"},
            {"[B1..3]", "[A1..3]"}, {"[A1..2]", "[B2..3]"}, {"[A10..12]", "[A10..12]"},
        };
        for (const auto &args : cases)
            expect_same(talv::builtin_sumprod, chained_sumprod, args, certify ? "certify: " : "");
    }
}

// The answer cell is the only Symbol the sum itself makes: when it cannot
// be had, nothing is read.
TEST_F(BuiltinsRunningSum, NoMemoryForTheAnswerReadsNothing) {
    open_form(false);
    Symbol *head = sym_alloc();
    head->next = operand("[A1]");
    host().calls.clear();
    talv::alloc_fail_at(1);
    EXPECT_EQ(talv::builtin_sum(head), nullptr);
    talv::alloc_fail_at(0);
    EXPECT_TRUE(host().calls.empty());
}

}  // namespace

// An expression of at most 512 bytes finishes in bounded time whatever it
// holds.  The worst cases found (tests/support/worst_cases.h) must answer
// soundly; their times are printed, not asserted (bench/worst_case_bench
// measures them properly).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "../fuzz/eval_driver.h"
#include "support/worst_cases.h"

namespace {

using Clock = std::chrono::steady_clock;

double millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Timed {
    uint32_t ret, out;
    double ms;
};

Timed run(const std::string &expr, bool certify) {
    auto start = Clock::now();
    Timed t{};
    if (certify) {
        PPR_CERTIFY_RESULT rec;
        t.ret = PPR_certify(&rec, "1", expr.c_str());
        t.out = rec.code;
    } else {
        t.ret = PPR_eval(&t.out, "1", expr.c_str());
    }
    t.ms = millis(Clock::now() - start);
    return t;
}

// What each worst case answers, and how many field values it reads: the
// reads show that its ranges expanded in full rather than failing early.
struct Expected {
    const char *name;
    uint32_t out;
    int field_reads;
};
const Expected kExpected[] = {
    {"sum_of_ranges", TALV_OK, 56 * 960},
    {"sum_of_ranges_long_values", TALV_OK, 56 * 960},
    {"sum_of_ranges_certify_excluded", TALV_OK, 56 * 960},
    {"sumprod_of_ranges_long_values", TALV_OK, 18 * 2 * 960},
    {"digits_of_ranges", TALV_OK, 30 * 960},
    {"field_references_long_values", TALV_OK, 85},
    {"nested_sums", TALV_OK, 960},
    {"unary_minus_chain", TALV_OK, 0},
    {"division_chain", TALV_FALSE, 0},
    {"product_chain", TALV_OK, 0},
    {"era_dates", TALV_FALSE, 0},
};

TEST(HardenResourceBounds, WorstCasesAnswerSoundly) {
    ASSERT_EQ(std::size(kExpected), talv_worst::cases().size());
    for (const talv_worst::Case &c : talv_worst::cases()) {
        const Expected *e = nullptr;
        for (const Expected &x : kExpected)
            if (std::string(x.name) == c.name) e = &x;
        ASSERT_NE(e, nullptr) << c.name;
        EXPECT_LE(c.expr.size(), static_cast<std::size_t>(TALV_MAX_EXPR)) << c.name;

        talv_test::FakeHost host;
        talv_worst::fill_form(host, c.form);
        ASSERT_EQ(host.install(), 0u);
        Timed t = run(c.expr, c.certify);
        EXPECT_EQ(t.ret, 0u) << c.name;
        EXPECT_EQ(t.out, e->out) << c.name;
        EXPECT_EQ(host.value_calls, e->field_reads) << c.name;
        std::printf("[ figure   ] %-32s %4zu bytes %6d field reads %9.1f ms\n", c.name, c.expr.size(),
                    host.value_calls, t.ms);
        PPR_end();
    }
}

// Random well-formed expressions of up to 512 bytes (so that they evaluate
// in full rather than stop at a syntax error), run in both modes against the
// 960-field form with a full excluded list.  Only the soundness of each
// answer is asserted; the slowest is printed.
class RandomExpression {
public:
    explicit RandomExpression(uint32_t seed) : rng_(seed) {}

    std::string make() {
        std::string text = condition(0);
        while (text.size() > TALV_MAX_EXPR) text = condition(0);
        for (int tries = 0; tries < 20;) {
            std::string more = (pick(2) ? " && " : " || ") + condition(0);
            if (text.size() + more.size() > TALV_MAX_EXPR) { ++tries; continue; }
            text += more;
        }
        return text;
    }

private:
    std::mt19937 rng_;
    int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    std::string condition(int groups) {
        static const char *const kRelops[] = {"==", "!=", "<", ">", "<=", ">="};
        return expression(groups, 0) + kRelops[pick(6)] + expression(groups, 0);
    }

    std::string expression(int groups, int depth) {
        static const char *const kOps[] = {"+", "-", "*", "/"};
        std::string text = term(groups, depth);
        for (int n = pick(3); n > 0; --n) text += kOps[pick(4)] + term(groups, depth);
        return text;
    }

    std::string term(int groups, int depth) {
        static const char *const kLeaves[] = {"1", "7", "9999999999999999", "0.5", "[960]", "@", "[0..999]"};
        static const char *const kRangeCalls[] = {"sum([0..999])", "digits([0..999])", "sumprod([0..999],[1..960])",
                                                  "mynumber([1..12])", "sum([1..960],[0..999])"};
        static const char *const kFunctions[] = {"sum", "number", "length", "day", "jdate", "luhn", "digits"};
        if (depth > 3) return kLeaves[pick(6)];
        switch (pick(6)) {
        case 0: return kLeaves[pick(7)];
        case 1: return kRangeCalls[pick(5)];
        case 2: return "-" + term(groups, depth + 1);
        case 3:
            if (groups < 6) return "(" + expression(groups + 1, depth + 1) + ")";
            return kLeaves[pick(6)];
        default: {
            std::string call = std::string(kFunctions[pick(7)]) + "(" + expression(groups, depth + 1);
            for (int n = pick(3); n > 0; --n) call += "," + expression(groups, depth + 1);
            return call + ")";
        }
        }
    }
};

TEST(HardenResourceBounds, RandomExpressionsOf512Bytes) {
    talv_test::FakeHost host;
    talv_worst::fill_form(host, talv_worst::Form::kExcludedList);
    ASSERT_EQ(host.install(), 0u);
    RandomExpression random(20240229);

    double slowest = 0;
    std::string slowest_expr;
    for (int i = 0; i < 60; ++i) {
        const std::string expr = random.make();
        ASSERT_LE(expr.size(), static_cast<std::size_t>(TALV_MAX_EXPR));
        for (bool certify : {false, true}) {
            Timed t = run(expr, certify);
            EXPECT_EQ(talv_fuzz::check_return(t.ret, t.out), "") << expr;
            if (t.ms > slowest) {
                slowest = t.ms;
                slowest_expr = expr;
            }
        }
    }
    std::printf("[ figure   ] slowest random expression: %.1f ms\n%s\n", slowest, slowest_expr.c_str());
    PPR_end();
}

}  // namespace

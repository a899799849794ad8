// The scanner alone: token codes and values for prepared texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lang/frontend.h"
#include "talvechk.h"
#include "lang/tokens.h"
#include "service/state.h"
#include "support/alloc_sweep.h"
#include "values/alloc.h"

namespace {

using talv::TokenValue;

constexpr int V = talv::kTokVariable, N = talv::kTokNumber, F = talv::kTokField, S = talv::kTokString,
              R = talv::kTokRelop, OR = talv::kTokOr, AND = talv::kTokAnd;

struct Token {
    int code;
    int op;             // RELOP only
    std::string text;   // operand tokens whose Symbol could be made
};

void prepare(const std::string &text) {
    ASSERT_LT(text.size(), sizeof talv::g_state.scanner_input);
    std::memcpy(talv::g_state.scanner_input, text.data(), text.size());
    talv::g_state.scanner_input[text.size()] = '\0';
    talv::g_state.read_pos = 0;
    talv::g_state.end_pos = text.size();
}

class LangScanner : public ::testing::Test {
protected:
    void SetUp() override {
        init_symbol_list();
        std::strcpy(talv::g_state.self_field, "[TOTAL$");
    }
    void TearDown() override { free_all_symbol(); }

    // Tokens up to and including the first end of input.
    std::vector<Token> scan(const std::string &text) {
        prepare(text);
        EXPECT_TRUE(talv::scanner_reset());
        std::vector<Token> out;
        for (int guard = 0; guard < 1000; ++guard) {
            TokenValue v{};
            int code = talv::scan_token(&v);
            Token t{code, code == R ? v.op : 0, ""};
            if (code >= V && code <= S && v.sym) t.text = v.sym->text;
            out.push_back(t);
            if (code == 0 || code == talv::kTokScannerFailed) break;
        }
        return out;
    }
    std::vector<int> codes(const std::string &text) {
        std::vector<int> c;
        for (auto &t : scan(text)) c.push_back(t.code == R ? 1000 + t.op : t.code);
        return c;
    }
};

// RELOP n is written as 1000 + n.
constexpr int EQ = 1000, NE = 1001, LT = 1002, GT = 1003, LE = 1004, GE = 1005;

struct Case {
    const char *text;
    std::vector<int> codes;
};

class LangScannerTokens : public LangScanner, public ::testing::WithParamInterface<Case> {};

TEST_P(LangScannerTokens, SplitsAsTheRulesSay) { EXPECT_EQ(codes(GetParam().text), GetParam().codes); }

INSTANTIATE_TEST_SUITE_P(
    LangRules, LangScannerTokens,
    ::testing::Values(
        Case{"[a$==1", {F, EQ, N, 0}},
        Case{"  1 \t\n 2", {N, N, 0}},
        Case{"1\r\n", {N, '\r', 0}},
        Case{"\v\f", {'\v', '\f', 0}},
        Case{"<>", {LT, GT, 0}},
        Case{"=< => ===", {'=', LT, '=', GT, EQ, '=', 0}},
        Case{"=<=>===", {'=', LE, GE, EQ, 0}},
        Case{"!= ! & | || &&", {NE, '!', '&', '|', OR, AND, 0}},
        Case{"<= >=", {LE, GE, 0}},
        Case{"1==1 $ anything", {N, EQ, N, 0}},
        Case{"1.2.3", {N, '.', N, 0}},
        Case{"5.", {N, '.', 0}},
        Case{".5", {'.', N, 0}},
        Case{"1,000", {N, ',', N, 0}},
        Case{"1e5 12ab", {N, V, N, V, 0}},
        Case{"x_y", {V, '_', V, 0}},
        Case{"[$", {'[', 0}},
        Case{"[ab\n1", {F, N, 0}},
        Case{"'ab\n1", {S, N, 0}},
        Case{"'a$b[c'", {S, 0}},
        Case{"''", {S, 0}},
        Case{"'", {'\'', 0}},
        Case{"@x", {F, V, 0}},
        Case{"f(a,-b)*c/d+e", {V, '(', V, ',', '-', V, ')', '*', V, '/', V, '+', V, 0}},
        Case{"1\x82\xa0", {N, -126, -96, 0}},
        Case{"\xb1", {-79, 0}},
        Case{"", {0}}));

TEST_F(LangScanner, OperandTokensCarryTheirText) {
    auto t = scan("abc 12.5 [ F1 $ 'x y' @");
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].text, "abc");
    EXPECT_EQ(t[2].text, "F1");
    EXPECT_EQ(t[3].text, "x y");
    EXPECT_EQ(t[4].text, "TOTAL");
}

TEST_F(LangScanner, NameAtTheVeryEndIsMatchedWhole) {
    std::string name(511, 'a');
    name += 'b';
    auto t = scan(name);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].code, V);
    EXPECT_EQ(t[0].text, std::string(16, 'a'));  // names keep 16 bytes
}

TEST_F(LangScanner, KeepsReturningEndOfInput) {
    prepare("1");
    ASSERT_TRUE(talv::scanner_reset());
    TokenValue v{};
    EXPECT_EQ(talv::scan_token(&v), N);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(talv::scan_token(&v), 0);
}

TEST_F(LangScanner, ResetDiscardsWhatAnEarlierTextLeftUnread) {
    prepare("1 2 3 $ 4");
    ASSERT_TRUE(talv::scanner_reset());
    TokenValue v{};
    EXPECT_EQ(talv::scan_token(&v), N);
    EXPECT_EQ(codes("x"), (std::vector<int>{V, 0}));
    // and after a "$"
    EXPECT_EQ(codes("1 $ 2"), (std::vector<int>{N, 0}));
    EXPECT_EQ(codes("<"), (std::vector<int>{LT, 0}));
}

TEST_F(LangScanner, ReadsOnlyUpToTheEndPosition) {
    prepare("12345");
    talv::g_state.end_pos = 2;
    ASSERT_TRUE(talv::scanner_reset());
    TokenValue v{};
    EXPECT_EQ(talv::scan_token(&v), N);
    EXPECT_EQ(talv::scan_token(&v), 0);
    EXPECT_EQ(talv::g_state.read_pos, 2u);
}

TEST_F(LangScanner, OtherTokensLeaveTheValueAlone) {
    prepare("< +");
    ASSERT_TRUE(talv::scanner_reset());
    TokenValue v{};
    EXPECT_EQ(talv::scan_token(&v), R);
    EXPECT_EQ(v.op, talv::kRelLt);
    EXPECT_EQ(talv::scan_token(&v), '+');
    EXPECT_EQ(v.op, talv::kRelLt);
}

// The buffer is made of three allocations; each failing one is reported,
// leaves nothing behind, and the next reset starts over.
TEST_F(LangScanner, BufferThatCannotBeMadeIsReportedNotFatal) {
    struct Reset { bool ok; long made; };
    const long failed = talv_test::sweep_allocation_failures(
        [](long) { talv::scanner_delete_buffer(), prepare("a<1"); },
        [] { return Reset{talv::scanner_reset(), talv::alloc_count()}; },
        [](long n, Reset r, bool whole) {
            EXPECT_EQ(r.ok, whole) << "allocation " << n;
            if (whole) return;
            EXPECT_TRUE(talv::scanner_failed());
            TokenValue v{};
            EXPECT_EQ(talv::scan_token(&v), talv::kTokScannerFailed);
            EXPECT_LE(r.made, n);
        },
        9);
    EXPECT_GE(failed, 1);
    talv::scanner_delete_buffer();
    EXPECT_EQ(codes("a<1"), (std::vector<int>{V, LT, N, 0}));
    EXPECT_FALSE(talv::scanner_failed());
}

// Without a reset the first token makes the buffer; failing there ends the
// parse as a memory shortage rather than a syntax error.
TEST_F(LangScanner, BufferMadeByTheFirstTokenFailing) {
    talv::scanner_delete_buffer();
    prepare("1==1");
    talv::g_state.result_word = 0;
    talv::alloc_fail_at(2);
    EXPECT_EQ(talv::parse(), 1);
    talv::alloc_fail_at(0);
    EXPECT_TRUE(talv::scanner_failed());
    EXPECT_EQ(talv::g_state.result_word, TALV_I_NO_MEMORY);
    EXPECT_EQ(codes("1==1"), (std::vector<int>{N, EQ, N, 0}));
}

TEST_F(LangScanner, DeletingTwiceIsHarmless) {
    talv::scanner_delete_buffer();
    talv::scanner_delete_buffer();
    EXPECT_EQ(codes("1"), (std::vector<int>{N, 0}));
}

}  // namespace

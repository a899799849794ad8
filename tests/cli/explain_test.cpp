// talvechk eval --explain: the whole trace, one step a line, its piece of
// the expression underlined; and the host core's wording of it.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_cli.h"
#include "check/trace_text.h"

using namespace cli_test;
using nlohmann::json;

namespace {

TEST(CliExplain, EveryStepOfAFailedSum) {
    CliRun r = talvechk({"eval", "--explain", "--field", "T", "sum([A1..3])==@", "--set", "A1=1000", "--set",
                         "A2=1000", "--set", "A3=1000", "--set", "T=3001"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "outcome   failed\n"
                     "out-code  80000000\n"
                     "return    00000000\n"
                     "message   認識結果に誤りがあります。\n"
                     "explain\n"
                     "  sum([A1..3])==@\n"
                     "      ^^^^^^^       field        A1 = 1000\n"
                     "      ^^^^^^^       field        A2 = 1000\n"
                     "      ^^^^^^^       field        A3 = 1000\n"
                     "  ^^^^^^^^^^^^      call         sum(…) = 3000\n"
                     "                ^   field        T = 3001\n"
                     "  ^^^^^^^^^^^^^^^   comparison   3000 == 3001 → false\n"
                     "  ^^^^^^^^^^^^^^^   statement    false: 80000000 認識結果に誤りがあります。\n");
}

struct ExplainCase {
    const char *label;
    std::vector<std::string> args;
    std::vector<std::string> lines;  // each must appear in the output
};

void PrintTo(const ExplainCase &c, std::ostream *os) { *os << c.label; }

const ExplainCase kExplain[] = {
    {"SyntaxErrorShowsTheByte",
     {"--field", "T", "1 +* 2", "--set", "T=1"},
     {"  1 +* 2\n     ^     syntax error ", "parsing stopped at byte 4 (\"*\"): 90000001"}},
    {"SyntaxErrorAtTheEnd",
     {"--field", "T", "ydate([Y],[M]", "--set", "Y=1"},
     {"  ydate([Y],[M]\n               ^  syntax error ", "at byte 14, the end of the text"}},
    {"TwoByteCharactersTakeTwoColumns",
     {"--field", "金額", "[金額] * 2 == 2001", "--set", "金額=1,000"},
     {"  ^^^^^^               field        金額 = １，０００  (recognised \"1,000\")",
      "  ^^^^^^^^^^           operator     １，０００ * 2: error 90000006"}},
    {"DateAssignmentAndJoin",
     {"--field", "D", "x=[D]+1, ydate([Y],[M],[D]) || x > 1", "--set", "Y=2024", "--set", "M=2", "--set", "D=30"},
     {"assignment   x = 31", "call         ydate(…) → false", "comparison   31 > 1 → true",
      "logical      false || true → true", "statement    holds"}},
    {"UnsetVariableNamesIt",
     {"--field", "A", "y=1, z", "--set", "A=1"},
     {"       ^   statement    error 90000003 ﾁｪｯｸ式ｴﾗｰ： 変数 z は値が設定されていません。"}},
    {"CertifyModeSaysWhatItDoesNotReport",
     {"--certify", "--field", "A", "1 == 2", "--set", "A=1"},
     {"comparison   1 == 2 → false", "statement    false, not reported in certify mode"}},
    {"TooDeepParentheses",
     {"--field", "A", "(((((((1)))))))==1", "--set", "A=1"},
     {"        ^", "parsing stopped at byte 7 (\"(\"): 90000005"}},
};

class CliExplainCases : public ::testing::TestWithParam<ExplainCase> {};

TEST_P(CliExplainCases, Lines) {
    const ExplainCase &c = GetParam();
    std::vector<std::string> args = {"eval", "--explain"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun r = talvechk(args);
    for (const std::string &line : c.lines) EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliExplainCases, ::testing::ValuesIn(kExplain),
                         [](const auto &info) { return std::string(info.param.label); });

TEST(CliExplain, JsonGivesBothSidesAsExactDecimals) {
    CliRun r = talvechk({"eval", "--explain", "--format", "json", "--field", "T", "[Q]*[P]==@", "--set", "Q=3",
                         "--set", "P=0.25", "--set", "T=0.7"});
    EXPECT_EQ(r.status, 1) << r.err;
    json j = json::parse(r.out);
    ASSERT_EQ(j["explain"].size(), 6u) << r.out;
    const json &cmp = j["explain"][4];
    EXPECT_EQ(cmp["kind"], "comparison");
    EXPECT_EQ(cmp["piece"], "[Q]*[P]==@");
    EXPECT_EQ(cmp["left"], "0.75");
    EXPECT_EQ(cmp["right"], "0.7");
    EXPECT_EQ(cmp["status"], "false");
    EXPECT_EQ(j["explain"][2]["value"], "0.75");
    EXPECT_EQ(j["explain"][1]["recognised"], "0.25");
}

TEST(CliExplain, WithoutTheFlagNoTrace) {
    CliRun r = talvechk({"eval", "--format", "json", "--field", "A", "@ == 1", "--set", "A=1"});
    EXPECT_FALSE(json::parse(r.out).contains("explain"));
}

struct UnderlineCase {
    std::string expr;
    uint32_t start, length;
    std::string mark;
};

TEST(TraceText, UnderlineCountsColumnsNotBytes) {
    const std::string kin = "\x8b\xe0";  // 金, two columns
    const std::string half_ka = "\xb6";  // ｶ, one
    for (const UnderlineCase &c : {UnderlineCase{"1+2", 2, 1, "  ^"}, UnderlineCase{"1+2", 3, 0, "   ^"},
                                   UnderlineCase{"[" + kin + "]+1", 0, 4, "^^^^"},
                                   UnderlineCase{"[" + kin + "]+1", 5, 1, "     ^"},
                                   UnderlineCase{"'" + half_ka + "'==@", 4, 1, "    ^"}})
        EXPECT_EQ(talvhost::underline(c.expr, c.start, c.length), c.mark) << c.expr << " " << c.start;
}

}  // namespace

// What the form designer is told beside a check's fault: the text the
// library never reads (the expression ends early at a "$" or a double-byte
// character, silently, as the language has it) and the slip a syntax error
// most likely comes of.  certify, check's lint-first pass and eval tell the
// same words under the same caret.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_cli.h"

using namespace cli_test;
using nlohmann::json;

namespace {

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

struct HintCase {
    const char *name;
    const char *check;
    const char *caret;  // under "    check: ", after its 11 columns
    const char *english, *japanese;
    bool in_lint;  // the lint-first pass tells it (it fails alike on every form)
};

void PrintTo(const HintCase &c, std::ostream *os) { *os << c.name; }

class CliHint : public ::testing::TestWithParam<HintCase> {};

TEST_P(CliHint, CertifyAndTheLintFirstPassShowTheSameCaretAndHint) {
    const HintCase &c = GetParam();
    TempDir dir;
    std::string form = dir.write("f.json", json{{"fields", {{{"name", "A"}, {"check", c.check}}}}}.dump());
    std::string results = dir.write("r.csv", "A\n5\n");
    for (const char *lang : {"en", "ja"}) {
        const std::string hint = std::string("    hint: ") + (std::string(lang) == "en" ? c.english : c.japanese) + "\n";
        const std::string block = std::string("    check: ") + c.check + "\n           " + c.caret + "\n" + hint;
        CliRun certified = talvechk({"--lang", lang, "certify", form});
        EXPECT_EQ(certified.status, 2) << certified.out;
        EXPECT_TRUE(has(certified.out, block)) << certified.out;
        CliRun checked = talvechk({"--lang", lang, "check", form, results, "--no-timing"});
        EXPECT_EQ(has(checked.err, block), c.in_lint) << checked.err;
        CliRun json_out = talvechk({"--lang", lang, "certify", form, "--format", "json"});
        EXPECT_EQ(json::parse(lines_of(json_out.out).front())["hint"], hint.substr(10, hint.size() - 11));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Slips, CliHint,
    ::testing::Values(
        HintCase{"ChainedComparison", "0 < @ < 100", "      ^",
                 "comparisons cannot be chained: write 0 < @ && @ < 100",
                 "比較は続けて書けません。「0 < @ && @ < 100」のように && でつないでください", true},
        HintCase{"UnderscoreInAName", "max_kg > 1", "   ^",
                 "\"_\" is no part of a name: a variable's name is letters and digits only; a field is written in "
                 "brackets, [max_kg]",
                 "名前に「_」は使えません。変数名は英字と数字だけです。フィールドなら [max_kg] と [ ] で囲みます", true},
        HintCase{"BangAlone", "!blank(@)", "^",
                 "\"!\" alone is no operator: write != for \"not equal\"; a condition cannot be negated, write the "
                 "opposite comparison (>= for <)",
                 "「!」だけの演算子はありません。「等しくない」は「!=」です。条件の否定はできないので、逆の比較（< の代わりに >=）を書いてください",
                 true},
        HintCase{"SingleAmpersand", "@ > 1 & @ < 3", "      ^", "a single \"&\" is no operator: write && for \"and\"",
                 "「&」1文字の演算子はありません。「かつ」は「&&」と書いてください", true},
        HintCase{"SingleBar", "@ > 1 | @ < 3", "      ^", "a single \"|\" is no operator: write || for \"or\"",
                 "「|」1文字の演算子はありません。「または」は「||」と書いてください", true},
        HintCase{"EqualsLess", "@ =< 5", "  ^", "there is no operator =<: write <=",
                 "「=<」という演算子はありません。「<=」と書いてください", true},
        HintCase{"EqualsGreaterAfterAName", "x => 5", "   ^", "there is no operator =>: write >=",
                 "「=>」という演算子はありません。「>=」と書いてください", true},
        HintCase{"LessGreater", "@ <> 5", "   ^", "there is no operator <>: write != for \"not equal\"",
                 "「<>」という演算子はありません。「等しくない」は「!=」と書いてください", true},
        HintCase{"ThousandsSeparator", "(@ == 1,000)", "       ^",
                 "a comma separates statements: 1,000 reads as 1 and a statement 000; write numbers without "
                 "separators (1000)",
                 "「,」は文を区切ります。1,000 は 1 と文 000 になります。数は区切りなしで書いてください（1000）", true},
        HintCase{"UnclosedBracket", "@ == [QTY", "     ^^^^",
                 "the \"[\" at byte 6 is never closed: a field reference ends with \"]\"",
                 "6バイト目の「[」が閉じていません。フィールド参照は「]」で終わります", true},
        HintCase{"UnclosedApostrophe", "@ == 'ab", "     ^^^", "the \"'\" at byte 6 is never closed: a text ends with \"'\"",
                 "6バイト目の「'」が閉じていません。文字列は「'」で終わります", true},
        // The text ends before the statement does: the syntax error is the
        // full-width digits'.
        HintCase{"FullWidthDigits", "@ == １０", "     ^^",
                 "the expression ends at byte 6, at the full-width character \"１\": outside a text or field "
                 "reference such a character ends the text; \"１０\" is never read; write \"１０\" in ASCII: 10",
                 "式は6バイト目の全角文字「１」で終わり、「１０」は読まれません（文字列とフィールド参照の外では、この文字が式の終わりになります）。「１０」は ASCII の「10」で書いてください",
                 true},
        // Certify mode reads the field as blank, so the lint-first pass
        // leaves this error to the batch.
        HintCase{"TextCompared", "@ == 'abc'", "^^^^^^^^^^",
                 "texts cannot be compared: a comparison reads both sides as numbers, and a text such as 'abc' is "
                 "none; test a text with length(), first() or blank()",
                 "文字列は比較できません。比較は両辺を数として読むので、'abc' のような文字列は読めません。文字列は length()、first()、blank() で調べてください",
                 false}),
    [](const ::testing::TestParamInfo<HintCase> &info) { return std::string(info.param.name); });

TEST(CliHint, NoHintWhereNoSlipExplainsTheError) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "1 +* 2"}]})");
    CliRun r = talvechk({"certify", form});
    EXPECT_EQ(r.out, "A: error [90000001]: ﾁｪｯｸ式ｴﾗｰ： 構文に誤りがあります。\n    check: 1 +* 2\n              ^\n"
                     "Certified 1 check of " + form + ": 0 clean, 1 with errors\n");
}

// The traps of text never read: each told by certify, by check's lint-first
// pass and by eval, with the byte, the text and the ASCII spelling.
struct UnreadCase {
    const char *name;
    const char *check;
    const char *values;    // CSV: the header line, then one form
    const char *caret;
    const char *english;   // the whole finding
};

void PrintTo(const UnreadCase &c, std::ostream *os) { *os << c.name; }

class CliUnread : public ::testing::TestWithParam<UnreadCase> {};

TEST_P(CliUnread, ToldByCertifyCheckAndEvalAndAnErrorUnderStrict) {
    const UnreadCase &c = GetParam();
    TempDir dir;
    std::string header = std::string(c.values).substr(0, std::string(c.values).find('\n'));
    json fields = json::array();
    for (std::size_t at = 0; at <= header.size();) {
        std::size_t comma = std::min(header.find(',', at), header.size());
        std::string name = header.substr(at, comma - at);
        fields.push_back(name == "A" ? json{{"name", name}, {"check", c.check}} : json{{"name", name}});
        at = comma + 1;
    }
    std::string form = dir.write("f.json", json{{"fields", fields}}.dump());
    std::string results = dir.write("r.csv", c.values);
    const std::string lines = std::string("    check: ") + c.check + "\n           " + c.caret + "\n";

    CliRun certified = talvechk({"--lang", "en", "certify", form});
    EXPECT_EQ(certified.status, 0);
    EXPECT_TRUE(has(certified.out, std::string("A: warning: ") + c.english + "\n" + lines)) << certified.out;
    EXPECT_TRUE(has(certified.out, ": 0 clean, 0 with errors, 1 with text never read\n")) << certified.out;
    CliRun strict_certify = talvechk({"--lang", "en", "certify", form, "--strict"});
    EXPECT_EQ(strict_certify.status, 2);
    EXPECT_TRUE(has(strict_certify.out, std::string("A: error: ") + c.english + "\n" + lines)) << strict_certify.out;

    CliRun checked = talvechk({"--lang", "en", "check", form, results, "--no-timing"});
    EXPECT_EQ(checked.status, 0) << checked.err;  // evaluated all the same: the check as it reads passes
    EXPECT_TRUE(has(checked.err, "talvechk: warning: " + form + ": field A: " + c.english +
                                     "; it is evaluated all the same\n" + lines))
        << checked.err;
    CliRun strict_check = talvechk({"--lang", "en", "check", form, results, "--strict"});
    EXPECT_EQ(strict_check.status, 2);
    EXPECT_EQ(strict_check.out, "");
    EXPECT_TRUE(has(strict_check.err, "talvechk: error: " + form + ": field A: " + c.english +
                                          "; --strict: no form is checked\n" + lines))
        << strict_check.err;

    std::vector<std::string> eval = {"--lang", "en", "eval", "--form", form, "--field", "A"};
    std::string value_line = std::string(c.values).substr(header.size() + 1);
    for (std::size_t at = 0, i = 0; at <= header.size(); ++i) {
        std::size_t comma = std::min(header.find(',', at), header.size());
        std::size_t vcomma = value_line.find_first_of(",\n");
        eval.push_back("--set");
        eval.push_back(header.substr(at, comma - at) + "=" + value_line.substr(0, vcomma));
        value_line = value_line.substr(vcomma + 1);
        at = comma + 1;
    }
    CliRun evaluated = talvechk(eval);
    EXPECT_EQ(evaluated.status, 0);
    EXPECT_EQ(evaluated.err, "talvechk: warning: " + std::string(c.english) + "\n" + lines);
    eval.push_back("--explain");
    CliRun explained = talvechk(eval);
    EXPECT_TRUE(has(explained.out, std::string("unread       ") + c.english + "\n")) << explained.out;
    eval.back() = "--strict";
    CliRun refused = talvechk(eval);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "talvechk: error: " + std::string(c.english) + "; --strict: the outcome is not reported\n" +
                               lines);
}

INSTANTIATE_TEST_SUITE_P(
    Traps, CliUnread,
    ::testing::Values(
        UnreadCase{"FullWidthEquals", "@ ＝＝ 1", "A\n5\n", "  ^^^^^^",
                   "the expression ends at byte 3, at the full-width character \"＝\": outside a text or field "
                   "reference such a character ends the text; \"＝＝ 1\" is never read; write \"＝＝\" in ASCII: =="},
        UnreadCase{"FullWidthAnd", "@ > 0 ＆＆ @ < 3", "A\n9\n", "      ^^^^^^^^^^",
                   "the expression ends at byte 7, at the full-width character \"＆\": outside a text or field "
                   "reference such a character ends the text; \"＆＆ @ < 3\" is never read; write \"＆＆\" in ASCII: &&"},
        UnreadCase{"FullWidthTimes", "@ == [QTY4] ＊ [PRICE4]", "A,QTY4,PRICE4\n2,2,3\n", "            ^^^^^^^^^^^",
                   "the expression ends at byte 13, at the full-width character \"＊\": outside a text or field "
                   "reference such a character ends the text; \"＊ [PRICE4]\" is never read; write \"＊\" in ASCII: *"},
        UnreadCase{"FullWidthOr", "@ == 1 ｜｜ @ == 2", "A\n1\n", "       ^^^^^^^^^^^",
                   "the expression ends at byte 8, at the full-width character \"｜\": outside a text or field "
                   "reference such a character ends the text; \"｜｜ @ == 2\" is never read; write \"｜｜\" in ASCII: ||"},
        UnreadCase{"Kanji", "@ == 1 円", "A\n1\n", "       ^^",
                   "the expression ends at byte 8, at the double-byte character \"円\": outside a text or field "
                   "reference such a character ends the text; \"円\" is never read"},
        UnreadCase{"SingleByteKatakana", "@ == 1 ｱ", "A\n1\n", "       ^",
                   "the expression ends at byte 8, at the single-byte katakana \"ｱ\": outside a text or field "
                   "reference such a character ends the text; \"ｱ\" is never read"},
        UnreadCase{"Dollar", "@ == 1 $ [NOPE] == 1", "A\n1\n", "       ^^^^^^^^^^^^^",
                   "the expression ends at byte 8, at \"$\"; \" [NOPE] == 1\" is never read"}),
    [](const ::testing::TestParamInfo<UnreadCase> &info) { return std::string(info.param.name); });

TEST(CliUnreadJapanese, TheFindingIsJapaneseByDefault) {
    CliRun r = talvechk({"eval", "--field", "A", "--set", "A=9", "@ > 0 ＆＆ @ < 3"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "talvechk: warning: 式は7バイト目の全角文字「＆」で終わり、「＆＆ @ < 3」は読まれません"
                     "（文字列とフィールド参照の外では、この文字が式の終わりになります）。「＆＆」は ASCII の「&&」で書いてください\n"
                     "    check: @ > 0 ＆＆ @ < 3\n                 ^^^^^^^^^^\n");
    // A "$" that only closes the text leaves nothing unread.
    CliRun closed = talvechk({"eval", "--field", "A", "--set", "A=1", "--explain", "@ == 1$ "});
    EXPECT_EQ(closed.err, "");
    EXPECT_FALSE(has(closed.out, "unread")) << closed.out;
}

}  // namespace

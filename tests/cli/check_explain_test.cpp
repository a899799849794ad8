// talvechk check --explain / --suggest: the values that decided a failed
// check in each output format, the same report from one worker or two, and
// the share of the example's faults whose correction is among the candidates.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fmt/format.h>

#include <map>
#include <sstream>

#include "../support/fake_host.h"
#include "report/explain.h"
#include "run_cli.h"
#include "report/suggest.h"

using namespace cli_test;
using nlohmann::json;

namespace {

const std::string kForm = std::string(TALV_EXAMPLES_DIR) + "/invoice.json";
const std::string kResults = std::string(TALV_BUILD_EXAMPLES_DIR) + "/invoices.csv";
const std::string kFaults = std::string(TALV_BUILD_EXAMPLES_DIR) + "/invoices.faults.csv";

struct Field {
    std::string name, value, check;  // check empty: none
};

// A one-form batch: its definition and its results, checked with `extra`.
CliRun check_one(const std::vector<Field> &fields, const std::vector<std::string> &extra) {
    TempDir dir;
    json defs = json::array();
    std::string head, row;
    for (const Field &f : fields) {
        json d = {{"name", f.name}};
        if (!f.check.empty()) d["check"] = f.check;
        defs.push_back(d);
        head += (head.empty() ? "" : ",") + f.name;
        row += (row.empty() ? "" : ",") + ("\"" + f.value + "\"");
    }
    std::vector<std::string> args = {"check", dir.write("form.json", json{{"fields", defs}}.dump()),
                                     dir.write("r.csv", head + "\n" + row + "\n"), "--no-timing"};
    args.insert(args.end(), extra.begin(), extra.end());
    return talvechk(args);
}

// The findings of a JSON Lines report, by field.
std::map<std::string, json> findings(const std::string &out) {
    std::map<std::string, json> by_field;
    for (const std::string &line : lines_of(out)) {
        json j = json::parse(line);
        if (!j.contains("summary")) by_field[j["field"].get<std::string>()] = j;
    }
    return by_field;
}

struct ExplainCase {
    const char *label;
    std::vector<Field> fields;  // the last one's check fails
    std::map<std::string, std::string> last_step;  // keys of the decisive step and their values
    const char *text;           // a line the text report has
};

void PrintTo(const ExplainCase &c, std::ostream *os) { *os << c.label; }

const ExplainCase kCases[] = {
    {"FailedSum",
     {{"A1", "1000", ""}, {"A2", "1000", ""}, {"A3", "1000", ""}, {"T", "3001", "sum([A1..3]) == @"}},
     {{"kind", "comparison"}, {"left.value", "3000"}, {"right.value", "3001"}, {"right.field", "T"},
      {"difference", "1"}},
     "sum([A1..3]) = 3000  ==  @ T = 3001  → false (differs by 1)"},
    {"FailedProductOfDecimals",
     {{"Q", "3", ""}, {"P", "0.25", ""}, {"T", "0.7", "@ == [Q] * [P]"}},
     {{"left.value", "0.7"}, {"right.value", "0.75"}, {"right.piece", "[Q] * [P]"}, {"difference", "0.05"}},
     "@ T = 0.7  ==  [Q] * [P] = 0.75  → false (differs by 0.05)"},
    {"FailedComparisonAfterAnAssignment",
     {{"S", "7526820", ""}, {"T", "757682", "t = [S] / 10, @ <= t"}},
     {{"operator", "<="}, {"left.value", "757682"}, {"right.value", "752682"}, {"difference", "5000"}},
     "t = [S] / 10 → t = 752682"},
    {"NegativeSidesDifferAcrossZero",
     {{"A", "-1.5", ""}, {"B", "2", "[A] == @"}},
     {{"left.value", "-1.5"}, {"difference", "3.5"}},
     "[A] = -1.5  ==  @ B = 2  → false (differs by 3.5)"},
    {"ImpossibleMonth",
     {{"Y", "2024", ""}, {"M", "13", ""}, {"D", "1", "ydate([Y], [M], @)"}},
     {{"kind", "call"}, {"function", "ydate"}, {"impossible", "month 13"}},
     "ydate(2024, 13, 1) → false: month 13"},
    {"ThirtiethOfFebruary",
     {{"Y", "2024", ""}, {"M", "２", ""}, {"D", "30", "ydate([Y], [M], @)"}},
     {{"impossible", "30 February"}},
     "ydate(2024, 2, 30) → false: 30 February"},
    {"EraDateWithLiteralArguments",
     {{"D", "29", "jdate(5, 5, 2, @)"}},
     {{"impossible", "29 February Reiwa 5 (2023 is not a leap year)"}},
     "jdate(5, 5, 2, 29) → false: 29 February Reiwa 5"},
    {"ErrorSaysWhereItArose",
     {{"A", "1O0", ""}, {"T", "100", "[A] + 0 == @"}},
     {{"kind", "error"}, {"piece", "[A] + 0"}},
     "check    [A] + 0 == @\n              ^^^^^^^\n"},
};

// "left.value" -> j["left"]["value"], as text.
std::string at_path(const json &j, const std::string &path) {
    const json *node = &j;
    std::istringstream parts(path);
    for (std::string key; std::getline(parts, key, '.');) {
        if (!node->contains(key)) return "(missing " + path + ")";
        node = &(*node)[key];
    }
    return node->is_string() ? node->get<std::string>() : node->dump();
}

class CheckExplain : public ::testing::TestWithParam<ExplainCase> {};

TEST_P(CheckExplain, DecisiveStepInJsonAndText) {
    const ExplainCase &c = GetParam();
    const std::string field = c.fields.back().name;
    CliRun r = check_one(c.fields, {"--explain", "--format", "json"});
    auto found = findings(r.out);
    ASSERT_EQ(found.count(field), 1u) << r.out << r.err;
    const json &f = found[field];
    EXPECT_EQ(f["check"], c.fields.back().check);
    ASSERT_FALSE(f["explain"].empty()) << f.dump();
    const json &step = f["explain"].back();
    for (const auto &[path, want] : c.last_step) EXPECT_EQ(at_path(step, path), want) << path << "\n" << f.dump();

    CliRun text = check_one(c.fields, {"--explain"});
    EXPECT_NE(text.out.find(c.text), std::string::npos) << text.out;
}

// A check that does not even parse is found before the batch: said once,
// with its caret, and skipped on every form rather than explained per form.
TEST(CheckExplainLint, SyntaxErrorIsSaidOnceWithItsCaret) {
    CliRun r = check_one({{"A1", "1", ""}, {"T", "1", "sum([A1..1] == @"}}, {"--explain", "--format", "json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(findings(r.out).empty()) << r.out;
    EXPECT_NE(r.err.find("    check: sum([A1..1] == @\n                       ^^\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"skipped\":1"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, CheckExplain, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.label); });

TEST(CheckExplainCsv, ColumnsHoldTheSameJson) {
    std::vector<Field> fields = {{"A", "1", ""}, {"T", "3", "[A] * 2 == @"}};
    CliRun csv = check_one(fields, {"--suggest", "--format", "csv"});
    auto rows = lines_of(csv.out);
    ASSERT_EQ(rows.size(), 2u) << csv.out;
    EXPECT_EQ(rows[0], "form,line,field,outcome,code,return,message,values,check,explain,suggestions");
    CliRun jl = check_one(fields, {"--suggest", "--format", "json"});
    const json f = findings(jl.out)["T"];
    // The explain cell, unquoted, is the JSON report's array.
    std::string row = rows[1];
    std::size_t at = row.find(",\"[");
    ASSERT_NE(at, std::string::npos) << row;
    std::string cell = row.substr(at + 2, row.find("]\",", at) - at - 1);
    std::string unquoted;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        unquoted += cell[i];
        if (cell[i] == '"' && i + 1 < cell.size() && cell[i + 1] == '"') ++i;
    }
    EXPECT_EQ(json::parse(unquoted), f["explain"]);
    EXPECT_EQ(f["suggestions"][0]["to"], "2") << f.dump();
}

TEST(CheckExplainCsv, NoColumnsWithoutTheFlag) {
    CliRun csv = check_one({{"T", "3", "@ == 2"}}, {"--format", "csv"});
    EXPECT_EQ(lines_of(csv.out)[0], "form,line,field,outcome,code,return,message,values");
    CliRun jl = check_one({{"T", "3", "@ == 2"}}, {"--format", "json"});
    EXPECT_FALSE(findings(jl.out)["T"].contains("explain"));
}

// Every failed comparison of the example shows both sides as exact decimal
// text, every failed date or time call the part that cannot be.
TEST(CheckExplainExample, EveryFailedCheckHasItsDecidingValues) {
    CliRun r = talvechk({"check", kForm, kResults, "--id", "FORM_ID", "--explain", "--format", "json", "--no-timing"});
    ASSERT_EQ(r.status, 1) << r.err;
    long comparisons = 0, dates = 0;
    for (const auto &line : lines_of(r.out)) {
        json j = json::parse(line);
        if (j.contains("summary")) continue;
        ASSERT_TRUE(j.contains("explain")) << line;
        for (const json &step : j["explain"]) {
            if (step["kind"] == "comparison" && step["result"] == "false") {
                ++comparisons;
                for (const char *side : {"left", "right"}) {
                    std::string v = step[side]["value"];
                    EXPECT_EQ(v.find_first_not_of("-.0123456789"), std::string::npos) << line;
                }
            }
            std::string fn = step.value("function", "");
            if (step["kind"] == "call" && (fn == "ydate" || fn == "jdate" || fn == "time")) {
                ++dates;
                EXPECT_TRUE(step.contains("impossible")) << line;
            }
        }
    }
    EXPECT_GT(comparisons, 100);
    EXPECT_GT(dates, 50);
}

TEST(CheckExplainExample, TwoWorkersReportTheSameBytes) {
    for (const char *flag : {"--explain", "--suggest"}) {
        std::vector<std::string> args = {"check", kForm, kResults, "--id", "FORM_ID", flag, "--no-timing"};
        CliRun one = talvechk(args);
        args.insert(args.end(), {"--jobs", "2"});
        CliRun two = talvechk(args);
        EXPECT_EQ(one.status, 1) << one.err;
        EXPECT_EQ(one.out, two.out) << flag;
    }
}

// ---- candidates ---------------------------------------------------------------

struct SuggestCase {
    const char *label;
    std::vector<Field> fields;
    std::string failing;           // the finding whose candidates are read
    std::string field, to;         // the candidate that must come first
};

void PrintTo(const SuggestCase &c, std::ostream *os) { *os << c.label; }

const SuggestCase kSuggest[] = {
    {"OneDigitForAnother",
     {{"Q", "2", ""}, {"P", "87360", ""}, {"A", "174726", "@ == [Q] * [P]"}, {"S", "174720", "[A] == @"}},
     "A", "A", "174720"},
    {"FullWidthDigitsStayFullWidth",
     {{"Q", "2", ""}, {"P", "87360", ""}, {"A", "１７４７２６", "@ == [Q] * [P]"}},
     "A", "A", "１７４７２０"},
    {"LetterOForZero", {{"A", "1O0", ""}, {"T", "100", "[A] == @"}}, "T", "A", "100"},
    {"LetterLForOne", {{"A", "l00", ""}, {"T", "100", "[A] == @"}}, "T", "A", "100"},
    {"DigitLostAtTheEnd", {{"A", "6000", ""}, {"B", "4000", ""}, {"T", "1000", "[A] + [B] == @"}}, "T", "T", "10000"},
    {"ExtraDigitInside", {{"A", "6000", ""}, {"T", "60700", "[A] == @"}}, "T", "T", "6000"},
    {"BlankInsideAnIdentifier", {{"N", "123 45678", "@ == 12345678"}}, "N", "N", "12345678"},
    // Changing P would pass the product too, but break the sum.
    {"PreferredWhereMoreChecksPass",
     {{"Q", "2", ""}, {"P", "87363", ""}, {"A", "174720", "@ == [Q] * [P]"}, {"S", "174720", "[A] == @"}},
     "A", "P", "87360"},
};

class CheckSuggest : public ::testing::TestWithParam<SuggestCase> {};

TEST_P(CheckSuggest, FirstCandidate) {
    const SuggestCase &c = GetParam();
    CliRun r = check_one(c.fields, {"--suggest", "--format", "json"});
    auto found = findings(r.out);
    ASSERT_EQ(found.count(c.failing), 1u) << r.out << r.err;
    const json &s = found[c.failing]["suggestions"];
    ASSERT_FALSE(s.empty()) << found[c.failing].dump();
    EXPECT_EQ(s[0]["field"], c.field) << s.dump();
    EXPECT_EQ(s[0]["to"], c.to) << s.dump();
    EXPECT_LE(found[c.failing]["tries"].get<std::size_t>(), talvhost::kSuggestTries);
}

INSTANTIATE_TEST_SUITE_P(Cli, CheckSuggest, ::testing::ValuesIn(kSuggest),
                         [](const auto &info) { return std::string(info.param.label); });

TEST(CheckSuggest, PassingChecksGetNone) {
    CliRun r = check_one({{"A", "1", "@ == 1"}, {"B", "3", "@ == 2"}}, {"--suggest", "--format", "json"});
    auto found = findings(r.out);
    EXPECT_EQ(found.count("A"), 0u);
    EXPECT_EQ(found["B"]["suggestions"][0]["to"], "2");
}

// A form whose every check reads every field: the budget bounds the whole
// form, and the findings past it say so.
TEST(CheckSuggest, TheFormsBudgetBoundsItsEvaluations) {
    const int n = 80;
    std::vector<Field> fields;
    for (int i = 0; i < n; ++i) fields.push_back({fmt::format("F{}", i), "1", fmt::format("sum([F0..{}]) != {}", n - 1, n)});
    for (const std::size_t budget : {talvhost::kSuggestBudget, std::size_t{500}}) {
        std::vector<std::string> extra = {"--suggest", "--format", "json"};
        if (budget != talvhost::kSuggestBudget) extra.insert(extra.end(), {"--suggest-budget", std::to_string(budget)});
        CliRun r = check_one(fields, extra);
        auto found = findings(r.out);
        ASSERT_EQ(found.size(), static_cast<std::size_t>(n)) << r.err;
        std::size_t tries = 0;
        for (auto &[field, f] : found) {
            tries += f["tries"].get<std::size_t>();
            EXPECT_EQ(f["cut_short"], fmt::format("suggestions cut short: budget of {} evaluations used", budget));
        }
        // Each try that passes is scored by the 80 checks that read the field.
        EXPECT_LE(tries, budget) << r.out.substr(0, 2000);
        EXPECT_FALSE(found["F0"]["suggestions"].empty());
        EXPECT_TRUE(found["F79"]["suggestions"].empty());
    }
    CliRun text = check_one(fields, {"--suggest", "--limit", "2"});
    EXPECT_NE(text.out.find("     suggest  (suggestions cut short: budget of 20000 evaluations used)\n"),
              std::string::npos)
        << text.out;
}

TEST(CheckSuggest, TriesStopAtTheCap) {
    std::vector<Field> fields;
    for (int i = 1; i <= 10; ++i) fields.push_back({fmt::format("A{}", i), "12345678901234567890", ""});
    fields.push_back({"T", "1", "sum([A1..10]) == @"});
    CliRun r = check_one(fields, {"--suggest", "--format", "json"});
    EXPECT_EQ(findings(r.out)["T"]["tries"].get<std::size_t>(), talvhost::kSuggestTries) << r.out;
}

// The text as the faults file writes it: full-width forms, blanks and yen
// signs are the rendering, not the value.
std::string plain(const std::string &utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBC) {
            out += static_cast<char>(static_cast<unsigned char>(utf8[i + 2]) - 0x80 + 0x20);  // U+FF01..FF3F
            i += 2;
        } else if (c == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBD) {
            out += static_cast<char>(static_cast<unsigned char>(utf8[i + 2]) - 0x80 + 0x60);  // U+FF40..FF5E
            i += 2;
        } else if (utf8.compare(i, 3, "\xE3\x80\x80") == 0 || utf8.compare(i, 3, "\xEF\xBF\xA5") == 0) {
            i += 2;
        } else if (utf8.compare(i, 2, "\xC2\xA5") == 0) {
            i += 1;
        } else if (c != ' ') {
            out += utf8[i];
        }
    }
    return out;
}

// A correctness figure: how many of the generated single-fault forms have
// the damaged field's true text among the candidates of their findings.
TEST(CheckSuggestExample, FindsMostGeneratedFaults) {
    CliRun r = talvechk({"check", kForm, kResults, "--id", "FORM_ID", "--suggest", "--format", "json", "--no-timing"});
    ASSERT_EQ(r.status, 1) << r.err;
    std::map<long, std::vector<json>> candidates;
    std::size_t tries = 0, finding_count = 0, most = 0;
    for (const auto &line : lines_of(r.out)) {
        json j = json::parse(line);
        if (j.contains("summary")) continue;
        ++finding_count;
        tries += j["tries"].get<std::size_t>();
        most = std::max(most, j["tries"].get<std::size_t>());
        for (const json &c : j["suggestions"]) candidates[j["form"].get<long>()].push_back(c);
    }
    long faults = 0, found = 0;
    auto rows = lines_of(read_text(kFaults));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        // form,id,field,kind,"before","after"
        std::istringstream row(rows[i]);
        std::string form, id, field, kind, before;
        std::getline(row, form, ',');
        std::getline(row, id, ',');
        std::getline(row, field, ',');
        std::getline(row, kind, ',');
        std::getline(row, before, ',');
        before = before.substr(1, before.size() - 2);
        ++faults;
        for (const json &c : candidates[std::stol(form)])
            if (c["field"] == field && plain(c["to"]) == before) {
                ++found;
                break;
            }
    }
    ASSERT_GT(faults, 100);
    const double share = static_cast<double>(found) / static_cast<double>(faults);
    std::printf("candidates hold the true text for %ld of %ld single-fault forms (%.1f %%); tries per finding: "
                "%.0f on average, %zu at most, cap %zu\n",
                found, faults, 100 * share, static_cast<double>(tries) / static_cast<double>(finding_count), most,
                talvhost::kSuggestTries);
    EXPECT_GE(share, 0.80);
}

// ---- the host core's pieces ------------------------------------------------------

// What the decisive step says, worded from the library's trace alone: the
// impossible part of a date or time, the difference of the sides, the field
// whose text made an error and why, what a check-digit function found.
struct WordsCase {
    std::string expr;                                       // the check of T
    std::vector<std::pair<std::string, std::string>> fields;  // UTF-8 values
    std::string text;                                       // of the last decisive step
};

void PrintTo(const WordsCase &c, std::ostream *os) { *os << c.expr; }

class ExplainWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(ExplainWords, LastDecisiveStep) {
    const WordsCase &c = GetParam();
    talvhost::Converter conv;
    talv_test::FakeHost host;
    host.set("T", "");
    for (const auto &[name, value] : c.fields) host.set(name, conv.to_cp932(value));
    ASSERT_EQ(host.install(), 0u);
    std::vector<talvhost::TraceStep> steps;
    {
        talvhost::TraceCollector trace;
        talv_test::eval("T", c.expr.c_str());
        steps = trace.take();
    }
    PPR_end();
    const json explained = talvhost::decisive_steps(steps, c.expr, "T", conv);
    ASSERT_FALSE(explained.empty());
    EXPECT_EQ(explained.back()["text"], c.text) << explained.dump();
}

const std::string kNines(104, '9');

INSTANTIATE_TEST_SUITE_P(
    Cli, ExplainWords,
    ::testing::Values(
        WordsCase{"ydate(2024, 13, 1)", {}, "ydate(2024, 13, 1) → false: month 13"},
        WordsCase{"ydate(2024, 2, 30)", {}, "ydate(2024, 2, 30) → false: 30 February"},
        WordsCase{"ydate(2023, 2, 29)", {}, "ydate(2023, 2, 29) → false: 29 February 2023 (2023 is not a leap year)"},
        WordsCase{"ydate(1500, 1, 1)", {}, "ydate(1500, 1, 1) → false: year 1500 (1583 to 2100)"},
        WordsCase{"ydate(2024, 4, 31.9)", {}, "ydate(2024, 4, 31.9) → false: 31 April"},
        WordsCase{"ydate(2024, 4, 0)", {}, "ydate(2024, 4, 0) → false: day 0"},
        WordsCase{"ydate([Y], 1, 32)", {{"Y", "２０２４"}}, "ydate(2024, 1, 32) → false: day 32"},
        WordsCase{"jdate(6, 1, 1, 1)", {}, "jdate(6, 1, 1, 1) → false: era 6 (1 Meiji to 5 Reiwa)"},
        WordsCase{"jdate(5, 83, 1, 1)", {}, "jdate(5, 83, 1, 1) → false: year 83 of Reiwa (1 to 82)"},
        WordsCase{"jdate(5, 1, 4, 30)", {},
                  "jdate(5, 1, 4, 30) → false: 30 April Reiwa 1: before Reiwa began (1 May 2019)"},
        WordsCase{"jdate(3, 64, 1, 8)", {},
                  "jdate(3, 64, 1, 8) → false: 8 January Showa 64: after Showa ended (7 January 1989)"},
        WordsCase{"jdate(1, 3, 1, 31)", {},
                  "jdate(1, 3, 1, 31) → false: day 31 in Meiji 3 (months had at most 30 days)"},
        WordsCase{"jdate(1, 5, 12, 3)", {},
                  "jdate(1, 5, 12, 3) → false: 3 December Meiji 5 (skipped for the new calendar)"},
        WordsCase{"jdate(1, 6, 2, 29)", {}, "jdate(1, 6, 2, 29) → false: 29 February Meiji 6 (1873 is not a leap year)"},
        WordsCase{"time(24, 0)", {}, "time(24, 0) → false: hour 24 (0 to 23)"},
        WordsCase{"time(23, 60)", {}, "time(23, 60) → false: minute 60"},
        WordsCase{"time12(3, 1, 1)", {}, "time12(3, 1, 1) → false: half 3 (1 morning, 2 afternoon)"},
        WordsCase{"time12(1, 12, 0)", {}, "time12(1, 12, 0) → false: hour 12 (0 to 11)"},
        WordsCase{"month(0)", {}, "month(0) → false: month 0"},
        WordsCase{"day(32)", {}, "day(32) → false: day 32"},
        WordsCase{"mdate(2, 29) == 61", {}, "mdate(2, 29) = 60  ==  61  → false (differs by 1)"},
        WordsCase{"9809378 == 9809376", {}, "9809378  ==  9809376  → false (differs by 2)"},
        WordsCase{"0.7 == 0.75", {}, "0.7  ==  0.75  → false (differs by 0.05)"},
        WordsCase{"-1.5 == 2", {}, "-1.5  ==  2  → false (differs by 3.5)"},
        WordsCase{"-3 == -10", {}, "-3  ==  -10  → false (differs by 7)"},
        WordsCase{"100 != 100.00", {}, "100  !=  100.00 = 100  → false"},
        WordsCase{"0.1 == 0.08", {}, "0.1  ==  0.08  → false (differs by 0.02)"},
        WordsCase{"99999999999999999999 == -1", {},
                  "99999999999999999999  ==  -1  → false (differs by 100000000000000000000)"},
        // The difference of the largest numbers of opposite sign has a digit
        // more than a number holds.
        WordsCase{"t = " + kNines + " + 0.5, t == -t", {},
                  "t = " + kNines + ".5  ==  -t = -" + kNines + ".5  → false (differs by 1" + kNines + ")"},
        WordsCase{"[Q] * [P] == 1", {{"Q", "１　１"}, {"P", "2"}}, "Q \"１　１\": a blank inside the number"},
        WordsCase{"[A] + 0 == @", {{"A", "1O0"}}, "A \"1O0\": not a number"},
        WordsCase{"'ABC' == 1", {}, "'ABC': not a number"},
        WordsCase{"sum([A1..3]) == @", {{"A1", "1"}, {"A2", "1 1"}, {"A3", "1"}},
                  "A2 \"1 1\": a blank inside the number"},
        WordsCase{"ydate([Y], [M], 1)", {{"Y", "2024"}, {"M", "1O"}},
                  "M \"1O\": not a whole number of at most 8 digits"},
        WordsCase{"ydate(2024, 1)", {}, "ydate(…): 2 arguments where 3 are taken"},
        WordsCase{"corpnumber(@)", {{"T", "688705404233"}},
                  "corpnumber(688705404233) → false: 12 digits; a corporate number has 13"},
        WordsCase{"mod11(@)", {{"T", "163O161-2"}}, "mod11(\"163O161-2\") → false: \"Ｏ\" is not a digit"},
        WordsCase{"mod11(@)", {{"T", "226849-6"}}, "mod11(\"226849-6\") → false: check digit 6, the number gives 3"},
        WordsCase{"mod11(12)", {}, "mod11(12) → false: check digit 2, the number gives 9"},
        WordsCase{"ean(@)", {{"T", "1234567"}}, "ean(1234567) → false: 7 digits; an article number has 8 or 13"},
        WordsCase{"mynumber(@)", {{"T", "12-"}}, "mynumber(\"12-\") → false: a blank or hyphen not between two digits"},
        WordsCase{"luhn(@)", {{"T", ""}}, "luhn(0) → false: no digits"},
        WordsCase{"digits(@, 8)", {{"T", "1234567"}}, "digits(1234567, 8) → false: 7 digits, not 8"}));

TEST(SuggestEdits, TheChangesTried) {
    auto texts = [](const std::string &value) {
        std::vector<std::string> out;
        for (const auto &e : talvhost::single_edits(0, value)) out.push_back(e.text);
        return out;
    };
    auto has = [](const std::vector<std::string> &v, const std::string &t) {
        return std::find(v.begin(), v.end(), t) != v.end();
    };
    auto e = texts("5O");
    EXPECT_EQ(e.front(), "50");  // the look-alike first
    EXPECT_TRUE(has(e, "SO"));  // 5 read as S
    EXPECT_TRUE(has(e, "O"));
    EXPECT_TRUE(has(e, "35O"));
    EXPECT_TRUE(has(e, "5O9"));
    EXPECT_FALSE(has(e, "5O"));
    auto w = texts("１　２");
    EXPECT_TRUE(has(w, "１２"));        // the ideographic space dropped
    EXPECT_TRUE(has(w, "７　２"));      // a full-width digit stays full-width
    EXPECT_FALSE(has(w, "7　２"));
    auto empty = texts("");
    EXPECT_EQ(empty.size(), 10u);  // one digit in an empty field
    EXPECT_FALSE(texts(std::string(talvhost::kSuggestLongest, '1')).empty());
    EXPECT_TRUE(texts(std::string(talvhost::kSuggestLongest + 1, '1')).empty());
    auto s = texts("1234");
    EXPECT_TRUE(has(s, "2134"));  // neighbours swapped
    EXPECT_TRUE(has(s, "1243"));
    for (const char *lower : {"b", "g", "q", "i"})
        EXPECT_FALSE(texts(std::string("1") + lower).empty()) << lower;
    EXPECT_EQ(texts("1b").front(), "16");
    EXPECT_EQ(texts("1g").front(), "19");
}

// What the field's definition says shapes the candidates and their order.
TEST(SuggestEdits, TheFieldsShape) {
    auto texts = [](const std::string &value, const talvhost::FieldShape &shape) {
        std::vector<std::string> out;
        for (const auto &e : talvhost::single_edits(0, value, shape)) out.push_back(e.text);
        return out;
    };
    auto place = [](const std::vector<std::string> &v, const std::string &t) {
        return static_cast<std::size_t>(std::find(v.begin(), v.end(), t) - v.begin());
    };
    talvhost::FieldShape rate;  // RATE: length 3, digits only
    rate.length = 3;
    rate.letters = false;
    auto r = texts("000", rate);
    EXPECT_EQ(place(r, "0000"), r.size()) << "longer than the box";
    EXPECT_EQ(place(r, "0080"), r.size());
    EXPECT_LT(place(r, "080"), r.size());
    EXPECT_EQ(place(r, "O00"), r.size()) << "no letters in a NUM field";
    auto d = texts("0088", rate);  // a digit doubled past the box
    EXPECT_LT(place(d, "008"), d.size());
    for (const std::string &t : d) EXPECT_LE(t.size(), 3u) << t;
    // Hand-written: a digit of similar shape before a swap; printed: a lost
    // or doubled digit before a similar one.
    talvhost::FieldShape hand, print;
    print.printed = true;
    EXPECT_LT(place(texts("1271", hand), "1771"), place(texts("1271", hand), "1721"));
    EXPECT_LT(place(texts("12271", print), "1271"), place(texts("12271", print), "12771"));
    // A box of nine, one short: the lost digit comes before any misread.
    talvhost::FieldShape custno;
    custno.length = 9;
    auto c = texts("635644-4", custno);
    EXPECT_LT(place(c, "6352644-4"), place(c, "635649-4"));
}

}  // namespace

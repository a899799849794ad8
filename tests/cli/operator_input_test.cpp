// What an operator meets with results that do not fit the form: a missing
// column, columns of their own, an empty batch, a read error part way, a
// batch larger than memory should hold.  Each case: the exact messages, the
// exit status, the counts, and the same report with workers.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_cli.h"

using namespace cli_test;
using nlohmann::json;

namespace {

const std::string kForm = R"({"fields": [
  {"name": "A", "check": "@ == 1"},
  {"name": "B"},
  {"name": "T", "check": "@ == [A] + [B]"},
  {"name": "MEMO"}
]})";

struct OperatorCase {
    const char *label;
    const char *file;
    std::string content;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> err;  // the directory left out
    long forms, checks, column_missing;
    std::string first_out_line;
};

const OperatorCase kCases[] = {
    // a field without a column: said once, its checks counted apart
    {"MissingColumn", "m.csv", "A,B\n1,2\n1,3\n", {}, 2,
     {"talvechk: error: m.csv: no column for T of form.json; the 1 check reading it is not made on any form "
      "(--allow-missing reads a missing column as empty)"},
     2, 2, 2, "Summary: 2 forms, 2 checks: 2 passed, 0 failed, 0 errors; 0 forms flagged"},
    {"MissingReferencedColumn", "m.csv", "A,T\n1,3\n2,3\n", {}, 2,
     {"talvechk: error: m.csv: no column for B of form.json; the 1 check reading it is not made on any form "
      "(--allow-missing reads a missing column as empty)"},
     2, 2, 2, "form 2 (line 3): A: failed"},
    {"MissingColumnsMany", "m.csv", "B,MEMO\n1,x\n", {}, 2,
     {"talvechk: error: m.csv: no column for A, T of form.json; the 2 checks reading them are not made on any form "
      "(--allow-missing reads a missing column as empty)"},
     1, 0, 2, "Summary: 1 form, 0 checks"},
    {"AllowMissingReadsEmpty", "m.csv", "A,B\n1,2\n", {"--allow-missing"}, 1, {}, 1, 2, 0,
     "form 1 (line 2): T: failed"},
    {"MissingUncheckedFieldIsNoMatter", "m.csv", "A,B,T\n1,2,3\n", {}, 0, {}, 1, 2, 0, "Summary: 1 form"},

    // columns of their own
    {"UnknownColumnWarns", "u.csv", "SCAN,A,B,T\ns1.png,1,2,3\n", {}, 0,
     {"talvechk: warning: u.csv:1:1: unknown field \"SCAN\" (not in form.json); the column is ignored (--keep it if "
      "it is meant)"},
     1, 2, 0, "Summary: 1 form"},
    {"UnknownColumnAmongBlanks", "u.csv", "A, B ,NOPE,T\n1,2,x,3\n1,0,y,1\n", {}, 0,
     {"talvechk: warning: u.csv:1:7: unknown field \"NOPE\" (not in form.json); the column is ignored (--keep it if "
      "it is meant)"},
     2, 4, 0, "Summary: 2 forms"},
    {"KeptColumnsAreQuiet", "u.csv", "SCAN,A,B,BATCH,T,ID\ns1.png,1,2,b7,4,f1\n",
     {"--keep", "SCAN", "--keep", "BATCH", "--id", "ID"}, 1, {}, 1, 2, 0, "form 1 (line 2, f1): T: failed"},
    {"IgnoreUnknown", "u.csv", "SCAN,A,B,BATCH,T\ns,1,2,b,3\n", {"--ignore-unknown"}, 0, {}, 1, 2, 0,
     "Summary: 1 form"},
    {"UnknownKeyWarnsOnce", "u.jsonl",
     "{\"A\":\"1\",\"T\":\"1\",\"SCAN\":\"a\"}\n{\"A\":\"1\",\"T\":\"2\",\"SCAN\":\"b\",\"X\":\"\"}\n", {}, 1,
     {"talvechk: warning: u.jsonl:1: unknown field \"SCAN\" (not in form.json); the key is ignored (--keep it if it "
      "is meant)",
      "talvechk: warning: u.jsonl:2: unknown field \"X\" (not in form.json); the key is ignored (--keep it if it is "
      "meant)"},
     2, 4, 0, "form 2 (line 2): T: failed"},
    {"KeptKey", "u.jsonl", "{\"A\":\"1\",\"T\":\"1\",\"SCAN\":\"a\"}\n", {"--keep", "SCAN"}, 0, {}, 1, 2, 0,
     "Summary: 1 form"},

    // the other encoding: said once, before anything is checked
    {"Cp932ReadAsUtf8", "s.csv", "A,B,T,MEMO\n1,2,3,x\n1,2,3,\x8B\xE0\x8A\x7A\n", {}, 2,
     {"talvechk: error: s.csv:3:7: the file is no UTF-8 (bytes 8B E0) but reads as CP932: give --encoding cp932; "
      "nothing was checked"},
     0, 0, 0, ""},
    {"Utf8ReadAsCp932", "u.jsonl", "{\"A\":\"1\",\"T\":\"3\",\"MEMO\":\"\xE9\x87\x91\xE9\xA1\x8D\"}\n",
     {"--encoding", "cp932"}, 2,
     {"talvechk: error: u.jsonl:1:31: the file is no CP932 (bytes 8D 22) but reads as UTF-8: give --encoding utf8; "
      "nothing was checked"},
     0, 0, 0, ""},
    {"Utf8BomReadAsCp932", "b.csv", "\xEF\xBB\xBF" "A,B,T\n1,2,3\n", {"--encoding", "cp932"}, 2,
     {"talvechk: error: b.csv:1:1: the file is no CP932 (bytes EF BB BF): it begins with the byte-order mark of UTF-8 "
      "and reads as UTF-8, its likely encoding: give --encoding utf8; nothing was checked"},
     0, 0, 0, ""},
    {"OneStrayByteIsTheFormsFault", "s.csv", "A,B,T\n1,2,3\n1,\xC3,3\n", {}, 2,
     {"talvechk: error: s.csv:3:3: field B: invalid UTF-8 (bytes C3); the form is not checked"}, 2, 2, 0,
     "Summary: 2 forms"},

    // numbers longer than the library keeps: warned once a field, at its first form
    {"TooManyIntegerDigits", "n.csv",
     "A,B,T\n1,2,3\n1," + std::string("1") + std::string(104, '0') + ",1\n1,-" + std::string(110, '9') + ",3\n", {},
     1,
     {"talvechk: warning: n.csv:3:3: field B: the number has 105 integer digits; the library keeps 104 and drops the "
      "rest without an error (said for the first form only)"},
     3, 6, 0, "form 3 (line 4): T: failed"},
    {"LeadingZerosAndFractionsDoNotCount", "n.csv",
     "A,B,T\n2,\\ 0" + std::string(110, '0') + "2." + std::string(30, '5') + ",3\n", {}, 1, {}, 1, 2, 0,
     "form 1 (line 2): A: failed"},
    {"FullWidthDigitsCount", "n.csv",
     [] {
         std::string wide;
         for (int i = 0; i < 105; ++i) wide += "\xEF\xBC\x91";  // FULLWIDTH DIGIT ONE
         return "A,B,T\n1,\xEF\xBC\x8D" + wide + ",3\n";
     }(),
     {}, 1,
     {"talvechk: warning: n.csv:2:3: field B: the number has 105 integer digits; the library keeps 104 and drops the "
      "rest without an error (said for the first form only)"},
     1, 2, 0, "form 1 (line 2): T: failed"},

    // empty batches: one rule, whatever the format
    {"HeaderOnly", "e.csv", "A,B,T\n", {}, 2, {"talvechk: error: e.csv: no forms in the file; nothing was checked"},
     0, 0, 0, "Summary: 0 forms"},
    {"HeaderAndBlankLines", "e.csv", "A,B,T\n\n \n", {}, 2,
     {"talvechk: error: e.csv: no forms in the file; nothing was checked"}, 0, 0, 0, "Summary: 0 forms"},
    {"EmptyJsonl", "e.jsonl", "", {}, 2, {"talvechk: error: e.jsonl: no forms in the file; nothing was checked"}, 0,
     0, 0, "Summary: 0 forms"},
    {"BlankJsonl", "e.jsonl", "\n\t\n", {}, 2,
     {"talvechk: error: e.jsonl: no forms in the file; nothing was checked"}, 0, 0, 0, "Summary: 0 forms"},
};

std::string fmt_checks(long n) {
    return "  " + std::to_string(n) + (n == 1 ? " check" : " checks") + " not made: column missing";
}

void PrintTo(const OperatorCase &c, std::ostream *os) { *os << c.label; }

std::string without(std::string text, const std::string &part) {
    for (std::size_t p; (p = text.find(part)) != std::string::npos;) text.erase(p, part.size());
    return text;
}

class OperatorInput : public ::testing::TestWithParam<OperatorCase> {};

TEST_P(OperatorInput, SaysItOnceAndChecksTheRest) {
    const OperatorCase &c = GetParam();
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string results = dir.write(c.file, c.content);
    std::vector<std::string> args = {"check", form, results, "--no-timing"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun text = talvechk(args);
    EXPECT_EQ(text.status, c.status) << text.err;
    EXPECT_EQ(lines_of(without(text.err, dir.path(""))), c.err);
    if (c.first_out_line.empty()) {
        EXPECT_EQ(text.out, "");
        return;
    }
    EXPECT_EQ(text.out.rfind(c.first_out_line, 0), 0u) << text.out;
    if (c.column_missing) {
        EXPECT_NE(text.out.find(fmt_checks(c.column_missing)), std::string::npos) << text.out;
    }

    args.insert(args.end(), {"--format", "json"});
    CliRun j = talvechk(args);
    json summary = json::parse(summary_line(j.out))["summary"];
    EXPECT_EQ(summary["forms"], c.forms);
    EXPECT_EQ(summary["checks"], c.checks);
    EXPECT_EQ(summary.value("column_missing", 0L), c.column_missing);
    EXPECT_EQ(summary["failed"].get<long>() + summary["passed"].get<long>(), c.checks);

    args.insert(args.end(), {"--jobs", "3"});
    CliRun jobs = talvechk(args);
    EXPECT_EQ(jobs.out, j.out);
    EXPECT_EQ(jobs.err, j.err);
    EXPECT_EQ(jobs.status, j.status);
}

INSTANTIATE_TEST_SUITE_P(Cli, OperatorInput, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.label); });

}  // namespace

namespace {

std::string many_forms(int n) {
    std::string rows = "A,B,T\n";
    for (int i = 1; i <= n; ++i) rows += i % 7 ? "1,2,3\n" : "1,2,4\n";
    return rows;
}

// A read error part way: what was read before it is checked and reported,
// the error says so, and the status is 2.
TEST(CliOperatorInput, ReadErrorPartWayChecksWhatCameBefore) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string results = dir.write("r.csv", many_forms(20000));  // 120 KB: the second chunk fails
    const std::vector<std::string> env = {"LD_PRELOAD=" CRASH_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0",
                                          "TALV_TEST_FAIL_READ_AT=65536"};
    for (const char *jobs : {"1", "3"}) {
        CliRun r = talvechk({"check", form, results, "--no-timing", "--format", "json", "--jobs", jobs}, "", env);
        EXPECT_EQ(r.status, 2);
        // 65536 bytes hold the header and 10921 whole lines; the 10922nd is cut.
        EXPECT_EQ(without(r.err, dir.path("")),
                  "talvechk: error: r.csv: read error: Input/output error; reading stopped: the 10921 forms before it "
                  "are checked, any after it are not\n");
        json summary = json::parse(summary_line(r.out))["summary"];
        EXPECT_EQ(summary["forms"], 10921);
        EXPECT_EQ(summary["checks"], 2 * 10921);
        EXPECT_EQ(summary["failed"], 10921 / 7);
    }
}

// Standard input is read as it comes, and reads as the file does; so does a
// batch of many chunks with workers.
TEST(CliOperatorInput, StreamedBatchReadsAsTheFile) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string rows = many_forms(30000);
    std::string results = dir.write("r.csv", rows);
    CliRun file = talvechk({"check", form, results, "--no-timing", "--format", "json"});
    CliRun piped = talvechk({"check", form, "-", "--no-timing", "--format", "json"}, rows);
    CliRun jobs = talvechk({"check", form, "-", "--no-timing", "--format", "json", "--jobs", "3"}, rows);
    CliRun small = talvechk({"check", form, "-", "--no-timing", "--format", "json", "--jobs", "2"}, rows,
                            {"TALVECHK_BLOCK_BYTES=5000"});
    EXPECT_EQ(file.status, 1);
    EXPECT_EQ(piped.out, file.out);
    EXPECT_EQ(jobs.out, file.out);
    EXPECT_EQ(small.out, file.out);
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(jobs.status, 1);
    json summary = json::parse(summary_line(file.out))["summary"];
    EXPECT_EQ(summary["forms"], 30000);
    EXPECT_EQ(summary["failed"], 30000 / 7);
}

}  // namespace

namespace {

// The files the wrong way round, or the form twice: said plainly, status 2,
// nothing checked.
TEST(CliOperatorInput, SwappedArgumentsAreToldPlainly) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string one_line_form = dir.write("line.json", R"({"fields": [{"name": "A", "check": "@ == 1"}]})");
    std::string csv = dir.write("r.csv", "A,B,T\n1,2,3\n");
    std::string jsonl = dir.write("r.jsonl", "{\"A\":\"1\",\"T\":\"1\"}\n");
    const std::string order = "give the form first and the results second: talvechk check FORM RESULTS\n";
    struct Case {
        std::string form, results, err;
    } cases[] = {
        {form, form, "talvechk: error: form.json: this is a form definition (a JSON object with a \"fields\" array), "
                     "not recognition results; " + order},
        {form, one_line_form, "talvechk: error: line.json: this is a form definition (a JSON object with a "
                              "\"fields\" array), not recognition results; " + order},
        {csv, form, "talvechk: error: r.csv: this looks like recognition results (a CSV header on its first line), "
                    "not a form definition (a JSON object with a \"fields\" array); " + order},
        {jsonl, form, "talvechk: error: r.jsonl: this looks like recognition results (a JSON object of field names "
                      "on its first line), not a form definition (a JSON object with a \"fields\" array); " + order},
    };
    for (const Case &c : cases) {
        CliRun r = talvechk({"check", c.form, c.results, "--no-timing"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(without(r.err, dir.path("")), c.err);
        EXPECT_EQ(r.out, "");
    }
    // The right way round still checks.
    EXPECT_EQ(talvechk({"check", form, jsonl, "--no-timing"}).status, 0);
}

}  // namespace

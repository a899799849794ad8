// Batch input that must not mislead: each case gives the exact messages on
// standard error, the exit status, and which forms are still checked and
// counted; with more workers the report stays the same, byte for byte.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

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

std::string repeat(const std::string &s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct InputCase {
    const char *label;
    const char *file;  // its extension picks the format
    std::string content;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> err;  // standard error, line by line, the directory left out
    long forms, not_checked;       // forms -1: nothing read, nothing on standard output
    std::string first_finding;     // the start of the report's first line, when there is one
};

const std::string kMidLineQuote = "A,B,T\n1,\"2,3\n1,1,2\n1,\"1\",3\n";

const InputCase kCases[] = {
    // 1. the delimiter
    {"SemicolonSniffed", "s.csv", "A;B;T\n1;2;3\n1;2;4\n", {}, 1, {}, 2, 0, "form 2 (line 3): T: failed"},
    {"TabSniffed", "t.csv", "A\tB\tT\n1\t2\t3\n1\t2\t4\n", {}, 1, {}, 2, 0, "form 2 (line 3): T: failed"},
    {"SemicolonGiven", "s.csv", "A;B;T\n1;2;4\n", {"--delimiter", ";"}, 1, {}, 1, 0, "form 1 (line 2): T: failed"},
    {"WrongDelimiterGiven", "s.csv", "A;B;T\n1;2;3\n", {"--delimiter", ","}, 2,
     {"talvechk: error: s.csv:1: no column of the header names a field of form.json; is the delimiter \";\"? (give "
      "--delimiter ';')"},
     -1, 0, ""},
    {"TabNotGiven", "t.csv", "A\tB\tT\n1\t2\t3\n", {"--delimiter", ";"}, 2,
     {"talvechk: error: t.csv:1: no column of the header names a field of form.json; is the delimiter a tab? (give "
      "--delimiter tab)"},
     -1, 0, ""},
    {"NoFieldNamed", "x.csv", "X,Y,Z,W\n1,2,3,4\n", {}, 2,
     {"talvechk: error: x.csv:1: no column of the header names a field of form.json; is it the header of these "
      "results? (it reads \"X\", \"Y\", \"Z\", ..., split at \",\")"},
     -1, 0, ""},
    {"OnlyTheIdNamed", "x.csv", "ID\n1\n", {"--id", "ID"}, 2,
     {"talvechk: error: x.csv:1: no column of the header names a field of form.json; is it the header of these "
      "results? (it reads \"ID\", split at \",\")"},
     -1, 0, ""},
    {"HeaderNotUtf8", "x.csv", "\x82\x60,\x82\x61\n1,2\n", {}, 2,
     {"talvechk: error: x.csv:1:1: the file is no UTF-8 (bytes 82 60) but reads as CP932: give --encoding cp932; "
      "nothing was checked"},
     -1, 0, ""},
    {"OnlyTheHeaderLineNotUtf8", "x.csv", "\x82\x60,\x82\x61\n1,2\n\xFF\n", {}, 2,
     {"talvechk: error: x.csv:1: no column of the header names a field of form.json; the header is no UTF-8 "
      "(invalid UTF-8 (bytes 82 60)): is the file in CP932 (--encoding cp932)?"},
     -1, 0, ""},
    {"CrOnlyLineEnds", "c.csv", "A,B,T\r1,2,3\r1,1,2\r", {}, 2,
     {"talvechk: error: c.csv:1: the header holds a carriage return: are the line ends CR only? Give the file LF or "
      "CR LF line ends"},
     -1, 0, ""},

    // 3. quoted cells over line breaks
    {"MultiLineCell", "m.csv", "A,B,T,MEMO\n1,2,3,\"line one\nline \"\"two\"\"\"\n1,1,3,x\n", {}, 1, {}, 2, 0,
     "form 2 (line 4): T: failed"},
    {"MultiLineCellCrLf", "m.csv", "A,B,T,MEMO\r\n1,2,3,\"one\r\ntwo\"\r\n1,1,3,x\r\n", {}, 1, {}, 2, 0,
     "form 2 (line 4): T: failed"},
    {"UnclosedQuote", "q.csv", "A,B,T\n1,\"2,3\n1,1,2\n1,1,3\n", {}, 2,
     {"talvechk: error: q.csv:2:3: quoted cell not closed (it runs to the end of the file); the form is not checked"},
     3, 1, "form 3 (line 4): T: failed"},
    {"QuoteClosedByALaterCell", "q.csv", kMidLineQuote, {}, 2,
     {"talvechk: error: q.csv:2:3: quoted cell not closed on its line (read on over the line break: line 4 column "
      "4: text after the closing quote of a cell); the form is not checked"},
     3, 1, "form 3 (line 4): T: failed"},
    {"MultiLineCellCountWrong", "q.csv", "A,B,T\n1,\"2\n3\",3,4\n1,1,2\n", {}, 2,
     {"talvechk: error: q.csv:2:3: quoted cell not closed on its line (read on over the line break: 4 cells where "
      "the header has 3); the form is not checked",
      "talvechk: error: q.csv:3:2: quote inside an unquoted cell (quote the cell and double the quote); the form is "
      "not checked"},
     3, 2, ""},
    {"QuoteOpenPastTheSpanLimit", "q.csv", "A,B,T\n1,\"2,3\n" + repeat("1,1,2\n", 12000) + "1,\"1\",3\n", {}, 2,
     {"talvechk: error: q.csv:2:3: quoted cell not closed within 65536 bytes; the form is not checked"}, 12002, 1,
     "form 12002 (line 12003): T: failed"},
    {"InvalidUtf8OnACellsSecondLine", "i.csv", "A,B,T,MEMO\n1,2,3,\"ok\nb\xFF\"\n1,1,2,\n", {}, 2,
     {"talvechk: error: i.csv:3:2: field MEMO: invalid UTF-8 (bytes FF); the form is not checked"}, 2, 1, ""},

    // 4, 5. JSON: nesting, line length, repeated keys
    {"JsonTooDeep", "n.jsonl", repeat("[", 1 << 20) + repeat("]", 1 << 20) + "\n{\"A\": \"1\", \"T\": \"2\"}\n", {}, 2,
     {"talvechk: error: n.jsonl:1:9: nesting deeper than 8 levels (a value is a string or null); the form is not "
      "checked"},
     2, 1, "form 2 (line 2): T: failed"},
    {"JsonTooDeepInAValue", "n.jsonl", "{\"A\": \"1\", \"B\": [[[[[[[[[\"1\"]]]]]]]]]}\n", {}, 2,
     {"talvechk: error: n.jsonl:1:24: nesting deeper than 8 levels (a value is a string or null); the form is not "
      "checked"},
     1, 1, ""},
    {"JsonLineTooLong", "l.jsonl", "{\"MEMO\": \"" + std::string(9 << 20, 'x') + "\"}\n{\"A\": \"1\", \"T\": \"2\"}\n",
     {}, 2,
     {"talvechk: error: l.jsonl:1: the line has 9437196 bytes, more than the 8388608 a form may take; the form is "
      "not checked"},
     2, 1, "form 2 (line 2): T: failed"},
    {"CsvLineTooLong", "l.csv", "A,B,T,MEMO\n1,1,2," + std::string(9 << 20, 'x') + "\n1,1,3,\n", {}, 2,
     {"talvechk: error: l.csv:2: the line has 9437190 bytes, more than the 8388608 a form may take; the form is not "
      "checked"},
     2, 1, "form 2 (line 3): T: failed"},
    {"JsonRepeatedField", "d.jsonl", "{\"A\":\"1\",\"T\":\"1\",\"A\":\"2\"}\n{\"A\":\"1\",\"B\":\"0\",\"T\":\"2\"}\n",
     {}, 2, {"talvechk: error: d.jsonl:1:18: field \"A\" named again; the form is not checked"}, 2, 1,
     "form 2 (line 2): T: failed"},
    {"JsonRepeatedOtherKey", "d.jsonl", "{\"A\":\"1\",\"X\":\"1\",\"X\":\"2\"}\n", {}, 2,
     {"talvechk: error: d.jsonl:1:18: key \"X\" named again; the form is not checked"}, 1, 1, ""},

    // 7. not a file, a read error
    {"ResultsAreADirectory", "dir.csv/", "", {}, 2, {"talvechk: error: dir.csv: is a directory, not a file"}, -1, 0,
     ""},

    // 9. noise
    {"ManyUnknownColumns", "w.csv",
     [] {
         std::string head = "A,B,T", row = "1,1,2";
         for (int i = 0; i < 100000; ++i) head += ",U" + std::to_string(i), row += ",";
         return head + "\n" + row + "\n";
     }(),
     {}, 0,
     {"talvechk: warning: w.csv:1:7: unknown field \"U0\" (not in form.json); the column is ignored (--keep it if it is meant)",
      "talvechk: warning: w.csv:1:10: unknown field \"U1\" (not in form.json); the column is ignored (--keep it if it is meant)",
      "talvechk: warning: w.csv:1:13: unknown field \"U2\" (not in form.json); the column is ignored (--keep it if it is meant)",
      "talvechk: warning: w.csv:1:16: unknown field \"U3\" (not in form.json); the column is ignored (--keep it if it is meant)",
      "talvechk: warning: w.csv:1:19: unknown field \"U4\" (not in form.json); the column is ignored (--keep it if it is meant)",
      "talvechk: warning: w.csv:1: 99995 more columns name no field of form.json (the first 5 are named above); they "
      "are ignored"},
     1, 0, ""},
    {"RepeatedColumnNumber", "r.csv", "MEMO,A,B,T,B\n,1,2,3,2\n", {}, 2,
     {"talvechk: error: r.csv:1:12: field \"B\" named again (first in column 3); column 5 is ignored"}, 1, 0, ""},
    {"BlankLinesAreNoForms", "b.csv", "A,B,T\n \n\t\n\n1,2,3\n  \t \n1,0,2\n", {}, 1, {}, 2, 0,
     "form 2 (line 7): T: failed"},
    {"BlankJsonLinesAreNoForms", "b.jsonl", " \n\t\n\n{\"A\":\"1\",\"T\":\"2\"}\n", {}, 1, {}, 1, 0,
     "form 1 (line 4): T: failed"},
    // Said once a field or key in the file, whatever blocks the workers read.
    {"SaidOncePerFieldAndKey", "o.jsonl",
     repeat("{\"A\":\"1\",\"B\":\"" + repeat("1", 105) + "\",\"T\":\"2\",\"X\":\"1\"}\n", 2) +
         "{\"A\":\"1\",\"B\":\"1\",\"T\":\"2\",\"X\":\"3\"}\n",
     {}, 1,
     {"talvechk: warning: o.jsonl:1: field B: the number has 105 integer digits; the library keeps 104 and drops "
      "the rest without an error (said for the first form only)",
      "talvechk: warning: o.jsonl:1: unknown field \"X\" (not in form.json); the key is ignored (--keep it if it "
      "is meant)"},
     3, 0, "form 1 (line 1): T: failed"},
};

void PrintTo(const InputCase &c, std::ostream *os) { *os << c.label; }

std::string without(std::string text, const std::string &part) {
    for (std::size_t p; (p = text.find(part)) != std::string::npos;) text.erase(p, part.size());
    return text;
}

class BatchInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(BatchInput, SaysWhatAndChecksTheRest) {
    const InputCase &c = GetParam();
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string file = c.file;
    std::string results;
    if (file.back() == '/') {
        results = dir.path(file.substr(0, file.size() - 1));
        std::filesystem::create_directory(results);
    } else {
        results = dir.write(file, c.content);
    }
    std::vector<std::string> args = {"check", form, results, "--no-timing"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun text = talvechk(args);
    EXPECT_EQ(text.status, c.status) << text.err;
    EXPECT_EQ(lines_of(without(text.err, dir.path(""))), c.err);
    if (c.forms < 0) {
        EXPECT_EQ(text.out, "");
        return;
    }
    EXPECT_EQ(text.out.rfind(c.first_finding, 0), 0u) << text.out;

    args.insert(args.end(), {"--format", "json"});
    CliRun j = talvechk(args);
    json summary = json::parse(summary_line(j.out))["summary"];
    EXPECT_EQ(summary["forms"], c.forms);
    EXPECT_EQ(summary["not_checked"], c.not_checked);
    EXPECT_EQ(summary["crashed"], 0);
    EXPECT_EQ(summary["checks"], 2 * (c.forms - c.not_checked));

    // Workers change nothing, whether a block holds the whole batch or
    // every form is a block of its own.
    args.insert(args.end(), {"--jobs", "3"});
    for (const char *block : {"TALVECHK_BLOCK_BYTES=262144", "TALVECHK_BLOCK_BYTES=1"}) {
        CliRun jobs = talvechk(args, "", {block});
        EXPECT_EQ(jobs.out, j.out) << block;
        EXPECT_EQ(jobs.err, j.err) << block;
        EXPECT_EQ(jobs.status, j.status) << block;
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, BatchInput, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.label); });

// A read error is no end of file.
TEST(CliBatchInput, ReadErrorIsNoEndOfFile) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    CliRun r = talvechk({"check", form, "/proc/self/mem", "--input-format", "csv"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "talvechk: error: /proc/self/mem: read error: Input/output error\n");
    EXPECT_EQ(r.out, "");
}

TEST(CliBatchInput, FormThatIsADirectory) {
    TempDir dir;
    std::string results = dir.write("r.csv", "A\n1\n");
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"check", dir.path(""), results}, {"certify", dir.path("")},
          {"eval", "--form", dir.path(""), "--field", "A", "1"}}) {
        CliRun r = talvechk(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err, "talvechk: error: " + dir.path("") + ": is a directory, not a file\n") << args[0];
    }
    CliRun unreadable = talvechk({"certify", "/proc/self/mem"});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_EQ(unreadable.err, "talvechk: error: /proc/self/mem: read error: Input/output error\n");
}

// 8. What the input holds reaches a terminal or a CSV reader escaped; JSON
// has escapes of its own.
TEST(CliBatchInput, RawBytesAreShownEscaped) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string csv = dir.write("r.csv", std::string("ID,A,B,T,\x1B[2J\n\x01\xFF") + '\0' + "x,1,1,3,\n");
    std::string jsonl = dir.write("r.jsonl", "{\"A\": \"1\", \"T\": \"3\", \"X\\u0000\\u001b\": \"1\"}\n");
    CliRun text = talvechk({"check", form, csv, "--id", "ID", "--no-timing"});
    EXPECT_EQ(text.out.substr(0, text.out.find('\n')),
              "form 1 (line 2, \\x01\\xFF\\x00x): T: failed [80000000]: 認識結果に誤りがあります。");
    EXPECT_EQ(without(text.err, dir.path("")),
              "talvechk: warning: r.csv:1:10: unknown field \"\\x1B[2J\" (not in form.json); the column is ignored "
              "(--keep it if it is meant)\n");
    CliRun table = talvechk({"check", form, csv, "--id", "ID", "--no-timing", "--format", "csv"});
    EXPECT_EQ(lines_of(table.out).at(1).substr(0, 22), "1,2,\\x01\\xFF\\x00x,T,fa");
    CliRun json_keys = talvechk({"check", form, jsonl, "--no-timing"});
    EXPECT_EQ(without(json_keys.err, dir.path("")),
              "talvechk: error: r.jsonl:1: key \"X\\x00\\x1B\": NUL character in text; ignored\n");
    CliRun command = talvechk({"\x1B]0;x\x07"});
    EXPECT_EQ(command.err.substr(0, 57), "talvechk: error: unknown subcommand \"\\x1B]0;x\\x07\" (check");
    for (const CliRun *r : {&text, &table, &json_keys, &command})
        for (char c : r->out + r->err) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

// 6. --set takes one NAME=VALUE; what follows is the expression.
TEST(CliBatchInput, EvalSetLeavesTheExpressionAlone) {
    CliRun r = talvechk({"eval", "--field", "A", "--set", "A=300", "@ == 300"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines_of(r.out).at(0), "outcome   passed");
    CliRun two = talvechk({"eval", "--field", "A", "--set", "A=300", "B=1", "@ == 300"});
    EXPECT_EQ(two.status, 2);
    EXPECT_NE(two.err.find("The following argument was not expected: @ == 300"), std::string::npos) << two.err;
}

// A batch with every kind of bad row, large enough for many slices: the
// same report whatever the number of workers, in every format.
TEST(CliBatchInput, WorkersChangeNothing) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string rows = "A,B,T,MEMO\n";
    for (int i = 0; i < 600; ++i) {
        switch (i % 7) {
        case 0: rows += "1,1,2,\"two\nlines\"\n"; break;
        case 1: rows += "1,1,3,x\n"; break;
        case 2: rows += "1,\xFF,2,\n"; break;
        case 3: rows += " \n"; break;
        case 4: rows += "1,1,2\n"; break;
        case 5: rows += i == 299 ? "1,\"1,2,\n" : "2,0,2,\n"; break;
        default: rows += "1,0,1,\"a\"\"b\"\n"; break;
        }
    }
    std::string results = dir.write("r.csv", rows);
    // Blocks of a few forms: their edges fall on every kind of row.
    for (const char *format : {"text", "json", "csv"}) {
        CliRun one = talvechk({"check", form, results, "--no-timing", "--format", format});
        EXPECT_EQ(one.status, 2);
        for (const char *block : {"TALVECHK_BLOCK_BYTES=262144", "TALVECHK_BLOCK_BYTES=40", "TALVECHK_BLOCK_BYTES=97"}) {
            CliRun four = talvechk({"check", form, results, "--no-timing", "--format", format, "--jobs", "4"}, "", {block});
            EXPECT_EQ(four.status, one.status) << format << block;
            EXPECT_EQ(four.out, one.out) << format << block;
            EXPECT_EQ(four.err, one.err) << format << block;
        }
    }
}

}  // namespace

namespace {

// Deterministic bytes, so that a failure can be replayed.
struct Bytes {
    uint64_t state;
    unsigned next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33);
    }
};

TEST(CliBatchInput, RandomBytesAreNoResults) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    for (uint64_t seed : {1u, 2u, 3u}) {
        Bytes bytes{seed};
        std::string noise(1 << 20, '\0');
        for (char &c : noise) c = static_cast<char>(bytes.next());
        // Without carriage returns as well: the header alone must give it away.
        if (seed == 3)
            for (char &c : noise) c = c == '\r' ? 'r' : c;
        CliRun r = talvechk({"check", form, dir.write("noise.csv", noise), "--no-timing"});
        EXPECT_EQ(r.status, 2) << seed;
        EXPECT_EQ(r.out, "") << seed;
        EXPECT_LE(lines_of(r.err).size(), 7u) << seed;
    }
}

// Small valid batches with bytes changed at random: never a crash, and the
// same report whatever the number of workers.
TEST(CliBatchInput, MangledBatchesReadTheSameWithWorkers) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string csv = "A,B,T,MEMO\n", jsonl;
    for (int i = 0; i < 40; ++i) {
        csv += i % 5 ? "1,1,2,\"a\"\"b\nc\"\n" : "1,2,3,x\n";
        jsonl += i % 5 ? "{\"A\":\"1\",\"B\":\"1\",\"T\":\"2\"}\n" : "{\"A\":\"1\",\"T\":\"3\",\"MEMO\":[\"x\"]}\n";
    }
    const char specials[] = {'"', ',', '\n', '\r', '\0', '\\', '{', '[', ':', '\xFF', ' '};
    Bytes bytes{42};
    for (int round = 0; round < 30; ++round) {
        bool json_lines = round % 2;
        std::string text = json_lines ? jsonl : csv;
        for (int k = 0; k < 4; ++k) text[bytes.next() % text.size()] = specials[bytes.next() % sizeof specials];
        std::string path = dir.write(json_lines ? "m.jsonl" : "m.csv", text);
        CliRun one = talvechk({"check", form, path, "--no-timing", "--format", "json"});
        CliRun three = talvechk({"check", form, path, "--no-timing", "--format", "json", "--jobs", "3"}, "",
                                {round % 3 ? "TALVECHK_BLOCK_BYTES=1" : "TALVECHK_BLOCK_BYTES=50"});
        ASSERT_LE(one.status, 2) << round;
        EXPECT_EQ(three.status, one.status) << round;
        EXPECT_EQ(three.out, one.out) << round;
        EXPECT_EQ(three.err, one.err) << round;
        if (!one.out.empty()) {
            json summary = json::parse(summary_line(one.out))["summary"];
            EXPECT_EQ(summary["checks"], 2 * (summary["forms"].get<long>() - summary["not_checked"].get<long>()))
                << round;
        }
    }
}

}  // namespace

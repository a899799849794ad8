// Bad input of every kind: a clear message naming the place, exit status 2,
// never a crash, and the good forms of the same batch still checked.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_cli.h"

using namespace cli_test;

namespace {

const std::string kForm = R"({"fields": [
  {"name": "A", "check": "@ == 1"},
  {"name": "B"},
  {"name": "T", "check": "@ == [A] + [B]"}
]})";

struct BadResults {
    const char *label;
    const char *file;         // results file name (its extension picks the format)
    std::string content;
    std::vector<std::string> args;      // more options
    std::vector<std::string> messages;  // each must appear on standard error
    long forms, not_checked;            // summary; forms -1: nothing read at all
};

std::string long_text(std::size_t n) { return std::string(n, '7'); }

const BadResults kBadResults[] = {
    {"MissingFile", "absent.csv", "", {}, {"absent.csv: cannot open"}, -1, 0},
    {"EmptyCsv", "e.csv", "", {}, {"e.csv: empty file"}, -1, 0},
    {"NoFormat", "r.txt", "A,B,T\n", {}, {"r.txt: cannot tell the format", "--input-format"}, -1, 0},
    {"BadHeaderQuote", "h.csv", "A,\"B,T\n1,2,3\n", {}, {"h.csv:1:3: quoted cell not closed"}, -1, 0},
    {"DuplicateColumn", "d.csv", "A,B,A,T\n1,2,1,3\n", {}, {"d.csv:1:5: field \"A\" named again (first in column 1)"},
     1, 0},
    {"TooManyCells", "m.csv", "A,B,T\n1,2,3\n1,2,3,4\n1,1,2\n", {},
     {"m.csv:3: 4 cells where the header has 3; the form is not checked"}, 3, 1},
    {"TooFewCells", "f.csv", "A,B,T\n1,2\n1,1,2\n", {}, {"f.csv:2: 2 cells where the header has 3"}, 2, 1},
    {"UnclosedQuote", "q.csv", "A,B,T\n1,\"2,3\n1,1,2\n", {}, {"q.csv:2:3: quoted cell not closed (it runs to the end of the file); the form is not checked"}, 2, 1},
    {"TextAfterQuote", "t.csv", "A,B,T\n1,\"2\"x,3\n1,1,2\n", {}, {"t.csv:2:6: text after the closing quote"}, 2, 1},
    {"StrayQuote", "s.csv", "A,B,T\n1,2\"2,3\n", {}, {"s.csv:2:4: quote inside an unquoted cell"}, 1, 1},
    {"InvalidUtf8", "i.csv", "A,B,T\n1,\xEF\xBC\x91\xFF,3\n1,1,2\n", {},
     {"i.csv:2:6: field B: invalid UTF-8 (bytes FF", "the form is not checked"}, 2, 1},
    {"InvalidUtf8Quoted", "iq.csv", "A,B,T\n1,\"a\"\"\xC3\",3\n", {}, {"iq.csv:2:7: field B: invalid UTF-8 (bytes C3)"}, 1, 1},
    {"Overlong", "o.csv", "A,B,T\n1,\xC0\xAF,3\n", {}, {"o.csv:2:3: field B: invalid UTF-8"}, 1, 1},
    {"Surrogate", "g.csv", "A,B,T\n1,\xED\xA0\x80,3\n", {}, {"g.csv:2:3: field B: invalid UTF-8"}, 1, 1},
    {"NoCp932Code", "n.csv", "A,B,T\n1,2\xF0\x9F\x98\x80,3\n", {},
     {"n.csv:2:4: field B: character U+1F600 has no CP932 code"}, 1, 1},
    {"NulByte", "z.csv", std::string("A,B,T\n1,2\0,3\n", 13), {}, {"z.csv:2:4: field B: NUL character"}, 1, 1},
    {"InvalidCp932Lead", "c.csv", "A,B,T\n1,\x82\x4F\x81,3\n1,1,2\n", {"--encoding", "cp932"},
     {"c.csv:2:5: field B: invalid CP932 (lead byte 81 at the end"}, 2, 1},
    {"InvalidCp932Byte", "c2.csv", "A,B,T\n\xA0,2,3\n", {"--encoding", "cp932"},
     {"c2.csv:2:1: field A: invalid CP932 (byte A0)"}, 1, 1},
    {"InvalidCp932Pair", "c3.csv", "A,B,T\n1,\x85\x40,3\n", {"--encoding", "cp932"},
     {"c3.csv:2:3: field B: invalid CP932 (bytes 85 40)"}, 1, 1},
    {"ValueOverLimit", "l.csv", "A,B,T\n1," + long_text(1362) + ",3\n1,1,2\n", {},
     {"l.csv:2:3: field B: the text has 1362 bytes in CP932; a field holds at most 1361"}, 2, 1},
    {"WideValueOverLimit", "w.csv",
     // 681 full-width digits: 2043 bytes of UTF-8, 1362 of CP932
     [] {
         std::string s = "A,B,T\n1,";
         for (int i = 0; i < 681; ++i) s += "\xEF\xBC\x91";
         return s + ",3\n";
     }(),
     {}, {"w.csv:2:3: field B: the text has 1362 bytes in CP932"}, 1, 1},
    {"JsonMalformed", "j.jsonl", "{\"A\": \"1\", \"T\": \"1\"}\n{\"A\": 1,,}\n", {},
     {"j.jsonl:2:", "malformed JSON", "the form is not checked"}, 2, 1},
    {"JsonNotObject", "a.jsonl", "[1, 2]\n{\"A\": \"1\", \"T\": \"1\"}\n", {},
     {"a.jsonl:1: each line must be a JSON object"}, 2, 1},
    {"JsonNumberValue", "v.jsonl", "{\"A\": 1, \"T\": \"1\"}\n", {},
     {"v.jsonl:1: field A: the value must be a string or null, not number"}, 1, 1},
    {"JsonInvalidUtf8", "x.jsonl", "{\"A\": \"1\xFE\"}\n", {}, {"x.jsonl:1:", "malformed JSON"}, 1, 1},
    {"JsonInvalidCp932", "y.jsonl", "{\"A\": \"\x81\"}\n", {"--encoding", "cp932"}, {"y.jsonl:1:8: invalid CP932"},
     1, 1},
    {"JsonCp932LoneYen", "yen.jsonl", "{\"A\": \"\x5C" "100\"}\n{\"A\": \"\x5C\x5C" "1\"}\n", {"--encoding", "cp932"},
     {"yen.jsonl:1: malformed JSON", "in CP932 the yen sign is the byte 0x5C, JSON's escape character"}, 2, 1},
    // Values the JSON reader cannot take cost their form only; every later
    // form keeps its number and is checked.
    {"JsonNumberOutOfRange", "big.jsonl",
     "{\"A\": \"1\", \"T\": \"1\"}\n{\"A\": \"1\", \"T\":1e400}\n{\"A\": \"1\", \"T\": \"1\"}\n{\"A\": \"1\"}\n", {},
     {"big.jsonl:2:16: the number 1e400 is out of range", "the form is not checked"}, 4, 1},
    {"JsonNegativeOutOfRange", "neg.jsonl", "{\"A\": -1E+999}\n{\"A\": \"1\", \"T\": \"1\"}\n", {},
     {"neg.jsonl:1:7: the number -1E+999 is out of range"}, 2, 1},
    {"JsonNaN", "nan.jsonl", "{\"A\": NaN}\n{\"A\": \"1\", \"T\": \"1\"}\n", {},
     {"nan.jsonl:1:", "malformed JSON: a word that is no JSON value"}, 2, 1},
    {"JsonObjectForText", "obj.jsonl", "{\"A\": {\"x\": 1e400}}\n{\"A\": [\"1\"]}\n{\"A\": \"1\", \"T\": \"1\"}\n", {},
     {"obj.jsonl:1:13: the number 1e400", "obj.jsonl:2: field A: the value must be a string or null, not array"}, 3,
     2},
    {"JsonLoneSurrogate", "sur.jsonl", "{\"A\": \"\\ud800\"}\n{\"A\": \"1\", \"T\": \"1\"}\n", {},
     {"sur.jsonl:1:", "a lone surrogate"}, 2, 1},
    {"JsonControlInText", "ctl.jsonl", "{\"A\": \"1\x1B\"}\n", {},
     {"ctl.jsonl:1:", "a control character (U+001B) inside a text"}, 1, 1},
    {"MissingIdColumn", "id.csv", "A,B,T\n1,0,1\n", {"--id", "FORM_ID"}, {"id.csv:1: no column \"FORM_ID\" for --id"},
     1, 0},
};

// Test names in listings show the label, not the bytes of the case.
void PrintTo(const BadResults &c, std::ostream *os) { *os << c.label; }

class BadResultsTest : public ::testing::TestWithParam<BadResults> {};

TEST_P(BadResultsTest, NamesThePlaceAndChecksTheRest) {
    const BadResults &c = GetParam();
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string results = c.content.empty() && std::string(c.label) == "MissingFile" ? dir.path(c.file)
                                                                                     : dir.write(c.file, c.content);
    std::vector<std::string> args = {"check", form, results, "--format", "json", "--no-timing"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    CliRun r = talvechk(args);
    EXPECT_EQ(r.status, 2) << r.err;
    for (const std::string &m : c.messages) EXPECT_NE(r.err.find(m), std::string::npos) << "want: " << m << "\ngot: " << r.err;
    // The JSON library's own wording never reaches the user.
    EXPECT_EQ(r.err.find("json.exception"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("syntax error while"), std::string::npos) << r.err;
    if (c.forms < 0) {
        EXPECT_EQ(r.out, "") << "nothing is checked when nothing can be read";
        return;
    }
    auto summary = nlohmann::json::parse(summary_line(r.out))["summary"];
    EXPECT_EQ(summary["forms"], c.forms);
    EXPECT_EQ(summary["not_checked"], c.not_checked);
    EXPECT_EQ(summary["checks"], 2 * (c.forms - c.not_checked)) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, BadResultsTest, ::testing::ValuesIn(kBadResults),
                         [](const auto &info) { return std::string(info.param.label); });

// ---- form definitions -------------------------------------------------------

struct BadForm {
    const char *label;
    std::string form;
    std::string message;  // on standard error, after "form.json"
};

const BadForm kBadForms[] = {
    {"Malformed", "{\"fields\": [\n  {\"name\": \"A\",, }\n]}", "form.json:2:16: malformed JSON"},
    {"InvalidUtf8", "{\"fields\": [{\"name\": \"A\xFF\"}]}", "form.json:1:24: malformed JSON"},
    {"NotObject", "[1]", "form.json: a form definition is a JSON object"},
    {"UnknownTopKey", R"({"feilds": []})", "form.json: unknown key \"feilds\""},
    {"NoFields", R"({"form": "x"})", "form.json: \"fields\" must be an array"},
    {"EmptyFields", R"({"fields": []})", "form.json: \"fields\" is empty"},
    {"MissingName", R"({"fields": [{"type": "MARK"}]})", "form.json: field #1: \"name\" is missing"},
    {"UnknownKey", R"({"fields": [{"name": "A", "chek": "1"}]})", "form.json: field A: unknown key \"chek\""},
    {"Duplicate", R"({"fields": [{"name": "A"}, {"name": "B"}, {"name": "A"}]})", "form.json: field A: defined twice"},
    {"DuplicateAfterConversion", R"({"fields": [{"name": "A¥"}, {"name": "A\\"}]})",
     "form.json: field A\\: defined twice"},
    {"NameTooLong", R"({"fields": [{"name": "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"}]})",
     "field ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456: the name has 33 bytes in CP932; at most 32"},
    {"WideNameTooLong", R"({"fields": [{"name": "金額金額金額金額金額金額金額金額A"}]})", "the name has 33 bytes in CP932"},
    {"BracketInName", R"({"fields": [{"name": "A]"}]})", "field A]: the name holds \"]\""},
    {"BlankAroundName", R"({"fields": [{"name": " A"}]})", "the name begins or ends with a blank"},
    {"NameNotString", R"({"fields": [{"name": 7}]})", "field #1: \"name\" must be a string"},
    {"NegativeLength", R"({"fields": [{"name": "A", "length": -1}]})", "field A: \"length\" must be a whole number"},
    {"FractionLength", R"({"fields": [{"name": "A", "length": 1.5}]})", "field A: \"length\" must be a whole number"},
    {"ExcludedNotBool", R"({"fields": [{"name": "A", "excluded": "yes"}]})", "\"excluded\" must be true or false"},
    {"CheckNotString", R"({"fields": [{"name": "A", "check": 1}]})", "field A: \"check\" must be a string"},
    {"TypeTooLong", R"({"fields": [{"name": "A", "type": ")" + std::string(65, 'T') + R"("}]})",
     "field A: \"type\" has 65 bytes; at most 64"},
    {"ClassTooLong", R"({"fields": [{"name": "A", "class": ")" + std::string(257, 'N') + R"("}]})",
     "field A: \"class\" has 257 bytes in CP932; at most 256"},
    {"TooDeep", R"({"fields": )" + std::string(100, '[') + std::string(100, ']') + "}",
     "form.json:1:27: nesting deeper than 16 levels (a form definition has 3)"},
    {"RepeatedKey", R"({"fields": [{"name": "A", "check": "1", "check": "2"}]})",
     "form.json:1:41: key \"check\" given twice in one object (the first would be lost)"},
    {"RepeatedTopKey", "{\"fields\": [{\"name\": \"A\"}],\n \"fields\": []}",
     "form.json:2:2: key \"fields\" given twice in one object (the first would be lost)"},
    {"TooLarge", R"({"fields": [{"name": "A", "label": ")" + std::string(17 << 20, 'x') + R"("}]})",
     "form.json: more than 16777216 bytes; a form definition is far smaller"},
    {"NoCp932Check", R"({"fields": [{"name": "A", "check": "@ == '😀'"}]})",
     "field A: \"check\": character U+1F600 has no CP932 code at byte 7"},
    {"NumberOutOfRange", "{\"fields\": [\n  {\"name\": \"A\", \"length\": 1e400}\n]}",
     "form.json:2:27: the number 1e400 is out of range"},
    {"NaN", R"({"fields": [{"name": "A", "length": NaN}]})", "form.json:1:37: malformed JSON: a word that is no JSON value"},
};

void PrintTo(const BadForm &c, std::ostream *os) { *os << c.label; }

class BadFormTest : public ::testing::TestWithParam<BadForm> {};

TEST_P(BadFormTest, RefusedWithThePlace) {
    const BadForm &c = GetParam();
    TempDir dir;
    std::string form = dir.write("form.json", c.form);
    std::string results = dir.write("r.csv", "A\n1\n");
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"check", form, results}, {"certify", form}, {"eval", "--form", form, "--field", "A", "1"}}) {
        CliRun r = talvechk(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << args[0] << "\nwant: " << c.message << "\ngot: " << r.err;
        EXPECT_EQ(r.err.find("json.exception"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << args[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, BadFormTest, ::testing::ValuesIn(kBadForms),
                         [](const auto &info) { return std::string(info.param.label); });

// A bad value deep in a batch: it costs its form, in whichever chunk of
// the stream it falls, and the counts add up.
TEST(CliBadInput, JsonValueOutOfRangeInALongBatch) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    std::string good = "{\"A\": \"1\", \"B\": \"0\", \"T\": \"1\"}\n", text;
    for (int i = 0; i < 5000; ++i) text += good;
    text += "{\"A\": \"1\", \"T\": 1e400}\n";
    for (int i = 0; i < 100; ++i) text += good;
    std::string results = dir.write("r.jsonl", text);
    for (const char *jobs : {"1", "2"}) {
        CliRun r = talvechk({"check", form, results, "--format", "json", "--no-timing", "--jobs", jobs});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "talvechk: error: " + results +
                             ":5001:17: the number 1e400 is out of range (a value is a string or null); the form is not "
                             "checked\n");
        auto summary = nlohmann::json::parse(summary_line(r.out))["summary"];
        EXPECT_EQ(summary["forms"], 5101);
        EXPECT_EQ(summary["not_checked"], 1);
        EXPECT_EQ(summary["checks"], 2 * 5100);
        EXPECT_EQ(summary["passed"], 2 * 5100);
    }
}

TEST(CliBadInput, MissingFormFile) {
    TempDir dir;
    std::string results = dir.write("r.csv", "A\n1\n");
    CliRun r = talvechk({"check", dir.path("nope.json"), results});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("nope.json: cannot open: No such file or directory"), std::string::npos) << r.err;
}

TEST(CliBadInput, NamesOfExactlyTheLimitsAreAccepted) {
    TempDir dir;
    std::string name32(32, 'N');
    std::string form = dir.write("form.json", R"({"fields": [{"name": ")" + name32 + R"(", "check": "@ == 1"}]})");
    std::string results = dir.write("r.csv", name32 + "\n" + std::string(1361, '1') + "\n");
    CliRun r = talvechk({"check", form, results, "--format", "json", "--no-timing"});
    // Accepted; only the number's length is worth a word (it is far past what the library keeps).
    EXPECT_EQ(r.err, "talvechk: warning: " + dir.path("r.csv") + ":2:1: field " + name32 +
                         ": the number has 1361 integer digits; the library keeps 104 and drops the rest without an "
                         "error (said for the first form only)\n");
    auto summary = nlohmann::json::parse(summary_line(r.out))["summary"];
    EXPECT_EQ(summary["not_checked"], 0);
}

// ---- the command line itself ------------------------------------------------

struct BadArgs {
    const char *label;
    std::vector<std::string> args;
    std::string message;
};

const BadArgs kBadArgs[] = {
    {"NoSubcommand", {}, "A subcommand is required"},
    {"UnknownSubcommand", {"verify", "x"}, "unknown subcommand \"verify\""},
    {"MissingResults", {"check", "form.json"}, "RESULTS is required"},
    {"ZeroJobs", {"check", "f.json", "r.csv", "--jobs", "0"}, "--jobs"},
    {"BadFormat", {"check", "f.json", "r.csv", "--format", "xml"}, "--format"},
    {"BadEncoding", {"check", "f.json", "r.csv", "--encoding", "latin1"}, "--encoding"},
    {"EvalWithoutField", {"eval", "1 == 1"}, "--field is required"},
    {"SetWithoutValue", {"eval", "--set", "A", "--field", "A", "1"}, "--set A: expected NAME=VALUE"},
    {"EvalNoExpression", {"eval", "--set", "A=1", "--field", "A"}, "no expression given"},
    {"EvalFieldTooLong", {"eval", "--field", std::string(62, 'F'), "1"}, "--field: the name has 62 bytes"},
    {"EvalBadUtf8", {"eval", "--field", "A", "1 == '\xFF'"}, "the expression: invalid UTF-8"},
    {"MessageNotHex", {"message", "xyz"}, "\"xyz\" is no code"},
    {"MessageTooLong", {"message", "123456789"}, "is no code"},
    {"FieldsWithoutNames", {"fields", "[A] == 1"}, "give field names or --form"},
};

void PrintTo(const BadArgs &c, std::ostream *os) { *os << c.label; }

class BadArgsTest : public ::testing::TestWithParam<BadArgs> {};

TEST_P(BadArgsTest, ExitTwoWithAMessage) {
    const BadArgs &c = GetParam();
    CliRun r = talvechk(c.args);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_NE((r.err + r.out).find(c.message), std::string::npos) << "want: " << c.message << "\ngot: " << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cli, BadArgsTest, ::testing::ValuesIn(kBadArgs),
                         [](const auto &info) { return std::string(info.param.label); });

TEST(CliBadInput, EvalSetOfAFieldTheFormLacks) {
    TempDir dir;
    std::string form = dir.write("form.json", kForm);
    CliRun r = talvechk({"eval", "--form", form, "--set", "Z=1", "--field", "A", "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("field Z: --set: no such field in the form"), std::string::npos) << r.err;
}

}  // namespace

// talvechk check certifies the form first: a check that fails alike on
// every form is told once with its place and skipped (or stops the run with
// --strict); design faults certify mode sees are warnings.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_cli.h"

using namespace cli_test;
using nlohmann::json;

namespace {

struct LintCase {
    const char *name;
    const char *check;
    const char *told;      // on standard error ("" : nothing)
    bool skipped;          // left out of the batch
    int status;            // exit status over the one form A=1, X=1
};

class CliLint : public ::testing::TestWithParam<LintCase> {};

TEST_P(CliLint, ToldOnceAndSkippedOrEvaluated) {
    const LintCase &c = GetParam();
    TempDir dir;
    json form = {{"fields", {{{"name", "A"}, {"check", c.check}}, {{"name", "X"}, {"excluded", true}}}}};
    std::string form_path = dir.write("f.json", form.dump());
    std::string results = dir.write("r.csv", "A,X\n1,1\n1,1\n1,1\n");
    CliRun r = talvechk({"check", form_path, results, "--format", "json", "--no-timing"});
    EXPECT_EQ(r.status, c.status) << r.err;
    if (*c.told) {
        EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
        // Once, not once a form.
        EXPECT_EQ(r.err.find(c.told), r.err.rfind(c.told)) << r.err;
    } else {
        EXPECT_EQ(r.err, "");
    }
    json summary = json::parse(lines_of(r.out).back())["summary"];
    EXPECT_EQ(summary["checks"], c.skipped ? 0 : 3) << r.out;
    EXPECT_EQ(summary.value("skipped", 0), c.skipped ? 3 : 0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, CliLint,
    ::testing::Values(
        LintCase{"Syntax", "1 +* 2", "f.json: field A: the check does not certify [90000001]", true, 2},
        LintCase{"UnknownField", "[NOPE] == 1", "[90000002]: ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ NOPE は存在しません。; it is skipped", true, 2},
        LintCase{"UnknownFunction", "nosuch(@)", "[90000004]", true, 2},
        LintCase{"TooDeep", "(((((((@))))))) == 1", "[90000005]", true, 2},
        LintCase{"Excluded", "[X] == 1", "talvechk: warning: ", false, 0},
        // Errors the blank values of certify mode could cause are left to the batch.
        LintCase{"DivideByZero", "@ / 0 == 1", "", false, 2},
        LintCase{"ArgumentsOfValues", "ydate([A], 2)", "", false, 2},
        LintCase{"Clean", "@ == 1", "", false, 0}),
    [](const ::testing::TestParamInfo<LintCase> &info) { return std::string(info.param.name); });

TEST(CliLintPlace, CaretUnderTheByteWhereParsingStopped) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "1 +* 2"}, {"name": "B", "check": "@ == 2"}]})");
    std::string results = dir.write("r.csv", "A,B\n1,2\n");
    CliRun r = talvechk({"check", form, results, "--no-timing"});
    EXPECT_NE(r.err.find("    check: 1 +* 2\n              ^\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Summary: 1 form, 1 check: 1 passed, 0 failed, 0 errors; 0 forms flagged\n"
                         "  1 check skipped: expression error"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.status, 2);
}

TEST(CliLintPlace, StrictStopsBeforeTheBatch) {
    TempDir dir;
    std::string form = dir.write("f.json", R"J({"fields": [{"name": "A", "check": "nosuch(@)"}, {"name": "B", "check": "@ == 2"}]})J");
    std::string results = dir.write("r.csv", "A,B\n1,2\n");
    CliRun r = talvechk({"check", form, results, "--strict"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("field A: the check does not certify [90000004]"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("; --strict: no form is checked\n"), std::string::npos) << r.err;
    // A warning alone does not stop it.
    std::string warned = dir.write("w.json", R"({"fields": [{"name": "A", "check": "[B] == 1"},
                                                           {"name": "B", "excluded": true}]})");
    CliRun w = talvechk({"check", warned, results, "--strict", "--no-timing"});
    EXPECT_EQ(w.status, 1) << w.err;
    EXPECT_NE(w.err.find("w.json: field A: the check does not certify [9000000F]"), std::string::npos) << w.err;
}

TEST(CliLintPlace, TheBundledFormLintsClean) {
    CliRun r = talvechk({"check", std::string(TALV_EXAMPLES_DIR) + "/invoice.json",
                         std::string(TALV_BUILD_EXAMPLES_DIR) + "/invoices.csv", "--id", "FORM_ID", "--strict",
                         "-n", "0", "--no-timing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find("skipped"), std::string::npos) << r.out;
}

}  // namespace

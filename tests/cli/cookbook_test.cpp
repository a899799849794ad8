// Every example of docs/expressions.md, run as it is written there, so that
// the cookbook cannot drift from what the library does.  A block
//
//     ```check
//     FIELD: expression
//     passes: NAME=VALUE ...
//     fails: ...
//     error 90000006: ...
//     warns: ...
//     ```
//
// is one check and the values that give each outcome.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "run_cli.h"

using namespace cli_test;

namespace {

struct Example {
    std::string field, expr, outcome;
    std::vector<std::string> sets;
    int line = 0;  // in the document, for the failure message
};

void PrintTo(const Example &e, std::ostream *os) { *os << "line " << e.line << ": " << e.expr; }

std::vector<Example> examples() {
    std::ifstream in(std::string(TALV_EXAMPLES_DIR) + "/../docs/expressions.md");
    std::vector<Example> all;
    std::string line, field, expr;
    bool in_block = false, first = false;
    for (int n = 1; std::getline(in, line); ++n) {
        if (line == "```check") {
            in_block = first = true;
        } else if (in_block && line == "```") {
            in_block = false;
        } else if (in_block && first) {
            field = line.substr(0, line.find(": "));
            expr = line.substr(line.find(": ") + 2);
            first = false;
        } else if (in_block) {
            Example e{field, expr, line.substr(0, line.find(':')), {}, n};
            std::istringstream values(line.substr(line.find(':') + 1));
            for (std::string v; values >> v;) e.sets.push_back(v);
            all.push_back(std::move(e));
        }
    }
    return all;
}

class Cookbook : public ::testing::TestWithParam<Example> {};

TEST_P(Cookbook, RunsAsWritten) {
    const Example &e = GetParam();
    std::vector<std::string> args = {"--lang", "en", "eval", "--field", e.field};
    for (const std::string &s : e.sets) {
        args.push_back("--set");
        args.push_back(s);
    }
    args.push_back("--");
    args.push_back(e.expr);
    CliRun r = talvechk(args);
    if (e.outcome == "passes") {
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.err, "");
    } else if (e.outcome == "fails") {
        EXPECT_EQ(r.status, 1) << r.out << r.err;
    } else if (e.outcome == "warns") {
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.err.rfind("talvechk: warning: ", 0), 0u) << r.err;
    } else {
        ASSERT_EQ(e.outcome.rfind("error ", 0), 0u) << "unknown outcome " << e.outcome;
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_NE(r.out.find("out-code  " + e.outcome.substr(6) + "\n"), std::string::npos) << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, Cookbook, ::testing::ValuesIn(examples()),
                         [](const ::testing::TestParamInfo<Example> &info) {
                             return "line" + std::to_string(info.param.line);
                         });

// A block the parser above no longer recognises would silently run nothing.
TEST(CookbookDocument, HasTheExamples) { EXPECT_GE(examples().size(), 50u); }

}  // namespace

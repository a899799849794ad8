// What `talvechk check` writes for people and for spreadsheets: counts
// worded in the singular where they are one, long values cut in text only.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_cli.h"

using namespace cli_test;
using nlohmann::json;

namespace {

TEST(CliOutput, SummaryCountsInTheSingularWhenOne) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "@ == 2"}, {"name": "B"}]})");
    struct Case {
        std::string rows, summary;
    };
    const std::vector<Case> cases = {
        {"1,x\n", "Summary: 1 form, 1 check: 0 passed, 1 failed, 0 errors; 1 form flagged\n"
                  "  Checks that did not pass, by field:\n"
                  "    A          1 failed      0 errors\n"},
        {"2 2,x\n2,x\n", "Summary: 2 forms, 2 checks: 1 passed, 0 failed, 1 error; 1 form flagged\n"
                         "  Checks that did not pass, by field:\n"
                         "    A          0 failed      1 error\n"},
    };
    for (const Case &c : cases) {
        std::string results = dir.write("r.csv", "A,B\n" + c.rows);
        CliRun r = talvechk({"check", form, results, "--no-timing", "-n", "0"});
        EXPECT_EQ(r.out, c.summary + "  (the 1 check that did not pass is not listed: --limit 0)\n") << c.rows;
    }
}

TEST(CliOutput, LongValuesAreCutInTextOnly) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "length([M]) == 1"}, {"name": "M"}]})");
    std::string forty(40, 'x'), long_text;
    for (int i = 0; i < 41; ++i) long_text += "あ";  // 41 characters, 123 bytes
    std::string results = dir.write("r.csv", "A,M\n1," + forty + "\n1," + long_text + "\n");
    CliRun text = talvechk({"check", form, results, "--no-timing"});
    EXPECT_NE(text.out.find("M=\"" + forty + "\"\n"), std::string::npos) << text.out;
    std::string head;
    for (int i = 0; i < 32; ++i) head += "あ";
    EXPECT_NE(text.out.find("M=\"" + head + "…\" (41 characters)\n"), std::string::npos) << text.out;
    for (const char *format : {"json", "csv"}) {
        CliRun full = talvechk({"check", form, results, "--format", format, "--no-timing"});
        EXPECT_NE(full.out.find(long_text), std::string::npos) << format;
        EXPECT_EQ(full.out.find("characters)"), std::string::npos) << format;
    }
}

TEST(CliOutput, CertifyCountsInTheSingular) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "@ == 2"}]})");
    CliRun r = talvechk({"certify", form});
    EXPECT_NE(r.out.find("Certified 1 check of "), std::string::npos) << r.out;
}

}  // namespace

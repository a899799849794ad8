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

// One form, one failed check reading A and B, one other field C; the
// message of a false check is the same in every case.
TEST(CliOutput, CsvForSpreadsheets) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "@ == [B]"}, {"name": "B"},
                                                          {"name": "C", "check": "@ == 1"}]})");
    std::string results = dir.write("r.csv", "A,B,C\n1,２,1\n");
    const std::string message = "認識結果に誤りがあります。";
    struct Case {
        std::vector<std::string> args;
        std::string out;  // UTF-8 unless cp932
        bool cp932;
    };
    const std::vector<Case> cases = {
        {{}, "form,line,field,outcome,code,return,message,values\n"
             "1,2,A,failed,80000000,00000000," + message + ",\"A=\"\"1\"\" B=\"\"２\"\"\"\n", false},
        {{"--bom"}, "\xEF\xBB\xBF" "form,line,field,outcome,code,return,message,values\n"
                    "1,2,A,failed,80000000,00000000," + message + ",\"A=\"\"1\"\" B=\"\"２\"\"\"\n", false},
        {{"--csv-values", "columns"}, "form,line,field,outcome,code,return,message,A,B,C\n"
                                      "1,2,A,failed,80000000,00000000," + message + ",1,２,\n", false},
        {{"--output-encoding", "cp932", "--csv-values", "columns"},
         "form,line,field,outcome,code,return,message,A,B\n"
         "1,2,A,failed,80000000,00000000," + message + ",1,２\n", true},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = {"check", form, results, "--format", "csv", "--no-timing"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliRun r = talvechk(args);
        EXPECT_EQ(r.status, 1) << r.err;
        std::string got = r.out;
        if (c.cp932) {
            // CP932 bytes: ２ is 82 51; the message's first kanji 認 is 94 46.
            EXPECT_NE(got.find("\x82\x51"), std::string::npos);
            EXPECT_NE(got.find("\x94\x46"), std::string::npos);
            EXPECT_EQ(got.find("\xEF\xBC"), std::string::npos) << "still UTF-8";
            continue;
        }
        EXPECT_EQ(got, c.out) << c.args.size();
    }
}

TEST(CliOutput, Cp932ReportMarksWhatCp932Lacks) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "length(@) == 9"}]})");
    // An identifier is no field: it may hold what CP932 cannot (U+1F600).
    std::string results = dir.write("r.csv", "ID,A\nx😀y,1\n");
    CliRun r = talvechk({"check", form, results, "--id", "ID", "--format", "csv", "--output-encoding", "cp932",
                         "--no-timing"});
    EXPECT_NE(r.out.find("\n1,2,x?y,A,failed,"), std::string::npos) << r.out;
}

TEST(CliOutput, CsvOptionsNeedTheCsvFormat) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "@ == 1"}]})");
    std::string results = dir.write("r.csv", "A\n1\n");
    const std::vector<std::vector<std::string>> refused = {
        {"--bom"}, {"--output-encoding", "cp932"}, {"--csv-values", "columns"},
        {"--format", "csv", "--bom", "--output-encoding", "cp932"}};
    for (const auto &extra : refused) {
        std::vector<std::string> args = {"check", form, results};
        args.insert(args.end(), extra.begin(), extra.end());
        CliRun r = talvechk(args);
        EXPECT_EQ(r.status, 2) << extra[0];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("talvechk: error: --bom"), std::string::npos) << r.err;
    }
}

}  // namespace

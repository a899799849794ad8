// talvechk check end to end: the bundled example against the faults its
// generator put in, the same report whatever the number of workers and the
// input's format or encoding, exit statuses, and the names in messages.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <sstream>

#include "run_cli.h"

using namespace cli_test;
using nlohmann::json;

namespace {

const std::string kForm = std::string(TALV_EXAMPLES_DIR) + "/invoice.json";
const std::string kResults = std::string(TALV_BUILD_EXAMPLES_DIR) + "/invoices.csv";
const std::string kFaults = std::string(TALV_BUILD_EXAMPLES_DIR) + "/invoices.faults.csv";

// Results made by the example's generator in another format or encoding.
std::string make_results(const TempDir &dir, const std::string &name, const std::vector<std::string> &args) {
    std::vector<std::string> all = {"--forms", "3000", "--seed", "20240601", "--fault-share", "0.08", "--out",
                                    dir.path(name)};
    all.insert(all.end(), args.begin(), args.end());
    CliRun r = run_program(MAKE_INVOICES_BIN, all);
    EXPECT_EQ(r.status, 0) << r.err;
    return dir.path(name);
}

// form number -> fields whose checks did not pass, and their outcomes
struct Report {
    std::map<long, std::set<std::string>> fields;
    std::multiset<std::string> outcomes;
    json summary;
};

Report parse_report(const std::string &out) {
    Report report;
    for (const std::string &line : lines_of(out)) {
        json j = json::parse(line);
        if (j.contains("summary")) {
            report.summary = j["summary"];
            continue;
        }
        report.fields[j["form"].get<long>()].insert(j["field"].get<std::string>());
        report.outcomes.insert(j["outcome"].get<std::string>());
    }
    return report;
}

// The check that reads the damaged field.
std::string checking_field(const std::string &damaged) {
    static const std::map<std::string, std::string> reader = {
        {"ISSUE_M", "ISSUE_D"}, {"DUE_ERA", "DUE_D"},    {"DUE_EY", "DUE_D"},
        {"DUE_M", "DUE_D"},     {"DELIV_H", "DELIV_MIN"}, {"PAY_BANK", "PAY_CASH"}};
    if (auto it = reader.find(damaged); it != reader.end()) return it->second;
    for (const char *prefix : {"QTY", "PRICE"})
        if (damaged.rfind(prefix, 0) == 0) return "AMOUNT" + damaged.substr(std::string(prefix).size());
    return damaged;
}

TEST(CliCheck, ExampleFindsExactlyTheFormsWithFaults) {
    CliRun r = talvechk({"check", kForm, kResults, "--format", "json", "--no-timing", "--id", "FORM_ID"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "");
    Report report = parse_report(r.out);

    std::map<long, std::string> faults;  // form -> damaged field
    auto fault_lines = lines_of(read_text(kFaults));
    ASSERT_GT(fault_lines.size(), 1u);
    for (std::size_t i = 1; i < fault_lines.size(); ++i) {
        std::istringstream row(fault_lines[i]);
        std::string form, id, field;
        std::getline(row, form, ',');
        std::getline(row, id, ',');
        std::getline(row, field, ',');
        faults[std::stol(form)] = field;
    }
    EXPECT_EQ(faults.size(), 240u) << "8% of 3000 forms";
    std::set<std::string> damaged_fields;
    for (auto &[form, field] : faults) damaged_fields.insert(field);
    for (const char *field : {"CUSTNO", "CORPNO"})
        EXPECT_TRUE(damaged_fields.count(field)) << "no fault exercises the check-digit function of " << field;

    std::set<long> flagged, damaged;
    for (auto &[form, fields] : report.fields) flagged.insert(form);
    for (auto &[form, field] : faults) damaged.insert(form);
    EXPECT_EQ(flagged, damaged) << "every damaged form and no other fails";
    for (auto &[form, field] : faults)
        EXPECT_TRUE(report.fields[form].count(checking_field(field)))
            << "form " << form << ": the damage to " << field << " is not reported by " << checking_field(field);
    EXPECT_EQ(report.outcomes.count("error"), 0u) << "OCR faults make checks false, not erroneous";
    EXPECT_EQ(report.summary["forms"], 3000);
    EXPECT_EQ(report.summary["checks"], 3000 * 16);
    EXPECT_EQ(report.summary["errors"], 0);
    EXPECT_EQ(report.summary["flagged"], 240);
    EXPECT_EQ(report.summary["failed"].get<long>(), static_cast<long>(report.outcomes.size()));
    EXPECT_EQ(report.summary["passed"].get<long>() + report.summary["failed"].get<long>(), 3000 * 16);
}

class CliJobs : public ::testing::TestWithParam<const char *> {};

TEST_P(CliJobs, SameOutputWhateverTheWorkers) {
    std::vector<std::string> base = {"check", kForm, kResults, "--no-timing", "--id", "FORM_ID", "--format", GetParam()};
    CliRun one = talvechk(base);
    for (const char *jobs : {"2", "3"}) {
        std::vector<std::string> args = base;
        args.insert(args.end(), {"--jobs", jobs});
        CliRun many = talvechk(args);
        EXPECT_EQ(many.status, one.status);
        EXPECT_TRUE(many.out == one.out) << "--jobs " << jobs << " differs from --jobs 1";
        EXPECT_EQ(many.err, one.err);
    }
    EXPECT_GT(one.out.size(), 10000u);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliJobs, ::testing::Values("text", "json", "csv"));

// The findings (not the values shown, which keep the file's own characters)
// must not depend on how the results were written.
TEST(CliCheck, SameFindingsFromCp932AndJsonLines) {
    TempDir dir;
    std::vector<std::string> common = {"--format", "json", "--no-timing", "--id", "FORM_ID"};
    auto findings = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "check");
        args.insert(args.end(), common.begin(), common.end());
        CliRun r = talvechk(args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err, "");
        std::vector<std::string> rows;
        for (const std::string &line : lines_of(r.out)) {
            json j = json::parse(line);
            j.erase("values");
            j.erase("line");  // JSON Lines have no header line
            if (j.contains("summary")) j["summary"].erase("by_field");
            rows.push_back(j.dump());
        }
        return rows;
    };
    auto reference = findings({kForm, kResults});
    EXPECT_EQ(findings({kForm, make_results(dir, "sjis.csv", {"--encoding", "cp932"}), "--encoding", "cp932"}),
              reference);
    EXPECT_EQ(findings({kForm, make_results(dir, "r.jsonl", {"--format", "jsonl"})}), reference);
    EXPECT_EQ(findings({kForm, make_results(dir, "sjis.jsonl", {"--format", "jsonl", "--encoding", "cp932"}),
                        "--encoding", "cp932"}),
              reference);
}

TEST(CliCheck, ExitStatusTellsPassFalseAndError) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [
      {"name": "A"}, {"name": "B"},
      {"name": "T", "check": "@ == [A] + [B]"}]})");
    struct Case {
        const char *rows;
        int status;
    } cases[] = {
        {"1,2,3\n10,20,30\n", 0},
        {"1,2,3\n10,20,31\n", 1},
        {"1,2,3\n10,2 0,30\n", 2},        // a blank inside a number: an error, not a false check
        {"1,2,3\n10,x,31\n1,2,4\n", 2},  // an error outweighs a false check
    };
    for (const Case &c : cases) {
        std::string results = dir.write("r.csv", std::string("A,B,T\n") + c.rows);
        CliRun r = talvechk({"check", form, results});
        EXPECT_EQ(r.status, c.status) << c.rows << r.out;
    }
}

TEST(CliCheck, MessagesNameTheCulprit) {
    TempDir dir;
    std::string form = dir.write("f.json", R"J({"fields": [
      {"name": "A", "check": "[NOPE] == 1"},
      {"name": "B", "check": "nosuch(@)"},
      {"name": "C", "check": "ydate([A], 2)"},
      {"name": "D", "check": "v + 1 == 2"},
      {"name": "E", "check": "@ / 0 == 1"}]})J");
    std::string results = dir.write("r.csv", "A,B,C,D,E\n1,2,3,4,5\n");
    CliRun r = talvechk({"check", form, results, "--format", "json", "--no-timing"});
    EXPECT_EQ(r.status, 2);
    std::map<std::string, std::pair<std::string, std::string>> got;  // field -> code, message
    for (const std::string &line : lines_of(r.out)) {
        json j = json::parse(line);
        if (!j.contains("summary")) got[j["field"]] = {j["code"], j["message"]};
    }
    // A and B fail alike on every form: told once, before the batch, and skipped.
    EXPECT_EQ(got.count("A") + got.count("B"), 0u) << r.out;
    EXPECT_NE(r.err.find("field A: the check does not certify [90000002]: ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ NOPE は存在しません。"),
              std::string::npos) << r.err;
    EXPECT_NE(r.err.find("field B: the check does not certify [90000004]: ﾁｪｯｸ式ｴﾗｰ： 関数 nosuch は未定義です。"),
              std::string::npos) << r.err;
    EXPECT_EQ(got["C"], std::make_pair(std::string("A00A000A"), std::string("ﾁｪｯｸ式ｴﾗｰ： 関数 ydate の引数が誤っています。")));
    EXPECT_EQ(got["D"], std::make_pair(std::string("90000003"), std::string("ﾁｪｯｸ式ｴﾗｰ： 変数 v は値が設定されていません。")));
    EXPECT_EQ(got["E"], std::make_pair(std::string("90000008"), std::string("ﾁｪｯｸ式ｴﾗｰ： ｾﾞﾛで割り算しようとしています。")));
}

TEST(CliCheck, LimitKeepsTheCountsAndListsTheFirst) {
    CliRun all = talvechk({"check", kForm, kResults, "--no-timing"});
    CliRun few = talvechk({"check", kForm, kResults, "--no-timing", "--limit", "3"});
    EXPECT_EQ(few.status, all.status);
    auto all_lines = lines_of(all.out), few_lines = lines_of(few.out);
    // Each finding is two lines: the check and the values it read.
    ASSERT_GT(few_lines.size(), 7u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(few_lines[i], all_lines[i]);
    EXPECT_TRUE(few_lines[6].empty());
    auto summary = [](const std::vector<std::string> &lines) {
        for (const std::string &line : lines)
            if (line.rfind("Summary:", 0) == 0) return line;
        return std::string();
    };
    EXPECT_EQ(few_lines[7], summary(all_lines));
    EXPECT_NE(few.out.find("listed above: the first 3 of"), std::string::npos) << few.out;
    CliRun none = talvechk({"check", kForm, kResults, "--no-timing", "--limit", "0"});
    EXPECT_EQ(none.out.rfind("Summary: 3000 forms", 0), 0u) << none.out;
}

TEST(CliCheck, ReadsStandardInputAndDrawsNoBarIntoAPipe) {
    CliRun file = talvechk({"check", kForm, kResults, "--no-timing", "-n", "5"});
    CliRun piped = talvechk({"check", kForm, "-", "--no-timing", "-n", "5"}, read_text(kResults));
    EXPECT_EQ(piped.status, file.status);
    EXPECT_EQ(piped.out, file.out);
    EXPECT_EQ(piped.err.find('\r'), std::string::npos) << "no progress bar when standard error is no terminal";
}

TEST(CliCheck, TimingIsReportedUnlessAskedNotTo) {
    CliRun r = talvechk({"check", kForm, kResults, "-n", "0", "--jobs", "2"});
    EXPECT_NE(r.out.find(" forms/s, 2 jobs)"), std::string::npos) << r.out;
    CliRun j = talvechk({"check", kForm, kResults, "-n", "0", "--format", "json"});
    json summary = json::parse(summary_line(j.out))["summary"];
    EXPECT_GT(summary["forms_per_second"].get<double>(), 0);
    EXPECT_EQ(summary["jobs"], 1);
}

}  // namespace

namespace {

// A worker that dies (here: killed by a preloaded stand-in for a crashing
// library) hands its forms to a fresh worker: every form is still checked
// and reported as with one job, and the run ends with status 2 and the place.
TEST(CliCheck, DeadWorkerIsReplaced) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [
      {"name": "A", "check": "@ == 1"}, {"name": "boom", "check": "[boom] == 1"}]})");
    std::string rows = "A,boom\n";
    for (int i = 1; i <= 64; ++i) rows += i == 5 ? "2,1\n" : "1,1\n";
    std::string results = dir.write("r.csv", rows);
    // Blocks of 16 forms (64 bytes).  Each process is killed at its 20th
    // form: worker 1 (blocks of forms 1-16, 33-48) at form 36, worker 2
    // (17-32, 49-64) at form 52; the fresh ones have 16 forms each to check.
    const std::vector<std::string> shim = {"LD_PRELOAD=" CRASH_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0",
                                           "TALVECHK_BLOCK_BYTES=64"};
    CliRun r = talvechk({"check", form, results, "--jobs", "2", "--no-timing"}, "", shim);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "talvechk: error: worker 1 was killed by signal 9 (Killed) while checking form 33 (line 34) or a later "
              "one; its 16 forms from there on are checked again in a fresh worker\n"
              "talvechk: error: worker 2 was killed by signal 9 (Killed) while checking form 49 (line 50) or a later "
              "one; its 16 forms from there on are checked again in a fresh worker\n");
    CliRun one = talvechk({"check", form, results, "--no-timing"});
    EXPECT_EQ(r.out, one.out);
    EXPECT_NE(r.out.find("Summary: 64 forms, 128 checks: 127 passed, 1 failed"), std::string::npos) << r.out;
}

// A library that dies on every form: each fresh worker loses the form it
// died on, at most 16 are started, and every form is counted as not checked.
TEST(CliCheck, FormsOfDeadWorkersAreCounted) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [
      {"name": "A", "check": "@ == 1"}, {"name": "doom", "check": "[doom] == 1"}]})");
    std::string rows = "A,doom\n";
    for (int i = 1; i <= 64; ++i) rows += "1,1\n";
    std::string results = dir.write("r.csv", rows);
    const std::vector<std::string> shim = {"LD_PRELOAD=" CRASH_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0",
                                           "TALVECHK_BLOCK_BYTES=64"};
    CliRun j = talvechk({"check", form, results, "--jobs", "2", "--no-timing", "--format", "json"}, "", shim);
    EXPECT_EQ(j.status, 2);
    EXPECT_EQ(json::parse(summary_line(j.out))["summary"],
              json::parse(R"({"forms":64,"not_checked":64,"crashed":64,"checks":0,"passed":0,"failed":0,"errors":0,
                              "flagged":0,"by_field":{},"findings":0,"shown":0})"));
    auto err = lines_of(j.err);
    ASSERT_EQ(err.size(), 18u) << j.err;
    EXPECT_EQ(err[1], "talvechk: error: worker 3 (a fresh one) was killed by signal 9 (Killed) while checking form "
                      "1 (line 2); that form is not checked; the 31 forms after it go to another fresh worker");
    EXPECT_EQ(err[17], "talvechk: error: worker 2 was killed by signal 9 (Killed) while checking form 17 (line 18) "
                       "or a later one; its 32 forms from there on are not checked (16 fresh workers were started "
                       "already)");
    CliRun text = talvechk({"check", form, results, "--jobs", "2", "--no-timing"}, "", shim);
    EXPECT_NE(text.out.find("Summary: 64 forms, 0 checks: 0 passed, 0 failed, 0 errors; 0 forms flagged\n"
                            "  64 forms not checked: the worker checking them died (see the messages on standard "
                            "error)\n"),
              std::string::npos)
        << text.out;
}

}  // namespace

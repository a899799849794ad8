// Control characters and bytes that are no UTF-8, fed in everywhere the
// command takes text (values, the id column, field names, check
// expressions, --set, --name, expressions on the command line), must come
// out escaped from every subcommand in every format, on standard output and
// standard error alike; and a CSV report for a spreadsheet holds no cell it
// would take for a formula.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_cli.h"

using namespace cli_test;

namespace {

const std::string kEsc = "\x1B[31m", kBel = "\x07", kCsi = "\xC2\x9B" "2J", kBad = "\xFF\xFE";

// A raw control (C0 other than the line feed, DEL, C1), or a byte that is no
// UTF-8 (when the output is meant to be UTF-8): where it stands, or npos.
std::size_t first_raw(const std::string &out, bool utf8) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) return i;
        if (!utf8 || c < 0x80) continue;
        std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (n == 0 || i + n > out.size()) return i;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(out[i + k]) & 0xC0) != 0x80) return i;
        if (c == 0xC2 && static_cast<unsigned char>(out[i + 1]) < 0xA0) return i;  // C1
        i += n - 1;
    }
    return std::string::npos;
}

TEST(CliEscaping, NoControlByteComesOutRaw) {
    TempDir dir;
    // The check of A compares with a text holding ESC and BEL, so that
    // certify, eval and the explanations all show them.
    std::string form = dir.write("form.json", "{\"fields\": [{\"name\": \"A\", \"check\": \"@ == '" + std::string("\\u001b") +
                                                  "x\\u0007'\"}, {\"name\": \"B\"}, {\"name\": \"T\", \"check\": "
                                                  "\"@ == [A] + [B]\"}]}");
    std::string csv = dir.write("r.csv", "ID,A,B,T\n"
                                         "f" + kEsc + kBel + kCsi + "," + "1" + kEsc + ",2" + kBel + ",3\n"
                                         "g" + kBad + ",1,2" + kBad + ",3\n"
                                         "h,1," + std::string("2\0" "7", 3) + ",3\n"
                                         "i,1" + kCsi + ",\"2\r\n" + kEsc + "\",9\n");
    std::string jsonl = dir.write("r.jsonl", "{\"ID\": \"f\\u001b\\u009b\", \"A\": \"1\\u0007\", \"B\": \"\\u0000\", "
                                             "\"T\": \"3\\u007f\"}\n{\"ID\": \"j\", \"A\": \"1\", \"B\": \"2\", \"T\": "
                                             "\"4\\u001b\"}\n");
    const std::string odd_name = "A" + kEsc + kCsi;
    struct Run {
        std::vector<std::string> args;
        bool utf8 = true;
    };
    std::vector<Run> runs;
    for (const std::string &results : {csv, jsonl})
        for (const char *format : {"text", "json", "csv"})
            for (const char *detail : {"--explain", "--suggest"})
                runs.push_back({{"check", form, results, "--id", "ID", "--format", format, detail, "--no-timing"}});
    runs.push_back({{"check", form, csv, "--id", "ID", "--format", "csv", "--suggest", "--bom", "--csv-values",
                     "columns"}});
    runs.push_back({{"check", form, csv, "--id", "ID", "--format", "csv", "--explain", "--output-encoding", "cp932"},
                    false});
    for (const char *format : {"text", "json"}) {
        runs.push_back({{"certify", form, "--format", format}});
        runs.push_back({{"eval", "--form", form, "--set", "A=1" + kEsc + kCsi, "--field", "A", "--explain", "--format",
                         format}});
        runs.push_back({{"eval", "--set", odd_name + "=1", "--field", "T", "[A" + kEsc + "] == '" + kBel + "'",
                         "--format", format}});
    }
    runs.push_back({{"eval", "--field", "T", "1 == '" + kBad + "'"}});
    runs.push_back({{"fields", "[A" + kEsc + "] == [B" + kCsi + "] + sum([C" + kBel + "1..2])", "A" + kEsc, "B" + kCsi}});
    runs.push_back({{"message", "90000002", "--name", odd_name + kBel}});
    runs.push_back({{"message", "90000002", "--name", odd_name + kBad}});
    runs.push_back({{"check", form, dir.path("absent" + kEsc + ".csv")}});
    runs.push_back({{"frobnicate" + kEsc + kCsi}});
    for (const Run &run : runs) {
        CliRun r = talvechk(run.args);
        std::string label;
        for (const std::string &a : run.args) label += " " + a;
        std::size_t out = first_raw(r.out, run.utf8), err = first_raw(r.err, true);
        EXPECT_EQ(out, std::string::npos) << label << "\nstandard output from the raw byte: " << r.out.substr(out, 40);
        EXPECT_EQ(err, std::string::npos) << label << "\nstandard error from the raw byte: " << r.err.substr(err, 40);
        EXPECT_NE(r.out + r.err, "") << label;
    }
}

// Under the spreadsheet options no cell begins with what a spreadsheet runs
// as a formula; plain signed numbers stay numbers; the default output is as
// it was.
TEST(CliEscaping, CsvForASpreadsheetHoldsNoFormula) {
    TempDir dir;
    std::string form = dir.write("form.json", R"({"fields": [{"name": "A"}, {"name": "B"},
        {"name": "T", "check": "@ == [A] + [B]"}]})");
    std::string results = dir.write("r.csv", "ID,A,B,T\n=HYPERLINK(1),-100,+5,@SUM(1)\n-x,1,2,-1.5\n");
    auto cells_of = [](const std::string &line) {
        std::vector<std::string> cells;
        std::string cell;
        bool quoted = false;
        for (char c : line) {
            if (c == '"') quoted = !quoted;
            else if (c == ',' && !quoted) cells.push_back(cell), cell.clear();
            else cell += c;
        }
        cells.push_back(cell);
        return cells;
    };
    for (const std::vector<std::string> &extra : {std::vector<std::string>{"--csv-safe"}, {"--bom"},
                                                  {"--output-encoding", "cp932"}}) {
        std::vector<std::string> args = {"check", form, results, "--id", "ID", "--format", "csv", "--explain",
                                         "--csv-values", "columns"};
        args.insert(args.end(), extra.begin(), extra.end());
        CliRun r = talvechk(args);
        auto rows = lines_of(r.out);
        ASSERT_EQ(rows.size(), 3u) << r.out << r.err;
        for (std::size_t i = 1; i < rows.size(); ++i)
            for (const std::string &cell : cells_of(rows[i])) {
                if (!cell.empty() && std::string("=+-@").find(cell[0]) != std::string::npos) {
                    EXPECT_TRUE(cell == "-100" || cell == "+5" || cell == "-1.5") << extra[0] << ": " << cell;
                }
            }
        EXPECT_NE(rows[1].find(",'=HYPERLINK(1),"), std::string::npos) << rows[1];
        EXPECT_NE(rows[1].find(",-100,+5,'@SUM(1),"), std::string::npos) << rows[1];
        EXPECT_NE(rows[1].find(",'@ == [A] + [B],"), std::string::npos) << rows[1];
        EXPECT_NE(rows[2].find("'-x,"), std::string::npos) << rows[2];
    }
    CliRun plain = talvechk({"check", form, results, "--id", "ID", "--format", "csv", "--explain"});
    EXPECT_NE(plain.out.find(",=HYPERLINK(1),"), std::string::npos) << plain.out;
}

}  // namespace

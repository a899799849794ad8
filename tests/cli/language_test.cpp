// --lang en: the English table beside the catalogue, complete and faithful,
// and the Japanese text left the default.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "run_cli.h"
#include "check/translation.h"

using namespace cli_test;

namespace {

std::map<std::string, std::string> catalogue(const char *name) {
    return talvhost::parse_catalogue(read_text(std::string(TALV_RESOURCES_DIR) + "/" + name));
}

long occurrences(const std::string &text, const std::string &what) {
    long n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(CliLanguage, EnglishTableHasEveryKeyWithTheSameConversions) {
    const auto ja = catalogue("messages.txt"), en = catalogue("messages.en.txt");
    ASSERT_FALSE(ja.empty());
    for (const auto &[key, text] : ja) {
        auto it = en.find(key);
        ASSERT_NE(it, en.end()) << "no English text for " << key;
        for (const char *conversion : {"%s", "%08X", "\n"})
            EXPECT_EQ(occurrences(it->second, conversion), occurrences(text, conversion)) << key << " " << conversion;
        for (char c : it->second) EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << key;
    }
    for (const auto &entry : en) EXPECT_TRUE(ja.count(entry.first)) << "English only: " << entry.first;
}

TEST(CliLanguage, CatalogueParserRejectsMalformedLines) {
    EXPECT_EQ(talvhost::parse_catalogue("# c\n\n7  a\\nb\\\\c\r\n").at("7"), "a\nb\\c");
    for (const char *bad : {"7\n", "7   \n", "  7 x\n", "7 a\n7 b\n"})
        EXPECT_THROW(talvhost::parse_catalogue(bad), std::invalid_argument) << bad;
}

struct MessageCase {
    std::vector<std::string> args;
    std::string out;
    int status;
};

const MessageCase kEnglish[] = {
    {{"--lang", "en", "message", "90000002", "--name", "TOTAL"}, "Check expression error: field TOTAL does not exist.\n", 0},
    {{"message", "--lang", "en", "0"}, "Ended normally.\n", 0},
    {{"message", "a00a000a", "--name", "ydate", "--lang", "en"},
     "Check expression error: the arguments of function ydate are wrong.\n", 0},
    {{"--lang", "en", "message", "E5442E03"},
     "Internal error: an error occurred in an interface function.\nDetail code: E5442E03\n", 0},
    // A record's text is copied as loaded where no name goes in.
    {{"--lang", "en", "message", "E5442E03", "--name", "X"},
     "Internal error: an error occurred in an interface function.\nDetail code: %08X\n", 0},
    {{"--lang", "en", "message", "12340014"}, "Unexpected error\n", 2},
    {{"--lang", "ja", "message", "80000000"}, "認識結果に誤りがあります。\n", 0},
};

TEST(CliLanguage, MessagesInEnglish) {
    for (const MessageCase &c : kEnglish) {
        CliRun r = talvechk(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[2] << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[2];
    }
    EXPECT_EQ(talvechk({"--lang", "fr", "message", "0"}).status, 2);
}

TEST(CliLanguage, EveryCatalogueIdRendersInEnglish) {
    for (const auto &[key, text] : catalogue("messages.txt")) {
        if (key.find_first_not_of("0123456789") != std::string::npos) continue;
        CliRun r = talvechk({"--lang", "en", "message", fmt::format("{:X}", std::stoul(key))});
        EXPECT_EQ(r.status, 0) << key;
        EXPECT_EQ(r.out.find("Unexpected error"), std::string::npos) << key;
    }
}

TEST(CliLanguage, CheckFindingsInEnglishOnlyWhenAsked) {
    TempDir dir;
    std::string form = dir.write("f.json", R"({"fields": [{"name": "A", "check": "@ == 2"},
                                                          {"name": "B", "check": "[C] == 1"}]})");
    std::string results = dir.write("r.csv", "A,B\n1,1\n");
    CliRun en = talvechk({"check", form, results, "--lang", "en", "--format", "json", "--no-timing"});
    EXPECT_NE(en.out.find("The recognition result is wrong."), std::string::npos) << en.out;
    EXPECT_NE(en.err.find("field C does not exist"), std::string::npos) << en.err;  // told before the batch
    CliRun ja = talvechk({"check", form, results, "--format", "json", "--no-timing"});
    EXPECT_NE(ja.out.find("認識結果に誤りがあります。"), std::string::npos) << ja.out;
    EXPECT_EQ(en.status, ja.status);
}

TEST(CliFields, SaysWhenARangeIsNotListed) {
    CliRun range = talvechk({"fields", "sum([A1..3]) == [TOTAL]", "A1", "A2", "A3", "TOTAL"});
    EXPECT_EQ(range.out, "TOTAL\n");
    EXPECT_NE(range.err.find("range such as [A1..3] are not listed"), std::string::npos) << range.err;
    CliRun plain = talvechk({"fields", "[A1] == [TOTAL]", "A1", "TOTAL"});
    EXPECT_EQ(plain.out, "A1\nTOTAL\n");
    EXPECT_EQ(plain.err, "");
}

}  // namespace

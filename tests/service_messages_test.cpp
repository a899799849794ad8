#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "service/messages.h"
#include "service/string_table.h"
#include "support/cp932.h"
#include "talvechk.h"
#include "talvechk_messages.h"

namespace {

using talv_test::cp932;

std::string message(uint32_t code, int32_t size = 600) {
    std::string buf(static_cast<std::size_t>(size), '\x7F');
    EXPECT_EQ(Get_PPR_Message(code, buf.data(), size), 1);
    return buf.c_str();
}

std::string record_message(uint32_t code, const std::string &text) {
    PPR_CERTIFY_RESULT record{};
    record.code = code;
    std::memcpy(record.text, text.data(), std::min(text.size(), sizeof record.text));
    char buf[1100];
    EXPECT_EQ(Get_PPRPT_Message(&record, buf, sizeof buf), 1);
    return buf;
}

const char kDetail[] = "\n詳細ｺｰﾄﾞ：";

// The catalogue's source, read as the build reads it: a key and blanks
// before each text, "\n" a line feed and "\\" a backslash.
std::map<std::string, std::string> catalogue_source() {
    std::ifstream in(TALV_MESSAGES_SOURCE);
    EXPECT_TRUE(in.is_open()) << TALV_MESSAGES_SOURCE;
    std::map<std::string, std::string> entries;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t blank = line.find_first_of(" \t"), start = line.find_first_not_of(" \t", blank);
        EXPECT_NE(start, std::string::npos) << line;
        std::string text;
        for (std::size_t i = start; i < line.size(); ++i) {
            const bool escape = line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == '\\');
            text += escape ? (line[++i] == 'n' ? '\n' : '\\') : line[i];
        }
        EXPECT_TRUE(entries.emplace(line.substr(0, blank), text).second) << "key given twice: " << line;
    }
    return entries;
}

// Get_PPR_Message of every id in the source, whatever the code's upper half:
// "%s" left empty, "%08X" the whole code, and that only in the detail line
// that ends a text.  Ids not listed are the unexpected error.
TEST(ServiceMessages, EveryCatalogueTextByteExact) {
    std::map<std::string, std::string> fixed;
    std::set<uint32_t> listed;
    for (const auto &[key, text] : catalogue_source()) {
        if (!std::isdigit(static_cast<unsigned char>(key[0]))) {
            fixed[key] = cp932(text);
            continue;
        }
        const uint32_t id = static_cast<uint32_t>(std::stoul(key));
        listed.insert(id);
        for (uint32_t high : {0x90000000u, 0xABCD0000u, 0xE5440000u}) {
            char code_hex[9];
            std::snprintf(code_hex, sizeof code_hex, "%08X", high | id);
            std::string want = text;
            if (const auto at = want.find("%s"); at != std::string::npos) want.erase(at, 2);
            if (const auto at = want.find("%08X"); at != std::string::npos) {
                EXPECT_TRUE(want.ends_with(std::string(kDetail) + "%08X")) << key;
                want.replace(at, 4, code_hex);
            }
            EXPECT_EQ(message(high | id), cp932(want)) << code_hex;
        }
    }
    EXPECT_GE(listed.size(), 20u);
    long absent = 0, wrong = 0;
    for (uint32_t id = 0; id <= 0xFFFF; ++id)
        if (!listed.count(id)) ++absent, wrong += message(0x90000000u | id) != fixed["unexpected_error"];
    EXPECT_EQ(wrong, 0) << "of " << absent << " absent ids";
    EXPECT_EQ(message(0u), fixed["normal_end"]);
    EXPECT_EQ(message(8u), fixed["memory_shortage"]);
    EXPECT_EQ(talv::lookup_failure_text(talv::kLookupInvalidParameter), fixed["no_memory_for_message"]);
    EXPECT_EQ(fixed.size(), 4u);
}

// Texts hosts compare against, pinned here so that an edit of the source
// cannot pass unnoticed.
TEST(ServiceMessages, TextsHostsRelyOn) {
    EXPECT_EQ(message(0x80000000u), cp932("認識結果に誤りがあります。"));
    EXPECT_EQ(message(0xF00000FFu), cp932("内部異常が発生しました。"));
    EXPECT_EQ(message(0xABCD2E08u), cp932("ﾒﾓﾘが不足しているために処理を続行できません。\n詳細ｺｰﾄﾞ：ABCD2E08"));
    EXPECT_EQ(message(0x0000FFFFu), cp932("正常終了しました。"));
}

TEST(ServiceMessages, BytesOfTheCommonestTexts) {
    // Written out by hand, so a wrong converter cannot agree with itself.
    EXPECT_EQ(message(0x80000000u),
              "\x94\x46\x8e\xaf\x8c\x8b\x89\xca\x82\xc9\x8c\xeb\x82\xe8\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42");
    EXPECT_EQ(message(0x90000001u), "\xc1\xaa\xaf\xb8\x8e\xae\xb4\xd7\xb0\x81\x46\x20\x8d\x5c\x95\xb6"
                                    "\x82\xc9\x8c\xeb\x82\xe8\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42");
    EXPECT_EQ(message(0x12340014u), "\x97\x5c\x8a\xfa\x82\xb9\x82\xca\xb4\xd7\xb0");
}

TEST(ServiceMessages, RecordTextFillsTheName) {
    EXPECT_EQ(record_message(0x90000002u, "Total"), cp932("ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ Total は存在しません。"));
    EXPECT_EQ(record_message(0x90000003u, "x"), cp932("ﾁｪｯｸ式ｴﾗｰ： 変数 x は値が設定されていません。"));
    EXPECT_EQ(record_message(0x90000004u, "foo"), cp932("ﾁｪｯｸ式ｴﾗｰ： 関数 foo は未定義です。"));
    EXPECT_EQ(record_message(0xA003000Au, "ydate"), cp932("ﾁｪｯｸ式ｴﾗｰ： 関数 ydate の引数が誤っています。"));
    EXPECT_EQ(record_message(0xA0FF000Au, "f"), cp932("ﾁｪｯｸ式ｴﾗｰ： 関数 f の引数が誤っています。"));
    EXPECT_EQ(record_message(0x9000000Fu, "A1"),
              cp932("ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ  A1 はﾁｪｯｸ式から参照できないﾌｨｰﾙﾄﾞです。"));
    EXPECT_EQ(record_message(0x90000010u, "B"), cp932("ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ B は数値を含まないので計算できません。"));
}

// The public answer to whether a message names something is the one the
// record's message follows, for hosts that word codes themselves.
TEST(ServiceMessages, TakesNameAgreesWithTheRecordMessage) {
    for (uint32_t code : {0x90000002u, 0x90000003u, 0x90000004u, 0x9000000Fu, 0x90000010u, 0xA003000Au, 0xA0FF000Au,
                          0x80000000u, 0x90000001u, 0x90000007u, 0xA100000Au, 0x00000002u, 0xE5442E03u, 8u, 0u})
        EXPECT_EQ(talv_message_takes_name(code) != 0, record_message(code, "NAME").find("NAME") != std::string::npos)
            << std::hex << code;
}

TEST(ServiceMessages, RecordOfOtherCodesCopiesTheTextUnformatted) {
    EXPECT_EQ(record_message(0x80000000u, "Total"), cp932("認識結果に誤りがあります。"));
    EXPECT_EQ(record_message(0xE5442E03u, "Total"), cp932("内部異常：I/F 関数内でｴﾗｰが発生しました。\n詳細ｺｰﾄﾞ：%08X"));
    // Id 2 reached through a code that does not take a name keeps its "%s".
    EXPECT_EQ(record_message(0x00000002u, "Total"), cp932("ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ %s は存在しません。"));
    // Bits 16..23 of an argument error are the row; others make it another code.
    EXPECT_EQ(record_message(0xA100000Au, "f"), cp932("ﾁｪｯｸ式ｴﾗｰ： 関数 %s の引数が誤っています。"));
    EXPECT_EQ(record_message(8u, "x"), cp932("ﾒﾓﾘが不足しているために処理を続行できません。"));
    EXPECT_EQ(record_message(0u, "x"), cp932("正常終了しました。"));
    EXPECT_EQ(record_message(0x12340014u, "x"), cp932("予期せぬｴﾗｰ"));
}

TEST(ServiceMessages, UnterminatedRecordTextReadsAt512Bytes) {
    PPR_CERTIFY_RESULT record;
    record.code = 0x90000002u;
    std::memset(record.text, 'N', sizeof record.text);
    char buf[1100];
    ASSERT_EQ(Get_PPRPT_Message(&record, buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf),
              cp932("ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ ") + std::string(512, 'N') + cp932(" は存在しません。"));
}

TEST(ServiceMessages, BufferMayBeTheRecordsOwnText) {
    PPR_CERTIFY_RESULT record{};
    record.code = TALV_E_TOO_LONG;
    ASSERT_EQ(Get_PPRPT_Message(&record, record.text, sizeof record.text), 1);
    EXPECT_EQ(std::string(record.text), cp932("ﾁｪｯｸ式ｴﾗｰ： 式が長すぎます。"));
    record.code = TALV_E_NO_FIELD;
    std::strcpy(record.text, "Total");
    ASSERT_EQ(Get_PPRPT_Message(&record, record.text, sizeof record.text), 1);
    EXPECT_EQ(std::string(record.text), cp932("ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ Total は存在しません。"));
}

TEST(ServiceMessages, CutToSizeAndNeverWrittenPast) {
    const std::string full = cp932("内部異常：I/F 関数内でｴﾗｰが発生しました。\n詳細ｺｰﾄﾞ：E5442E03");
    for (int32_t size : {1, 2, 10, 11, 12, 60, 61, 62, 63, 64, 65, 66, 67, 200}) {
        std::string buf(static_cast<std::size_t>(size) + 8, '\x7F');
        ASSERT_EQ(Get_PPR_Message(0xE5442E03u, buf.data(), size), 1);
        const std::size_t kept = std::min(full.size(), static_cast<std::size_t>(size) - 1);
        EXPECT_EQ(std::string(buf.c_str()), full.substr(0, kept)) << size;
        EXPECT_EQ(buf.substr(static_cast<std::size_t>(size)), std::string(8, '\x7F')) << size;

        PPR_CERTIFY_RESULT record{};
        record.code = 0x90000002u;
        std::strcpy(record.text, "Total");
        std::string rbuf(static_cast<std::size_t>(size) + 8, '\x7F');
        ASSERT_EQ(Get_PPRPT_Message(&record, rbuf.data(), size), 1);
        EXPECT_LE(std::strlen(rbuf.c_str()), static_cast<std::size_t>(size) - 1);
        EXPECT_EQ(rbuf.substr(static_cast<std::size_t>(size)), std::string(8, '\x7F')) << size;
    }
}

TEST(ServiceMessages, RefusedWithoutABuffer) {
    char buf[4] = {'a', 'b', 'c', 'd'};
    PPR_CERTIFY_RESULT record{};
    EXPECT_EQ(Get_PPR_Message(0, buf, 0), 0);
    EXPECT_EQ(Get_PPR_Message(0, buf, -5), 0);
    EXPECT_EQ(Get_PPR_Message(0, nullptr, 100), 0);
    EXPECT_EQ(Get_PPRPT_Message(&record, buf, 0), 0);
    EXPECT_EQ(Get_PPRPT_Message(&record, nullptr, 100), 0);
    EXPECT_EQ(Get_PPRPT_Message(nullptr, buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf, 4), "abcd");
}

TEST(ServiceMessages, FailedLookupTellsAbsentFromOtherCauses) {
    EXPECT_EQ(std::string(talv::lookup_failure_text(talv::kLookupNotFound)), cp932("予期せぬｴﾗｰ"));
    EXPECT_EQ(std::string(talv::lookup_failure_text(talv::kLookupNoError)), cp932("予期せぬｴﾗｰ"));
    EXPECT_EQ(std::string(talv::lookup_failure_text(talv::kLookupInvalidParameter)),
              cp932("ﾒﾓﾘが不足しているためにﾒｯｾｰｼﾞを出力できません。"));
}

TEST(ServiceStringTable, LengthOrZeroWithCause) {
    char buf[64];
    talv::LookupResult r = talv::load_string(9, buf, sizeof buf);
    EXPECT_EQ(r.length, 28);
    EXPECT_EQ(std::string(buf), cp932("ﾁｪｯｸ式ｴﾗｰ： 式が長すぎます。"));
    r = talv::load_string(9, buf, 5);
    EXPECT_EQ(r.length, 4);
    EXPECT_EQ(std::string(buf), cp932("ﾁｪｯｸ"));
    r = talv::load_string(12, buf, sizeof buf);
    EXPECT_EQ(r.length, 0);
    EXPECT_EQ(r.error, talv::kLookupNotFound);
    r = talv::load_string(0x10009, buf, sizeof buf);
    EXPECT_EQ(r.error, talv::kLookupNotFound);
    r = talv::load_string(9, nullptr, 10);
    EXPECT_EQ(r.length, 0);
    EXPECT_EQ(r.error, talv::kLookupInvalidParameter);
    r = talv::load_string(9, buf, 0);
    EXPECT_EQ(r.error, talv::kLookupInvalidParameter);
}

TEST(ServiceMessages, FormatterTakesOnlyItsOwnConversions) {
    char out[64];
    talv::format_message("a%sb%08Xc%%d%de%", out, sizeof out, "NAME", 0x00ab12CDu);
    EXPECT_STREQ(out, "aNAMEb00AB12CDc%d%de%");
    talv::format_message("%08", out, sizeof out, "", 1);
    EXPECT_STREQ(out, "%08");
    talv::format_message("x%08X", out, 4, "", 0x12345678u);
    EXPECT_STREQ(out, "x12");
}

}  // namespace

namespace {

// The buffer sizes docs/api.md promises: every text of every code fits in
// 76 bytes from Get_PPR_Message, and in 570 from Get_PPRPT_Message with a
// name that fills the record's whole 512 bytes.
TEST(ServiceMessages, DocumentedBufferSizesHoldEveryText) {
    std::size_t longest_bare = 0, longest_named = 0;
    char buf[2048];
    PPR_CERTIFY_RESULT record;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        for (uint32_t high : {0x00000000u, 0x90000000u, 0xA0FF0000u, 0xE5440000u}) {
            const uint32_t code = high | id;
            ASSERT_EQ(Get_PPR_Message(code, buf, sizeof buf), 1);
            longest_bare = std::max(longest_bare, std::strlen(buf));
            record.code = code;
            std::memset(record.text, 'N', sizeof record.text);
            ASSERT_EQ(Get_PPRPT_Message(&record, buf, sizeof buf), 1);
            longest_named = std::max(longest_named, std::strlen(buf));
        }
    }
    EXPECT_EQ(longest_bare + 1, 76u);
    EXPECT_EQ(longest_named + 1, 570u);
}

}  // namespace

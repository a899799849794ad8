#include <algorithm>
#include <cstring>
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

struct CatalogueCase {
    uint32_t code;
    const char *utf8;   // as Get_PPR_Message gives it: "%s" empty, "%08X" the code
};

const CatalogueCase kCatalogueCases[] = {
    {0x80000000u, "認識結果に誤りがあります。"},
    {0x90000001u, "ﾁｪｯｸ式ｴﾗｰ： 構文に誤りがあります。"},
    {0x90000002u, "ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ  は存在しません。"},
    {0x90000003u, "ﾁｪｯｸ式ｴﾗｰ： 変数  は値が設定されていません。"},
    {0x90000004u, "ﾁｪｯｸ式ｴﾗｰ： 関数  は未定義です。"},
    {0x90000005u, "ﾁｪｯｸ式ｴﾗｰ： 括弧が多すぎます。（最大６重）"},
    {0x90000006u, "ﾁｪｯｸ式ｴﾗｰ： 数字以外のものを計算しようとしています。"},
    {0x90000007u, "ﾁｪｯｸ式ｴﾗｰ： 数字に空白が含まれています。計算できません。"},
    {0x90000008u, "ﾁｪｯｸ式ｴﾗｰ： ｾﾞﾛで割り算しようとしています。"},
    {0x90000009u, "ﾁｪｯｸ式ｴﾗｰ： 式が長すぎます。"},
    {0xA003000Au, "ﾁｪｯｸ式ｴﾗｰ： 関数  の引数が誤っています。"},
    {0x9000000Bu, "ﾁｪｯｸ式ｴﾗｰ： 数値に変換できません。"},
    {0x9000000Fu, "ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ   はﾁｪｯｸ式から参照できないﾌｨｰﾙﾄﾞです。"},
    {0x90000010u, "ﾁｪｯｸ式ｴﾗｰ： ﾌｨｰﾙﾄﾞ  は数値を含まないので計算できません。"},
    {0xF00000FFu, "内部異常が発生しました。"},
    {0xE5402E01u, "内部異常：異常なﾊﾟﾗﾒｰﾀによる呼び出しが発生しました。\n詳細ｺｰﾄﾞ：E5402E01"},
    {0xE5442E02u, "内部異常：PPR_init 未実行。\n詳細ｺｰﾄﾞ：E5442E02"},
    {0xE5442E03u, "内部異常：I/F 関数内でｴﾗｰが発生しました。\n詳細ｺｰﾄﾞ：E5442E03"},
    {0xE5432E04u, "内部異常：ﾌｨｰﾙﾄﾞの名前、または数が領域を越えました。\n詳細ｺｰﾄﾞ：E5432E04"},
    {0xE5452E05u, "内部異常：ﾁｪｯｸ式に不当な文字ｺｰﾄﾞが混入。\n詳細ｺｰﾄﾞ：E5452E05"},
    {0x00002E06u, "内部異常：内部矛盾を検出しました。処理を続行できません。\n詳細ｺｰﾄﾞ：00002E06"},
    {0xABCD2E08u, "ﾒﾓﾘが不足しているために処理を続行できません。\n詳細ｺｰﾄﾞ：ABCD2E08"},
    {0x0000FFFFu, "正常終了しました。"},
    // Fixed texts, and absent ids.
    {0u, "正常終了しました。"},
    {8u, "ﾒﾓﾘが不足しているために処理を続行できません。"},
    {0x12340014u, "予期せぬｴﾗｰ"},
    {0x9000000Cu, "予期せぬｴﾗｰ"},
    {0x9000000Du, "予期せぬｴﾗｰ"},
    {0x9000000Eu, "予期せぬｴﾗｰ"},
    {0x00002E07u, "予期せぬｴﾗｰ"},
};

TEST(ServiceMessages, EveryTextByteExact) {
    for (const auto &c : kCatalogueCases) EXPECT_EQ(message(c.code), cp932(c.utf8)) << std::hex << c.code;
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

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/values_support.h"
#include "talvechk.h"

namespace {

class ValuesFullWidthText : public values_test::ValuesFixture {};

struct SingleCase {
    unsigned char byte;
    uint16_t code;
};
constexpr SingleCase kSingleCases[] = {
#include "fullwidth_single.inc"
};

struct MarkCase {
    unsigned char kana, mark;
    uint16_t code;
};
constexpr MarkCase kMarkCases[] = {
#include "fullwidth_marks.inc"
};

std::string normalised(const std::string &src, uint32_t *result = nullptr) {
    char dst[273];
    std::memset(dst, 0x55, sizeof dst);
    const uint32_t rc = to_sjis_code(src.c_str(), dst);
    if (result) *result = rc;
    return dst;
}

std::string code_bytes(uint16_t code) {
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// Every byte that is neither a lead byte, 0xA0 nor a sound mark.
TEST(ValuesFullWidth, EverySingleByteBecomesItsIndependentlyDerivedCounterpart) {
    ASSERT_EQ(std::size(kSingleCases), 95u + 61u);
    for (const SingleCase &c : kSingleCases) {
        uint32_t rc = 1;
        EXPECT_EQ(normalised(std::string(1, static_cast<char>(c.byte)), &rc), code_bytes(c.code))
            << "byte 0x" << std::hex << int(c.byte);
        EXPECT_EQ(rc, 0u);
    }
}

TEST(ValuesFullWidth, SoundMarksMergeOnlyWhereTheCodePageHasTheVoicedKana) {
    ASSERT_EQ(std::size(kMarkCases), 2u * 61u);
    for (const MarkCase &c : kMarkCases) {
        const std::string src{static_cast<char>(c.kana), static_cast<char>(c.mark)};
        EXPECT_EQ(normalised(src), code_bytes(c.code)) << std::hex << int(c.kana) << " + " << int(c.mark);
    }
}

TEST(ValuesFullWidth, MarksWithoutAPrecedingSingleByteKanaAreDropped) {
    const std::string ga = "\x83\x4B";
    EXPECT_EQ(normalised("\xDE"), "");
    EXPECT_EQ(normalised("\xDF" "A"), "\x82\x60");
    EXPECT_EQ(normalised("\xB6\xDE\xDE"), ga);              // a mark never merges twice
    EXPECT_EQ(normalised("\xCA\xDE\xDF"), "\x83\x6F");       // ba stays ba
    EXPECT_EQ(normalised("\x83\x4A\xDE"), "\x83\x4A");      // after a two-byte ka
    EXPECT_EQ(normalised("A\xDE"), "\x82\x60");
}

TEST(ValuesFullWidth, LeadBytesCopyTheirCharacterUnchanged) {
    for (int lead = 0x7F; lead <= 0xFF; ++lead) {
        if (lead == 0xA0) lead = 0xE0;
        const std::string src{static_cast<char>(lead), '\x40', '1'};
        EXPECT_EQ(normalised(src), src.substr(0, 2) + "\x82\x50") << std::hex << lead;
    }
    // A trail byte that looks like a control or single byte is still a trail byte.
    EXPECT_EQ(normalised("\x81\x1F"), "\x81\x1F");
}

TEST(ValuesFullWidth, ByteA0EndsTheText) {
    uint32_t rc = 1;
    EXPECT_EQ(normalised("12\xA0" "3", &rc), values_test::fw("12"));
    EXPECT_EQ(rc, 0u);
}

class ValuesFullWidthControl : public ::testing::TestWithParam<int> {};

TEST_P(ValuesFullWidthControl, StopsWithTheTextConvertedSoFar) {
    uint32_t rc = 0;
    const std::string src = std::string("1\x82\x51") + static_cast<char>(GetParam()) + "3";
    EXPECT_EQ(normalised(src, &rc), values_test::fw("12"));
    EXPECT_EQ(rc, TALV_I_BAD_CHARACTER);
}

INSTANTIATE_TEST_SUITE_P(ValuesAllControlBytes, ValuesFullWidthControl, ::testing::Range(0x01, 0x20));

TEST(ValuesFullWidth, LoneLeadByteBeforeTheTerminatorIsDroppedWithoutReadingPastIt) {
    // Exactly sized heap copies, so that the sanitizer sees any read past the end.
    for (const std::string &text : {std::string("1\x82"), std::string("\x82"), std::string("\xE0")}) {
        std::vector<char> src(text.begin(), text.end());
        src.push_back('\0');
        char dst[273];
        EXPECT_EQ(to_sjis_code(src.data(), dst), 0u);
        EXPECT_EQ(std::string(dst), text.size() == 2 ? values_test::fw("1") : "");
    }
}

TEST(ValuesFullWidth, OutputStopsAt272Bytes) {
    EXPECT_EQ(normalised(std::string(200, 'A')).size(), 272u);
    EXPECT_EQ(normalised(std::string(135, 'A') + "\x82\x50\x82\x51").size(), 272u);
    EXPECT_EQ(normalised(""), "");
}

TEST_F(ValuesFullWidthText, StrNormalMakesAStringEvenOnFailureAndMayNormaliseInPlace) {
    Symbol *sym = text_symbol("");
    sym->kind = TALV_NUMBER;
    EXPECT_EQ(StrNormal("1\n2", sym), TALV_I_BAD_CHARACTER);
    EXPECT_EQ(sym->kind, TALV_STRING);
    EXPECT_EQ(std::string(sym->text), values_test::fw("1"));

    std::strcpy(sym->text, "12 \xB6\xDE");
    EXPECT_EQ(StrNormal(sym->text, sym), 0u);
    EXPECT_EQ(std::string(sym->text), values_test::fw("12 ") + "\x83\x4B");
}

}  // namespace

// The conversion between the users' UTF-8 and the library's CP932, with the
// characters that Unicode keeps apart and CP932 does not.
#include <gtest/gtest.h>

#include <iconv.h>

#include <set>

#include "input/encoding.h"

using talvhost::Converter;
using talvhost::TextError;

namespace {

struct Pair {
    const char *utf8;
    const char *sjis;
};

// Each row: what a user may type, and the bytes the library must see.
const Pair kToCp932[] = {
    {"\\", "\x5C"},             {"\xC2\xA5", "\x5C"},          // backslash and YEN SIGN: the library's yen
    {"\xEF\xBF\xA5", "\x81\x8F"},                              // FULLWIDTH YEN SIGN
    {"\xE3\x80\x9C", "\x81\x60"}, {"\xEF\xBD\x9E", "\x81\x60"},  // WAVE DASH, FULLWIDTH TILDE
    {"\xE2\x80\x96", "\x81\x61"}, {"\xE2\x88\xA5", "\x81\x61"},  // DOUBLE VERTICAL LINE, PARALLEL TO
    {"\xE2\x88\x92", "\x81\x7C"}, {"\xEF\xBC\x8D", "\x81\x7C"},  // MINUS SIGN, FULLWIDTH HYPHEN-MINUS
    {"\xE2\x80\x94", "\x81\x5C"}, {"\xE2\x80\x95", "\x81\x5C"},  // EM DASH, HORIZONTAL BAR
    {"\xC2\xA2", "\x81\x91"},     {"\xEF\xBF\xA0", "\x81\x91"},  // CENT SIGN
    {"\xC2\xA3", "\x81\x92"},     {"\xEF\xBF\xA1", "\x81\x92"},  // POUND SIGN
    {"\xC2\xAC", "\x81\xCA"},     {"\xEF\xBF\xA2", "\x81\xCA"},  // NOT SIGN
    {"~", "~"},                   {"\xE2\x80\xBE", "~"},        // OVERLINE, JIS X 0201's 0x7E
    {"\xEF\xBC\x91\xEF\xBC\x92", "\x82\x50\x82\x51"},          // full-width digits
    {"\xEF\xBD\xB1\xEF\xBE\x9E", "\xB1\xDE"},                  // half-width katakana and voiced mark
    {"\xE2\x91\xA0", "\x87\x40"},                              // CIRCLED DIGIT ONE (NEC row 13)
    {"\xE3\x80\x80", "\x81\x40"},                              // IDEOGRAPHIC SPACE
    {"\xE9\x87\x91\xE9\xA1\x8D", "\x8B\xE0\x8A\x7A"},          // kanji
};

TEST(CliEncoding, LookalikesReachTheLibraryAsOneCode) {
    Converter conv;
    for (const Pair &p : kToCp932) EXPECT_EQ(conv.to_cp932(p.utf8), p.sjis) << p.utf8;
}

TEST(CliEncoding, TextComesBackWithTheStandardTable) {
    Converter conv;
    EXPECT_EQ(conv.to_utf8("\x5C"), "\\");
    EXPECT_EQ(conv.to_utf8("\x81\x60"), "\xEF\xBD\x9E");  // U+FF5E
    EXPECT_EQ(conv.to_utf8("\x81\x8F"), "\xEF\xBF\xA5");
    EXPECT_EQ(conv.to_utf8("\xB1"), "\xEF\xBD\xB1");
    EXPECT_EQ(conv.to_utf8("plain"), "plain");
    // A message cut inside a two-byte character, and bytes that are no
    // character, do not stop the rest.
    EXPECT_EQ(conv.to_utf8("\x82\x50\x82"), "\xEF\xBC\x91\xEF\xBF\xBD");
    EXPECT_EQ(conv.to_utf8("a\xFD" "b"), "a\xEF\xBF\xBD" "b");
}

struct Bad {
    std::string text;
    std::size_t offset;
    const char *message;
};

TEST(CliEncoding, BadUtf8IsRefusedAtItsOffset) {
    Converter conv;
    const Bad cases[] = {
        {"ab\xFF", 2, "invalid UTF-8 (bytes FF)"},
        {"1\xC3", 1, "invalid UTF-8"},                // cut short
        {"\xC0\xAF", 0, "invalid UTF-8"},             // overlong "/"
        {"x\xED\xA0\x80", 1, "invalid UTF-8"},        // surrogate
        {"\xF4\x90\x80\x80", 0, "invalid UTF-8"},     // beyond U+10FFFF
        {"12\xE2\x82", 2, "invalid UTF-8"},
        {"a\xF0\x9F\x98\x80", 1, "character U+1F600 has no CP932 code"},
        {"\xC3\xA9", 0, "character U+00E9 has no CP932 code"},
        {std::string("a\0b", 3), 1, "NUL character"},
    };
    for (const Bad &c : cases) {
        try {
            conv.to_cp932(c.text);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const TextError &e) {
            EXPECT_EQ(e.offset, c.offset) << c.message;
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(CliEncoding, BadCp932IsRefusedAtItsOffset) {
    Converter conv;
    const Bad cases[] = {
        {"12\x81", 2, "lead byte 81 at the end"},
        {"\xA0", 0, "byte A0"},
        {"a\x80", 1, "byte 80"},
        {"\xFD", 0, "byte FD"},
        {"\x82\x50\x85\x40", 2, "bytes 85 40"},  // a hole in the table
        {"\x82\x20", 0, "bytes 82 20"},          // no trail byte
        {std::string("\0", 1), 0, "NUL character"},
    };
    for (const Bad &c : cases) {
        try {
            conv.check_cp932(c.text);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const TextError &e) {
            EXPECT_EQ(e.offset, c.offset) << c.message;
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    EXPECT_NO_THROW(conv.check_cp932("\x82\x50\xB1\xDE\x5C~\x81\x60\xF0\x40"));  // user-defined area included
}

// A CP932 JSON Lines file goes through UTF-8 and back: only the codes that
// CP932 has twice (NEC and IBM extensions) may come back as their twin.
TEST(CliEncoding, Cp932RoundTripsExceptDuplicateCodes) {
    Converter conv;
    std::set<int> changed_leads;
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            try {
                conv.check_cp932(code);
            } catch (const TextError &) {
                continue;
            }
            ++characters;
            if (conv.to_cp932(conv.to_utf8(code)) != code) changed_leads.insert(lead);
        }
    }
    for (int single = 0x20; single <= 0xDF; ++single) {
        if (single >= 0x7F && single <= 0xA0) continue;
        std::string code(1, static_cast<char>(single));
        EXPECT_EQ(conv.to_cp932(conv.to_utf8(code)), code) << single;
    }
    EXPECT_GT(characters, 9000);
    EXPECT_EQ(changed_leads, (std::set<int>{0x87, 0xED, 0xEE, 0xFA}));
}

// The converter's tables were written from this machine's iconv at build
// time: every code and code point converts as iconv converts it (bar the
// look-alikes decided above), so a table that lost or shifted rows shows.
std::string by_iconv(iconv_t cd, const std::string &in, bool &ok) {
    char buf[16];
    char *in_p = const_cast<char *>(in.data()), *out_p = buf;
    std::size_t in_left = in.size(), out_left = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    ok = iconv(cd, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1) && in_left == 0;
    return std::string(buf, out_p);
}

TEST(CliEncoding, TablesConvertAsIconvDoes) {
    Converter conv;
    iconv_t dec = iconv_open("UTF-8", "CP932"), enc = iconv_open("CP932", "UTF-8");
    ASSERT_NE(dec, reinterpret_cast<iconv_t>(-1));
    for (int code = 1; code <= 0xFFFF; ++code) {
        bool pair = code > 0xFF;
        if (pair && (code & 0xFF) < 0x40) continue;
        std::string bytes = pair ? std::string{static_cast<char>(code >> 8), static_cast<char>(code)}
                                 : std::string(1, static_cast<char>(code));
        bool ok = false;
        std::string utf8 = by_iconv(dec, bytes, ok);
        int first = pair ? code >> 8 : code;
        bool lead = (first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xFC);
        if (lead != pair) continue;  // a lead byte alone, or a pair without one
        if (ok) EXPECT_EQ(conv.to_utf8(bytes), utf8) << code;
        else EXPECT_EQ(conv.to_utf8(bytes).substr(0, 3), "\xEF\xBF\xBD") << code;
    }
    for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::string utf8 = cp < 0x800 ? std::string{static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))}
                                      : std::string{static_cast<char>(0xE0 | (cp >> 12)),
                                                    static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                                                    static_cast<char>(0x80 | (cp & 0x3F))};
        bool ok = false;
        std::string sjis = by_iconv(enc, utf8, ok);
        bool alias = false;
        for (const Pair &p : kToCp932) alias = alias || utf8 == p.utf8;
        if (alias) continue;
        try {
            std::string got = conv.to_cp932(utf8);
            EXPECT_TRUE(ok) << static_cast<unsigned>(cp);
            EXPECT_EQ(got, sjis) << static_cast<unsigned>(cp);
        } catch (const TextError &) {
            EXPECT_FALSE(ok) << static_cast<unsigned>(cp);
        }
    }
    iconv_close(dec);
    iconv_close(enc);
}

}  // namespace

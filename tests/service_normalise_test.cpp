#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "service/normalise.h"

namespace {

using talv::check_parenthesis_depth;
using talv::normalise_expression;

// Two-byte characters whose trail byte looks like ASCII.
#define KANA_A "\x83\x41"        // ア: trail "A"
#define KANA_ZE "\x83\x5B"       // ゼ: trail "["
#define KANA_ZO "\x83\x5D"       // ゾ: trail "]"
#define FULL_BLANK "\x81\x40"
#define FULL_A "\x82\x60"        // Ａ

struct NormaliseCase {
    const char *in;
    int result;
    const char *out;
};

const NormaliseCase kNormaliseCases[] = {
    {"[Total]>0", 0, "[Total$>0"},
    {"sum([A1..3])==@", 0, "sum([A1..3$)==@"},
    {"'[x]'==[x]", 0, "'[x]'==[x$"},
    {"a]==1", 0, "a]==1"},
    {"[A'B]+[C[D]]", 0, "[A'B$+[C[D$]"},
    {"[A$]", 0, "[A$$"},
    {"[A", 0, "[A"},
    {"'[A]", 0, "'[A]"},
    {"[" KANA_ZO "]", 0, "[" KANA_ZO "$"},
    {"[" KANA_ZO KANA_ZO "]]", 0, "[" KANA_ZO KANA_ZO "$]"},
    {"'" KANA_ZO "'[x]", 0, "'" KANA_ZO "'[x$"},
    {"1", 0, "1"},
    {" \t\r\n~", 0, " \t\r\n~"},
    {"", -2, ""},
    {"   \t", -2, "   \t"},
    {"\x7f\xa0\xb1\xdf\xf0", -2, "\x7f\xa0\xb1\xdf\xf0"},
    {FULL_BLANK FULL_BLANK, -2, FULL_BLANK FULL_BLANK},
    {KANA_A " " KANA_ZE KANA_ZO FULL_A, -2, KANA_A " " KANA_ZE KANA_ZO FULL_A},
    {"\x83", -2, "\x83"},
    {KANA_A "1", 0, KANA_A "1"},
};

TEST(ServiceNormalise, Table) {
    for (const auto &c : kNormaliseCases) {
        char dst[talv::kNormalisedBufferSize];
        EXPECT_EQ(normalise_expression(c.in, dst), c.result) << c.in;
        EXPECT_STREQ(dst, c.out) << c.in;
    }
}

TEST(ServiceNormalise, At512BytesAcceptedAt513Refused) {
    std::string text = "[A]" + std::string(509, '1');
    char dst[talv::kNormalisedBufferSize];
    ASSERT_EQ(text.size(), 512u);
    ASSERT_EQ(normalise_expression(text.c_str(), dst), talv::kNormalised);
    EXPECT_EQ(std::string(dst), "[A$" + std::string(509, '1'));

    text += '1';
    std::memset(dst, 'z', sizeof dst);
    EXPECT_EQ(normalise_expression(text.c_str(), dst), talv::kTextTooLong);
    EXPECT_EQ(dst[0], 'z');  // nothing copied
}

struct DepthCase {
    const char *text;
    uint32_t code;
};

const DepthCase kDepthCases[] = {
    {"", 0},
    {"((((((1))))))==1", 0},
    {"(((((((1)))))))==1", TALV_E_PARENTHESES},
    {"1+(((((((", TALV_E_PARENTHESES},
    // Argument lists do not count; a name before "(" makes one, even after blanks.
    {"a((((((1))))))", 0},
    {"((((((a(1))))))", 0},
    {"sum (((((((1)))))))", 0},
    {"1\t(((((((1)))))))", 0},
    {"sum+(((((((1)))))))", TALV_E_PARENTHESES},
    {"(1)(((((((", TALV_E_PARENTHESES},
    // After a field reference, a string or an operator a "(" groups.
    {"[A$(((((((1)))))))", TALV_E_PARENTHESES},
    {"'s'(((((((1)))))))", TALV_E_PARENTHESES},
    // Parentheses inside strings and field references are not looked at.
    {"'(((((((('==1", 0},
    {"[((((((((($==1", 0},
    {"'abc", TALV_E_SYNTAX},
    {"[abc", TALV_E_SYNTAX},
    {"[abc]", TALV_E_SYNTAX},  // not normalised: no "$" closes it
    {"1)", 0},
    {")(((((((((", 0},
    {"((1)", 0},
    // Two-byte characters are neither names nor brackets.
    {KANA_ZE, 0},
    {"1==1" KANA_ZE, 0},
    {KANA_A "(((((((1)))))))", TALV_E_PARENTHESES},
    {FULL_A "(((((((1)))))))", TALV_E_PARENTHESES},
    {KANA_ZE "(1)", 0},
    {"\x83", 0},
};

TEST(ServiceDepthCheck, Table) {
    for (const auto &c : kDepthCases) EXPECT_EQ(check_parenthesis_depth(c.text), c.code) << c.text;
}

TEST(ServiceDepthCheck, DeepArgumentListsAtFullLength) {
    std::string text;
    while (text.size() + 2 <= 512) text += "a(";
    EXPECT_EQ(check_parenthesis_depth(text.c_str()), 0u);
    text = std::string(256, '(') ;
    EXPECT_EQ(check_parenthesis_depth(text.c_str()), TALV_E_PARENTHESES);
}

}  // namespace

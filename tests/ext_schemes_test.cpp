// Check-digit schemes and identifier reading of the companion library, on
// published numbers and on the corner cases of each scheme.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check_digits.h"
#include "identifier_text.h"

namespace {

// The full-width form the library's normalisation gives these characters.
std::string fw(const std::string &ascii) {
    std::string out;
    for (char c : ascii) {
        unsigned char lead = 0x82, trail;
        if (c >= '0' && c <= '9') trail = static_cast<unsigned char>(0x4F + (c - '0'));
        else if (c >= 'A' && c <= 'Z') trail = static_cast<unsigned char>(0x60 + (c - 'A'));
        else if (c >= 'a' && c <= 'z') trail = static_cast<unsigned char>(0x81 + (c - 'a'));
        else {
            lead = 0x81;
            switch (c) {
            case ' ': trail = 0x40; break;
            case '-': trail = 0x7C; break;
            case ',': trail = 0x43; break;
            case '.': trail = 0x44; break;
            default: ADD_FAILURE() << "no full-width form for " << c; trail = 0x48;
            }
        }
        out += static_cast<char>(lead);
        out += static_cast<char>(trail);
    }
    return out;
}

std::vector<unsigned char> digits_of(const std::string &ascii) {
    std::vector<unsigned char> d;
    for (char c : ascii) d.push_back(c == 'X' ? TALVX_CHECK_X : static_cast<unsigned char>(c - '0'));
    return d;
}

// Runs a scheme whose check digit stands last.
int trailing(int (*scheme)(const unsigned char *, int), const std::string &number) {
    auto d = digits_of(number);
    return scheme(d.data(), static_cast<int>(d.size()) - 1) == d.back() ? 1 : 0;
}

struct Case {
    const char *number;
    bool valid;
};

TEST(ExtSchemes, LuhnOnPublishedNumbers) {
    const Case cases[] = {
        {"79927398713", true},      {"4111111111111111", true}, {"5555555555554444", true},
        {"378282246310005", true},  {"4012888888881881", true}, {"00", true},
        {"79927398710", false},     {"4111111111111112", false},
        {"79927398731", false},     // adjacent transposition 13 -> 31
        {"4111111111111121", false}, // transposition involving the check digit
    };
    for (const Case &c : cases) EXPECT_EQ(trailing(talvx_luhn_check_digit, c.number), c.valid) << c.number;
    auto d = digits_of("7992739871");
    EXPECT_EQ(talvx_luhn_check_digit(d.data(), 10), 3);
    EXPECT_EQ(talvx_luhn_check_digit(d.data(), 0), -1);
}

TEST(ExtSchemes, EanOnPublishedCodes) {
    const Case cases[] = {
        {"4901234567894", true}, {"4569951116179", true}, {"9784101010014", true}, {"4006381333931", true},
        {"49123456", true},      {"96385074", true},
        {"4901234567895", false}, {"4901234567984", false}, {"49123465", false},
    };
    for (const Case &c : cases) EXPECT_EQ(trailing(talvx_ean_check_digit, c.number), c.valid) << c.number;
    // Only the EAN-8 and EAN-13 lengths have a check digit.
    for (int count : {0, 6, 8, 11, 13}) {
        std::vector<unsigned char> d(static_cast<size_t>(count), 1);
        EXPECT_EQ(talvx_ean_check_digit(d.data(), count), -1) << count;
    }
}

TEST(ExtSchemes, Mod11WeightsAndTheCheckCharacterX) {
    const int isbn[] = {2, 3, 4, 5, 6, 7, 8, 9, 10};
    struct { const char *number; int expected; } cases[] = {
        {"0306406152", 2}, {"080442957X", TALVX_CHECK_X}, {"4101010013", 3}, {"4061592858", 8},
        {"0000000000", 0},  // remainder 0 gives 0, not 11
    };
    for (const auto &c : cases) {
        auto d = digits_of(c.number);
        EXPECT_EQ(talvx_mod11_check_digit(d.data(), 9, isbn, 9), c.expected) << c.number;
    }
    // Default-style weights 2..7 repeat from the right: 6 digits weigh 7..2.
    const int cyclic[] = {2, 3, 4, 5, 6, 7};
    auto d = digits_of("1000000");  // 1 at weight 3 (seventh from the right wraps to 2)
    EXPECT_EQ(talvx_mod11_check_digit(d.data(), 7, cyclic, 6), 9);  // 11 - 2
    auto e = digits_of("100000");
    EXPECT_EQ(talvx_mod11_check_digit(e.data(), 6, cyclic, 6), 4);  // 11 - 7
}

TEST(ExtSchemes, MyNumberIncludingRemaindersZeroAndOne) {
    const Case cases[] = {
        {"123456789018", true},
        {"123456789000", true},  // remainder 1: check digit 0, not 10
        {"123456789050", true},  // remainder 0: check digit 0, not 11
        {"123456789010", false}, {"123456789001", false}, {"123456789081", false},
        {"213456789018", false},  // transposition
    };
    for (const Case &c : cases) EXPECT_EQ(trailing(talvx_mynumber_check_digit, c.number), c.valid) << c.number;
    auto d = digits_of("12345678901");
    EXPECT_EQ(talvx_mynumber_check_digit(d.data(), 10), -1);
    EXPECT_EQ(talvx_mynumber_check_digit(d.data(), 11), 8);
}

TEST(ExtSchemes, CorporateNumberCheckDigitLeads) {
    const Case cases[] = {
        {"7000012050002", true}, {"5000012010024", true}, {"8700110005901", true}, {"1000012160153", true},
        {"6000012050002", false}, {"7000012050020", false}, {"0000000000000", false},
        {"7000012500002", false},  // 05 -> 50 is caught
    };
    for (const Case &c : cases) {
        auto d = digits_of(c.number);
        EXPECT_EQ(talvx_corpnumber_check_digit(d.data() + 1, 12) == d[0], c.valid) << c.number;
    }
}

// Errors each scheme cannot see, kept here so that nobody claims otherwise.
TEST(ExtSchemes, DocumentedBlindSpots) {
    // Luhn: 09 <-> 90.
    EXPECT_TRUE(trailing(talvx_luhn_check_digit, "4091234567890121"));
    EXPECT_TRUE(trailing(talvx_luhn_check_digit, "4901234567890121"));
    // EAN: adjacent digits that differ by 5.
    EXPECT_TRUE(trailing(talvx_ean_check_digit, "4901612345670"));
    EXPECT_TRUE(trailing(talvx_ean_check_digit, "4901162345670"));
    // Individual number: remainders 0 and 1 share the check digit 0, so a
    // transposition that moves the remainder between them goes unseen.
    EXPECT_TRUE(trailing(talvx_mynumber_check_digit, "595748906820"));
    EXPECT_TRUE(trailing(talvx_mynumber_check_digit, "595749806820"));
    // Corporate number: mod 9 cannot tell 0 from 9, neither substituted nor transposed.
    for (const char *n : {"7000012050002", "7900012050002", "7090012050002", "7000012950002"}) {
        auto d = digits_of(n);
        EXPECT_EQ(talvx_corpnumber_check_digit(d.data() + 1, 12), d[0]) << n;
    }
}

struct Reading {
    std::vector<std::string> texts;
    int flags;
    const char *digits;  // nullptr: ill-formed
};

std::string read(const Reading &r, TalvxIdentifier &id) {
    talvx_identifier_init(&id);
    for (const auto &t : r.texts) talvx_identifier_add_text(&id, t.c_str(), r.flags);
    std::string out;
    for (int i = 0; i < id.count; i++) out += id.digits[i] == TALVX_CHECK_X ? 'X' : static_cast<char>('0' + id.digits[i]);
    return out;
}

TEST(ExtSchemes, IdentifierText) {
    const int sep = TALVX_SEPARATORS, x = TALVX_TRAILING_X;
    const Reading cases[] = {
        {{fw("1234")}, 0, "1234"},
        {{fw("  1234  ")}, 0, "1234"},
        {{fw("4111 1111-1111 1111")}, sep, "4111111111111111"},
        {{fw("4111 1111")}, 0, nullptr},          // separators only where allowed
        {{fw("41  11")}, sep, nullptr},           // two in a row
        {{fw("-4111")}, sep, nullptr},            // a sign is no separator
        {{fw("4111-")}, sep, nullptr},
        {{fw("12.5")}, sep, nullptr},
        {{fw("12A4")}, sep, nullptr},
        {{fw("")}, 0, nullptr},
        {{fw("   ")}, 0, nullptr},
        {{fw("080442957X")}, x, "080442957X"},
        {{fw("080442957x")}, x, "080442957X"},
        {{fw("080442957X")}, sep, nullptr},       // X only where allowed
        {{fw("08044295X7")}, x, nullptr},         // X only last
        {{fw("1"), fw("2"), fw(" 3 ")}, 0, "123"},  // a range of one-digit boxes
        {{fw("1"), fw(" "), fw("3")}, 0, nullptr},  // an empty box
        {{fw("12X"), fw("3")}, x, nullptr},
        {{std::string("\x82\x50\x82")}, 0, nullptr},  // a lone lead byte
    };
    for (const Reading &r : cases) {
        TalvxIdentifier id;
        std::string got = read(r, id);
        if (r.digits) {
            EXPECT_TRUE(id.well_formed) << r.texts[0];
            EXPECT_EQ(got, r.digits);
        } else {
            EXPECT_FALSE(id.well_formed) << r.texts[0];
        }
    }
}

TEST(ExtSchemes, IdentifierKeepsCountingPastItsRoom) {
    TalvxIdentifier id;
    talvx_identifier_init(&id);
    std::string box = fw("1234567890");
    for (int i = 0; i < 30; i++) talvx_identifier_add_text(&id, box.c_str(), 0);
    EXPECT_EQ(id.count, TALVX_MAX_DIGITS);
    EXPECT_EQ(id.digit_chars, 300);
    EXPECT_TRUE(id.overflow);
    EXPECT_TRUE(id.well_formed);
}

TEST(ExtSchemes, Weights) {
    struct { const char *text; std::vector<int> weights; } cases[] = {
        {"234567", {2, 3, 4, 5, 6, 7}},
        {"2,3,4,5,6,7,8,9,10", {2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"2, 3, 10", {2, 3, 10}},
        {" 12 1 ", {12, 1}},
        {"7", {7}},
        {"", {}}, {"  ", {}}, {"0", {}}, {"0,0", {}}, {"2,,3", {}}, {",2", {}}, {"2,", {}},
        {"100", {1, 0, 0}}, {"1,100", {}}, {"2a", {}}, {"-2", {}},
        {"123456789012345678901234567890123", {}},  // more than 32
    };
    for (const auto &c : cases) {
        int weights[TALVX_MAX_WEIGHTS];
        int n = talvx_parse_weights(fw(c.text).c_str(), weights, TALVX_MAX_WEIGHTS);
        if (c.weights.empty()) {
            EXPECT_EQ(n, -1) << c.text;
        } else {
            ASSERT_EQ(n, static_cast<int>(c.weights.size())) << c.text;
            EXPECT_EQ(std::vector<int>(weights, weights + n), c.weights) << c.text;
        }
    }
}

}  // namespace

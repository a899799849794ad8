// The in-place number reading of plain texts against sym_number, the way it
// shortcuts: wherever it decides, it decides as sym_number does (code,
// groups, sign), over generated texts under every combination of modes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/values_support.h"
#include "values/number_reader.h"

namespace {

using values_test::fw;

struct Modes {
    int32_t all, in, right, point;
};

void set_modes(const Modes &m) {
    all_blank = m.all;
    in_blank = m.in;
    right_blank = m.right;
    decimal_point = m.point;
}

class ValuesPlainNumber : public values_test::ValuesFixture {
protected:
    // Both ways over one text; true when the quick way decided.
    bool agree(const std::string &text) {
        Symbol general{};
        std::memcpy(general.text, text.data(), std::min(text.size(), sizeof general.text - 1));
        general.kind = TALV_STRING;
        const uint32_t expected = sym_number(&general);

        uint16_t groups[TALV_GROUPS];
        int32_t sign = -1;
        uint32_t code = 0xDEAD;
        Symbol storage{};
        std::memcpy(storage.text, text.data(), std::min(text.size(), sizeof storage.text - 1));
        if (!talv::read_plain_number(storage.text, groups, sign, code)) return false;
        EXPECT_EQ(code, expected) << values_test::plain(general);
        if (code == 0 && expected == 0) {
            EXPECT_EQ(sign, general.sign);
            for (int k = 0; k < TALV_GROUPS; ++k) EXPECT_EQ(groups[k], general.digits[k]) << "group " << k;
        }
        return true;
    }
};

// A text shaped like a field's number (blanks, yen sign, sign, digits,
// point, digits, blanks), then perhaps spoilt by a stray character.
std::string number_like(std::mt19937 &rng) {
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto digits = [&](int n) {
        std::string d;
        for (int k = 0; k < n; ++k) d += static_cast<char>('0' + pick(10));
        return d;
    };
    std::string ascii(static_cast<std::size_t>(pick(3)), ' ');
    if (pick(6) == 0) ascii += '\\';
    if (pick(3) == 0) ascii += "+-"[pick(2)];
    ascii += digits(pick(4) == 0 ? 100 + pick(10) : pick(12));
    if (pick(3) == 0) ascii += "." + digits(pick(5) == 0 ? 30 + pick(10) : pick(6));
    ascii += std::string(static_cast<std::size_t>(pick(3)), ' ');
    if (pick(4) == 0) ascii.insert(static_cast<std::size_t>(pick(static_cast<int>(ascii.size()) + 1)), 1, " .-+\\1A"[pick(7)]);
    return fw(ascii);
}

TEST_F(ValuesPlainNumber, DecidesAsSymNumberDoesUnderEveryMode) {
    const char *alphabet[] = {"0", "1", "5", "9", " ", ".", "-", "+", "\\", "7", "3", "A", "\x31"};
    std::mt19937 rng(14);
    long decided = 0, texts = 0;
    for (int32_t all : {1, 2, 4})
        for (int32_t in : {1, 2, 4})
            for (int32_t right : {1, 2, 4, 7})
                for (int32_t point : {0, -3, 2}) {
                    set_modes({all, in, right, point});
                    for (int i = 0; i < 400; ++i) {
                        std::string text;
                        if (i % 2 == 0) {
                            text = number_like(rng);
                        } else {  // characters of the number syntax at random, a few that are none
                            const int len = i % 50 == 1 ? 130 + static_cast<int>(rng() % 12) : static_cast<int>(rng() % 12);
                            std::string ascii;
                            for (int k = 0; k < len; ++k) ascii += alphabet[rng() % (i % 3 == 0 ? 13 : 10)];
                            text = fw(ascii);
                        }
                        if (i % 7 == 0 && !text.empty()) text.pop_back();  // a lone lead byte at the end
                        if (i % 11 == 0) text = std::string(text.size() / 2, '5');  // half-width: never taken
                        const bool took = agree(text);
                        if (i % 2 == 0 && point <= 0) {
                            decided += took;
                            ++texts;
                        }
                    }
                }
    // The shortcut is a shortcut: it takes most number-shaped texts.
    EXPECT_GT(decided, texts / 3);
}

TEST_F(ValuesPlainNumber, TakesTheTextsFieldsUsuallyHold) {
    for (const char *ascii : {"", "0", "123", "  123", "123  ", "-1.5", "+0.25", "\\1200", "\\-3", "   ", "-",
                              ".", "00000000000000000000000000000000000000001", "1.00000000000000000000000000000009"}) {
        EXPECT_TRUE(agree(fw(ascii))) << ascii;
    }
    // Left to sym_number: blanks inside, a second sign, point or yen, other
    // characters, fraction digits that would be cut, half-width text.
    for (const char *ascii : {"1 2", "\\\\5", "+-5", "- 5", "1.2.3", "12-3", "1A", "1.000000000000000000000000000000009"})
        EXPECT_FALSE(agree(fw(ascii))) << ascii;
    EXPECT_FALSE(agree("123"));
    decimal_point = 2;
    EXPECT_FALSE(agree(fw("123")));
}

// Digits alone read in one word up to 19 of them, by groups beyond: the
// same as to_number, which reads every text sym_number leaves as it stands.
TEST_F(ValuesPlainNumber, DigitsAloneOfEveryLengthAroundAWord) {
    for (std::size_t n : {1u, 4u, 5u, 18u, 19u, 20u, 21u, 104u}) {
        for (const std::string &ascii : {std::string(n, '9'), std::string(n, '1'), std::string(n - 1, '0') + "7"}) {
            Symbol general{};
            const std::string text = fw(ascii);
            std::memcpy(general.text, text.data(), text.size());
            general.kind = TALV_STRING;
            ASSERT_EQ(to_number(&general), 0u) << ascii;
            uint16_t groups[TALV_GROUPS];
            int32_t sign = -1;
            uint32_t code = 0xDEAD;
            Symbol storage{};
            std::memcpy(storage.text, text.data(), text.size());
            ASSERT_TRUE(talv::read_plain_number(storage.text, groups, sign, code)) << ascii;
            EXPECT_EQ(code, 0u) << ascii;
            EXPECT_EQ(sign, 0) << ascii;
            EXPECT_EQ(std::memcmp(groups, general.digits, sizeof groups), 0) << ascii;
        }
    }
}

}  // namespace

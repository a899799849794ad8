// A field read's single pass against the general way: the Symbol it writes is
// byte for byte what normalise_full_width writes, the length it reports is
// the text's own, and a value it hands over is what the plain reader and
// sym_number read from the normalised text under every mode.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "service/state.h"
#include "support/values_support.h"
#include "values/number_reader.h"
#include "values/fullwidth.h"

namespace {

using values_test::fw;

constexpr std::size_t kRecordValue = sizeof(PPR_FIELD_VALUE::value);

// The host's value storage: the text, then (when it is shorter) its
// terminator and bytes a careless host left beyond it.
struct HostText {
    std::vector<char> bytes;
    explicit HostText(const std::string &text, char left = '\x55') : bytes(kRecordValue, left) {
        std::memcpy(bytes.data(), text.data(), std::min(text.size(), kRecordValue));
        if (text.size() < kRecordValue) bytes[text.size()] = '\0';
    }
};

struct FastRead {
    Symbol made{};
    std::size_t length = 0;
    bool taken = false;
    uint64_t value = 0;
};

FastRead read_fast(const HostText &host) {
    FastRead r;
    talv::FreshRead &hand_over = talv::g_state.fresh_read;
    const uint32_t request = hand_over.open();
    r.length = talv::read_fresh_text(host.bytes.data(), kRecordValue, &r.made, hand_over);
    hand_over.close();
    r.taken = hand_over.take(request, &r.made, talv::number_modes_in_force(), r.value);
    return r;
}

struct Modes {
    int32_t all, in, right, point;
};

// The bytes of a text, for failure messages.
std::string shown(const std::string &text) {
    std::string out;
    char hex[4];
    for (unsigned char c : text.substr(0, 48)) {
        std::snprintf(hex, sizeof hex, "%02X ", c);
        out += hex;
    }
    return out + "(" + std::to_string(text.size()) + " bytes)";
}

class ValuesFreshRead : public values_test::ValuesFixture {
protected:

    // Both ways over one host text, under the modes in force; true when the
    // value was handed over.
    bool agree(const std::string &text, char left = '\x55') {
        const HostText host(text, left);
        Symbol general{};
        talv::normalise_full_width(host.bytes.data(), kRecordValue, general.text);
        const FastRead fast = read_fast(host);
        const std::string shown = ::shown(text) + " left " + std::to_string(static_cast<unsigned char>(left));
        EXPECT_EQ(std::memcmp(&fast.made, &general, sizeof general), 0) << shown;
        const std::size_t own_length = strnlen(host.bytes.data(), kRecordValue);
        if (fast.length != talv::kLengthUnknown) {
            EXPECT_EQ(fast.length, own_length) << shown;
        }
        if (!fast.taken) return false;

        uint16_t groups[TALV_GROUPS], expected[TALV_GROUPS];
        talv::groups_of_integer(fast.value, expected);
        int32_t sign = -1;
        uint32_t code = 0xDEAD;
        EXPECT_TRUE(talv::read_plain_number(general.text, groups, sign, code)) << shown;
        EXPECT_EQ(code, 0u) << shown;
        EXPECT_EQ(sign, 0) << shown;
        EXPECT_EQ(std::memcmp(groups, expected, sizeof groups), 0) << shown;
        // And to_number, which reads digits alone, over the text less its blanks.
        std::string digits_only = general.text;
        while (digits_only.rfind(fw(" "), 0) == 0) digits_only.erase(0, 2);
        while (digits_only.size() >= 2 && digits_only.compare(digits_only.size() - 2, 2, fw(" ")) == 0)
            digits_only.erase(digits_only.size() - 2);
        Symbol bare{};
        std::memcpy(bare.text, digits_only.data(), digits_only.size());
        bare.kind = TALV_STRING;
        EXPECT_EQ(to_number(&bare), 0u) << shown;
        EXPECT_EQ(std::memcmp(bare.digits, expected, sizeof expected), 0) << shown;
        Symbol converted = general;
        converted.kind = TALV_STRING;
        EXPECT_EQ(sym_number(&converted), 0u) << shown;
        EXPECT_EQ(converted.sign, 0) << shown;
        EXPECT_EQ(std::memcmp(converted.digits, expected, sizeof expected), 0) << shown;
        return true;
    }

    static void set_modes(const Modes &m) {
        all_blank = m.all;
        in_blank = m.in;
        right_blank = m.right;
        decimal_point = m.point;
    }
};

std::string repeat(const std::string &piece, std::size_t n) {
    std::string s;
    for (std::size_t k = 0; k < n; ++k) s += piece;
    return s;
}

// The texts a field mostly holds are handed over; the rest are left to the
// general reading, and every one is normalised as the general way does.
TEST_F(ValuesFreshRead, RecognisedTextsReadAsTheGeneralWayReadsThem) {
    struct Case {
        std::string text;
        bool handed_over;  // under the starting modes
    } cases[] = {
        {"0", true}, {"7", true}, {"31250", true}, {"007", true}, {fw("1200"), true},
        {"\x82\x52" "0", true},  // mixed widths
        {"  45", true}, {fw("  45"), true}, {"45  ", true}, {" " + fw(" 561 ") + " ", true},
        {repeat("9", 19), true}, {repeat(fw("9"), 19), true}, {"1844674407370955161" , true},
        {repeat("9", 20), false}, {repeat("1", 21), false}, {repeat(fw("1"), 20), false},
        {"", false}, {"   ", false}, {fw("   "), false},
        {"-5", false}, {"+5", false}, {fw("-5"), false}, {"\\1200", false}, {"1,200", false},
        {"1.5", false}, {fw("1.5"), false}, {"1 2", false}, {"12A", false}, {"A12", false},
        {"12\x01", false}, {"\x01" "12", false}, {"1\t", false}, {"12\x7F", false},
        {"\x83\x31\x83\x32", false},  // two-byte characters whose trail bytes are digits
        {"1\x83\x31", false}, {"\x82\x4F\x82", false}, {"5\x82", false}, {"\x81", false},
        {"\x81\x41", false}, {"\x82\x59", false}, {"\x82\x4E", false}, {"1\xB6\xDE", false},
        {"1\xDE", false}, {"\xA0" "1", false}, {"1\xA0", false}, {"\xB3\xDE" "1", false},
        {repeat(" ", 132) + "12345", false},         // cut where normalisation stops
        {repeat(" ", 131) + "12345", false},         // fills what normalisation keeps exactly
        {repeat(" ", 130) + "12345", true},
        {repeat(" ", 134) + "12", false},
        {repeat(" ", 133) + "12", true},
        {repeat("0", 130) + "5", false},             // too many digits, however small
        {repeat(fw(" "), 119) + "7" + repeat(" ", 15), true},
        {repeat(fw(" "), 120) + "7" + repeat(" ", 15), false},
        {repeat("7", 300), false}, {repeat(fw("7"), 300), false},
        {repeat("9", kRecordValue), false},          // unterminated, the record's whole storage
        {repeat(" ", kRecordValue), false},
        {repeat(fw("8"), kRecordValue / 2), false},
    };
    for (const Case &c : cases) EXPECT_EQ(agree(c.text), c.handed_over) << shown(c.text);
}

// Texts within and just past what is read sixteen bytes at a time (digits
// alone, of one width), whatever the host left past their terminator: digits
// and blanks of either width among it.
TEST_F(ValuesFreshRead, ShortTextsReadAsTheGeneralWayWhateverFollowsThem) {
    struct Case {
        std::string text;
        bool handed_over;
    } cases[] = {
        {"5", true}, {"12", true}, {"2024", true}, {"31250", true}, {"1234567", true}, {"12345678", true},
        {"123456789", true}, {repeat("9", 15), true}, {repeat("9", 16), true},
        {"  45", true}, {"45 ", true}, {" 12345678 ", true}, {"   123456789", true}, {"  12345678     ", true},
        {"  12345678      ", true}, {"", false}, {"1 2", false}, {" ", false}, {repeat(" ", 15), false}, {"1A", false},
        {fw("1200"), true}, {fw("5"), true}, {fw("1234567"), true}, {fw("12345678"), true},
        {fw(" 7"), true}, {fw("7 "), true}, {fw(" 123456"), true}, {fw("   1"), true}, {fw("  "), false},
        {fw("1 2"), false}, {fw("12") + "3", true}, {"3" + fw("12"), true}, {fw("1") + " ", true},
        {" " + fw("1"), true}, {"\x82\x4F\x82", false}, {"\x82\x4F\x81", false}, {"\x82\x4F\x82\x40", false},
        {"\x81\x4F", false}, {"\x82\x40", false}, {"\x82\x59" "1", false}, {"1\x82\x4E", false},
        {"\x83\x4F\x82\x50", false}, {"\x82\x4F\x83\x50", false}, {"0\x01", false},
        {repeat(" ", 120) + repeat("9", 15), true},    // blanks, then digits close to the cut
        {repeat(" ", 121) + repeat("9", 15), false},   // fills what normalisation keeps
        {repeat(" ", 122) + repeat("9", 15), false},
        {repeat(fw(" "), 120) + repeat("9", 15), true}, {repeat(fw(" "), 121) + repeat("8", 15), false},
        {repeat(" ", 128) + fw("1234567"), true}, {repeat(" ", 129) + fw("1234567"), false},
        {repeat(" ", 134) + "7", true}, {repeat(" ", 134) + fw("7"), true}, {repeat(" ", 135) + "7", false},
    };
    for (const char left : {'\x55', '\0', '7', ' ', '\x82', '\x4F', '\x40', '\x81'})
        for (const Case &c : cases) EXPECT_EQ(agree(c.text, left), c.handed_over) << shown(c.text) << int{left};
}

TEST_F(ValuesFreshRead, HandsOverOnlyWhatThePlainReaderWouldReadUnderEveryMode) {
    const std::string pieces[] = {"0", "1", "5", "9", " ", fw(" "), fw("0"), fw("7"), fw("9"), "-", "+",
                                  "\\", ",", ".", fw("."), "A", "\x01", "\x83\x31", "\x82", "\x81",
                                  "\xB6", "\xDE", "\xA0", "\x82\x59", fw("-")};
    std::mt19937 rng(1362);
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    long handed = 0, texts = 0;
    for (int32_t all : {1, 2, 4})
        for (int32_t in : {1, 2, 4})
            for (int32_t right : {1, 2, 4, 7})
                for (int32_t point : {0, -3, 2}) {
                    set_modes({all, in, right, point});
                    for (int i = 0; i < 120; ++i) {
                        std::string text(pick(3), ' ');
                        const std::size_t digits = pick(8) == 0 ? 17 + pick(5) : pick(8);
                        for (std::size_t k = 0; k < digits; ++k)
                            text += pick(2) ? std::string(1, static_cast<char>('0' + pick(10))) : fw(std::to_string(pick(10)));
                        text += std::string(pick(3), ' ');
                        for (std::size_t k = pick(4) == 0 ? 1 + pick(3) : 0; k > 0; --k)
                            text.insert(pick(text.size() + 1), pieces[pick(std::size(pieces))]);
                        handed += agree(text);
                        texts += point <= 0;  // an implied point makes the digits another number
                    }
                }
    // The generated texts are mostly plain: most of them take the quick way.
    EXPECT_GT(handed, texts / 3);
}

// Trailing blanks are handed over only where the right-blank mode ignores
// them; elsewhere the plain reader decides (an error, or zeros).
TEST_F(ValuesFreshRead, TrailingBlanksFollowTheRightBlankMode) {
    for (int32_t right : {talv::kBlankError, talv::kBlankIgnore, talv::kBlankAsZero, 7}) {
        right_blank = right;
        const bool ignored = right != talv::kBlankError && right != talv::kBlankAsZero;
        EXPECT_EQ(agree("12 "), ignored) << right;
        EXPECT_EQ(agree(" 12"), true) << right;
    }
}

TEST_F(ValuesFreshRead, AValueGoesOnlyToTheRequestItsReadAnswered) {
    const HostText host("42");
    uint64_t value = 0;
    talv::FreshRead hand_over;
    const talv::NumberModes modes = talv::number_modes_in_force();
    Symbol unasked{};
    talv::read_fresh_text(host.bytes.data(), kRecordValue, &unasked, hand_over);  // no request open
    EXPECT_FALSE(hand_over.take(hand_over.last_request(), &unasked, modes, value));

    const uint32_t request = hand_over.open();
    Symbol first{}, second{};
    talv::read_fresh_text(host.bytes.data(), kRecordValue, &first, hand_over);
    talv::read_fresh_text(host.bytes.data(), kRecordValue, &second, hand_over);  // the request is answered already
    hand_over.close();
    EXPECT_FALSE(hand_over.take(request, &second, modes, value));
    EXPECT_FALSE(hand_over.take(request + 1, &first, modes, value));
    EXPECT_FALSE(hand_over.take(request, &first, {modes.all_blank, modes.right_blank, 2}, value));  // an implied point
    const uint32_t again = hand_over.open();
    Symbol third{};
    talv::read_fresh_text(host.bytes.data(), kRecordValue, &third, hand_over);
    hand_over.close();
    EXPECT_TRUE(hand_over.take(again, &third, modes, value));
    EXPECT_EQ(value, 42u);
    EXPECT_FALSE(hand_over.take(again, &third, modes, value));  // taken once
    EXPECT_STREQ(first.text, second.text);
}

// read_number's forms: a NUMBER where it stands, a field read's word only for
// the request its read answered and only once, plain text into the room, and
// the reason a text is no number.
TEST_F(ValuesFreshRead, ReadNumberGivesEachOperandTheFormItsReadAllows) {
    using Form = talv::ReadNumber::Form;
    talv::FreshRead &hand_over = talv::g_state.fresh_read;
    talv::NumberRoom room;

    Symbol number{};
    ASSERT_EQ(jis8_to_number(&number, "12.5"), 0u);
    talv::ReadNumber n;
    talv::read_number(&number, hand_over, hand_over.last_request(), room, n);
    EXPECT_EQ(n.form, Form::groups);
    EXPECT_EQ(n.groups, number.digits);
    EXPECT_EQ(n.symbol, &number);

    const HostText host("042 ");
    const uint32_t request = hand_over.open();
    Symbol made{};
    talv::read_fresh_text(host.bytes.data(), kRecordValue, &made, hand_over);
    hand_over.close();
    made.kind = TALV_STRING;
    talv::read_number(&made, hand_over, request, room, n);
    ASSERT_EQ(n.form, Form::word);
    EXPECT_EQ(n.word, 42u);
    talv::read_number(&made, hand_over, request, room, n);  // taken once: the text is read again
    ASSERT_EQ(n.form, Form::groups);
    EXPECT_EQ(n.groups, room.groups);
    EXPECT_EQ(n.groups[talv::kUnitsGroup], 42u);

    right_blank = talv::kBlankError;  // the trailing blank is an error now
    talv::read_number(&made, hand_over, request, room, n);
    EXPECT_EQ(n.form, Form::not_a_number);
    EXPECT_EQ(n.code, static_cast<uint32_t>(TALV_E_BLANK_IN_NUMBER));
}

}  // namespace

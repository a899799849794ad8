// The number reading of dtchk_number and to_number, done in place for the
// texts a field read usually gives: blanks, a yen sign, a sign, digits, a
// point and digits, blanks, all full-width.  Every other text is left to
// them; the tests compare both ways over generated texts and every mode.
#include <cstring>

#include "talvechk.h"
#include "values/clear.h"
#include "values/decimal.h"
#include "values/fullwidth.h"
#include "values/modes.h"
#include "values/numeric_text.h"

namespace talv {
namespace {

// Bytes a normalised text keeps: 136 two-byte characters.
constexpr std::size_t kMostBytes = kFullWidthMax;
constexpr unsigned char kDigitLead = 0x82;
constexpr unsigned char kDigitZeroTrail = 0x4F, kDigitNineTrail = 0x58;
constexpr std::size_t kDigitsInWord = 19;
constexpr uint16_t kPowerOfTen[kDigitsPerGroup] = {1, 10, 100, 1000};

struct Cursor {
    const unsigned char *p;
    std::size_t at = 0;

    bool is(uint16_t c) const { return at < kMostBytes && p[at] == (c >> 8) && p[at + 1] == (c & 0xFF); }
    bool digit() const {
        return at < kMostBytes && p[at] == kDigitLead && p[at + 1] >= kDigitZeroTrail && p[at + 1] <= kDigitNineTrail;
    }
    // The digits' count, and their value while it fits a word.
    std::size_t skip_digits(uint64_t &value) {
        std::size_t n = 0;
        value = 0;
        for (; digit(); at += 2) {
            if (n < kDigitsInWord) value = value * 10 + (p[at + 1] - kDigitZeroTrail);
            ++n;
        }
        return n;
    }
    std::size_t skip_blanks() {
        std::size_t n = 0;
        for (; is(kWideBlank); at += 2) ++n;
        return n;
    }
};

}  // namespace

void groups_of_integer(uint64_t value, uint16_t *groups) {
    clear_block<kGroupCount * sizeof(uint16_t)>(groups);
    if (value < kGroupBase) {  // most field values: no division
        groups[kUnitsGroup] = static_cast<uint16_t>(value);
        return;
    }
    for (int g = kUnitsGroup; value != 0; --g) {
        groups[g] = static_cast<uint16_t>(value % kGroupBase);
        value /= kGroupBase;
    }
}

bool read_plain_number(const char *text, uint16_t *groups, int32_t &sign, uint32_t &code) {
    bool bare;
    return read_plain_number(text, number_modes_in_force(), groups, sign, code, bare);
}

bool read_plain_number(const char *text, const NumberModes &modes, uint16_t *groups, int32_t &sign,
                       uint32_t &code, bool &bare) {
    if (modes.point_position > 0) return false;
    // The commonest text first: full-width digits alone, few enough for a
    // word.  (They stay far inside what normalisation keeps.)
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    if (p[0] == kDigitLead) {
        uint64_t value = 0;
        std::size_t at = 0;
        unsigned d;
        while (at < 2 * kDigitsInWord && p[at] == kDigitLead && (d = p[at + 1] - unsigned{kDigitZeroTrail}) < 10) {
            value = value * 10 + d;
            at += 2;
        }
        if (at > 0 && p[at] == 0) {
            bare = true;
            sign = 0;
            code = 0;
            groups_of_integer(value, groups);
            return true;
        }
    }
    Cursor in{p};
    in.skip_blanks();
    bare = in.at == 0;
    sign = 0;
    code = 0;
    if (in.at == kMostBytes) return false;  // longer than normalisation keeps
    if (in.p[in.at] == 0) {                  // nothing but blanks
        bare = false;
        if (modes.all_blank != kBlankAsZero) code = TALV_E_NOT_NUMBER;
        else std::memset(groups, 0, kGroupCount * sizeof *groups);
        return true;
    }
    if (in.is(kWideYen)) {
        in.at += 2;
        bare = false;
    }
    if (in.is(kWideMinus) || in.is(kWidePlus)) {
        bare = false;
        sign = in.is(kWideMinus);
        in.at += 2;
    }
    const std::size_t int_start = in.at;
    uint64_t int_value = 0, unused = 0;
    const std::size_t int_digits = in.skip_digits(int_value);
    std::size_t frac_start = in.at, frac_digits = 0;
    if (in.is(kWidePoint)) {
        in.at += 2;
        frac_start = in.at;
        frac_digits = in.skip_digits(unused);
    }
    const std::size_t trailing = in.skip_blanks();
    // Anything else (a second sign or point, other characters, blanks
    // inside, a text running past what normalisation keeps) goes the
    // general way, as do digits that would be cut.
    if (in.at >= kMostBytes || in.p[in.at] != 0) return false;
    if (int_digits > static_cast<std::size_t>(kIntegerDigits) || frac_digits > static_cast<std::size_t>(kFractionDigits))
        return false;
    if (trailing > 0) {
        bare = false;
        if (modes.right_blank == kBlankError) {
            code = TALV_E_BLANK_IN_NUMBER;
            return true;
        }
        if (modes.right_blank == kBlankAsZero) return false;
    }

    clear_block<kGroupCount * sizeof(uint16_t)>(groups);
    bool nonzero = false;
    const unsigned char *digit = in.p + int_start + 1;  // trail bytes, two apart
    if (int_digits <= kDigitsInWord) {
        // One machine word holds the integer part; its groups come off it.
        nonzero = int_value != 0;
        for (int g = kUnitsGroup; int_value != 0; --g) {
            groups[g] = static_cast<uint16_t>(int_value % kGroupBase);
            int_value /= kGroupBase;
        }
    } else {
        for (std::size_t k = 0; k < int_digits; ++k) {
            const unsigned d = digit[2 * (int_digits - 1 - k)] - kDigitZeroTrail;
            groups[kUnitsGroup - k / kDigitsPerGroup] += static_cast<uint16_t>(d * kPowerOfTen[k % kDigitsPerGroup]);
            nonzero |= d != 0;
        }
    }
    digit = in.p + frac_start + 1;
    for (std::size_t f = 0; f < frac_digits; ++f) {
        const unsigned d = digit[2 * f] - kDigitZeroTrail;
        groups[kFirstFractionGroup + f / kDigitsPerGroup] +=
            static_cast<uint16_t>(d * kPowerOfTen[kDigitsPerGroup - 1 - f % kDigitsPerGroup]);
        nonzero |= d != 0;
    }
    if (!nonzero) sign = 0;
    return true;
}

}  // namespace talv

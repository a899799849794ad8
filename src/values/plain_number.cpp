// The number reading of dtchk_number and to_number, done in place for the
// texts a field read usually gives.  Every text it does not take is left to
// them; the tests compare both ways over generated texts and every mode.
#include <cstring>

#include "talvechk.h"
#include "values/decimal.h"
#include "values/fullwidth.h"
#include "values/modes.h"
#include "values/numeric_text.h"

namespace talv {
namespace {

// Characters a normalised text keeps: 136 two-byte characters.
constexpr std::size_t kMostChars = kFullWidthMax / 2;
constexpr std::size_t kFractionDigitsKept = kFractionDigits;
constexpr uint16_t kPowerOfTen[kDigitsPerGroup] = {1, 10, 100, 1000};

constexpr bool is_plain_char(uint16_t c) {
    return is_wide_digit(c) || c == kWideBlank || c == kWidePoint || c == kWidePlus || c == kWideMinus ||
           c == kWideYen;
}

}  // namespace

bool read_plain_number(const char *text, uint16_t *groups, int32_t &sign, uint32_t &code) {
    if (decimal_point > 0) return false;
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    auto char_at = [p](std::size_t k) { return static_cast<uint16_t>((p[2 * k] << 8) | p[2 * k + 1]); };

    // The characters, with the first and last that are not blanks.
    std::size_t n = 0, first = kMostChars, last = 0;
    bool blank_inside = false;
    std::size_t blanks_since_last = 0;
    for (; n < kMostChars && p[2 * n] != 0; ++n) {
        const uint16_t c = char_at(n);
        if (!is_plain_char(c)) return false;
        if (c == kWideBlank) {
            ++blanks_since_last;
            continue;
        }
        if (first == kMostChars) first = n;
        else if (blanks_since_last) blank_inside = true;
        blanks_since_last = 0;
        last = n;
    }
    if (n == kMostChars && p[2 * n] != 0) return false;  // longer than normalisation keeps

    sign = 0;
    code = 0;
    if (first == kMostChars) {  // nothing but blanks
        if (all_blank != kBlankAsZero) code = TALV_E_NOT_NUMBER;
        else std::memset(groups, 0, kGroupCount * sizeof *groups);
        return true;
    }
    if (blank_inside) return false;
    if (last + 1 < n) {
        if (right_blank == kBlankError) {
            code = TALV_E_BLANK_IN_NUMBER;
            return true;
        }
        if (right_blank == kBlankAsZero) return false;
    }

    std::size_t at = first;
    if (char_at(at) == kWideYen) ++at;
    if (at <= last && (char_at(at) == kWidePlus || char_at(at) == kWideMinus)) {
        sign = char_at(at) == kWideMinus;
        ++at;
    }
    // A second yen or sign is read by rules of its own.
    if (at <= last) {
        const uint16_t c = char_at(at);
        if (c == kWideYen || c == kWidePlus || c == kWideMinus) return false;
    }

    std::size_t point = at;
    while (point <= last && char_at(point) != kWidePoint) ++point;
    std::memset(groups, 0, kGroupCount * sizeof *groups);
    for (std::size_t k = at; k < point; ++k) {
        const uint16_t c = char_at(k);
        if (!is_wide_digit(c)) {
            code = TALV_E_NOT_NUMBER;
            return true;
        }
        const std::size_t place = point - 1 - k;
        if (place < static_cast<std::size_t>(kIntegerDigits))
            groups[kUnitsGroup - place / kDigitsPerGroup] +=
                static_cast<uint16_t>((c - kWideZero) * kPowerOfTen[place % kDigitsPerGroup]);
    }
    // Characters after the point that are examined; digits past the 32nd of
    // them are discarded.
    constexpr std::size_t kFractionCharsExamined = 36;
    for (std::size_t f = 0; point + 1 + f <= last && f < kFractionCharsExamined; ++f) {
        const uint16_t c = char_at(point + 1 + f);
        if (c == kWidePoint) {
            code = TALV_E_CONVERSION;
            return true;
        }
        if (!is_wide_digit(c)) {
            code = TALV_E_NOT_NUMBER;
            return true;
        }
        if (f < kFractionDigitsKept)
            groups[kFirstFractionGroup + f / kDigitsPerGroup] +=
                static_cast<uint16_t>((c - kWideZero) * kPowerOfTen[kDigitsPerGroup - 1 - f % kDigitsPerGroup]);
    }
    if (is_zero(groups)) sign = 0;
    return true;
}

}  // namespace talv

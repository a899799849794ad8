// Reading numbers from literal and full-width text under the blank modes, and
// writing them back as full-width text.
#include <cstring>

#include "talvechk.h"
#include "values/decimal.h"
#include "values/fullwidth.h"
#include "values/modes.h"
#include "values/numeric_text.h"

namespace {

using talv::Decimal;

constexpr std::size_t kLiteralMax = 272;
constexpr int32_t kPointPositionMax = 134;
constexpr std::size_t kBodyMaxChars = talv::kFullWidthMax / 2;  // 136
// Characters after the point that are examined; digits past the 32nd of
// them are discarded.
constexpr std::size_t kFractionCharsExamined = 36;
constexpr std::size_t kWordDigits = 19;  // digits any 64-bit word holds

constexpr uint16_t kPowerOfTen[talv::kDigitsPerGroup] = {1, 10, 100, 1000};

constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// Adds a digit that has `places` digits to its right in the integer part.
void add_integer_digit(uint16_t *groups, std::size_t places, unsigned digit) {
    if (places >= static_cast<std::size_t>(talv::kIntegerDigits)) return;  // beyond 10^103
    groups[talv::kUnitsGroup - places / talv::kDigitsPerGroup] += digit * kPowerOfTen[places % talv::kDigitsPerGroup];
}

// Adds the digit at index `place` (0 = first) after the point.
void add_fraction_digit(uint16_t *groups, std::size_t place, unsigned digit) {
    if (place >= static_cast<std::size_t>(talv::kFractionDigits)) return;
    groups[talv::kFirstFractionGroup + place / talv::kDigitsPerGroup] +=
        digit * kPowerOfTen[talv::kDigitsPerGroup - 1 - place % talv::kDigitsPerGroup];
}

// The two-byte characters of a Symbol's text from byte `from` on.  A final
// odd byte forms a character of its own that is no digit, point or sign, and
// nothing is read past the Symbol's storage.
class WideChars {
public:
    WideChars(const Symbol &sym, std::size_t from)
        : text_(sym.text), end_(strnlen(sym.text, sizeof sym.text)), from_(from < end_ ? from : end_) {}
    std::size_t size() const { return (end_ - from_ + 1) / 2; }
    uint16_t operator[](std::size_t k) const {
        const std::size_t at = from_ + 2 * k;
        const unsigned char trail = at + 1 < end_ ? static_cast<unsigned char>(text_[at + 1]) : 0;
        return static_cast<uint16_t>((static_cast<unsigned char>(text_[at]) << 8) | trail);
    }

private:
    const char *text_;
    std::size_t end_;
    std::size_t from_;
};

uint32_t not_a_digit(uint16_t c) { return c == talv::kWideBlank ? TALV_E_BLANK_IN_NUMBER : TALV_E_NOT_NUMBER; }

}  // namespace

extern "C" {

uint32_t jis8_to_number(Symbol *sym, const char *literal) {
    if (sym == nullptr) return TALV_E_NOT_NUMBER;
    // Digits alone that fit a word (most literals) are read through before
    // the groups are written: they may share the literal's storage.
    if (literal != nullptr) {
        uint64_t value = 0;
        std::size_t n = 0;
        for (; n < kWordDigits + 1 && is_ascii_digit(literal[n]); ++n) value = value * 10 + static_cast<unsigned>(literal[n] - '0');
        if (n <= kWordDigits && literal[n] == '\0') {
            talv::groups_of_integer(value, sym->digits);
            sym->kind = TALV_NUMBER;
            return 0;
        }
    }
    // A copy first: the groups about to be cleared share storage with text,
    // and the literal may be that text.
    // (Only a literal inside the Symbol's own storage needs the copy.)
    char copy[kLiteralMax + 1];
    const std::size_t len = literal == nullptr ? 0 : strnlen(literal, kLiteralMax);
    const char *text = literal;
    const auto *at = reinterpret_cast<const unsigned char *>(literal);
    const auto *storage = reinterpret_cast<const unsigned char *>(sym);
    if (literal == nullptr || (at >= storage && at < storage + sizeof *sym)) {
        if (len > 0) std::memcpy(copy, literal, len);
        copy[len] = '\0';
        text = copy;
    }

    std::memset(sym->digits, 0, sizeof sym->digits);
    sym->kind = TALV_NUMBER;

    const void *point = std::memchr(text, '.', len);
    const std::size_t p = point == nullptr ? len : static_cast<std::size_t>(static_cast<const char *>(point) - text);
    for (std::size_t i = 0; i < len; ++i) {
        if (i == p) continue;
        if (!is_ascii_digit(text[i])) return TALV_E_NOT_NUMBER;  // the groups keep what was added
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (i < p)
            add_integer_digit(sym->digits, p - 1 - i, digit);
        else
            add_fraction_digit(sym->digits, i - p - 1, digit);
    }
    return 0;
}

uint32_t to_number(Symbol *sym) {
    if (sym == nullptr) return TALV_E_NOT_NUMBER;
    if (sym->kind == TALV_NUMBER) return 0;

    std::size_t skip = 0;
    if (WideChars(*sym, 0).size() > 0 && WideChars(*sym, 0)[0] == talv::kWideYen) skip += 2;
    const WideChars after_yen(*sym, skip);
    int32_t sign = 0;
    if (after_yen.size() > 0 && (after_yen[0] == talv::kWideMinus || after_yen[0] == talv::kWidePlus)) {
        sign = after_yen[0] == talv::kWideMinus;
        skip += 2;
    }
    sym->sign = sign;

    const WideChars chars(*sym, skip);
    const std::size_t n = chars.size();
    std::size_t p = 0;
    while (p < n && chars[p] != talv::kWidePoint) ++p;

    Decimal d;
    d.sign = sign;
    for (std::size_t k = 0; k < p; ++k) {
        if (!talv::is_wide_digit(chars[k])) return not_a_digit(chars[k]);
        add_integer_digit(d.group, p - 1 - k, chars[k] - talv::kWideZero);
    }
    const std::size_t fraction_chars = p < n ? n - p - 1 : 0;
    for (std::size_t f = 0; f < fraction_chars && f < kFractionCharsExamined; ++f) {
        const uint16_t c = chars[p + 1 + f];
        if (c == talv::kWidePoint) return TALV_E_CONVERSION;
        if (!talv::is_wide_digit(c)) return not_a_digit(c);
        add_fraction_digit(d.group, f, c - talv::kWideZero);
    }
    talv::drop_negative_zero(d);
    talv::store_decimal(*sym, d);
    return 0;
}

uint32_t dtchk_number(Symbol *sym, int32_t all_blank_mode, int32_t in_blank_mode, int32_t right_blank_mode,
                      int32_t point_position) {
    if (point_position > kPointPositionMax) point_position = kPointPositionMax;
    Symbol *resolved = eval_symbol(sym);
    if (resolved == nullptr) return TALV_I_NO_MEMORY;
    if (resolved->status >= 2) return resolved->code;
    if (resolved->kind == TALV_NUMBER) return 0;

    // Digits and point alone are read where they stand: the rewriting below
    // would leave them as they are.
    {
        uint16_t groups[talv::kGroupCount];
        int32_t sign = 0;
        uint32_t code = 0;
        bool bare = false;
        if (talv::read_plain_number(resolved->text, {all_blank_mode, right_blank_mode, point_position}, groups, sign,
                                    code, bare) &&
            bare && code == 0) {
            std::memcpy(resolved->digits, groups, sizeof groups);
            resolved->sign = sign;
            resolved->kind = TALV_NUMBER;
            return 0;
        }
    }

    char wide[talv::kFullWidthBuffer];
    if (const uint32_t rc = talv::normalise_full_width(resolved->text, sizeof resolved->text, wide)) return rc;
    const std::size_t n = std::strlen(wide) / 2;
    auto char_at = [&](std::size_t k) { return talv::wide_at(wide + 2 * k); };

    std::size_t leading = 0;
    while (leading < n && char_at(leading) == talv::kWideBlank) ++leading;
    if (leading == n) {
        if (all_blank_mode != talv::kBlankAsZero) return TALV_E_NOT_NUMBER;
        talv::store_decimal(*resolved, Decimal{});
        return 0;
    }
    std::size_t last = n - 1;
    while (char_at(last) == talv::kWideBlank) --last;

    uint16_t body[kBodyMaxChars];
    std::size_t m = 0;
    for (std::size_t k = leading; k <= last; ++k) {
        uint16_t c = char_at(k);
        if (c == talv::kWideBlank) {
            if (in_blank_mode == talv::kBlankIgnore) continue;
            if (in_blank_mode == talv::kBlankAsZero) c = talv::kWideZero;
        }
        body[m++] = c;
    }
    const std::size_t trailing = n - 1 - last;
    if (trailing > 0) {
        if (right_blank_mode == talv::kBlankError) return TALV_E_BLANK_IN_NUMBER;
        if (right_blank_mode == talv::kBlankAsZero)
            for (std::size_t k = 0; k < trailing; ++k) body[m++] = talv::kWideZero;
    }

    std::size_t at = 0;
    if (at < m && body[at] == talv::kWideYen) ++at;
    while (at < m && body[at] == talv::kWideBlank) ++at;
    uint16_t sign_char = 0;
    if (at < m && (body[at] == talv::kWidePlus || body[at] == talv::kWideMinus)) sign_char = body[at++];
    while (at < m && body[at] == talv::kWideBlank) ++at;

    char out[sizeof resolved->text];
    std::size_t o = 0;
    if (sign_char != 0) {
        talv::put_wide(out, sign_char);
        o = 2;
    }
    // At most 136 characters follow the sign, an inserted point included.
    const std::size_t limit = o + 2 * kBodyMaxChars;
    auto put = [&](uint16_t c) {
        if (o >= limit) return;
        talv::put_wide(out + o, c);
        o += 2;
    };
    if (point_position <= 0) {
        for (std::size_t k = at; k < m; ++k) put(body[k]);
    } else {
        const long q = static_cast<long>(point_position) - static_cast<long>(leading + at);
        if (q < 1 || static_cast<std::size_t>(q) > m - at) return TALV_E_BLANK_IN_NUMBER;
        const std::size_t point_at = at + static_cast<std::size_t>(q);
        for (std::size_t k = at; k < point_at; ++k) put(body[k]);
        put(talv::kWidePoint);
        for (std::size_t k = point_at; k < m; ++k) put(body[k]);
    }
    out[o] = '\0';
    std::memcpy(resolved->text, out, o + 1);
    return to_number(resolved);
}

uint32_t sym_number(Symbol *sym) { return dtchk_number(sym, all_blank, in_blank, right_blank, decimal_point); }

}  // extern "C"

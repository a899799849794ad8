// The number reader (see number_reader.h): the field read's pass, the plain
// reader and the general reader, fastest first.
#include "values/number_reader.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "values/clear.h"
#include "values/decimal.h"
#include "values/fullwidth.h"

namespace talv {
namespace {

// The two-byte characters the readers meet, byte by byte.
constexpr unsigned char kBlankLead = 0x81, kBlankTrail = 0x40;
constexpr unsigned char kDigitLead = 0x82, kZeroTrail = 0x4F, kNineTrail = 0x58;
constexpr std::size_t kWordDigits = 19;  // digits any 64-bit word holds
constexpr uint16_t kPowerOfTen[kDigitsPerGroup] = {1, 10, 100, 1000};

constexpr std::size_t kLiteralMax = 272;
constexpr int32_t kPointPositionMax = 134;
constexpr std::size_t kBodyMaxChars = kFullWidthMax / 2;  // 136
// Characters after the point that are examined; digits past the 32nd of
// them are discarded.
constexpr std::size_t kFractionCharsExamined = 36;

// ---- The field read's pass ----------------------------------------------
// The general normalisation from byte `in` and output byte `out` on; kept
// out of line so that the common path stays small.
[[gnu::noinline]] std::size_t read_rest(const char *recognised, std::size_t size, std::size_t in, char *dst,
                                        std::size_t out) {
    normalise_full_width_from(recognised, size, in, dst, out);
    return in < size && recognised[in] == '\0' ? in : kLengthUnknown;
}

// Blanks, half- or full-width, written full-width, from o below o_end on;
// false at the end of what normalisation keeps.  While the output stays
// below kFullWidthMax every character read has written two bytes, so the
// source position stays within its first kFullWidthMax bytes and q[1] is
// inside it.
inline bool skip_blanks(const unsigned char *&q, char *&o, const char *o_end) {
    for (;;) {
        if (q[0] == ' ')
            ++q;
        else if (q[0] == kBlankLead && q[1] == kBlankTrail)
            q += 2;
        else
            return true;
        o[0] = static_cast<char>(kBlankLead);
        o[1] = static_cast<char>(kBlankTrail);
        o += 2;
        if (o == o_end) return false;
    }
}

// Digits, half- or full-width, written full-width from o below o_end on,
// their value folded into `value` (wrapping harmlessly past 19 digits, which
// are never noted); false at the end of what normalisation keeps.
inline bool read_digits(const unsigned char *&q, char *&o, const char *o_end, uint64_t &value) {
    for (;;) {
        unsigned d = q[0] - unsigned{'0'};
        if (d < 10)
            ++q;
        else if (q[0] == kDigitLead && (d = q[1] - unsigned{kZeroTrail}) < 10)
            q += 2;
        else
            return true;
        o[0] = static_cast<char>(kDigitLead);
        o[1] = static_cast<char>(kZeroTrail + d);
        o += 2;
        value = value * 10 + d;
        if (o == o_end) return false;
    }
}

#if defined(__SSE2__)
// 0xFF in the first n (0..16) bytes of loadu(kPrefixWindow + 16 - n), 0 after.
constexpr signed char kPrefixWindow[32] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

inline __m128i first_bytes(unsigned n) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(kPrefixWindow + 16 - n));
}

inline unsigned bits(__m128i lanes) { return static_cast<unsigned>(_mm_movemask_epi8(lanes)); }

// The value of n (1..8) digits, given as the bytes of w from the lowest up;
// the bytes past them are ignored.
inline uint64_t digits_value(uint64_t w, unsigned n) {
    if (n <= 4) {
        uint32_t h = static_cast<uint32_t>(w) << (8 * (4 - n));
        h = (h * 10 + (h >> 8)) & 0x00FF00FFu;
        return (h * 100 + (h >> 16)) & 0xFFFFu;
    }
    w <<= 8 * (8 - n);
    w = (w * 10 + (w >> 8)) & 0x00FF00FF00FF00FFull;
    w = (w * 100 + (w >> 16)) & 0x0000FFFF0000FFFFull;
    return (w * 10000 + (w >> 32)) & 0xFFFFFFFFull;
}

// The same for 9 to 16 digits, the bytes of lo then hi.
inline uint64_t long_digits_value(uint64_t lo, uint64_t hi, unsigned n) {
    constexpr uint32_t kPowers[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    return digits_value(lo, 8) * kPowers[n - 8] + digits_value(hi, n - 8);
}

inline uint64_t low_word(__m128i v) {
    uint64_t w;
    _mm_storel_epi64(reinterpret_cast<__m128i *>(&w), v);
    return w;
}

// A text of digits alone, 1 to 15 half-width or 1 to 7 full-width ones, its
// terminator among its first 16 bytes: normalised into `out` (the fresh
// Symbol's text) and its value read (and handed over when the read answers a
// request) sixteen bytes at a time; the text's length.  0, with nothing
// written, for any other text.  The host's storage holds more than 16 bytes
// (the caller leaves smaller ones to the general reading);
// the bytes written past the text's pairs are zeros the fresh Symbol holds
// already, within its text.
inline std::size_t read_digits_alone(const char *recognised, char *out, const Symbol *made, FreshRead *answered) {
    const unsigned lead = static_cast<unsigned char>(recognised[0]);
    if (lead - unsigned{'0'} < 10) {
        if (recognised[1] == '\0') {  // one digit (months, days, counts) is cheaper read as it is
            out[0] = static_cast<char>(kDigitLead);
            out[1] = static_cast<char>(kZeroTrail + (lead - '0'));
            if (answered) answered->note(made, lead - '0', false);
            return 1;
        }
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(recognised));
        const unsigned ends = bits(_mm_cmpeq_epi8(v, _mm_setzero_si128()));
        const __m128i values = _mm_sub_epi8(v, _mm_set1_epi8('0'));
        const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(9)), values);
        const unsigned count = static_cast<unsigned>(__builtin_ctz(~bits(digit)));
        if ((ends >> count & 1) == 0) return 0;  // more than digits, or 16 of them at least
        // Digit c becomes 0x82 c+0x1F.
        const __m128i keep = first_bytes(count);
        const __m128i leads = _mm_and_si128(_mm_set1_epi8(static_cast<char>(kDigitLead)), keep);
        const __m128i trails = _mm_and_si128(_mm_add_epi8(v, _mm_set1_epi8(kZeroTrail - '0')), keep);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(leads, trails));
        if (count <= 8) {
            if (answered) answered->note(made, digits_value(low_word(values), count), false);
            return count;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16), _mm_unpackhi_epi8(leads, trails));
        if (answered)
            answered->note(made, long_digits_value(low_word(values), low_word(_mm_unpackhi_epi64(values, values)), count),
                      false);
        return count;
    }
    if (lead == kDigitLead) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(recognised));
        const unsigned ends = bits(_mm_cmpeq_epi8(v, _mm_setzero_si128()));
        // Per character (lead byte low): 0x00 then the digit for 0x82 0x4F..0x58.
        const __m128i values = _mm_sub_epi16(v, _mm_set1_epi16(static_cast<short>(kZeroTrail << 8 | kDigitLead)));
        const unsigned in_range = bits(_mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi16(0x0900)), values));
        const unsigned wide_digits = in_range & in_range >> 1 & 0x5555u;
        const unsigned bytes = static_cast<unsigned>(__builtin_ctz(~(wide_digits | wide_digits << 1)));
        if ((ends >> bytes & 1) == 0) return 0;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_and_si128(v, first_bytes(bytes)));
        const __m128i digits = _mm_packus_epi16(_mm_srli_epi16(values, 8), _mm_setzero_si128());
        if (answered) answered->note(made, digits_value(low_word(digits), bytes / 2), false);
        return bytes;
    }
    return 0;
}
#endif

// ---- The plain reader ---------------------------------------------------
struct Cursor {
    const unsigned char *p;
    std::size_t at = 0;

    bool is(uint16_t c) const { return at < kFullWidthMax && p[at] == (c >> 8) && p[at + 1] == (c & 0xFF); }
    bool digit() const {
        return at < kFullWidthMax && p[at] == kDigitLead && p[at + 1] >= kZeroTrail && p[at + 1] <= kNineTrail;
    }
    // The digits' count, and their value while it fits a word.
    std::size_t skip_digits(uint64_t &value) {
        std::size_t n = 0;
        value = 0;
        for (; digit(); at += 2) {
            if (n < kWordDigits) value = value * 10 + (p[at + 1] - kZeroTrail);
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

// ---- The general reader -------------------------------------------------
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
        while (at < 2 * kWordDigits && p[at] == kDigitLead && (d = p[at + 1] - unsigned{kZeroTrail}) < 10) {
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
    if (in.at == kFullWidthMax) return false;  // longer than normalisation keeps
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
    if (in.at >= kFullWidthMax || in.p[in.at] != 0) return false;
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
    if (int_digits <= kWordDigits) {
        // One machine word holds the integer part; its groups come off it.
        nonzero = int_value != 0;
        for (int g = kUnitsGroup; int_value != 0; --g) {
            groups[g] = static_cast<uint16_t>(int_value % kGroupBase);
            int_value /= kGroupBase;
        }
    } else {
        for (std::size_t k = 0; k < int_digits; ++k) {
            const unsigned d = digit[2 * (int_digits - 1 - k)] - kZeroTrail;
            groups[kUnitsGroup - k / kDigitsPerGroup] += static_cast<uint16_t>(d * kPowerOfTen[k % kDigitsPerGroup]);
            nonzero |= d != 0;
        }
    }
    digit = in.p + frac_start + 1;
    for (std::size_t f = 0; f < frac_digits; ++f) {
        const unsigned d = digit[2 * f] - kZeroTrail;
        groups[kFirstFractionGroup + f / kDigitsPerGroup] +=
            static_cast<uint16_t>(d * kPowerOfTen[kDigitsPerGroup - 1 - f % kDigitsPerGroup]);
        nonzero |= d != 0;
    }
    if (!nonzero) sign = 0;
    return true;
}

void read_number(Symbol *resolved, FreshRead &hand_over, uint32_t request, NumberRoom &room, ReadNumber &n) {
    n.code = 0;
    if (resolved->kind == TALV_NUMBER) {
        n = {ReadNumber::Form::groups, resolved->sign, 0, 0, resolved->digits, resolved};
        return;
    }
    // Digits alone read as the plain reader would read their full-width text.
    if (hand_over.take(request, resolved, number_modes_in_force(), n.word)) {
        n.form = ReadNumber::Form::word;
        n.sign = 0;
        n.groups = nullptr;
        n.symbol = nullptr;
        return;
    }
    n.form = ReadNumber::Form::groups;
    // A reference's text is its name, not its value.
    if (resolved->kind != TALV_VARIABLE && resolved->kind != TALV_FIELD &&
        read_plain_number(resolved->text, room.groups, n.sign, n.code)) {
        n.groups = room.groups;
        n.symbol = nullptr;
    } else {
        room.copy = *resolved;
        n.code = sym_number(&room.copy);
        n.groups = room.copy.digits;
        n.sign = room.copy.sign;
        n.symbol = &room.copy;
        if (room.copy.kind != TALV_NUMBER) n.form = ReadNumber::Form::reread;
    }
    if (n.code != 0) n.form = ReadNumber::Form::not_a_number;
}

std::size_t read_fresh_text(const char *recognised, std::size_t size, Symbol *made, FreshRead &hand_over) {
    char *const dst = made->text;
    const bool answers = hand_over.answers();
    if (size <= kFullWidthMax + 1) return read_rest(recognised, size, 0, dst, 0);
#if defined(__SSE2__)
    if (recognised[0] == '\0') return 0;  // the fresh text is empty already
    if (const std::size_t length = read_digits_alone(recognised, made->text, made, answers ? &hand_over : nullptr))
        return length;
#endif

    const auto *const p = reinterpret_cast<const unsigned char *>(recognised);
    const unsigned char *q = p;
    char *o = dst;
    const char *const o_end = dst + kFullWidthMax;
    uint64_t value = 0;
    // Digits first: most texts start with one.
    bool whole = read_digits(q, o, o_end, value);
    const char *first_digit = dst;
    if (whole && o == dst && *q != '\0') {
        whole = skip_blanks(q, o, o_end);
        first_digit = o;
        if (whole) whole = read_digits(q, o, o_end, value);
    }
    const std::size_t digit_bytes = static_cast<std::size_t>(o - first_digit);
    const char *const last_digit_end = o;
    if (whole && *q != '\0') whole = skip_blanks(q, o, o_end);
    const std::size_t in = static_cast<std::size_t>(q - p);
    if (whole && *q != '\0') return read_rest(recognised, size, in, dst, static_cast<std::size_t>(o - dst));

    *o = '\0';
    // A text filling what normalisation keeps is left to the general
    // reading, as the plain reader leaves it.
    if (answers && whole && digit_bytes - 2 < 2 * kWordDigits - 1)  // 1 to 19 digits
        hand_over.note(made, value, o != last_digit_end);
    return *q == '\0' ? in : kLengthUnknown;
}

}  // namespace talv

extern "C" {

uint32_t jis8_to_number(Symbol *sym, const char *literal) {
    if (sym == nullptr) return TALV_E_NOT_NUMBER;
    // Digits alone that fit a word (most literals) are read through before
    // the groups are written: they may share the literal's storage.
    if (literal != nullptr) {
        uint64_t value = 0;
        std::size_t n = 0;
        for (; n < talv::kWordDigits + 1 && talv::is_ascii_digit(literal[n]); ++n) value = value * 10 + static_cast<unsigned>(literal[n] - '0');
        if (n <= talv::kWordDigits && literal[n] == '\0') {
            talv::groups_of_integer(value, sym->digits);
            sym->kind = TALV_NUMBER;
            return 0;
        }
    }
    // A copy first: the groups about to be cleared share storage with text,
    // and the literal may be that text.
    // (Only a literal inside the Symbol's own storage needs the copy.)
    char copy[talv::kLiteralMax + 1];
    const std::size_t len = literal == nullptr ? 0 : strnlen(literal, talv::kLiteralMax);
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
        if (!talv::is_ascii_digit(text[i])) return TALV_E_NOT_NUMBER;  // the groups keep what was added
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (i < p)
            talv::add_integer_digit(sym->digits, p - 1 - i, digit);
        else
            talv::add_fraction_digit(sym->digits, i - p - 1, digit);
    }
    return 0;
}

uint32_t to_number(Symbol *sym) {
    if (sym == nullptr) return TALV_E_NOT_NUMBER;
    if (sym->kind == TALV_NUMBER) return 0;

    std::size_t skip = 0;
    if (talv::WideChars(*sym, 0).size() > 0 && talv::WideChars(*sym, 0)[0] == talv::kWideYen) skip += 2;
    const talv::WideChars after_yen(*sym, skip);
    int32_t sign = 0;
    if (after_yen.size() > 0 && (after_yen[0] == talv::kWideMinus || after_yen[0] == talv::kWidePlus)) {
        sign = after_yen[0] == talv::kWideMinus;
        skip += 2;
    }
    sym->sign = sign;

    const talv::WideChars chars(*sym, skip);
    const std::size_t n = chars.size();
    std::size_t p = 0;
    while (p < n && chars[p] != talv::kWidePoint) ++p;

    talv::Decimal d;
    d.sign = sign;
    for (std::size_t k = 0; k < p; ++k) {
        if (!talv::is_wide_digit(chars[k])) return talv::not_a_digit(chars[k]);
        talv::add_integer_digit(d.group, p - 1 - k, chars[k] - talv::kWideZero);
    }
    const std::size_t fraction_chars = p < n ? n - p - 1 : 0;
    for (std::size_t f = 0; f < fraction_chars && f < talv::kFractionCharsExamined; ++f) {
        const uint16_t c = chars[p + 1 + f];
        if (c == talv::kWidePoint) return TALV_E_CONVERSION;
        if (!talv::is_wide_digit(c)) return talv::not_a_digit(c);
        talv::add_fraction_digit(d.group, f, c - talv::kWideZero);
    }
    talv::drop_negative_zero(d);
    talv::store_decimal(*sym, d);
    return 0;
}

uint32_t dtchk_number(Symbol *sym, int32_t all_blank_mode, int32_t in_blank_mode, int32_t right_blank_mode,
                      int32_t point_position) {
    if (point_position > talv::kPointPositionMax) point_position = talv::kPointPositionMax;
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
        talv::store_decimal(*resolved, talv::Decimal{});
        return 0;
    }
    std::size_t last = n - 1;
    while (char_at(last) == talv::kWideBlank) --last;

    uint16_t body[talv::kBodyMaxChars];
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
    const std::size_t limit = o + 2 * talv::kBodyMaxChars;
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

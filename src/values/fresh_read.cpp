#include "values/fresh_read.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "values/fullwidth.h"

namespace talv {

namespace {

constexpr std::size_t kMostDigits = 19;
constexpr unsigned char kBlankLead = 0x81, kBlankTrail = 0x40;
constexpr unsigned char kDigitLead = 0x82, kZeroTrail = 0x4F;

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

}  // namespace

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
    if (answers && whole && digit_bytes - 2 < 2 * kMostDigits - 1)  // 1 to 19 digits
        hand_over.note(made, value, o != last_digit_end);
    return *q == '\0' ? in : kLengthUnknown;
}

}  // namespace talv

#include "values/fresh_read.h"

#include "values/fullwidth.h"

namespace talv {

FreshRead g_fresh_read;
uint32_t g_read_request = 0;
bool g_read_armed = false;

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

}  // namespace

std::size_t read_fresh_text(const char *recognised, std::size_t size, Symbol *made) {
    char *const dst = made->text;
    const bool answers = g_read_armed;
    if (answers) {
        g_read_armed = false;
        g_fresh_read.sym = nullptr;
    }
    if (size <= kFullWidthMax + 1) return read_rest(recognised, size, 0, dst, 0);

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
    if (answers && whole && digit_bytes - 2 < 2 * kMostDigits - 1) {  // 1 to 19 digits
        g_fresh_read.sym = made;
        g_fresh_read.request = g_read_request;
        g_fresh_read.value = value;
        g_fresh_read.trailing_blanks = o != last_digit_end;
    }
    return *q == '\0' ? in : kLengthUnknown;
}

}  // namespace talv

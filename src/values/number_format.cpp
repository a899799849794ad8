// Writing a number as full-width text (to_character).
#include <cstring>

#include "talvechk.h"
#include "values/decimal.h"
#include "values/fullwidth.h"

namespace {

using talv::Decimal;

// sign + 104 integer digits + point + 32 fraction digits
constexpr std::size_t kLongestForm = 1 + talv::kIntegerDigits + 1 + talv::kFractionDigits;
// Characters that fit in text with its terminator: 137.
constexpr std::size_t kMostChars = (TALV_SYMBOL_TEXT - 1) / 2;

// The number as ASCII digits and point, without sign; returns its length.
std::size_t format_magnitude(const Decimal &d, char *out) {
    std::size_t len = 0;
    auto put_group = [&](uint16_t g) {
        for (int div = 1000; div > 0; div /= 10) out[len++] = static_cast<char>('0' + g / div % 10);
    };
    for (int k = talv::first_nonzero_group(d, 0, talv::kUnitsGroup); k <= talv::kUnitsGroup; ++k)
        put_group(d.group[k]);
    const int last = talv::last_nonzero_group(d, talv::kFirstFractionGroup);
    if (last >= talv::kFirstFractionGroup) {
        out[len++] = '.';
        for (int k = talv::kFirstFractionGroup; k <= last; ++k) put_group(d.group[k]);
        while (out[len - 1] == '0') --len;
    }
    std::size_t lead = 0;
    while (len - lead > 1 && out[lead] == '0' && out[lead + 1] != '.') ++lead;
    std::memmove(out, out + lead, len - lead);
    return len - lead;
}

}  // namespace

extern "C" {

uint32_t to_character(Symbol *sym) {
    if (sym == nullptr) return TALV_I_NO_MEMORY;
    if (sym->kind == TALV_STRING) return 0;
    Symbol *resolved = eval_symbol(sym);
    if (resolved == nullptr) return TALV_I_NO_MEMORY;
    if (resolved->status >= 2) return resolved->code;
    // A field or variable that resolves to text is already text; its bytes
    // are no groups to be read.
    if (resolved->kind == TALV_STRING) return 0;

    const Decimal d = talv::decimal_of(*resolved);
    char magnitude[kLongestForm];
    std::size_t len = format_magnitude(d, magnitude);
    const std::size_t sign_chars = d.sign == 1 ? 1 : 0;
    // The longest form (138 characters) is one byte too long for text with
    // its terminator: it loses its 32nd fraction digit, and with it any
    // zeros that digit leaves at the end.
    if (sign_chars + len > kMostChars) {
        len = kMostChars - sign_chars;
        while (magnitude[len - 1] == '0') --len;
        if (magnitude[len - 1] == '.') --len;
    }

    char *out = resolved->text;
    if (sign_chars) {
        talv::put_wide(out, talv::kWideMinus);
        out += 2;
    }
    for (std::size_t i = 0; i < len; ++i, out += 2)
        talv::put_wide(out, magnitude[i] == '.' ? talv::kWidePoint
                                                : static_cast<uint16_t>(talv::kWideZero + (magnitude[i] - '0')));
    *out = '\0';
    resolved->kind = TALV_STRING;
    return 0;
}

}  // extern "C"

// Filling, resolving and converting single Symbols.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "talvechk.h"
#include "values/decimal.h"
#include "values/field_symbol.h"
#include "values/fullwidth.h"
#include "values/modes.h"

namespace {

using talv::kFieldNameMax;
constexpr std::size_t kVariableNameMax = 16;
constexpr std::size_t kFieldLeadingSpaceMax = 32;
constexpr std::size_t kOtherTextMax = 272;
constexpr std::size_t kTokenBuffer = 512;
constexpr int32_t kNoValue = INT32_MIN;

// The default locale's white space; bytes of two-byte characters (0x40 and
// up) never qualify.
constexpr bool is_white_space(char c) {
    // One test of a bit set: ' ' and '\t' to '\r'.
    constexpr uint64_t kWhite = (uint64_t{1} << ' ') | (uint64_t{0x1F} << '\t');
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' && ((kWhite >> u) & 1) != 0;
}
static_assert(is_white_space(' ') && is_white_space('\t') && is_white_space('\n') && is_white_space('\v') &&
              is_white_space('\f') && is_white_space('\r'));
static_assert(!is_white_space('\0') && !is_white_space('\x08') && !is_white_space('\x0E') &&
              !is_white_space('\x1F') && !is_white_space('!') && !is_white_space('\xA0') && !is_white_space('\x85'));

void copy_cut(char *dst, const char *src, std::size_t limit) {
    const std::size_t n = strnlen(src, limit);
    std::memmove(dst, src, n);  // src may lie inside dst
    dst[n] = '\0';
}

void set_field_name(Symbol *sym, const char *text) {
    std::size_t skipped = 0;
    while (skipped < kFieldLeadingSpaceMax && is_white_space(text[skipped])) ++skipped;
    copy_cut(sym->text, text + skipped, kFieldNameMax);
    std::size_t len = std::strlen(sym->text);
    while (len > 0 && is_white_space(sym->text[len - 1])) sym->text[--len] = '\0';
}

// set_field_name applied to the bracket's content, read where it stands.
Symbol *fill_field_symbol(Symbol *sym, const char *content, std::size_t inner) {
    std::size_t skipped = 0;
    while (skipped < kFieldLeadingSpaceMax && skipped < inner && is_white_space(content[skipped])) ++skipped;
    std::size_t n = inner - skipped < kFieldNameMax ? inner - skipped : kFieldNameMax;
    for (std::size_t i = 0; i < n; ++i) sym->text[i] = content[skipped + i];
    sym->text[n] = '\0';
    while (n > 0 && is_white_space(sym->text[n - 1])) sym->text[--n] = '\0';
    sym->kind = TALV_FIELD;
    return sym;
}

// create_symbol for a field reference token, into a fresh cell: one pass
// over "[" content "$", the byte before the NUL being the delimiter.
Symbol *fill_field_symbol(Symbol *sym, const char *token) {
    std::size_t n = 0;
    if (token[0] != '\0') {
        const char *content = token + 1;
        std::size_t skipped = 0;
        // A white-space delimiter skipped here leaves nothing to copy, as
        // when the skip stops before it.
        while (skipped < kFieldLeadingSpaceMax && is_white_space(content[skipped])) ++skipped;
        const char *from = content + skipped;
        std::size_t copied = 0;
        while (copied <= kFieldNameMax && from[copied] != '\0') {
            sym->text[copied] = from[copied];
            ++copied;
        }
        n = copied > kFieldNameMax ? kFieldNameMax : copied > 0 ? copied - 1 : 0;
        for (std::size_t i = n; i < copied; ++i) sym->text[i] = '\0';
        while (n > 0 && is_white_space(sym->text[n - 1])) sym->text[--n] = '\0';
    }
    sym->kind = TALV_FIELD;
    return sym;
}

// set_symbol of the text cut at the token buffer.
__attribute__((noinline)) Symbol *set_cut_symbol(Symbol *sym, const char *text, int kind) {
    char kept[kTokenBuffer + 1];
    copy_cut(kept, text, kTokenBuffer);
    return set_symbol(sym, kept, kind);
}

}  // namespace

namespace talv {

Symbol *create_field_symbol(const char *content, std::size_t length) {
    Symbol *sym = sym_alloc();
    if (sym == nullptr) return nullptr;
    // The content of a token never holds a NUL, nor more than the token buffer.
    std::size_t n = 0;
    while (n < length && n < kTokenBuffer && content[n] != '\0') ++n;
    return fill_field_symbol(sym, content, n);
}

FieldNames::FieldNames(const char *prefix, std::size_t length) : prefix_(prefix), prefix_len_(length) {
    std::size_t skipped = 0;
    while (skipped < kFieldLeadingSpaceMax && skipped < length && is_white_space(prefix[skipped])) ++skipped;
    kept_len_ = length - skipped;
    for (std::size_t i = 0; i < kept_len_ && i < kFieldNameMax; ++i) kept_[i] = prefix[skipped + i];
}

Symbol *FieldNames::make(const char *number, std::size_t length) {
    // Digits are never white space: the kept name is the kept prefix and
    // the number, unless that is cut at 32 bytes.
    if (length == 0 || kept_len_ + length > kFieldNameMax) return make_cut(number, length);
    Symbol *sym = sym_alloc();
    if (sym == nullptr) return nullptr;
    std::memcpy(sym->text, kept_, kFieldNameMax);
    for (std::size_t i = 0; i < length; ++i) sym->text[kept_len_ + i] = number[i];
    sym->kind = TALV_FIELD;
    return sym;
}

__attribute__((noinline)) Symbol *FieldNames::make_cut(const char *number, std::size_t length) {
    char content[kTokenBuffer];
    std::size_t n = 0;
    for (std::size_t i = 0; i < prefix_len_ && n < kTokenBuffer; ++i) content[n++] = prefix_[i];
    for (std::size_t i = 0; i < length && n < kTokenBuffer; ++i) content[n++] = number[i];
    return create_field_symbol(content, n);
}

}  // namespace talv

extern "C" {

Symbol *set_symbol(Symbol *sym, const char *text, int kind) {
    if (sym == nullptr) return nullptr;
    if (text == nullptr) text = "";
    switch (kind) {
    case TALV_VARIABLE:
        copy_cut(sym->text, text, kVariableNameMax);
        break;
    case TALV_NUMBER:
        sym->code = jis8_to_number(sym, text);
        if (sym->code != 0) sym->status = 2;
        break;
    case TALV_FIELD:
        set_field_name(sym, text);
        break;
    default:
        copy_cut(sym->text, text, kOtherTextMax);
        break;
    }
    sym->kind = kind;
    return sym;
}

Symbol *create_symbol(const char *text, int kind) {
    Symbol *sym = sym_alloc();
    if (sym == nullptr) return nullptr;
    if (text == nullptr) text = "";
    // What set_symbol makes of the token text cut at the token buffer, read
    // where it stands.
    switch (kind) {
    case TALV_FIELD:
        return fill_field_symbol(sym, text);
    case TALV_VARIABLE: {
        // Names are short and the cell is fresh: a loop beats two calls.
        std::size_t n = 0;
        for (; n < kVariableNameMax && text[n] != '\0'; ++n) sym->text[n] = text[n];
        sym->text[n] = '\0';
        sym->kind = kind;
        return sym;
    }
    case TALV_STRING: {
        // Without its quotes.
        const std::size_t len = strnlen(text, kTokenBuffer + 2);
        const std::size_t inner = len >= 2 ? len - 2 : 0;
        const std::size_t n = inner < kOtherTextMax ? inner : kOtherTextMax;
        std::memcpy(sym->text, len >= 2 ? text + 1 : text, n);
        sym->text[n] = '\0';
        sym->kind = kind;
        return sym;
    }
    case TALV_NUMBER:
        // Literals are short: a loop beats a call.
        for (std::size_t n = 0; n <= kTokenBuffer; ++n)
            if (text[n] == '\0') return set_symbol(sym, text, kind);
        break;
    default:
        break;
    }
    return set_cut_symbol(sym, text, kind);
}

int symbol_to_long(Symbol *sym, int32_t *out) {
    int32_t value = kNoValue;
    Symbol *resolved = eval_symbol(sym);
    // The current decimal-point position is deliberately not applied.
    if (resolved != nullptr && dtchk_number(resolved, all_blank, in_blank, right_blank, talv::kPointNotApplied) == 0) {
        // An integer of at most eight digits: every group before the last
        // two integer groups is zero.
        constexpr int kHighGroups = talv::kUnitsGroup - 1;
        static_assert(kHighGroups % 4 == 0);
        uint64_t high = 0;
        for (int k = 0; k < kHighGroups; k += 4) {
            uint64_t word;
            std::memcpy(&word, resolved->digits + k, sizeof word);
            high |= word;
        }
        if (high == 0) {
            value = static_cast<int32_t>(resolved->digits[kHighGroups]) * 10000 + resolved->digits[talv::kUnitsGroup];
            if (resolved->sign == 1) value = -value;
        }
    }
    if (out != nullptr) *out = value;
    return 0;
}

Symbol *long_to_symbol(int32_t value) {
    char text[TALV_SYMBOL_TEXT];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
    Symbol *sym = sym_alloc();
    if (sym == nullptr) return nullptr;
    sym->code = StrNormal(text, sym);
    if (sym->code == 0) sym->code = to_number(sym);
    if (sym->code != 0) sym->status = 2;
    return sym;
}

Symbol *eval_symbol(Symbol *sym) {
    if (sym == nullptr) return nullptr;
    switch (sym->kind) {
    case TALV_VARIABLE:
        return reference_variable(sym->text);
    case TALV_FIELD:
        return reference_field(sym);
    default:
        return sym;
    }
}

int get_length(Symbol *sym) {
    if (sym == nullptr) return 0;
    char normalised[talv::kFullWidthBuffer];
    // A control byte stops the normalisation; what came before it counts.
    talv::normalise_full_width(sym->text, sizeof sym->text, normalised);
    return static_cast<int>(std::strlen(normalised) / 2);
}

}  // extern "C"

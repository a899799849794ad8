// Internals of the names subsystem that tests reach directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"

namespace talv {

// ASCII-only upper-casing: the library never changes the locale, but the host
// may have, and bytes of two-byte characters must stay as they are.
inline unsigned char ascii_upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
inline bool ascii_digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool ascii_alpha(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of `s` but never past `limit` bytes.
inline std::size_t bounded_length(const char *s, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && s[n]) ++n;
    return n;
}

// Character-class flags a field's class spec declares; reads at most 256
// bytes of it.  An empty spec declares every class (-1).
int32_t derive_charclass(const char *class_spec);

// Whether certify mode lets an expression reference a field of this type;
// reads at most 8 bytes of it.
bool field_type_accepted(const char *type);

// Case-insensitive name match over at most 16 bytes of each side, as both
// function tables and the variable table compare names.
bool names_match16(const char *a, const char *b);

// Empties the cache of function names found (PPR_init: a host that changed
// the companion table in between finds its rows afresh).
void forget_function_lookups();

// The value a variable holds, or null; reads the table only (the trace shows
// variable operands with it).
const Symbol *variable_value(const char *name);

// Empties the variable table (the evaluation's own reset; the exported
// init_variable is this behind the guard against a running evaluation).
int reset_variables();

}  // namespace talv

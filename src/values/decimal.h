// The exact decimal number held in a Symbol: 34 base-10000 groups, group 0
// most significant, the point fixed between the integer groups 0..25 and the
// fraction groups 26..33, and a separate sign.  No exponent, no negative zero.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "talvechk.h"

namespace talv {

constexpr int kGroupCount = TALV_GROUPS;                           // 34
constexpr int kIntegerGroups = TALV_INT_GROUPS;                    // 26
constexpr int kFractionGroups = kGroupCount - kIntegerGroups;      // 8
constexpr int kUnitsGroup = TALV_UNITS_GROUP;                      // 25
constexpr int kFirstFractionGroup = kIntegerGroups;                // 26
constexpr int kDigitsPerGroup = 4;
constexpr uint32_t kGroupBase = 10000;
constexpr int kIntegerDigits = kIntegerGroups * kDigitsPerGroup;   // 104
constexpr int kFractionDigits = kFractionGroups * kDigitsPerGroup; // 32

static_assert(std::is_same_v<unsigned short, uint16_t>, "Symbol digits are 16-bit groups");

struct Decimal {
    uint16_t group[kGroupCount] = {};
    int32_t sign = 0;  // 1 negative
};

// First group in [from, to) that is not 0, or `to` when there is none.
constexpr int first_nonzero_group(const uint16_t *groups, int from = 0, int to = kGroupCount) {
    for (int k = from; k < to; ++k)
        if (groups[k] != 0) return k;
    return to;
}

// Last group in [from, to) that is not 0, or from - 1 when there is none.
constexpr int last_nonzero_group(const uint16_t *groups, int from = 0, int to = kGroupCount) {
    for (int k = to - 1; k >= from; --k)
        if (groups[k] != 0) return k;
    return from - 1;
}

inline bool is_zero(const uint16_t *groups) {
    // Two groups and eight words of four: all 34 ORed together.
    uint64_t any = 0;
    for (int k = 0; k + 4 <= kGroupCount; k += 4) {
        uint64_t w;
        std::memcpy(&w, groups + k, sizeof w);
        any |= w;
    }
    uint32_t tail;
    std::memcpy(&tail, groups + kGroupCount - 2, sizeof tail);
    return (any | tail) == 0;
}

constexpr int first_nonzero_group(const Decimal &d, int from = 0, int to = kGroupCount) {
    return first_nonzero_group(d.group, from, to);
}
constexpr int last_nonzero_group(const Decimal &d, int from = 0, int to = kGroupCount) {
    return last_nonzero_group(d.group, from, to);
}
inline bool is_zero(const Decimal &d) { return is_zero(d.group); }

constexpr bool has_fraction(const Decimal &d) {
    return first_nonzero_group(d, kFirstFractionGroup) != kGroupCount;
}

// Zero carries no sign.
inline void drop_negative_zero(Decimal &d) {
    if (is_zero(d)) d.sign = 0;
}

inline Decimal decimal_of(const Symbol &sym) {
    Decimal d;
    std::memcpy(d.group, sym.digits, sizeof d.group);
    d.sign = sym.sign;
    return d;
}

// Writes the groups and the sign and makes the Symbol a NUMBER; the text
// bytes past the groups are left as they were.
inline void store_decimal(Symbol &sym, const Decimal &d) {
    std::memcpy(sym.digits, d.group, sizeof d.group);
    sym.sign = d.sign;
    sym.kind = TALV_NUMBER;
}

}  // namespace talv

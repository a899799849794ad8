#include "arith/groups.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace talv {
GroupSpan nonzero_span(const Group *x, const Group *y) {
#if defined(__SSE2__)
    // One bit per group, set when it is nonzero in either: groups 0..31 from
    // four vectors of eight, then groups 32 and 33.
    auto zero_lanes = [x, y](int v) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + 8 * v));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(y + 8 * v));
        return _mm_cmpeq_epi16(_mm_or_si128(a, b), _mm_setzero_si128());
    };
    const uint32_t low = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(zero_lanes(0), zero_lanes(1))));
    const uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(zero_lanes(2), zero_lanes(3))));
    const uint64_t tail = (x[32] | y[32] ? 1u : 0u) | (x[33] | y[33] ? 2u : 0u);
    const uint64_t nonzero = (~(low | high << 16) & 0xFFFFFFFFull) | tail << 32;
    if (nonzero == 0) return {kGroupCount, kGroupCount - 1};
    return {std::countr_zero(nonzero), 63 - std::countl_zero(nonzero)};
#else
    if constexpr (std::endian::native == std::endian::little) {
        // Words of four groups, 0..7, then groups 32 and 33 as word 8; each
        // word looked at only as far as the scans from either end need it.
        constexpr int kLastWord = kGroupCount / 4;
        auto word = [x, y](int w) -> uint64_t {
            if (w == kLastWord) {
                uint32_t a, b;
                std::memcpy(&a, x + 4 * w, sizeof a);
                std::memcpy(&b, y + 4 * w, sizeof b);
                return a | b;
            }
            uint64_t a, b;
            std::memcpy(&a, x + 4 * w, sizeof a);
            std::memcpy(&b, y + 4 * w, sizeof b);
            return a | b;
        };
        int lo = 0;
        uint64_t low_word = 0;
        while (lo <= kLastWord && (low_word = word(lo)) == 0) ++lo;
        if (lo > kLastWord) return {kGroupCount, kGroupCount - 1};
        int hi = kLastWord;
        uint64_t high_word = 0;
        while ((high_word = word(hi)) == 0) --hi;
        return {4 * lo + std::countr_zero(low_word) / 16, 4 * hi + (63 - std::countl_zero(high_word)) / 16};
    } else {
        int first = 0, last = kGroupCount - 1;
        while (first < kGroupCount && x[first] == 0 && y[first] == 0) ++first;
        while (last >= first && x[last] == 0 && y[last] == 0) --last;
        return {first, last};
    }
#endif
}

int groups_compare(const Group *x, const Group *y) {
    int k = 0;
#if defined(__SSE2__)
    // Equal runs skipped eight groups at a time; the first unequal group
    // found from the vector's mask.
    for (; k + 8 <= kGroupCount; k += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(y + k));
        const uint32_t equal = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(a, b)));
        if (equal != 0xFFFFu) {
            k += std::countr_zero(~equal) / 2;
            return x[k] > y[k] ? 1 : -1;
        }
    }
#else
    // Equal runs skipped four groups at a time.
    for (; k + 4 <= kGroupCount; k += 4) {
        uint64_t a, b;
        std::memcpy(&a, x + k, sizeof a);
        std::memcpy(&b, y + k, sizeof b);
        if (a != b) break;
    }
#endif
    for (; k < kGroupCount; ++k)
        if (x[k] != y[k]) return x[k] > y[k] ? 1 : -1;
    return 0;
}

// Groups outside the operands' nonzero span add up to zero, bar the one
// carry out of the span's top.  The sums go through a buffer so that `out`
// may be either operand.
void groups_add(Group *out, const Group *x, const Group *y) {
    const GroupSpan span = nonzero_span(x, y);
    Group sums[kGroupCount] = {};
    uint32_t carry = 0;
    for (int k = span.last; k >= span.first; --k) {
        uint32_t s = uint32_t{x[k]} + y[k] + carry;
        carry = 0;
        if (s >= kGroupBase) {
            if (s < 2 * kGroupBase) {  // canonical groups always
                s -= kGroupBase;
                carry = 1;
            } else {
                carry = s / kGroupBase;
                s %= kGroupBase;
            }
        }
        sums[k] = static_cast<Group>(s);
    }
    if (span.first > 0 && span.first <= span.last) sums[span.first - 1] = static_cast<Group>(carry);  // at most 13
    std::memcpy(out, sums, sizeof sums);
}

void groups_sub(Group *out, const Group *x, const Group *y) {
    int32_t borrow = 0;
    for (int k = kGroupCount - 1; k >= 0; --k) {
        int32_t d = int32_t{x[k]} - y[k] - borrow;
        borrow = 0;
        while (d < 0) {  // more than one round only for non-canonical groups
            d += static_cast<int32_t>(kGroupBase);
            ++borrow;
        }
        out[k] = static_cast<Group>(d % static_cast<int32_t>(kGroupBase));
        borrow -= d / static_cast<int32_t>(kGroupBase);  // excess of a non-canonical group
    }
}

void groups_mul(Group *out, const Group *x, const Group *y) {
    // Column sums first, one carry pass after: the same value as carrying
    // after every partial product, since carries out of group 0 are dropped
    // either way.  34 products of 16-bit groups fit 64 bits easily.  Only
    // nonzero groups give partial products.
    const GroupSpan sx = nonzero_span(x, x), sy = nonzero_span(y, y);
    if (sx.first > sx.last || sy.first > sy.last) {
        std::memset(out, 0, kGroupCount * sizeof *out);
        return;
    }
    if (sx.first == sx.last && sy.first == sy.last) {
        // One partial product: the columns' bookkeeping for it alone.
        const int i = sx.first + sy.first - 25;
        const uint32_t p = uint32_t{x[sx.first]} * y[sy.first];
        uint32_t value = i >= 0 && i <= 33 ? p : i == 34 ? p / kGroupBase : 0;
        Group product[kGroupCount] = {};
        for (int k = i < 33 ? i : 33; k >= 0 && value != 0; --k) {
            product[k] = static_cast<Group>(value % kGroupBase);
            value /= kGroupBase;
        }
        std::memcpy(out, product, sizeof product);
        return;
    }
    uint64_t column[kGroupCount];
    // The partial product x[n]*y[m] has the weight of index n + m - 25;
    // those of index 34 land in column 33 (their high part), any further
    // below are dropped.
    auto clamp_column = [](int i) { return i < 0 ? 0 : i > kGroupCount - 1 ? kGroupCount - 1 : i; };
    const int low = clamp_column(sx.first + sy.first - 25);
    const int high = clamp_column(sx.last + sy.last - 25);
    for (int i = low; i <= high; ++i) column[i] = 0;
    for (int n = sx.first; n <= sx.last; ++n) {
        if (x[n] == 0) continue;
        int m_first = 25 - n > sy.first ? 25 - n : sy.first;
        for (int m = m_first; m <= sy.last; ++m) {
            int i = n + m - 25;
            uint32_t p = uint32_t{x[n]} * y[m];
            if (i <= 33)
                column[i] += p;
            else if (i == 34)
                column[33] += p / kGroupBase;
            else
                break;
        }
    }
    // Into a buffer cleared and copied whole: cheaper than clearing the
    // groups outside the columns one run at a time.
    Group product[kGroupCount] = {};
    uint64_t carry = 0;
    int k = high;
    for (; k >= low; --k) {
        uint64_t s = column[k] + carry;
        product[k] = static_cast<Group>(s % kGroupBase);
        carry = s / kGroupBase;
    }
    for (; k >= 0 && carry != 0; --k) {
        product[k] = static_cast<Group>(carry % kGroupBase);
        carry /= kGroupBase;
    }
    std::memcpy(out, product, sizeof product);
}

}  // namespace talv

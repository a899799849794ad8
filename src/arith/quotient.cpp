// Exact integer quotient of two 34-group numbers by normalised long division
// in base 10000: one estimate per quotient group from the top two remainder
// groups, corrected at most twice against the second divisor group, and one
// rare add-back.  Each quotient group costs one multiply-subtract over the
// divisor's groups instead of a trial product per candidate value.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arith/groups.h"

namespace talv {
namespace {

constexpr uint32_t B = kGroupBase;

// Groups above 9999 (a Symbol some extension function filled by hand) are
// carried over first: the estimates below rely on canonical groups.
void canonical_copy(Group *out, const Group *in) {
    uint32_t carry = 0;
    int k = kGroupCount - 1;
    for (; k >= 0 && in[k] == 0; --k) out[k] = 0;  // zero groups carry nothing
    for (; k >= 0; --k) {
        uint32_t s = in[k] + carry;
        if (s < B) {
            out[k] = static_cast<Group>(s);
            carry = 0;
        } else {
            out[k] = static_cast<Group>(s % B);
            carry = s / B;
        }
    }
}

// Whether every group is at most 9999.
bool is_canonical(const Group *g) {
#if defined(__SSE2__)
    // A group above 9999 leaves something after a saturating subtraction of 9999.
    const __m128i largest = _mm_set1_epi16(static_cast<short>(B - 1));
    __m128i excess = _mm_setzero_si128();
    for (int k = 0; k + 8 <= kGroupCount; k += 8)
        excess = _mm_or_si128(excess, _mm_subs_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(g + k)), largest));
    const bool vectors_canonical = _mm_movemask_epi8(_mm_cmpeq_epi16(excess, _mm_setzero_si128())) == 0xFFFF;
    return vectors_canonical && g[32] < B && g[33] < B;
#else
    // Four groups to a word: a group's low 15 bits plus 0x8000 - 10000
    // reach bit 15 exactly when they are 10000 or more, and no lane carries
    // into the next.
    constexpr uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFull, kBias = 0x58F058F058F058F0ull, kTop = 0x8000800080008000ull;
    uint64_t high = 0;
    int k = 0;
    for (; k + 4 <= kGroupCount; k += 4) {
        uint64_t w;
        std::memcpy(&w, g + k, sizeof w);
        high |= ((w & kLow15) + kBias) | w;
    }
    uint32_t tail;
    std::memcpy(&tail, g + k, sizeof tail);
    high |= ((tail & kLow15) + kBias) | tail;
    return (high & kTop) == 0;
#endif
}

// q := floor(a / (divisor * B^shift)): a's groups from `first` (its first
// nonzero one) to 33 - shift, each landing `shift` groups lower.
void divide_by_one_group(Group *q, const Group *a, int first, int shift, uint32_t divisor) {
    uint32_t rem = 0;
    for (int j = first; j + shift < kGroupCount; ++j) {
        uint32_t cur = rem * B + a[j];
        q[j + shift] = static_cast<Group>(cur / divisor);
        rem = cur % divisor;
    }
}

// q := floor(a / v) for a divisor v[0..n-1] of n >= 2 groups, v[0] nonzero.
void divide_long(Group *q, const Group *a, const Group *divisor, int n) {
    // Scale both so that the divisor's leading group is at least B/2; this
    // bounds the estimate's error to two.  The dividend gains a top group.
    const uint32_t f = B / (uint32_t{divisor[0]} + 1);
    uint32_t v[kGroupCount];
    uint32_t carry = 0;
    for (int k = n - 1; k >= 0; --k) {
        uint32_t p = divisor[k] * f + carry;
        v[k] = p % B;
        carry = p / B;
    }
    uint32_t u[kGroupCount + 1];
    carry = 0;
    for (int k = kGroupCount; k >= 1; --k) {
        uint32_t p = a[k - 1] * f + carry;
        u[k] = p % B;
        carry = p / B;
    }
    u[0] = carry;

    // Windows lying wholly above the dividend's first group give 0.
    int lead = 0;
    while (lead <= kGroupCount && u[lead] == 0) ++lead;
    for (int j = lead > n ? lead - n : 0; j <= kGroupCount - n; ++j) {
        // Window u[j..j+n] holds the running remainder, below B * divisor.
        uint32_t top = u[j] * B + u[j + 1];
        uint32_t qhat = top / v[0];
        uint32_t rhat = top % v[0];
        while (qhat >= B || qhat * v[1] > rhat * B + u[j + 2]) {
            --qhat;
            rhat += v[0];
            if (rhat >= B) break;
        }
        if (qhat == 0) continue;

        uint32_t mul_carry = 0;
        int32_t borrow = 0;
        for (int k = n - 1; k >= 0; --k) {
            uint32_t p = qhat * v[k] + mul_carry;
            mul_carry = p / B;
            int32_t s = static_cast<int32_t>(u[j + 1 + k]) - static_cast<int32_t>(p % B) - borrow;
            borrow = s < 0;
            u[j + 1 + k] = static_cast<uint32_t>(borrow ? s + static_cast<int32_t>(B) : s);
        }
        int32_t s = static_cast<int32_t>(u[j]) - static_cast<int32_t>(mul_carry) - borrow;
        if (s < 0) {
            // Estimate one too large: add the divisor back once.
            --qhat;
            uint32_t c = 0;
            for (int k = n - 1; k >= 0; --k) {
                uint32_t sum = u[j + 1 + k] + v[k] + c;
                u[j + 1 + k] = sum % B;
                c = sum / B;
            }
            u[j] = static_cast<uint32_t>(s + static_cast<int32_t>(B) + static_cast<int32_t>(c)) % B;
        } else {
            u[j] = static_cast<uint32_t>(s);
        }
        q[j + n - 1] = static_cast<Group>(qhat);
    }
}

}  // namespace

void groups_divide(Group *quotient, const Group *a_in, const Group *d_in) {
    Group a_copy[kGroupCount], d_copy[kGroupCount], q[kGroupCount] = {};
    const Group *a = a_in, *d = d_in;
    if (!is_canonical(a)) {
        canonical_copy(a_copy, a_in);
        a = a_copy;
    }
    if (!is_canonical(d)) {
        canonical_copy(d_copy, d_in);
        d = d_copy;
    }
    const GroupSpan span = nonzero_span(d, d);
    const GroupSpan dividend = nonzero_span(a, a);
    // A zero divisor: callers test for zero; stay harmless anyway.  A zero
    // dividend: a zero quotient.
    if (span.first > span.last || dividend.first > dividend.last) {
        std::memcpy(quotient, q, sizeof q);
        return;
    }

    // floor(a / (d' * B^z)) = floor(floor(a / B^z) / d'): the divisor's
    // trailing zero groups come off the dividend's low end instead.
    const int z = kGroupCount - 1 - span.last;
    const int n = span.last - span.first + 1;
    if (n == 1) {
        divide_by_one_group(q, a, dividend.first, z, d[span.first]);
    } else {
        Group shifted[kGroupCount] = {};
        std::memcpy(shifted + z, a, (kGroupCount - z) * sizeof a[0]);
        divide_long(q, shifted, d + span.first, n);
    }
    std::memcpy(quotient, q, sizeof q);
}

}  // namespace talv

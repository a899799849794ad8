// Exact integer quotient of two 34-group numbers by normalised long division
// in base 10000: one estimate per quotient group from the top two remainder
// groups, corrected at most twice against the second divisor group, and one
// rare add-back.  Each quotient group costs one multiply-subtract over the
// divisor's groups instead of a trial product per candidate value.
#include <cstring>

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

void divide_by_one_group(Group *q, const Group *a, uint32_t divisor) {
    uint32_t rem = 0;
    int j = 0;
    while (j < kGroupCount && a[j] == 0) q[j++] = 0;  // leading zero groups give zero groups
    for (; j < kGroupCount; ++j) {
        uint32_t cur = rem * B + a[j];
        q[j] = static_cast<Group>(cur / divisor);
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
    Group a[kGroupCount], d[kGroupCount], q[kGroupCount] = {};
    canonical_copy(a, a_in);
    canonical_copy(d, d_in);
    int first = 0, last = kGroupCount - 1;
    while (first < kGroupCount && d[first] == 0) ++first;
    if (first == kGroupCount) {  // callers test for zero; stay harmless anyway
        std::memcpy(quotient, q, sizeof q);
        return;
    }
    while (d[last] == 0) --last;

    // floor(a / (d' * B^z)) = floor(floor(a / B^z) / d'): the divisor's
    // trailing zero groups come off the dividend's low end instead.
    const int z = kGroupCount - 1 - last;
    if (z > 0) {
        std::memmove(a + z, a, (kGroupCount - z) * sizeof a[0]);
        std::memset(a, 0, z * sizeof a[0]);
    }
    const int n = last - first + 1;
    if (n == 1)
        divide_by_one_group(q, a, d[first]);
    else
        divide_long(q, a, d + first, n);
    std::memcpy(quotient, q, sizeof q);
}

}  // namespace talv

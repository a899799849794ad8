// Exact integer quotient of two 34-group numbers by normalised long division
// in base 10000: one estimate per quotient group from the top two remainder
// groups, corrected at most twice against the second divisor group, and one
// rare add-back.  Each quotient group costs one multiply-subtract over the
// divisor's groups instead of a trial product per candidate value.
#include <cstring>

#include "arith/groups.h"

namespace talv {
namespace {

// A divisor of a single group (below 10^-28 in the number's scale).
void divide_by_one_group(Group *q, const Group *a, uint32_t divisor) {
    uint32_t rem = 0;
    for (int j = 0; j < kGroupCount; ++j) {
        uint32_t cur = rem * kGroupBase + a[j];
        q[j] = static_cast<Group>(cur / divisor);
        rem = cur % divisor;
    }
}

// Groups above 9999 (a Symbol some extension function filled by hand) are
// carried over first: the estimates below rely on canonical groups.
void canonical_copy(Group *out, const Group *in) {
    uint32_t carry = 0;
    for (int k = kGroupCount - 1; k >= 0; --k) {
        uint32_t s = in[k] + carry;
        out[k] = static_cast<Group>(s % kGroupBase);
        carry = s / kGroupBase;
    }
}

}  // namespace

void groups_divide(Group *quotient, const Group *a_in, const Group *d_in) {
    constexpr uint32_t B = kGroupBase;
    Group a[kGroupCount], d[kGroupCount];
    canonical_copy(a, a_in);
    canonical_copy(d, d_in);
    int t = 0;
    while (t < kGroupCount && d[t] == 0) ++t;
    Group q[kGroupCount] = {};
    if (t == kGroupCount) {  // callers test for zero; stay harmless anyway
        std::memcpy(quotient, q, sizeof q);
        return;
    }
    const int n = kGroupCount - t;  // divisor length in groups
    if (n == 1) {
        divide_by_one_group(q, a, d[33]);
        std::memcpy(quotient, q, sizeof q);
        return;
    }

    // Scale both so that the divisor's leading group is at least B/2; this
    // bounds the estimate's error to two.  The dividend gains a top group.
    const uint32_t f = B / (uint32_t{d[t]} + 1);
    uint32_t v[kGroupCount];
    uint32_t carry = 0;
    for (int k = n - 1; k >= 0; --k) {
        uint32_t p = uint32_t{d[t + k]} * f + carry;
        v[k] = p % B;
        carry = p / B;
    }
    uint32_t u[kGroupCount + 1];
    carry = 0;
    for (int k = kGroupCount; k >= 1; --k) {
        uint32_t p = uint32_t{a[k - 1]} * f + carry;
        u[k] = p % B;
        carry = p / B;
    }
    u[0] = carry;

    for (int j = 0; j <= kGroupCount - n; ++j) {
        // Window u[j..j+n] holds the running remainder, below B * divisor.
        uint32_t top = u[j] * B + u[j + 1];
        uint32_t qhat = top / v[0];
        uint32_t rhat = top % v[0];
        while (qhat >= B || qhat * v[1] > rhat * B + u[j + 2]) {
            --qhat;
            rhat += v[0];
            if (rhat >= B) break;
        }

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
    std::memcpy(quotient, q, sizeof q);
}

}  // namespace talv

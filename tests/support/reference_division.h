// The trial-product long division, step by step, as the yardstick for the
// library's fast quotient: the remainder window R, one estimate per quotient
// group from the divisor's leading group, then one trial product D * q per
// candidate q, counting down while the product exceeds R (or up while the
// difference still reaches past D).
//
// The trial product D * q is computed for a multiplier whose only nonzero
// group is its units group; under the library's multiplication rule every
// partial product then lands on the divisor's own index, so it is exactly
// (D * q) mod 10^104.  ReferenceTrialProductMatchesAbsMul checks that.
//
// Shared by tests/arith_division_test.cpp and bench/arith_bench.cpp.
#pragma once

#include <cstdint>
#include <cstring>

namespace talv_test {

using RefGroups = uint16_t[34];

// abs_mul(P, D, multiplier with q in group 25).
inline void reference_trial_product(uint16_t *p, const uint16_t *d, uint16_t q) {
    uint32_t carry = 0;
    for (int k = 33; k >= 0; --k) {
        uint32_t s = uint32_t{d[k]} * q + carry;
        p[k] = static_cast<uint16_t>(s % 10000);
        carry = s / 10000;
    }
}

// abs_greater_than answering yes.
inline bool reference_greater(const uint16_t *x, const uint16_t *y) {
    int i = 0, j = 0;
    while (i < 34 && x[i] == 0) ++i;
    while (j < 34 && y[j] == 0) ++j;
    if (i != j) return i < j;
    for (int k = i; k < 34; ++k)
        if (x[k] != y[k]) return x[k] > y[k];
    return false;
}

// abs_sub with its borrow chain; the caller guarantees x >= y.
inline void reference_sub(uint16_t *out, const uint16_t *x_in, const uint16_t *y_in) {
    uint16_t x[34], y[34];
    std::memcpy(x, x_in, sizeof x);
    std::memcpy(y, y_in, sizeof y);
    for (int k = 33; k >= 0; --k) {
        if (x[k] >= y[k]) {
            out[k] = static_cast<uint16_t>(x[k] - y[k]);
            continue;
        }
        for (int b = k - 1; b >= 0; --b) {
            if (x[b] == 0) {
                x[b] = 9999;
            } else {
                --x[b];
                break;
            }
        }
        out[k] = static_cast<uint16_t>(x[k] + 10000 - y[k]);
    }
}

struct ReferenceOutcome {
    long trial_products = 0;
    bool gave_up = false;  // more than max_trials trial products
};

// quotient := the 34 quotient groups Q[0..33] (Q[33] the units) of |a| / |d|.
inline ReferenceOutcome reference_divide(uint16_t *quotient, const uint16_t *a, const uint16_t *d,
                                         long max_trials = 2000000) {
    ReferenceOutcome outcome;
    int t = 0;
    while (t < 34 && d[t] == 0) ++t;
    uint16_t r[34] = {}, p[34], s[34];
    std::memset(quotient, 0, 34 * sizeof(uint16_t));
    if (t == 34) return outcome;
    for (int j = 0; j < 34; ++j) {
        std::memmove(r, r + 1, 33 * sizeof(uint16_t));
        r[33] = a[j];
        uint32_t top = (t > 0 ? uint32_t{r[t - 1]} * 10000 : 0) + r[t];
        uint16_t q = static_cast<uint16_t>(top / d[t]);
        quotient[j] = q;
        while (q > 0) {
            if (++outcome.trial_products > max_trials) {
                outcome.gave_up = true;
                return outcome;
            }
            reference_trial_product(p, d, q);
            if (reference_greater(p, r)) {
                --q;
            } else {
                reference_sub(s, r, p);
                if (reference_greater(s, d)) {
                    ++q;
                } else {
                    reference_sub(r, r, p);
                    break;
                }
            }
            quotient[j] = q;
        }
    }
    return outcome;
}

}  // namespace talv_test

#include "arith/groups.h"

#include <cstring>

namespace talv {

int groups_compare(const Group *x, const Group *y) {
    for (int k = 0; k < kGroupCount; ++k)
        if (x[k] != y[k]) return x[k] > y[k] ? 1 : -1;
    return 0;
}

void groups_add(Group *out, const Group *x, const Group *y) {
    uint32_t carry = 0;
    for (int k = kGroupCount - 1; k >= 0; --k) {
        uint32_t s = uint32_t{x[k]} + y[k] + carry;
        out[k] = static_cast<Group>(s % kGroupBase);
        carry = s / kGroupBase;
    }
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
    // either way.  34 products of 16-bit groups fit 64 bits easily.
    uint64_t column[kGroupCount] = {};
    for (int n = 0; n < kGroupCount; ++n) {
        if (x[n] == 0) continue;
        // The partial product x[n]*y[m] has the weight of index n + m - 25.
        int m_first = 25 - n > 0 ? 25 - n : 0;
        for (int m = m_first; m < kGroupCount; ++m) {
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
    uint64_t carry = 0;
    for (int k = kGroupCount - 1; k >= 0; --k) {
        uint64_t s = column[k] + carry;
        out[k] = static_cast<Group>(s % kGroupBase);
        carry = s / kGroupBase;
    }
}

}  // namespace talv

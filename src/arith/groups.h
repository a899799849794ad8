// Magnitude arithmetic on the 34 base-10000 groups of a number, group 0 most
// significant, the decimal point between groups 25 and 26.  Signs, kinds and
// conversions are the callers' business; these only see the groups.
//
// Every routine accepts the same array in more than one argument.
#pragma once

#include <cstdint>

#include "values/decimal.h"

namespace talv {

using Group = uint16_t;

// The groups at [first, last] hold every nonzero group of x and y; first >
// last when both are zero.
struct GroupSpan {
    int first, last;
};
GroupSpan nonzero_span(const Group *x, const Group *y);

// -1, 0 or 1 as |x| is below, equal to or above |y|.
int groups_compare(const Group *x, const Group *y);

// out := (x + y) mod 10^104; the carry out of group 0 is dropped.
void groups_add(Group *out, const Group *x, const Group *y);

// out := x - y.  Meant for |x| >= |y|; otherwise the difference wraps modulo
// 10^104 instead of borrowing past group 0.
void groups_sub(Group *out, const Group *x, const Group *y);

// out := x * y mod 10^104 under the fixed truncation below the last fraction
// group: of the partial products landing one group below group 33 only the
// high part counts, those further below are dropped.  So the result may lie a
// few units of 10^-32 below the truncated exact product, never above it.
// Inputs need not be canonical (a division multiplier may hold up to 19999).
void groups_mul(Group *out, const Group *x, const Group *y);

// quotient := floor(|a| / |d|) as a 34-group integer, group 33 the units
// (both operands keep their fraction groups for the division itself);
// d must not be zero.
void groups_divide(Group *quotient, const Group *a, const Group *d);

}  // namespace talv

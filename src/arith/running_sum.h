// A sum taken operand by operand exactly as a chain of op_add(sum, operand)
// takes it, starting from the NUMBER 0: the same reads in the same order,
// the same errors, certify mode's type-only value, the same answer.  Only
// the chain's intermediate result Symbols are left out, and with them the
// re-reading of the running value at every step.
#pragma once

#include "arith/operands.h"

namespace talv {

class RunningSum {
public:
    // `answer`: a cell as make_zero gives it.  It holds the sum once
    // finished and, until then, serves as the chain's result Symbol for the
    // errors an operand raises.
    explicit RunningSum(Symbol *answer);

    // sum + operand.  False when the sum must answer `early` as it stands:
    // null (no memory), the operand carrying an error, or the answer failed.
    bool add(Symbol *operand, Symbol *&early);

    Symbol *finish();

private:
    // Moves a sum held as `whole_` into running_'s groups.
    void spill();

    Symbol *answer_;
    // While every operand so far was a whole number read from a field and
    // their sum fits a word, the sum is kept here and running_ is not kept.
    bool whole_sum_ = true;
    uint64_t whole_ = 0;
    OperandValue sum_;
    Symbol running_;  // digits and sign only
    bool type_only_ = false;
};

// The two signed additions behind op_add and op_sub on prepared operands:
// r := a + (-1)^negate_right * b, sign and kind included.  r may hold a's
// groups.
void add_prepared(OperandValue &a, OperandValue &b, bool negate_right, Symbol *r);

}  // namespace talv

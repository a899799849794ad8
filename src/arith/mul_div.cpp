// Multiplication keeps 32 fraction digits under the fixed truncation rule of
// abs_mul; division keeps only the integer part of the exact quotient.
#include <cstring>

#include "arith/groups.h"
#include "arith/operands.h"

namespace {

int32_t product_sign(const talv::OperandValue &a, const talv::OperandValue &b, const Symbol &result) {
    if ((a.sign() != 0) == (b.sign() != 0)) return 0;
    return talv::is_zero(result.digits) ? 0 : 1;
}

// Operands read as whole numbers below 10^19 whose product or quotient fits
// a word: the result is that word's value, as the groups would give it
// (no fraction groups, so no truncation), and not negative.
template <class Combine>
bool whole_result(talv::Operands &ops, Combine combine) {
    uint64_t a, b, value;
    if (ops.left.whole(a) && ops.right.whole(b) && combine(a, b, value)) {
        talv::groups_of_integer(value, ops.result->digits);
        ops.result->kind = TALV_NUMBER;
        return true;
    }
    return false;
}

}  // namespace

extern "C" {

Symbol *op_mul(Symbol *left, Symbol *right) {
    talv::Operands ops;
    Symbol *early = nullptr;
    if (!talv::prepare_operands(left, right, ops, early)) return early;
    if (whole_result(ops, [](uint64_t a, uint64_t b, uint64_t &p) { return !__builtin_mul_overflow(a, b, &p); }))
        return ops.result;
    ops.result->code = talv::multiply_magnitudes(ops.result, ops.left, ops.right);
    if (ops.result->code != 0) {
        ops.result->status = 2;
        return ops.result;
    }
    ops.result->sign = product_sign(ops.left, ops.right, *ops.result);
    ops.result->kind = TALV_NUMBER;
    return ops.result;
}

Symbol *op_div(Symbol *left, Symbol *right) {
    talv::Operands ops;
    Symbol *early = nullptr;
    if (!talv::prepare_operands(left, right, ops, early, talv::ZeroDivisor::rejected)) return early;
    // The divisor is not zero here.
    if (whole_result(ops, [](uint64_t a, uint64_t d, uint64_t &q) { q = a / d; return true; })) return ops.result;
    talv::Group quotient[talv::kGroupCount];
    talv::groups_divide(quotient, ops.left.groups(), ops.right.groups());
    // Quotient group 33 is the units: it lands in group 25, the fraction
    // groups stay 0 and the quotient's top 8 groups are dropped.
    constexpr int kDropped = talv::kGroupCount - talv::kIntegerGroups;
    std::memcpy(ops.result->digits, quotient + kDropped, talv::kIntegerGroups * sizeof quotient[0]);
    ops.result->kind = TALV_NUMBER;
    ops.result->sign = product_sign(ops.left, ops.right, *ops.result);
    return ops.result;
}

}  // extern "C"

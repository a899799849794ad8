// Addition, subtraction and negation on signed exact decimals.  The
// magnitudes are combined by the abs_ routines; whichever operand has the
// larger magnitude is the one subtracted from and lends its sign.
#include <cstring>

#include "arith/groups.h"
#include "arith/operands.h"
#include "arith/running_sum.h"
#include "values/decimal.h"

namespace {

// a + (-1)^negate_right * b
Symbol *add_signed(Symbol *left, Symbol *right, bool negate_right) {
    talv::Operands ops;
    Symbol *early = nullptr;
    if (!talv::prepare_operands(left, right, ops, early)) return early;
    talv::add_prepared(ops.left, ops.right, negate_right, ops.result);
    return ops.result;
}

}  // namespace

namespace talv {

void add_prepared(OperandValue &a, OperandValue &b, bool negate_right, Symbol *r) {
    int32_t sa = a.sign() != 0, sb = (b.sign() != 0) != negate_right;
    if (sa == sb) {
        groups_add(r->digits, a.groups(), b.groups());
        // Two negatives can only meet zero by wrapping past 10^104.
        r->sign = sa != 0 && !is_zero(r->digits) ? 1 : 0;
    } else {
        // |a| - |b| or |b| - |a|, whichever is not negative; the larger
        // magnitude lends its sign, and equal ones leave none.
        Magnitudes m(a, b);
        if (m.greater() == 10) {
            groups_sub(r->digits, a.groups(), b.groups());
            r->sign = sa;
        } else {
            groups_sub(r->digits, b.groups(), a.groups());
            r->sign = sb;
        }
        if (m.equal() == 10) r->sign = 0;
    }
    r->kind = TALV_NUMBER;
}

RunningSum::RunningSum(Symbol *answer) : answer_(answer) {
    // The chain's result cells are fresh: kind 0 until a value is written.
    answer_->kind = 0;
    running_.sign = 0;
}

bool RunningSum::add(Symbol *operand, Symbol *&early) {
    OperandValue value;
    if (!value.prepare(operand, answer_, early, ZeroDivisor::allowed)) return false;
    // A class-judged operand makes the result, and so every later sum, type-only.
    if (type_only_ || value.type_only()) {
        type_only_ = true;
        return true;
    }
    // Whole numbers of at most 19 digits add exactly in a word until it
    // would overflow; the groups are made once, at the end.
    if (whole_sum_) {
        uint64_t word, total;
        if (value.whole(word) && !__builtin_add_overflow(whole_, word, &total)) {
            whole_ = total;
            return true;
        }
        spill();
    }
    // The running value as a NUMBER read where it stands, less the Symbol.
    sum_.hold(running_.digits, running_.sign);
    add_prepared(sum_, value, false, &running_);
    return true;
}

void RunningSum::spill() {
    groups_of_integer(whole_, running_.digits);
    running_.sign = 0;
    whole_sum_ = false;
}

Symbol *RunningSum::finish() {
    answer_->kind = TALV_NUMBER;
    if (type_only_) {
        answer_->charclass = TALV_CLASS_NUM;
        return answer_;
    }
    if (whole_sum_) spill();
    std::memcpy(answer_->digits, running_.digits, sizeof running_.digits);
    answer_->sign = running_.sign;
    return answer_;
}

}  // namespace talv

extern "C" {

Symbol *op_add(Symbol *left, Symbol *right) { return add_signed(left, right, false); }

Symbol *op_sub(Symbol *left, Symbol *right) { return add_signed(left, right, true); }

Symbol *op_minus(Symbol *operand) {
    Symbol *result = sym_alloc();
    if (!result) return nullptr;
    Symbol *resolved = eval_symbol(operand);
    if (!resolved) return nullptr;
    if (resolved->status >= 2) return resolved;
    if (talv::judged_by_class(*resolved)) {
        if (!(resolved->charclass & TALV_CLASS_NUM)) return talv::fail_not_numeric(result, *operand);
        // The class stands in for the value: a plain zero, with no class of its own.
        result->kind = TALV_NUMBER;
        return result;
    }
    *result = *resolved;
    result->code = sym_number(result);
    if (result->code != 0) {
        result->status = 2;
        return result;
    }
    result->sign = result->sign == 0 ? 1 : 0;
    if (talv::is_zero(result->digits)) result->sign = 0;
    return result;
}

}  // extern "C"

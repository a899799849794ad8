// Addition, subtraction and negation on signed exact decimals.  The
// magnitudes are combined by the abs_ routines; whichever operand has the
// larger magnitude is the one subtracted from and lends its sign.
#include "arith/groups.h"
#include "arith/operands.h"
#include "values/decimal.h"

namespace {

using talv::Operands;

// |a| - |b| or |b| - |a| through the exported operations, for operands they
// convert afresh.
void subtract_through_exports(Operands &ops, int32_t sign_if_left_larger, int32_t sign_if_right_larger) {
    Symbol *a = talv::operand_symbol(ops.left), *b = talv::operand_symbol(ops.right), *r = ops.result;
    if (abs_greater_than(a, b) == 10) {
        abs_sub(r, a, b);
        r->sign = sign_if_left_larger;
    } else {
        abs_sub(r, b, a);
        r->sign = sign_if_right_larger;
    }
    if (abs_equal(a, b) == 10) r->sign = 0;
}

// a + (-1)^negate_right * b
Symbol *add_signed(Symbol *left, Symbol *right, bool negate_right) {
    Operands ops;
    Symbol *early = nullptr;
    if (!talv::prepare_operands(left, right, ops, early)) return early;
    const uint16_t *a = ops.left.digits, *b = ops.right.digits;
    Symbol *r = ops.result;
    int32_t sa = ops.left.sign != 0, sb = (ops.right.sign != 0) != negate_right;
    if (sa == sb) {
        talv::groups_add(r->digits, a, b);
        // Two negatives can only meet zero by wrapping past 10^104.
        r->sign = sa != 0 && !talv::is_zero(r->digits) ? 1 : 0;
    } else if (talv::needs_exported_operations(ops)) {
        subtract_through_exports(ops, sa, sb);
    } else {
        // |a| - |b| or |b| - |a|, whichever is not negative; the larger
        // magnitude lends its sign.
        const int order = talv::groups_compare(a, b);
        if (order > 0) {
            talv::groups_sub(r->digits, a, b);
            r->sign = sa;
        } else {
            talv::groups_sub(r->digits, b, a);
            r->sign = order == 0 ? 0 : sb;
        }
    }
    r->kind = TALV_NUMBER;
    return r;
}

}  // namespace

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

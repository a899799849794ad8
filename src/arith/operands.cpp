#include "arith/operands.h"

#include "service/state.h"
#include "values/decimal.h"

namespace talv {
namespace {

constexpr std::size_t kOperandNameLimit = 272;

enum class Step { next, stop };

// One operand through resolution, copy, class test and conversion.
Step prepare_one(Symbol *operand, Symbol &copy, Symbol *result, Symbol *&early, ZeroDivisor zero_divisor) {
    Symbol *resolved = eval_symbol(operand);
    if (resolved == nullptr) {
        early = nullptr;
        return Step::stop;
    }
    if (resolved->status >= 2) {
        early = resolved;
        return Step::stop;
    }
    copy = *resolved;
    if (judged_by_class(copy)) {
        if (copy.charclass & TALV_CLASS_NUM) return Step::next;  // left unconverted on purpose
        early = fail_not_numeric(result, *operand);
        return Step::stop;
    }
    result->code = sym_number(&copy);
    if (result->code != 0) {
        result->status = 2;
        early = result;
        return Step::stop;
    }
    // Tested only once the divisor is known as a number, so it precedes the
    // type-only result: a zero divisor fails even beside a class-judged dividend.
    if (zero_divisor == ZeroDivisor::rejected && is_zero(copy.digits)) {
        result->code = TALV_E_DIVIDE_BY_ZERO;
        result->status = 2;
        early = result;
        return Step::stop;
    }
    return Step::next;
}

}  // namespace

bool judged_by_class(const Symbol &resolved) { return certify_mode() && resolved.charclass != 0; }

Symbol *fail_not_numeric(Symbol *result, const Symbol &as_passed) {
    result->code = TALV_E_FIELD_NOT_NUMERIC;
    result->status = 2;
    set_message_arg(as_passed.text, kOperandNameLimit);
    return result;
}

bool prepare_operands(Symbol *left, Symbol *right, Operands &ops, Symbol *&early, ZeroDivisor zero_divisor) {
    ops.result = sym_alloc();
    if (ops.result == nullptr) {
        early = nullptr;
        return false;
    }
    if (prepare_one(left, ops.left, ops.result, early, ZeroDivisor::allowed) == Step::stop) return false;
    if (prepare_one(right, ops.right, ops.result, early, zero_divisor) == Step::stop) return false;

    if (judged_by_class(ops.left) || judged_by_class(ops.right)) {
        ops.result->charclass = TALV_CLASS_NUM;
        ops.result->kind = TALV_NUMBER;
        early = ops.result;
        return false;
    }
    return true;
}

}  // namespace talv

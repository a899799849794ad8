#include "arith/operands.h"

#include <cstring>

#include "service/state.h"

namespace talv {
namespace {

constexpr std::size_t kOperandNameLimit = 272;

enum class Flow { next, stop };

Flow fail_with(Symbol *result, uint32_t code, Symbol *&early) {
    result->code = code;
    result->status = 2;
    early = result;
    return Flow::stop;
}

// The error test of a resolved operand.
Flow resolved_test(Symbol *resolved, Symbol *&early) {
    if (resolved == nullptr) {
        early = nullptr;
        return Flow::stop;
    }
    if (resolved->status >= 2) {
        early = resolved;
        return Flow::stop;
    }
    return Flow::next;
}

Flow prepare_copy(Symbol *operand, Symbol &copy, Symbol *result, Symbol *&early) {
    Symbol *const resolved = eval_symbol(operand);
    if (resolved_test(resolved, early) == Flow::stop) return Flow::stop;
    copy = *resolved;
    if (judged_by_class(copy)) {
        if (copy.charclass & TALV_CLASS_NUM) return Flow::next;  // left unconverted on purpose
        early = fail_not_numeric(result, *operand);
        return Flow::stop;
    }
    if (uint32_t code = sym_number(&copy)) return fail_with(result, code, early);
    return Flow::next;
}

// Certify mode's type-only answer when either operand is judged by class.
bool type_only(Symbol *result, bool left_by_class, bool right_by_class, Symbol *&early) {
    if (!left_by_class && !right_by_class) return false;
    result->charclass = TALV_CLASS_NUM;
    result->kind = TALV_NUMBER;
    early = result;
    return true;
}

}  // namespace

bool OperandValue::prepare(Symbol *operand, Symbol *result, Symbol *&early, ZeroDivisor zero_divisor) {
    FreshRead &hand_over = g_state.fresh_read;
    uint32_t request;
    Symbol *const resolved = hand_over.resolve(operand, request);
    if (resolved_test(resolved, early) == Flow::stop) return false;
    if (judged_by_class(*resolved)) {
        if (!(resolved->charclass & TALV_CLASS_NUM)) {
            early = fail_not_numeric(result, *operand);
            return false;
        }
        type_only_ = true;  // left unread on purpose
        return true;
    }
    read_number(resolved, hand_over, request, room_, number_);
    uint32_t code = number_.code;  // not_a_number's reason, else 0
    // Tested only once the divisor is known as a number, so it precedes the
    // type-only result: a zero divisor fails even beside a class-judged dividend.
    if (code == 0 && zero_divisor == ZeroDivisor::rejected && is_zero()) code = TALV_E_DIVIDE_BY_ZERO;
    if (code == 0) return true;
    fail_with(result, code, early);
    return false;
}

const uint16_t *OperandValue::make_groups() {
    groups_of_integer(number_.word, room_.groups);
    number_.groups = room_.groups;
    return number_.groups;
}

Symbol *OperandValue::symbol() {
    if (number_.symbol != nullptr) return number_.symbol;
    room_.copy = Symbol{};
    std::memcpy(room_.copy.digits, groups(), sizeof room_.copy.digits);
    room_.copy.sign = number_.sign;
    room_.copy.kind = TALV_NUMBER;
    number_.symbol = &room_.copy;
    return number_.symbol;
}

uint32_t multiply_magnitudes(Symbol *r, OperandValue &a, OperandValue &b) {
    if (a.reread() || b.reread()) return abs_mul(r, a.symbol(), b.symbol());
    // What abs_mul does with operands that are numbers already.
    groups_mul(r->digits, a.groups(), b.groups());
    return 0;
}

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
    if (!ops.left.prepare(left, ops.result, early, ZeroDivisor::allowed)) return false;
    if (!ops.right.prepare(right, ops.result, early, zero_divisor)) return false;
    return !type_only(ops.result, ops.left.type_only(), ops.right.type_only(), early);
}

bool prepare_operand_copies(Symbol *left, Symbol *right, OperandCopies &ops, Symbol *&early) {
    ops.result = sym_alloc();
    if (ops.result == nullptr) {
        early = nullptr;
        return false;
    }
    if (prepare_copy(left, ops.left, ops.result, early) == Flow::stop) return false;
    if (prepare_copy(right, ops.right, ops.result, early) == Flow::stop) return false;
    return !type_only(ops.result, judged_by_class(ops.left), judged_by_class(ops.right), early);
}

}  // namespace talv

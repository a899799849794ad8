#include "arith/operands.h"

#include <cstring>

#include "service/state.h"
#include "values/number_reader.h"

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

// Resolution and error test of one operand; null in `resolved` for a stop.
Flow resolve(Symbol *operand, Symbol *&resolved, Symbol *&early) {
    resolved = eval_symbol(operand);
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

// One operand through resolution, class test and conversion.  A NUMBER is
// read where it stands and plain text is read without a copy; anything else
// goes the general way, through a private copy and sym_number.
Flow prepare_one(Symbol *operand, OperandValue &value, Symbol *result, Symbol *&early, ZeroDivisor zero_divisor) {
    Symbol *resolved;
    FreshRead &hand_over = g_state.fresh_read;
    const uint32_t request = hand_over.open();
    const Flow step = resolve(operand, resolved, early);
    hand_over.close();
    if (step == Flow::stop) return Flow::stop;
    if (judged_by_class(*resolved)) {
        if (!(resolved->charclass & TALV_CLASS_NUM)) {
            early = fail_not_numeric(result, *operand);
            return Flow::stop;
        }
        value.by_class = true;  // left unconverted on purpose
        return Flow::next;
    }
    uint32_t code = 0;
    uint64_t digits_value = 0;
    if (resolved->kind == TALV_NUMBER) {
        value.digits = resolved->digits;
        value.sign = resolved->sign;
        value.symbol = resolved;
    } else if (hand_over.take(request, resolved, number_modes_in_force(), digits_value)) {
        // Digits alone read as the plain reader would read their full-width text.
        value.sign = 0;
        value.whole = true;
        value.integer = digits_value;
        value.digits = nullptr;
        if (!value.defer_whole_groups) make_whole_groups(value);
    } else if (resolved->kind != TALV_VARIABLE && resolved->kind != TALV_FIELD &&
               read_plain_number(resolved->text, value.groups, value.sign, code)) {
        value.digits = value.groups;
    } else {
        value.copy = *resolved;
        code = sym_number(&value.copy);
        value.digits = value.copy.digits;
        value.sign = value.copy.sign;
        value.symbol = &value.copy;
        value.unconverted = value.copy.kind != TALV_NUMBER;
    }
    if (code != 0) return fail_with(result, code, early);
    // Tested only once the divisor is known as a number, so it precedes the
    // type-only result: a zero divisor fails even beside a class-judged dividend.
    if (zero_divisor == ZeroDivisor::rejected && (value.digits ? is_zero(value.digits) : value.integer == 0))
        return fail_with(result, TALV_E_DIVIDE_BY_ZERO, early);
    return Flow::next;
}

Flow prepare_copy(Symbol *operand, Symbol &copy, Symbol *result, Symbol *&early) {
    Symbol *resolved;
    if (resolve(operand, resolved, early) == Flow::stop) return Flow::stop;
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

void make_whole_groups(OperandValue &value) {
    groups_of_integer(value.integer, value.groups);
    value.digits = value.groups;
}

Symbol *operand_symbol(OperandValue &value) {
    if (value.symbol != nullptr) return value.symbol;
    value.copy = Symbol{};
    std::memcpy(value.copy.digits, value.digits, sizeof value.copy.digits);
    value.copy.sign = value.sign;
    value.copy.kind = TALV_NUMBER;
    value.symbol = &value.copy;
    return value.symbol;
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
    if (prepare_one(left, ops.left, ops.result, early, ZeroDivisor::allowed) == Flow::stop) return false;
    if (prepare_one(right, ops.right, ops.result, early, zero_divisor) == Flow::stop) return false;
    return !type_only(ops.result, ops.left.by_class, ops.right.by_class, early);
}

bool prepare_operand(Symbol *operand, OperandValue &value, Symbol *result, Symbol *&early, ZeroDivisor zero_divisor) {
    return prepare_one(operand, value, result, early, zero_divisor) == Flow::next;
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

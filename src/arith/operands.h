// The opening shared by every two-operand operator: the result Symbol is
// allocated first, then the left operand is resolved, copied, class-tested
// (certify mode) and converted completely before the right one is touched,
// so the first error met decides the outcome and a failing left operand
// keeps the right one's field from being fetched at all.
#pragma once

#include "talvechk.h"

namespace talv {

struct Operands {
    Symbol *result = nullptr;  // fresh, zero-filled, owned by the symbol list
    Symbol left{};             // private working copies, converted to NUMBER
    Symbol right{};
};

enum class ZeroDivisor { allowed, rejected };

// True when the operator is to compute from ops.left and ops.right into
// ops.result.  False when it must return `early` as it stands: null (no
// memory), a resolved operand that carries an error, or ops.result carrying
// an error code or the certify-mode type-only value.
bool prepare_operands(Symbol *left, Symbol *right, Operands &ops, Symbol *&early,
                      ZeroDivisor zero_divisor = ZeroDivisor::allowed);

// Certify mode judges an operand that declares character classes by them
// alone: true when the resolved operand is to be class-tested.
bool judged_by_class(const Symbol &resolved);

// Fails `result` for an operand whose declared classes hold no digits; the
// message names the operand as the parser passed it (field or variable name).
Symbol *fail_not_numeric(Symbol *result, const Symbol &as_passed);

}  // namespace talv

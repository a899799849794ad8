// The opening shared by every two-operand operator: the result Symbol is
// allocated first, then the left operand is resolved, class-tested (certify
// mode) and converted completely before the right one is touched, so the
// first error met decides the outcome and a failing left operand keeps the
// right one's field from being fetched at all.
#pragma once

#include <cstdint>

#include "talvechk.h"
#include "values/decimal.h"

namespace talv {

// An operand as a number: its groups and sign, read in place from a NUMBER,
// from text into `groups`, or from a converted private copy.
struct OperandValue {
    const uint16_t *digits = nullptr;
    int32_t sign = 0;
    bool by_class = false;     // certify mode judges it by its declared classes
    // A copy sym_number could not convert in place: a variable holding a
    // field or variable reference.  The exported operations convert such a
    // copy afresh whenever they are asked, so the operators ask them.
    bool unconverted = false;
    Symbol *symbol = nullptr;  // the operand as those operations take it, when at hand
    // Set when the operand was read as a whole number below 10^19: `integer`
    // is then its value, and the groups hold it too unless the caller
    // deferred them (digits is then null until make_whole_groups).
    bool whole = false;
    bool defer_whole_groups = false;  // set by the caller
    uint64_t integer = 0;
    uint16_t groups[kGroupCount];
    Symbol copy;
};

struct Operands {
    Symbol *result = nullptr;  // fresh, zero-filled, owned by the symbol list
    OperandValue left, right;
};

// The operands as private Symbol copies, converted to NUMBER: for operators
// that hand them on to further exported operations.
struct OperandCopies {
    Symbol *result = nullptr;
    Symbol left, right;
};

inline bool needs_exported_operations(const Operands &ops) { return ops.left.unconverted || ops.right.unconverted; }

// The groups of a whole operand read with its groups deferred.
void make_whole_groups(OperandValue &value);
inline void make_deferred_groups(OperandValue &value) {
    if (value.digits == nullptr && value.whole) make_whole_groups(value);
}

// The operand as a Symbol for the exported operations (a NUMBER, or the
// unconverted copy).
Symbol *operand_symbol(OperandValue &value);

enum class ZeroDivisor { allowed, rejected };

// True when the operator is to compute from ops.left and ops.right into
// ops.result.  False when it must return `early` as it stands: null (no
// memory), a resolved operand that carries an error, or ops.result carrying
// an error code or the certify-mode type-only value.
bool prepare_operands(Symbol *left, Symbol *right, Operands &ops, Symbol *&early,
                      ZeroDivisor zero_divisor = ZeroDivisor::allowed);
bool prepare_operand_copies(Symbol *left, Symbol *right, OperandCopies &ops, Symbol *&early);

// The step prepare_operands takes for each operand, for one alone: an
// operator that already holds its other operand as a value.  Errors fail
// `result`; false with `early` as prepare_operands gives it.
bool prepare_operand(Symbol *operand, OperandValue &value, Symbol *result, Symbol *&early,
                     ZeroDivisor zero_divisor = ZeroDivisor::allowed);

// Certify mode judges an operand that declares character classes by them
// alone: true when the resolved operand is to be class-tested.
bool judged_by_class(const Symbol &resolved);

// Fails `result` for an operand whose declared classes hold no digits; the
// message names the operand as the parser passed it (field or variable name).
Symbol *fail_not_numeric(Symbol *result, const Symbol &as_passed);

}  // namespace talv

// The opening shared by every two-operand operator: the result Symbol is
// allocated first, then the left operand is resolved, class-tested (certify
// mode) and read completely before the right one is touched, so the first
// error met decides the outcome and a failing left operand keeps the right
// one's field from being fetched at all.
#pragma once

#include <cstdint>

#include "arith/groups.h"
#include "talvechk.h"
#include "values/decimal.h"
#include "values/number_reader.h"

namespace talv {

enum class ZeroDivisor { allowed, rejected };

// An operand as the operators take it: a number read by read_number, or
// certify mode's judgement by declared classes, which leaves it without a
// value.  How it was read is no operator's business; they ask for what they
// need, and the groups of a whole number read into a word are made only
// when asked for.
class OperandValue {
public:
    // Certify mode judged it by its declared classes: it has no value.
    bool type_only() const { return type_only_; }
    int32_t sign() const { return number_.sign; }
    // True, with `value`, for a whole number below 10^19 held in a word.
    bool whole(uint64_t &value) const {
        if (number_.form != ReadNumber::Form::word) return false;
        value = number_.word;
        return true;
    }
    const uint16_t *groups() { return number_.groups != nullptr ? number_.groups : make_groups(); }
    bool is_zero() const {
        return number_.form == ReadNumber::Form::word ? number_.word == 0 : talv::is_zero(number_.groups);
    }
    // The operand as a Symbol for the exported operations: a NUMBER, or the
    // reference they read afresh.
    Symbol *symbol();
    // Read afresh by each exported operation that is asked about it.
    bool reread() const { return number_.form == ReadNumber::Form::reread; }

    // Groups and a sign held elsewhere (a running value): the exported
    // operations get a copy, never the groups themselves.
    void hold(const uint16_t *groups, int32_t sign) { number_ = {ReadNumber::Form::groups, sign, 0, 0, groups, nullptr}; }

    // Resolves `operand`, judges it by class or reads it, and tests a
    // divisor.  False when the operator must return `early`: null (no
    // memory), the resolved operand carrying an error, or `result` failed
    // with the code that stopped it.
    bool prepare(Symbol *operand, Symbol *result, Symbol *&early, ZeroDivisor zero_divisor);

private:
    const uint16_t *make_groups();

    ReadNumber number_;  // set by prepare (unless type_only_) or hold
    bool type_only_ = false;
    NumberRoom room_;
};

// The magnitudes of two operands compared as abs_greater_than and
// abs_equal compare them: 10 when it holds, 20 when not, or the code of a
// conversion that failed.  An operand that is reread is read afresh by each
// question, as those operations read it; the others are compared once.
class Magnitudes {
public:
    Magnitudes(OperandValue &a, OperandValue &b) : a_(a), b_(b), reread_(a.reread() || b.reread()) {
        if (!reread_) order_ = groups_compare(a.groups(), b.groups());
    }
    uint32_t greater() { return reread_ ? abs_greater_than(a_.symbol(), b_.symbol()) : order_ > 0 ? 10 : 20; }
    uint32_t equal() { return reread_ ? abs_equal(a_.symbol(), b_.symbol()) : order_ == 0 ? 10 : 20; }

private:
    OperandValue &a_, &b_;
    bool reread_;
    int order_ = 0;
};

// r's groups := |a| * |b| as abs_mul makes them; its code, 0 on success.
uint32_t multiply_magnitudes(Symbol *r, OperandValue &a, OperandValue &b);

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

// True when the operator is to compute from ops.left and ops.right into
// ops.result.  False when it must return `early` as it stands: null (no
// memory), a resolved operand that carries an error, or ops.result carrying
// an error code or the certify-mode type-only value.
bool prepare_operands(Symbol *left, Symbol *right, Operands &ops, Symbol *&early,
                      ZeroDivisor zero_divisor = ZeroDivisor::allowed);
bool prepare_operand_copies(Symbol *left, Symbol *right, OperandCopies &ops, Symbol *&early);

// Certify mode judges an operand that declares character classes by them
// alone: true when the resolved operand is to be class-tested.
bool judged_by_class(const Symbol &resolved);

// Fails `result` for an operand whose declared classes hold no digits; the
// message names the operand as the parser passed it (field or variable name).
Symbol *fail_not_numeric(Symbol *result, const Symbol &as_passed);

}  // namespace talv

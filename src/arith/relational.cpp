// The six comparisons.  The answer travels in the result's status (0 holds,
// 1 does not); a decided comparison has no kind and no value.  <= and >=
// run the full < or > and == operators on the converted copies, so each
// leaves its own result Symbols on the symbol list.
#include "arith/groups.h"
#include "arith/operands.h"

namespace {

using talv::Operands;

enum class Relation { eq, ne, lt, gt };

// What abs_equal and abs_greater_than answer, put together with the signs.
bool holds(Relation relation, talv::OperandValue &a, talv::OperandValue &b) {
    int32_t sa = a.sign() != 0, sb = b.sign() != 0;
    talv::Magnitudes m(a, b);
    switch (relation) {
    case Relation::eq:
        return sa == sb && m.equal() == 10;
    case Relation::ne:
        return sa != sb || m.equal() == 20;
    case Relation::lt:
        if (sa != sb) return sa == 1;
        if (sa == 1) return m.greater() == 10;
        return m.greater() != 10 && m.equal() != 10;
    case Relation::gt:
        if (sa != sb) return sa == 0;
        if (sa == 0) return m.greater() == 10;
        return m.greater() != 10 && m.equal() != 10;
    }
    return false;
}

Symbol *decide(Symbol *result, bool truth) {
    result->status = truth ? 0 : 1;
    return result;
}

Symbol *compare(Relation relation, Symbol *left, Symbol *right) {
    Operands ops;
    Symbol *early = nullptr;
    if (!talv::prepare_operands(left, right, ops, early)) return early;
    return decide(ops.result, holds(relation, ops.left, ops.right));
}

// a < b (or a > b) or else a == b, through the operators themselves.
Symbol *compare_or_equal(Symbol *(*strict)(Symbol *, Symbol *), Symbol *left, Symbol *right) {
    talv::OperandCopies ops;
    Symbol *early = nullptr;
    if (!talv::prepare_operand_copies(left, right, ops, early)) return early;
    Symbol *first = strict(&ops.left, &ops.right);
    if (!first) return nullptr;
    if (first->status == 0) return decide(ops.result, true);
    Symbol *equal = relop_eq(&ops.left, &ops.right);
    if (!equal) return nullptr;
    return decide(ops.result, equal->status == 0);
}

}  // namespace

extern "C" {

Symbol *relop_eq(Symbol *left, Symbol *right) { return compare(Relation::eq, left, right); }
Symbol *relop_ne(Symbol *left, Symbol *right) { return compare(Relation::ne, left, right); }
Symbol *relop_lt(Symbol *left, Symbol *right) { return compare(Relation::lt, left, right); }
Symbol *relop_gt(Symbol *left, Symbol *right) { return compare(Relation::gt, left, right); }
Symbol *relop_le(Symbol *left, Symbol *right) { return compare_or_equal(relop_lt, left, right); }
Symbol *relop_ge(Symbol *left, Symbol *right) { return compare_or_equal(relop_gt, left, right); }

}  // extern "C"

// sum and sumprod: exact sums over single values and field ranges.
#include "arith/running_sum.h"
#include "builtins/builtins.h"

namespace talv {

namespace {

bool carries_error(const Symbol *sym) { return sym == nullptr || sym->status >= 2; }

// One operand of sumprod: the fields of a range, or a single value.
struct Sequence {
    Symbol *first = nullptr;
    int count = 0;
    bool ranged = false;

    Symbol *advance(Symbol *item) const { return ranged ? item->next : item; }
};

// Opens one operand.  False when the call must answer with `answer`
// instead: the expansion's error, or null when memory ran out.
bool open_sequence(Symbol *arg, Sequence &seq, Symbol *&answer) {
    if (!is_field_with_range(arg)) {
        seq = Sequence{arg, 1, false};
        return true;
    }
    Symbol *expansion = ext_field_arg(arg);
    if (carries_error(expansion)) {
        answer = expansion;
        return false;
    }
    seq = Sequence{expansion->next, count_list(expansion), true};
    return true;
}

}  // namespace

Symbol *builtin_sum(Symbol *head) {
    Symbol *acc = make_zero();
    if (!acc) return nullptr;
    if (count_list(head) == 0) return argument_error(acc);

    RunningSum sum(acc);
    Symbol *early = nullptr;
    for (Symbol *arg = head->next; arg; arg = arg->next) {
        if (!is_field_with_range(arg)) {
            if (!sum.add(arg, early)) return early;
            continue;
        }
        Symbol *expansion = ext_field_arg(arg);
        if (!expansion) return nullptr;
        if (expansion->status >= 2) return expansion;
        for (Symbol *field = expansion->next; field; field = field->next)
            if (!sum.add(field, early)) return early;
    }
    return sum.finish();
}

// A range whose expansion fails is reported like sum reports it, rather
// than counting as a range without fields: two failed ranges would
// otherwise sum to a silent 0.
Symbol *builtin_sumprod(Symbol *head) {
    Symbol *acc = make_zero();
    if (!acc) return nullptr;
    if (count_list(head) != 2) return argument_error(acc);

    Sequence seq[2];
    Symbol *arg = head->next;
    for (Sequence &s : seq) {
        Symbol *answer = nullptr;
        if (!open_sequence(arg, s, answer)) return answer;
        arg = arg->next;
    }
    if (seq[0].count != seq[1].count) return argument_error(acc);

    RunningSum sum(acc);
    Symbol *early = nullptr;
    Symbol *left = seq[0].first;
    Symbol *right = seq[1].first;
    for (int i = 0; i < seq[0].count; ++i) {
        Symbol *product = op_mul(left, right);
        if (carries_error(product)) return product;
        if (!sum.add(product, early)) return early;
        left = seq[0].advance(left);
        right = seq[1].advance(right);
    }
    return sum.finish();
}

}  // namespace talv

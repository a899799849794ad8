// The exported magnitude routines.  Extension functions call them too, so
// they take whatever Symbols they are given: the comparisons and the product
// convert their operands first, the sum and difference read the groups as
// they are.  Any argument may be the same Symbol as another.
#include "arith/groups.h"

extern "C" {

uint32_t abs_equal(Symbol *x, Symbol *y) {
    if (uint32_t code = sym_number(x)) return code;
    if (uint32_t code = sym_number(y)) return code;
    return talv::groups_compare(x->digits, y->digits) == 0 ? 10 : 20;
}

uint32_t abs_greater_than(Symbol *x, Symbol *y) {
    if (uint32_t code = sym_number(x)) return code;
    if (uint32_t code = sym_number(y)) return code;
    return talv::groups_compare(x->digits, y->digits) > 0 ? 10 : 20;
}

int abs_add(Symbol *out, Symbol *x, Symbol *y) {
    if (!out || !x || !y) return 0;
    talv::groups_add(out->digits, x->digits, y->digits);
    return 0;
}

int abs_sub(Symbol *out, Symbol *x, Symbol *y) {
    if (!out || !x || !y) return 0;
    talv::groups_sub(out->digits, x->digits, y->digits);
    return 0;
}

uint32_t abs_mul(Symbol *out, Symbol *x, Symbol *y) {
    if (uint32_t code = sym_number(x)) return code;
    if (uint32_t code = sym_number(y)) return code;
    if (!out) return TALV_I_NO_MEMORY;
    talv::groups_mul(out->digits, x->digits, y->digits);
    out->kind = TALV_NUMBER;
    out->sign = 0;
    return 0;
}

}  // extern "C"

// Placeholders until the arithmetic is built.
#include "talvechk.h"

extern "C" {
Symbol *op_add(Symbol *, Symbol *) { return nullptr; }
Symbol *op_sub(Symbol *, Symbol *) { return nullptr; }
Symbol *op_minus(Symbol *) { return nullptr; }
Symbol *op_mul(Symbol *, Symbol *) { return nullptr; }
Symbol *op_div(Symbol *, Symbol *) { return nullptr; }
uint32_t abs_equal(Symbol *, Symbol *) { return 20; }
uint32_t abs_greater_than(Symbol *, Symbol *) { return 20; }
int abs_add(Symbol *, Symbol *, Symbol *) { return 0; }
int abs_sub(Symbol *, Symbol *, Symbol *) { return 0; }
uint32_t abs_mul(Symbol *, Symbol *, Symbol *) { return 0; }
Symbol *relop_eq(Symbol *, Symbol *) { return nullptr; }
Symbol *relop_ne(Symbol *, Symbol *) { return nullptr; }
Symbol *relop_lt(Symbol *, Symbol *) { return nullptr; }
Symbol *relop_gt(Symbol *, Symbol *) { return nullptr; }
Symbol *relop_le(Symbol *, Symbol *) { return nullptr; }
Symbol *relop_ge(Symbol *, Symbol *) { return nullptr; }
}

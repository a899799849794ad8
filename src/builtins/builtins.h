// The builtin function table: rows 0..13 and an empty end row.  Argument
// errors are completed with the row index by call_function.
#pragma once

#include <cstdint>
#include <cstring>

#include "talvechk.h"

namespace talv {
extern const FuncTab builtin_func_tab[15];

// Entry points of the rows, in row order.  Each takes the list head of its
// call (null without arguments) and returns a Symbol of the symbol list, or
// null when memory ran out.
Symbol *builtin_sum(Symbol *head);
Symbol *builtin_sumprod(Symbol *head);
Symbol *builtin_number(Symbol *head);
Symbol *builtin_setn(Symbol *head);
Symbol *builtin_length(Symbol *head);
Symbol *builtin_first(Symbol *head);
Symbol *builtin_blank(Symbol *head);
Symbol *builtin_day(Symbol *head);
Symbol *builtin_month(Symbol *head);
Symbol *builtin_mdate(Symbol *head);
Symbol *builtin_ydate(Symbol *head);
Symbol *builtin_jdate(Symbol *head);
Symbol *builtin_time(Symbol *head);
Symbol *builtin_time12(Symbol *head);

// Reads a format spec ("N3", "N*", "B0", "B*", "B!" in any sequence) from a
// full-width text into the two modes; they are left alone unless the whole
// spec is valid.  0 or TALV_E_ARGUMENTS.
uint32_t parse_format_spec(const char *wide, int32_t *decimal_pos, int32_t *all_blank_mode);
// The format spec as written in an argument (never resolved): normalised, then
// parsed.  0, TALV_E_ARGUMENTS, or the normalisation's code.
uint32_t read_format_spec(const Symbol *arg, int32_t *decimal_pos, int32_t *all_blank_mode);

// The argument fetch of the date and time functions: n arguments read as
// integers into out.  The answer is the copy of the first argument (status
// 0), a Symbol carrying an error, or null.
Symbol *fetch_int_args(Symbol *head, int n, int32_t *out);
// A NUMBER Symbol holding the value; null when memory ran out.
Symbol *int_to_number(int32_t value);

// ---- Small helpers shared by the rows -------------------------------------

// The NUMBER 0, the accumulator and error carrier of most rows.
// A fresh cell is all zeros, so the kind alone makes it the literal 0.
inline Symbol *make_zero() {
    Symbol *zero = sym_alloc();
    if (zero != nullptr) zero->kind = TALV_NUMBER;
    return zero;
}

inline Symbol *fail_with(Symbol *sym, uint32_t code) {
    sym->status = 2;
    sym->code = code;
    return sym;
}

inline Symbol *argument_error(Symbol *sym) { return fail_with(sym, TALV_E_ARGUMENTS); }

// A result copied from an operand must not keep the operand's links: the
// parser chains a call's first argument as it stands, so a stale `next`
// would smuggle the inner call's later arguments into an outer call.
inline void copy_value(Symbol *dst, const Symbol *src) {
    std::memcpy(dst, src, sizeof *dst);
    dst->next = nullptr;
    dst->value = nullptr;
}

}  // namespace talv

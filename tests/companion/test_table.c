/* A companion library for tests: its own ext_func_tab, written in plain C
 * against the public header only, as a user's companion would be. */
#include <stdio.h>
#include <string.h>

#include "talvechk.h"

static Symbol *arguments_error(void) {
    Symbol *s = sym_alloc();
    if (s) {
        s->status = 2;
        s->code = TALV_E_ARGUMENTS;
    }
    return s;
}

/* extcount(...): how many arguments arrived. */
static Symbol *ext_count(Symbol *head) { return long_to_symbol(count_list(head)); }

/* length(...): hides the built-in of the same name. */
static Symbol *ext_length(Symbol *head) {
    (void)head;
    return create_symbol("'external length'", TALV_STRING);
}

/* extargs(...): "kind:text" of every argument, unresolved, in the order
 * received. */
static Symbol *ext_args(Symbol *head) {
    char out[TALV_SYMBOL_TEXT];
    size_t used = 0;
    Symbol *a;
    Symbol *result;
    out[0] = '\0';
    for (a = head ? head->next : NULL; a; a = a->next) {
        int n = snprintf(out + used, sizeof out - used, "%s%d:%s", used ? "," : "", (int)a->kind, a->text);
        if (n < 0 || (size_t)n >= sizeof out - used) break;
        used += (size_t)n;
    }
    result = sym_alloc();
    if (result) {
        memcpy(result->text, out, used + 1);
        result->kind = TALV_STRING;
    }
    return result;
}

/* extbad(...): always wrong arguments; row 3 of this table. */
static Symbol *ext_bad(Symbol *head) {
    (void)head;
    return arguments_error();
}

/* extsum(...): adds its arguments, ranges expanded, with the library's own
 * operations. */
static Symbol *ext_sum(Symbol *head) {
    Symbol *acc = create_symbol("0", TALV_NUMBER);
    Symbol *a;
    if (!acc) return NULL;
    if (count_list(head) == 0) return arguments_error();
    for (a = head->next; a; a = a->next) {
        if (is_field_with_range(a)) {
            Symbol *range = ext_field_arg(a);
            Symbol *f;
            if (!range) return NULL;
            if (range->status >= 2) return range;
            for (f = range->next; f; f = f->next)
                if (!(acc = op_add(acc, f))) return NULL;
        } else {
            Symbol *v = eval_symbol(a);
            if (!v) return NULL;
            if (!(acc = op_add(acc, v))) return NULL;
        }
        if (acc->status >= 2) return acc;
    }
    return acc;
}

/* Matched over its full 16 bytes: the name has no terminator in its row. */
static Symbol *ext_sixteen(Symbol *head) {
    (void)head;
    return create_symbol("'sixteen'", TALV_STRING);
}

static Symbol *ext_null(Symbol *head) {
    (void)head;
    return NULL;
}

/* extfield(x): the resolved value of its one argument. */
static Symbol *ext_field(Symbol *head) {
    if (count_list(head) != 1) return arguments_error();
    return eval_symbol(head->next);
}

/* extreset(x): tries to empty the evaluation's state under its own call
 * (refused: -1 from the two that answer), then gives x's value. */
static Symbol *ext_reset(Symbol *head) {
    if (count_list(head) != 1) return arguments_error();
    free_all_symbol();
    if (init_symbol_list() != -1 || init_variable() != -1) return arguments_error();
    return eval_symbol(head->next);
}

TALV_EXT_API FuncTab ext_func_tab[] = {
    {"extcount", ext_count},
    {"length", ext_length},
    {"ExtArgs", ext_args},
    {"extbad", ext_bad},
    {"extsum", ext_sum},
    {"abcdefghijklmnop", ext_sixteen},
    {"extnull", ext_null},
    {"extfield", ext_field},
    {"extreset", ext_reset},
    {"", NULL},
    {"afterend", ext_count},
};

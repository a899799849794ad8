/* A companion library of one function, as a user writes one to replace
 * the bundled libtalvextn.so.1. */
#define TALV_BUILDING_EXTENSION   /* this library defines ext_func_tab */
#include <talvechk.h>

/* even(x): true when x is an even number; its value is x itself. */
static Symbol *even(Symbol *head) {
    Symbol *arg, *copy;
    int32_t n;
    if (count_list(head) != 1) {          /* wrong arguments */
        Symbol *err = create_symbol("0", TALV_NUMBER);
        if (!err) return NULL;            /* NULL: out of memory */
        err->status = 2;
        err->code = TALV_E_ARGUMENTS;     /* the library adds the row and name */
        return err;
    }
    arg = eval_symbol(head->next);        /* reads fields and variables */
    if (!arg || arg->status >= 2) return arg; /* errors pass on unchanged */
    copy = sym_alloc();                   /* every Symbol comes from the list */
    if (!copy) return NULL;
    *copy = *arg;                         /* convert a copy, never the argument */
    symbol_to_long(copy, &n);
    if (n == (int32_t)0x80000000) {       /* not a number of at most 8 digits */
        copy->status = 2;
        copy->code = TALV_E_ARGUMENTS;
        return copy;
    }
    copy = long_to_symbol(n);
    if (copy) copy->status = (n % 2 == 0) ? 0 : 1;  /* 0 true, 1 false */
    return copy;
}

TALV_EXT_API FuncTab ext_func_tab[] = {
    {"even", even},
    {"", 0},                              /* a null entry point ends the table */
};

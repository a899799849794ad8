// Placeholders until the built-in functions are built: every row reports
// the argument error.
#include "builtins/builtins.h"

namespace talv {
namespace {
Symbol *not_built(Symbol *) {
    Symbol *s = sym_alloc();
    if (s) { s->status = 2; s->code = TALV_E_ARGUMENTS; }
    return s;
}
}  // namespace

const FuncTab builtin_func_tab[15] = {
    {"sum", not_built},   {"sumprod", not_built}, {"number", not_built}, {"setn", not_built},
    {"length", not_built}, {"first", not_built},  {"blank", not_built},  {"day", not_built},
    {"month", not_built}, {"mdate", not_built},   {"ydate", not_built},  {"jdate", not_built},
    {"time", not_built},  {"time12", not_built},  {"", nullptr},
};
}  // namespace talv

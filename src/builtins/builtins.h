// The builtin function table: rows 0..13 and an empty end row.  Argument
// errors are completed with the row index by call_function.
#pragma once

#include "talvechk.h"

namespace talv {
extern const FuncTab builtin_func_tab[15];
}

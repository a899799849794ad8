/* The companion library's function table.  Empty: the first row's null
 * entry point ends it. */
#include "talvechk.h"

TALV_EXT_API FuncTab ext_func_tab[] = {
    {"", 0},
};

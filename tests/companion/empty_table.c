/* A companion library whose table is empty: its first row ends it. */
#include "talvechk.h"

TALV_EXT_API FuncTab ext_func_tab[] = {
    {"", 0},
};

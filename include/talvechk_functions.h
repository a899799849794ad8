/*
 * talvechk_functions.h - the built-in function table by row, an extension
 * of the talvechk library.
 *
 * Wrong arguments to a function give the code 0xA0nn000A, nn being the
 * function's row in the table it was found in: the companion library's
 * ext_func_tab (searched first) or the library's built-in table.  The
 * companion's table is public; this names the rows of the built-in one, so
 * that a host holding only a code can say which functions it may mean.
 *
 * Plain C (C89 and later) and C++.
 */
#ifndef TALVECHK_FUNCTIONS_H
#define TALVECHK_FUNCTIONS_H

#include "talvechk.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The name of the built-in function in that row (NUL-terminated, static),
 * or a null pointer past the table's end. */
TALV_API const char *talv_builtin_name(uint32_t row);

#ifdef __cplusplus
}
#endif

#endif /* TALVECHK_FUNCTIONS_H */

/* The companion library's function table.  Row numbers show in the result
 * code of wrong arguments (0xA0nn000A), so new rows go at the end. */
#include "talvechk.h"
#include "identifier_functions.h"

TALV_EXT_API FuncTab ext_func_tab[] = {
    {"luhn", talvx_luhn},             /* 0xA000000A */
    {"mod11", talvx_mod11},           /* 0xA001000A */
    {"mynumber", talvx_mynumber},     /* 0xA002000A */
    {"corpnumber", talvx_corpnumber}, /* 0xA003000A */
    {"ean", talvx_ean},               /* 0xA004000A */
    {"digits", talvx_digits},         /* 0xA005000A */
    {"", 0},
};

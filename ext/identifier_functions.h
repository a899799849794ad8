/* Entry points of the companion library's function table. */
#ifndef TALVX_IDENTIFIER_FUNCTIONS_H
#define TALVX_IDENTIFIER_FUNCTIONS_H

#include "talvechk.h"

#ifdef __cplusplus
extern "C" {
#endif

Symbol *talvx_luhn(Symbol *head);
Symbol *talvx_mod11(Symbol *head);
Symbol *talvx_mynumber(Symbol *head);
Symbol *talvx_corpnumber(Symbol *head);
Symbol *talvx_ean(Symbol *head);
Symbol *talvx_digits(Symbol *head);

#ifdef __cplusplus
}
#endif

#endif

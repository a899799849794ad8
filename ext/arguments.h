/* Reading the arguments of a call, through the library's exported
 * operations only: the companion is linked without the library and
 * resolves them from it when it is loaded. */
#ifndef TALVX_ARGUMENTS_H
#define TALVX_ARGUMENTS_H

#include "talvechk.h"
#include "identifier_text.h"

/* Room to_sjis_code needs for a normalised text. */
#define TALVX_TEXT_SIZE 280

/* Puts the arguments behind the list head into argv; 0 when there are from
 * min to max of them, -1 otherwise. */
int talvx_arguments(Symbol *head, int min, int max, Symbol **argv, int *argc);

/* The readers answer 0 when they have read the argument.  Otherwise the
 * call must end with *result: the error Symbol an argument carried or the
 * reading met, or NULL when memory ran out. */

/* The argument's value as full-width text; a number is written out in
 * full-width digits first. */
int talvx_read_text(Symbol *arg, char *fullwidth, Symbol **result);

/* Appends the digits of the argument's text, or of every field of a range
 * argument in order, to id. */
int talvx_read_identifier(Symbol *arg, int flags, TalvxIdentifier *id, Symbol **result);

/* The argument as a whole number of at most eight digits; a value that is
 * not one makes the arguments wrong. */
int talvx_read_whole_number(Symbol *arg, int32_t *value, Symbol **result);

/* A Symbol carrying the result code (status 2); NULL when memory ran out. */
Symbol *talvx_error(uint32_t code);

/* The NUMBER value with status 0 (true) or 1 (false); NULL when memory ran out. */
Symbol *talvx_answer(int32_t value, int truth);

#endif

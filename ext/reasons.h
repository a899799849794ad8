/* Why an identifier function answers false, handed to the library's trace
 * (only while one is installed: the words cost nothing otherwise). */
#ifndef TALVX_REASONS_H
#define TALVX_REASONS_H

#include "talvechk.h"
#include "identifier_text.h"

/* The identifier (argument 1 behind head) is ill-formed, of a length the
 * scheme lacks (lengths: e.g. "a corporate number has 13"; NULL when any
 * length has a check digit), or its check digit at check_at is not the
 * expected one. */
void talvx_why_identifier(const Symbol *answer, Symbol *head, const TalvxIdentifier *id, int check_at, int expected,
                          const char *lengths);

/* digits(): ill-formed, or not the wanted count of digits. */
void talvx_why_digit_count(const Symbol *answer, Symbol *head, const TalvxIdentifier *id, int wanted);

#endif

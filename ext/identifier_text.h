/* Reading identifiers (card, individual, corporate and article numbers) out
 * of full-width text, as the library's normalisation leaves it: every
 * character two bytes. */
#ifndef TALVX_IDENTIFIER_TEXT_H
#define TALVX_IDENTIFIER_TEXT_H

#ifdef __cplusplus
extern "C" {
#endif

#define TALVX_MAX_DIGITS 256
#define TALVX_MAX_WEIGHTS 32
#define TALVX_CHECK_X 10 /* the mod 11 check character X */

typedef struct TalvxIdentifier {
    unsigned char digits[TALVX_MAX_DIGITS];
    int count;       /* digits kept, in reading order */
    int digit_chars; /* digit characters met, also those past the limit */
    int well_formed; /* every text so far held digits and only what the flags allow */
    int overflow;    /* more digits than TALVX_MAX_DIGITS met */
    int fault;       /* TALVX_FAULT_*: what first made it ill-formed */
    char fault_char[3]; /* the character of TALVX_FAULT_CHARACTER, terminated */
} TalvxIdentifier;

#define TALVX_FAULT_NONE 0
#define TALVX_FAULT_CHARACTER 1  /* a character that may not stand there */
#define TALVX_FAULT_SEPARATOR 2  /* a blank or hyphen not between two digits */
#define TALVX_FAULT_NO_DIGITS 3  /* a text without a digit */
#define TALVX_FAULT_AFTER_X 4    /* something after the check character X */
#define TALVX_FAULT_UNREADABLE 5 /* a text that ends inside a character */

/* A single blank or hyphen may stand between two digits. */
#define TALVX_SEPARATORS 1
/* The last character may be X (value TALVX_CHECK_X). */
#define TALVX_TRAILING_X 2

void talvx_identifier_init(TalvxIdentifier *id);

/* Appends the digits of one text.  Blanks around the text never count; a
 * text without a digit makes the identifier ill-formed, so an empty box of a
 * range of one-digit fields is noticed. */
void talvx_identifier_add_text(TalvxIdentifier *id, const char *fullwidth, int flags);

/* Reads mod 11 weights: whole numbers 0..99 separated by commas or blanks
 * ("2,3,4,5,6,7"), or without separators one weight per digit ("234567").
 * Gives the count, or -1 for an empty or unreadable list or one whose
 * weights are all 0. */
int talvx_parse_weights(const char *fullwidth, int *weights, int max);

#ifdef __cplusplus
}
#endif

#endif

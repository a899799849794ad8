#include "identifier_text.h"

#include <string.h>

enum { OTHER, DIGIT, BLANK, HYPHEN, COMMA, LETTER_X };

/* Classifies the two-byte character at p; *value receives a digit's value. */
static int classify(const unsigned char *p, int *value) {
    if (p[0] == 0x82 && p[1] >= 0x4F && p[1] <= 0x58) {
        *value = p[1] - 0x4F;
        return DIGIT;
    }
    if (p[0] == 0x81 && p[1] == 0x40) return BLANK;
    if (p[0] == 0x81 && (p[1] == 0x7C || p[1] == 0x5D)) return HYPHEN; /* － and ‐ */
    if (p[0] == 0x81 && p[1] == 0x43) return COMMA;
    if (p[0] == 0x82 && (p[1] == 0x77 || p[1] == 0x98)) return LETTER_X; /* Ｘ and ｘ */
    return OTHER;
}

/* Bounds of the text without its surrounding blanks, in whole characters;
 * a lone byte before the terminator makes the text unreadable (-1). */
static int trim(const unsigned char *text, size_t *begin, size_t *end) {
    size_t len = strlen((const char *)text);
    int unused;
    if (len % 2) return -1;
    *begin = 0;
    *end = len;
    while (*begin < *end && classify(text + *begin, &unused) == BLANK) *begin += 2;
    while (*end > *begin && classify(text + *end - 2, &unused) == BLANK) *end -= 2;
    return 0;
}

void talvx_identifier_init(TalvxIdentifier *id) {
    memset(id, 0, sizeof *id);
    id->well_formed = 1;
}

/* Keeps the first thing that made the identifier ill-formed. */
static void spoil(TalvxIdentifier *id, int fault, const unsigned char *at) {
    if (id->well_formed) {
        id->fault = fault;
        if (at) {
            id->fault_char[0] = (char)at[0];
            id->fault_char[1] = (char)at[1];
            id->fault_char[2] = '\0';
        }
    }
    id->well_formed = 0;
}

static void append(TalvxIdentifier *id, int value) {
    if (id->count >= TALVX_MAX_DIGITS) {
        id->overflow = 1;
        return;
    }
    id->digits[id->count++] = (unsigned char)value;
}

void talvx_identifier_add_text(TalvxIdentifier *id, const char *fullwidth, int flags) {
    const unsigned char *text = (const unsigned char *)fullwidth;
    size_t begin, end, at;
    int previous = OTHER, digits_here = 0;
    if (trim(text, &begin, &end) != 0) {
        spoil(id, TALVX_FAULT_UNREADABLE, NULL);
        return;
    }
    for (at = begin; at < end; at += 2) {
        int value = 0, kind = classify(text + at, &value);
        /* Nothing may follow a check character X, in this text or a later one. */
        if (id->count > 0 && id->digits[id->count - 1] == TALVX_CHECK_X) spoil(id, TALVX_FAULT_AFTER_X, NULL);
        switch (kind) {
        case DIGIT:
            id->digit_chars++;
            digits_here++;
            append(id, value);
            break;
        case BLANK:
        case HYPHEN:
            if (!(flags & TALVX_SEPARATORS)) spoil(id, TALVX_FAULT_CHARACTER, text + at);
            else if (previous != DIGIT) spoil(id, TALVX_FAULT_SEPARATOR, NULL);
            break;
        case LETTER_X:
            if (flags & TALVX_TRAILING_X) {
                append(id, TALVX_CHECK_X);
                digits_here++;
            } else {
                spoil(id, TALVX_FAULT_CHARACTER, text + at);
            }
            break;
        default:
            spoil(id, TALVX_FAULT_CHARACTER, text + at);
        }
        previous = kind;
    }
    /* The trimmed text ends in a separator only when it was a hyphen. */
    if (digits_here == 0) spoil(id, TALVX_FAULT_NO_DIGITS, NULL);
    else if (previous == HYPHEN) spoil(id, TALVX_FAULT_SEPARATOR, NULL);
}

int talvx_parse_weights(const char *fullwidth, int *weights, int max) {
    const unsigned char *text = (const unsigned char *)fullwidth;
    size_t begin, end, at;
    int count = 0, separated = 0, item_digits = 0, commas = 0, nonzero = 0, value;
    if (trim(text, &begin, &end) != 0 || begin == end) return -1;
    for (at = begin; at < end; at += 2) {
        int kind = classify(text + at, &value);
        if (kind == COMMA || kind == BLANK) separated = 1;
        else if (kind != DIGIT) return -1;
    }
    for (at = begin; at < end; at += 2) {
        int kind = classify(text + at, &value);
        if (kind == COMMA) {
            if (count == 0 || commas > 0) return -1; /* an empty item */
            commas++;
            item_digits = 0;
        } else if (kind == BLANK) {
            item_digits = 0;
        } else {
            if (!separated || item_digits == 0) {
                if (count >= max) return -1;
                weights[count++] = 0;
                item_digits = 0;
            }
            if (++item_digits > 2) return -1;
            weights[count - 1] = weights[count - 1] * 10 + value;
            if (value) nonzero = 1;
            commas = 0;
        }
    }
    if (commas > 0 || !nonzero) return -1;
    return count;
}

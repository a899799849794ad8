#include "reasons.h"

#include <stdio.h>

#include "talvechk_trace.h"

/* An ill-formed identifier: what made it so. */
static void why_ill_formed(const Symbol *answer, Symbol *head, const TalvxIdentifier *id) {
    char words[64];
    uint32_t part = TALV_WHY_NOT_A_DIGIT;
    switch (id->fault) {
    case TALVX_FAULT_CHARACTER: snprintf(words, sizeof words, "\"%s\" is not a digit", id->fault_char); break;
    case TALVX_FAULT_SEPARATOR:
        part = TALV_WHY_SEPARATOR;
        snprintf(words, sizeof words, "a blank or hyphen not between two digits");
        break;
    case TALVX_FAULT_NO_DIGITS:
        part = TALV_WHY_NO_DIGITS;
        snprintf(words, sizeof words, "no digits");
        break;
    case TALVX_FAULT_AFTER_X: snprintf(words, sizeof words, "something after the check character X"); break;
    default:
        part = TALV_WHY_OTHER;
        snprintf(words, sizeof words, "a text that ends inside a character");
        break;
    }
    talv_trace_why(answer, part, words, head, 1);
}

static const char *plural(int n) { return n == 1 ? "" : "s"; }

void talvx_why_identifier(const Symbol *answer, Symbol *head, const TalvxIdentifier *id, int check_at, int expected,
                          const char *lengths) {
    char words[96], have[12], gives[12];
    if (!answer || answer->status != 1 || !talv_trace_active()) return;
    if (!id->well_formed) {
        why_ill_formed(answer, head, id);
        return;
    }
    if (id->overflow) {
        snprintf(words, sizeof words, "more than %d digits", TALVX_MAX_DIGITS);
        talv_trace_why(answer, TALV_WHY_TOO_MANY_DIGITS, words, head, 1);
        return;
    }
    if (id->count < 2 || expected < 0) {
        if (lengths)
            snprintf(words, sizeof words, "%d digit%s; %s", id->count, plural(id->count), lengths);
        else
            snprintf(words, sizeof words, "%d digit%s; a check digit and at least one more are needed", id->count,
                     plural(id->count));
        talv_trace_why(answer, TALV_WHY_DIGIT_COUNT, words, head, 1);
        return;
    }
    /* 10 is the mod 11 check character X. */
    if (id->digits[check_at] == TALVX_CHECK_X) snprintf(have, sizeof have, "X");
    else snprintf(have, sizeof have, "%d", id->digits[check_at]);
    if (expected == TALVX_CHECK_X) snprintf(gives, sizeof gives, "X");
    else snprintf(gives, sizeof gives, "%d", expected);
    snprintf(words, sizeof words, "check digit %s, the number gives %s", have, gives);
    talv_trace_why(answer, TALV_WHY_CHECK_DIGIT, words, head, 1);
}

void talvx_why_digit_count(const Symbol *answer, Symbol *head, const TalvxIdentifier *id, int wanted) {
    char words[64];
    if (!answer || answer->status != 1 || !talv_trace_active()) return;
    if (!id->well_formed) {
        why_ill_formed(answer, head, id);
        return;
    }
    snprintf(words, sizeof words, "%d digit%s, not %d", id->digit_chars, plural(id->digit_chars), wanted);
    talv_trace_why(answer, TALV_WHY_DIGIT_COUNT, words, head, 1);
}

/* The companion library's functions: check digits of identifiers and a
 * digits-only test.  Each answers true (status 0) or false (status 1) with a
 * NUMBER value: the check digit the identifier calls for (-1 when it is not
 * a well-formed identifier of the scheme), or for digits() the number of
 * digits. */
#include "identifier_functions.h"

#include "arguments.h"
#include "check_digits.h"
#include "reasons.h"

/* Judges an identifier whose check digit stands at check_at, given the check
 * digit its other digits call for (-1: none for that length); lengths says
 * which lengths the scheme has, for the trace. */
static Symbol *judge(Symbol *head, const TalvxIdentifier *id, int check_at, int expected, const char *lengths) {
    Symbol *answer;
    if (!id->well_formed || id->overflow || id->count < 2 || expected < 0)
        answer = talvx_answer(-1, 0);
    else
        answer = talvx_answer(expected, id->digits[check_at] == expected);
    talvx_why_identifier(answer, head, id, check_at, expected, lengths);
    return answer;
}

/* Reads the one identifier argument of a call; 0, or the call ends with *result. */
static int read_single(Symbol *head, TalvxIdentifier *id, Symbol **result) {
    Symbol *argv[1];
    int argc;
    talvx_identifier_init(id);
    if (talvx_arguments(head, 1, 1, argv, &argc)) {
        *result = talvx_error(TALV_E_ARGUMENTS);
        return -1;
    }
    return talvx_read_identifier(argv[0], TALVX_SEPARATORS, id, result);
}

Symbol *talvx_luhn(Symbol *head) {
    TalvxIdentifier id;
    Symbol *result;
    if (read_single(head, &id, &result)) return result;
    return judge(head, &id, id.count - 1, talvx_luhn_check_digit(id.digits, id.count - 1), NULL);
}

Symbol *talvx_ean(Symbol *head) {
    TalvxIdentifier id;
    Symbol *result;
    if (read_single(head, &id, &result)) return result;
    return judge(head, &id, id.count - 1, talvx_ean_check_digit(id.digits, id.count - 1),
                 "an article number has 8 or 13");
}

Symbol *talvx_mynumber(Symbol *head) {
    TalvxIdentifier id;
    Symbol *result;
    if (read_single(head, &id, &result)) return result;
    return judge(head, &id, id.count - 1, talvx_mynumber_check_digit(id.digits, id.count - 1),
                 "an individual number has 12");
}

Symbol *talvx_corpnumber(Symbol *head) {
    TalvxIdentifier id;
    Symbol *result;
    if (read_single(head, &id, &result)) return result;
    return judge(head, &id, 0, talvx_corpnumber_check_digit(id.digits + 1, id.count - 1),
                 "a corporate number has 13");
}

Symbol *talvx_mod11(Symbol *head) {
    static const int default_weights[] = {2, 3, 4, 5, 6, 7};
    int weights[TALVX_MAX_WEIGHTS], weight_count = 6, argc, i;
    char text[TALVX_TEXT_SIZE];
    Symbol *argv[2], *result;
    TalvxIdentifier id;
    talvx_identifier_init(&id);
    if (talvx_arguments(head, 1, 2, argv, &argc)) return talvx_error(TALV_E_ARGUMENTS);
    if (talvx_read_identifier(argv[0], TALVX_SEPARATORS | TALVX_TRAILING_X, &id, &result)) return result;
    for (i = 0; i < weight_count; i++) weights[i] = default_weights[i];
    if (argc == 2) {
        if (talvx_read_text(argv[1], text, &result)) return result;
        weight_count = talvx_parse_weights(text, weights, TALVX_MAX_WEIGHTS);
        if (weight_count < 0) return talvx_error(TALV_E_ARGUMENTS);
    }
    /* X may only stand last (the reader sees to that), so the payload holds digits. */
    return judge(head, &id, id.count - 1, talvx_mod11_check_digit(id.digits, id.count - 1, weights, weight_count),
                 NULL);
}

Symbol *talvx_digits(Symbol *head) {
    Symbol *argv[2], *result;
    TalvxIdentifier id;
    int32_t wanted = 0;
    int argc, truth;
    talvx_identifier_init(&id);
    if (talvx_arguments(head, 1, 2, argv, &argc)) return talvx_error(TALV_E_ARGUMENTS);
    if (talvx_read_identifier(argv[0], 0, &id, &result)) return result;
    if (argc == 2) {
        if (talvx_read_whole_number(argv[1], &wanted, &result)) return result;
        if (wanted < 1) return talvx_error(TALV_E_ARGUMENTS);
    }
    truth = id.well_formed && (argc == 1 || id.digit_chars == wanted);
    result = talvx_answer(id.digit_chars, truth);
    talvx_why_digit_count(result, head, &id, wanted);
    return result;
}

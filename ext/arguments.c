#include "arguments.h"

#include <string.h>

int talvx_arguments(Symbol *head, int min, int max, Symbol **argv, int *argc) {
    int count = count_list(head), i;
    Symbol *arg;
    *argc = count;
    if (count < min || count > max) return -1;
    for (i = 0, arg = head ? head->next : NULL; i < count && arg; i++, arg = arg->next) argv[i] = arg;
    return i == count ? 0 : -1;
}

Symbol *talvx_error(uint32_t code) {
    Symbol *error = create_symbol("0", TALV_NUMBER);
    if (!error) return NULL;
    error->status = 2;
    error->code = code;
    return error;
}

Symbol *talvx_answer(int32_t value, int truth) {
    Symbol *answer = long_to_symbol(value);
    if (answer && answer->status < 2) answer->status = truth ? 0 : 1;
    return answer;
}

/* Resolves an argument; 0 with *value set, or the call ends with *result. */
static int resolve(Symbol *arg, Symbol **value, Symbol **result) {
    Symbol *resolved = eval_symbol(arg);
    if (!resolved || resolved->status >= 2) {
        *result = resolved;
        return -1;
    }
    *value = resolved;
    return 0;
}

/* A private copy, so that converting in place leaves the argument as it was. */
static Symbol *copy_of(const Symbol *value) {
    Symbol *copy = sym_alloc();
    if (!copy) return NULL;
    *copy = *value;
    copy->next = NULL;
    copy->value = NULL;
    return copy;
}

int talvx_read_text(Symbol *arg, char *fullwidth, Symbol **result) {
    char source[TALV_SYMBOL_TEXT + 1];
    Symbol *value;
    uint32_t code;
    if (resolve(arg, &value, result)) return -1;
    if (value->kind == TALV_NUMBER) {
        if (!(value = copy_of(value))) {
            *result = NULL;
            return -1;
        }
        if ((code = to_character(value)) != 0) {
            *result = talvx_error(code);
            return -1;
        }
    }
    /* The text of a Symbol is terminated within its storage by every
     * operation that writes it, but a companion cannot rely on that. */
    memcpy(source, value->text, TALV_SYMBOL_TEXT);
    source[TALV_SYMBOL_TEXT] = '\0';
    if ((code = to_sjis_code(source, fullwidth)) != 0) {
        *result = talvx_error(code);
        return -1;
    }
    return 0;
}

int talvx_read_identifier(Symbol *arg, int flags, TalvxIdentifier *id, Symbol **result) {
    char text[TALVX_TEXT_SIZE];
    if (is_field_with_range(arg)) {
        Symbol *list = ext_field_arg(arg), *field;
        if (!list || list->status >= 2) {
            *result = list; /* no field of the range exists: wrong arguments */
            return -1;
        }
        for (field = list->next; field; field = field->next) {
            if (talvx_read_text(field, text, result)) return -1;
            talvx_identifier_add_text(id, text, flags);
        }
        return 0;
    }
    if (talvx_read_text(arg, text, result)) return -1;
    talvx_identifier_add_text(id, text, flags);
    return 0;
}

int talvx_read_whole_number(Symbol *arg, int32_t *number, Symbol **result) {
    Symbol *value, *copy;
    if (resolve(arg, &value, result)) return -1;
    if (!(copy = copy_of(value))) {
        *result = NULL;
        return -1;
    }
    symbol_to_long(copy, number);
    if (*number == INT32_MIN) {
        *result = talvx_error(TALV_E_ARGUMENTS);
        return -1;
    }
    return 0;
}

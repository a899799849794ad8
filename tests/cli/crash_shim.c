/* Preloaded into talvechk by a test: lets the 20th evaluation of a check
 * that mentions "boom" kill its process, as a crashing library would, and
 * every evaluation of one that mentions "doom" (a library that dies on every
 * form). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <string.h>

#include "talvechk.h"

uint32_t PPR_eval(uint32_t *out, const char *field_name, const char *expr_text) {
    static uint32_t (*real)(uint32_t *, const char *, const char *);
    static int calls;
    if (!real) real = (uint32_t(*)(uint32_t *, const char *, const char *))dlsym(RTLD_NEXT, "PPR_eval");
    if (strstr(expr_text, "boom") && ++calls == 20) raise(SIGKILL);
    if (strstr(expr_text, "doom")) raise(SIGKILL);
    return real(out, field_name, expr_text);
}

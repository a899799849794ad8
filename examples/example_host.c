/* A minimal host: a form held in a table, its fields served through the
 * callbacks, a few check expressions evaluated and their messages printed
 * (in CP932, as the library gives them). */
#include <stdio.h>
#include <string.h>

#include "talvechk.h"

struct field { const char *name, *type, *value; };

static const struct field form[] = {
    {"A1", "HAND_ANK", "100"}, {"A2", "HAND_ANK", "250"}, {"A3", "HAND_ANK", "\x82\x50\x82\x4f"},
    {"TOTAL", "HAND_ANK", "360"}, {"Y", "HAND_ANK", "2024"}, {"M", "HAND_ANK", "2"},
    {"D", "HAND_ANK", "30"}, {"MEMO", "HAND_ANK", "  "},
};
#define FIELDS (sizeof form / sizeof form[0])

static int32_t field_value(uintptr_t ctx, const char *name, PPR_FIELD_VALUE *rec) {
    size_t i;
    (void)ctx;
    for (i = 0; i < FIELDS; i++) {
        if (strcmp(form[i].name, name) == 0) {
            memset(rec, 0, sizeof *rec);
            strncpy(rec->type, form[i].type, sizeof rec->type - 1);
            strncpy(rec->value, form[i].value, sizeof rec->value - 1);
            return 0;
        }
    }
    return -1;
}

static int32_t field_range(uintptr_t ctx, int32_t *count, char **names, int32_t capacity,
                           char *store, int32_t store_size) {
    size_t i;
    char *p = store;
    (void)ctx; (void)store_size;
    for (i = 0; i < FIELDS && (int32_t)i < capacity; i++) {
        strcpy(p, form[i].name);
        names[i] = p;
        p += 33;
    }
    *count = (int32_t)i;
    return 0;
}

static int32_t field_list(uintptr_t ctx, PPR_FIELD_ENTRY *entries, int32_t *count, int32_t capacity) {
    (void)ctx; (void)entries; (void)capacity;
    *count = 0;
    return 0;
}

int main(void) {
    static const struct { const char *field, *expr; } checks[] = {
        {"TOTAL", "sum([A1..3])==@"},
        {"D", "ydate([Y],[M],[D])"},
        {"MEMO", "blank([MEMO])"},
        {"TOTAL", "[TOTAL] > 1000"},
        {"TOTAL", "[NOPE] == 1"},
    };
    PPR_PROC procs[3];
    uintptr_t contexts[3] = {0, 0, 0};
    size_t i;
    int failures = 0;

    procs[0] = (PPR_PROC)field_value;
    procs[1] = (PPR_PROC)field_range;
    procs[2] = (PPR_PROC)field_list;
    if (PPR_init(procs, contexts) != 0) {
        fprintf(stderr, "PPR_init failed\n");
        return 2;
    }
    for (i = 0; i < sizeof checks / sizeof checks[0]; i++) {
        uint32_t out = 0, rc;
        char message[600];
        rc = PPR_eval(&out, checks[i].field, checks[i].expr);
        if (!Get_PPR_Message(out, message, (int32_t)sizeof message)) message[0] = '\0';
        printf("%-6s %-22s return %08X out-code %08X  %s\n", checks[i].field, checks[i].expr,
               (unsigned)rc, (unsigned)out, message);
        if (out != 0) failures++;
    }
    PPR_end();
    printf("%d of %u checks did not pass\n", failures, (unsigned)(sizeof checks / sizeof checks[0]));
    return 0;
}

/* Every step of one check, as the trace reports it. */
#include <stdio.h>
#include <string.h>

#include <talvechk.h>
#include <talvechk_trace.h>

static const char *const fields[][2] = {
    {"A1", "1000"}, {"A2", "1000"}, {"A3", "1000"}, {"TOTAL", "3001"}};
#define FIELD_COUNT (sizeof fields / sizeof fields[0])

static int32_t field_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    size_t i;
    (void)context;
    for (i = 0; i < FIELD_COUNT; ++i)
        if (strcmp(fields[i][0], name) == 0) {
            memset(record, 0, sizeof *record);
            strcpy(record->value, fields[i][1]);
            return 0;
        }
    return -1;
}

static int32_t field_names(uintptr_t context, int32_t *count, char **names, int32_t capacity,
                           char *store, int32_t store_size) {
    size_t i;
    (void)context;
    if ((int32_t)FIELD_COUNT > capacity || (int32_t)FIELD_COUNT * 33 > store_size) return -2;
    for (i = 0; i < FIELD_COUNT; ++i) {
        names[i] = store + 33 * i;
        strcpy(names[i], fields[i][0]);
    }
    *count = (int32_t)FIELD_COUNT;
    return 0;
}

static const char *const kinds[] = {"?", "field", "operator", "comparison", "logical",
                                    "call", "assignment", "statement", "syntax error"};

/* The event and its texts live only during the call: print, or copy. */
static void show_step(uintptr_t context, const TALV_TRACE_EVENT *e) {
    const char *expr = (const char *)context;
    printf("%-10s %-16.*s %-5s %-5s %4s %4s  status %d\n", e->kind <= 8 ? kinds[e->kind] : "?",
           (int)e->length, expr + e->start, e->name, e->value, e->left, e->right, (int)e->status);
}

int main(void) {
    static const char expr[] = "sum([A1..3])==@";
    PPR_PROC procs[3];
    uintptr_t contexts[3] = {0, 0, 0};
    uint32_t out = 0;
    procs[0] = (PPR_PROC)field_value;
    procs[1] = (PPR_PROC)field_names;
    procs[2] = 0;
    if (PPR_init(procs, contexts) != 0) return 1;
    talv_set_trace(show_step, (uintptr_t)expr);
    PPR_eval(&out, "TOTAL", expr);
    talv_set_trace(0, 0);
    printf("out-code %08lX\n", (unsigned long)out);
    PPR_end();
    return 0;
}

/* A complete host of the talvechk library: one invoice held in memory,
 * served through the three callbacks; a few checks evaluated, certified and
 * listed, their messages converted from CP932 to UTF-8 for the terminal. */
#include <iconv.h>
#include <stdio.h>
#include <string.h>

#include <talvechk.h>

struct field {
    const char *name, *type, *value;
};

/* Values as a recogniser delivers them: CP932, half- and full-width mixed. */
static const struct field invoice[] = {
    {"ITEM1", "HAND_ANK", "1200"},
    {"ITEM2", "HAND_ANK", "\x82\x52\x82\x4f\x82\x4f"}, /* full-width 300 */
    {"ITEM3", "HAND_ANK", "  50"},
    {"TOTAL", "HAND_ANK", "1550"},
    {"NOTE", "FREE_TEXT", "urgent"},
};
#define FIELD_COUNT (sizeof invoice / sizeof invoice[0])

/* The excluded-field list: fields no check expression may reference. */
static const char *const excluded[] = {"NOTE"};
#define EXCLUDED_COUNT (sizeof excluded / sizeof excluded[0])

static const struct field *find_field(const char *name) {
    size_t i;
    for (i = 0; i < FIELD_COUNT; i++)
        if (strcmp(invoice[i].name, name) == 0) return &invoice[i];
    return NULL;
}

/* Callback 0: one field's recognised value; -1 when there is no such field. */
static int32_t field_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    const struct field *f = find_field(name);
    (void)context;
    if (!f) return -1;
    memset(record, 0, sizeof *record);
    strncpy(record->type, f->type, sizeof record->type - 1);
    strncpy(record->value, f->value, sizeof record->value - 1);
    return 0;
}

/* Callback 1: every field name of the form (ranges such as [ITEM1..3] are
 * expanded against it).  Each name goes into its own 33-byte slot of store. */
static int32_t field_range(uintptr_t context, int32_t *count, char **names, int32_t capacity,
                           char *store, int32_t store_size) {
    size_t i;
    (void)context;
    if ((int32_t)FIELD_COUNT > capacity || (int32_t)FIELD_COUNT * 33 > store_size) return -2;
    for (i = 0; i < FIELD_COUNT; i++) {
        names[i] = store + i * 33;
        strncpy(names[i], invoice[i].name, 32);
        names[i][32] = '\0';
    }
    *count = (int32_t)FIELD_COUNT;
    return 0;
}

/* Callback 2 (needed by PPR_certify only): the excluded-field list. */
static int32_t field_list(uintptr_t context, PPR_FIELD_ENTRY *entries, int32_t *count,
                          int32_t capacity) {
    size_t i;
    (void)context;
    if ((int32_t)EXCLUDED_COUNT > capacity) return -2;
    for (i = 0; i < EXCLUDED_COUNT; i++) {
        memset(&entries[i], 0, sizeof entries[i]);
        strncpy(entries[i].name, excluded[i], sizeof entries[i].name);
    }
    *count = (int32_t)EXCLUDED_COUNT;
    return 0;
}

/* The library's texts are CP932; the terminal wants UTF-8. */
static const char *to_utf8(const char *cp932, char *out, size_t size) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    char *in = (char *)cp932, *dst = out;
    size_t in_left = strlen(cp932), out_left = size - 1;
    if (cd == (iconv_t)-1) return cp932;
    iconv(cd, &in, &in_left, &dst, &out_left);
    *dst = '\0';
    iconv_close(cd);
    return out;
}

int main(void) {
    static const struct { const char *field, *expr; } checks[] = {
        {"TOTAL", "sum([ITEM1..3])==@"}, /* passes */
        {"TOTAL", "[ITEM1] > @"},         /* false: the recognition result is wrong */
        {"TOTAL", "[ITEM9] == 0"},        /* an error in the expression */
    };
    PPR_PROC callbacks[3];
    uintptr_t contexts[3] = {0, 0, 0};
    PPR_CERTIFY_RESULT certified;
    const char *names[] = {"ITEM1", "ITEM2", "TOTAL", NULL};
    int32_t referenced[4];
    char message[600], utf8[1200];
    uint32_t rc, out;
    size_t i;

    callbacks[0] = (PPR_PROC)field_value;
    callbacks[1] = (PPR_PROC)field_range;
    callbacks[2] = (PPR_PROC)field_list;
    rc = PPR_init(callbacks, contexts);
    if (rc != 0) {
        fprintf(stderr, "PPR_init failed: %08X\n", (unsigned)rc);
        return 1;
    }

    /* PPR_eval: the return value says whether the call worked, the
     * out-code what the check found. */
    for (i = 0; i < sizeof checks / sizeof checks[0]; i++) {
        rc = PPR_eval(&out, checks[i].field, checks[i].expr);
        if (rc != 0) {
            fprintf(stderr, "PPR_eval failed: %08X\n", (unsigned)rc);
            return 1;
        }
        Get_PPR_Message(out, message, (int32_t)sizeof message);
        printf("eval    %-20s %08X %s\n", checks[i].expr, (unsigned)out,
               to_utf8(message, utf8, sizeof utf8));
    }

    /* PPR_certify tests the expression itself; the record carries the name
     * its message mentions. */
    rc = PPR_certify(&certified, "TOTAL", "[NOTE] == 0");
    if (rc != 0) {
        fprintf(stderr, "PPR_certify failed: %08X\n", (unsigned)rc);
        return 1;
    }
    Get_PPRPT_Message(&certified, message, (int32_t)sizeof message);
    printf("certify %-20s %08X %s\n", "[NOTE] == 0", (unsigned)certified.code,
           to_utf8(message, utf8, sizeof utf8));

    /* PPR_chkfld: which of the names an expression references. */
    if (PPR_chkfld(referenced, names, "[TOTAL] == [ITEM1] + [ITEM2]") == 0) {
        printf("chkfld ");
        for (i = 0; referenced[i] >= 0; i++) printf(" %s", names[referenced[i]]);
        printf("\n");
    }

    PPR_end();
    return 0;
}

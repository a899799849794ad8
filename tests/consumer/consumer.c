/* A host outside the project's build: links the installed library, runs an
 * evaluation and checks its out-code.  Plain C on purpose, so that the
 * installed header is proven usable from C. */
#include <stdio.h>
#include <string.h>

#include <talvechk.h>

/* Defined by the test when every part of the installed library is built;
 * until then the evaluation itself is not checked. */
#ifndef CONSUMER_EVALUATES
#define CONSUMER_EVALUATES 0
#endif

struct field { const char *name, *value; };
static const struct field form[] = {{"A", "100"}, {"B", "\x82\x51\x82\x54\x82\x4f"}, {"T", "350"}};
#define FIELDS (sizeof form / sizeof form[0])

static int32_t field_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    size_t i;
    (void)context;
    for (i = 0; i < FIELDS; i++) {
        if (strcmp(form[i].name, name) == 0) {
            memset(record, 0, sizeof *record);
            strcpy(record->type, "HAND_ANK");
            strcpy(record->value, form[i].value);
            return 0;
        }
    }
    return -1;
}

static int32_t field_range(uintptr_t context, int32_t *count, char **names, int32_t capacity,
                           char *store, int32_t store_size) {
    int32_t i;
    (void)context;
    for (i = 0; i < (int32_t)FIELDS && i < capacity && (i + 1) * 33 <= store_size; i++) {
        names[i] = store + i * 33;
        strcpy(names[i], form[i].name);
    }
    *count = i;
    return 0;
}

static int failures;

static void expect(const char *what, unsigned long got, unsigned long want) {
    if (got != want) {
        fprintf(stderr, "%s: got %08lX, want %08lX\n", what, got, want);
        failures++;
    }
}

int main(void) {
    static const char *const names[] = {"A", "B", "T", NULL};
    PPR_PROC procs[3];
    uintptr_t contexts[3] = {0, 0, 0};
    uint32_t out = 0, rc;
    int32_t referenced[4];
    char message[600];

    /* Before PPR_init: the entry points answer without callbacks. */
    rc = PPR_eval(&out, "T", "[A]+[B]==@");
    expect("PPR_eval before PPR_init", rc, TALV_R_EVAL_NOT_INIT);
    expect("its out-code", out, TALV_E_INTERNAL);
    expect("PPR_init without callbacks", PPR_init(NULL, NULL), TALV_R_INIT_BAD_PARAM);
    expect("PPR_chkfld", PPR_chkfld(referenced, names, "[T] == [A] + [B]"), 0);
    expect("its first index", (unsigned long)referenced[0], 0);
    expect("its second index", (unsigned long)referenced[1], 1);
    expect("its third index", (unsigned long)referenced[2], 2);
    expect("its end", (unsigned long)(referenced[3] + 1), 0);

    /* "認識結果に誤りがあります。" in CP932 */
    if (!Get_PPR_Message(TALV_FALSE, message, (int32_t)sizeof message) ||
        strcmp(message, "\x94\x46\x8e\xaf\x8c\x8b\x89\xca\x82\xc9\x8c\xeb\x82\xe8\x82\xaa"
                        "\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42") != 0) {
        fprintf(stderr, "Get_PPR_Message(80000000) gave the wrong text\n");
        failures++;
    }

    procs[0] = (PPR_PROC)field_value;
    procs[1] = (PPR_PROC)field_range;
    procs[2] = NULL;
    expect("PPR_init", PPR_init(procs, contexts), 0);
    if (CONSUMER_EVALUATES) {
        rc = PPR_eval(&out, "T", "[A]+[B]==@");
        expect("PPR_eval of a true check", rc, 0);
        expect("its out-code", out, TALV_OK);
        rc = PPR_eval(&out, "T", "[A] > @");
        expect("PPR_eval of a false check", rc, 0);
        expect("its out-code", out, TALV_FALSE);
    } else {
        printf("evaluation not checked: parts of the library are placeholders still\n");
    }
    expect("PPR_end", PPR_end(), 0);
    if (failures == 0) printf("consumer: all checks passed\n");
    return failures ? 1 : 0;
}

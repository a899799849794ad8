/* The library's platform layer as a Windows host meets it, run under Wine:
 * the string table read through LoadStringA on talvechk.dll's own module,
 * an absent id told apart by GetLastError(), the companion table imported
 * from talvextn.dll, and checks of a small form.  Prints one line per
 * failure and "win_tests: N passed, M failed"; exits 1 on any failure. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "talvechk.h"

static int passed, failed;

static void check(int ok, const char *what) {
    if (ok) {
        passed++;
    } else {
        failed++;
        printf("FAILED: %s\n", what);
    }
}

/* CP932 bytes of the catalogue's fixed text for an absent id. */
static const char kUnexpected[] = "\x97\x5c\x8a\xfa\x82\xb9\x82\xca\xb4\xd7\xb0";

static void string_table(void) {
    HMODULE lib = GetModuleHandleA("talvechk.dll");
    char buf[600];
    int n;
    check(lib != NULL, "talvechk.dll is loaded");
    check(GetACP() == 932, "the ANSI code page is 932 (run with LANG=ja_JP.UTF-8)");

    /* Id 9 exists: its CP932 bytes, through the real LoadStringA. */
    n = LoadStringA(lib, 9, buf, sizeof buf);
    check(n > 0 && strcmp(buf, "\xc1\xaa\xaf\xb8\x8e\xae\xb4\xd7\xb0\x81\x46\x20\x8e\xae\x82\xaa\x92\xb7"
                               "\x82\xb7\x82\xac\x82\xdc\x82\xb7\x81\x42") == 0,
          "LoadStringA(9) gives the CP932 text of id 9");
    /* Ids 20 and 4096 are absent, in a block without texts or none at all. */
    SetLastError(0);
    n = LoadStringA(lib, 4096, buf, sizeof buf);
    check(n == 0 && GetLastError() == ERROR_RESOURCE_NAME_NOT_FOUND, "LoadStringA(4096) fails with 1814");
    SetLastError(0);
    n = LoadStringA(lib, 20, buf, sizeof buf);
    check(n == 0 && (GetLastError() == ERROR_RESOURCE_NAME_NOT_FOUND || GetLastError() == 0),
          "LoadStringA(20) fails with 1814 or no cause");

    /* The message functions on the same paths. */
    SetLastError(ERROR_NOT_ENOUGH_MEMORY); /* a stale cause must not count */
    check(Get_PPR_Message(0x12340014u, buf, sizeof buf) == 1 && strcmp(buf, kUnexpected) == 0,
          "Get_PPR_Message(0x12340014) gives the absent-id text");
    check(Get_PPR_Message(0x90001000u, buf, sizeof buf) == 1 && strcmp(buf, kUnexpected) == 0,
          "Get_PPR_Message(0x90001000) gives the absent-id text");
    check(Get_PPR_Message(0xE5442E03u, buf, sizeof buf) == 1 && strstr(buf, "\n") != NULL &&
              strcmp(strchr(buf, '\n') + 1, "\x8f\xda\x8d\xd7\xba\xb0\xc4\xde\x81\x46" "E5442E03") == 0,
          "Get_PPR_Message(0xE5442E03) shows its code after the line feed");
    check(Get_PPR_Message(0x90000001u, buf, 10) == 1 && strlen(buf) == 9, "a 10-byte buffer holds 9 bytes");
    check(Get_PPR_Message(0x90000001u, NULL, 10) == 0, "a null buffer is refused");
}

static int32_t field_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    static const char *const form[][2] = {
        {"A1", "100"}, {"A2", "250"}, {"A3", "\x82\x50\x82\x4f"}, {"TOTAL", "360"}, {"CARD", "79927398713"},
    };
    size_t i;
    (void)context;
    for (i = 0; i < sizeof form / sizeof form[0]; i++) {
        if (strcmp(form[i][0], name) == 0) {
            memset(record, 0, sizeof *record);
            strcpy(record->type, "HAND_ANK");
            strcpy(record->value, form[i][1]);
            return 0;
        }
    }
    return -1;
}

static int32_t field_range(uintptr_t context, int32_t *count, char **names, int32_t capacity, char *store,
                           int32_t store_size) {
    static const char *const all[] = {"A1", "A2", "A3", "TOTAL", "CARD"};
    int32_t i;
    (void)context;
    (void)store_size;
    for (i = 0; i < 5 && i < capacity; i++) {
        strcpy(store + 33 * i, all[i]);
        names[i] = store + 33 * i;
    }
    *count = i;
    return 0;
}

static void evaluations(void) {
    static const struct {
        const char *expr;
        uint32_t out;
    } cases[] = {
        {"sum([A1..3])==@", 0},
        {"[A1]+[A2]==@", TALV_FALSE},
        {"luhn([CARD])", 0},          /* the companion table, imported from talvextn.dll */
        {"luhn('79927398710')", TALV_FALSE},
        {"mod11('x', 'y', 'z')", 0xA001000Au},
        {"nosuch(1)", TALV_E_NO_FUNCTION},
        {"[A1]/0", TALV_E_DIVIDE_BY_ZERO},
    };
    PPR_PROC procs[3] = {(PPR_PROC)field_value, (PPR_PROC)field_range, NULL};
    uintptr_t contexts[3] = {0, 0, 0};
    char what[200];
    size_t i;
    check(PPR_init(procs, contexts) == 0, "PPR_init");
    for (i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        uint32_t out = 0xDEADBEEFu, rc = PPR_eval(&out, "TOTAL", cases[i].expr);
        snprintf(what, sizeof what, "PPR_eval(%s): return %08X out-code %08X, expected 0 and %08X", cases[i].expr,
                 (unsigned)rc, (unsigned)out, (unsigned)cases[i].out);
        check(rc == 0 && out == cases[i].out, what);
    }
    check(ext_func_tab[0].func != NULL && strcmp(ext_func_tab[0].name, "luhn") == 0,
          "ext_func_tab is talvextn.dll's table");
    PPR_end();
}

int main(void) {
    string_table();
    evaluations();
    printf("win_tests: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

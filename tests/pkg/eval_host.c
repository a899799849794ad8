/* eval_host CODE EXPR [CODE EXPR ...]: evaluates each expression for a form
 * without fields and checks its out-code (hexadecimal). */
#include <stdio.h>
#include <stdlib.h>

#include "talvechk.h"

static int32_t no_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    (void)context; (void)name; (void)record;
    return -1;
}

static int32_t no_names(uintptr_t context, int32_t *count, char **names, int32_t capacity,
                        char *store, int32_t store_size) {
    (void)context; (void)names; (void)capacity; (void)store; (void)store_size;
    *count = 0;
    return 0;
}

int main(int argc, char **argv) {
    PPR_PROC procs[3];
    uintptr_t contexts[3] = {0, 0, 0};
    int i, failures = 0;
    procs[0] = (PPR_PROC)no_value;
    procs[1] = (PPR_PROC)no_names;
    procs[2] = NULL;
    if (PPR_init(procs, contexts) != 0) {
        printf("PPR_init failed\n");
        return 1;
    }
    for (i = 1; i + 1 < argc; i += 2) {
        uint32_t want = (uint32_t)strtoul(argv[i], NULL, 16), out = 0;
        uint32_t rc = PPR_eval(&out, "X", argv[i + 1]);
        printf("%-32s return %08X out-code %08X\n", argv[i + 1], (unsigned)rc, (unsigned)out);
        if (rc != 0 || out != want) {
            printf("  expected out-code %08X\n", (unsigned)want);
            failures++;
        }
    }
    PPR_end();
    return failures ? 1 : 0;
}

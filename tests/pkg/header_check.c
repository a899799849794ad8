/* Compiled as C89, C99, C11 and C++ with every warning an error: the
 * public header must stay usable from any of them. */
#include "talvechk.h"
#include "talvechk.h" /* twice: the include guard holds */
#include "talvechk_trace.h"
#include "talvechk_trace.h"
#include "talvechk_functions.h"
#include "talvechk_functions.h"
#include "talvechk_messages.h"
#include "talvechk_messages.h"

static void trace_proc(uintptr_t context, const TALV_TRACE_EVENT *event) {
    (void)context; (void)event;
}

/* A table as a companion library writes it. */
static Symbol *nothing(Symbol *list_head) { return list_head; }
FuncTab table[] = {{"nothing", nothing}, {"", 0}};

static int32_t value_proc(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    (void)context; (void)name; (void)record;
    return -1;
}

int main(void) {
    PPR_PROC procs[3];
    Symbol s;
    procs[0] = (PPR_PROC)value_proc;
    procs[1] = 0;
    procs[2] = 0;
    s.kind = TALV_STRING;
    s.text[0] = '\0';
    s.digits[TALV_GROUPS - 1] = 0;
    s.next = 0;
    if (0) talv_set_trace(trace_proc, 0);
    if (0) (void)talv_builtin_name(0);
    if (0) (void)talv_message_takes_name(0);
    if (0) talv_trace_why(&s, TALV_WHY_MONTH, "month 13", 0, talv_trace_active() ? 1u : 0u);
    return (int)(sizeof table + sizeof procs + (unsigned)s.kind + TALV_E_ARGUMENTS) & 0;
}

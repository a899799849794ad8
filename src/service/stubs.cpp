// Placeholders until the entry points and messages are built.
#include <cstring>

#include "service/state.h"

namespace talv {
EvalState g_state;

void set_message_arg(const char *name, std::size_t limit) {
    std::size_t n = 0;
    if (limit > sizeof g_state.message_arg - 1) limit = sizeof g_state.message_arg - 1;
    while (name && n < limit && name[n]) { g_state.message_arg[n] = name[n]; ++n; }
    g_state.message_arg[n] = '\0';
}
}  // namespace talv

extern "C" {
uint32_t PPR_init(const PPR_PROC *, const uintptr_t *) { return TALV_R_INIT_BAD_PARAM; }
uint32_t PPR_eval(uint32_t *out, const char *, const char *) { if (out) *out = TALV_E_INTERNAL; return TALV_R_EVAL_NOT_INIT; }
uint32_t PPR_certify(PPR_CERTIFY_RESULT *r, const char *, const char *) { if (r) r->code = TALV_E_INTERNAL; return TALV_R_CERT_NOT_INIT; }
uint32_t PPR_end(void) { return 0; }
uint32_t PPR_chkfld(int32_t *, const char *const *, const char *) { return TALV_R_CHKFLD_BAD_PARAM; }
int Get_PPR_Message(uint32_t, char *, int32_t) { return 0; }
int Get_PPRPT_Message(const PPR_CERTIFY_RESULT *, char *, int32_t) { return 0; }
}

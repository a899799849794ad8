#include "service/state.h"

namespace talv {

// Constant-initialised, so that no initialisation of another file can find
// it unset.
constinit EvalState g_state;

void set_message_arg(const char *name, std::size_t limit) {
    std::size_t n = 0;
    if (limit > sizeof g_state.message_arg - 1) limit = sizeof g_state.message_arg - 1;
    while (name && n < limit && name[n]) {
        g_state.message_arg[n] = name[n];
        ++n;
    }
    g_state.message_arg[n] = '\0';
}

}  // namespace talv

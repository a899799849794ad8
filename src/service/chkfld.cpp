// PPR_chkfld: which of the host's field names an expression references.
#include <cstring>

#include "service/normalise.h"
#include "talvechk.h"

namespace talv {
namespace {

// Compares the bracket content as written, blanks included, outside
// apostrophes only.
bool references_field(const char *text, const char *name) {
    const std::size_t n = std::strlen(name);
    bool quoted = false;
    for (const char *p = text; *p; ++p) {
        if (*p == '\'') {
            quoted = !quoted;
        } else if (!quoted && *p == '[') {
            // strncmp stops at the text's NUL, so p[1 + n] is inside the text
            // whenever the names compare equal.
            if (std::strncmp(p + 1, name, n) == 0 && p[1 + n] == '$') return true;
            while (p[1] && p[1] != '$') ++p;
            if (!p[1]) break;
            ++p;  // on the "$"; scanning goes on after it
        }
    }
    return false;
}

}  // namespace
}  // namespace talv

extern "C" TALV_API uint32_t PPR_chkfld(int32_t *out, const char *const *names, const char *expr_text) {
    if (!out || !names || !expr_text) return TALV_R_CHKFLD_BAD_PARAM;
    char normalised[talv::kNormalisedBufferSize];
    // A text without visible characters references nothing; it is scanned
    // all the same.
    if (talv::normalise_expression(expr_text, normalised) == talv::kTextTooLong) return TALV_R_CHKFLD_BAD_PARAM;
    int32_t matches = 0;
    for (int32_t i = 0; names[i]; ++i)
        if (talv::references_field(normalised, names[i])) out[matches++] = i;
    out[matches] = -1;
    return 0;
}

// The processor check behind the variants of values/clear.h.  It runs while
// the library's static data is initialised, before any entry point can be
// called; a call that came earlier would find the narrow variant, which
// gives the same result.
#include "values/clear.h"

namespace talv {

bool processor_has_wide_stores() {
#if TALV_HAVE_WIDE_VARIANTS
    // Also true only when the system saves the wide registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

bool g_wide_stores = processor_has_wide_stores();

void use_wide_variants(bool wide) {
    g_wide_stores = TALV_HAVE_WIDE_VARIANTS && wide;
    choose_sym_alloc_variant(wide);
}

}  // namespace talv

// The exports that empty the evaluation's state.  An extension function may
// call them, but one that does so while its call is being evaluated would
// pull the symbols and variables from under the running evaluation (its own
// arguments among them): such a call is refused, as PPR_eval and
// PPR_certify refuse to run inside an evaluation.  The evaluation itself
// resets and sweeps through the unguarded calls.
#include "names/names.h"
#include "service/evaluation.h"
#include "talvechk.h"
#include "values/symbol_list.h"

extern "C" {

TALV_API int init_symbol_list(void) { return talv::evaluation_running() ? -1 : talv::reset_symbol_list(); }

TALV_API void free_all_symbol(void) {
    if (!talv::evaluation_running()) talv::release_symbols();
}

TALV_API int init_variable(void) { return talv::evaluation_running() ? -1 : talv::reset_variables(); }

}  // extern "C"

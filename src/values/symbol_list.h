// The symbol list's reset and sweep as the evaluation itself makes them; the
// exported init_symbol_list and free_all_symbol are these behind the guard
// against a call from inside a running evaluation.
#pragma once

namespace talv {

int reset_symbol_list();
void release_symbols();

}  // namespace talv

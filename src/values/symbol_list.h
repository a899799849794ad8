// The symbol list's reset and sweep as the evaluation itself makes them; the
// exported init_symbol_list and free_all_symbol are these behind the guard
// against a call from inside a running evaluation.
#pragma once

#include "talvechk.h"

namespace talv {

struct SymbolChunk;

// The pool the cells come from, owned by the evaluation state.
struct SymbolPool {
    SymbolChunk *chunks = nullptr;   // in the order cells are handed out
    SymbolChunk *current = nullptr;  // chunk being handed out; null while the list is empty
    // Next cell of `current` and the end of its cells; equal (null while
    // the list is empty) when the next cell comes from another chunk.
    Symbol *cursor = nullptr;
    Symbol *end = nullptr;
    long counted = 0;  // hook allocations the list holds
    // Chunks given up by init_symbol_list while they still held Symbols:
    // like the list nodes it used to forget, they are never reused.
    SymbolChunk *abandoned = nullptr;
};

int reset_symbol_list();
void release_symbols();

}  // namespace talv

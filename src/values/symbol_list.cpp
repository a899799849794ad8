// The symbol list: owner of every Symbol of one evaluation, released in one
// sweep at its end.  The cells come from a pool of chunks that the sweep
// hands back whole, so an evaluation costs no heap traffic once the pool has
// grown to its size; each Symbol still counts as alloc_counted_pair says
// (alloc.h).
#include <cstring>

#include "service/state.h"
#include "talvechk.h"
#include "values/alloc.h"
#include "values/clear.h"
#include "values/symbol_list.h"

#if defined(__SANITIZE_ADDRESS__)
#define TALV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALV_ASAN 1
#endif
#endif
#ifdef TALV_ASAN
#include <sanitizer/asan_interface.h>
#define TALV_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define TALV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define TALV_POISON(p, n) ((void)(p), (void)(n))
#define TALV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr std::size_t kCellsPerChunk = 128;
// Chunks kept across sweeps; an evaluation that needed more gives the rest
// back to the heap.
constexpr int kChunksKept = 4;

}  // namespace

struct talv::SymbolChunk {
    SymbolChunk *next;
    Symbol cells[kCellsPerChunk];
};

namespace {

using Chunk = talv::SymbolChunk;
inline talv::SymbolPool &pool() { return talv::g_state.symbols; }

Chunk *new_chunk() {
    auto *chunk = static_cast<Chunk *>(talv::alloc_backing(sizeof(Chunk)));
    if (chunk == nullptr) return nullptr;
    chunk->next = nullptr;
    TALV_POISON(chunk->cells, sizeof chunk->cells);
    return chunk;
}

// The first cell of the next chunk, made when the pool has none left.
__attribute__((noinline)) Symbol *cell_of_next_chunk() {
    Chunk *next = pool().current != nullptr ? pool().current->next : pool().chunks;
    if (next == nullptr) {
        next = new_chunk();
        if (next == nullptr) return nullptr;
        if (pool().current != nullptr)
            pool().current->next = next;
        else
            pool().chunks = next;
    }
    pool().current = next;
    pool().cursor = next->cells + 1;
    pool().end = next->cells + kCellsPerChunk;
    return next->cells;
}

// sym_alloc with the hook armed or the chunk used up.
__attribute__((noinline)) Symbol *sym_alloc_slow() {
    if (!talv::alloc_counted_pair(pool().counted)) return nullptr;
    Symbol *sym = pool().cursor;
    if (sym != pool().end) {
        pool().cursor = sym + 1;
    } else {
        sym = cell_of_next_chunk();
        if (sym == nullptr) return nullptr;
    }
    TALV_UNPOISON(sym, sizeof *sym);
    talv::clear_block<sizeof(Symbol)>(sym);
    return sym;
}

// The whole of sym_alloc but for the choice of variant.
inline __attribute__((always_inline)) Symbol *take_cell() {
    Symbol *sym = pool().cursor;
    if (__builtin_expect(talv::alloc_state::fail_at <= 0 && sym != pool().end, 1)) {
        talv::alloc_counted_pair_unhooked(pool().counted);
        pool().cursor = sym + 1;
        TALV_UNPOISON(sym, sizeof *sym);
        talv::clear_block_wide<sizeof(Symbol)>(sym);  // a cell handed out is all zeros
        return sym;
    }
    return sym_alloc_slow();
}

__attribute__((noinline)) Symbol *sym_alloc_narrow() { return take_cell(); }
TALV_WIDE_VARIANT Symbol *sym_alloc_wide() { return take_cell(); }

// The variant sym_alloc runs: one indirect jump, no dearer than the call
// through the loader's table that a loader-picked variant costs.  Constant-
// initialised to the narrow one, so that a call made before the library's
// initialisation (a test's, say) finds a sound variant; the initialisation
// then asks the processor itself rather than the flag another file sets, as
// files initialise in no fixed order.
Symbol *(*g_sym_alloc_variant)() = sym_alloc_narrow;
[[maybe_unused]] const bool g_sym_alloc_variant_chosen =
    (talv::choose_sym_alloc_variant(talv::processor_has_wide_stores()), true);

void forget_current() {
    pool().current = nullptr;
    pool().cursor = nullptr;
    pool().end = nullptr;
}

}  // namespace

namespace talv {
void choose_sym_alloc_variant(bool wide) {
    g_sym_alloc_variant = TALV_HAVE_WIDE_VARIANTS && wide ? sym_alloc_wide : sym_alloc_narrow;
}

int reset_symbol_list() {
    if (pool().current != nullptr) {
        Chunk *rest = pool().current->next;
        pool().current->next = pool().abandoned;
        pool().abandoned = pool().chunks;
        pool().chunks = rest;
        forget_current();
    }
    pool().counted = 0;
    return 0;
}

}  // namespace talv

extern "C" {

Symbol *sym_alloc(void) { return g_sym_alloc_variant(); }

}  // extern "C"

namespace talv {

void release_symbols() {
    talv::g_state.fresh_read.forget();
    if (pool().current != nullptr) {
        for (Chunk *c = pool().chunks; c != pool().current; c = c->next) TALV_POISON(c->cells, sizeof c->cells);
        const std::size_t used = static_cast<std::size_t>(pool().cursor - pool().current->cells);
        TALV_POISON(pool().current->cells, used * sizeof(Symbol));
    }
    talv::release_counted(pool().counted);
    pool().counted = 0;
    forget_current();
    Chunk *keep = pool().chunks;
    for (int k = 1; keep != nullptr && k < kChunksKept; ++k) keep = keep->next;
    if (keep != nullptr) {
        Chunk *c = keep->next;
        keep->next = nullptr;
        while (c != nullptr) {
            Chunk *next = c->next;
            talv::release_backing(c);
            c = next;
        }
    }
}

}  // namespace talv

// The one allocation point of the library.  Tests make the N-th allocation
// fail to prove that every failure path is sound and leak-free.
#pragma once

#include <cstddef>

namespace talv {

void *alloc(std::size_t size);
void release(void *p);

// An allocation served from memory the caller already holds (the symbol
// cells' pool): counted, live and refusable by the test hook exactly like
// alloc(), but taking nothing from the heap.  False when refused.
inline bool alloc_counted();
// The two allocations a Symbol stands for (list node and cell), counted as
// two alloc_counted() calls would count them; adds to `held` those made.
// False when the hook refused either.  The pool counts a Symbol so whether
// or not its cell is new, so that the sweeps number every failure point as
// they did when each Symbol was two heap allocations.
inline bool alloc_counted_pair(long &held);
// The same while the hook is disarmed, when nothing can be refused.
inline void alloc_counted_pair_unhooked(long &held);
// Ends `n` allocations made through alloc_counted().
inline void release_counted(long n);

// Backing memory for pools: neither counted nor refused by the hook (the
// allocations it serves are), null only when the heap is exhausted.
void *alloc_backing(std::size_t size);
void release_backing(void *p);

// Test hook: the n-th call of alloc() from now on (1-based) and, when
// `sticky`, every later one returns null.  n = 0 disarms.
void alloc_fail_at(long n, bool sticky = false);
// Allocations made since the hook was last armed or reset.
long alloc_count();
// Allocations not yet released, over the life of the process.
long alloc_live();

namespace alloc_state {
// Hidden where declared too, so that the library reaches them directly
// rather than through its global offset table.
// (A DLL exports only what it names, so PE targets need no attribute.)
#if defined(__GNUC__) && !defined(_WIN32)
#define TALV_HIDDEN __attribute__((visibility("hidden")))
#else
#define TALV_HIDDEN
#endif
extern TALV_HIDDEN long calls, live, fail_at;
extern TALV_HIDDEN bool sticky;

// Counts one allocation; true when the test hook refuses it.
inline bool refused() {
    ++calls;
    return fail_at > 0 && (calls == fail_at || (sticky && calls > fail_at));
}
}  // namespace alloc_state

inline bool alloc_counted() {
    if (alloc_state::refused()) return false;
    ++alloc_state::live;
    return true;
}

bool alloc_counted_pair_hooked(long &held);

inline void alloc_counted_pair_unhooked(long &held) {
    alloc_state::calls += 2;
    alloc_state::live += 2;
    held += 2;
}

inline bool alloc_counted_pair(long &held) {
    // With the hook disarmed nothing is refused: one step for both.
    if (__builtin_expect(alloc_state::fail_at <= 0, 1)) {
        alloc_counted_pair_unhooked(held);
        return true;
    }
    return alloc_counted_pair_hooked(held);
}

inline void release_counted(long n) { alloc_state::live -= n; }

}  // namespace talv

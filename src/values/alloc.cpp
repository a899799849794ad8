#include "values/alloc.h"

#include <cstdlib>

namespace talv {
namespace alloc_state {
long calls = 0;
long live = 0;
long fail_at = 0;
bool sticky = false;
}  // namespace alloc_state

using alloc_state::refused;

void *alloc(std::size_t size) {
    if (refused()) return nullptr;
    void *p = std::malloc(size);
    if (p) ++alloc_state::live;
    return p;
}

bool alloc_counted_pair_hooked(long &held) {
    if (!alloc_counted()) return false;
    ++held;
    if (!alloc_counted()) return false;
    ++held;
    return true;
}

void release(void *p) {
    if (p) --alloc_state::live;
    std::free(p);
}

void *alloc_backing(std::size_t size) { return std::malloc(size); }

void release_backing(void *p) { std::free(p); }

void alloc_fail_at(long n, bool sticky) {
    alloc_state::calls = 0;
    alloc_state::fail_at = n;
    alloc_state::sticky = sticky;
}

long alloc_count() { return alloc_state::calls; }

long alloc_live() { return alloc_state::live; }

}  // namespace talv

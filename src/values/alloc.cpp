#include "values/alloc.h"

#include <cstdlib>

namespace talv {
namespace {
long g_calls = 0;
long g_live = 0;
long g_fail_at = 0;
bool g_sticky = false;

inline bool refused() {
    ++g_calls;
    return g_fail_at > 0 && (g_calls == g_fail_at || (g_sticky && g_calls > g_fail_at));
}
}  // namespace

void *alloc(std::size_t size) {
    if (refused()) return nullptr;
    void *p = std::malloc(size);
    if (p) ++g_live;
    return p;
}

void release(void *p) {
    if (p) --g_live;
    std::free(p);
}

bool alloc_counted() {
    if (refused()) return false;
    ++g_live;
    return true;
}

void release_counted(long n) { g_live -= n; }

void *alloc_backing(std::size_t size) { return std::malloc(size); }

void release_backing(void *p) { std::free(p); }

void alloc_fail_at(long n, bool sticky) {
    g_calls = 0;
    g_fail_at = n;
    g_sticky = sticky;
}

long alloc_count() { return g_calls; }

long alloc_live() { return g_live; }

}  // namespace talv

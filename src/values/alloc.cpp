#include "values/alloc.h"

#include <cstdlib>

namespace talv {
namespace {
long g_calls = 0;
long g_live = 0;
long g_fail_at = 0;
bool g_sticky = false;
}  // namespace

void *alloc(std::size_t size) {
    ++g_calls;
    if (g_fail_at > 0 && (g_calls == g_fail_at || (g_sticky && g_calls > g_fail_at)))
        return nullptr;
    void *p = std::malloc(size);
    if (p) ++g_live;
    return p;
}

void release(void *p) {
    if (p) --g_live;
    std::free(p);
}

void alloc_fail_at(long n, bool sticky) {
    g_calls = 0;
    g_fail_at = n;
    g_sticky = sticky;
}

long alloc_count() { return g_calls; }

long alloc_live() { return g_live; }

}  // namespace talv

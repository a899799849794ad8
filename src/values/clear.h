// Zeroing small fixed blocks sixteen bytes a store where the target has
// them: cheaper than the string instruction a compiler picks for them.
#pragma once

#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// A few functions are compiled twice, with and without 32-byte stores, and
// the code picks the variant after asking the processor once.  A variant the
// loader picks (an ifunc) exists on neither the PE target nor, for a name
// another library imports, without the dynamic loader's relink warning.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TALV_HAVE_WIDE_VARIANTS 1
#define TALV_WIDE_VARIANT __attribute__((target("avx2"), noinline))
#else
#define TALV_HAVE_WIDE_VARIANTS 0
#define TALV_WIDE_VARIANT
#endif

namespace talv {

// Whether the processor and the system run 32-byte stores (asks them).
bool processor_has_wide_stores();

// processor_has_wide_stores(), once the library's static data is
// initialised; false until then, which is always a sound choice: both
// variants give the same result.  Hidden so that the library reads it
// directly.
#if defined(__GNUC__) && !defined(_WIN32)
extern __attribute__((visibility("hidden"))) bool g_wide_stores;
#else
extern bool g_wide_stores;
#endif

inline bool wide_stores() { return TALV_HAVE_WIDE_VARIANTS && g_wide_stores; }

// sym_alloc's variant (values/symbol_list.cpp).
void choose_sym_alloc_variant(bool wide);
// Test hook: every function of two variants runs the wide one when `wide`
// (and the target has it), the narrow one otherwise.
void use_wide_variants(bool wide);

template <std::size_t N>
inline void clear_block(void *block) {
#if defined(__SSE2__)
    char *p = static_cast<char *>(block);
    const __m128i zero = _mm_setzero_si128();
#pragma GCC unroll 32
    for (std::size_t at = 0; at + 16 <= N; at += 16) _mm_storeu_si128(reinterpret_cast<__m128i *>(p + at), zero);
    if constexpr (N % 16 != 0) std::memset(p + N / 16 * 16, 0, N % 16);
#else
    std::memset(block, 0, N);
#endif
}

// clear_block in 32-byte stores where the calling function is compiled for
// them (a TALV_WIDE_VARIANT), in 16-byte ones elsewhere.
template <std::size_t N>
inline void clear_block_wide(void *block) {
#if defined(__SSE2__)
    typedef char Wide __attribute__((vector_size(32), aligned(1), may_alias));
    char *p = static_cast<char *>(block);
#pragma GCC unroll 32
    for (std::size_t at = 0; at + 32 <= N; at += 32) *reinterpret_cast<Wide *>(p + at) = Wide{};
    if constexpr (N % 32 != 0) clear_block<N % 32>(p + N / 32 * 32);
#else
    std::memset(block, 0, N);
#endif
}

// clear_block_wide for tables of kilobytes: a loop of 1024-byte steps, which the
// compiler may not turn into a string instruction (one step per word).
template <std::size_t N>
inline void clear_table(void *table) {
    constexpr std::size_t kStep = 1024;
    char *p = static_cast<char *>(table);
    char *const end = p + N / kStep * kStep;
    while (p != end) {
        clear_block_wide<kStep>(p);
        p += kStep;
        __asm__("" : "+r"(p));  // keeps the loop a loop
    }
    if constexpr (N % kStep != 0) clear_block_wide<N % kStep>(p);
}

}  // namespace talv

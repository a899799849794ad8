// Zeroing small fixed blocks sixteen bytes a store where the target has
// them: cheaper than the string instruction a compiler picks for them.
#pragma once

#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace talv {

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

// clear_block for tables of kilobytes: a loop of 256-byte steps, which the
// compiler may not turn into a string instruction (one step per word).
template <std::size_t N>
inline void clear_table(void *table) {
    constexpr std::size_t kStep = 256;
    char *p = static_cast<char *>(table);
    char *const end = p + N / kStep * kStep;
    while (p != end) {
        clear_block<kStep>(p);
        p += kStep;
        __asm__("" : "+r"(p));  // keeps the loop a loop
    }
    if constexpr (N % kStep != 0) clear_block<N % kStep>(p);
}

}  // namespace talv

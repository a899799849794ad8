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

}  // namespace talv

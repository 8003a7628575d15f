#pragma once
// Shared helpers of the SIMD resampling kernels: aligned or unaligned 16-byte access chosen at
// compile time, and the alignment test of the _decide fronts.

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace resample {

template <bool Aligned>
inline __m128i load16(const void* p)
{
    if constexpr (Aligned) return _mm_load_si128(static_cast<const __m128i*>(p));
    else return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

template <bool Aligned>
inline void store16(void* p, __m128i v)
{
    if constexpr (Aligned) _mm_store_si128(static_cast<__m128i*>(p), v);
    else _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// A plane is aligned when its pointer and its stride in bytes are multiples of 16.
template <class T>
inline bool plane_aligned(const T* p, int stride)
{
    const int64_t strideBytes = static_cast<int64_t>(stride) * static_cast<int64_t>(sizeof(T));
    return (reinterpret_cast<uintptr_t>(p) & 15u) == 0 && strideBytes % 16 == 0;
}

} // namespace resample

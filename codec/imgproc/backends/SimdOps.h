#pragma once
// Small SSE2/SSSE3 helpers shared by the prediction kernels.

#include <emmintrin.h>
#include <tmmintrin.h>

#include <cstdint>

namespace backends::simd {

inline __m128i loadu(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline __m128i loada(const void* p) { return _mm_load_si128(static_cast<const __m128i*>(p)); }
inline void storeu(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
inline void storea(void* p, __m128i v) { _mm_store_si128(static_cast<__m128i*>(p), v); }

// Every byte set to the last byte of v (the carry of a running sum).
inline __m128i splat_last_u8(__m128i v) { return _mm_shuffle_epi8(v, _mm_set1_epi8(15)); }
// Every word set to the last word of v.
inline __m128i splat_last_u16(__m128i v) { return _mm_shuffle_epi8(v, _mm_set1_epi16(0x0F0E)); }

// Inclusive prefix sums within one register, wrapping.
inline __m128i prefix_sum_u8(__m128i v)
{
    v = _mm_add_epi8(v, _mm_slli_si128(v, 1));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 2));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 4));
    return _mm_add_epi8(v, _mm_slli_si128(v, 8));
}
inline __m128i prefix_sum_u16(__m128i v)
{
    v = _mm_add_epi16(v, _mm_slli_si128(v, 2));
    v = _mm_add_epi16(v, _mm_slli_si128(v, 4));
    return _mm_add_epi16(v, _mm_slli_si128(v, 8));
}

// The lane-wise twins of Rules8::median and Rules16::median.
inline __m128i median_u8(__m128i l, __m128i t, __m128i tl)
{
    // l - tl first: on the wavefront l and tl are ready a step before t.
    const __m128i g = _mm_add_epi8(_mm_sub_epi8(l, tl), t);
    return _mm_max_epu8(_mm_min_epu8(l, t), _mm_min_epu8(_mm_max_epu8(l, t), g));
}
inline __m128i median_s16(__m128i l, __m128i t, __m128i tl)
{
    const __m128i g = _mm_add_epi16(_mm_sub_epi16(l, tl), t);
    return _mm_max_epi16(_mm_min_epi16(_mm_max_epi16(l, t), g), _mm_min_epi16(l, t));
}

} // namespace backends::simd

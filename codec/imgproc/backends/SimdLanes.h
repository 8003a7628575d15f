#pragma once
// One SSE register's worth of samples, as the row kernels see it: the lane-wise twins of
// Rules8 and Rules16<Bits>, so that one row body serves every depth.

#include "codec/imgproc/backends/PredictRules.h"
#include "codec/imgproc/backends/SimdOps.h"

namespace backends {

struct Lanes8 {
    using Rules = Rules8;
    using Sample = uint8_t;
    static constexpr int kLanes = 16;
    static constexpr int kBits = 8;

    template <Pred P>
    static __m128i predict(__m128i l, __m128i t, __m128i tl)
    {
        if constexpr (P == Pred::Left) return l;
        else if constexpr (P == Pred::Gradient) return _mm_sub_epi8(_mm_add_epi8(l, t), tl);
        else return simd::median_u8(l, t, tl);
    }
    static __m128i add(__m128i a, __m128i b) { return _mm_add_epi8(a, b); }
    static __m128i sub(__m128i a, __m128i b) { return _mm_sub_epi8(a, b); }
    static __m128i mask(__m128i v) { return v; }
    static __m128i in(__m128i v) { return v; }
    static __m128i prefix_sum(__m128i v) { return simd::prefix_sum_u8(v); }
    static __m128i splat_last(__m128i v) { return simd::splat_last_u8(v); }
    static __m128i splat(Sample s) { return _mm_set1_epi8(static_cast<char>(s)); }
};

template <int Bits>
struct Lanes16 {
    using Rules = Rules16<Bits>;
    using Sample = int16_t;
    static constexpr int kLanes = 8;
    static constexpr int kBits = Bits;

    template <Pred P>
    static __m128i predict(__m128i l, __m128i t, __m128i tl)
    {
        if constexpr (P == Pred::Left) return l;
        else if constexpr (P == Pred::Gradient) return _mm_sub_epi16(_mm_add_epi16(l, t), tl);
        else return simd::median_s16(l, t, tl);
    }
    static __m128i add(__m128i a, __m128i b) { return _mm_add_epi16(a, b); }
    static __m128i sub(__m128i a, __m128i b) { return _mm_sub_epi16(a, b); }
    static __m128i mask(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(Rules::kMask))); }
    static __m128i in(__m128i v) { return mask(v); }
    static __m128i prefix_sum(__m128i v) { return simd::prefix_sum_u16(v); }
    static __m128i splat_last(__m128i v) { return simd::splat_last_u16(v); }
    static __m128i splat(Sample s) { return _mm_set1_epi16(s); }
};

} // namespace backends

// Median reconstruction of 10-, 12- and 14-bit words along a diagonal wavefront: the 8-bit
// scheme (see MedianWavefront8.cpp) with 8 word lanes, so a strip holds at most 7 rows, and with
// signed word compares and every result masked to the depth.

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/PredictRules.h"
#include "codec/imgproc/backends/SimdOps.h"

namespace backends {

namespace {

// One perfect shuffle of 8 word rows; three of them transpose an 8x8 block.
[[gnu::always_inline]] inline void shuffle8(const __m128i* in, __m128i* out)
{
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = _mm_unpacklo_epi16(in[i], in[i + 4]);
        out[2 * i + 1] = _mm_unpackhi_epi16(in[i], in[i + 4]);
    }
}

// 8x8 word transpose in place, on the caller's stack or in registers.
[[gnu::always_inline]] inline void transpose8x8(__m128i r[8])
{
    __m128i t[8];
    shuffle8(r, t);
    shuffle8(t, r);
    shuffle8(r, t);
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) r[i] = t[i];
}

} // namespace

template <int N, int Bits>
void unpredict_median_block16_sse(int16_t* p, int count, int stride)
{
    static_assert(N >= 2 && N <= 7, "a strip holds at most 7 rows");
    using R = Rules16<Bits>;
    if (count <= 0) return;
    const intptr_t diag = static_cast<intptr_t>(stride) - 1;
    int16_t* const above = p - stride;

    alignas(16) int16_t start1[8] = {}, start2[8] = {};
    start1[0] = above[0];
    start2[0] = above[-1];
    for (int j = 1; j <= N; ++j) {
        const int16_t* row = p + (j - 1) * diag;
        start1[j] = row[-1];
        if (j < N) start2[j] = row[-2];
    }
    __m128i prev = simd::loada(start1);
    __m128i prev_up = _mm_slli_si128(simd::loada(start2), 2);
    const __m128i mask = _mm_set1_epi16(static_cast<short>(R::kMask));

    // The inputs of the group k columns in, transposed: r[t] holds step t. Lane 0 takes the
    // difference of the row above at columns N + 1 + t and N + t, as in the 8-bit kernel (the
    // median of that lane is its left, a sample of 0..M, since its top and top-left are zero).
    auto load_group = [&](int k, __m128i r[8]) {
        const __m128i above0 = simd::loadu(above + k);
        const __m128i above1 = k + 8 == count ? _mm_srli_si128(above0, 2) : simd::loadu(above + 1 + k);
        r[0] = _mm_sub_epi16(above1, above0);
#pragma GCC unroll 7
        for (int i = 0; i < N; ++i) r[i + 1] = simd::loadu(p + i * diag + k);
#pragma GCC unroll 7
        for (int i = N + 1; i < 8; ++i) r[i] = _mm_setzero_si128();
        transpose8x8(r);
    };

    const int m = count & ~7;
    __m128i cur[8], next[8] = {};
    if (m > 0) load_group(0, cur);
    for (int k = 0; k < m; k += 8) {
#pragma GCC unroll 8
        for (int t = 0; t < 8; ++t) {
            const __m128i up = _mm_slli_si128(prev, 2);
            const __m128i med = simd::median_s16(prev, up, prev_up);
            prev_up = up;
            prev = _mm_and_si128(_mm_add_epi16(med, cur[t]), mask);
            cur[t] = prev;
        }
        if (k + 8 < m) load_group(k + 8, next);
        transpose8x8(cur);
#pragma GCC unroll 7
        for (int i = 0; i < N; ++i) simd::storeu(p + i * diag + k, cur[i + 1]);
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) cur[i] = next[i];
    }

    for (int i = 0; i < N; ++i) {
        int16_t* row = p + i * diag;
        const int16_t* up = row - stride;
        for (int k = m; k < count; ++k) row[k] = R::restore(row[k], R::median(row[k - 1], up[k], up[k - 1]));
    }
}

#define QV_INSTANTIATE(B)                                                                         \
    template void unpredict_median_block16_sse<2, B>(int16_t*, int, int);                        \
    template void unpredict_median_block16_sse<3, B>(int16_t*, int, int);                        \
    template void unpredict_median_block16_sse<4, B>(int16_t*, int, int);                        \
    template void unpredict_median_block16_sse<5, B>(int16_t*, int, int);                        \
    template void unpredict_median_block16_sse<6, B>(int16_t*, int, int);                        \
    template void unpredict_median_block16_sse<7, B>(int16_t*, int, int);
QV_INSTANTIATE(10)
QV_INSTANTIATE(12)
QV_INSTANTIATE(14)
#undef QV_INSTANTIATE

} // namespace backends

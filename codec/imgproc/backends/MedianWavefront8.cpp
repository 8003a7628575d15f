// 8-bit median reconstruction along a diagonal wavefront. Each sample needs its reconstructed
// left neighbour, so one row is serial; but in a strip whose row i lags row i - 1 by one column,
// one column of every row can be done at once. A step vector holds the row above the strip in
// lane 0 and strip row j - 1 in lane j; up to 15 strip rows fit in 16 byte lanes.

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/PredictRules.h"
#include "codec/imgproc/backends/SimdOps.h"

#include <cstring>

namespace backends {

namespace {

// One perfect shuffle of 16 byte rows; four of them transpose a 16x16 block.
[[gnu::always_inline]] inline void shuffle16(const __m128i* in, __m128i* out)
{
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        out[2 * i] = _mm_unpacklo_epi8(in[i], in[i + 8]);
        out[2 * i + 1] = _mm_unpackhi_epi8(in[i], in[i + 8]);
    }
}

// 16x16 byte transpose in place. The arrays live on the caller's stack (or in registers), so
// every thread has its own scratch.
[[gnu::always_inline]] inline void transpose16x16(__m128i r[16])
{
    __m128i t[16];
    shuffle16(r, t);
    shuffle16(t, r);
    shuffle16(r, t);
    shuffle16(t, r);
}

} // namespace

template <int N>
void unpredict_median_block_sse(uint8_t* p, int n, int stride)
{
    static_assert(N >= 2 && N <= 15, "a strip holds at most 15 rows");
    if (n <= 0) return;
    const intptr_t diag = static_cast<intptr_t>(stride) - 1; // one row down, one column left
    uint8_t* const above = p - stride;                        // row above the strip, column N

    // The two steps before the first: lane j at columns N - j and N - 1 - j. Lane N of the
    // older one would be column -1; it only ever feeds lane N + 1, which is never stored.
    alignas(16) uint8_t start1[16] = {}, start2[16] = {};
    start1[0] = above[0];
    start2[0] = above[-1];
    for (int j = 1; j <= N; ++j) {
        const uint8_t* row = p + (j - 1) * diag;
        start1[j] = row[-1];
        if (j < N) start2[j] = row[-2];
    }
    __m128i prev = simd::loada(start1);
    __m128i prev_up = _mm_slli_si128(simd::loada(start2), 1); // top-left of the coming step

    // Loads the inputs of the group k columns in, transposed: r[t] holds step t, lane j the
    // residual of strip row j - 1 at its column for that step.
    auto load_group = [&](int k, __m128i r[16]) {
        // Lane 0 of step t must come out as the row above at column N + 1 + t, the top of strip
        // row 0 one step later. Its top and top-left are the zeros shifted in, so the median
        // there is its left, the row above at column N + t; the input lane is the difference of
        // the two, which keeps a lane mask off the serial chain. The last step's lane 0 is never
        // used, so the final group reads no further than column N + n - 1.
        const __m128i above0 = simd::loadu(above + k);
        const __m128i above1 = k + 16 == n ? _mm_srli_si128(above0, 1) : simd::loadu(above + 1 + k);
        r[0] = _mm_sub_epi8(above1, above0);
#pragma GCC unroll 15
        for (int i = 0; i < N; ++i) r[i + 1] = simd::loadu(p + i * diag + k);
#pragma GCC unroll 15
        for (int i = N + 1; i < 16; ++i) r[i] = _mm_setzero_si128();
        transpose16x16(r);
    };

    // The next group is loaded and transposed while the current one's serial chain runs: the
    // groups touch disjoint samples, and the chain alone is a long dependency.
    const int m = n & ~15;
    __m128i cur[16], next[16] = {};
    if (m > 0) load_group(0, cur);
    for (int k = 0; k < m; k += 16) {
#pragma GCC unroll 16
        for (int t = 0; t < 16; ++t) {
            const __m128i up = _mm_slli_si128(prev, 1);
            const __m128i med = simd::median_u8(prev, up, prev_up);
            prev_up = up;
            prev = _mm_add_epi8(med, cur[t]);
            cur[t] = prev;
        }
        if (k + 16 < m) load_group(k + 16, next);
        transpose16x16(cur);
#pragma GCC unroll 15
        for (int i = 0; i < N; ++i) simd::storeu(p + i * diag + k, cur[i + 1]);
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i) cur[i] = next[i];
    }

    // The last n mod 16 columns, row by row: each row's top neighbours are then final.
    for (int i = 0; i < N; ++i) {
        uint8_t* row = p + i * diag;
        const uint8_t* up = row - stride;
        for (int k = m; k < n; ++k) row[k] = Rules8::restore(row[k], Rules8::median(row[k - 1], up[k], up[k - 1]));
    }
}

void unpredict_median_planar_unrolled(uint8_t* p, int n, int stride)
{
    if (n < 1) return;
    const uint8_t* above = p - stride;
    uint8_t l = p[-1], tl = above[-1];
    for (int k = 0; k < n; k += 8) {
        uint64_t res, top, out = 0;
        std::memcpy(&res, p + k, 8);
        std::memcpy(&top, above + k, 8);
        for (int b = 0; b < 64; b += 8) {
            const uint8_t t = static_cast<uint8_t>(top >> b);
            l = Rules8::restore(static_cast<uint8_t>(res >> b), Rules8::median(l, t, tl));
            tl = t;
            out |= static_cast<uint64_t>(l) << b;
        }
        std::memcpy(p + k, &out, 8);
    }
}

template void unpredict_median_block_sse<2>(uint8_t*, int, int);
template void unpredict_median_block_sse<3>(uint8_t*, int, int);
template void unpredict_median_block_sse<4>(uint8_t*, int, int);
template void unpredict_median_block_sse<5>(uint8_t*, int, int);
template void unpredict_median_block_sse<6>(uint8_t*, int, int);
template void unpredict_median_block_sse<7>(uint8_t*, int, int);
template void unpredict_median_block_sse<8>(uint8_t*, int, int);
template void unpredict_median_block_sse<9>(uint8_t*, int, int);
template void unpredict_median_block_sse<10>(uint8_t*, int, int);
template void unpredict_median_block_sse<11>(uint8_t*, int, int);
template void unpredict_median_block_sse<12>(uint8_t*, int, int);
template void unpredict_median_block_sse<13>(uint8_t*, int, int);
template void unpredict_median_block_sse<14>(uint8_t*, int, int);
template void unpredict_median_block_sse<15>(uint8_t*, int, int);

} // namespace backends

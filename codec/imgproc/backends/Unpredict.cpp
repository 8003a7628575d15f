// Unprediction of 8-bit and 16-bit planes, in place. Row 0, left and gradient are running sums
// along each row (SSE prefix sums between a scalar head and tail); median rows go through the
// diagonal wavefront in strips (MedianWavefront8.cpp, MedianWavefront16.cpp), with scalar
// triangles before and after each strip's kernel call.

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/SimdLanes.h"

#include <algorithm>
#include <cassert>

namespace backends {

namespace {

// Running-sum rows: row 0 (whatever the predictor), left, gradient.
template <class V, Pred P, bool Row0>
void unpredict_row(typename V::Sample* cur, const typename V::Sample* above, int w)
{
    using R = typename V::Rules;
    using S = typename V::Sample;
    constexpr int kLanes = V::kLanes;
    cur[0] = Row0 ? R::first(cur[0]) : R::restore(cur[0], above[0]);
    auto scalar = [&](int x) {
        if constexpr (Row0 || P == Pred::Left) cur[x] = R::restore(cur[x], cur[x - 1]);
        else cur[x] = R::restore(cur[x], R::gradient(cur[x - 1], above[x], above[x - 1]));
    };
    const RowCut c = cut_row<S>(cur + 1, w);
    const int body0 = 1 + c.head;
    const int body1 = body0 + c.groups * kLanes;
    for (int x = 1; x < body0; ++x) scalar(x);
    if (c.groups > 0) {
        __m128i carry = V::splat(cur[body0 - 1]);
        for (int x = body0; x < body1; x += kLanes) {
            __m128i d = simd::loada(cur + x);
            if constexpr (!Row0 && P == Pred::Gradient)
                d = V::add(d, V::sub(simd::loadu(above + x), simd::loadu(above + x - 1)));
            const __m128i s = V::mask(V::add(V::prefix_sum(d), carry));
            simd::storea(cur + x, s);
            carry = V::splat_last(s);
        }
    }
    for (int x = body1; x < w; ++x) scalar(x);
}

template <class R>
inline void restore_median(typename R::Sample* cur, const typename R::Sample* above, int x)
{
    cur[x] = R::restore(cur[x], R::median(cur[x - 1], above[x], above[x - 1]));
}

// What differs between the depths: strip height, the wavefront kernel, 1-row strips.
template <class V>
struct Wave;

template <>
struct Wave<Lanes8> {
    static constexpr int kMaxStrip = 15;
    using Kernel = void (*)(uint8_t*, int, int);
    static constexpr Kernel kKernels[16] = {
        nullptr, nullptr, unpredict_median_block_sse<2>, unpredict_median_block_sse<3>,
        unpredict_median_block_sse<4>, unpredict_median_block_sse<5>, unpredict_median_block_sse<6>,
        unpredict_median_block_sse<7>, unpredict_median_block_sse<8>, unpredict_median_block_sse<9>,
        unpredict_median_block_sse<10>, unpredict_median_block_sse<11>, unpredict_median_block_sse<12>,
        unpredict_median_block_sse<13>, unpredict_median_block_sse<14>, unpredict_median_block_sse<15>,
    };
    static void block(int n_rows, uint8_t* p, int count, int32_t stride) { kKernels[n_rows](p, count, stride); }

    // A strip of one row: the row cut, with the group part unrolled in 8-byte halves.
    static void single_row(uint8_t* cur, const uint8_t* above, int w, int32_t stride)
    {
        const RowCut c = cut_row<uint8_t>(cur + 1, w);
        const int body0 = 1 + c.head;
        const int body1 = body0 + c.groups * 16;
        for (int x = 1; x < body0; ++x) restore_median<Rules8>(cur, above, x);
        unpredict_median_planar_unrolled(cur + body0, body1 - body0, stride);
        for (int x = body1; x < w; ++x) restore_median<Rules8>(cur, above, x);
    }
};

template <int Bits>
struct Wave<Lanes16<Bits>> {
    static constexpr int kMaxStrip = 7;
    using Kernel = void (*)(int16_t*, int, int);
    static constexpr Kernel kKernels[8] = {
        nullptr,
        nullptr,
        unpredict_median_block16_sse<2, Bits>,
        unpredict_median_block16_sse<3, Bits>,
        unpredict_median_block16_sse<4, Bits>,
        unpredict_median_block16_sse<5, Bits>,
        unpredict_median_block16_sse<6, Bits>,
        unpredict_median_block16_sse<7, Bits>,
    };
    static void block(int n_rows, int16_t* p, int count, int32_t stride) { kKernels[n_rows](p, count, stride / 2); }

    static void single_row(int16_t* cur, const int16_t* above, int w, int32_t)
    {
        for (int x = 1; x < w; ++x) restore_median<Rules16<Bits>>(cur, above, x);
    }
};

// Rows 1..h-1 in strips; row 0 is already done. Every sample is reconstructed once, after its
// left, top and top-left neighbours.
template <class V>
void unpredict_median(const ImgPlane& plane, int w, int h)
{
    using R = typename V::Rules;
    using S = typename V::Sample;
    using W = Wave<V>;
    auto row = [&](int y) { return row_ptr<S>(plane.ptr, plane.stride, y); };
    for (int s = 1; s < h; s += W::kMaxStrip) {
        const int n_rows = std::min(h - s, W::kMaxStrip);
        // Prologue: row i up to column n_rows - 1 - i.
        for (int i = 0; i < n_rows; ++i) {
            S* cur = row(s + i);
            const S* above = row(s + i - 1);
            cur[0] = R::restore(cur[0], above[0]);
            const int last = std::min(n_rows - 1 - i, w - 1);
            for (int x = 1; x <= last; ++x) restore_median<R>(cur, above, x);
        }
        if (n_rows == 1) {
            W::single_row(row(s), row(s - 1), w, plane.stride);
            continue;
        }
        W::block(n_rows, row(s) + n_rows, std::max(0, w - n_rows), plane.stride);
        // Epilogue: the last i columns of row i.
        for (int i = 1; i < n_rows; ++i) {
            S* cur = row(s + i);
            const S* above = row(s + i - 1);
            for (int x = std::max(w - i, n_rows - i); x < w; ++x) restore_median<R>(cur, above, x);
        }
    }
}

template <class V>
void unpredict_any(ImgPlane plane, int w, int h, int predictor)
{
    using S = typename V::Sample;
    if (w < 1 || h < 1) return;
    auto row = [&](int y) { return row_ptr<S>(plane.ptr, plane.stride, y); };
    unpredict_row<V, Pred::Left, true>(row(0), nullptr, w);
    switch (pred_of(predictor)) {
    case Pred::Left:
        for (int y = 1; y < h; ++y) unpredict_row<V, Pred::Left, false>(row(y), row(y - 1), w);
        break;
    case Pred::Gradient:
        for (int y = 1; y < h; ++y) unpredict_row<V, Pred::Gradient, false>(row(y), row(y - 1), w);
        break;
    case Pred::Median: unpredict_median<V>(plane, w, h); break;
    }
}

} // namespace

void unpredict8(ImgPlane plane, int width, int height, int predictor)
{
    unpredict_any<Lanes8>(plane, width, height, predictor);
}

template <int Bits>
void unpredict16(ImgPlane plane, int width, int height, int predictor)
{
    assert((reinterpret_cast<uintptr_t>(plane.ptr) & 1) == 0 && (plane.stride & 1) == 0);
    unpredict_any<Lanes16<Bits>>(plane, width, height, predictor);
}

template void unpredict16<10>(ImgPlane, int, int, int);
template void unpredict16<12>(ImgPlane, int, int, int);
template void unpredict16<14>(ImgPlane, int, int, int);

} // namespace backends

// Prediction of 8-bit and 16-bit planes: each row from column 1 on is a scalar head up to the
// first 16-byte boundary of the row being read, whole SSE groups, and a scalar tail. Rows are
// walked right to left, so the same row body serves the in-place form (which must read every
// neighbour before overwriting it) and the out-of-place one. A counting prediction counts each
// row as soon as it is predicted (ResidualCounts.h).

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/ResidualCounts.h"
#include "codec/imgproc/backends/SimdLanes.h"

#include <cassert>

namespace backends {

namespace {

template <class V, Pred P, bool Row0>
inline typename V::Sample residual_at(const typename V::Sample* cur, const typename V::Sample* above, int x)
{
    using R = typename V::Rules;
    if constexpr (Row0) return R::residual(R::in(cur[x]), R::in(cur[x - 1]));
    else
        return R::residual(R::in(cur[x]),
                           R::predict(P, R::in(cur[x - 1]), R::in(above[x]), R::in(above[x - 1])));
}

// Residuals of columns 1..w-1 of one row into out (out may be cur), then column 0. The group
// loads of cur are aligned by the cut; every load of a left neighbour happens before the store
// that could overwrite it.
template <class V, Pred P, bool Row0, bool InPlace>
void predict_row(const typename V::Sample* cur, const typename V::Sample* above, typename V::Sample* out, int w)
{
    using R = typename V::Rules;
    using S = typename V::Sample;
    constexpr int kLanes = V::kLanes;
    const RowCut c = cut_row<S>(cur + 1, w);
    const int body0 = 1 + c.head;
    const int body1 = body0 + c.groups * kLanes;

    for (int x = w - 1; x >= body1; --x) out[x] = residual_at<V, P, Row0>(cur, above, x);
    for (int x = body1 - kLanes; x >= body0; x -= kLanes) {
        const __m128i s = V::in(simd::loada(cur + x));
        const __m128i l = V::in(simd::loadu(cur + x - 1));
        __m128i pred;
        if constexpr (Row0) pred = l;
        else pred = V::template predict<P>(l, V::in(simd::loadu(above + x)), V::in(simd::loadu(above + x - 1)));
        const __m128i r = V::mask(V::sub(s, pred));
        if constexpr (InPlace) simd::storea(out + x, r);
        else simd::storeu(out + x, r);
    }
    for (int x = body0 - 1; x >= 1; --x) out[x] = residual_at<V, P, Row0>(cur, above, x);
    if constexpr (Row0) out[0] = R::first(cur[0]);
    else out[0] = R::residual(R::in(cur[0]), R::in(above[0]));
}

// Predicts one row and, when counting, counts it while it is still in the cache.
template <class V, Pred P, bool Row0, bool InPlace, bool Count>
inline void predict_count_row(const typename V::Sample* cur, const typename V::Sample* above,
                              typename V::Sample* out, int w, uint32_t* counts)
{
    predict_row<V, P, Row0, InPlace>(cur, above, out, w);
    if constexpr (Count) count_row<V::kBits>(out, w, counts);
}

template <class V, Pred P, bool InPlace, bool Count>
void predict_rows(const ImgPlane& src, ImgPlane dst, int w, int h, uint32_t* counts)
{
    using S = typename V::Sample;
    auto src_row = [&](int y) { return row_ptr<S>(src.ptr, src.stride, y); };
    auto dst_row = [&](int y) { return row_ptr<S>(dst.ptr, dst.stride, y); };
    if constexpr (InPlace) {
        // Bottom-up: the row above is still input when a row is predicted.
        for (int y = h - 1; y >= 1; --y)
            predict_count_row<V, P, false, true, Count>(src_row(y), src_row(y - 1), src_row(y), w, counts);
        predict_count_row<V, Pred::Left, true, true, Count>(src_row(0), nullptr, src_row(0), w, counts);
    } else {
        predict_count_row<V, Pred::Left, true, false, Count>(src_row(0), nullptr, dst_row(0), w, counts);
        for (int y = 1; y < h; ++y)
            predict_count_row<V, P, false, false, Count>(src_row(y), src_row(y - 1), dst_row(y), w, counts);
    }
}

template <class V, bool InPlace, bool Count>
void predict_pred(const ImgPlane& src, ImgPlane dst, int w, int h, int predictor, uint32_t* counts)
{
    switch (pred_of(predictor)) {
    case Pred::Left: predict_rows<V, Pred::Left, InPlace, Count>(src, dst, w, h, counts); break;
    case Pred::Gradient: predict_rows<V, Pred::Gradient, InPlace, Count>(src, dst, w, h, counts); break;
    case Pred::Median: predict_rows<V, Pred::Median, InPlace, Count>(src, dst, w, h, counts); break;
    }
}

template <class V, bool InPlace>
void predict_any(const ImgPlane& src, ImgPlane dst, int w, int h, int predictor, uint32_t* counts)
{
    if (w < 1 || h < 1) return;
    // Word planes come at even addresses with even strides; anything else is a caller bug.
    assert(sizeof(typename V::Sample) == 1 ||
           ((reinterpret_cast<uintptr_t>(src.ptr) | reinterpret_cast<uintptr_t>(dst.ptr) | src.stride | dst.stride) & 1) == 0);
    if (counts) predict_pred<V, InPlace, true>(src, dst, w, h, predictor, counts);
    else predict_pred<V, InPlace, false>(src, dst, w, h, predictor, nullptr);
}

} // namespace

void predict8(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor, uint32_t* counts)
{
    predict_any<Lanes8, false>(src, dst, width, height, predictor, counts);
}

void predict8_inplace(ImgPlane plane, int width, int height, int predictor, uint32_t* counts)
{
    predict_any<Lanes8, true>(plane, plane, width, height, predictor, counts);
}

template <int Bits>
void predict16(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor, uint32_t* counts)
{
    predict_any<Lanes16<Bits>, false>(src, dst, width, height, predictor, counts);
}

template <int Bits>
void predict16_inplace(ImgPlane plane, int width, int height, int predictor, uint32_t* counts)
{
    predict_any<Lanes16<Bits>, true>(plane, plane, width, height, predictor, counts);
}

#define QV_INSTANTIATE(B)                                                                         \
    template void predict16<B>(const ImgPlane&, ImgPlane, int, int, int, uint32_t*);             \
    template void predict16_inplace<B>(ImgPlane, int, int, int, uint32_t*);
QV_INSTANTIATE(10)
QV_INSTANTIATE(12)
QV_INSTANTIATE(14)
#undef QV_INSTANTIATE

} // namespace backends

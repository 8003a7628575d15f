#include "codec/imgproc/backends/PredictScalar.h"

#include "codec/imgproc/backends/PredictRules.h"
#include "codec/imgproc/backends/ScoreTotals.h"

#include <cstdlib>
#include <type_traits>

namespace backends {

namespace {

// Residual of sample x of row y, neighbours read from the unchanged input rows.
template <class R, class S = typename R::Sample>
inline S residual_at(Pred p, const S* cur, const S* above, int x, int y)
{
    if (y == 0) return x == 0 ? R::first(cur[0]) : R::residual(R::in(cur[x]), R::in(cur[x - 1]));
    if (x == 0) return R::residual(R::in(cur[0]), R::in(above[0]));
    return R::residual(R::in(cur[x]), R::predict(p, R::in(cur[x - 1]), R::in(above[x]), R::in(above[x - 1])));
}

template <class S>
inline void count(uint32_t* counts, S r)
{
    if (counts) ++counts[static_cast<std::make_unsigned_t<S>>(r)];
}

} // namespace

template <class T, int Bits>
void predict_scalar(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor, uint32_t* counts)
{
    using R = typename RulesFor<T, Bits>::type;
    using S = typename R::Sample;
    if (width < 1 || height < 1) return;
    const Pred p = pred_of(predictor);
    for (int y = 0; y < height; ++y) {
        const S* cur = row_ptr<S>(src.ptr, src.stride, y);
        const S* above = y > 0 ? row_ptr<S>(src.ptr, src.stride, y - 1) : nullptr;
        S* out = row_ptr<S>(dst.ptr, dst.stride, y);
        for (int x = 0; x < width; ++x) count(counts, out[x] = residual_at<R>(p, cur, above, x, y));
    }
}

template <class T, int Bits>
void predict_inplace_scalar(ImgPlane plane, int width, int height, int predictor, uint32_t* counts)
{
    using R = typename RulesFor<T, Bits>::type;
    using S = typename R::Sample;
    if (width < 1 || height < 1) return;
    const Pred p = pred_of(predictor);
    for (int y = height - 1; y >= 0; --y) {
        S* cur = row_ptr<S>(plane.ptr, plane.stride, y);
        const S* above = y > 0 ? row_ptr<S>(plane.ptr, plane.stride, y - 1) : nullptr;
        for (int x = width - 1; x >= 0; --x) count(counts, cur[x] = residual_at<R>(p, cur, above, x, y));
    }
}

template <class T, int Bits>
void unpredict_scalar(ImgPlane plane, int width, int height, int predictor)
{
    using R = typename RulesFor<T, Bits>::type;
    using S = typename R::Sample;
    if (width < 1 || height < 1) return;
    const Pred p = pred_of(predictor);
    for (int y = 0; y < height; ++y) {
        S* cur = row_ptr<S>(plane.ptr, plane.stride, y);
        if (y == 0) {
            cur[0] = R::first(cur[0]);
            for (int x = 1; x < width; ++x) cur[x] = R::restore(cur[x], cur[x - 1]);
            continue;
        }
        const S* above = row_ptr<S>(plane.ptr, plane.stride, y - 1);
        cur[0] = R::restore(cur[0], above[0]);
        for (int x = 1; x < width; ++x) cur[x] = R::restore(cur[x], R::predict(p, cur[x - 1], above[x], above[x - 1]));
    }
}

PredictScores calc_predict_scores_scalar(const ImgPlane& plane, int width, int height)
{
    ScoreTotals totals;
    if (width < 1 || height < 2) return totals.result();
    for (int y = 1; y < height; ++y) {
        const uint8_t* cur = row_ptr<uint8_t>(plane.ptr, plane.stride, y);
        const uint8_t* above = row_ptr<uint8_t>(plane.ptr, plane.stride, y - 1);
        const RowCut cut = cut_row<uint8_t>(cur + 1, width);
        const int x0 = 1 + cut.head;
        int64_t sums[3] = {0, 0, 0};
        for (int x = x0; x < x0 + cut.groups * 16; ++x) {
            const uint8_t l = cur[x - 1], t = above[x], tl = above[x - 1];
            sums[0] += std::abs(Rules8::residual(cur[x], l) - 128);
            sums[1] += std::abs(Rules8::residual(cur[x], Rules8::gradient(l, t, tl)) - 128);
            sums[2] += std::abs(Rules8::residual(cur[x], Rules8::median(l, t, tl)) - 128);
        }
        totals.add(sums[0], sums[1], sums[2]);
    }
    return totals.result();
}

#define QV_INSTANTIATE(T, B)                                                                      \
    template void predict_scalar<T, B>(const ImgPlane&, ImgPlane, int, int, int, uint32_t*);     \
    template void predict_inplace_scalar<T, B>(ImgPlane, int, int, int, uint32_t*);              \
    template void unpredict_scalar<T, B>(ImgPlane, int, int, int);
QV_INSTANTIATE(unsigned char, 8)
QV_INSTANTIATE(short, 10)
QV_INSTANTIATE(short, 12)
QV_INSTANTIATE(short, 14)
#undef QV_INSTANTIATE

} // namespace backends

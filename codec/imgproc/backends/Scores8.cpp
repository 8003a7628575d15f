// Predictor scores of 8-bit planes. Only the 16-byte-aligned groups of rows 1..h-1 are scored:
// each residual byte r adds |r - 128| to its predictor's sum, so an exact prediction adds 128 and
// a residual of -128 adds nothing.

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/SimdLanes.h"

namespace backends {

ScoreTotals calc_predict_scores_sse(const uint8_t* p, int count, int stride)
{
    ScoreTotals sums;
    if (count <= 0) return sums;
    const uint8_t* above = p - stride;
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    __m128i acc_l = _mm_setzero_si128(), acc_g = _mm_setzero_si128(), acc_m = _mm_setzero_si128();
    for (int k = 0; k < count; k += 16) {
        const __m128i s = simd::loadu(p + k);
        const __m128i l = simd::loadu(p + k - 1);
        const __m128i t = simd::loadu(above + k);
        const __m128i tl = simd::loadu(above + k - 1);
        const __m128i rl = _mm_sub_epi8(s, l);
        const __m128i rg = _mm_sub_epi8(s, Lanes8::predict<Pred::Gradient>(l, t, tl));
        const __m128i rm = _mm_sub_epi8(s, Lanes8::predict<Pred::Median>(l, t, tl));
        // psadbw leaves two 16-bit sums in 64-bit lanes; a 64-bit add cannot overflow here.
        acc_l = _mm_add_epi64(acc_l, _mm_sad_epu8(rl, bias));
        acc_g = _mm_add_epi64(acc_g, _mm_sad_epu8(rg, bias));
        acc_m = _mm_add_epi64(acc_m, _mm_sad_epu8(rm, bias));
    }
    auto total = [](__m128i v) {
        return static_cast<int64_t>(_mm_cvtsi128_si64(v)) + static_cast<int64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
    };
    sums.add(total(acc_l), total(acc_g), total(acc_m));
    return sums;
}

PredictScores calc_predict_scores8(const ImgPlane& plane, int width, int height)
{
    ScoreTotals totals;
    if (width < 1 || height < 2) return totals.result();
    for (int y = 1; y < height; ++y) {
        const uint8_t* row = row_ptr<uint8_t>(plane.ptr, plane.stride, y);
        const RowCut c = cut_row<uint8_t>(row + 1, width);
        if (c.groups == 0) continue;
        const ScoreTotals s = calc_predict_scores_sse(row + 1 + c.head, c.groups * 16, plane.stride);
        totals.add(s.left, s.gradient, s.median);
    }
    return totals.result();
}

} // namespace backends

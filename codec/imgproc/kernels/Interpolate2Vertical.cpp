// In-place 1:2 vertical interpolation: every odd row from the even rows around it with the
// (-1, 9, 9, -1) / 16 filter, floor shift, then clamp. Only even rows are read and only odd rows
// written, so working in place is safe. 16-bit lanes hold the sum for both depths: 8-bit sums lie
// in -502 .. 4598, masked 10-bit sums in -2038 .. 18422.

#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/ResampleArith.h"
#include "codec/imgproc/kernels/ResampleSimd.h"

using namespace resample;

namespace {

inline __m128i interp16(__m128i w, __m128i x, __m128i y, __m128i z, __m128i maxValue)
{
    __m128i xy = _mm_add_epi16(x, y);
    xy = _mm_add_epi16(_mm_slli_epi16(xy, 3), xy); // 9 (x + y)
    const __m128i v = _mm_srai_epi16(_mm_sub_epi16(_mm_add_epi16(xy, _mm_set1_epi16(8)), _mm_add_epi16(w, z)), 4);
    return _mm_min_epi16(_mm_max_epi16(v, _mm_setzero_si128()), maxValue);
}

template <class T, int Bits>
inline __m128i istep(__m128i w, __m128i x, __m128i y, __m128i z)
{
    const __m128i maxValue = _mm_set1_epi16(static_cast<short>(sample_mask<Bits>()));
    if constexpr (sizeof(T) == 1) {
        const __m128i lm = _mm_set1_epi16(0x00FF);
        const __m128i lo = interp16(_mm_and_si128(w, lm), _mm_and_si128(x, lm), _mm_and_si128(y, lm),
                                    _mm_and_si128(z, lm), maxValue);
        const __m128i hi = interp16(_mm_srli_epi16(w, 8), _mm_srli_epi16(x, 8), _mm_srli_epi16(y, 8),
                                    _mm_srli_epi16(z, 8), maxValue);
        return _mm_or_si128(lo, _mm_slli_epi16(hi, 8));
    } else {
        return interp16(_mm_and_si128(w, maxValue), _mm_and_si128(x, maxValue), _mm_and_si128(y, maxValue),
                        _mm_and_si128(z, maxValue), maxValue);
    }
}

} // namespace

template <class T, int Bits, bool Aligned>
void interpolate2_vertical_sse(T* plane, int stride, int w, int pairs, int k0, int count)
{
    if (count < 1 || w < 1 || pairs < 1) return;
    constexpr int step = 16 / static_cast<int>(sizeof(T));
    const int vecEnd = w / step * step;
    auto even = [&](int j) { return row_at(plane, stride, 2 * std::clamp(j, 0, pairs - 1)); };
    const int kb = std::max(k0, 0), ke = std::min(k0 + count, pairs);
    for (int k = kb; k < ke; ++k) {
        const T *rw = even(k - 1), *rx = even(k), *ry = even(k + 1), *rz = even(k + 2);
        T* d = row_at(plane, stride, 2 * k + 1);
        for (int c = 0; c < vecEnd; c += step)
            store16<Aligned>(d + c, istep<T, Bits>(load16<Aligned>(rw + c), load16<Aligned>(rx + c),
                                                   load16<Aligned>(ry + c), load16<Aligned>(rz + c)));
        interpolate2_v_row<T, Bits>(rw, rx, ry, rz, d, w, vecEnd);
    }
}

template <class T, int Bits>
void interpolate2_vertical_sse_decide(T* plane, int stride, int w, int pairs, int k0, int count)
{
    if (plane_aligned(plane, stride)) interpolate2_vertical_sse<T, Bits, true>(plane, stride, w, pairs, k0, count);
    else interpolate2_vertical_sse<T, Bits, false>(plane, stride, w, pairs, k0, count);
}

#define QV_INTERPOLATE2_V_INSTANCES(T, B)                                                                           \
    template void interpolate2_vertical_sse<T, B, true>(T*, int, int, int, int, int);                            \
    template void interpolate2_vertical_sse<T, B, false>(T*, int, int, int, int, int);                           \
    template void interpolate2_vertical_sse_decide<T, B>(T*, int, int, int, int, int);
QV_INTERPOLATE2_V_INSTANCES(uint8_t, 8)
QV_INTERPOLATE2_V_INSTANCES(uint16_t, 10)
#undef QV_INTERPOLATE2_V_INSTANCES

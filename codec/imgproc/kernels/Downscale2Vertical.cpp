// 2:1 vertical downscale with the (1, 2, 1) / 4 filter, for 8-bit samples and for 10-bit samples
// in 16-bit words. Columns are independent: 16 (8-bit) or 8 (10-bit) per step from column 0, a
// scalar tail for the rest. Only the top edge is clamped; the row above a band's first output
// belongs to the block before it.

#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/ResampleArith.h"
#include "codec/imgproc/kernels/ResampleSimd.h"

using namespace resample;

namespace {

inline __m128i f121(__m128i a, __m128i m, __m128i b)
{
    const __m128i two = _mm_set1_epi16(2);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(a, b), _mm_add_epi16(_mm_slli_epi16(m, 1), two)), 2);
}

template <class T, int Bits>
inline __m128i vstep(__m128i a, __m128i m, __m128i b)
{
    if constexpr (sizeof(T) == 1) {
        const __m128i lowMask = _mm_set1_epi16(0x00FF);
        const __m128i lo = f121(_mm_and_si128(a, lowMask), _mm_and_si128(m, lowMask), _mm_and_si128(b, lowMask));
        const __m128i hi = f121(_mm_srli_epi16(a, 8), _mm_srli_epi16(m, 8), _mm_srli_epi16(b, 8));
        return _mm_or_si128(lo, _mm_slli_epi16(hi, 8));
    } else {
        // Masked words: the largest sum, 4 * 1023 + 2, fits a lane whatever the caller's words.
        const __m128i mask = _mm_set1_epi16(static_cast<short>(sample_mask<Bits>()));
        return f121(_mm_and_si128(a, mask), _mm_and_si128(m, mask), _mm_and_si128(b, mask));
    }
}

} // namespace

template <class T, int Bits, bool SrcAligned, bool DstAligned>
void downscale2_vertical_sse(const T* src, T* dst, int srcStride, int dstStride, int w, int, int firstRow,
                             int rows)
{
    constexpr int step = 16 / static_cast<int>(sizeof(T));
    const int kb = firstRow / 2, ke = (firstRow + rows) / 2;
    if (w < 1) return;
    const int vecEnd = w / step * step;
    for (int k = kb; k < ke; ++k) {
        const T* a = row_at(src, srcStride, std::max(2 * k - 1, 0));
        const T* m = row_at(src, srcStride, 2 * k);
        const T* b = row_at(src, srcStride, 2 * k + 1);
        T* d = row_at(dst, dstStride, k);
        for (int c = 0; c < vecEnd; c += step)
            store16<DstAligned>(d + c, vstep<T, Bits>(load16<SrcAligned>(a + c), load16<SrcAligned>(m + c),
                                                      load16<SrcAligned>(b + c)));
        downscale2_v_row<T, Bits>(a, m, b, d, w, vecEnd);
    }
}

template <class T, int Bits>
void downscale2_vertical_sse_decide(const T* src, T* dst, int srcStride, int dstStride, int w, int h,
                                    int firstRow, int rows)
{
    const bool sa = plane_aligned(src, srcStride), da = plane_aligned(dst, dstStride);
    if (sa && da) downscale2_vertical_sse<T, Bits, true, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else if (sa) downscale2_vertical_sse<T, Bits, true, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else if (da) downscale2_vertical_sse<T, Bits, false, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else downscale2_vertical_sse<T, Bits, false, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
}

#define QV_DOWNSCALE2_V_INSTANCES(T, B)                                                                             \
    template void downscale2_vertical_sse<T, B, true, true>(const T*, T*, int, int, int, int, int, int);          \
    template void downscale2_vertical_sse<T, B, true, false>(const T*, T*, int, int, int, int, int, int);         \
    template void downscale2_vertical_sse<T, B, false, true>(const T*, T*, int, int, int, int, int, int);         \
    template void downscale2_vertical_sse<T, B, false, false>(const T*, T*, int, int, int, int, int, int);        \
    template void downscale2_vertical_sse_decide<T, B>(const T*, T*, int, int, int, int, int, int);
QV_DOWNSCALE2_V_INSTANCES(uint8_t, 8)
QV_DOWNSCALE2_V_INSTANCES(uint16_t, 10)
#undef QV_DOWNSCALE2_V_INSTANCES

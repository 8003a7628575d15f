// 2:1 horizontal downscale, filtered (1, 2, 1) / 4 and point-sampled.
//
// 32 source samples per step, seen as eight 16-bit lanes per load: even samples are the low
// bytes, odd samples the high bytes. The left neighbour of an even sample is the odd sample before
// it, carried across steps. Steps never read past the row; the scalar tail does the rest with the
// right neighbour of an odd width's last output clamped to the last sample.

#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/ResampleArith.h"
#include "codec/imgproc/kernels/ResampleSimd.h"

using namespace resample;

template <bool SrcAligned, bool DstAligned>
void downscale2_horizontal_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                               int firstRow, int rows)
{
    if (rows < 1 || w < 1) return;
    const int vecEnd = w / 32 * 32;
    const __m128i lowMask = _mm_set1_epi16(0x00FF);
    const __m128i two = _mm_set1_epi16(2);
    for (int r = firstRow; r < firstRow + rows; ++r) {
        const uint8_t* s = row_at(src, srcStride, r);
        uint8_t* d = row_at(dst, dstStride, r);
        __m128i carry = _mm_cvtsi32_si128(s[0]); // s[-1] taken as s[0]
        for (int i = 0; i < vecEnd; i += 32) {
            const __m128i x0 = load16<SrcAligned>(s + i);
            const __m128i x1 = load16<SrcAligned>(s + i + 16);
            const __m128i e0 = _mm_and_si128(x0, lowMask), o0 = _mm_srli_epi16(x0, 8);
            const __m128i e1 = _mm_and_si128(x1, lowMask), o1 = _mm_srli_epi16(x1, 8);
            const __m128i l0 = _mm_or_si128(_mm_slli_si128(o0, 2), carry);
            const __m128i l1 = _mm_or_si128(_mm_slli_si128(o1, 2), _mm_srli_si128(o0, 14));
            carry = _mm_srli_si128(o1, 14);
            auto f = [&](__m128i l, __m128i e, __m128i o) {
                return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(l, o), _mm_add_epi16(_mm_slli_epi16(e, 1), two)), 2);
            };
            store16<DstAligned>(d + i / 2, _mm_packus_epi16(f(l0, e0, o0), f(l1, e1, o1)));
        }
        downscale2_h_row(s, d, w, vecEnd / 2);
    }
}

template <bool SrcAligned, bool DstAligned>
void downscale2_horizontal_nn_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                                  int firstRow, int rows)
{
    if (rows < 1 || w < 1) return;
    const int vecEnd = w / 32 * 32;
    const __m128i lowMask = _mm_set1_epi16(0x00FF);
    for (int r = firstRow; r < firstRow + rows; ++r) {
        const uint8_t* s = row_at(src, srcStride, r);
        uint8_t* d = row_at(dst, dstStride, r);
        for (int i = 0; i < vecEnd; i += 32) {
            const __m128i e0 = _mm_and_si128(load16<SrcAligned>(s + i), lowMask);
            const __m128i e1 = _mm_and_si128(load16<SrcAligned>(s + i + 16), lowMask);
            store16<DstAligned>(d + i / 2, _mm_packus_epi16(e0, e1));
        }
        downscale2_h_nn_row(s, d, w, vecEnd / 2);
    }
}

template <bool Filtered>
void downscale2_horizontal_sse_decide(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w,
                                      int h, int firstRow, int rows)
{
    const bool sa = plane_aligned(src, srcStride), da = plane_aligned(dst, dstStride);
    if constexpr (Filtered) {
        if (sa && da) downscale2_horizontal_sse<true, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
        else if (sa) downscale2_horizontal_sse<true, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
        else if (da) downscale2_horizontal_sse<false, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
        else downscale2_horizontal_sse<false, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    } else {
        if (sa && da) downscale2_horizontal_nn_sse<true, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
        else if (sa) downscale2_horizontal_nn_sse<true, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
        else if (da) downscale2_horizontal_nn_sse<false, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
        else downscale2_horizontal_nn_sse<false, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    }
}

#define QV_DOWNSCALE2_H_INSTANCES(SA, DA)                                                                            \
    template void downscale2_horizontal_sse<SA, DA>(const uint8_t*, uint8_t*, int, int, int, int, int, int);       \
    template void downscale2_horizontal_nn_sse<SA, DA>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
QV_DOWNSCALE2_H_INSTANCES(true, true)
QV_DOWNSCALE2_H_INSTANCES(true, false)
QV_DOWNSCALE2_H_INSTANCES(false, true)
QV_DOWNSCALE2_H_INSTANCES(false, false)
#undef QV_DOWNSCALE2_H_INSTANCES

template void downscale2_horizontal_sse_decide<true>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_horizontal_sse_decide<false>(const uint8_t*, uint8_t*, int, int, int, int, int, int);

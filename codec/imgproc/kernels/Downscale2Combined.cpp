// Combined 2:1 downscale in both directions (4:4:4 to 4:2:0 chroma).
//
// The vertical (1, 2, 1) / 4 filter is rounded before the horizontal one, exactly as the scalar
// row does; a single 3 x 3 rounding would give other bytes. Steps of 32 source columns keep even
// and odd columns in separate 16-bit lanes and carry the last odd vertical value to the next
// step; they never read past the row.

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

} // namespace

template <bool SrcAligned, bool DstAligned>
void downscale2_combined_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                             int firstRow, int rows)
{
    const int kb = firstRow / 2, ke = (firstRow + rows) / 2;
    if (w < 1) return;
    const int vecEnd = w / 32 * 32;
    const __m128i lowMask = _mm_set1_epi16(0x00FF);
    for (int k = kb; k < ke; ++k) {
        const uint8_t* p = row_at(src, srcStride, std::max(2 * k - 1, 0));
        const uint8_t* m = row_at(src, srcStride, 2 * k);
        const uint8_t* n = row_at(src, srcStride, 2 * k + 1);
        uint8_t* d = row_at(dst, dstStride, k);
        __m128i carry = _mm_setzero_si128();
        for (int i = 0; i < vecEnd; i += 32) {
            __m128i ve[2], vo[2];
            for (int half = 0; half < 2; ++half) {
                const __m128i a = load16<SrcAligned>(p + i + 16 * half);
                const __m128i c = load16<SrcAligned>(m + i + 16 * half);
                const __m128i b = load16<SrcAligned>(n + i + 16 * half);
                ve[half] = f121(_mm_and_si128(a, lowMask), _mm_and_si128(c, lowMask), _mm_and_si128(b, lowMask));
                vo[half] = f121(_mm_srli_epi16(a, 8), _mm_srli_epi16(c, 8), _mm_srli_epi16(b, 8));
            }
            if (i == 0) carry = _mm_cvtsi32_si128(_mm_cvtsi128_si32(ve[0]) & 0xFFFF); // V[-1] taken as V[0]
            const __m128i l0 = _mm_or_si128(_mm_slli_si128(vo[0], 2), carry);
            const __m128i l1 = _mm_or_si128(_mm_slli_si128(vo[1], 2), _mm_srli_si128(vo[0], 14));
            carry = _mm_srli_si128(vo[1], 14);
            store16<DstAligned>(d + i / 2, _mm_packus_epi16(f121(l0, ve[0], vo[0]), f121(l1, ve[1], vo[1])));
        }
        downscale2_combined_row(p, m, n, d, w, vecEnd / 2);
    }
}

void downscale2_combined_sse_decide(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                    int firstRow, int rows)
{
    const bool sa = plane_aligned(src, srcStride), da = plane_aligned(dst, dstStride);
    if (sa && da) downscale2_combined_sse<true, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else if (sa) downscale2_combined_sse<true, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else if (da) downscale2_combined_sse<false, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else downscale2_combined_sse<false, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
}

template void downscale2_combined_sse<true, true>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_combined_sse<true, false>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_combined_sse<false, true>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_combined_sse<false, false>(const uint8_t*, uint8_t*, int, int, int, int, int, int);

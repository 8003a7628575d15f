// 1:2 horizontal upscale with the (-1, 9, 9, -1) / 16 filter.
//
// Groups of 16 source samples make 32 output bytes. A group also needs the two samples after it,
// so the vector part only takes a group whose following 16 samples lie inside the row as well:
// no load ever leaves the row, and the scalar tail handles the last 16..31 samples with the
// clamped right neighbours.

#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/ResampleArith.h"
#include "codec/imgproc/kernels/ResampleSimd.h"

using namespace resample;

namespace {

// Odd outputs of one group from s[i-1 .. i+16]: a = s[p-1], b = s[p], c = s[p+1], d = s[p+2].
inline __m128i interp_bytes(__m128i a, __m128i b, __m128i c, __m128i d)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i eight = _mm_set1_epi16(8);
    auto half = [&](__m128i a16, __m128i b16, __m128i c16, __m128i d16) {
        __m128i bc = _mm_add_epi16(b16, c16);
        bc = _mm_add_epi16(_mm_slli_epi16(bc, 3), bc); // 9 (b + c)
        __m128i v = _mm_sub_epi16(_mm_add_epi16(bc, eight), _mm_add_epi16(a16, d16));
        return _mm_srai_epi16(v, 4);
    };
    const __m128i lo = half(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero),
                            _mm_unpacklo_epi8(d, zero));
    const __m128i hi = half(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero),
                            _mm_unpackhi_epi8(d, zero));
    return _mm_packus_epi16(lo, hi); // clamps to 0..255
}

} // namespace

template <bool SrcAligned, bool DstAligned>
void upscale2_horizontal_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                             int firstRow, int rows)
{
    if (rows < 1 || w < 1) return;
    // Groups at 0, 16, ... whose next 16 samples are in the row too.
    const int vecEnd = w >= 32 ? (w / 16 - 1) * 16 : 0;
    for (int r = firstRow; r < firstRow + rows; ++r) {
        const uint8_t* s = row_at(src, srcStride, r);
        uint8_t* d = row_at(dst, dstStride, r);
        __m128i prev = _mm_cvtsi32_si128(s[0]); // s[-1] taken as s[0]
        __m128i cur = vecEnd ? load16<SrcAligned>(s) : _mm_setzero_si128();
        for (int i = 0; i < vecEnd; i += 16) {
            const __m128i next = load16<SrcAligned>(s + i + 16);
            const __m128i a = _mm_or_si128(_mm_slli_si128(cur, 1), prev);
            const __m128i c = _mm_or_si128(_mm_srli_si128(cur, 1), _mm_slli_si128(next, 15));
            const __m128i e = _mm_or_si128(_mm_srli_si128(cur, 2), _mm_slli_si128(next, 14));
            const __m128i odd = interp_bytes(a, cur, c, e);
            store16<DstAligned>(d + 2 * i, _mm_unpacklo_epi8(cur, odd));
            store16<DstAligned>(d + 2 * i + 16, _mm_unpackhi_epi8(cur, odd));
            prev = _mm_srli_si128(cur, 15);
            cur = next;
        }
        upscale2_row(s, d, w, vecEnd);
    }
}

void upscale2_horizontal_sse_decide(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                    int firstRow, int rows)
{
    const bool sa = plane_aligned(src, srcStride), da = plane_aligned(dst, dstStride);
    if (sa && da) upscale2_horizontal_sse<true, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else if (sa) upscale2_horizontal_sse<true, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else if (da) upscale2_horizontal_sse<false, true>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
    else upscale2_horizontal_sse<false, false>(src, dst, srcStride, dstStride, w, h, firstRow, rows);
}

template void upscale2_horizontal_sse<true, true>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void upscale2_horizontal_sse<true, false>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void upscale2_horizontal_sse<false, true>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void upscale2_horizontal_sse<false, false>(const uint8_t*, uint8_t*, int, int, int, int, int, int);

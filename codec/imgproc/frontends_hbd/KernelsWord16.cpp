#include "codec/imgproc/frontends_hbd/KernelsWord16.h"

namespace hbd {

void shr6_row(const uint8_t* src, int n, uint8_t* dst)
{
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const intptr_t o = 2 * static_cast<intptr_t>(i);
        storeu(dst + o, _mm_srli_epi16(loadu(src + o), kTopBitsShift));
        storeu(dst + o + 16, _mm_srli_epi16(loadu(src + o + 16), kTopBitsShift));
    }
    if (i + 8 <= n) {
        const intptr_t o = 2 * static_cast<intptr_t>(i);
        storeu(dst + o, _mm_srli_epi16(loadu(src + o), kTopBitsShift));
        i += 8;
    }
    for (; i < n; ++i) st16i(dst, i, ld16i(src, i) >> kTopBitsShift);
}

void shr6_row_scalar(const uint8_t* src, int n, uint8_t* dst)
{
    for (int i = 0; i < n; ++i) st16i(dst, i, ld16i(src, i) >> kTopBitsShift);
}

void shl6_row(const uint8_t* src, int n, uint8_t* dst)
{
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const intptr_t o = 2 * static_cast<intptr_t>(i);
        const __m128i a = loadu(src + o), b = loadu(src + o + 16);
        storeu(dst + o, _mm_slli_epi16(a, kTopBitsShift));
        storeu(dst + o + 16, _mm_slli_epi16(b, kTopBitsShift));
    }
    if (i + 8 <= n) {
        const intptr_t o = 2 * static_cast<intptr_t>(i);
        storeu(dst + o, _mm_slli_epi16(loadu(src + o), kTopBitsShift));
        i += 8;
    }
    for (; i < n; ++i) st16i(dst, i, uint32_t(ld16i(src, i)) << kTopBitsShift);
}

void shl6_row_scalar(const uint8_t* src, int n, uint8_t* dst)
{
    for (int i = 0; i < n; ++i) st16i(dst, i, uint32_t(ld16i(src, i)) << kTopBitsShift);
}

void cbcr_split(const uint8_t* src, int pairs, uint8_t* cb, uint8_t* cr)
{
    const __m128i low = _mm_set1_epi32(0xFFFF);
    int i = 0;
    for (; i + 8 <= pairs; i += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(i);
        const __m128i a = _mm_srli_epi16(loadu(src + 2 * o), kTopBitsShift);
        const __m128i b = _mm_srli_epi16(loadu(src + 2 * o + 16), kTopBitsShift);
        // Values are at most 1023 after the shift, so the signed pack keeps them.
        storeu(cb + o, _mm_packs_epi32(_mm_and_si128(a, low), _mm_and_si128(b, low)));
        storeu(cr + o, _mm_packs_epi32(_mm_srli_epi32(a, 16), _mm_srli_epi32(b, 16)));
    }
    for (; i < pairs; ++i) {
        st16i(cb, i, ld16i(src, 2 * i) >> kTopBitsShift);
        st16i(cr, i, ld16i(src, 2 * i + 1) >> kTopBitsShift);
    }
}

void cbcr_split_scalar(const uint8_t* src, int pairs, uint8_t* cb, uint8_t* cr)
{
    for (int i = 0; i < pairs; ++i) {
        st16i(cb, i, ld16i(src, 2 * i) >> kTopBitsShift);
        st16i(cr, i, ld16i(src, 2 * i + 1) >> kTopBitsShift);
    }
}

void cbcr_join(uint8_t* dst, int pairs, const uint8_t* cb, const uint8_t* cr)
{
    int i = 0;
    for (; i + 8 <= pairs; i += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(i);
        const __m128i b = _mm_slli_epi16(loadu(cb + o), kTopBitsShift);
        const __m128i r = _mm_slli_epi16(loadu(cr + o), kTopBitsShift);
        storeu(dst + 2 * o, _mm_unpacklo_epi16(b, r));
        storeu(dst + 2 * o + 16, _mm_unpackhi_epi16(b, r));
    }
    for (; i < pairs; ++i) {
        st16i(dst, 2 * i, uint32_t(ld16i(cb, i)) << kTopBitsShift);
        st16i(dst, 2 * i + 1, uint32_t(ld16i(cr, i)) << kTopBitsShift);
    }
}

void cbcr_join_scalar(uint8_t* dst, int pairs, const uint8_t* cb, const uint8_t* cr)
{
    for (int i = 0; i < pairs; ++i) {
        st16i(dst, 2 * i, uint32_t(ld16i(cb, i)) << kTopBitsShift);
        st16i(dst, 2 * i + 1, uint32_t(ld16i(cr, i)) << kTopBitsShift);
    }
}

void fill16(uint8_t* p, int n, uint16_t value)
{
    const __m128i v = _mm_set1_epi16(static_cast<short>(value));
    int i = 0;
    for (; i + 8 <= n; i += 8) storeu(p + 2 * static_cast<intptr_t>(i), v);
    for (; i < n; ++i) st16i(p, i, value);
}

} // namespace hbd

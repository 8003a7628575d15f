#include "codec/imgproc/frontends_hbd/KernelsFloat4.h"

#if defined(__FAST_MATH__)
#error "the float layouts need IEEE min/max, NaN and truncation semantics: build without -ffast-math"
#endif

namespace hbd {

template <int Channels, int Bits>
void splitFloat4(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps(), factor = _mm_set1_ps(FloatScale<Bits>::quant);
    const __m128i M = _mm_set1_epi32((1 << Bits) - 1);
    // minps returns its second operand when either is NaN, so min(one, x) keeps a NaN and the
    // following max(c, zero) turns it into 0, as the scalar form does.
    const auto quant = [&](const uint8_t* px) {
        const __m128 c = _mm_max_ps(_mm_min_ps(one, _mm_loadu_ps(reinterpret_cast<const float*>(px))), zero);
        return _mm_cvttps_epi32(_mm_mul_ps(c, factor));
    };
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const uint8_t* px = src + 16 * static_cast<intptr_t>(x);
        const __m128i q0 = quant(px), q1 = quant(px + 16), q2 = quant(px + 32), q3 = quant(px + 48);
        const __m128i t0 = _mm_unpacklo_epi32(q0, q1), t1 = _mm_unpacklo_epi32(q2, q3);
        const __m128i t2 = _mm_unpackhi_epi32(q0, q1), t3 = _mm_unpackhi_epi32(q2, q3);
        const __m128i b = _mm_unpacklo_epi64(t0, t1), g = _mm_unpackhi_epi64(t0, t1);
        const __m128i r = _mm_unpacklo_epi64(t2, t3), a = _mm_unpackhi_epi64(t2, t3);
        // At most 16383: the signed packs keep every value.
        const __m128i bg = _mm_packs_epi32(_mm_and_si128(_mm_sub_epi32(b, g), M), g);
        const __m128i ra = _mm_packs_epi32(_mm_and_si128(_mm_sub_epi32(r, g), M), a);
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        storel(p0 + o, bg);
        storel(p1 + o, _mm_srli_si128(bg, 8));
        storel(p2 + o, ra);
        if constexpr (Channels == 4) storel(p3 + o, _mm_srli_si128(ra, 8));
    }
    for (; x < width; ++x) splitFloat4_pixel<Channels, Bits>(src, x, p0, p1, p2, p3);
}

template <int Channels, int Bits>
void splitFloat4_scalar(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    for (int x = 0; x < width; ++x) splitFloat4_pixel<Channels, Bits>(src, x, p0, p1, p2, p3);
}

template <int Channels, int Bits>
void joinFloat4(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3)
{
    const __m128i M = _mm_set1_epi16(static_cast<short>((1 << Bits) - 1));
    const __m128i zero = _mm_setzero_si128();
    const __m128 f = _mm_set1_ps(std::bit_cast<float>(FloatScale<Bits>::dequantBits));
    // 3 channels: the fourth integer is 0, which scales to +0.0, and X = 1.0 is or-ed in.
    const __m128 x1 = _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, Channels == 4 ? 0 : static_cast<int>(kFloatOneBits)));
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i g = loadl(p1 + o);
        const __m128i b = _mm_and_si128(_mm_add_epi16(loadl(p0 + o), g), M);
        const __m128i r = _mm_and_si128(_mm_add_epi16(loadl(p2 + o), g), M);
        const __m128i a = Channels == 4 ? loadl(p3 + o) : zero;
        // Per pixel: b g r a as 32-bit integers.
        const __m128i bg = _mm_unpacklo_epi16(b, g), ra = _mm_unpacklo_epi16(r, a);
        const __m128i px01 = _mm_unpacklo_epi32(bg, ra), px23 = _mm_unpackhi_epi32(bg, ra);
        const __m128i px[4] = {_mm_unpacklo_epi16(px01, zero), _mm_unpackhi_epi16(px01, zero),
                               _mm_unpacklo_epi16(px23, zero), _mm_unpackhi_epi16(px23, zero)};
        float* d = reinterpret_cast<float*>(dst + 16 * static_cast<intptr_t>(x));
        for (int k = 0; k < 4; ++k) _mm_storeu_ps(d + 4 * k, _mm_or_ps(_mm_mul_ps(_mm_cvtepi32_ps(px[k]), f), x1));
    }
    for (; x < width; ++x) joinFloat4_pixel<Channels, Bits>(dst, x, p0, p1, p2, p3);
}

template <int Channels, int Bits>
void joinFloat4_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                       const uint8_t* p3)
{
    for (int x = 0; x < width; ++x) joinFloat4_pixel<Channels, Bits>(dst, x, p0, p1, p2, p3);
}

#define HBD_KERNELS_FLOAT4(C, N)                                                                               \
    template void splitFloat4<C, N>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);              \
    template void splitFloat4_scalar<C, N>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);       \
    template void joinFloat4<C, N>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*,              \
                                   const uint8_t*);                                                            \
    template void joinFloat4_scalar<C, N>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*,       \
                                          const uint8_t*);
HBD_KERNELS_FLOAT4(3, 10)
HBD_KERNELS_FLOAT4(3, 12)
HBD_KERNELS_FLOAT4(3, 14)
HBD_KERNELS_FLOAT4(4, 10)
HBD_KERNELS_FLOAT4(4, 12)
HBD_KERNELS_FLOAT4(4, 14)

} // namespace hbd

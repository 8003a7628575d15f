#include "codec/imgproc/frontends_hbd/KernelsR210.h"

namespace hbd {
namespace {

template <bool IsR10K, bool IsLE>
inline void unpackR210(__m128i w, __m128i& b, __m128i& g, __m128i& r)
{
    constexpr int p = IsR10K ? 2 : 0;
    if constexpr (!IsLE) w = bswap_epi32(w);
    const __m128i m = _mm_set1_epi32(1023);
    b = _mm_and_si128(_mm_srli_epi32(w, p), m);
    g = _mm_and_si128(_mm_srli_epi32(w, p + 10), m);
    r = _mm_and_si128(_mm_srli_epi32(w, p + 20), m);
}

template <bool IsR10K, bool IsLE>
inline __m128i packR210(__m128i b, __m128i g, __m128i r)
{
    constexpr int p = IsR10K ? 2 : 0;
    const __m128i w = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, p + 20), _mm_slli_epi32(g, p + 10)),
                                   _mm_slli_epi32(b, p));
    return IsLE ? w : bswap_epi32(w);
}

// 16-bit channel samples -> planes (differences modulo 1024).
inline void decorrelate10(__m128i b, __m128i g, __m128i r, __m128i& d0, __m128i& d2)
{
    const __m128i m = _mm_set1_epi16(1023);
    d0 = _mm_and_si128(_mm_sub_epi16(b, g), m);
    d2 = _mm_and_si128(_mm_sub_epi16(r, g), m);
}

} // namespace

template <bool IsR10K, bool IsLE>
void splitR210(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2)
{
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i b0, g0, r0, b1, g1, r1, d0, d2;
        unpackR210<IsR10K, IsLE>(loadu(src + 4 * static_cast<intptr_t>(x)), b0, g0, r0);
        unpackR210<IsR10K, IsLE>(loadu(src + 4 * static_cast<intptr_t>(x) + 16), b1, g1, r1);
        const __m128i g = _mm_packs_epi32(g0, g1);
        decorrelate10(_mm_packs_epi32(b0, b1), g, _mm_packs_epi32(r0, r1), d0, d2);
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        storeu(p0 + o, d0);
        storeu(p1 + o, g);
        storeu(p2 + o, d2);
    }
    if (x + 4 <= width) {
        __m128i b, g, r, d0, d2;
        unpackR210<IsR10K, IsLE>(loadu(src + 4 * static_cast<intptr_t>(x)), b, g, r);
        g = _mm_packs_epi32(g, g);
        decorrelate10(_mm_packs_epi32(b, b), g, _mm_packs_epi32(r, r), d0, d2);
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        storel(p0 + o, d0);
        storel(p1 + o, g);
        storel(p2 + o, d2);
        x += 4;
    }
    for (; x < width; ++x) splitR210_pixel<IsR10K, IsLE>(src, x, p0, p1, p2);
}

template <bool IsR10K, bool IsLE>
void splitR210_scalar(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2)
{
    for (int x = 0; x < width; ++x) splitR210_pixel<IsR10K, IsLE>(src, x, p0, p1, p2);
}

template <bool IsR10K, bool IsLE>
void joinR210(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    const __m128i m = _mm_set1_epi16(1023), zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i g = loadu(p1 + o);
        const __m128i b = _mm_and_si128(_mm_add_epi16(loadu(p0 + o), g), m);
        const __m128i r = _mm_and_si128(_mm_add_epi16(loadu(p2 + o), g), m);
        uint8_t* d = dst + 4 * static_cast<intptr_t>(x);
        storeu(d, packR210<IsR10K, IsLE>(_mm_unpacklo_epi16(b, zero), _mm_unpacklo_epi16(g, zero),
                                         _mm_unpacklo_epi16(r, zero)));
        storeu(d + 16, packR210<IsR10K, IsLE>(_mm_unpackhi_epi16(b, zero), _mm_unpackhi_epi16(g, zero),
                                              _mm_unpackhi_epi16(r, zero)));
    }
    if (x + 4 <= width) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i g = loadl(p1 + o);
        const __m128i b = _mm_and_si128(_mm_add_epi16(loadl(p0 + o), g), m);
        const __m128i r = _mm_and_si128(_mm_add_epi16(loadl(p2 + o), g), m);
        storeu(dst + 4 * static_cast<intptr_t>(x),
               packR210<IsR10K, IsLE>(_mm_unpacklo_epi16(b, zero), _mm_unpacklo_epi16(g, zero),
                                      _mm_unpacklo_epi16(r, zero)));
        x += 4;
    }
    for (; x < width; ++x) joinR210_pixel<IsR10K, IsLE>(dst, x, p0, p1, p2);
}

template <bool IsR10K, bool IsLE>
void joinR210_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    for (int x = 0; x < width; ++x) joinR210_pixel<IsR10K, IsLE>(dst, x, p0, p1, p2);
}

#define HBD_KERNELS_R210(K, L)                                                                                 \
    template void splitR210<K, L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                         \
    template void splitR210_scalar<K, L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                  \
    template void joinR210<K, L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);               \
    template void joinR210_scalar<K, L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
HBD_KERNELS_R210(false, false)
HBD_KERNELS_R210(true, false)
HBD_KERNELS_R210(false, true)
HBD_KERNELS_R210(true, true)

} // namespace hbd

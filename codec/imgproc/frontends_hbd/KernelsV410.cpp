#include "codec/imgproc/frontends_hbd/KernelsV410.h"

namespace hbd {
namespace {

// Four words -> Y, Cb, Cr as 32-bit lanes.
inline void unpackV410(__m128i w, __m128i& y, __m128i& cb, __m128i& cr)
{
    const __m128i m = _mm_set1_epi32(1023);
    y = _mm_and_si128(_mm_srli_epi32(w, 12), m);
    cb = _mm_and_si128(_mm_srli_epi32(w, 2), m);
    cr = _mm_srli_epi32(w, 22);
}

template <bool LumaOnly>
inline __m128i packV410(__m128i y, __m128i cb, __m128i cr)
{
    if constexpr (LumaOnly)
        return _mm_or_si128(_mm_slli_epi32(y, 12), _mm_set1_epi32(static_cast<int>(kV410NeutralChroma)));
    else
        return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(cr, 22), _mm_slli_epi32(y, 12)), _mm_slli_epi32(cb, 2));
}

} // namespace

template <bool LumaOnly>
void splitV410(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i y0, cb0, cr0, y1, cb1, cr1;
        unpackV410(loadu(src + 4 * static_cast<intptr_t>(x)), y0, cb0, cr0);
        unpackV410(loadu(src + 4 * static_cast<intptr_t>(x) + 16), y1, cb1, cr1);
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        storeu(y + o, _mm_packs_epi32(y0, y1));
        if constexpr (!LumaOnly) {
            storeu(cb + o, _mm_packs_epi32(cb0, cb1));
            storeu(cr + o, _mm_packs_epi32(cr0, cr1));
        }
    }
    if (x + 4 <= width) {
        __m128i y0, cb0, cr0;
        unpackV410(loadu(src + 4 * static_cast<intptr_t>(x)), y0, cb0, cr0);
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        storel(y + o, _mm_packs_epi32(y0, y0));
        if constexpr (!LumaOnly) {
            storel(cb + o, _mm_packs_epi32(cb0, cb0));
            storel(cr + o, _mm_packs_epi32(cr0, cr0));
        }
        x += 4;
    }
    for (; x < width; ++x) splitV410_pixel<LumaOnly>(src, x, y, cb, cr);
}

template <bool LumaOnly>
void splitV410_scalar(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    for (int x = 0; x < width; ++x) splitV410_pixel<LumaOnly>(src, x, y, cb, cr);
}

template <bool LumaOnly>
void joinV410(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr)
{
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i yy = loadu(y + o);
        const __m128i b = LumaOnly ? zero : loadu(cb + o);
        const __m128i r = LumaOnly ? zero : loadu(cr + o);
        uint8_t* d = dst + 4 * static_cast<intptr_t>(x);
        storeu(d, packV410<LumaOnly>(_mm_unpacklo_epi16(yy, zero), _mm_unpacklo_epi16(b, zero),
                                     _mm_unpacklo_epi16(r, zero)));
        storeu(d + 16, packV410<LumaOnly>(_mm_unpackhi_epi16(yy, zero), _mm_unpackhi_epi16(b, zero),
                                          _mm_unpackhi_epi16(r, zero)));
    }
    if (x + 4 <= width) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i yy = loadl(y + o);
        const __m128i b = LumaOnly ? zero : loadl(cb + o);
        const __m128i r = LumaOnly ? zero : loadl(cr + o);
        storeu(dst + 4 * static_cast<intptr_t>(x),
               packV410<LumaOnly>(_mm_unpacklo_epi16(yy, zero), _mm_unpacklo_epi16(b, zero),
                                  _mm_unpacklo_epi16(r, zero)));
        x += 4;
    }
    for (; x < width; ++x) joinV410_pixel<LumaOnly>(dst, x, y, cb, cr);
}

template <bool LumaOnly>
void joinV410_scalar(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr)
{
    for (int x = 0; x < width; ++x) joinV410_pixel<LumaOnly>(dst, x, y, cb, cr);
}

#define HBD_KERNELS_V410(L)                                                                                    \
    template void splitV410<L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                            \
    template void splitV410_scalar<L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                     \
    template void joinV410<L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);                  \
    template void joinV410_scalar<L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
HBD_KERNELS_V410(false)
HBD_KERNELS_V410(true)

} // namespace hbd

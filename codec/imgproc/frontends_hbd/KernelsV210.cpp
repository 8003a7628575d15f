#include "codec/imgproc/frontends_hbd/KernelsV210.h"

namespace hbd {
namespace {

inline __m128i shuf(__m128i v, const ShufMask& m) { return _mm_shuffle_epi8(v, m.load()); }

// Packs one group from Y (lanes 0-5) and C (Cb in lanes 0-2, Cr in lanes 4-6).
inline __m128i packV210_group(__m128i y, __m128i c)
{
    static constexpr ShufMask loY = widen16to32({-1, 1, -1, 4}), loC = widen16to32({0, -1, 5, -1});
    static constexpr ShufMask midY = widen16to32({0, -1, 3, -1}), midC = widen16to32({-1, 1, -1, 6});
    static constexpr ShufMask hiY = widen16to32({-1, 2, -1, 5}), hiC = widen16to32({4, -1, 2, -1});
    const __m128i lo = _mm_or_si128(shuf(y, loY), shuf(c, loC));
    const __m128i mid = _mm_or_si128(shuf(y, midY), shuf(c, midC));
    const __m128i hi = _mm_or_si128(shuf(y, hiY), shuf(c, hiC));
    return _mm_or_si128(lo, _mm_or_si128(_mm_slli_epi32(mid, 10), _mm_slli_epi32(hi, 20)));
}

} // namespace

template <bool LumaOnly>
void splitV210(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    // After the field extraction of two groups A and B (16-bit lanes, A in 0-3, B in 4-7):
    //   L = w & 1023:          Cb0 Y1 Cr1 Y4
    //   Mi = (w >> 10) & 1023: Y0 Cb1 Y3 Cr2
    //   H = (w >> 20) & 1023:  Cr0 Y2 Cb2 Y5
    static constexpr ShufMask y1L = gather16({-1, 1, -1, -1, 3, -1, -1, 5});
    static constexpr ShufMask y1M = gather16({0, -1, -1, 2, -1, -1, 4, -1});
    static constexpr ShufMask y1H = gather16({-1, -1, 1, -1, -1, 3, -1, -1});
    static constexpr ShufMask y2L = gather16({-1, -1, 7, -1, -1, -1, -1, -1});
    static constexpr ShufMask y2M = gather16({-1, 6, -1, -1, -1, -1, -1, -1});
    static constexpr ShufMask y2H = gather16({5, -1, -1, 7, -1, -1, -1, -1});
    static constexpr ShufMask cbL = gather16({0, -1, -1, 4, -1, -1, -1, -1});
    static constexpr ShufMask cbM = gather16({-1, 1, -1, -1, 5, -1, -1, -1});
    static constexpr ShufMask cbH = gather16({-1, -1, 2, -1, -1, 6, -1, -1});
    static constexpr ShufMask crL = gather16({-1, 2, -1, -1, 6, -1, -1, -1});
    static constexpr ShufMask crM = gather16({-1, -1, 3, -1, -1, 7, -1, -1});
    static constexpr ShufMask crH = gather16({0, -1, -1, 4, -1, -1, -1, -1});
    const __m128i m = _mm_set1_epi32(1023);
    const int groups = width / 6;
    int g = 0;
    for (; g + 2 <= groups; g += 2) {
        const __m128i a = loadu(src + 16 * static_cast<intptr_t>(g));
        const __m128i b = loadu(src + 16 * static_cast<intptr_t>(g) + 16);
        const __m128i L = _mm_packs_epi32(_mm_and_si128(a, m), _mm_and_si128(b, m));
        const __m128i Mi = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(a, 10), m),
                                           _mm_and_si128(_mm_srli_epi32(b, 10), m));
        const __m128i H = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(a, 20), m),
                                          _mm_and_si128(_mm_srli_epi32(b, 20), m));
        uint8_t* yd = y + 12 * static_cast<intptr_t>(g);
        storeu(yd, _mm_or_si128(_mm_or_si128(shuf(L, y1L), shuf(Mi, y1M)), shuf(H, y1H)));
        storel(yd + 16, _mm_or_si128(_mm_or_si128(shuf(L, y2L), shuf(Mi, y2M)), shuf(H, y2H)));
        if constexpr (!LumaOnly) {
            const intptr_t co = 6 * static_cast<intptr_t>(g);
            const __m128i vb = _mm_or_si128(_mm_or_si128(shuf(L, cbL), shuf(Mi, cbM)), shuf(H, cbH));
            const __m128i vr = _mm_or_si128(_mm_or_si128(shuf(L, crL), shuf(Mi, crM)), shuf(H, crH));
            storel(cb + co, vb);
            store32(cb + co + 8, _mm_srli_si128(vb, 8));
            storel(cr + co, vr);
            store32(cr + co + 8, _mm_srli_si128(vr, 8));
        }
    }
    for (; g < groups; ++g) splitV210_group<LumaOnly>(src, g, y, cb, cr);
    const int pairs = width / 2 - 3 * groups;
    if (pairs > 0) splitV210_partial<LumaOnly>(src, groups, pairs, y, cb, cr);
}

template <bool LumaOnly>
void splitV210_scalar(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    const int groups = width / 6;
    for (int g = 0; g < groups; ++g) splitV210_group<LumaOnly>(src, g, y, cb, cr);
    const int pairs = width / 2 - 3 * groups;
    if (pairs > 0) splitV210_partial<LumaOnly>(src, groups, pairs, y, cb, cr);
}

template <bool LumaOnly>
void joinV210(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr)
{
    const int groups = width / 6;
    int g = 0;
    for (; g + 2 <= groups; g += 2) {
        const uint8_t* ys = y + 12 * static_cast<intptr_t>(g);
        const __m128i ya = loadu(ys);            // Y0..Y5 of group g, Y0 Y1 of group g+1
        const __m128i yb = loadl(ys + 16);       // Y2..Y5 of group g+1
        const __m128i y1 = _mm_alignr_epi8(yb, ya, 12);
        __m128i c0, c1;
        if constexpr (LumaOnly) {
            c0 = c1 = _mm_set1_epi16(kV210Neutral);
        } else {
            const intptr_t co = 6 * static_cast<intptr_t>(g);
            const __m128i b = _mm_unpacklo_epi64(loadl(cb + co), load32(cb + co + 8));
            const __m128i r = _mm_unpacklo_epi64(loadl(cr + co), load32(cr + co + 8));
            c0 = _mm_unpacklo_epi64(b, r);
            c1 = _mm_unpacklo_epi64(_mm_srli_si128(b, 6), _mm_srli_si128(r, 6));
        }
        uint8_t* d = dst + 16 * static_cast<intptr_t>(g);
        storeu(d, packV210_group(ya, c0));
        storeu(d + 16, packV210_group(y1, c1));
    }
    for (; g < groups; ++g) joinV210_group<LumaOnly>(dst, g, y, cb, cr);
    const int pairs = width / 2 - 3 * groups;
    if (pairs > 0) joinV210_partial<LumaOnly>(dst, groups, pairs, y, cb, cr);
}

template <bool LumaOnly>
void joinV210_scalar(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr)
{
    const int groups = width / 6;
    for (int g = 0; g < groups; ++g) joinV210_group<LumaOnly>(dst, g, y, cb, cr);
    const int pairs = width / 2 - 3 * groups;
    if (pairs > 0) joinV210_partial<LumaOnly>(dst, groups, pairs, y, cb, cr);
}

#define HBD_KERNELS_V210(L)                                                                                    \
    template void splitV210<L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                            \
    template void splitV210_scalar<L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                     \
    template void joinV210<L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);                  \
    template void joinV210_scalar<L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
HBD_KERNELS_V210(false)
HBD_KERNELS_V210(true)

} // namespace hbd

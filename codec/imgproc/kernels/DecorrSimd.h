#pragma once
// SSE2 building blocks of the packed-pixel kernels: byte-position separation and interleave of
// 16 four-byte pixels, and the per-algorithm arithmetic on 16 pixels at once. Included only by
// the kernel sources; every function computes exactly what DecorrAlgos.h computes per pixel.

#include "codec/imgproc/kernels/DecorrAlgos.h"

#include <emmintrin.h>

#include <cstdint>

namespace decorr_simd {

// A 32-bit lane holding the 16-bit pair (lo, hi), for PMADDWD.
inline __m128i pair16(int lo, int hi)
{
    return _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(hi) << 16) | (static_cast<uint32_t>(lo) & 0xFFFFu)));
}

// 16 pixels of 4 bytes in v[0..3] -> b[k] = byte k of the 16 pixels. Two rounds of "keep the low
// byte of each 16-bit lane / shift it down, pack", each halving the interleave.
inline void separate4(const __m128i* v, __m128i* b)
{
    const __m128i lo = _mm_set1_epi16(0x00FF);
    const __m128i e01 = _mm_packus_epi16(_mm_and_si128(v[0], lo), _mm_and_si128(v[1], lo)); // bytes 0, 2
    const __m128i o01 = _mm_packus_epi16(_mm_srli_epi16(v[0], 8), _mm_srli_epi16(v[1], 8)); // bytes 1, 3
    const __m128i e23 = _mm_packus_epi16(_mm_and_si128(v[2], lo), _mm_and_si128(v[3], lo));
    const __m128i o23 = _mm_packus_epi16(_mm_srli_epi16(v[2], 8), _mm_srli_epi16(v[3], 8));
    b[0] = _mm_packus_epi16(_mm_and_si128(e01, lo), _mm_and_si128(e23, lo));
    b[2] = _mm_packus_epi16(_mm_srli_epi16(e01, 8), _mm_srli_epi16(e23, 8));
    b[1] = _mm_packus_epi16(_mm_and_si128(o01, lo), _mm_and_si128(o23, lo));
    b[3] = _mm_packus_epi16(_mm_srli_epi16(o01, 8), _mm_srli_epi16(o23, 8));
}

// The inverse: b[k] = byte k of 16 pixels -> v[0..3], the packed pixels in address order.
inline void interleave4(const __m128i* b, __m128i* v)
{
    const __m128i t01lo = _mm_unpacklo_epi8(b[0], b[1]);
    const __m128i t01hi = _mm_unpackhi_epi8(b[0], b[1]);
    const __m128i t23lo = _mm_unpacklo_epi8(b[2], b[3]);
    const __m128i t23hi = _mm_unpackhi_epi8(b[2], b[3]);
    v[0] = _mm_unpacklo_epi16(t01lo, t23lo);
    v[1] = _mm_unpackhi_epi16(t01lo, t23lo);
    v[2] = _mm_unpacklo_epi16(t01hi, t23hi);
    v[3] = _mm_unpackhi_epi16(t01hi, t23hi);
}

// 16 pixels of 3 bytes in s[0..2] -> the same pixels spread to 4 bytes (byte 3 zero), so that
// separate4 can take them apart. Only SSE2: whole-register byte shifts and masks.
inline void expand3to4(const __m128i* s, __m128i* v)
{
    const __m128i x0 = s[0];
    const __m128i x1 = _mm_or_si128(_mm_srli_si128(s[0], 12), _mm_slli_si128(s[1], 4));
    const __m128i x2 = _mm_or_si128(_mm_srli_si128(s[1], 8), _mm_slli_si128(s[2], 8));
    const __m128i x3 = _mm_srli_si128(s[2], 4);
    const __m128i m0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0);
    const __m128i m1 = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0);
    const __m128i m2 = _mm_setr_epi32(0, 0, 0x00FFFFFF, 0);
    const __m128i m3 = _mm_setr_epi32(0, 0, 0, 0x00FFFFFF);
    auto spread = [&](__m128i x) {
        return _mm_or_si128(_mm_or_si128(_mm_and_si128(x, m0), _mm_and_si128(_mm_slli_si128(x, 1), m1)),
                            _mm_or_si128(_mm_and_si128(_mm_slli_si128(x, 2), m2),
                                         _mm_and_si128(_mm_slli_si128(x, 3), m3)));
    };
    v[0] = spread(x0);
    v[1] = spread(x1);
    v[2] = spread(x2);
    v[3] = spread(x3);
}

// 32 pixels of 3 bytes in s[0..5] -> c[2q], c[2q + 1] = byte q of pixels 0..15 and 16..31.
// Five rounds of byte unpacks, each pairing register k with register k + 3: every round is the
// same perfect shuffle of the 96 bytes, and the fifth power of that shuffle sorts them by byte
// position. 15 unpacks per 16 pixels, against some 60 operations of expand3to4 + separate4.
inline void deinterleave3x32(const __m128i* s, __m128i* c)
{
    __m128i a[6] = {s[0], s[1], s[2], s[3], s[4], s[5]};
    for (int round = 0; round < 5; ++round) {
        __m128i b[6];
        for (int k = 0; k < 3; ++k) {
            b[2 * k] = _mm_unpacklo_epi8(a[k], a[k + 3]);
            b[2 * k + 1] = _mm_unpackhi_epi8(a[k], a[k + 3]);
        }
        for (int k = 0; k < 6; ++k) a[k] = b[k];
    }
    for (int k = 0; k < 6; ++k) c[k] = a[k];
}

template <class Algo>
struct Simd;

template <>
struct Simd<DecorrAlgoRGB> {
    static void forward(__m128i r, __m128i g, __m128i b, __m128i* s)
    {
        s[0] = _mm_sub_epi8(b, g);
        s[1] = g;
        s[2] = _mm_sub_epi8(r, g);
    }
    static void inverse(__m128i s0, __m128i s1, __m128i s2, __m128i* c)
    {
        c[0] = _mm_add_epi8(s2, s1);
        c[1] = s1;
        c[2] = _mm_add_epi8(s0, s1);
    }
};

template <>
struct Simd<DecorrAlgoYUV> {
    static void forward(__m128i y, __m128i u, __m128i v, __m128i* s)
    {
        s[0] = y;
        s[1] = u;
        s[2] = v;
    }
    static __m128i forward_luma(__m128i y, __m128i, __m128i) { return y; }
    static void inverse(__m128i s0, __m128i s1, __m128i s2, __m128i* c)
    {
        c[0] = s0;
        c[1] = s1;
        c[2] = s2;
    }
    static void inverse_luma(__m128i s0, __m128i* c)
    {
        c[0] = s0;
        c[1] = _mm_set1_epi8(static_cast<char>(128));
        c[2] = c[1];
    }
};

// RGB <-> YUV with PMADDWD on 16-bit pairs: (R, G) x (kR, kG) + (B, 4096) x (kB, 1) forward, so
// the rounding term rides in a lane of its own. Every coefficient fits a signed 16-bit lane and
// every sum a 32-bit one; the packs saturate exactly where the scalar code clamps.
template <class M>
struct Simd<DecorrAlgoRGBToYUV<M>> {
    // Pairs for 4 pixels each: quarter q covers pixels 4q .. 4q + 3.
    struct Pairs {
        __m128i rg[4];
        __m128i b1[4];
    };

    static Pairs make_pairs(__m128i r, __m128i g, __m128i b)
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i round = _mm_set1_epi16(colormatrix::kRound);
        const __m128i rl = _mm_unpacklo_epi8(r, zero), rh = _mm_unpackhi_epi8(r, zero);
        const __m128i gl = _mm_unpacklo_epi8(g, zero), gh = _mm_unpackhi_epi8(g, zero);
        const __m128i bl = _mm_unpacklo_epi8(b, zero), bh = _mm_unpackhi_epi8(b, zero);
        Pairs p;
        p.rg[0] = _mm_unpacklo_epi16(rl, gl);
        p.rg[1] = _mm_unpackhi_epi16(rl, gl);
        p.rg[2] = _mm_unpacklo_epi16(rh, gh);
        p.rg[3] = _mm_unpackhi_epi16(rh, gh);
        p.b1[0] = _mm_unpacklo_epi16(bl, round);
        p.b1[1] = _mm_unpackhi_epi16(bl, round);
        p.b1[2] = _mm_unpacklo_epi16(bh, round);
        p.b1[3] = _mm_unpackhi_epi16(bh, round);
        return p;
    }

    template <int kR, int kG, int kB, int offset>
    static __m128i row(const Pairs& p)
    {
        const __m128i cRG = pair16(kR, kG);
        const __m128i cB1 = pair16(kB, 1);
        __m128i q[4];
        for (int i = 0; i < 4; ++i)
            q[i] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p.rg[i], cRG), _mm_madd_epi16(p.b1[i], cB1)),
                                  colormatrix::kShift);
        __m128i lo = _mm_packs_epi32(q[0], q[1]);
        __m128i hi = _mm_packs_epi32(q[2], q[3]);
        if constexpr (offset != 0) {
            lo = _mm_add_epi16(lo, _mm_set1_epi16(offset));
            hi = _mm_add_epi16(hi, _mm_set1_epi16(offset));
        }
        return _mm_packus_epi16(lo, hi);
    }

    static void forward(__m128i r, __m128i g, __m128i b, __m128i* s)
    {
        const Pairs p = make_pairs(r, g, b);
        s[0] = row<M::kYR, M::kYG, M::kYB, M::yOffset>(p);
        s[1] = row<M::kUR, M::kUG, M::kUB, colormatrix::kChromaOffset>(p);
        s[2] = row<M::kVR, M::kVG, M::kVB, colormatrix::kChromaOffset>(p);
    }
    static __m128i forward_luma(__m128i r, __m128i g, __m128i b)
    {
        return row<M::kYR, M::kYG, M::kYB, M::yOffset>(make_pairs(r, g, b));
    }

    // Offsets come off before the multiply, in 16-bit lanes.
    static void widen(__m128i x, int offset, __m128i& lo, __m128i& hi)
    {
        const __m128i zero = _mm_setzero_si128();
        lo = _mm_unpacklo_epi8(x, zero);
        hi = _mm_unpackhi_epi8(x, zero);
        if (offset != 0) {
            lo = _mm_sub_epi16(lo, _mm_set1_epi16(static_cast<short>(offset)));
            hi = _mm_sub_epi16(hi, _mm_set1_epi16(static_cast<short>(offset)));
        }
    }

    static __m128i narrow(const __m128i* q)
    {
        return _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3]));
    }

    static void inverse(__m128i s0, __m128i s1, __m128i s2, __m128i* c)
    {
        __m128i y[2], u[2], v[2];
        widen(s0, M::yOffset, y[0], y[1]);
        widen(s1, colormatrix::kChromaOffset, u[0], u[1]);
        widen(s2, colormatrix::kChromaOffset, v[0], v[1]);
        const __m128i round16 = _mm_set1_epi16(colormatrix::kRound);
        const __m128i round32 = _mm_set1_epi32(colormatrix::kRound);
        const __m128i cR = pair16(M::kY, M::kRV);
        const __m128i cG1 = pair16(M::kY, M::kGU);
        const __m128i cG2 = pair16(M::kGV, 1);
        const __m128i cB = pair16(M::kY, M::kBU);
        __m128i R[4], G[4], B[4];
        for (int i = 0; i < 4; ++i) {
            const int h = i >> 1;
            const bool high = i & 1;
            const __m128i yv = high ? _mm_unpackhi_epi16(y[h], v[h]) : _mm_unpacklo_epi16(y[h], v[h]);
            const __m128i yu = high ? _mm_unpackhi_epi16(y[h], u[h]) : _mm_unpacklo_epi16(y[h], u[h]);
            const __m128i v1 = high ? _mm_unpackhi_epi16(v[h], round16) : _mm_unpacklo_epi16(v[h], round16);
            R[i] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yv, cR), round32), colormatrix::kShift);
            G[i] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yu, cG1), _mm_madd_epi16(v1, cG2)),
                                  colormatrix::kShift);
            B[i] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yu, cB), round32), colormatrix::kShift);
        }
        c[0] = narrow(R);
        c[1] = narrow(G);
        c[2] = narrow(B);
    }

    static void inverse_luma(__m128i s0, __m128i* c)
    {
        __m128i y[2];
        widen(s0, M::yOffset, y[0], y[1]);
        const __m128i round16 = _mm_set1_epi16(colormatrix::kRound);
        const __m128i cY = pair16(M::kY, 1);
        __m128i q[4];
        for (int i = 0; i < 4; ++i) {
            const int h = i >> 1;
            const __m128i y1 = (i & 1) ? _mm_unpackhi_epi16(y[h], round16) : _mm_unpacklo_epi16(y[h], round16);
            q[i] = _mm_srai_epi32(_mm_madd_epi16(y1, cY), colormatrix::kShift);
        }
        c[0] = narrow(q);
        c[1] = c[0];
        c[2] = c[0];
    }
};

// Components c[0..3] (C3 may be anything unless NP is 4) -> planes s[0..NP-1].
template <int NP, class Algo>
inline void split_components(const __m128i* c, __m128i* s)
{
    if constexpr (NP == 1) {
        s[0] = Simd<Algo>::forward_luma(c[0], c[1], c[2]);
    } else {
        Simd<Algo>::forward(c[0], c[1], c[2], s);
        if constexpr (NP == 4) s[3] = c[3];
    }
}

// Planes s[0..NP-1] -> components c[0..3]; C3 is plane 3 (NP 4) or 255.
template <int NP, class Algo>
inline void join_components(const __m128i* s, __m128i* c)
{
    if constexpr (NP == 1)
        Simd<Algo>::inverse_luma(s[0], c);
    else
        Simd<Algo>::inverse(s[0], s[1], s[2], c);
    if constexpr (NP == 4)
        c[3] = s[3];
    else
        c[3] = _mm_set1_epi8(static_cast<char>(0xFF));
}

} // namespace decorr_simd

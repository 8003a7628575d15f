#pragma once
// Definitions of the packed-pixel kernels declared in DecorrKernels.h. Included only by the
// source files that instantiate them (DecorrKernels32*.cpp, DecorrKernels24.cpp).

#include "codec/imgproc/kernels/DecorrKernels.h"
#include "codec/imgproc/kernels/DecorrSimd.h"

#include <emmintrin.h>
#include <tmmintrin.h>

#include <cstdint>

namespace decorr_simd {

inline __m128i load(const uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(uint8_t* p, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }
inline void stream(uint8_t* p, __m128i v) { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }

// PSHUFB controls of the 3-byte interleave: output vector k, byte j is slot (16k + j) mod 3 of
// pixel (16k + j) / 3; shuffle[k][q] picks the bytes of slot q and zeroes the others.
struct Interleave3Controls {
    alignas(16) uint8_t ctl[3][3][16];
    constexpr Interleave3Controls() : ctl{}
    {
        for (int k = 0; k < 3; ++k)
            for (int q = 0; q < 3; ++q)
                for (int j = 0; j < 16; ++j) {
                    const int g = 16 * k + j;
                    ctl[k][q][j] = static_cast<uint8_t>(g % 3 == q ? g / 3 : 0x80);
                }
    }
};
inline constexpr Interleave3Controls kInterleave3{};

inline __m128i interleave3_vector(const __m128i* q, int k)
{
    const __m128i* c = reinterpret_cast<const __m128i*>(kInterleave3.ctl[k]);
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(q[0], _mm_load_si128(c + 0)),
                                     _mm_shuffle_epi8(q[1], _mm_load_si128(c + 1))),
                        _mm_shuffle_epi8(q[2], _mm_load_si128(c + 2)));
}

} // namespace decorr_simd

template <int NP, class D>
void decorrsplit32_sse(const uint8_t* src, int count, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    static_assert(D::kBytes == 4 && decorr_valid<NP, D>());
    using namespace decorr_simd;
    if (count < 16) return;
    const int groups = count / 64;
    for (int g = 0; g < groups; ++g, src += 64) {
        const __m128i v[4] = {load(src), load(src + 16), load(src + 32), load(src + 48)};
        __m128i b[4];
        separate4(v, b);
        const __m128i c[4] = {b[D::kPos[0]], b[D::kPos[1]], b[D::kPos[2]], b[D::kPos[3]]};
        __m128i s[4];
        split_components<NP, typename D::Algo>(c, s);
        store(p0 + 16 * g, s[0]);
        if constexpr (NP >= 3) {
            store(p1 + 16 * g, s[1]);
            store(p2 + 16 * g, s[2]);
        }
        if constexpr (NP == 4) store(p3 + 16 * g, s[3]);
    }
}

template <int NP, class D>
void undecorrjoin32_sse(uint8_t* dst, int count, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                        const uint8_t* p3)
{
    static_assert(D::kBytes == 4 && decorr_valid<NP, D>());
    using namespace decorr_simd;
    if (count < 16) return;
    const int groups = count / 64;
    for (int g = 0; g < groups; ++g, dst += 64) {
        __m128i s[4];
        s[0] = load(p0 + 16 * g);
        if constexpr (NP >= 3) {
            s[1] = load(p1 + 16 * g);
            s[2] = load(p2 + 16 * g);
        }
        if constexpr (NP == 4) s[3] = load(p3 + 16 * g);
        __m128i c[4];
        join_components<NP, typename D::Algo>(s, c);
        __m128i b[4];
        for (int k = 0; k < 4; ++k) b[D::kPos[k]] = c[k];
        __m128i v[4];
        interleave4(b, v);
        stream(dst, v[0]);
        stream(dst + 16, v[1]);
        stream(dst + 32, v[2]);
        stream(dst + 48, v[3]);
    }
}

template <int NP, class D>
void decorrsplit24_sse(const uint8_t* src, int count, uint8_t* p0, uint8_t* p1, uint8_t* p2)
{
    static_assert(D::kBytes == 3 && decorr_valid<NP, D>());
    using namespace decorr_simd;
    if (count < 16) return;
    const int groups = count / 48;
    int g = 0;
    // Pairs of groups first: the 32-pixel de-interleave is much cheaper per pixel.
    for (; g + 2 <= groups; g += 2, src += 96) {
        const __m128i s6[6] = {load(src), load(src + 16), load(src + 32), load(src + 48), load(src + 64), load(src + 80)};
        __m128i b[6];
        deinterleave3x32(s6, b);
        for (int half = 0; half < 2; ++half) {
            const __m128i c[4] = {b[2 * D::kPos[0] + half], b[2 * D::kPos[1] + half], b[2 * D::kPos[2] + half],
                                  _mm_setzero_si128()};
            __m128i s[4];
            split_components<NP, typename D::Algo>(c, s);
            const int o = 16 * (g + half);
            store(p0 + o, s[0]);
            if constexpr (NP >= 3) {
                store(p1 + o, s[1]);
                store(p2 + o, s[2]);
            }
        }
    }
    for (; g < groups; ++g, src += 48) {
        const __m128i s3[3] = {load(src), load(src + 16), load(src + 32)};
        __m128i v[4];
        expand3to4(s3, v);
        __m128i b[4];
        separate4(v, b);
        const __m128i c[4] = {b[D::kPos[0]], b[D::kPos[1]], b[D::kPos[2]], b[3]};
        __m128i s[4];
        split_components<NP, typename D::Algo>(c, s);
        store(p0 + 16 * g, s[0]);
        if constexpr (NP >= 3) {
            store(p1 + 16 * g, s[1]);
            store(p2 + 16 * g, s[2]);
        }
    }
}

template <int NP, class D>
void undecorrjoin24_sse(uint8_t* dst, int count, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    static_assert(D::kBytes == 3 && decorr_valid<NP, D>());
    using namespace decorr_simd;
    if (count < 16) return;
    const int groups = count / 48;
    for (int g = 0; g < groups; ++g, dst += 48) {
        __m128i s[4];
        s[0] = load(p0 + 16 * g);
        if constexpr (NP >= 3) {
            s[1] = load(p1 + 16 * g);
            s[2] = load(p2 + 16 * g);
        }
        __m128i c[4];
        join_components<NP, typename D::Algo>(s, c);
        __m128i q[3];
        for (int k = 0; k < 3; ++k) q[D::kPos[k]] = c[k];
        stream(dst, interleave3_vector(q, 0));
        stream(dst + 16, interleave3_vector(q, 1));
        stream(dst + 32, interleave3_vector(q, 2));
    }
}

#pragma once
// Packed-pixel descriptors and the per-pixel arithmetic of every split and join path.
//
// A descriptor names where the components C0, C1, C2 (and C3) sit inside one packed pixel and
// which algorithm turns them into planes:
//   DecorrAlgoRGB        C = R, G, B, A    planes B-G, G, R-G, A (mod 256), lossless
//   DecorrAlgoYUV        C = Y, U, V, A    planes Y, U, V, A, a plain de-interleave
//   DecorrAlgoRGBToYUV<M> C = R, G, B, A   planes Y, U, V, A by the matrix M, lossy
// The positions are those of the components, not "what is at byte 0": Decorr3<2, 1, 0, RGB> is a
// pixel whose bytes are B, G, R.
//
// The scalar functions here are the one definition of the arithmetic. The SIMD kernels compute
// the same bytes and are tested against these functions; the frontends use them for the pixels
// before and after a kernel's whole groups.

#include "codec/imgproc/kernels/ColorMatrix.h"

#include <cstdint>

struct DecorrAlgoRGB {
    static constexpr bool kLossless = true;
    static constexpr bool kHasLumaOnly = false;

    // s[0..2] <- planes 0..2 of the components c0..c2 (R, G, B).
    static void forward(int c0, int c1, int c2, uint8_t* s)
    {
        s[0] = static_cast<uint8_t>(c2 - c1);
        s[1] = static_cast<uint8_t>(c1);
        s[2] = static_cast<uint8_t>(c0 - c1);
    }
    // c[0..2] <- components of planes s0..s2.
    static void inverse(int s0, int s1, int s2, uint8_t* c)
    {
        c[0] = static_cast<uint8_t>(s2 + s1);
        c[1] = static_cast<uint8_t>(s1);
        c[2] = static_cast<uint8_t>(s0 + s1);
    }
};

struct DecorrAlgoYUV {
    static constexpr bool kLossless = true;
    static constexpr bool kHasLumaOnly = true;

    static void forward(int c0, int c1, int c2, uint8_t* s)
    {
        s[0] = static_cast<uint8_t>(c0);
        s[1] = static_cast<uint8_t>(c1);
        s[2] = static_cast<uint8_t>(c2);
    }
    static uint8_t forward_luma(int c0, int, int) { return static_cast<uint8_t>(c0); }
    static void inverse(int s0, int s1, int s2, uint8_t* c)
    {
        c[0] = static_cast<uint8_t>(s0);
        c[1] = static_cast<uint8_t>(s1);
        c[2] = static_cast<uint8_t>(s2);
    }
    // A luma-only join writes neutral chroma.
    static void inverse_luma(int s0, uint8_t* c)
    {
        c[0] = static_cast<uint8_t>(s0);
        c[1] = 128;
        c[2] = 128;
    }
};

template <class M>
struct DecorrAlgoRGBToYUV {
    using Matrix = M;
    static constexpr bool kLossless = false;
    static constexpr bool kHasLumaOnly = true;

    static void forward(int r, int g, int b, uint8_t* s)
    {
        s[0] = colormatrix::rgb_to_y<M>(r, g, b);
        s[1] = colormatrix::rgb_to_u<M>(r, g, b);
        s[2] = colormatrix::rgb_to_v<M>(r, g, b);
    }
    static uint8_t forward_luma(int r, int g, int b) { return colormatrix::rgb_to_y<M>(r, g, b); }
    static void inverse(int s0, int s1, int s2, uint8_t* c) { colormatrix::yuv_to_rgb<M>(s0, s1, s2, c); }
    static void inverse_luma(int s0, uint8_t* c)
    {
        const uint8_t grey = colormatrix::y_to_grey<M>(s0);
        c[0] = grey;
        c[1] = grey;
        c[2] = grey;
    }
};

// A 4-byte pixel: components C0..C3 at byte positions A, B, C, D.
template <unsigned A, unsigned B, unsigned C, unsigned D, class Algo_>
struct Decorr4 {
    static_assert(A < 4 && B < 4 && C < 4 && D < 4 && A != B && A != C && A != D && B != C && B != D && C != D,
                  "positions must be a permutation of 0..3");
    using Algo = Algo_;
    static constexpr int kBytes = 4;
    static constexpr unsigned kPos[4] = {A, B, C, D};
};

// A 3-byte pixel: components C0..C2 at byte positions A, B, C.
template <unsigned A, unsigned B, unsigned C, class Algo_>
struct Decorr3 {
    static_assert(A < 3 && B < 3 && C < 3 && A != B && A != C && B != C, "positions must be a permutation of 0..2");
    using Algo = Algo_;
    static constexpr int kBytes = 3;
    static constexpr unsigned kPos[4] = {A, B, C, 3};
};

// Plane counts a descriptor supports: 4 keeps C3 (4-byte pixels only), 3 drops it, 1 keeps luma.
template <int NP, class D>
constexpr bool decorr_valid()
{
    if (NP == 4) return D::kBytes == 4;
    if (NP == 3) return true;
    if (NP == 1) return D::Algo::kHasLumaOnly;
    return false;
}

// Scalar split of n pixels starting at src into planes p0..p3 (pixel i -> sample i). Planes from
// NP on are never touched and may be null.
template <int NP, class D>
inline void decorrsplit_scalar(const uint8_t* src, int n, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    static_assert(decorr_valid<NP, D>());
    using Algo = typename D::Algo;
    constexpr unsigned a = D::kPos[0], b = D::kPos[1], c = D::kPos[2], d = D::kPos[3];
    for (int i = 0; i < n; ++i, src += D::kBytes) {
        if constexpr (NP == 1) {
            p0[i] = Algo::forward_luma(src[a], src[b], src[c]);
        } else {
            uint8_t s[3];
            Algo::forward(src[a], src[b], src[c], s);
            p0[i] = s[0];
            p1[i] = s[1];
            p2[i] = s[2];
            if constexpr (NP == 4) p3[i] = src[d];
        }
    }
}

// Scalar join of n pixels: every byte of every pixel is written. The fourth byte of a 4-byte
// pixel gets plane 3 (NP 4) or 255 (NP 3 and 1).
template <int NP, class D>
inline void undecorrjoin_scalar(uint8_t* dst, int n, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                                const uint8_t* p3)
{
    static_assert(decorr_valid<NP, D>());
    using Algo = typename D::Algo;
    constexpr unsigned a = D::kPos[0], b = D::kPos[1], c = D::kPos[2], d = D::kPos[3];
    for (int i = 0; i < n; ++i, dst += D::kBytes) {
        uint8_t comp[3];
        if constexpr (NP == 1)
            Algo::inverse_luma(p0[i], comp);
        else
            Algo::inverse(p0[i], p1[i], p2[i], comp);
        dst[a] = comp[0];
        dst[b] = comp[1];
        dst[c] = comp[2];
        if constexpr (NP == 4)
            dst[d] = p3[i];
        else if constexpr (D::kBytes == 4)
            dst[d] = 255;
    }
}

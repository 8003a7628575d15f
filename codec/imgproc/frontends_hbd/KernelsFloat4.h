#pragma once
// Row kernels of the float layouts BGRA_32F / BGRX_32F: 16-byte pixels of little-endian floats
// B, G, R, A on a nominal 0..1 scale <-> planes B-G, G, R-G (and A) of Bits-bit integers.
// Quantising clamps with min(1, x) first and max(c, 0) second, so NaN becomes 0, and multiplies in
// single precision with a truncating conversion. These rules must hold without -ffast-math, and
// the SSE min/max operand order below is what gives NaN -> 0.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

#include <bit>

namespace hbd {

template <int Bits>
struct FloatScale;
template <>
struct FloatScale<10> {
    static constexpr float quant = 1023.0f;
    static constexpr uint32_t dequantBits = 0x3A802008u; // nearest float to 1/1023
};
template <>
struct FloatScale<12> {
    static constexpr float quant = 4095.0f;
    static constexpr uint32_t dequantBits = 0x39800801u; // nearest float to 1/4095
};
template <>
struct FloatScale<14> {
    static constexpr float quant = 16383.0f;
    static constexpr uint32_t dequantBits = 0x38800200u; // nearest float to 1/16383
};

inline constexpr uint32_t kFloatOneBits = 0x3F800000u; // X of BGRX_32F

template <int Bits>
inline uint32_t quantise_float(float x)
{
    float c = (1.0f < x) ? 1.0f : x; // NaN stays NaN here ...
    c = (c > 0.0f) ? c : 0.0f;       // ... and becomes 0 here
    return static_cast<uint32_t>(static_cast<int>(c * FloatScale<Bits>::quant));
}

template <int Bits>
inline float dequantise_float(uint32_t q)
{
    return static_cast<float>(static_cast<int>(q)) * std::bit_cast<float>(FloatScale<Bits>::dequantBits);
}

template <int Channels, int Bits>
inline void splitFloat4_pixel(const uint8_t* src, int x, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    constexpr uint32_t M = (1u << Bits) - 1;
    const uint8_t* px = src + 16 * static_cast<intptr_t>(x);
    const auto q = [&](int k) { return quantise_float<Bits>(std::bit_cast<float>(ld32(px + 4 * k))); };
    const uint32_t g = q(1);
    st16i(p0, x, (q(0) - g) & M);
    st16i(p1, x, g);
    st16i(p2, x, (q(2) - g) & M);
    if constexpr (Channels == 4) st16i(p3, x, q(3));
}

template <int Channels, int Bits>
inline void joinFloat4_pixel(uint8_t* dst, int x, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                             const uint8_t* p3)
{
    constexpr uint32_t M = (1u << Bits) - 1;
    uint8_t* px = dst + 16 * static_cast<intptr_t>(x);
    const uint32_t g = ld16i(p1, x);
    st32(px, std::bit_cast<uint32_t>(dequantise_float<Bits>((ld16i(p0, x) + g) & M)));
    st32(px + 4, std::bit_cast<uint32_t>(dequantise_float<Bits>(g)));
    st32(px + 8, std::bit_cast<uint32_t>(dequantise_float<Bits>((ld16i(p2, x) + g) & M)));
    st32(px + 12, Channels == 4 ? std::bit_cast<uint32_t>(dequantise_float<Bits>(ld16i(p3, x))) : kFloatOneBits);
}

template <int Channels, int Bits>
void splitFloat4(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3);
template <int Channels, int Bits>
void splitFloat4_scalar(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3);
template <int Channels, int Bits>
void joinFloat4(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3);
template <int Channels, int Bits>
void joinFloat4_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                       const uint8_t* p3);

} // namespace hbd

#pragma once
// Row kernels of the 48-bit RGB layouts: layout 10 B48R (big-endian R, G, B), 11 RGB48
// (little-endian R, G, B), 12 BGR48 (little-endian B, G, R) <-> planes B-G, G, R-G at Out bits.
// Depth is reduced by a truncating shift and restored by bit replication.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

template <int Out>
inline uint16_t widen48(uint32_t sample)
{
    const uint16_t s = static_cast<uint16_t>(sample);
    return static_cast<uint16_t>((s << (16 - Out)) | (s >> (2 * Out - 16)));
}

template <int Layout>
inline uint32_t ld48_word(const uint8_t* p)
{
    return Layout == 10 ? bswap16(ld16(p)) : ld16(p);
}

template <int Layout>
inline void st48_word(uint8_t* p, uint32_t v)
{
    st16(p, Layout == 10 ? bswap16(v) : v);
}

template <int Out, int Layout>
inline void split48_pixel(const uint8_t* src, int x, uint8_t* p0, uint8_t* p1, uint8_t* p2)
{
    constexpr int s = 16 - Out;
    constexpr uint32_t M = (1u << Out) - 1;
    const uint8_t* px = src + 6 * static_cast<intptr_t>(x);
    const uint32_t c0 = ld48_word<Layout>(px) >> s, g = ld48_word<Layout>(px + 2) >> s,
                   c2 = ld48_word<Layout>(px + 4) >> s;
    const uint32_t r = Layout == 12 ? c2 : c0, b = Layout == 12 ? c0 : c2;
    st16i(p0, x, (b - g) & M);
    st16i(p1, x, g);
    st16i(p2, x, (r - g) & M);
}

template <int Out, int Layout>
inline void join48_pixel(uint8_t* dst, int x, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    constexpr uint32_t M = (1u << Out) - 1;
    const uint32_t g = ld16i(p1, x);
    const uint32_t b = (ld16i(p0, x) + g) & M, r = (ld16i(p2, x) + g) & M;
    uint8_t* px = dst + 6 * static_cast<intptr_t>(x);
    st48_word<Layout>(px, widen48<Out>(Layout == 12 ? b : r));
    st48_word<Layout>(px + 2, widen48<Out>(g));
    st48_word<Layout>(px + 4, widen48<Out>(Layout == 12 ? r : b));
}

// One pixel at a time.
template <int Out, int Layout>
void split48(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2);
// Eight pixels (48 bytes) per step, then single pixels.
template <int Out, int Layout>
void join48(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2);
template <int Out, int Layout>
void join48_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2);

} // namespace hbd

#pragma once
// Row kernels of the packed 10-bit RGB words R210, R10K (big-endian) and R210_LE, R10K_LE:
// B at bit p, G at p + 10, R at p + 20 with p = 0 (R210) or 2 (R10K); the spare bits are ignored
// on read and written 0. Planes: B-G, G, R-G modulo 1024.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

template <bool IsR10K, bool IsLE>
inline void splitR210_pixel(const uint8_t* src, int x, uint8_t* p0, uint8_t* p1, uint8_t* p2)
{
    constexpr int p = IsR10K ? 2 : 0;
    uint32_t w = ld32(src + 4 * static_cast<intptr_t>(x));
    if constexpr (!IsLE) w = __builtin_bswap32(w);
    const uint32_t b = (w >> p) & 1023, g = (w >> (p + 10)) & 1023, r = (w >> (p + 20)) & 1023;
    st16i(p0, x, (b - g) & 1023);
    st16i(p1, x, g);
    st16i(p2, x, (r - g) & 1023);
}

template <bool IsR10K, bool IsLE>
inline void joinR210_pixel(uint8_t* dst, int x, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    constexpr int p = IsR10K ? 2 : 0;
    const uint32_t g = ld16i(p1, x);
    const uint32_t b = (ld16i(p0, x) + g) & 1023, r = (ld16i(p2, x) + g) & 1023;
    uint32_t w = r << (p + 20) | g << (p + 10) | b << p;
    if constexpr (!IsLE) w = __builtin_bswap32(w);
    st32(dst + 4 * static_cast<intptr_t>(x), w);
}

template <bool IsR10K, bool IsLE>
void splitR210(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2);
template <bool IsR10K, bool IsLE>
void splitR210_scalar(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2);
template <bool IsR10K, bool IsLE>
void joinR210(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2);
template <bool IsR10K, bool IsLE>
void joinR210_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2);

} // namespace hbd

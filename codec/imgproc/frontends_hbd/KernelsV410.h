#pragma once
// Row kernels of V410: one little-endian word per pixel, Cb in bits 2-11, Y in 12-21, Cr in
// 22-31, bits 0-1 unused (ignored on read, written 0). Luma-only rows carry Cb = Cr = 512.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

inline constexpr uint32_t kV410NeutralChroma = 0x80000800u; // Cb = Cr = 512

template <bool LumaOnly>
inline void splitV410_pixel(const uint8_t* src, int x, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    const uint32_t w = ld32(src + 4 * static_cast<intptr_t>(x));
    st16i(y, x, (w >> 12) & 1023);
    if constexpr (!LumaOnly) {
        st16i(cb, x, (w >> 2) & 1023);
        st16i(cr, x, w >> 22);
    }
}

template <bool LumaOnly>
inline void joinV410_pixel(uint8_t* dst, int x, const uint8_t* y, const uint8_t* cb, const uint8_t* cr)
{
    const uint32_t yy = ld16i(y, x);
    const uint32_t w = LumaOnly ? (yy << 12) | kV410NeutralChroma
                                : (uint32_t(ld16i(cr, x)) << 22) | (yy << 12) | (uint32_t(ld16i(cb, x)) << 2);
    st32(dst + 4 * static_cast<intptr_t>(x), w);
}

// cb and cr are not touched by the luma-only forms and may be null.
template <bool LumaOnly>
void splitV410(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr);
template <bool LumaOnly>
void splitV410_scalar(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr);
template <bool LumaOnly>
void joinV410(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr);
template <bool LumaOnly>
void joinV410_scalar(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr);

} // namespace hbd

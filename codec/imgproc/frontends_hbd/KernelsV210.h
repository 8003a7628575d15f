#pragma once
// Row kernels of V210: six 4:2:2 pixels in four little-endian words, three 10-bit fields per word
// (bits 0-9, 10-19, 20-29; bits 30-31 ignored on read, written 0):
//   w0 = Cb0 | Y0 << 10 | Cr0 << 20      w1 = Y1 | Cb1 << 10 | Y2 << 20
//   w2 = Cr1 | Y3 << 10 | Cb2 << 20      w3 = Y4 | Cr2 << 10 | Y5 << 20
// A row of even width w ends with P = w/2 - 3*(w/6) pixel pairs in a partial group: P = 1 uses
// words 0-1 of the group, P = 2 words 0-2 (the last with bits 20-29 zero). Nothing after the last
// written word is read or written. Luma-only rows carry Cb = Cr = 512.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

inline constexpr uint32_t kV210Neutral = 512;

// Group g of a row: Y[6g..6g+5], Cb[3g..3g+2], Cr[3g..3g+2].
template <bool LumaOnly>
inline void splitV210_group(const uint8_t* src, int g, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    const uint8_t* s = src + 16 * static_cast<intptr_t>(g);
    const uint32_t w0 = ld32(s), w1 = ld32(s + 4), w2 = ld32(s + 8), w3 = ld32(s + 12);
    const int yi = 6 * g, ci = 3 * g;
    st16i(y, yi + 0, (w0 >> 10) & 1023);
    st16i(y, yi + 1, w1 & 1023);
    st16i(y, yi + 2, (w1 >> 20) & 1023);
    st16i(y, yi + 3, (w2 >> 10) & 1023);
    st16i(y, yi + 4, w3 & 1023);
    st16i(y, yi + 5, (w3 >> 20) & 1023);
    if constexpr (!LumaOnly) {
        st16i(cb, ci + 0, w0 & 1023);
        st16i(cb, ci + 1, (w1 >> 10) & 1023);
        st16i(cb, ci + 2, (w2 >> 20) & 1023);
        st16i(cr, ci + 0, (w0 >> 20) & 1023);
        st16i(cr, ci + 1, w2 & 1023);
        st16i(cr, ci + 2, (w3 >> 10) & 1023);
    }
}

template <bool LumaOnly>
inline void joinV210_group(uint8_t* dst, int g, const uint8_t* y, const uint8_t* cb, const uint8_t* cr)
{
    const int yi = 6 * g, ci = 3 * g;
    const auto c = [](const uint8_t* p, int i) -> uint32_t { return LumaOnly ? kV210Neutral : ld16i(p, i); };
    uint8_t* d = dst + 16 * static_cast<intptr_t>(g);
    st32(d, c(cb, ci) | uint32_t(ld16i(y, yi)) << 10 | c(cr, ci) << 20);
    st32(d + 4, ld16i(y, yi + 1) | c(cb, ci + 1) << 10 | uint32_t(ld16i(y, yi + 2)) << 20);
    st32(d + 8, c(cr, ci + 1) | uint32_t(ld16i(y, yi + 3)) << 10 | c(cb, ci + 2) << 20);
    st32(d + 12, ld16i(y, yi + 4) | c(cr, ci + 2) << 10 | uint32_t(ld16i(y, yi + 5)) << 20);
}

// The pixel pairs after the whole groups (pairs = 1 or 2), group index g.
template <bool LumaOnly>
inline void splitV210_partial(const uint8_t* src, int g, int pairs, uint8_t* y, uint8_t* cb, uint8_t* cr)
{
    const uint8_t* s = src + 16 * static_cast<intptr_t>(g);
    const int yi = 6 * g, ci = 3 * g;
    const uint32_t w0 = ld32(s), w1 = ld32(s + 4);
    st16i(y, yi, (w0 >> 10) & 1023);
    st16i(y, yi + 1, w1 & 1023);
    if constexpr (!LumaOnly) {
        st16i(cb, ci, w0 & 1023);
        st16i(cr, ci, (w0 >> 20) & 1023);
    }
    if (pairs < 2) return;
    const uint32_t w2 = ld32(s + 8);
    st16i(y, yi + 2, (w1 >> 20) & 1023);
    st16i(y, yi + 3, (w2 >> 10) & 1023);
    if constexpr (!LumaOnly) {
        st16i(cb, ci + 1, (w1 >> 10) & 1023);
        st16i(cr, ci + 1, w2 & 1023);
    }
}

template <bool LumaOnly>
inline void joinV210_partial(uint8_t* dst, int g, int pairs, const uint8_t* y, const uint8_t* cb,
                             const uint8_t* cr)
{
    const int yi = 6 * g, ci = 3 * g;
    const auto c = [](const uint8_t* p, int i) -> uint32_t { return LumaOnly ? kV210Neutral : ld16i(p, i); };
    uint8_t* d = dst + 16 * static_cast<intptr_t>(g);
    st32(d, c(cb, ci) | uint32_t(ld16i(y, yi)) << 10 | c(cr, ci) << 20);
    if (pairs < 2) {
        st32(d + 4, ld16i(y, yi + 1));
        return;
    }
    st32(d + 4, ld16i(y, yi + 1) | c(cb, ci + 1) << 10 | uint32_t(ld16i(y, yi + 2)) << 20);
    st32(d + 8, c(cr, ci + 1) | uint32_t(ld16i(y, yi + 3)) << 10);
}

// width is even; cb and cr are not touched by the luma-only forms and may be null.
template <bool LumaOnly>
void splitV210(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr);
template <bool LumaOnly>
void splitV210_scalar(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr);
template <bool LumaOnly>
void joinV210(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr);
template <bool LumaOnly>
void joinV210_scalar(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr);

} // namespace hbd

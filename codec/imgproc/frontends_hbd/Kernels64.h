#pragma once
// Row kernels of the 64-bit RGB(A) layouts: 8-byte pixels of four 16-bit fields <-> planes
// B-G, G, R-G (and A) of Bits-bit samples. Order 1 is big-endian A,R,G,B; order 2 little-endian
// R,G,B,A; order 3 little-endian B,G,R,A. HostRange selects the 0..32768 sample range.
// Each SIMD kernel has a plain scalar twin built from the same per-pixel functions below.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

// 16-bit channel -> Bits bits. The host range tops out at 32768; brighter values (which the host
// can produce with effects) are clamped so that no plane sample can leave 0 .. 2^Bits - 1.
template <int Bits, bool HostRange>
inline uint32_t narrow64(uint32_t x)
{
    if constexpr (HostRange) {
        x = x > 32768u ? 32768u : x;
        return (x >> (15 - Bits)) - (x >> 15);
    } else {
        return x >> (16 - Bits);
    }
}

// Bits bits -> 16-bit channel by bit replication; the host range maps 2^Bits - 1 to exactly 32768.
// Computed in 16-bit arithmetic, as the SIMD kernel does.
template <int Bits, bool HostRange>
inline uint16_t widen64(uint32_t sample)
{
    const uint16_t s = static_cast<uint16_t>(sample);
    if constexpr (HostRange) {
        const uint16_t rep = static_cast<uint16_t>((s << (15 - Bits)) | (s >> (2 * Bits - 15)));
        return static_cast<uint16_t>(rep + (static_cast<uint16_t>(s + 1) >> Bits));
    } else {
        return static_cast<uint16_t>((s << (16 - Bits)) | (s >> (2 * Bits - 16)));
    }
}

template <int Order>
inline void load64_pixel(const uint8_t* px, uint32_t& b, uint32_t& g, uint32_t& r, uint32_t& a)
{
    if constexpr (Order == 1) {
        a = bswap16(ld16(px)), r = bswap16(ld16(px + 2)), g = bswap16(ld16(px + 4)), b = bswap16(ld16(px + 6));
    } else if constexpr (Order == 2) {
        r = ld16(px), g = ld16(px + 2), b = ld16(px + 4), a = ld16(px + 6);
    } else {
        b = ld16(px), g = ld16(px + 2), r = ld16(px + 4), a = ld16(px + 6);
    }
}

template <int Order>
inline void store64_pixel(uint8_t* px, uint32_t b, uint32_t g, uint32_t r, uint32_t a)
{
    if constexpr (Order == 1) {
        st16(px, bswap16(a)), st16(px + 2, bswap16(r)), st16(px + 4, bswap16(g)), st16(px + 6, bswap16(b));
    } else if constexpr (Order == 2) {
        st16(px, r), st16(px + 2, g), st16(px + 4, b), st16(px + 6, a);
    } else {
        st16(px, b), st16(px + 2, g), st16(px + 4, r), st16(px + 6, a);
    }
}

template <int Channels, int Bits, int Order, bool HostRange>
inline void split64_pixel(const uint8_t* src, int x, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    constexpr uint32_t M = (1u << Bits) - 1;
    uint32_t b, g, r, a;
    load64_pixel<Order>(src + 8 * static_cast<intptr_t>(x), b, g, r, a);
    g = narrow64<Bits, HostRange>(g);
    st16i(p0, x, (narrow64<Bits, HostRange>(b) - g) & M);
    st16i(p1, x, g);
    st16i(p2, x, (narrow64<Bits, HostRange>(r) - g) & M);
    if constexpr (Channels == 4) st16i(p3, x, narrow64<Bits, HostRange>(a));
}

// The fourth field written by the 3-channel layouts: full intensity of the range.
template <bool HostRange>
inline constexpr uint16_t opaque64 = HostRange ? 0x8000 : 0xFFFF;

template <int Channels, int Bits, int Order, bool HostRange>
inline void join64_pixel(uint8_t* dst, int x, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                         const uint8_t* p3)
{
    constexpr uint32_t M = (1u << Bits) - 1;
    const uint32_t g = ld16i(p1, x);
    const uint32_t b = (ld16i(p0, x) + g) & M;
    const uint32_t r = (ld16i(p2, x) + g) & M;
    const uint32_t a = Channels == 4 ? widen64<Bits, HostRange>(ld16i(p3, x)) : opaque64<HostRange>;
    store64_pixel<Order>(dst + 8 * static_cast<intptr_t>(x), widen64<Bits, HostRange>(b),
                         widen64<Bits, HostRange>(g), widen64<Bits, HostRange>(r), a);
}

// One row: width pixels from src into the rows p0..p3 (p3 only with 4 channels).
template <int Channels, int Bits, int Order, bool HostRange>
void split64(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3);
template <int Channels, int Bits, int Order, bool HostRange>
void split64_scalar(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3);

// One row back: streaming stores when dst is 16-byte aligned, followed by a store fence.
template <int Channels, int Bits, int Order, bool HostRange>
void join64(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3);
template <int Channels, int Bits, int Order, bool HostRange>
void join64_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                   const uint8_t* p3);

} // namespace hbd

#pragma once
// Split layouts and row cutting shared by the packed 8-bit frontends.
//
// The layouts place split plane k 256 * k bytes past a 1024-byte boundary (so planes walked in
// lock step neither alias in 4K pages nor share cache sets), less a head offset, with strides
// chosen so that on every row the split planes and the caller's packed row reach 16-byte
// alignment (64 bytes of packed row for YUY2/UYVY) at the same pixel. One scalar head per row
// then brings every pointer of the kernel call to alignment at once.
//
// Addresses are computed as integers: slots that the bound backend does not use may lie past
// the work buffer and are never dereferenced.

#include "codec/imgproc/ImgTypes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace packed8 {

// 4-byte pixels: four slots, stride S with 4 S = P (mod 64), or -P under flip.
void layout32(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst, bool flip);
// 3-byte pixels: three slots, 3 S = P (mod 16), or -P under flip; slot 3 null.
void layout24(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst, bool flip);
// YUY2/UYVY: Y at full width, U and V at half width; slot 3 null. No flip.
void layout422(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst);

inline uintptr_t align1024(uintptr_t x) { return (x + 1023) & ~uintptr_t(1023); }

// Row r of a plane, or null for a plane that is absent.
inline uint8_t* row_of(const ImgPlane& p, int r)
{
    return p.ptr ? p.ptr + static_cast<ptrdiff_t>(r) * p.stride : nullptr;
}

inline uint8_t* offset_or_null(uint8_t* p, ptrdiff_t off) { return p ? p + off : nullptr; }

inline bool aligned16(uintptr_t bits) { return (bits & 15) == 0; }

// How one row of `width` pixels is cut: `head` scalar pixels, `groups` kernel groups of 16,
// then the scalar tail. The head runs to the 16-byte boundary of plane row 0; a row with fewer
// than 16 pixels left after the head is scalar throughout.
struct RowCut {
    int head;
    int groups;
};

inline RowCut cut_row16(const uint8_t* plane0, int width)
{
    const int toBoundary = plane0 ? static_cast<int>((0 - reinterpret_cast<uintptr_t>(plane0)) & 15) : 0;
    const int head = std::min(toBoundary, width);
    const int rest = width - head;
    if (rest < 16) return {width, 0};
    return {head, rest / 16};
}

} // namespace packed8

#pragma once
// The row loops of the YUY2/UYVY frontends. Each row is cut on the packed row: a scalar head up
// to its 64-byte boundary, one kernel call over the whole 64-byte groups, a scalar tail. The
// kernel comes in as an argument, which lets a test see how much of each row reaches it.

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/frontends8/PackedLayout.h"
#include "codec/imgproc/kernels/Yuy2Uyvy.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>

namespace packed8 {

// The cut of one packed row of n bytes, in bytes: head to the 64-byte boundary, whole 64-byte
// groups, tail. Parts are whole 4-byte blocks; a row whose kernel pointers would not be aligned
// (rows not laid out by layout422) is done by the scalar code. Only the planes the kernel uses
// count: the luma-only kernels never touch u and v, which are null there.
struct Cut422 {
    int head, body;
};

template <bool lumaOnly>
Cut422 cut_row422(const uint8_t* packed, const uint8_t* y, const uint8_t* u, const uint8_t* v, int n)
{
    const int toBoundary = static_cast<int>((0 - reinterpret_cast<uintptr_t>(packed)) & 63);
    const int head = std::min(toBoundary, n);
    const int rest = n - head;
    if (rest < 64 || (head & 3) != 0) return {n, 0};
    uintptr_t bits = reinterpret_cast<uintptr_t>(y + head / 2);
    if constexpr (!lumaOnly)
        bits |= reinterpret_cast<uintptr_t>(u + head / 4) | reinterpret_cast<uintptr_t>(v + head / 4);
    if (!aligned16(bits)) return {n, 0};
    return {head, rest / 64 * 64};
}

// The engine admits even widths only; with an odd width the last pixel, which has no block of
// its own, is left alone rather than read or written past the row.
// Kernel: void(const uint8_t* src, int count, uint8_t* y, uint8_t* u, uint8_t* v).
template <bool uyvy, bool lumaOnly, class Kernel>
void split422_rows(const ImgFrame& packed, int width, int rows, const ImgFrame& planes, Kernel kernel)
{
    if (width <= 0) return;
    const int n = width / 2 * 4;
    for (int r = 0; r < rows; ++r) {
        const uint8_t* src = row_of(packed[0], r);
        uint8_t* y = row_of(planes[0], r);
        uint8_t* u = lumaOnly ? nullptr : row_of(planes[1], r);
        uint8_t* v = lumaOnly ? nullptr : row_of(planes[2], r);
        const Cut422 cut = cut_row422<lumaOnly>(src, y, u, v, n);
        auto at = [](uint8_t* p, int i) { return offset_or_null(p, i); };
        split_yuy2_uyvy_scalar<uyvy, lumaOnly>(src, cut.head / 4, y, u, v);
        const int h = cut.head, t = cut.head + cut.body;
        kernel(src + h, cut.body, y + h / 2, at(u, h / 4), at(v, h / 4));
        split_yuy2_uyvy_scalar<uyvy, lumaOnly>(src + t, (n - t) / 4, y + t / 2, at(u, t / 4), at(v, t / 4));
    }
}

// Kernel: void(uint8_t* dst, int count, const uint8_t* y, const uint8_t* u, const uint8_t* v).
template <bool uyvy, bool lumaOnly, class Kernel>
void join422_rows(const ImgFrame& packed, int width, int rows, const ImgFrame& planes, Kernel kernel)
{
    if (width <= 0) return;
    const int n = width / 2 * 4;
    for (int r = 0; r < rows; ++r) {
        uint8_t* dst = row_of(packed[0], r);
        const uint8_t* y = row_of(planes[0], r);
        const uint8_t* u = lumaOnly ? nullptr : row_of(planes[1], r);
        const uint8_t* v = lumaOnly ? nullptr : row_of(planes[2], r);
        const Cut422 cut = cut_row422<lumaOnly>(dst, y, u, v, n);
        auto at = [](const uint8_t* p, int i) { return p ? p + i : nullptr; };
        join_yuy2_uyvy_scalar<uyvy, lumaOnly>(dst, cut.head / 4, y, u, v);
        const int h = cut.head, t = cut.head + cut.body;
        kernel(dst + h, cut.body, y + h / 2, at(u, h / 4), at(v, h / 4));
        join_yuy2_uyvy_scalar<uyvy, lumaOnly>(dst + t, (n - t) / 4, y + t / 2, at(u, t / 4), at(v, t / 4));
    }
    // Non-temporal stores into the caller's frame: order them before the block is reported done.
    _mm_sfence();
}

} // namespace packed8

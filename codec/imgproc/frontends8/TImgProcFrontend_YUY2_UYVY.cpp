#include "codec/imgproc/frontends8/TImgProcFrontend_YUY2_UYVY.h"

#include "codec/imgproc/kernels/Yuy2Uyvy.h"

#include <emmintrin.h>

#include <algorithm>

namespace {

// The cut of one packed row of n bytes, in bytes: head to the 64-byte boundary, whole 64-byte
// groups, tail. Parts are whole 4-byte blocks; a row whose kernel pointers would not be aligned
// (rows not laid out by layout422) is done by the scalar code.
struct Cut422 {
    int head, body;
};

Cut422 cut_row(const uint8_t* packed, const uint8_t* y, const uint8_t* u, const uint8_t* v, int n)
{
    const int toBoundary = static_cast<int>((0 - reinterpret_cast<uintptr_t>(packed)) & 63);
    const int head = std::min(toBoundary, n);
    const int rest = n - head;
    if (rest < 64 || (head & 3) != 0) return {n, 0};
    const uintptr_t bits = reinterpret_cast<uintptr_t>(y + head / 2) | reinterpret_cast<uintptr_t>(u + head / 4) |
                           reinterpret_cast<uintptr_t>(v + head / 4);
    if (!packed8::aligned16(bits)) return {n, 0};
    return {head, rest / 64 * 64};
}

} // namespace

// The engine admits even widths only; with an odd width the last pixel, which has no block of its
// own, is left alone rather than read or written past the row.
template <bool uyvy, bool lumaOnly>
void TImgProcFrontend_YUY2_UYVY<uyvy, lumaOnly>::decorrsplit(const ImgFrame& packed, int width, int rows,
                                                             ImgFrame planes) const
{
    if (width <= 0) return;
    const int n = width / 2 * 4;
    for (int r = 0; r < rows; ++r) {
        const uint8_t* src = packed8::row_of(packed[0], r);
        uint8_t* y = packed8::row_of(planes[0], r);
        uint8_t* u = lumaOnly ? nullptr : packed8::row_of(planes[1], r);
        uint8_t* v = lumaOnly ? nullptr : packed8::row_of(planes[2], r);
        const Cut422 cut = cut_row(src, y, lumaOnly ? y : u, lumaOnly ? y : v, n);
        auto at = [](uint8_t* p, int i) { return packed8::offset_or_null(p, i); };
        split_yuy2_uyvy_scalar<uyvy, lumaOnly>(src, cut.head / 4, y, u, v);
        const int h = cut.head, t = cut.head + cut.body;
        split_yuy2_uyvy_sse<uyvy, lumaOnly>(src + h, cut.body, y + h / 2, at(u, h / 4), at(v, h / 4));
        split_yuy2_uyvy_scalar<uyvy, lumaOnly>(src + t, (n - t) / 4, y + t / 2, at(u, t / 4), at(v, t / 4));
    }
}

template <bool uyvy, bool lumaOnly>
void TImgProcFrontend_YUY2_UYVY<uyvy, lumaOnly>::undecorrjoin(ImgFrame packed, int width, int rows,
                                                              const ImgFrame& planes) const
{
    if (width <= 0) return;
    const int n = width / 2 * 4;
    for (int r = 0; r < rows; ++r) {
        uint8_t* dst = packed8::row_of(packed[0], r);
        const uint8_t* y = packed8::row_of(planes[0], r);
        const uint8_t* u = lumaOnly ? nullptr : packed8::row_of(planes[1], r);
        const uint8_t* v = lumaOnly ? nullptr : packed8::row_of(planes[2], r);
        const Cut422 cut = cut_row(dst, y, lumaOnly ? y : u, lumaOnly ? y : v, n);
        auto at = [](const uint8_t* p, int i) { return p ? p + i : nullptr; };
        join_yuy2_uyvy_scalar<uyvy, lumaOnly>(dst, cut.head / 4, y, u, v);
        const int h = cut.head, t = cut.head + cut.body;
        join_yuy2_uyvy_sse<uyvy, lumaOnly>(dst + h, cut.body, y + h / 2, at(u, h / 4), at(v, h / 4));
        join_yuy2_uyvy_scalar<uyvy, lumaOnly>(dst + t, (n - t) / 4, y + t / 2, at(u, t / 4), at(v, t / 4));
    }
    // Non-temporal stores into the caller's frame: order them before the block is reported done.
    _mm_sfence();
}

template class TImgProcFrontend_YUY2_UYVY<false, false>;
template class TImgProcFrontend_YUY2_UYVY<false, true>;
template class TImgProcFrontend_YUY2_UYVY<true, false>;
template class TImgProcFrontend_YUY2_UYVY<true, true>;

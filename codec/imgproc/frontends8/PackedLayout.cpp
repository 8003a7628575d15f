#include "codec/imgproc/frontends8/PackedLayout.h"

#include "codec/LogMessage.h"

namespace packed8 {

namespace {

uint8_t* as_ptr(uintptr_t a) { return reinterpret_cast<uint8_t*>(a); }

// The stride adjustment of a flipped walk: plane rows then run opposite to the caller's rows, so
// the new stride must be congruent to minus the old one modulo 16.
int32_t flip_stride(int32_t s) { return s + (32 - 2 * (s % 16)) % 16; }

// Start of the caller row that pairs with split-plane row 0: the last row when flipped.
uintptr_t reference_row(const ImgPlane& p, int height, bool flip)
{
    uintptr_t r = reinterpret_cast<uintptr_t>(p.ptr);
    if (flip && height > 0) r += static_cast<uintptr_t>(static_cast<int64_t>(p.stride) * (height - 1));
    return r;
}

} // namespace

void layout32(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst, bool flip)
{
    const int32_t pitch = src[0].stride;
    if (pitch % 4 != 0) {
        LogMessage("ERROR: RGB32 rows are not 4 byte aligned (rowPitch: %d)", pitch);
        return;
    }
    int32_t stride = width + ((pitch - 4 * width) % 64) / 4;
    if (flip) stride = flip_stride(stride);
    // Pixels from the reference row to the next 16-byte boundary.
    const uintptr_t a = ((0 - reference_row(src[0], height, flip)) & 15) >> 2;
    const uintptr_t planeBytes = static_cast<uintptr_t>(static_cast<int64_t>(height) * stride);
    uintptr_t base = align1024(reinterpret_cast<uintptr_t>(workbuf) + a) - a;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) base = align1024(base + planeBytes + a) - a + 256u * static_cast<unsigned>(k);
        dst[k].ptr = as_ptr(base);
        dst[k].stride = stride;
    }
}

void layout24(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst, bool flip)
{
    const int32_t pitch = src[0].stride;
    if (pitch % 4 != 0) {
        LogMessage("ERROR: RGB24 rows are not 4 byte aligned (rowPitch: %d)", pitch);
        return;
    }
    // The smallest span >= 3w congruent to the pitch modulo 48, then the stride whose triple is
    // congruent to it modulo 16.
    const int32_t span = 3 * width + (pitch - 3 * width) % 48;
    const int32_t k = (3 - span % 3) % 3;
    int32_t stride = (span + 16 * k) / 3;
    if (flip) stride = flip_stride(stride);
    // Pixels h0 (0..15) at which the reference row reaches 16-byte alignment: p + 3 h0 = 0 mod 16.
    const int a0 = static_cast<int>((0 - reference_row(src[0], height, flip)) & 15);
    const int m = ((a0 % 3) ^ 3) % 3;
    const uintptr_t h0 = static_cast<uintptr_t>((16 * m + a0) / 3);
    const uintptr_t planeBytes = static_cast<uintptr_t>(static_cast<int64_t>(height) * stride);
    uintptr_t base = align1024(reinterpret_cast<uintptr_t>(workbuf) + h0) - h0;
    for (int p = 0; p < 3; ++p) {
        if (p > 0) base = align1024(base + planeBytes + h0) - h0 + 256u * static_cast<unsigned>(p);
        dst[p].ptr = as_ptr(base);
        dst[p].stride = stride;
    }
    dst[3] = ImgPlane{};
}

void layout422(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst)
{
    const int32_t pitch = src[0].stride;
    // The smallest span >= 2w congruent to the pitch modulo 64, so that luma rows keep the packed
    // rows' position relative to 32-byte boundaries and chroma rows to 16-byte ones.
    const int32_t span = 2 * width + (pitch - 2 * width) % 64;
    const uintptr_t a = (0 - reinterpret_cast<uintptr_t>(src[0].ptr)) & 63;
    const int32_t lumaStride = span / 2, chromaStride = span / 4;
    const uintptr_t y = align1024(reinterpret_cast<uintptr_t>(workbuf) + a / 2) - a / 2;
    const uintptr_t u =
        align1024(y + static_cast<uintptr_t>(static_cast<int64_t>(height) * lumaStride) + a / 4) - a / 4 + 256;
    const uintptr_t v =
        align1024(u + static_cast<uintptr_t>(static_cast<int64_t>(height) * chromaStride) + a / 4) - a / 4 + 512;
    dst[0] = {as_ptr(y), lumaStride};
    dst[1] = {as_ptr(u), chromaStride};
    dst[2] = {as_ptr(v), chromaStride};
    dst[3] = ImgPlane{};
}

} // namespace packed8

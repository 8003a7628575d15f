#pragma once
// The row loops of the 4-byte and 3-byte packed frontends: per row a scalar head up to the
// 16-byte boundary of split plane 0, one kernel call over the whole 16-pixel groups, and a scalar
// tail. The scalar code is the kernels' twin (DecorrAlgos.h), so a pixel's bytes never depend on
// which of the three it falls into. Strides are signed: flipped walks need nothing special.

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/frontends8/PackedLayout.h"
#include "codec/imgproc/kernels/DecorrAlgos.h"

#include <emmintrin.h>

namespace packed8 {

// The cut of one row, given the packed row and the N plane rows. The split layouts align every
// pointer of the kernel call together; should rows arrive that were not laid out that way, the
// row is done by the scalar code rather than faulting on an aligned access.
template <int N, int Bytes>
inline RowCut cut_packed_row(const uint8_t* packedRow, uint8_t* const* p, int width)
{
    RowCut cut = cut_row16(p[0], width);
    uintptr_t bits = reinterpret_cast<uintptr_t>(packedRow + Bytes * cut.head);
    for (int k = 1; k < N; ++k) bits |= reinterpret_cast<uintptr_t>(p[k]);
    if (cut.groups > 0 && !aligned16(bits)) cut = {width, 0};
    return cut;
}

// Kernel: void(const uint8_t* src, int count, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3).
template <int N, class D, class Kernel>
void split_rows(const ImgFrame& packed, int width, int rows, const ImgFrame& planes, Kernel kernel)
{
    if (width <= 0) return;
    constexpr int B = D::kBytes;
    for (int r = 0; r < rows; ++r) {
        const uint8_t* src = row_of(packed[0], r);
        uint8_t* p[4] = {};
        for (int k = 0; k < N; ++k) p[k] = row_of(planes[k], r);
        const RowCut cut = cut_packed_row<N, B>(src, p, width);
        auto at = [&](int k, int i) { return offset_or_null(p[k], i); };
        const int h = cut.head, t = cut.head + 16 * cut.groups;
        decorrsplit_scalar<N, D>(src, h, p[0], p[1], p[2], p[3]);
        kernel(src + B * h, 16 * B * cut.groups, at(0, h), at(1, h), at(2, h), at(3, h));
        decorrsplit_scalar<N, D>(src + B * t, width - t, at(0, t), at(1, t), at(2, t), at(3, t));
    }
}

// Kernel: void(uint8_t* dst, int count, const uint8_t* p0, ..., const uint8_t* p3).
template <int N, class D, class Kernel>
void join_rows(const ImgFrame& packed, int width, int rows, const ImgFrame& planes, Kernel kernel)
{
    if (width <= 0) return;
    constexpr int B = D::kBytes;
    for (int r = 0; r < rows; ++r) {
        uint8_t* dst = row_of(packed[0], r);
        uint8_t* p[4] = {};
        for (int k = 0; k < N; ++k) p[k] = row_of(planes[k], r);
        const RowCut cut = cut_packed_row<N, B>(dst, p, width);
        auto at = [&](int k, int i) { return offset_or_null(p[k], i); };
        const int h = cut.head, t = cut.head + 16 * cut.groups;
        undecorrjoin_scalar<N, D>(dst, h, p[0], p[1], p[2], p[3]);
        kernel(dst + B * h, 16 * B * cut.groups, at(0, h), at(1, h), at(2, h), at(3, h));
        undecorrjoin_scalar<N, D>(dst + B * t, width - t, at(0, t), at(1, t), at(2, t), at(3, t));
    }
    // The kernels wrote the caller's frame with non-temporal stores; order them before the block
    // is reported done, so that whichever thread reads the frame next sees every byte.
    _mm_sfence();
}

} // namespace packed8

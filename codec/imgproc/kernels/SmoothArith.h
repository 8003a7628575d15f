#pragma once
// Per-sample arithmetic and row drivers of the smoothing kernels, shared by the scalar twins and
// the SIMD kernels so both walk rows and scratch memory the same way.

#include "codec/imgproc/kernels/Smooth.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace smooth {

inline int vert(const uint8_t* u, const uint8_t* m, const uint8_t* d, int x) { return (u[x] + 2 * m[x] + d[x] + 2) >> 2; }

// S at column x of a row whose columns end at x1 (left clamped at 0, right at x1 - 1).
inline int smoothed(const uint8_t* u, const uint8_t* m, const uint8_t* d, int x, int x1)
{
    return (vert(u, m, d, std::max(x - 1, 0)) + 2 * vert(u, m, d, x) + vert(u, m, d, std::min(x + 1, x1 - 1)) + 2) >> 2;
}

// sgn(d) * Q(|d|, t, s)
inline int kept(int d, int t, int s)
{
    const int a = d < 0 ? -d : d;
    const int q = a > t ? (a >> s) << s : 0;
    return d < 0 ? -q : q;
}

template <class Row>
inline Row* row_at(Row* plane, int stride, int r) { return plane + static_cast<ptrdiff_t>(r) * stride; }

// Rows firstRow .. firstRow+rows-1 of the one-level filter; row(u, m, d, dst) does one row.
template <class RowFn>
void drive_combined3(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int h, int firstRow, int rows,
                     RowFn row)
{
    for (int r = firstRow; r < firstRow + rows; ++r)
        row(row_at(src, srcStride, std::max(r - 1, 0)), row_at(src, srcStride, r),
            row_at(src, srcStride, std::min(r + 1, h - 1)), row_at(dst, dstStride, r));
}

// The two-level filter: once-smoothed rows through three rotating scratch rows, sized from w.
// row0(u, m, d, out) smooths once; row5(u, m, d, out, other) makes a destination row.
template <class Row0, class Row5>
void drive_combined5(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                     int firstRow, int rows, Row0 row0, Row5 row5)
{
    if (w < 1 || h < 1) return;
    const int64_t scratchStride = (static_cast<int64_t>(w) + 15) / 16 * 16;
    const uint64_t need = static_cast<uint64_t>(3 * scratchStride);
    if (st.scratchSize < need) {
        std::free(st.scratchBlock);
        st.scratchBlock = static_cast<uint8_t*>(std::malloc(need + 15));
        st.scratchRows = nullptr;
        st.scratchSize = 0;
        if (!st.scratchBlock) return;
        st.scratchRows = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(st.scratchBlock) + 15) & ~uintptr_t(15));
        st.scratchSize = need;
    }
    auto sr = [&](int m) { return st.scratchRows + ((m + 3) % 3) * scratchStride; };
    auto srcRow = [&](int r) { return row_at(src, srcStride, r); };
    for (int m = firstRow - 1; m <= firstRow + rows; ++m) {
        const int u = m > h - 1 ? h - 1 : std::max(m - 1, 0);
        row0(srcRow(u), srcRow(std::clamp(m, 0, h - 1)), srcRow(std::clamp(m + 1, 0, h - 1)), sr(m));
        if (m > firstRow) {
            const int y = m - 1;
            row5(sr(y - 1), sr(y), sr(y + 1), row_at(dst, dstStride, y), srcRow(std::min(y, h - 1)));
        }
    }
}

} // namespace smooth

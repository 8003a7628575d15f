#include "codec/imgproc/kernels/ImgProcConverter8.h"

#include "codec/imgproc/kernels/Resample.h"

using convert_detail::copy_row;
using convert_detail::spread_rows;

namespace {
// The 2:1 horizontal kernels make ceil(w/2) outputs, while a subsampled layout has w/2 chroma
// columns: an odd width would write one sample past each destination row (past the plane on its
// last row). The engine only passes even widths here; an odd one drops its last source column.
inline int even_width(int w) { return w & ~1; }
} // namespace

// Row moduli: 1 = block-local, 0 = reads rows of neighbouring blocks. The single-pass converters
// answer the same for any pass; the two-pass ones leave mod alone for passes other than 0 and 1.

void ImgProcConverter8_444_to_422::get_pass_dep_mod(int, int& mod) const { mod = 1; }

void ImgProcConverter8_444_to_422::convert(const ImgFrame& src, ImgFrame dst, int w, int h, BlockRect rect, int) const
{
    for (int p = 1; p <= 2; ++p) {
        const ImgPlane& s = src[p];
        const ImgPlane& d = dst[p];
        const int we = even_width(w);
        if (filtered) downscale2_horizontal_sse_decide<true>(s.ptr, d.ptr, s.stride, d.stride, we, h, rect.first, rect.rows);
        else downscale2_horizontal_sse_decide<false>(s.ptr, d.ptr, s.stride, d.stride, we, h, rect.first, rect.rows);
    }
}

void ImgProcConverter8_422_to_444::get_pass_dep_mod(int, int& mod) const { mod = 1; }

void ImgProcConverter8_422_to_444::convert(const ImgFrame& src, ImgFrame dst, int w, int h, BlockRect rect, int) const
{
    for (int p = 1; p <= 2; ++p)
        upscale2_horizontal_sse_decide(src[p].ptr, dst[p].ptr, src[p].stride, dst[p].stride, w / 2, h, rect.first,
                                       rect.rows);
}

void ImgProcConverter8_444_to_420::get_pass_dep_mod(int, int& mod) const { mod = filtered ? 0 : 1; }

void ImgProcConverter8_444_to_420::convert(const ImgFrame& src, ImgFrame dst, int w, int h, BlockRect rect, int) const
{
    for (int p = 1; p <= 2; ++p) {
        const ImgPlane& s = src[p];
        const ImgPlane& d = dst[p];
        if (filtered) {
            downscale2_combined_sse_decide(s.ptr, d.ptr, s.stride, d.stride, even_width(w), h, rect.first, rect.rows);
        } else {
            // Kernel row k reads source row 2k through the doubled stride.
            downscale2_horizontal_sse_decide<false>(s.ptr, d.ptr, 2 * s.stride, d.stride, even_width(w), h / 2,
                                                    rect.first / 2, rect.rows / 2);
        }
    }
}

void ImgProcConverter8_420_to_444::get_pass_dep_mod(int pass, int& mod) const
{
    if (pass == 0) mod = 1;
    else if (pass == 1) mod = 0;
}

void ImgProcConverter8_420_to_444::convert(const ImgFrame& src, ImgFrame dst, int w, int h, BlockRect rect,
                                           int pass) const
{
    for (int p = 1; p <= 2; ++p) {
        const ImgPlane& d = dst[p];
        if (pass == 0)
            upscale2_horizontal_sse_decide(src[p].ptr, d.ptr, src[p].stride, 2 * d.stride, w / 2, h / 2,
                                           rect.first / 2, rect.rows / 2);
        else
            interpolate2_vertical_sse_decide<uint8_t, 8>(d.ptr, d.stride, w, h / 2, rect.first / 2, rect.rows / 2);
    }
}

void ImgProcConverter8_422_to_420::get_pass_dep_mod(int, int& mod) const { mod = filtered ? 0 : 1; }

void ImgProcConverter8_422_to_420::convert(const ImgFrame& src, ImgFrame dst, int w, int h, BlockRect rect, int) const
{
    for (int p = 1; p <= 2; ++p) {
        const ImgPlane& s = src[p];
        const ImgPlane& d = dst[p];
        if (filtered) {
            downscale2_vertical_sse_decide<uint8_t, 8>(s.ptr, d.ptr, s.stride, d.stride, w / 2, h, rect.first, rect.rows);
        } else {
            // Even rows whole; an odd height's last row has no destination row.
            for (int r = rect.first; r < rect.first + rect.rows; r += 2)
                if (r / 2 < h / 2) copy_row(s, r, d, r / 2, w / 2);
        }
    }
}

void ImgProcConverter8_420_to_422::get_pass_dep_mod(int pass, int& mod) const
{
    if (pass == 0) mod = 1;
    else if (pass == 1) mod = 0;
}

void ImgProcConverter8_420_to_422::convert(const ImgFrame& src, ImgFrame dst, int w, int h, BlockRect rect,
                                           int pass) const
{
    for (int p = 1; p <= 2; ++p) {
        if (pass == 0) spread_rows(src[p], dst[p], h, rect, w / 2);
        else interpolate2_vertical_sse_decide<uint8_t, 8>(dst[p].ptr, dst[p].stride, w / 2, h / 2, rect.first / 2,
                                                          rect.rows / 2);
    }
}

#pragma once
// Frontends of 8-bit layouts with four bytes per pixel: RGB(A)/RGBX in every byte order, packed
// YUV(A) (AYUV, VUYA, VUYX, V408A, V408X) and RGB(A) stored as YUV through a matrix.
//
// N split planes of full resolution share one stride: N = 4 keeps the fourth byte as plane 3,
// N = 3 drops it (joins write 255 there), N = 1 keeps luma only. Each row is a scalar head up to
// the 16-byte boundary of split plane 0, one kernel call over the whole 16-pixel groups, and a
// scalar tail with the same arithmetic, so a pixel's bytes never depend on where it falls.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends8/PackedLayout.h"
#include "codec/imgproc/frontends8/PackedRows.h"
#include "codec/imgproc/kernels/DecorrInstances.h"
#include "codec/imgproc/kernels/DecorrKernels.h"

template <int N, class D>
class TImgProcFrontend32 final : public ImgProcFrontend {
    static_assert(D::kBytes == 4 && decorr_valid<N, D>());

public:
    TImgProcFrontend32()
    {
        m_frameBackend = &m_backend4;
        if constexpr (N == 4)
            m_backend = &m_backend4;
        else if constexpr (N == 3)
            m_backend = &m_backend3;
        else
            m_backend = &m_backend1;
    }

    int get_num_top_level_planes() const override { return 1; }
    int get_default_row_size_align(int) const override { return 4; }
    int get_min_row_ptr_align(int) const override { return 4; }
    int get_pixelblock_size(int) const override { return 4; }
    int get_pixelblock_pixels(int) const override { return 1; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }
    bool can_flip() const override { return true; }

    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool) const override
    {
        packed8::layout32(src, width, height, workbuf, dst, flip);
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override;
    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override;

private:
    TImgProcBackend<unsigned char, 8, 4, 1, 1> m_backend4;
    TImgProcBackend<unsigned char, 8, 3, 1, 1> m_backend3;
    TImgProcBackend<unsigned char, 8, 1, 1, 1> m_backend1;
};

template <int N, class D>
void TImgProcFrontend32<N, D>::decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const
{
    packed8::split_rows<N, D>(packed, width, rows, planes, &decorrsplit32_sse<N, D>);
}

template <int N, class D>
void TImgProcFrontend32<N, D>::undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const
{
    packed8::join_rows<N, D>(packed, width, rows, planes, &undecorrjoin32_sse<N, D>);
}

#define QV_EXTERN_FRONTEND32(NP, A, B, C, D, ALGO) extern template class TImgProcFrontend32<NP, QV_DECORR4_T(A, B, C, D, ALGO)>;
QV_FOR_EACH_DECORR32(QV_EXTERN_FRONTEND32)
#undef QV_EXTERN_FRONTEND32

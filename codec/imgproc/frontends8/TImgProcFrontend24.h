#pragma once
// Frontends of 8-bit layouts with three bytes per pixel: RGB and BGR (lossless, or stored as YUV
// through a matrix) and V308 (bytes V, Y, U). N = 3 keeps three planes, N = 1 luma only.
// Rows are cut as in the 4-byte frontends: scalar head to the 16-byte boundary of plane 0, one
// kernel call over whole 16-pixel groups, scalar tail.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends8/PackedLayout.h"
#include "codec/imgproc/frontends8/PackedRows.h"
#include "codec/imgproc/kernels/DecorrInstances.h"
#include "codec/imgproc/kernels/DecorrKernels.h"

template <int N, class D>
class TImgProcFrontend24 final : public ImgProcFrontend {
    static_assert(D::kBytes == 3 && decorr_valid<N, D>());

public:
    TImgProcFrontend24()
    {
        m_frameBackend = &m_backend3;
        if constexpr (N == 3)
            m_backend = &m_backend3;
        else
            m_backend = &m_backend1;
    }

    int get_num_top_level_planes() const override { return 1; }
    int get_default_row_size_align(int) const override { return 4; }
    int get_min_row_ptr_align(int) const override { return 4; }
    int get_pixelblock_size(int) const override { return 3; }
    int get_pixelblock_pixels(int) const override { return 1; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }
    bool can_flip() const override { return true; }

    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool) const override
    {
        packed8::layout24(src, width, height, workbuf, dst, flip);
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        packed8::split_rows<N, D>(packed, width, rows, planes,
                                  [](const uint8_t* s, int n, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t*) {
                                      decorrsplit24_sse<N, D>(s, n, p0, p1, p2);
                                  });
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        packed8::join_rows<N, D>(packed, width, rows, planes,
                                 [](uint8_t* d, int n, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                                    const uint8_t*) { undecorrjoin24_sse<N, D>(d, n, p0, p1, p2); });
    }

private:
    TImgProcBackend<unsigned char, 8, 3, 1, 1> m_backend3;
    TImgProcBackend<unsigned char, 8, 1, 1, 1> m_backend1;
};

#define QV_EXTERN_FRONTEND24(NP, A, B, C, ALGO) extern template class TImgProcFrontend24<NP, QV_DECORR3_T(A, B, C, ALGO)>;
QV_FOR_EACH_DECORR24(QV_EXTERN_FRONTEND24)
#undef QV_EXTERN_FRONTEND24

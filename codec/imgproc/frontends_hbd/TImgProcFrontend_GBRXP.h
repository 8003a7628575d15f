#pragma once
// Planar GBR and GBRA (caller planes G, B, R, A of In-bit words) stored as B-G, G, R-G (and A) at
// Out <= In bits. At the same depth G and A are coded straight from the caller's planes; when
// decompressing, every plane is decoded into the caller's planes and the join finishes in place.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/ImgProcFrontend_PlanarCommon16.h"
#include "codec/imgproc/frontends_hbd/KernelsGbrp.h"

template <int In, int Out, bool Alpha>
class TImgProcFrontend_GBRXP final : public ImgProcFrontend_PlanarCommon16 {
    static_assert(In == 10 || In == 12 || In == 14 || In == 16);
    static_assert((Out == 10 || Out == 12 || Out == 14) && Out <= In);

public:
    TImgProcFrontend_GBRXP()
    {
        m_backend = Alpha ? static_cast<ImgProcBackend*>(&m_backend4) : &m_backend3;
        m_frameBackend = &m_backend4;
    }

    int get_num_top_level_planes() const override { return Alpha ? 4 : 3; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }

    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool compressing) const override
    {
        if (compressing) {
            ImgProcFrontend::calc_split_params(src, width, height, workbuf, dst, flip, compressing);
            if (In == Out) {
                dst[1] = src[0];
                dst[3] = src[3];
            }
        } else {
            dst = ImgFrame{};
            dst[0] = src[1];
            dst[1] = src[0];
            dst[2] = src[2];
            dst[3] = src[3];
        }
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::splitGbrp<In, Out, Alpha>(packed[0].row(y), packed[1].row(y), packed[2].row(y),
                                           Alpha ? packed[3].row(y) : nullptr, width, planes[0].row(y),
                                           planes[1].row(y), planes[2].row(y), Alpha ? planes[3].row(y) : nullptr);
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame&) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::joinGbrp<In, Out, Alpha>(packed[0].row(y), packed[1].row(y), packed[2].row(y),
                                          Alpha ? packed[3].row(y) : nullptr, width);
    }

private:
    TImgProcBackend<short, Out, 4, 1, 1> m_backend4;
    TImgProcBackend<short, Out, 3, 1, 1> m_backend3;
};

#define HBD_FRONTEND_GBRXP_DEPTHS(X, A)                                                                        \
    X(10, 10, A) X(12, 10, A) X(12, 12, A) X(14, 10, A) X(14, 12, A) X(14, 14, A) X(16, 10, A) X(16, 12, A)    \
    X(16, 14, A)
#define HBD_FRONTEND_GBRXP_INSTANCES(X) HBD_FRONTEND_GBRXP_DEPTHS(X, false) HBD_FRONTEND_GBRXP_DEPTHS(X, true)

#define HBD_EXTERN_FRONTEND_GBRXP(I, O, A) extern template class TImgProcFrontend_GBRXP<I, O, A>;
HBD_FRONTEND_GBRXP_INSTANCES(HBD_EXTERN_FRONTEND_GBRXP)
#undef HBD_EXTERN_FRONTEND_GBRXP

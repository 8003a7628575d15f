#pragma once
// 48-bit packed RGB: B48R (layout 10), RGB48 (11), BGR48 (12), stored as B-G, G, R-G at Out bits.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/Kernels48.h"
#include "codec/imgproc/frontends_hbd/PackedRowFrontend.h"

template <int Out, int Layout>
class TImgProcFrontend48 final : public PackedRowFrontend<6, 2, 6, 1> {
    static_assert(Out == 10 || Out == 12 || Out == 14);
    static_assert(Layout >= 10 && Layout <= 12);

public:
    TImgProcFrontend48() { m_backend = m_frameBackend = &m_rgbBackend; }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::split48<Out, Layout>(packed[0].row(y), width, planes[0].row(y), planes[1].row(y), planes[2].row(y));
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::join48<Out, Layout>(packed[0].row(y), width, planes[0].row(y), planes[1].row(y), planes[2].row(y));
    }

private:
    TImgProcBackend<short, Out, 3, 1, 1> m_rgbBackend;
};

#define HBD_FRONTEND48_INSTANCES(X)                                                                            \
    X(10, 10) X(10, 11) X(10, 12) X(12, 10) X(12, 11) X(12, 12) X(14, 10) X(14, 11) X(14, 12)

#define HBD_EXTERN_FRONTEND48(N, L) extern template class TImgProcFrontend48<N, L>;
HBD_FRONTEND48_INSTANCES(HBD_EXTERN_FRONTEND48)
#undef HBD_EXTERN_FRONTEND48

#pragma once
// R210, R10K, R210_LE and R10K_LE: one 32-bit word of three 10-bit channels per pixel, stored
// losslessly as B-G, G, R-G at 10 bits.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/KernelsR210.h"
#include "codec/imgproc/frontends_hbd/PackedRowFrontend.h"

template <bool IsR10K, bool IsLE>
class TImgProcFrontend_R210_R10K final : public PackedRowFrontend<256, 4, 4, 1> {
public:
    TImgProcFrontend_R210_R10K() { m_backend = m_frameBackend = &m_rgbBackend; }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::splitR210<IsR10K, IsLE>(packed[0].row(y), width, planes[0].row(y), planes[1].row(y),
                                         planes[2].row(y));
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::joinR210<IsR10K, IsLE>(packed[0].row(y), width, planes[0].row(y), planes[1].row(y),
                                        planes[2].row(y));
    }

private:
    TImgProcBackend<short, 10, 3, 1, 1> m_rgbBackend;
};

extern template class TImgProcFrontend_R210_R10K<false, false>;
extern template class TImgProcFrontend_R210_R10K<true, false>;
extern template class TImgProcFrontend_R210_R10K<false, true>;
extern template class TImgProcFrontend_R210_R10K<true, true>;

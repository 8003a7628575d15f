#pragma once
// BGRA_32F (Channels 4) and BGRX_32F (Channels 3): four floats per pixel quantised to Bits-bit
// planes B-G, G, R-G (and A). Lossy by nature: compression truncates.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/KernelsFloat4.h"
#include "codec/imgproc/frontends_hbd/PackedRowFrontend.h"

template <int Channels, int Bits>
class TImgProcFrontendFloat4 final : public PackedRowFrontend<16, 4, 16, 1> {
    static_assert(Channels == 3 || Channels == 4);
    static_assert(Bits == 10 || Bits == 12 || Bits == 14);

public:
    TImgProcFrontendFloat4()
    {
        m_backend = Channels == 4 ? static_cast<ImgProcBackend*>(&m_backend4) : &m_backend3;
        m_frameBackend = &m_backend4;
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::splitFloat4<Channels, Bits>(packed[0].row(y), width, planes[0].row(y), planes[1].row(y),
                                             planes[2].row(y), Channels == 4 ? planes[3].row(y) : nullptr);
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::joinFloat4<Channels, Bits>(packed[0].row(y), width, planes[0].row(y), planes[1].row(y),
                                            planes[2].row(y), Channels == 4 ? planes[3].row(y) : nullptr);
    }

private:
    TImgProcBackend<short, Bits, 4, 1, 1> m_backend4;
    TImgProcBackend<short, Bits, 3, 1, 1> m_backend3;
};

#define HBD_FRONTEND_FLOAT4_INSTANCES(X) X(4, 10) X(4, 12) X(4, 14) X(3, 10) X(3, 12) X(3, 14)

#define HBD_EXTERN_FRONTEND_FLOAT4(C, N) extern template class TImgProcFrontendFloat4<C, N>;
HBD_FRONTEND_FLOAT4_INSTANCES(HBD_EXTERN_FRONTEND_FLOAT4)
#undef HBD_EXTERN_FRONTEND_FLOAT4

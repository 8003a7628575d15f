#pragma once
// 64-bit packed RGB(A): B64A/B64X (order 1), RGBA64/RGBX64 (order 2), BGRA64/BGRX64 (order 3),
// stored as B-G, G, R-G (and A) at Bits = 10, 12 or 14. The only layouts that accept the host's
// 16-bit 0..32768 range (bit 0 of m_flags, read on every call).

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/Kernels64.h"
#include "codec/imgproc/frontends_hbd/PackedRowFrontend.h"

template <int Channels, int Bits, int Order>
class TImgProcFrontend64 final : public PackedRowFrontend<8, 4, 8, 1> {
    static_assert(Channels == 3 || Channels == 4);
    static_assert(Bits == 10 || Bits == 12 || Bits == 14);
    static_assert(Order >= 1 && Order <= 3);

public:
    TImgProcFrontend64()
    {
        m_backend = Channels == 4 ? static_cast<ImgProcBackend*>(&m_backend4) : &m_backend3;
        m_frameBackend = &m_backend4;
    }

    bool supports_adobe_16u_range() const override { return true; }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (m_flags & 1)
            split<true>(packed, width, rows, planes);
        else
            split<false>(packed, width, rows, planes);
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (m_flags & 1)
            join<true>(packed, width, rows, planes);
        else
            join<false>(packed, width, rows, planes);
    }

private:
    template <bool HostRange>
    static void split(const ImgFrame& packed, int width, int rows, const ImgFrame& planes)
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::split64<Channels, Bits, Order, HostRange>(packed[0].row(y), width, planes[0].row(y),
                                                           planes[1].row(y), planes[2].row(y),
                                                           Channels == 4 ? planes[3].row(y) : nullptr);
    }

    template <bool HostRange>
    static void join(const ImgFrame& packed, int width, int rows, const ImgFrame& planes)
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::join64<Channels, Bits, Order, HostRange>(packed[0].row(y), width, planes[0].row(y),
                                                          planes[1].row(y), planes[2].row(y),
                                                          Channels == 4 ? planes[3].row(y) : nullptr);
    }

    TImgProcBackend<short, Bits, 4, 1, 1> m_backend4;
    TImgProcBackend<short, Bits, 3, 1, 1> m_backend3;
};

#define HBD_FRONTEND64_INSTANCES(X)                                                                            \
    X(4, 10, 1) X(4, 12, 1) X(4, 14, 1) X(3, 10, 1) X(3, 12, 1) X(3, 14, 1)                                    \
    X(4, 10, 2) X(4, 12, 2) X(4, 14, 2) X(3, 10, 2) X(3, 12, 2) X(3, 14, 2)                                    \
    X(4, 10, 3) X(4, 12, 3) X(4, 14, 3) X(3, 10, 3) X(3, 12, 3) X(3, 14, 3)

#define HBD_EXTERN_FRONTEND64(C, N, O) extern template class TImgProcFrontend64<C, N, O>;
HBD_FRONTEND64_INSTANCES(HBD_EXTERN_FRONTEND64)
#undef HBD_EXTERN_FRONTEND64

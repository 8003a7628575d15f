#pragma once
// Planar YUV in 16-bit words: YUV444P_10, YUV422P_10, YUV420P_10 and Y16_10 hold 10-bit values
// and are coded straight from and decoded straight into the caller's planes; YUV444P_16 holds
// full 16-bit values, narrowed to 10 bits into the work buffer when compressing and widened in
// place (low 6 bits zero) after decoding. Luma-only forms write neutral chroma on the way back.
//
// The 10-bit words reach the backend as they are; it masks each to 10 bits as it predicts, so a
// word with bits set above the depth comes back masked and its neighbours come back exact.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/ImgProcFrontend_PlanarCommon16.h"
#include "codec/imgproc/frontends_hbd/KernelsWord16.h"

template <int Stored, int Coded, int Planes, int HDiv, int VDiv, bool LumaOnly>
class TImgProcFrontend_YUVP final : public ImgProcFrontend_PlanarCommon16 {
    static_assert(Coded == 10);
    static_assert(Stored == 10 || (Stored == 16 && Planes == 3 && HDiv == 1 && VDiv == 1));
    static_assert(Planes == 3 || (Planes == 1 && !LumaOnly));

public:
    TImgProcFrontend_YUVP()
    {
        m_backend = LumaOnly ? static_cast<ImgProcBackend*>(&m_lumaBackend) : &m_fullBackend;
        m_frameBackend = &m_fullBackend;
    }

    int get_num_top_level_planes() const override { return Planes; }
    int get_tplane_width(int plane, int width) const override { return plane == 0 ? width : width / HDiv; }
    int get_tplane_height(int plane, int height) const override { return plane == 0 ? height : height / VDiv; }

    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool compressing) const override
    {
        if (Stored == 16 && compressing)
            ImgProcFrontend::calc_split_params(src, width, height, workbuf, dst, flip, compressing);
        else
            ImgProcFrontend_PlanarCommon::calc_split_params(src, width, height, workbuf, dst, flip, compressing);
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if constexpr (Stored == 16) {
            if (width <= 0) return;
            for (int k = 0; k < (LumaOnly ? 1 : 3); ++k)
                for (int y = 0; y < rows; ++y) hbd::shr6_row(packed[k].row(y), width, planes[k].row(y));
        }
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        if constexpr (Stored == 16) {
            // The split planes are the caller's planes: the samples are widened where they lie.
            for (int k = 0; k < (LumaOnly ? 1 : 3); ++k)
                for (int y = 0; y < rows; ++y) hbd::shl6_row(planes[k].row(y), width, packed[k].row(y));
            if constexpr (LumaOnly)
                fill_chroma(packed, width, rows, 0x8000);
        } else if constexpr (LumaOnly) {
            fill_chroma(packed, width, rows, 512);
        }
    }

private:
    static void fill_chroma(const ImgFrame& packed, int width, int rows, uint16_t value)
    {
        // A 4:2:0 block of n luma rows owns n / 2 chroma rows.
        const int chromaRows = VDiv == 1 ? rows : rows / 2;
        for (int k = 1; k <= 2; ++k)
            for (int y = 0; y < chromaRows; ++y) hbd::fill16(packed[k].row(y), width / HDiv, value);
    }

    TImgProcBackend<short, 10, Planes, HDiv, VDiv> m_fullBackend;
    TImgProcBackend<short, 10, 1, 1, 1> m_lumaBackend;
};

#define HBD_FRONTEND_YUVP_INSTANCES(X)                                                                         \
    X(10, 10, 3, 1, 1, false) X(10, 10, 3, 1, 1, true)                                                         \
    X(10, 10, 3, 2, 1, false) X(10, 10, 3, 2, 1, true)                                                         \
    X(10, 10, 3, 2, 2, false) X(10, 10, 3, 2, 2, true)                                                         \
    X(10, 10, 1, 1, 1, false)                                                                                  \
    X(16, 10, 3, 1, 1, false) X(16, 10, 3, 1, 1, true)

#define HBD_EXTERN_FRONTEND_YUVP(S, C, P, H, V, L) extern template class TImgProcFrontend_YUVP<S, C, P, H, V, L>;
HBD_FRONTEND_YUVP_INSTANCES(HBD_EXTERN_FRONTEND_YUVP)
#undef HBD_EXTERN_FRONTEND_YUVP

#pragma once
// P210 (VDiv 1) and P010 (VDiv 2): a plane of luma words and a plane of interleaved Cb/Cr word
// pairs, each word holding a 10-bit value in bits 6-15. When decompressing, the backend rebuilds
// luma straight in the caller's plane and the join only moves it up in place.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/KernelsWord16.h"

template <int Bits, int HDiv, int VDiv, bool LumaOnly>
class TImgProcFrontend_Px1x final : public ImgProcFrontend {
    static_assert(Bits == 10 && HDiv == 2 && (VDiv == 1 || VDiv == 2));

public:
    TImgProcFrontend_Px1x()
    {
        m_backend = LumaOnly ? static_cast<ImgProcBackend*>(&m_lumaBackend) : &m_fullBackend;
        m_frameBackend = &m_fullBackend;
    }

    int get_num_top_level_planes() const override { return 2; }
    int get_default_row_size_align(int) const override { return 4; }
    int get_min_row_ptr_align(int) const override { return 4; }
    int get_pixelblock_size(int plane) const override { return plane == 0 ? 2 : 4; }
    int get_pixelblock_pixels(int) const override { return 1; }
    int get_tplane_width(int plane, int width) const override { return plane == 0 ? width : width / HDiv; }
    int get_tplane_height(int plane, int height) const override
    {
        return plane == 0 ? height : height / VDiv;
    }
    bool can_flip() const override { return false; }

    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool compressing) const override
    {
        ImgProcFrontend::calc_split_params(src, width, height, workbuf, dst, flip, compressing);
        if (!compressing) dst[0] = src[0];
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y) hbd::shr6_row(packed[0].row(y), width, planes[0].row(y));
        if constexpr (!LumaOnly) {
            for (int c = 0; c < chroma_rows(rows); ++c)
                hbd::cbcr_split(packed[1].row(c), width / HDiv, planes[1].row(c), planes[2].row(c));
        }
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        // Split plane 0 is the caller's luma plane itself, so this widens in place.
        for (int y = 0; y < rows; ++y) hbd::shl6_row(planes[0].row(y), width, packed[0].row(y));
        for (int c = 0; c < chroma_rows(rows); ++c) {
            if constexpr (LumaOnly)
                hbd::fill16(packed[1].row(c), 2 * (width / HDiv), 0x8000); // Cb = Cr = 512
            else
                hbd::cbcr_join(packed[1].row(c), width / HDiv, planes[1].row(c), planes[2].row(c));
        }
    }

private:
    // Chroma rows of a block of luma rows; a 4:2:0 block of one row has none.
    static int chroma_rows(int rows) { return VDiv == 1 ? rows : rows / 2; }

    TImgProcBackend<short, 10, 3, HDiv, VDiv> m_fullBackend;
    TImgProcBackend<short, 10, 1, 1, 1> m_lumaBackend;
};

#define HBD_FRONTEND_PX1X_INSTANCES(X) X(10, 2, 1, false) X(10, 2, 1, true) X(10, 2, 2, false) X(10, 2, 2, true)

#define HBD_EXTERN_FRONTEND_PX1X(B, H, V, L) extern template class TImgProcFrontend_Px1x<B, H, V, L>;
HBD_FRONTEND_PX1X_INSTANCES(HBD_EXTERN_FRONTEND_PX1X)
#undef HBD_EXTERN_FRONTEND_PX1X

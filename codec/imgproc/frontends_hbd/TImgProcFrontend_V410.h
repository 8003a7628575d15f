#pragma once
// V410: packed 10-bit 4:4:4, one word per pixel. The luma-only form stores Y alone and writes
// neutral chroma on the way back.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/KernelsV410.h"

template <bool LumaOnly>
class TImgProcFrontend_V410 final : public ImgProcFrontend {
public:
    TImgProcFrontend_V410()
    {
        m_backend = LumaOnly ? static_cast<ImgProcBackend*>(&m_lumaBackend) : &m_fullBackend;
        m_frameBackend = &m_fullBackend;
    }

    int get_num_top_level_planes() const override { return 1; }
    int get_default_row_size_align(int) const override { return 4; }
    int get_min_row_ptr_align(int) const override { return 4; }
    int get_pixelblock_size(int) const override { return 4; }
    int get_pixelblock_pixels(int) const override { return 1; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }
    bool can_flip() const override { return true; }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::splitV410<LumaOnly>(packed[0].row(y), width, planes[0].row(y), LumaOnly ? nullptr : planes[1].row(y),
                                     LumaOnly ? nullptr : planes[2].row(y));
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            hbd::joinV410<LumaOnly>(packed[0].row(y), width, planes[0].row(y), LumaOnly ? nullptr : planes[1].row(y),
                                    LumaOnly ? nullptr : planes[2].row(y));
    }

private:
    TImgProcBackend<short, 10, 3, 1, 1> m_fullBackend;
    TImgProcBackend<short, 10, 1, 1, 1> m_lumaBackend;
};

extern template class TImgProcFrontend_V410<false>;
extern template class TImgProcFrontend_V410<true>;

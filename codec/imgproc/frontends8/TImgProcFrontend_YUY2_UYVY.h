#pragma once
// Frontends of the packed 4:2:2 layouts YUY2 (Y0 U Y1 V) and UYVY (U Y0 V Y1): a full-width Y
// plane and half-width U and V planes, or Y alone for luma-only storage (whose joins write
// neutral chroma). Frames are never flipped. Rows are cut on the packed row: a scalar head up to
// its 64-byte boundary, one kernel call over whole 64-byte groups, a scalar tail; the layout keeps
// the plane rows 16-byte aligned at that point.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends8/PackedLayout.h"

template <bool uyvy, bool lumaOnly>
class TImgProcFrontend_YUY2_UYVY final : public ImgProcFrontend {
public:
    TImgProcFrontend_YUY2_UYVY()
    {
        m_frameBackend = &m_backend422;
        if constexpr (lumaOnly)
            m_backend = &m_backend1;
        else
            m_backend = &m_backend422;
    }

    int get_num_top_level_planes() const override { return 1; }
    int get_default_row_size_align(int) const override { return 4; }
    int get_min_row_ptr_align(int) const override { return 4; }
    int get_pixelblock_size(int) const override { return 4; }
    int get_pixelblock_pixels(int) const override { return 2; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }
    bool can_flip() const override { return false; }

    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst, bool,
                           bool) const override
    {
        packed8::layout422(src, width, height, workbuf, dst);
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override;
    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override;

private:
    TImgProcBackend<unsigned char, 8, 3, 2, 1> m_backend422;
    TImgProcBackend<unsigned char, 8, 1, 1, 1> m_backend1;
};

extern template class TImgProcFrontend_YUY2_UYVY<false, false>;
extern template class TImgProcFrontend_YUY2_UYVY<false, true>;
extern template class TImgProcFrontend_YUY2_UYVY<true, false>;
extern template class TImgProcFrontend_YUY2_UYVY<true, true>;

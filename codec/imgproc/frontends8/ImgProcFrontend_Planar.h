#pragma once
// Zero-copy frontends for callers that already hold 8-bit planes: YUV 4:4:4 and 4:2:0 in both
// chroma orders, and grey. The split planes are the caller's planes themselves, so split and join
// do nothing; the engine sees the borrowed planes by their pointers and predicts them out of
// place on compression and decodes straight into them on decompression.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"

class ImgProcFrontend_PlanarCommon : public ImgProcFrontend {
public:
    int get_default_row_size_align(int) const override { return 1; }
    int get_min_row_ptr_align(int) const override { return 1; }
    int get_pixelblock_size(int) const override { return 1; }
    int get_pixelblock_pixels(int) const override { return 1; }
    bool can_flip() const override { return false; }
    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool compressing) const override;
    void decorrsplit(const ImgFrame&, int, int, ImgFrame) const override {}
    void undecorrjoin(ImgFrame, int, int, const ImgFrame&) const override {}
};

class ImgProcFrontend_I444 : public ImgProcFrontend_PlanarCommon {
public:
    ImgProcFrontend_I444() { m_backend = m_frameBackend = &m_planes; }
    int get_num_top_level_planes() const override { return 3; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }

private:
    TImgProcBackend<unsigned char, 8, 3, 1, 1> m_planes;
};

// Y, V, U in the caller's slots; split as Y, U, V.
class ImgProcFrontend_YV24 final : public ImgProcFrontend_I444 {
public:
    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool compressing) const override;
};

class ImgProcFrontend_I420 : public ImgProcFrontend_PlanarCommon {
public:
    ImgProcFrontend_I420() { m_backend = m_frameBackend = &m_planes; }
    int get_num_top_level_planes() const override { return 3; }
    int get_tplane_width(int plane, int width) const override { return plane == 0 ? width : width / 2; }
    int get_tplane_height(int plane, int height) const override { return plane == 0 ? height : height / 2; }

private:
    TImgProcBackend<unsigned char, 8, 3, 2, 2> m_planes;
};

// Y, V, U in the caller's slots; split as Y, U, V.
class ImgProcFrontend_YV12 final : public ImgProcFrontend_I420 {
public:
    void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf, ImgFrame& dst,
                           bool flip, bool compressing) const override;
};

class ImgProcFrontend_Y8 final : public ImgProcFrontend_PlanarCommon {
public:
    ImgProcFrontend_Y8() { m_backend = m_frameBackend = &m_plane; }
    int get_num_top_level_planes() const override { return 1; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }

private:
    TImgProcBackend<unsigned char, 8, 1, 1, 1> m_plane;
};

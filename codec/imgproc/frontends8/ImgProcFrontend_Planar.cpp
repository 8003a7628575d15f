#include "codec/imgproc/frontends8/ImgProcFrontend_Planar.h"

void ImgProcFrontend_PlanarCommon::calc_split_params(const ImgFrame& src, int, int, const uint8_t*, ImgFrame& dst,
                                                     bool, bool) const
{
    dst = src;
}

static void swap_chroma(const ImgFrame& src, ImgFrame& dst)
{
    dst[0] = src[0];
    dst[1] = src[2];
    dst[2] = src[1];
    dst[3] = src[3];
}

void ImgProcFrontend_YV24::calc_split_params(const ImgFrame& src, int, int, const uint8_t*, ImgFrame& dst, bool,
                                             bool) const
{
    swap_chroma(src, dst);
}

void ImgProcFrontend_YV12::calc_split_params(const ImgFrame& src, int, int, const uint8_t*, ImgFrame& dst, bool,
                                             bool) const
{
    swap_chroma(src, dst);
}

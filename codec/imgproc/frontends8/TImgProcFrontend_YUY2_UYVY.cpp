#include "codec/imgproc/frontends8/TImgProcFrontend_YUY2_UYVY.h"

#include "codec/imgproc/frontends8/Yuy2Rows.h"
#include "codec/imgproc/kernels/Yuy2Uyvy.h"

template <bool uyvy, bool lumaOnly>
void TImgProcFrontend_YUY2_UYVY<uyvy, lumaOnly>::decorrsplit(const ImgFrame& packed, int width, int rows,
                                                             ImgFrame planes) const
{
    packed8::split422_rows<uyvy, lumaOnly>(packed, width, rows, planes, &split_yuy2_uyvy_sse<uyvy, lumaOnly>);
}

template <bool uyvy, bool lumaOnly>
void TImgProcFrontend_YUY2_UYVY<uyvy, lumaOnly>::undecorrjoin(ImgFrame packed, int width, int rows,
                                                              const ImgFrame& planes) const
{
    packed8::join422_rows<uyvy, lumaOnly>(packed, width, rows, planes, &join_yuy2_uyvy_sse<uyvy, lumaOnly>);
}

template class TImgProcFrontend_YUY2_UYVY<false, false>;
template class TImgProcFrontend_YUY2_UYVY<false, true>;
template class TImgProcFrontend_YUY2_UYVY<true, false>;
template class TImgProcFrontend_YUY2_UYVY<true, true>;

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_V210.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_V410.h"

template class TImgProcFrontend_V410<false>;
template class TImgProcFrontend_V410<true>;
template class TImgProcFrontend_V210<false>;
template class TImgProcFrontend_V210<true>;

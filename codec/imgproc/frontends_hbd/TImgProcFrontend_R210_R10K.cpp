#include "codec/imgproc/frontends_hbd/TImgProcFrontend_R210_R10K.h"

template class TImgProcFrontend_R210_R10K<false, false>;
template class TImgProcFrontend_R210_R10K<true, false>;
template class TImgProcFrontend_R210_R10K<false, true>;
template class TImgProcFrontend_R210_R10K<true, true>;

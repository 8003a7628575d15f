#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Bayer_12_Packed.h"

template class TImgProcFrontend_Bayer_12_Packed<111>;
template class TImgProcFrontend_Bayer_12_Packed<222>;
template class TImgProcFrontend_Bayer_12_Packed<333>;

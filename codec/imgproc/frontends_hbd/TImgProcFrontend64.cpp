#include "codec/imgproc/frontends_hbd/TImgProcFrontend64.h"

#define HBD_INSTANTIATE_FRONTEND64(C, N, O) template class TImgProcFrontend64<C, N, O>;
HBD_FRONTEND64_INSTANCES(HBD_INSTANTIATE_FRONTEND64)

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_GBRXP.h"

#define HBD_INSTANTIATE_FRONTEND_GBRXP(I, O, A) template class TImgProcFrontend_GBRXP<I, O, A>;
HBD_FRONTEND_GBRXP_INSTANCES(HBD_INSTANTIATE_FRONTEND_GBRXP)

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_YUVP.h"

#define HBD_INSTANTIATE_FRONTEND_YUVP(S, C, P, H, V, L) template class TImgProcFrontend_YUVP<S, C, P, H, V, L>;
HBD_FRONTEND_YUVP_INSTANCES(HBD_INSTANTIATE_FRONTEND_YUVP)

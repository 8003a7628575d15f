#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Px1x.h"

#define HBD_INSTANTIATE_FRONTEND_PX1X(B, H, V, L) template class TImgProcFrontend_Px1x<B, H, V, L>;
HBD_FRONTEND_PX1X_INSTANCES(HBD_INSTANTIATE_FRONTEND_PX1X)

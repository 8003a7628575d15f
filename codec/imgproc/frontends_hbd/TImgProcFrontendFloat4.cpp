#include "codec/imgproc/frontends_hbd/TImgProcFrontendFloat4.h"

#define HBD_INSTANTIATE_FRONTEND_FLOAT4(C, N) template class TImgProcFrontendFloat4<C, N>;
HBD_FRONTEND_FLOAT4_INSTANCES(HBD_INSTANTIATE_FRONTEND_FLOAT4)

#include "codec/imgproc/frontends_hbd/TImgProcFrontend48.h"

#define HBD_INSTANTIATE_FRONTEND48(N, L) template class TImgProcFrontend48<N, L>;
HBD_FRONTEND48_INSTANCES(HBD_INSTANTIATE_FRONTEND48)

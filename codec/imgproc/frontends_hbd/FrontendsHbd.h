#pragma once
// Every 10- to 16-bit, float and Bayer frontend class the engine binds (rows of
// codec/bindings/frontends_hbd.def).

#include "codec/imgproc/frontends_hbd/TImgProcFrontend48.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend64.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontendFloat4.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Bayer_12_Packed.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_GBRXP.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Px1x.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_R210_R10K.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_V210_V410.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_YUVP.h"

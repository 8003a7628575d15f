#pragma once
// Every 8-bit frontend class the engine binds (rows of codec/bindings/frontends8.def).

#include "codec/imgproc/frontends8/ImgProcFrontend_Planar.h"
#include "codec/imgproc/frontends8/TImgProcFrontend24.h"
#include "codec/imgproc/frontends8/TImgProcFrontend32.h"
#include "codec/imgproc/frontends8/TImgProcFrontend_YUY2_UYVY.h"

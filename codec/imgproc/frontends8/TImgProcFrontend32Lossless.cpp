// The lossless 4-byte frontends: RGB(A)/RGBX decorrelation and packed YUV(A).
#include "codec/imgproc/frontends8/TImgProcFrontend32.h"

#define QV_INSTANTIATE(NP, A, B, C, D, ALGO) template class TImgProcFrontend32<NP, QV_DECORR4_T(A, B, C, D, ALGO)>;
QV_FOR_EACH_DECORR32_LOSSLESS(QV_INSTANTIATE)

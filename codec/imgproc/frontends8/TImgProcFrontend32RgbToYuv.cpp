// The 4-byte RGB(A) frontends that store YUV(A) through one of the four matrices.
#include "codec/imgproc/frontends8/TImgProcFrontend32.h"

#define QV_INSTANTIATE(NP, A, B, C, D, ALGO) template class TImgProcFrontend32<NP, QV_DECORR4_T(A, B, C, D, ALGO)>;
QV_FOR_EACH_DECORR32_RGBTOYUV(QV_INSTANTIATE)

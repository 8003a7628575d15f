#include "codec/imgproc/frontends8/TImgProcFrontend24.h"

#define QV_INSTANTIATE(NP, A, B, C, ALGO) template class TImgProcFrontend24<NP, QV_DECORR3_T(A, B, C, ALGO)>;
QV_FOR_EACH_DECORR24(QV_INSTANTIATE)

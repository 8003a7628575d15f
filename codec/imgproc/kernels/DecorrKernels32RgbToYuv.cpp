// Instances of the 4-byte kernels that convert RGB(A) to YUV(A) and back.
#include "codec/imgproc/kernels/DecorrInstances.h"
#include "codec/imgproc/kernels/DecorrKernelsSse.h"

#define QV_INSTANTIATE(NP, A, B, C, D, ALGO)                                                                   \
    template void decorrsplit32_sse<NP, QV_DECORR4_T(A, B, C, D, ALGO)>(const uint8_t*, int, uint8_t*,        \
                                                                         uint8_t*, uint8_t*, uint8_t*);        \
    template void undecorrjoin32_sse<NP, QV_DECORR4_T(A, B, C, D, ALGO)>(                                      \
        uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*);
QV_FOR_EACH_DECORR32_RGBTOYUV(QV_INSTANTIATE)

// Instances of the 3-byte kernels: RGB and BGR (lossless and to YUV) and V308.
#include "codec/imgproc/kernels/DecorrInstances.h"
#include "codec/imgproc/kernels/DecorrKernelsSse.h"

#define QV_INSTANTIATE(NP, A, B, C, ALGO)                                                                      \
    template void decorrsplit24_sse<NP, QV_DECORR3_T(A, B, C, ALGO)>(const uint8_t*, int, uint8_t*, uint8_t*,  \
                                                                      uint8_t*);                               \
    template void undecorrjoin24_sse<NP, QV_DECORR3_T(A, B, C, ALGO)>(uint8_t*, int, const uint8_t*,           \
                                                                       const uint8_t*, const uint8_t*);
QV_FOR_EACH_DECORR24(QV_INSTANTIATE)

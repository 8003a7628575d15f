#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/PredictScalar.h"

namespace backends {

template <class T, int Bits>
void predict_planes(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor)
{
    predict_scalar<T, Bits>(src, dst, width, height, predictor);
}
template <class T, int Bits>
void predict_planes_inplace(ImgPlane plane, int width, int height, int predictor)
{
    predict_inplace_scalar<T, Bits>(plane, width, height, predictor);
}
template <class T, int Bits>
void unpredict_planes(ImgPlane plane, int width, int height, int predictor)
{
    unpredict_scalar<T, Bits>(plane, width, height, predictor);
}
PredictScores calc_predict_scores8(const ImgPlane& plane, int width, int height)
{
    return calc_predict_scores_scalar(plane, width, height);
}

#define QV_INSTANTIATE(T, B)                                                                      \
    template void predict_planes<T, B>(const ImgPlane&, ImgPlane, int, int, int);                \
    template void predict_planes_inplace<T, B>(ImgPlane, int, int, int);                         \
    template void unpredict_planes<T, B>(ImgPlane, int, int, int);
QV_INSTANTIATE(unsigned char, 8)
QV_INSTANTIATE(short, 10)
QV_INSTANTIATE(short, 12)
QV_INSTANTIATE(short, 14)
#undef QV_INSTANTIATE

} // namespace backends

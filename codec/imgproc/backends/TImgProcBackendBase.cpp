// The sample operations shared by every backend of one sample type and depth, and the four
// explicit instances that the geometry templates derive from.

#include "codec/imgproc/backends/TImgProcBackend.h"

#include "codec/imgproc/backends/PredictKernels.h"

template <class T, int Bits>
PredictScores TImgProcBackendBase<T, Bits>::calc_predict_scores(const ImgPlane& plane, int width, int height) const
{
    if constexpr (Bits == 8) {
        return backends::calc_predict_scores8(plane, width, height);
    } else {
        // Deep planes are not scored (nothing is read): the automatic choice always lands on
        // median.
        (void)plane, (void)width, (void)height;
        PredictScores s;
        s.median = 1;
        return s;
    }
}

template <class T, int Bits>
void TImgProcBackendBase<T, Bits>::predict(const ImgPlane& src, ImgPlane dst, int width, int height,
                                           int predictor, uint32_t* counts) const
{
    this->template predictT<T, Bits>(src, dst, width, height, predictor, counts);
}

template <class T, int Bits>
void TImgProcBackendBase<T, Bits>::predict(ImgPlane plane, int width, int height, int predictor,
                                           uint32_t* counts) const
{
    this->template predictT<T, Bits>(plane, width, height, predictor, counts);
}

template <class T, int Bits>
void TImgProcBackendBase<T, Bits>::unpredict(ImgPlane plane, int width, int height, int predictor) const
{
    if constexpr (Bits == 8)
        backends::unpredict8(plane, width, height, predictor);
    else
        backends::unpredict16<Bits>(plane, width, height, predictor);
}

template <class T, int Bits>
void ImgProcBackend::predictT(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor,
                              uint32_t* counts) const
{
    if constexpr (Bits == 8)
        backends::predict8(src, dst, width, height, predictor, counts);
    else
        backends::predict16<Bits>(src, dst, width, height, predictor, counts);
}

template <class T, int Bits>
void ImgProcBackend::predictT(ImgPlane plane, int width, int height, int predictor, uint32_t* counts) const
{
    if constexpr (Bits == 8)
        backends::predict8_inplace(plane, width, height, predictor, counts);
    else
        backends::predict16_inplace<Bits>(plane, width, height, predictor, counts);
}

#define QV_INSTANTIATE(T, B)                                                                      \
    template class TImgProcBackendBase<T, B>;                                                    \
    template void ImgProcBackend::predictT<T, B>(const ImgPlane&, ImgPlane, int, int, int, uint32_t*) const; \
    template void ImgProcBackend::predictT<T, B>(ImgPlane, int, int, int, uint32_t*) const;
QV_INSTANTIATE(unsigned char, 8)
QV_INSTANTIATE(short, 10)
QV_INSTANTIATE(short, 12)
QV_INSTANTIATE(short, 14)
#undef QV_INSTANTIATE

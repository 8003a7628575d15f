#pragma once
// The SIMD prediction paths behind TImgProcBackendBase, and the kernels they are made of. Each
// has a plain twin in PredictScalar.h that gives the same bytes.

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/backends/ImgProcBackend.h"

#include <cstdint>

namespace backends {

// Whole-plane operations. Width or height below 1 does nothing (scores 0, 0, 0).
template <class T, int Bits>
void predict_planes(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor);
template <class T, int Bits>
void predict_planes_inplace(ImgPlane plane, int width, int height, int predictor);
template <class T, int Bits>
void unpredict_planes(ImgPlane plane, int width, int height, int predictor);
PredictScores calc_predict_scores8(const ImgPlane& plane, int width, int height);

} // namespace backends

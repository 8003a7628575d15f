#pragma once
// Plain raster-order prediction, unprediction and scoring: the reference that every SIMD path of
// the backends must match byte for byte. Instantiated for <unsigned char, 8> and
// <short, 10/12/14> in PredictScalar.cpp.

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/backends/ImgProcBackend.h"

#include <cstdint>

namespace backends {

// Samples are read masked to the depth. When counts is not null every residual is also added to
// its first count table (ResidualCounts.h).
template <class T, int Bits>
void predict_scalar(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor,
                    uint32_t* counts = nullptr);

// In place, bottom-up and right to left, so every prediction still reads input samples.
template <class T, int Bits>
void predict_inplace_scalar(ImgPlane plane, int width, int height, int predictor, uint32_t* counts = nullptr);

template <class T, int Bits>
void unpredict_scalar(ImgPlane plane, int width, int height, int predictor);

// 8-bit scores: the same row cut as the SIMD scorer (only whole 16-byte groups of rows 1..h-1
// count), each scored sample adding |residual - 128| per predictor.
PredictScores calc_predict_scores_scalar(const ImgPlane& plane, int width, int height);

} // namespace backends

#pragma once
// The SIMD prediction paths behind TImgProcBackendBase, and the kernels they are made of. Each
// whole-plane operation has a plain twin in PredictScalar.h that gives the same bytes; width or
// height below 1 does nothing (scores 0, 0, 0).

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/backends/ImgProcBackend.h"
#include "codec/imgproc/backends/ScoreTotals.h"

#include <cstdint>

namespace backends {

// Prediction takes optional count tables (ResidualCounts.h): when counts is not null, every
// residual written is also added to them.

// 8-bit samples. The out-of-place form reads src and writes only dst; any dst alignment works.
void predict8(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor, uint32_t* counts = nullptr);
void predict8_inplace(ImgPlane plane, int width, int height, int predictor, uint32_t* counts = nullptr);
void unpredict8(ImgPlane plane, int width, int height, int predictor);
PredictScores calc_predict_scores8(const ImgPlane& plane, int width, int height);

// Scores count samples of one row at p (count a multiple of 16), the row above at p - stride,
// the left neighbours at p - 1. The row cut puts p on a 16-byte boundary; any address works.
ScoreTotals calc_predict_scores_sse(const uint8_t* p, int count, int stride);

// Median wavefront over a strip of N rows (2..15): p is column N of the strip's first row, and
// strip row i is reconstructed from column N - i on, n columns of it. Reads the row above the
// strip from column N - 1 to column N + n - 1 and never past it.
template <int N>
void unpredict_median_block_sse(uint8_t* p, int n, int stride);
// Median reconstruction of n samples (a multiple of 16) of one row starting at p.
void unpredict_median_planar_unrolled(uint8_t* p, int n, int stride);

// 10-, 12- and 14-bit samples in 16-bit words; strides in bytes. Word planes at odd addresses
// are handled, without SIMD. Prediction reads every word masked to the depth.
template <int Bits>
void predict16(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor, uint32_t* counts = nullptr);
template <int Bits>
void predict16_inplace(ImgPlane plane, int width, int height, int predictor, uint32_t* counts = nullptr);
template <int Bits>
void unpredict16(ImgPlane plane, int width, int height, int predictor);

// The 16-bit wavefront, strips of N = 2..7 rows; the stride is in samples here. Reads the row
// above from column N - 1 to column N + count - 1 and never past it. The row above and the
// columns left of the strip hold reconstructed samples (0..M), as unpredict16 leaves them.
template <int N, int Bits>
void unpredict_median_block16_sse(int16_t* p, int count, int stride);

} // namespace backends

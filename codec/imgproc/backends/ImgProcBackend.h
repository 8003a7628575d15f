#pragma once
// The interface of one canonical plane set and sample type: plane geometry, sample size, and
// prediction, unprediction and scoring of planes. Backends are stateless; one object may be used
// by any number of threads at once.

#include "codec/imgproc/ImgTypes.h"

#include <cstdint>

// Scores of the three predictors for one plane; higher means smaller residuals. Totals saturate
// at INT32_MAX rather than wrap.
struct PredictScores {
    int32_t left = 0;
    int32_t gradient = 0;
    int32_t median = 0;
};

enum PredictorId : int {
    PredictLeft = 1,
    PredictGradient = 2,
    PredictMedian = 3, // every id other than 1 and 2 acts as median
};

class ImgProcBackend {
public:
    virtual ~ImgProcBackend() = default;

    virtual int get_num_canonical_planes() const = 0;
    virtual int get_cplane_width(int plane, int width) const = 0;
    virtual int get_cplane_height(int plane, int height) const = 0;
    virtual int get_width_modulo() const = 0;
    virtual int get_height_modulo() const = 0;
    virtual int get_pixel_size() const = 0;
    virtual int get_pixel_bits() const = 0;

    virtual PredictScores calc_predict_scores(const ImgPlane& plane, int width, int height) const = 0;
    // Out of place: writes the residuals of src into dst; src is not changed. Samples are read
    // masked to get_pixel_bits. When counts is not null, every residual is also added to those
    // count tables (backends/ResidualCounts.h: the caller zeroes them and sums them up).
    virtual void predict(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor,
                         uint32_t* counts = nullptr) const = 0;
    // In place: replaces the samples of plane by their residuals; counts as above.
    virtual void predict(ImgPlane plane, int width, int height, int predictor, uint32_t* counts = nullptr) const = 0;
    // In place: the exact inverse of predict for the same predictor and size.
    virtual void unpredict(ImgPlane plane, int width, int height, int predictor) const = 0;

    // The prediction bodies shared by every backend of one sample type and depth. They touch no
    // member: both predict overrides forward here unchanged. The out-of-place form needs each dst
    // row at the same address modulo 16 as its src row (16-bit: at an even address).
    template <class T, int Bits>
    void predictT(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor,
                  uint32_t* counts = nullptr) const;
    template <class T, int Bits>
    void predictT(ImgPlane plane, int width, int height, int predictor, uint32_t* counts = nullptr) const;

protected:
    ImgProcBackend() = default;
    ImgProcBackend(const ImgProcBackend&) = default;
    ImgProcBackend& operator=(const ImgProcBackend&) = default;
};

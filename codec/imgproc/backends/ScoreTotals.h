#pragma once
// Predictor score totals: summed in 64 bits and saturated to the 32-bit result, so a plane wide
// or tall enough to pass INT32_MAX ranks its predictors sensibly instead of wrapping negative.

#include "codec/imgproc/backends/ImgProcBackend.h"

#include <cstdint>
#include <limits>

namespace backends {

struct ScoreTotals {
    int64_t left = 0, gradient = 0, median = 0;

    void add(int64_t l, int64_t g, int64_t m)
    {
        left += l;
        gradient += g;
        median += m;
    }

    static int32_t saturate(int64_t v)
    {
        constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
        return static_cast<int32_t>(v > kMax ? kMax : v);
    }

    PredictScores result() const
    {
        PredictScores s;
        s.left = saturate(left);
        s.gradient = saturate(gradient);
        s.median = saturate(median);
        return s;
    }
};

} // namespace backends

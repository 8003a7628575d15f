#include "importer/FrameRate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace {

constexpr double kNtscFactor = 0.999000999000999; // 1000 / 1001
constexpr double kSnapDistance = 0.01;
constexpr uint64_t kMaxDuration = 0x7FFFFFFF;

} // namespace

AdjustedFrameRate AdjustFrameRate(int32_t rate, int32_t scale, uint64_t numFrames)
{
    AdjustedFrameRate out;
    // A header value of 2^31 or more reads as negative: no frame rate to tell the host.
    if (rate <= 0 || scale <= 0) {
        out.invalid = true;
        rate = 30;
        scale = 1;
    }

    const double x = double(rate) / double(scale);
    const double n = std::round(x); // halves away from zero
    // A rate that rounds to 0 frames per second stays as it is: snapping it would make it 0.
    if (n >= 1) {
        if (std::fabs(n - x) < kSnapDistance) {
            rate = int32_t(n);
            scale = 1;
        } else if (std::fabs(kNtscFactor * n - x) < kSnapDistance && n * 1000 <= double(INT32_MAX)) {
            rate = int32_t(n) * 1000;
            scale = 1001;
        }
    }

    const int32_t g = std::gcd(rate, scale);
    rate /= g;
    scale /= g;

    const uint64_t duration = uint64_t(scale) * numFrames;
    if (duration > kMaxDuration) {
        out.durationOverflow = true;
        const double f = double(kMaxDuration) / double(duration);
        rate = std::max<int32_t>(1, int32_t(std::trunc(double(rate) * f)));
        scale = std::max<int32_t>(1, int32_t(std::trunc(double(scale) * f)));
    }
    out.rate = rate;
    out.scale = scale;
    return out;
}

int64_t FrameIndexOfTime(int64_t time, int32_t rate, int32_t scale, int64_t ticksPerSecond)
{
    if (rate <= 0 || scale <= 0 || ticksPerSecond <= 0)
        return kNoFrameIndex;
    // scale x ticks per second reaches 2^31 x 2^63: exact in 128 bits, where 64 would wrap.
    const __int128 ticksPerFrame = (__int128(scale) * ticksPerSecond) / rate;
    if (ticksPerFrame <= 0)
        return kNoFrameIndex;
    return int64_t(__int128(time) / ticksPerFrame);
}

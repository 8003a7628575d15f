// The frame rate an imported stream is announced with, and the arithmetic between host time and
// frame numbers. Pure functions: the video side logs what they report.
#pragma once

#include <cstdint>

struct AdjustedFrameRate {
    int32_t rate = 30;   // frames per second = rate / scale, both at least 1
    int32_t scale = 1;
    bool invalid = false;          // the stream's rate or scale was unusable; 30/1 is told instead
    bool durationOverflow = false; // scaled down so that scale x frames fits a signed 32-bit duration
};

// The stream header's rate and scale (as signed values) snapped to n/1 or n*1000/1001 when within
// 0.01 frames per second of one, reduced, then scaled down when scale x frames would not fit.
AdjustedFrameRate AdjustFrameRate(int32_t rate, int32_t scale, uint64_t numFrames);

// Frame number of a host time: time / ((scale x ticksPerSecond) / rate), each division truncating
// toward zero, with the product taken exactly. A frame duration below one tick (or a time base or
// rate that is not positive) has no frame numbers: the result is kNoFrameIndex.
inline constexpr int64_t kNoFrameIndex = INT64_MIN;
int64_t FrameIndexOfTime(int64_t time, int32_t rate, int32_t scale, int64_t ticksPerSecond);

// "Premiere Time Suite" version 1: the host's time base.
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKTimeSuite "Premiere Time Suite"
#define kPrSDKTimeSuiteVersion 1

struct PrSDKTimeSuite {
    // 1: ticks in one second. Every frame duration and sample duration the host offers is a whole
    // number of ticks.
    prSuiteError (*getTicksPerSecond)(PrTime* outTicksPerSecond);
    // 2: ticks of one audio sample frame at the given rate.
    prSuiteError (*getTicksPerAudioSample)(float sampleRate, PrTime* outTicksPerSample);
};

// "Premiere Audio Suite" version 1: the host's sample conversions between its planar 32-bit float
// buffers (one buffer per channel, full scale +-1.0) and interleaved integer samples.
//
// Integer samples are signed and little-endian; 24-bit samples take three bytes. Float to integer
// scales by 2^(bits-1), rounds to nearest and clamps to the integer range; integer to float divides
// by 2^(bits-1).
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKAudioSuite "Premiere Audio Suite"
#define kPrSDKAudioSuiteVersion 1

typedef prSuiteError (*PrAudioFloatToIntFunc)(float** inChannels, void* outInterleaved,
                                              csSDK_uint32 channelCount, csSDK_uint32 sampleFrames);
typedef prSuiteError (*PrAudioIntToFloatFunc)(const void* inInterleaved, float** outChannels,
                                              csSDK_uint32 channelCount, csSDK_uint32 sampleFrames);

struct PrSDKAudioSuite {
    PrAudioFloatToIntFunc convertFloatToInt8;  // 1
    PrAudioFloatToIntFunc convertFloatToInt16; // 2
    PrAudioFloatToIntFunc convertFloatToInt24; // 3
    PrAudioFloatToIntFunc convertFloatToInt32; // 4
    PrAudioIntToFloatFunc convertInt8ToFloat;  // 5
    PrAudioIntToFloatFunc convertInt16ToFloat; // 6
    PrAudioIntToFloatFunc convertInt24ToFloat; // 7
    PrAudioIntToFloatFunc convertInt32ToFloat; // 8
};

// "MediaCore Sequence Audio Suite" version 1: the mixed audio of the sequence being exported.
#pragma once

#include "sdk/PrSDKAudio.h"

#define kPrSDKSequenceAudioSuite "MediaCore Sequence Audio Suite"
#define kPrSDKSequenceAudioSuiteVersion 1

struct PrSDKSequenceAudioSuite1 {
    // 1: a renderer that delivers the sequence's audio from startTime on, as planar float.
    prSuiteError (*makeAudioRenderer)(csSDK_uint32 pluginID, PrTime startTime,
                                      PrAudioChannelType channelType, PrAudioSampleType sampleType,
                                      float sampleRate, csSDK_uint32* outRendererID);
    // 2: frees the renderer.
    prSuiteError (*releaseAudioRenderer)(csSDK_uint32 pluginID, csSDK_uint32 rendererID);
    // 3: the next sampleFrames sample frames, one buffer per channel; requests follow each other
    // without gaps. At most the max blip per request. clip != 0 clamps samples to +-1.0.
    prSuiteError (*getAudio)(csSDK_uint32 rendererID, csSDK_uint32 sampleFrames, float** buffers,
                             char clip);
    // 4: the most sample frames one getAudio request may ask for.
    prSuiteError (*getMaxBlip)(csSDK_uint32 rendererID, PrTime ticksPerFrame,
                               csSDK_int32* outMaxBlip);
};

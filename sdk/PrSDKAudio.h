// Host audio enumerations: sample types, channel types and channel labels.
#pragma once

#include "sdk/PrSDKTypes.h"

// Sample layout of audio handed across the interface. The value 0 has no name of its own.
enum PrAudioSampleType : csSDK_int32 {
#define QV_SAMPLE_TYPE(name, value) name = value,
#include "sdk/AudioSampleTypes.def"
#undef QV_SAMPLE_TYPE
};

// Channel configuration of a sequence or a stream.
enum PrAudioChannelType : csSDK_int32 {
    kPrAudioChannelType_Mono = 1,
    kPrAudioChannelType_Stereo = 2,
    kPrAudioChannelType_51 = 3,        // front left, front right, centre, LFE, back left, back right
    kPrAudioChannelType_32Channel = 4, // 32 discrete channels, no speaker positions
};

// Speaker assigned to one channel of a stream.
enum PrAudioChannelLabel : csSDK_int32 {
#define QV_CHANNEL_LABEL(name, value) name = value,
#include "sdk/AudioChannelLabels.def"
#undef QV_CHANNEL_LABEL
};

// Most channels a channel layout record holds.
inline constexpr int kPrMaxAudioChannels = 32;

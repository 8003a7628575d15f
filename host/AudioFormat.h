// Translations between the host's audio enumerations and the WAVE description of an AVI audio
// stream, sample-type names for the user interface, and float sample (un)interleaving.
#pragma once

#include <string>
#include <utility>

#include "container/avi/AviTypes.h"
#include "sdk/PrSDKAudio.h"

// Channels of a host channel type (1, 2, 6 or 32); throws std::runtime_error for any other type.
unsigned GetNumberOfAudioChannels(PrAudioChannelType channelType);

// Speaker mask of a host channel type: 0 for mono and the 32-channel type, front left and right
// for stereo, the six 5.1 speakers for 5.1. Any other type logs a warning and gives 0.
unsigned GetAudioChannelMask(PrAudioChannelType channelType);

// Host sample type of a WAVE format: IEEE float is 32-bit float whatever bits the header claims
// (a reader must check the bits itself before trusting the sample size), PCM of 8, 16, 24 or 32
// bits the matching integer type, anything else kPrAudioSampleType_Other.
PrAudioSampleType GetAudioSampleType(avi::WaveFormatTag tag, unsigned short bits);

// WAVE format tag and bits of a host sample type; (0, 0) for a type that has none.
std::pair<avi::WaveFormatTag, unsigned short> GetWaveFormat(PrAudioSampleType sampleType);

// Host channel label of one speaker bit; kPrAudioChannelLabel_Discrete for anything else.
PrAudioChannelLabel SpeakerPositionToChannelLabel(avi::SpeakerPosition position);

std::string GetAudioSampleTypeNameForGUI(PrAudioSampleType sampleType);

// interleaved[f * channelCount + c] = channels[c][f], bit for bit.
void InterleaveTo32BitFloat(float** channels, float* interleaved, unsigned channelCount, unsigned frameCount);
// channels[c][f] = interleaved[f * channelCount + c], bit for bit.
void UninterleaveFrom32BitFloat(float* interleaved, float** channels, unsigned channelCount, unsigned frameCount);

#include "host/AudioFormat.h"

#include <cstring>
#include <stdexcept>

#include "host/Logger.h"

namespace {

// Speaker bits of the extensible WAVE format and the host labels of the same positions. The
// host numbers its top speakers left, right, centre, the WAVE bits left, centre, right; rows pair
// them by position.
constexpr std::pair<avi::SpeakerPosition, PrAudioChannelLabel> kSpeakerLabels[] = {
    {avi::SPEAKER_FRONT_LEFT, kPrAudioChannelLabel_FrontLeft},
    {avi::SPEAKER_FRONT_RIGHT, kPrAudioChannelLabel_FrontRight},
    {avi::SPEAKER_FRONT_CENTER, kPrAudioChannelLabel_FrontCenter},
    {avi::SPEAKER_LOW_FREQUENCY, kPrAudioChannelLabel_LowFrequency},
    {avi::SPEAKER_BACK_LEFT, kPrAudioChannelLabel_BackLeft},
    {avi::SPEAKER_BACK_RIGHT, kPrAudioChannelLabel_BackRight},
    {avi::SPEAKER_FRONT_LEFT_OF_CENTER, kPrAudioChannelLabel_FrontLeftOfCenter},
    {avi::SPEAKER_FRONT_RIGHT_OF_CENTER, kPrAudioChannelLabel_FrontRightOfCenter},
    {avi::SPEAKER_BACK_CENTER, kPrAudioChannelLabel_BackCenter},
    {avi::SPEAKER_SIDE_LEFT, kPrAudioChannelLabel_SideLeft},
    {avi::SPEAKER_SIDE_RIGHT, kPrAudioChannelLabel_SideRight},
    {avi::SPEAKER_TOP_CENTER, kPrAudioChannelLabel_TopCenter},
    {avi::SPEAKER_TOP_FRONT_LEFT, kPrAudioChannelLabel_TopFrontLeft},
    {avi::SPEAKER_TOP_FRONT_CENTER, kPrAudioChannelLabel_TopFrontCenter},
    {avi::SPEAKER_TOP_FRONT_RIGHT, kPrAudioChannelLabel_TopFrontRight},
    {avi::SPEAKER_TOP_BACK_LEFT, kPrAudioChannelLabel_TopBackLeft},
    {avi::SPEAKER_TOP_BACK_CENTER, kPrAudioChannelLabel_TopBackCenter},
    {avi::SPEAKER_TOP_BACK_RIGHT, kPrAudioChannelLabel_TopBackRight},
};

} // namespace

unsigned GetNumberOfAudioChannels(PrAudioChannelType channelType)
{
    switch (channelType) {
    case kPrAudioChannelType_Mono: return 1;
    case kPrAudioChannelType_Stereo: return 2;
    case kPrAudioChannelType_51: return 6;
    case kPrAudioChannelType_32Channel: return 32;
    }
    throw std::runtime_error("GetNumberOfAudioChannels(): invalid channel type: " + std::to_string(int(channelType)));
}

unsigned GetAudioChannelMask(PrAudioChannelType channelType)
{
    switch (channelType) {
    case kPrAudioChannelType_Mono: return 0x0;
    case kPrAudioChannelType_Stereo: return 0x3;
    case kPrAudioChannelType_51: return 0x3F;
    case kPrAudioChannelType_32Channel: return 0x0;
    }
    Logger::Log("WARNING: GetAudioChannelMask(): invalid channel type: %u", unsigned(channelType));
    return 0;
}

PrAudioSampleType GetAudioSampleType(avi::WaveFormatTag tag, unsigned short bits)
{
    if (tag == avi::WAVE_FORMAT_IEEE_FLOAT)
        return kPrAudioSampleType_32BitFloat;
    if (tag == avi::WAVE_FORMAT_PCM) {
        switch (bits) {
        case 8: return kPrAudioSampleType_8BitInt;
        case 16: return kPrAudioSampleType_16BitInt;
        case 24: return kPrAudioSampleType_24BitInt;
        case 32: return kPrAudioSampleType_32BitInt;
        }
    }
    return kPrAudioSampleType_Other;
}

std::pair<avi::WaveFormatTag, unsigned short> GetWaveFormat(PrAudioSampleType sampleType)
{
    switch (sampleType) {
    case kPrAudioSampleType_8BitInt: return {avi::WAVE_FORMAT_PCM, 8};
    case kPrAudioSampleType_16BitInt: return {avi::WAVE_FORMAT_PCM, 16};
    case kPrAudioSampleType_24BitInt: return {avi::WAVE_FORMAT_PCM, 24};
    case kPrAudioSampleType_32BitInt: return {avi::WAVE_FORMAT_PCM, 32};
    case kPrAudioSampleType_32BitFloat: return {avi::WAVE_FORMAT_IEEE_FLOAT, 32};
    default: return {avi::WaveFormatTag(0), 0};
    }
}

PrAudioChannelLabel SpeakerPositionToChannelLabel(avi::SpeakerPosition position)
{
    for (const auto& [speaker, label] : kSpeakerLabels) {
        if (speaker == position)
            return label;
    }
    return kPrAudioChannelLabel_Discrete;
}

std::string GetAudioSampleTypeNameForGUI(PrAudioSampleType sampleType)
{
    switch (sampleType) {
    case kPrAudioSampleType_8BitInt: return "8 bit";
    case kPrAudioSampleType_16BitInt: return "16 bit";
    case kPrAudioSampleType_24BitInt: return "24 bit";
    case kPrAudioSampleType_32BitInt: return "32 bit";
    case kPrAudioSampleType_32BitFloat: return "32 bit float";
    default: return "Unknown sample type";
    }
}

// Samples move as bit patterns (memcpy), so NaN payloads and -0.0 arrive unchanged.
void InterleaveTo32BitFloat(float** channels, float* interleaved, unsigned channelCount, unsigned frameCount)
{
    for (unsigned f = 0; f < frameCount; ++f) {
        for (unsigned c = 0; c < channelCount; ++c)
            std::memcpy(&interleaved[std::size_t(f) * channelCount + c], &channels[c][f], sizeof(float));
    }
}

void UninterleaveFrom32BitFloat(float* interleaved, float** channels, unsigned channelCount, unsigned frameCount)
{
    for (unsigned f = 0; f < frameCount; ++f) {
        for (unsigned c = 0; c < channelCount; ++c)
            std::memcpy(&channels[c][f], &interleaved[std::size_t(f) * channelCount + c], sizeof(float));
    }
}

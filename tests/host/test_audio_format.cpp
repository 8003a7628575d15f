#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "LogCapture.h"
#include "common/test_random.h"
#include "host/AudioFormat.h"

TEST(AudioFormat, ChannelTypes)
{
    EXPECT_EQ(GetNumberOfAudioChannels(kPrAudioChannelType_Mono), 1u);
    EXPECT_EQ(GetNumberOfAudioChannels(kPrAudioChannelType_Stereo), 2u);
    EXPECT_EQ(GetNumberOfAudioChannels(kPrAudioChannelType_51), 6u);
    EXPECT_EQ(GetNumberOfAudioChannels(kPrAudioChannelType_32Channel), 32u);
    try {
        GetNumberOfAudioChannels(PrAudioChannelType(0));
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "GetNumberOfAudioChannels(): invalid channel type: 0");
    }
    EXPECT_THROW(GetNumberOfAudioChannels(PrAudioChannelType(-3)), std::runtime_error);

    EXPECT_EQ(GetAudioChannelMask(kPrAudioChannelType_Mono), 0x0u);
    EXPECT_EQ(GetAudioChannelMask(kPrAudioChannelType_Stereo), 0x3u);
    EXPECT_EQ(GetAudioChannelMask(kPrAudioChannelType_51), 0x3Fu);
    EXPECT_EQ(GetAudioChannelMask(kPrAudioChannelType_32Channel), 0x0u);
    qtest::LogCapture log;
    EXPECT_EQ(GetAudioChannelMask(PrAudioChannelType(0)), 0u);
    EXPECT_EQ(log.messages().back(), "WARNING: GetAudioChannelMask(): invalid channel type: 0");
}

TEST(AudioFormat, SampleTypesAndWaveFormats)
{
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_IEEE_FLOAT, 32), kPrAudioSampleType_32BitFloat);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_IEEE_FLOAT, 64), kPrAudioSampleType_32BitFloat);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_PCM, 8), kPrAudioSampleType_8BitInt);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_PCM, 16), kPrAudioSampleType_16BitInt);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_PCM, 24), kPrAudioSampleType_24BitInt);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_PCM, 32), kPrAudioSampleType_32BitInt);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_PCM, 20), kPrAudioSampleType_Other);
    EXPECT_EQ(GetAudioSampleType(avi::WAVE_FORMAT_EXTENSIBLE, 16), kPrAudioSampleType_Other);

    using Wave = std::pair<avi::WaveFormatTag, unsigned short>;
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_8BitInt), Wave(avi::WAVE_FORMAT_PCM, 8));
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_16BitInt), Wave(avi::WAVE_FORMAT_PCM, 16));
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_24BitInt), Wave(avi::WAVE_FORMAT_PCM, 24));
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_32BitInt), Wave(avi::WAVE_FORMAT_PCM, 32));
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_32BitFloat), Wave(avi::WAVE_FORMAT_IEEE_FLOAT, 32));
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_8BitTwosInt), Wave(avi::WaveFormatTag(0), 0));
    EXPECT_EQ(GetWaveFormat(kPrAudioSampleType_Max), Wave(avi::WaveFormatTag(0), 0));

    // Every sample type the exporter offers survives the trip to a WAVE format and back.
    for (PrAudioSampleType t : {kPrAudioSampleType_8BitInt, kPrAudioSampleType_16BitInt, kPrAudioSampleType_24BitInt,
                                kPrAudioSampleType_32BitInt, kPrAudioSampleType_32BitFloat}) {
        const Wave w = GetWaveFormat(t);
        EXPECT_EQ(GetAudioSampleType(w.first, w.second), t);
    }

    EXPECT_EQ(GetAudioSampleTypeNameForGUI(kPrAudioSampleType_8BitInt), "8 bit");
    EXPECT_EQ(GetAudioSampleTypeNameForGUI(kPrAudioSampleType_16BitInt), "16 bit");
    EXPECT_EQ(GetAudioSampleTypeNameForGUI(kPrAudioSampleType_24BitInt), "24 bit");
    EXPECT_EQ(GetAudioSampleTypeNameForGUI(kPrAudioSampleType_32BitInt), "32 bit");
    EXPECT_EQ(GetAudioSampleTypeNameForGUI(kPrAudioSampleType_32BitFloat), "32 bit float");
    EXPECT_EQ(GetAudioSampleTypeNameForGUI(kPrAudioSampleType_8BitTwosInt), "Unknown sample type");
}

TEST(AudioFormat, SpeakerLabelsPairByPosition)
{
    const std::pair<uint32_t, int> expected[] = {
        {0x1, 100},    {0x2, 101},    {0x4, 102},    {0x8, 103},    {0x10, 104},    {0x20, 105},
        {0x40, 107},   {0x80, 108},   {0x100, 106},  {0x200, 109},  {0x400, 110},   {0x800, 111},
        {0x1000, 112}, {0x2000, 114}, {0x4000, 113}, {0x8000, 115}, {0x10000, 117}, {0x20000, 116},
    };
    for (const auto& [bit, label] : expected)
        EXPECT_EQ(SpeakerPositionToChannelLabel(avi::SpeakerPosition(bit)), label) << std::hex << bit;
    for (uint32_t other : {0x0u, 0x3u, 0x40000u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_EQ(SpeakerPositionToChannelLabel(avi::SpeakerPosition(other)), kPrAudioChannelLabel_Discrete) << other;
}

TEST(AudioFormat, InterleaveRoundTripsBitForBit)
{
    for (unsigned channels : {1u, 2u, 3u, 6u, 32u}) {
        for (unsigned frames : {0u, 1u, 7u, 480u}) {
            std::vector<std::vector<float>> planar(channels, std::vector<float>(frames));
            std::vector<float*> in(channels), out(channels);
            std::vector<std::vector<float>> back(channels, std::vector<float>(frames, 1.0f));
            for (unsigned c = 0; c < channels; ++c) {
                for (unsigned f = 0; f < frames; ++f) {
                    const uint32_t bits = qtest::rand_u32(); // any pattern, NaNs included
                    std::memcpy(&planar[c][f], &bits, 4);
                }
                in[c] = planar[c].data();
                out[c] = back[c].data();
            }
            std::vector<float> interleaved(std::size_t(channels) * frames + 1);
            const uint32_t guard = 0xDEADBEEF;
            std::memcpy(&interleaved.back(), &guard, 4);
            InterleaveTo32BitFloat(in.data(), interleaved.data(), channels, frames);
            for (unsigned f = 0; f < frames; ++f)
                for (unsigned c = 0; c < channels; ++c)
                    ASSERT_EQ(std::memcmp(&interleaved[f * channels + c], &planar[c][f], 4), 0);
            EXPECT_EQ(std::memcmp(&interleaved.back(), &guard, 4), 0);
            UninterleaveFrom32BitFloat(interleaved.data(), out.data(), channels, frames);
            for (unsigned c = 0; c < channels && frames != 0; ++c)
                ASSERT_EQ(std::memcmp(back[c].data(), planar[c].data(), frames * 4), 0);
        }
    }
    // One channel: the buffer is copied unchanged.
    float mono[3] = {0.5f, -0.0f, 2.0f}, copy[3] = {};
    float* monoIn[] = {mono};
    InterleaveTo32BitFloat(monoIn, copy, 1, 3);
    EXPECT_EQ(std::memcmp(mono, copy, sizeof mono), 0);
}

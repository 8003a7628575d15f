// Audio import: the float samples of what was stored for every sample type, reads across chunks,
// silence past the end, sequential requests, channel layouts, and the requests and files that
// cannot be served.
#include <climits>
#include <cmath>
#include <cstring>

#include "allocation_probe.h"
#include "avi_builder.h"
#include "importer_fixture.h"

namespace qtest {
namespace {

using Audio = ImporterTest;

AudioTrack track(avi::WaveFormatTag tag, uint16_t channels, uint16_t bits, unsigned frames, uint32_t mask = 3)
{
    AudioTrack t;
    t.tag = tag;
    t.channels = channels;
    t.bits = bits;
    t.channelMask = mask;
    t.chunkBytes = std::size_t(channels) * (bits / 8u) * 333; // chunks that requests straddle
    t.data = noiseBytes(std::size_t(frames) * channels * (bits / 8u), 77);
    if (tag == avi::WAVE_FORMAT_IEEE_FLOAT) {
        for (std::size_t i = 0; i + 4 <= t.data.size(); i += 4) {
            const float v = float(int(t.data[i]) - 128) / 128.0f;
            std::memcpy(&t.data[i], &v, 4);
        }
    }
    return t;
}

// The host's float for sample i of channel c of what was stored (past the end: silence).
float expectedSample(const AudioTrack& t, long long frame, unsigned c)
{
    const unsigned bytes = t.bits / 8u;
    const std::size_t at = (std::size_t(frame) * t.channels + c) * bytes;
    if (frame < 0 || at + bytes > t.data.size())
        return 0.0f;
    const uint8_t* p = &t.data[at];
    if (t.tag == avi::WAVE_FORMAT_IEEE_FLOAT) {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    if (bytes == 1)
        return float(double(int(p[0]) - 128) / 128.0);
    long long raw = 0;
    for (unsigned b = 0; b < bytes; ++b)
        raw |= static_cast<long long>(p[b]) << (8 * b);
    if (raw & (1ll << (8 * bytes - 1)))
        raw -= 1ll << (8 * bytes);
    return float(double(raw) / std::ldexp(1.0, int(8 * bytes) - 1));
}

void expectSamples(const AudioTrack& t, const std::vector<std::vector<float>>& out, long long start, const std::string& what)
{
    for (unsigned c = 0; c < out.size(); ++c) {
        for (std::size_t i = 0; i < out[c].size(); ++i) {
            const float expected = expectedSample(t, start + (long long)i, c);
            if (std::memcmp(&expected, &out[c][i], 4) != 0) {
                ADD_FAILURE() << what << ": channel " << c << ", frame " << start + (long long)i << ": " << out[c][i]
                              << " != " << expected;
                return;
            }
        }
    }
}

TEST_F(Audio, ExportedAudioImportsAsTheFloatOfWhatWasWritten)
{
    ExportSpec shape;
    shape.frames = 10; // 1/3 s: 16000 sample frames
    shape.audio = true;
    exportFile("a.avi", shape);
    initImporter();
    imFileInfoRec8 info;
    standin::ImporterDriver::File file = openAndInfo("a.avi", &info);
    ASSERT_EQ(+info.audDuration, 16000);
    ASSERT_EQ(+info.sampleType, kPrAudioSampleType_16BitInt);

    host->log().clear();
    std::vector<std::vector<float>> out;
    ASSERT_EQ(importer->importAudio(file, 0, 6000, 2, out), 0);
    for (unsigned c = 0; c < 2; ++c) {
        for (long long i = 0; i < 6000; ++i)
            ASSERT_EQ(out[c][std::size_t(i)], fakehost::FakeHost::sequenceSample(c, i)) << c << ", " << i;
    }
    // Going on from there, past the end.
    ASSERT_EQ(importer->importAudio(file, -1, 20000, 2, out), 0);
    for (unsigned c = 0; c < 2; ++c) {
        for (long long i = 0; i < 20000; ++i) {
            const float expected = 6000 + i < 16000 ? fakehost::FakeHost::sequenceSample(c, 6000 + i) : 0.0f;
            ASSERT_EQ(out[c][std::size_t(i)], expected) << c << ", " << i;
        }
    }
    EXPECT_EQ(host->log().count("Audio.convertInt16ToFloat"), 2u);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

TEST_F(Audio, EverySampleType)
{
    struct Case {
        const char* name;
        AudioTrack t;
        PrAudioSampleType type;
        const char* conversion;
    };
    const Case cases[] = {
        {"8-bit", track(avi::WAVE_FORMAT_PCM, 2, 8, 3000), kPrAudioSampleType_8BitInt, "Audio.convertInt8ToFloat"},
        {"16-bit mono", track(avi::WAVE_FORMAT_PCM, 1, 16, 3000, 0), kPrAudioSampleType_16BitInt, "Audio.convertInt16ToFloat"},
        {"24-bit", track(avi::WAVE_FORMAT_PCM, 2, 24, 3000), kPrAudioSampleType_24BitInt, "Audio.convertInt24ToFloat"},
        {"32-bit 5.1", track(avi::WAVE_FORMAT_PCM, 6, 32, 3000, 0x3F), kPrAudioSampleType_32BitInt, "Audio.convertInt32ToFloat"},
        {"float", track(avi::WAVE_FORMAT_IEEE_FLOAT, 2, 32, 3000), kPrAudioSampleType_32BitFloat, ""},
        {"float 3 channels", track(avi::WAVE_FORMAT_IEEE_FLOAT, 3, 32, 3000, 7), kPrAudioSampleType_32BitFloat, ""},
    };
    initImporter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {c.t}});
        imFileInfoRec8 info;
        standin::ImporterDriver::File file = openAndInfo("a.avi", &info);
        ASSERT_EQ(+info.hasAudio, 1);
        EXPECT_EQ(+info.sampleType, c.type);
        EXPECT_EQ(+info.numChannels, c.t.channels);
        EXPECT_EQ(+info.audDuration, 3000);
        host->log().clear();
        std::vector<std::vector<float>> out;
        // Across chunk boundaries, then on past the end, then from a position again.
        ASSERT_EQ(importer->importAudio(file, 100, 1000, c.t.channels, out), 0);
        expectSamples(c.t, out, 100, "from 100");
        ASSERT_EQ(importer->importAudio(file, -1, 2500, c.t.channels, out), 0);
        expectSamples(c.t, out, 1100, "on from 1100");
        ASSERT_EQ(importer->importAudio(file, -5, 10, c.t.channels, out), 0);
        expectSamples(c.t, out, 3600, "on from 3600, all past the end");
        ASSERT_EQ(importer->importAudio(file, 0, 3000, c.t.channels, out), 0);
        expectSamples(c.t, out, 0, "whole stream");
        if (*c.conversion != 0) {
            EXPECT_EQ(host->log().count(c.conversion), 4u);
        }
        EXPECT_EQ(importer->close(file), 0);
    }
    finishAndExpectBalanced();
}

// Positions no chunk holds, absurd ones included, give silence; a request without buffers fails
// cleanly.
TEST_F(Audio, PositionsAndSizesBeyondTheStream)
{
    const AudioTrack t = track(avi::WAVE_FORMAT_PCM, 2, 8, 1000);
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {t}});
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    std::vector<std::vector<float>> out;
    for (csSDK_int64 position : {csSDK_int64(1000), csSDK_int64(5000000), csSDK_int64(LLONG_MAX / 2), csSDK_int64(LLONG_MAX)}) {
        ASSERT_EQ(importer->importAudio(file, position, 64, 2, out), 0) << position;
        for (const auto& channel : out)
            for (float v : channel)
                ASSERT_EQ(v, 0.0f) << position;
    }
    // Going on from LLONG_MAX stays at the end.
    ASSERT_EQ(importer->importAudio(file, -1, 64, 2, out), 0);
    ASSERT_EQ(importer->importAudio(file, 0, 0, 2, out), 0);

    imImportAudioRec7 noBuffers{file.privateData, 0, 16, nullptr};
    EXPECT_EQ(importer->call(imImportAudio7, nullptr, &noBuffers), 99);
    // The importer goes on working after it.
    ASSERT_EQ(importer->importAudio(file, 0, 1000, 2, out), 0);
    expectSamples(t, out, 0, "after the refusal");
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// A request larger than the importer may buffer is served piece by piece, each piece converted into
// the host's buffers at its own offset: every sample comes back exactly, the host converts them in
// more than one call, and no allocation comes near the request's size.
TEST_F(Audio, LargeRequestsAreServedInPieces)
{
    AudioTrack t = track(avi::WAVE_FORMAT_PCM, 2, 16, 2400000); // 9,600,000 bytes stored
    t.chunkBytes = 4 * 12345;                                   // chunks that the pieces straddle
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {t}});
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");

    // 2,400,000 frames from frame 100,001: 9,600,000 bytes of samples, the last 400,004 of them
    // past the end, against the 8 MiB (8,388,608 bytes) a few megabytes of buffer stay below.
    constexpr csSDK_uint32 kFrames = 2400000;
    std::vector<std::vector<float>> out(2, std::vector<float>(kFrames, 7.0f));
    float* buffers[] = {out[0].data(), out[1].data()};
    imImportAudioRec7 rec{file.privateData, 100001, kFrames, buffers};
    host->log().clear();
    allocations::reset();
    ASSERT_EQ(importer->call(imImportAudio7, nullptr, &rec), 0);
    EXPECT_LE(allocations::largest(), std::size_t(8) << 20);
    EXPECT_GE(host->log().count("Audio.convertInt16ToFloat"), 2u);
    expectSamples(t, out, 100001, "across pieces");
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// A chunk the index places beyond the end of the file: what can be read is, the rest is silence.
TEST_F(Audio, ChunksBeyondTheFile)
{
    enablePluginLog();
    AudioTrack t = track(avi::WAVE_FORMAT_PCM, 2, 16, 1000);
    t.chunkBytes = 1000;
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {t}});
    {
        const AviLayout layout = layoutOf(path("a.avi"));
        std::vector<uint8_t> bytes = readBytes(path("a.avi"));
        ASSERT_NE(+layout.stdIndexEntries[1], 0u);
        patch<uint32_t>(bytes, layout.stdIndexEntries[1] + 8, 0x7FFFFFF0u); // second chunk's offset
        writeBytes(path("a.avi"), bytes);
    }
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    std::vector<std::vector<float>> out;
    ASSERT_EQ(importer->importAudio(file, 0, 1000, 2, out), 0);
    expectSamples(t, std::vector<std::vector<float>>{{out[0].begin(), out[0].begin() + 250},
                                                     {out[1].begin(), out[1].begin() + 250}},
                  0, "the first chunk");
    for (const auto& channel : out)
        for (std::size_t i = 250; i < channel.size(); ++i)
            ASSERT_EQ(channel[i], 0.0f) << i;
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_GE(findLine(lines, "importAudio: read error: 1000, read: 0"), 0);
    EXPECT_TRUE(contains(lines, "fill    : 3000"));
}

TEST_F(Audio, RefusedFormats)
{
    enablePluginLog();
    auto withFormat = [](AudioTrack t, const avi::WAVEFORMATEXTENSIBLE& f, std::size_t size) {
        t.format = std::vector<uint8_t>(size);
        std::memcpy(t.format->data(), &f, size);
        return t;
    };
    const AudioTrack base = track(avi::WAVE_FORMAT_PCM, 2, 16, 100);
    avi::WAVEFORMATEXTENSIBLE f{};
    f.Format = {1, 2, 48000, 192000, 4, 16, 0};
    std::vector<AudioTrack> tracks;
    tracks.push_back(withFormat(base, f, 14)); // too small
    avi::WAVEFORMATEXTENSIBLE ext = f;
    ext.Format.wFormatTag = 0xFFFE;
    ext.Format.cbSize = 22;
    ext.SubFormat = {2, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    tracks.push_back(withFormat(base, ext, 40)); // ADPCM
    ext.SubFormat = {1, 0x0001, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    tracks.push_back(withFormat(base, ext, 40)); // not the base GUID
    avi::WAVEFORMATEXTENSIBLE many = f;
    many.Format.nChannels = 33;
    tracks.push_back(withFormat(base, many, 16));
    avi::WAVEFORMATEXTENSIBLE twelve = f;
    twelve.Format.wBitsPerSample = 12;
    tracks.push_back(withFormat(base, twelve, 16));
    avi::WAVEFORMATEXTENSIBLE align = f;
    align.Format.nBlockAlign = 3;
    tracks.push_back(withFormat(base, align, 16));
    avi::WAVEFORMATEXTENSIBLE halfFloat = f;
    halfFloat.Format.wFormatTag = 3; // float samples are 32 bits, whatever the header says
    tracks.push_back(withFormat(base, halfFloat, 16));
    tracks.push_back(base);

    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, tracks});
    initImporter();
    for (int stream = 0; stream < int(tracks.size()); ++stream) {
        standin::ImporterDriver::File file;
        ASSERT_EQ(importer->open(file, path("a.avi"), stream), 0);
        imFileInfoRec8 info;
        const csSDK_int32 result = importer->getInfo(file, info);
        const bool last = stream + 1 == int(tracks.size());
        EXPECT_EQ(result, stream == 0 ? 18 : last ? 19 : 18) << stream;
        EXPECT_EQ(+info.hasAudio, 1) << stream;
        EXPECT_EQ(+info.sampleType, last ? kPrAudioSampleType_16BitInt : kPrAudioSampleType_Other) << stream;
        // Dummy audio: no layout; silence in every channel the host was told of.
        imGetAudioChannelLayoutRec layout;
        EXPECT_EQ(importer->channelLayout(file, layout), last ? 0 : 3) << stream;
        if (!last) {
            std::vector<std::vector<float>> out;
            ASSERT_EQ(importer->importAudio(file, 0, 50, unsigned(info.numChannels), out), 0);
            for (const auto& channel : out)
                EXPECT_EQ(channel, std::vector<float>(50, 0.0f)) << stream;
        }
        EXPECT_EQ(importer->close(file), 0);
    }
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    for (const char* line : {"Avi audio stream format size is too small: 14",
                             "Avi unsupported audio stream format: 00000002-0000-0010-8000-00aa00389b71",
                             "Avi unsupported audio stream format: 00000001-0001-0010-8000-00aa00389b71",
                             "Avi too many audio channels: 33", "Avi unsupported audio bits per sample: 12",
                             "Avi audio stream format error: nBlockAlign != nChannels * (wBitsPerSample / 8)",
                             "Avi unsupported audio bits per sample: 16", "Audio is INVALID! Dummy:"})
        EXPECT_TRUE(contains(lines, line)) << line;
}

TEST_F(Audio, ChannelLayouts)
{
    struct Case {
        const char* name;
        AudioTrack t;
        std::size_t formatSize; // 0: as the writer makes it
        std::vector<csSDK_int32> labels;
    };
    auto plain = [](uint16_t channels) {
        AudioTrack t = track(avi::WAVE_FORMAT_PCM, channels, 16, 10, 0);
        avi::PCMWAVEFORMAT pcm{{1, channels, 48000, 96000u * channels, uint16_t(2 * channels)}, 16};
        t.format = std::vector<uint8_t>(sizeof pcm);
        std::memcpy(t.format->data(), &pcm, sizeof pcm);
        return t;
    };
    const Case cases[] = {
        {"stereo", track(avi::WAVE_FORMAT_PCM, 2, 16, 10), 0, {100, 101}},
        {"5.1 without mask", plain(6), 0, {100, 101, 102, 103, 104, 105}},
        {"4 without mask", plain(4), 0, {}},
        {"mono without mask", plain(1), 0, {}},
        {"quad by mask", track(avi::WAVE_FORMAT_PCM, 4, 16, 10, 0x33), 0, {100, 101, 104, 105}},
        {"mask short of the channels", track(avi::WAVE_FORMAT_PCM, 4, 16, 10, 0x101), 0, {100, 106}},
        {"mask beyond the channels", track(avi::WAVE_FORMAT_PCM, 3, 16, 10, 0x607), 0, {100, 101, 102}},
    };
    initImporter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {c.t}});
        standin::ImporterDriver::File file = openAndInfo("a.avi");
        imGetAudioChannelLayoutRec rec;
        ASSERT_EQ(importer->channelLayout(file, rec), 0);
        for (std::size_t i = 0; i < 32; ++i) {
            const csSDK_int32 expected = i < c.labels.size() ? c.labels[i] : 0x7FFF; // the rest untouched
            EXPECT_EQ(csSDK_int32(rec.outChannelLabels[i]), expected) << i;
        }
        EXPECT_EQ(importer->close(file), 0);
    }
    finishAndExpectBalanced();
}

TEST_F(Audio, NoAudioInformation)
{
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    std::vector<std::vector<float>> out;
    EXPECT_EQ(importer->importAudio(file, 0, 10, 2, out), 99);
    imGetAudioChannelLayoutRec rec;
    EXPECT_EQ(importer->channelLayout(file, rec), 99);
    EXPECT_EQ(host->fake().events().back().description,
              "FATAL: Unhandled exception during [imGetAudioChannelLayout] (64): m_audioInfo is NULL");
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

} // namespace
} // namespace qtest

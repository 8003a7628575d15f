// imGetInfo8: streams and their iteration, the fields of the record, dummy audio, the frame rate
// the host is told, and the files that cannot be imported.
#include <cstring>

#include "avi_builder.h"
#include "importer_fixture.h"

namespace qtest {
namespace {

using FileInfo = ImporterTest;

AudioTrack stereo16(unsigned frames, uint32_t seed = 1)
{
    AudioTrack track;
    track.data = noiseBytes(std::size_t(frames) * 4, seed);
    return track;
}

// The record a successful imGetInfo8 leaves: the importer's fields, 0xA5 everywhere else.
imFileInfoRec8 infoOf(ImporterTest& t, const std::string& name, int stream, csSDK_int32& result)
{
    standin::ImporterDriver::File file;
    EXPECT_EQ(t.importer->open(file, t.path(name), stream), 0);
    imFileInfoRec8 info;
    result = t.importer->getInfo(file, info);
    EXPECT_EQ(t.importer->close(file), 0);
    return info;
}

TEST_F(FileInfo, VideoAndAudioFields)
{
    VideoTrack video;
    video.width = 40;
    video.height = 20;
    video.frames = 7;
    writeAvi(path("a.avi"), AviSpec{video, {stereo16(12345)}});
    initImporter();
    csSDK_int32 result = -1;
    const imFileInfoRec8 info = infoOf(*this, "a.avi", 0, result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(+info.hasVideo, 1);
    EXPECT_EQ(+info.hasAudio, 1);
    EXPECT_EQ(+info.imageWidth, 40);
    EXPECT_EQ(+info.imageHeight, 20);
    EXPECT_EQ(+info.depth, 24);
    EXPECT_EQ(+info.subType, subtype("Q8RG"));
    EXPECT_EQ(+info.fieldType, 0);
    EXPECT_EQ(+info.alphaType, kImAlphaNone);
    EXPECT_EQ(+info.pixelAspectNum, 1);
    EXPECT_EQ(+info.pixelAspectDen, 1);
    EXPECT_EQ(+info.supportsRandomFrames, 1);
    EXPECT_EQ(+info.framesAreIndependent, 1);
    EXPECT_EQ(+info.isStill, 0);
    EXPECT_EQ(+info.vidScale, 30);
    EXPECT_EQ(+info.vidSampleSize, 1);
    EXPECT_EQ(+info.vidDuration, 7);
    EXPECT_EQ(+info.numChannels, 2);
    EXPECT_EQ(+info.sampleRate, 48000.0f);
    EXPECT_EQ(+info.sampleType, kPrAudioSampleType_16BitInt);
    EXPECT_EQ(+info.audDuration, 12345);
    EXPECT_EQ(+info.accessModes, 4);
    EXPECT_EQ(+info.hasDataRate, 1);
    // Untouched: the reserved spans between the fields.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&info);
    for (std::size_t at : {10u, 19u, 42u, 62u, 161u, 198u, 213u})
        EXPECT_EQ(bytes[at], 0xA5) << at;
    finishAndExpectBalanced();
}

TEST_F(FileInfo, AlphaSubtype)
{
    VideoTrack video;
    video.compressedType = QUORVANE_FRAME_COMP_RGBA;
    writeAvi(path("a.avi"), AviSpec{video, {}});
    initImporter();
    csSDK_int32 result = -1;
    const imFileInfoRec8 info = infoOf(*this, "a.avi", 0, result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(+info.depth, 32);
    EXPECT_EQ(+info.alphaType, kImAlphaStraight);
    EXPECT_EQ(+info.subType, 0x51385241u);
    EXPECT_EQ(+info.hasAudio, 0);
    finishAndExpectBalanced();
}

// 0, 18 and 19 over files with no, one and two audio streams.
TEST_F(FileInfo, StreamIteration)
{
    writeAvi(path("none.avi"), AviSpec{VideoTrack{}, {}});
    writeAvi(path("one.avi"), AviSpec{VideoTrack{}, {stereo16(1000)}});
    AudioTrack mono = stereo16(500, 2);
    mono.channels = 1;
    mono.channelMask = 0;
    mono.data.resize(1000);
    writeAvi(path("two.avi"), AviSpec{VideoTrack{}, {stereo16(1000), mono}});
    initImporter();

    csSDK_int32 result = -1;
    imFileInfoRec8 info = infoOf(*this, "none.avi", 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(+info.hasVideo, 1);
    EXPECT_EQ(+info.hasAudio, 0);

    info = infoOf(*this, "one.avi", 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(+info.hasAudio, 1);

    info = infoOf(*this, "two.avi", 0, result);
    EXPECT_EQ(result, 18);
    EXPECT_EQ(+info.hasVideo, 1);
    EXPECT_EQ(+info.numChannels, 2);
    info = infoOf(*this, "two.avi", 1, result);
    EXPECT_EQ(result, 19);
    EXPECT_EQ(+info.hasVideo, 0);
    EXPECT_EQ(+info.hasAudio, 1);
    EXPECT_EQ(+info.numChannels, 1);
    EXPECT_EQ(+info.audDuration, 500);
    EXPECT_EQ(+info.imageWidth, int32_t(0xA5A5A5A5)); // no video fields written

    // Stream 1 of a one-audio-stream file: dummy audio of a format nobody read.
    info = infoOf(*this, "one.avi", 1, result);
    EXPECT_EQ(result, 19);
    EXPECT_EQ(+info.hasVideo, 0);
    EXPECT_EQ(+info.hasAudio, 1);
    EXPECT_EQ(+info.numChannels, 1);
    EXPECT_EQ(+info.sampleRate, 1000.0f);
    EXPECT_EQ(+info.sampleType, kPrAudioSampleType_Other);
    EXPECT_EQ(+info.audDuration, 0);

    // A negative stream index never indexes before the stream list.
    info = infoOf(*this, "one.avi", -1, result);
    EXPECT_EQ(result, 18);
    EXPECT_EQ(+info.hasVideo, 0);
    EXPECT_EQ(+info.sampleType, kPrAudioSampleType_Other);
    finishAndExpectBalanced();
}

// Audio that init refused: no audio for stream 0 of a one-stream file, dummy audio (with the
// stored channels and a clamped rate) for the second stream of a two-stream file.
TEST_F(FileInfo, RefusedAudioFormats)
{
    AudioTrack bad = stereo16(1000);
    bad.bits = 12;
    bad.format = std::vector<uint8_t>(16);
    avi::PCMWAVEFORMAT pcm{{1, 40, 200000, 0, 80}, 12};
    std::memcpy(bad.format->data(), &pcm, sizeof pcm);
    writeAvi(path("bad.avi"), AviSpec{VideoTrack{}, {bad}});
    writeAvi(path("two.avi"), AviSpec{VideoTrack{}, {stereo16(1000), bad}});
    initImporter();
    csSDK_int32 result = -1;
    imFileInfoRec8 info = infoOf(*this, "bad.avi", 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(+info.hasAudio, 0);
    info = infoOf(*this, "two.avi", 1, result);
    EXPECT_EQ(result, 19);
    EXPECT_EQ(+info.hasAudio, 1);
    EXPECT_EQ(+info.numChannels, 32);
    EXPECT_EQ(+info.sampleRate, 192000.0f);
    EXPECT_EQ(+info.sampleType, kPrAudioSampleType_Other);
    EXPECT_EQ(+info.audDuration, 0);
    finishAndExpectBalanced();
}

TEST_F(FileInfo, FilesThatCannotBeImported)
{
    enablePluginLog();
    writeBytes(path("text.avi"), std::vector<uint8_t>{'n', 'o', 't', ' ', 'a', 'n', ' ', 'A', 'V', 'I', '!', '!', '!'});
    writeAvi(path("audio_only.avi"), AviSpec{std::nullopt, {stereo16(100)}});
    VideoTrack noHeader;
    noHeader.noFormatHeader = true;
    writeAvi(path("no_header.avi"), AviSpec{noHeader, {}});
    writeAvi(path("bad_header.avi"), AviSpec{VideoTrack{}, {}});
    {
        std::vector<uint8_t> bytes = readBytes(path("bad_header.avi"));
        const std::size_t at = std::string(bytes.begin(), bytes.end()).find("QORV");
        ASSERT_NE(at, std::string::npos);
        bytes[at] = 'X';
        writeBytes(path("bad_header.avi"), bytes);
    }
    initImporter();
    for (const char* name : {"text.avi", "audio_only.avi", "no_header.avi", "bad_header.avi"}) {
        standin::ImporterDriver::File file;
        ASSERT_EQ(importer->open(file, path(name)), 0) << name;
        imFileInfoRec8 info;
        std::memset(&info, 0xA5, sizeof info);
        imFileInfoRec8 before = info;
        EXPECT_EQ(importer->getInfo(file, info, false), 2) << name;
        EXPECT_EQ(std::memcmp(&before, &info, offsetof(imFileInfoRec8, privatedata)), 0) << name;
        PPixHand frame = nullptr;
        EXPECT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), frame), 99) << name;
        EXPECT_EQ(importer->close(file), 0);
    }
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_GE(findLine(lines, "Failed to parse avi: file doesn't look like AVI"), 0);
    EXPECT_TRUE(contains(lines, "Avi has no video stream"));
    EXPECT_TRUE(contains(lines, "Compressed format size is invalid"));
    EXPECT_GE(findLine(lines, "Decompress query failed: Quorvane error ("), 0);
}

// The frame rate the host is told, from the stream header's rate and scale.
TEST_F(FileInfo, FrameRateAdjustments)
{
    struct Case {
        uint32_t rate, scale;
        int frames;
        int32_t told[2];
    };
    const Case cases[] = {
        {2997, 100, 2, {30000, 1001}}, {23976, 1000, 2, {24000, 1001}}, {5994, 100, 2, {60000, 1001}},
        {50, 2, 2, {25, 1}},           {12345, 1000, 2, {2469, 200}},   {31, 2, 2, {31, 2}},
        {0, 1, 2, {30, 1}},            {25, 0, 2, {30, 1}},              {1, 200, 2, {1, 200}},
        {0x80000000u, 1, 2, {30, 1}},  {30, 0x80000001u, 2, {30, 1}},    {30000, 1001, 2, {30000, 1001}},
        // 2 x (2^31 - 1) does not fit: both shrink by f = 1/2, truncated, the rate kept at 1.
        {1, 0x7FFFFFFF, 2, {1, 1073741823}},
    };
    initImporter();
    for (const Case& c : cases) {
        VideoTrack video;
        video.rate = c.rate;
        video.scale = c.scale;
        video.frames = c.frames;
        writeAvi(path("r.avi"), AviSpec{video, {}});
        csSDK_int32 result = -1;
        const imFileInfoRec8 info = infoOf(*this, "r.avi", 0, result);
        ASSERT_EQ(result, 0);
        EXPECT_EQ(+info.vidScale, c.told[0]) << c.rate << "/" << c.scale;
        EXPECT_EQ(+info.vidSampleSize, c.told[1]) << c.rate << "/" << c.scale;
        EXPECT_EQ(+info.vidDuration, c.told[1] * c.frames) << c.rate << "/" << c.scale;
    }
    finishAndExpectBalanced();
}

TEST_F(FileInfo, InfoLogLines)
{
    enablePluginLog();
    VideoTrack video;
    video.rate = 2997;
    video.scale = 100;
    writeAvi(path("a.avi"), AviSpec{video, {stereo16(100)}});
    initImporter();
    standin::ImporterDriver::File file;
    ASSERT_EQ(importer->open(file, path("a.avi")), 0);
    imFileInfoRec8 info;
    ASSERT_EQ(importer->getInfo(file, info), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    const std::vector<std::string> expected = {
        "[imGetInfo8] (37)",
        "m_filePathUtf8: '" + path("a.avi") + "'",
        "m_streamIndex:  0",
        "fileInfoRec8P->streamIdx: 0",
        "VideoInfo::VideoInfo()",
        "Compressed format info: 32 x 16, COMP_RGB (101), BT709 (2), range: 2",
        "Decode formats:",
        "    PrPixelFormat_BGRX_4444_8u [bgrx]",
        "    PrPixelFormat_XRGB_4444_8u [xrgb]",
        "NumFrames: 4",
        "AVI FPS: 2997 / 100 (29.970)",
        "Adjusted FPS: 30000 / 1001 (29.970)",
        "AudioInfo::AudioInfo()",
        "Audio info:",
        "    wFormatTag:      1",
        "    format guid:     00000001-0000-0010-8000-00aa00389b71",
        "    nChannels:       2",
        "    nSamplesPerSec:  48000",
        "    wBitsPerSample:  16",
        "    dwChannelMask:   0x0",
        "    numSampleFrames: 100",
        "    [imNoErr] (0)",
    };
    long at = findLine(lines, "[imGetInfo8] (37)");
    ASSERT_GE(at, 0);
    for (const std::string& line : expected) {
        const long found = findLine(lines, line, at);
        EXPECT_GE(found, at) << line;
        if (found >= 0)
            at = found;
    }
    EXPECT_TRUE(contains(lines, "Open: '" + path("a.avi") + "', stream: 0"));
}

} // namespace
} // namespace qtest

// Damaged and absurd files: index entries beyond the file or of absurd sizes, truncated files at
// every length, and damaged bytes. Each is refused or read as far as it goes, with the results of
// the selectors, never with a crash, a hang or memory sized by a claim of the file.
#include <sys/resource.h>

#include <algorithm>
#include <random>
#include <set>

#include "avi_builder.h"
#include "importer_fixture.h"

namespace qtest {
namespace {

using Hostile = ImporterTest;

constexpr PrTime kFrame = kT / 30;

AviSpec sampleSpec()
{
    VideoTrack video;
    video.frames = 6;
    video.emptyFrames = {2};
    AudioTrack stereo;
    stereo.data = noiseBytes(4 * 2000, 3);
    stereo.chunkBytes = 1600;
    AudioTrack mono8;
    mono8.channels = 1;
    mono8.bits = 8;
    mono8.channelMask = 0;
    mono8.data = noiseBytes(1500, 4);
    mono8.chunkBytes = 700;
    return AviSpec{video, {stereo, mono8}};
}

long maxResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The whole import script of the editor over one file and stream, with every result checked
// against the results the selector may give.
void importEverything(ImporterTest& t, const std::string& name, int stream)
{
    standin::ImporterDriver::File file;
    ASSERT_EQ(t.importer->open(file, t.path(name), stream), 0);
    imFileInfoRec8 info;
    const csSDK_int32 result = t.importer->getInfo(file, info);
    ASSERT_TRUE(std::set<csSDK_int32>({0, 2, 5, 18, 19}).count(result) != 0) << result;
    if (result == 0 || result == 18 || result == 19) {
        if (info.hasVideo != 0) {
            std::vector<PrPixelFormat> formats;
            EXPECT_EQ(t.importer->pixelFormats(file, formats), 301);
            const int frames = std::min(+info.vidDuration, 64);
            for (int k = -1; k <= frames; ++k) {
                PPixHand out = nullptr;
                const csSDK_int32 r = t.importer->sourceVideo(file, k * kFrame, ImporterTest::formatsOf(formats.at(0)), out);
                EXPECT_TRUE(std::set<csSDK_int32>({0, 5, 8, 28, 33}).count(r) != 0) << r;
                if (out != nullptr)
                    t.importer->take(out);
            }
            std::string text;
            EXPECT_EQ(t.importer->analysis(file, 512, text), 0);
            csSDK_int32 size = 0;
            EXPECT_EQ(t.importer->dataRate(file, size, nullptr), 0);
            std::vector<imDataRateSample> entries;
            EXPECT_EQ(t.importer->dataRate(file, size, &entries), 0);
        }
        if (info.hasAudio != 0) {
            const unsigned channels = unsigned(info.numChannels);
            std::vector<std::vector<float>> out;
            const csSDK_uint32 size = csSDK_uint32(std::min<csSDK_int64>(info.audDuration + 100, 5000));
            const csSDK_int32 r = t.importer->importAudio(file, 0, size, channels, out);
            EXPECT_TRUE(r == 0 || r == 36) << r;
            imGetAudioChannelLayoutRec layout;
            const csSDK_int32 l = t.importer->channelLayout(file, layout);
            EXPECT_TRUE(l == 0 || l == 3) << l;
        }
    }
    EXPECT_EQ(t.importer->close(file), 0);
}

// A video chunk the index places beyond the end of the file, and one of an absurd size: the read
// fails with 33 before any buffer is sized by the claim.
TEST_F(Hostile, VideoIndexEntriesBeyondTheFile)
{
    enablePluginLog();
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    const AviLayout layout = layoutOf(path("a.avi"));
    std::vector<uint8_t> bytes = readBytes(path("a.avi"));
    ASSERT_NE(+layout.stdIndexEntries[0], 0u);
    patch<uint32_t>(bytes, layout.stdIndexEntries[0] + 8 * 1, 0x7FFFFFF0u);      // frame 1: offset
    patch<uint32_t>(bytes, layout.stdIndexEntries[0] + 8 * 2 + 4, 0x7FFFFFFFu);  // frame 2: size
    writeBytes(path("a.avi"), bytes);

    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    const long before = maxResidentKiB();
    PPixHand out = nullptr;
    EXPECT_EQ(importer->sourceVideo(file, kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 33);
    EXPECT_EQ(importer->sourceVideo(file, 2 * kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 33);
    EXPECT_LT(maxResidentKiB() - before, 256 * 1024) << "KiB more at the peak";
    ASSERT_EQ(importer->sourceVideo(file, 3 * kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0);
    importer->take(out);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_GE(findLine(lines, "Failed to read frame from AVI: Read error: size: "), 0);
    EXPECT_GE(findLine(lines, "Failed to read frame from AVI: Read error: size: 2147483647, read: "), 0);
}

// The same through the old index: OpenDML indexes that cannot be used leave idx1, whose entries
// claim up to 4 GiB.
TEST_F(Hostile, OldIndexEntryOfFourGigabytes)
{
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    const AviLayout layout = layoutOf(path("a.avi"));
    std::vector<uint8_t> bytes = readBytes(path("a.avi"));
    ASSERT_NE(+layout.idx1Data, 0u);
    // Standard index entries of 3 longs are not understood: the stream falls back to idx1.
    patch<uint16_t>(bytes, layout.stdIndexEntries[0] - sizeof(avi::AVIStdIndexHeader), 3);
    patch<uint32_t>(bytes, layout.idx1Data + 16 * 1 + 12, 0xFFFFFFFFu); // frame 1's length
    writeBytes(path("a.avi"), bytes);

    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    const long before = maxResidentKiB();
    PPixHand out = nullptr;
    EXPECT_EQ(importer->sourceVideo(file, kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 33);
    EXPECT_LT(maxResidentKiB() - before, 256 * 1024) << "KiB more at the peak";
    ASSERT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0);
    importer->take(out);
    csSDK_int32 size = 0;
    std::vector<imDataRateSample> entries;
    ASSERT_EQ(importer->dataRate(file, size, nullptr), 0);
    ASSERT_EQ(importer->dataRate(file, size, &entries), 0);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].sampleSize, 0xFFFFFFFFu);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// Frame rates and scales of every kind, with frames asked for all over the time line.
TEST_F(Hostile, AbsurdRatesAndScales)
{
    const uint32_t values[] = {0, 1, 199, 1001, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    initImporter();
    for (uint32_t rate : values) {
        for (uint32_t scale : values) {
            SCOPED_TRACE(std::to_string(rate) + "/" + std::to_string(scale));
            VideoTrack video;
            video.rate = rate;
            video.scale = scale;
            video.frames = 2;
            writeAvi(path("r.avi"), AviSpec{video, {}});
            standin::ImporterDriver::File file;
            imFileInfoRec8 info;
            ASSERT_EQ(importer->open(file, path("r.avi")), 0);
            ASSERT_EQ(importer->getInfo(file, info), 0);
            EXPECT_GE(+info.vidScale, 1);
            EXPECT_GE(+info.vidSampleSize, 1);
            for (PrTime t : {PrTime(0), PrTime(1), kT, PrTime(1) << 62, -(PrTime(1) << 62), PrTime(INT64_MAX), PrTime(INT64_MIN)}) {
                PPixHand out = nullptr;
                const csSDK_int32 r = importer->sourceVideo(file, t, formatsOf(PrPixelFormat_BGRX_4444_8u), out);
                EXPECT_TRUE(r == 0 || r == 28) << t << ": " << r;
                if (t == 0) {
                    EXPECT_EQ(r, 0);
                }
                if (out != nullptr)
                    importer->take(out);
            }
            EXPECT_EQ(importer->close(file), 0);
        }
    }
    finishAndExpectBalanced();
}

// The file cut short at every few bytes: each length is refused or read as far as it goes.
TEST_F(Hostile, TruncatedFiles)
{
    const WrittenAvi written = writeAvi(path("full.avi"), sampleSpec());
    const std::vector<uint8_t> bytes = readBytes(path("full.avi"));
    initImporter();
    // Densely through the headers, then at a stride through the data and indexes.
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < std::min<std::size_t>(bytes.size(), 1200); n += 7)
        cuts.push_back(n);
    for (std::size_t n = 1200; n < bytes.size(); n += std::max<std::size_t>(1, bytes.size() / 300))
        cuts.push_back(n);
    cuts.push_back(bytes.size() - 1);
    for (std::size_t n : cuts) {
        SCOPED_TRACE(n);
        writeBytes(path("cut.avi"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
        for (int stream : {0, 1})
            importEverything(*this, "cut.avi", stream);
        if (HasFatalFailure() || HasFailure())
            break;
    }
    finishAndExpectBalanced();
}

// Bytes of the file damaged at random, the headers most of all.
TEST_F(Hostile, DamagedBytes)
{
    writeAvi(path("full.avi"), sampleSpec());
    const std::vector<uint8_t> bytes = readBytes(path("full.avi"));
    std::mt19937 rng(12345);
    initImporter();
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        std::vector<uint8_t> damaged = bytes;
        const int flips = 1 + int(rng() % 8);
        for (int i = 0; i < flips; ++i) {
            const std::size_t span = rng() % 4 == 0 ? damaged.size() : std::min<std::size_t>(damaged.size(), 2048);
            damaged[rng() % span] = uint8_t(rng());
        }
        writeBytes(path("bad.avi"), damaged);
        for (int stream : {0, 1})
            importEverything(*this, "bad.avi", stream);
        if (HasFatalFailure() || HasFailure())
            break;
    }
    finishAndExpectBalanced();
}

} // namespace
} // namespace qtest

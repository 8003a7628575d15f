// Frame requests: orientation, repeats, time to frame, the decompression's life across pixel
// formats, the request's formats and sizes, host failures, and the data-rate answer.
#include <algorithm>
#include <climits>
#include <cstring>

#include "avi_builder.h"
#include "importer_fixture.h"
#include "stored_frames.h"

namespace qtest {
namespace {

using Video = ImporterTest;

constexpr PrTime kFrame = kT / 30;

// Export with the host keeping "bgrx" one way up, import with it the other way (or the same): the
// picture must come back upright whatever the two say, so the memory rows are mirrored exactly
// when the two answers differ.
TEST_F(Video, OrientationFollowsTheHostOnBothSides)
{
    struct Case {
        bool exportTopLeft, importTopLeft;
    };
    for (const Case c : {Case{false, true}, Case{true, false}, Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(std::to_string(c.exportTopLeft) + " -> " + std::to_string(c.importTopLeft));
        TearDown();
        SetUp();
        host->fake().setTopLeft(PrPixelFormat_BGRX_4444_8u, c.exportTopLeft);
        ExportSpec shape;
        shape.frames = 1;
        const std::vector<standin::Image> shown = exportFile("o.avi", shape);
        host->fake().setTopLeft(PrPixelFormat_BGRX_4444_8u, c.importTopLeft);
        initImporter();
        standin::ImporterDriver::File file = openAndInfo("o.avi");
        PPixHand out = nullptr;
        ASSERT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0);
        const standin::HostFrame frame = importer->take(out);
        const standin::Image upright = standin::imageOf(frame, c.importTopLeft);
        const standin::Image& rendered = shown[0];
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                for (int b = 0; b < 3; ++b)
                    ASSERT_EQ(upright.row(y)[4 * x + b], rendered.row(y)[4 * x + b]) << y << "," << x;
            }
        }
        // In memory: the first row the importer wrote is the rendered picture's top row exactly
        // when the host keeps the format top row first.
        const uint8_t* first = frame.memoryRow(0);
        const uint8_t* expectedFirst = c.importTopLeft ? rendered.row(0) : rendered.row(47);
        EXPECT_EQ(std::memcmp(first, expectedFirst, 3), 0);
        EXPECT_EQ(importer->close(file), 0);
        finishAndExpectBalanced();
    }
}

// Empty chunks show the nearest earlier frame with data, else the first later one.
TEST_F(Video, RepeatChunksShowTheirNeighbours)
{
    enablePluginLog();
    VideoTrack video;
    video.frames = 9;
    video.emptyFrames = {0, 1, 2, 5, 7, 8};
    const WrittenAvi written = writeAvi(path("a.avi"), AviSpec{video, {}});
    VideoTrack allEmpty;
    allEmpty.frames = 3;
    allEmpty.emptyFrames = {0, 1, 2};
    writeAvi(path("empty.avi"), AviSpec{allEmpty, {}});
    host->fake().setTopLeft(PrPixelFormat_BGRX_4444_8u, true);
    initImporter();

    standin::ImporterDriver::File file = openAndInfo("a.avi");
    const int shows[] = {3, 3, 3, 3, 4, 4, 6, 6, 6};
    for (int k = 0; k < 9; ++k) {
        PPixHand out = nullptr;
        ASSERT_EQ(importer->sourceVideo(file, k * kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0) << k;
        const standin::Image image = standin::imageOf(importer->take(out), true);
        EXPECT_EQ(image.bytes, written.frames[std::size_t(shows[k])]) << "frame " << k;
    }
    EXPECT_EQ(importer->close(file), 0);

    file = openAndInfo("empty.avi");
    for (int k = 0; k < 3; ++k) {
        PPixHand out = nullptr;
        EXPECT_EQ(importer->sourceVideo(file, k * kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 28) << k;
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "Empty frame: 5, frame read: 4"));
    EXPECT_TRUE(contains(lines, "Empty frame: 0, frame read: 3"));
    EXPECT_TRUE(contains(lines, "Empty frame: 8, frame read: 6"));
}

// Host time to frame number: truncating division, negative times before frame 0, and times far
// beyond the stream never wrap into it.
TEST_F(Video, TimesToFrames)
{
    VideoTrack video;
    video.frames = 5;
    const WrittenAvi written = writeAvi(path("a.avi"), AviSpec{video, {}});
    host->fake().setTopLeft(PrPixelFormat_BGRX_4444_8u, true);
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    struct Case {
        PrTime time;
        int frame; // -1: not found
    };
    const Case cases[] = {
        {0, 0},           {kFrame - 1, 0},      {-kFrame + 1, 0},        {-kFrame, -1},       {kFrame, 1},
        {4 * kFrame, 4},  {5 * kFrame, -1},     {5 * kFrame - 1, 4},     {PrTime(LLONG_MAX), -1},     {PrTime(LLONG_MIN), -1},
    };
    for (const Case& c : cases) {
        PPixHand out = nullptr;
        const csSDK_int32 result = importer->sourceVideo(file, c.time, formatsOf(PrPixelFormat_BGRX_4444_8u), out);
        if (c.frame < 0) {
            EXPECT_EQ(result, 28) << c.time;
            EXPECT_EQ(out, nullptr);
        } else {
            ASSERT_EQ(result, 0) << c.time;
            EXPECT_EQ(standin::imageOf(importer->take(out), true).bytes, written.frames[std::size_t(c.frame)]) << c.time;
        }
    }
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// A host time base so coarse that a frame lasts less than a tick has no frame numbers; one so
// fine, or a frame so long, that the frame duration in ticks passes 64 bits still finds frame 0.
TEST_F(Video, FrameDurationsBeyondTheArithmetic)
{
    VideoTrack slow;
    slow.rate = 1;
    slow.scale = 0x7FFFFFFF;
    slow.frames = 1;
    writeAvi(path("slow.avi"), AviSpec{slow, {}});
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();

    standin::ImporterDriver::File file = openAndInfo("slow.avi");
    for (PrTime t : {PrTime(0), kT, PrTime(LLONG_MAX)}) {
        PPixHand out = nullptr;
        ASSERT_EQ(importer->sourceVideo(file, t, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0) << t;
        importer->take(out);
    }
    EXPECT_EQ(importer->close(file), 0);

    host->fake().setTicksPerSecond(1); // 30 frames a second: under a tick each
    file = openAndInfo("a.avi");
    for (PrTime t : {PrTime(0), PrTime(1), PrTime(-1)}) {
        PPixHand out = nullptr;
        EXPECT_EQ(importer->sourceVideo(file, t, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 28) << t;
    }
    EXPECT_EQ(importer->close(file), 0);

    // With 30 ticks a second a frame is one tick, and frame 2^32 + 1 is an honest time.
    host->fake().setTicksPerSecond(30);
    file = openAndInfo("a.avi");
    PPixHand out = nullptr;
    EXPECT_EQ(importer->sourceVideo(file, (PrTime(1) << 32) + 1, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 28);
    ASSERT_EQ(importer->sourceVideo(file, 1, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0);
    importer->take(out);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// The decompression stays open while the format stays; a new format ends it and begins another.
// A format the stream cannot be decoded into fails with 8 and leaves nothing open.
TEST_F(Video, DecompressionAcrossPixelFormats)
{
    enablePluginLog();
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    const PrPixelFormat sequence[] = {PrPixelFormat_BGRX_4444_8u, PrPixelFormat_BGRX_4444_8u, PrPixelFormat_XRGB_4444_8u,
                                      PrPixelFormat_BGRA_4444_8u, PrPixelFormat_BGRX_4444_8u};
    const csSDK_int32 expected[] = {0, 0, 0, 8, 0};
    for (std::size_t i = 0; i < 5; ++i) {
        PPixHand out = nullptr;
        EXPECT_EQ(importer->sourceVideo(file, 0, formatsOf(sequence[i]), out), expected[i]) << i;
        if (out != nullptr)
            importer->take(out);
    }
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    int begins = 0, ends = 0;
    for (const std::string& line : lines) {
        begins += line.rfind("Starting decompression: ", 0) == 0 ? 1 : 0;
        ends += line == "Pixel format changed, ending decompression" ? 1 : 0;
    }
    EXPECT_EQ(begins, 4); // the failed one included
    EXPECT_EQ(ends, 2);
    EXPECT_TRUE(contains(lines, "Starting decompression: COMP_RGB [BT709] [FULL] -> BGRX [BT709] "
                                "(pr: PrPixelFormat_BGRX_4444_8u [bgrx]) [flipped]"));
    EXPECT_GE(findLine(lines, "Decompress begin failed: Quorvane error ("), 0);
}

// The request's formats: sizes 0 are the stream's, others must match it; no format, a negative
// count or a format the importer does not know are refused.
TEST_F(Video, RequestedFormatsAndSizes)
{
    enablePluginLog();
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    struct Case {
        std::vector<imFrameFormat> formats;
        csSDK_int32 result;
    };
    const Case cases[] = {
        {{{32, 16, PrPixelFormat_BGRX_4444_8u}}, 0},
        {{{0, 16, PrPixelFormat_BGRX_4444_8u}}, 0},
        {{{32, 0, PrPixelFormat_XRGB_4444_8u}, {64, 64, PrPixelFormat_Invalid}}, 0}, // only the first counts
        {{{64, 16, PrPixelFormat_BGRX_4444_8u}}, 5},
        {{{32, 15, PrPixelFormat_BGRX_4444_8u}}, 5},
        {{}, 5},
        {{{0, 0, PrPixelFormat_Invalid}}, 99},
        {{{0, 0, PrPixelFormat_NTSCDV25}}, 99},
    };
    for (const Case& c : cases) {
        PPixHand out = nullptr;
        EXPECT_EQ(importer->sourceVideo(file, 0, c.formats, out), c.result) << c.formats.size();
        if (out != nullptr) {
            const standin::HostFrame frame = importer->take(out);
            EXPECT_EQ(frame.width, 32);
            EXPECT_EQ(frame.height, 16);
        }
    }
    // A negative format count.
    PPixHand out = nullptr;
    imFrameFormat one{0, 0, PrPixelFormat_BGRX_4444_8u};
    imSourceVideoRec rec{file.privateData, 0, -1, &one, &out};
    EXPECT_EQ(importer->call(imGetSourceVideo, nullptr, &rec), 99);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "ERROR: frame size mismatch (64, 16) != (32, 16)"));
    EXPECT_TRUE(contains(lines, "ERROR: frameFormats is empty"));
    EXPECT_TRUE(contains(lines, "inFrameFormats[1]: 64 64 PrPixelFormat_Invalid [badf]"));
}

// The host cannot make the frame; a frame whose bytes are damaged does not decode. Neither
// leaves a frame behind.
TEST_F(Video, HostAndDecodeFailures)
{
    enablePluginLog();
    VideoTrack video;
    video.frames = 2;
    writeAvi(path("a.avi"), AviSpec{video, {}});
    {
        // Damage frame 1's block data (keeping its header, so it is still recognised).
        const StoredVideo stored(path("a.avi"));
        std::vector<uint8_t> bytes = readBytes(path("a.avi"));
        const std::vector<uint8_t>& chunk = stored.chunks[1];
        const auto at = std::search(bytes.begin(), bytes.end(), chunk.begin(), chunk.end());
        ASSERT_NE(at, bytes.end());
        std::fill(bytes.begin() + std::ptrdiff_t(at - bytes.begin()) + 32,
                  bytes.begin() + std::ptrdiff_t(at - bytes.begin()) + std::ptrdiff_t(chunk.size()), uint8_t(0xFF));
        writeBytes(path("a.avi"), bytes);
    }
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    PPixHand out = nullptr;
    host->fake().failCreatePPix(suiteError_Fail);
    EXPECT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 5);
    host->fake().failCreatePPix(0);
    EXPECT_EQ(importer->sourceVideo(file, kFrame, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 8);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), out), 0);
    importer->take(out);
    EXPECT_EQ(host->fake().framesDisposedByPlugin(), 1); // the frame of the failed decode
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "ERROR: CreatePPix() failed: -1"));
    EXPECT_GE(findLine(lines, "Decompress failed: Quorvane error ("), 0);
}

TEST_F(Video, PixelFormatIndexes)
{
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");
    std::vector<PrPixelFormat> formats;
    EXPECT_EQ(importer->pixelFormats(file, formats), 301);
    EXPECT_EQ(formats, (std::vector<PrPixelFormat>{PrPixelFormat_BGRX_4444_8u, PrPixelFormat_XRGB_4444_8u}));
    imIndPixelFormatRec rec{file.privateData, PrPixelFormat_Any};
    EXPECT_EQ(importer->call(imGetIndPixelFormat, reinterpret_cast<void*>(std::intptr_t(-1)), &rec), 301);
    EXPECT_EQ(+rec.outPixelFormat, PrPixelFormat_Any);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// Data rate: the size to ask for, then one entry per frame, never more than the buffer holds.
TEST_F(Video, DataRateAnalysis)
{
    VideoTrack video;
    video.frames = 6;
    video.emptyFrames = {3};
    writeAvi(path("a.avi"), AviSpec{video, {}});
    const StoredVideo stored(path("a.avi"));
    initImporter();
    standin::ImporterDriver::File file = openAndInfo("a.avi");

    csSDK_int32 size = 0;
    ASSERT_EQ(importer->dataRate(file, size, nullptr), 0);
    EXPECT_EQ(size, 48);

    for (csSDK_int32 bufferSize : {48, 64, 40, 17, 8, 7, 0, -8}) {
        std::vector<imDataRateSample> entries;
        csSDK_int32 baseRate = -1;
        csSDK_int32 given = bufferSize;
        ASSERT_EQ(importer->dataRate(file, given, &entries, &baseRate), 0) << bufferSize;
        EXPECT_EQ(baseRate, 0);
        const std::size_t written = std::min<std::size_t>(6, bufferSize > 0 ? std::size_t(bufferSize) / 8 : 0);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i < written) {
                EXPECT_EQ(entries[i].sampleDuration, 0x80000001u) << i;
                EXPECT_EQ(entries[i].sampleSize, stored.chunks[i].size()) << i;
            } else {
                EXPECT_EQ(entries[i].sampleDuration, 0xDEADBEEFu) << i; // untouched
            }
        }
    }
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

} // namespace
} // namespace qtest

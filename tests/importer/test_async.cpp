// The asynchronous importer: announced frames collected in any order, frames never announced,
// duplicates, flush, close with work pending, failures in request threads, and several host
// threads at once (run under ThreadSanitizer in CI).
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <thread>

#include "avi_builder.h"
#include "fakehost/FakeHostState.h"
#include "importer_fixture.h"

namespace qtest {
namespace {

constexpr PrTime kFrame = kT / 30;
constexpr int kFrames = 70;

class Async : public ImporterTest {
public:
    void SetUp() override
    {
        ImporterTest::SetUp();
        VideoTrack video;
        video.frames = kFrames;
        video.emptyFrames = {11};
        written = writeAvi(path("a.avi"), AviSpec{video, {}});
    }

    // Opens the file, then the asynchronous importer over it.
    void open(bool withLog = false)
    {
        if (withLog)
            enablePluginLog();
        initImporter();
        file = openAndInfo("a.avi");
        ASSERT_EQ(importer->createAsync(file, async), 0);
        ASSERT_TRUE(async.valid());
    }

    // Pixels of frame k as written (a repeat shows the frame before).
    const std::vector<uint8_t>& writtenFrame(int k) const { return written.frames[std::size_t(k == 11 ? 10 : k)]; }

    ::testing::AssertionResult isFrame(PPixHand out, int k)
    {
        if (out == nullptr)
            return ::testing::AssertionFailure() << "no frame for " << k;
        const standin::Image image =
            standin::imageOf(importer->take(out), host->fake().topLeft(PrPixelFormat_BGRX_4444_8u));
        if (image.bytes != writtenFrame(k))
            return ::testing::AssertionFailure() << "frame " << k << " has other pixels";
        return ::testing::AssertionSuccess();
    }

    const std::vector<imFrameFormat> bgrx = formatsOf(PrPixelFormat_BGRX_4444_8u);
    WrittenAvi written;
    standin::ImporterDriver::File file;
    standin::AsyncImporterDriver async;
};

TEST_F(Async, AnnouncedFramesInAnyOrder)
{
    open(true);
    // Its own file and suites: a second descriptor and a second set of acquisitions.
    EXPECT_EQ(host->fake().outstanding(kPrSDKPPixCreatorSuite), 2);
    for (int k : {1, 2, 3})
        EXPECT_EQ(async.initiate(k * kFrame, bgrx), 0);
    PPixHand out = nullptr;
    ASSERT_EQ(async.getFrame(2 * kFrame, bgrx, out), 0);
    EXPECT_TRUE(isFrame(out, 2));
    for (int k : {1, 3}) {
        ASSERT_EQ(async.getFrame(k * kFrame, bgrx, out), 0);
        EXPECT_TRUE(isFrame(out, k));
    }
    // Never announced: decoded on the spot.
    ASSERT_EQ(async.getFrame(40 * kFrame, bgrx, out), 0);
    EXPECT_TRUE(isFrame(out, 40));
    ASSERT_EQ(async.getFrame(11 * kFrame + 5, bgrx, out), 0);
    EXPECT_TRUE(isFrame(out, 11));
    // Beyond the end.
    EXPECT_EQ(async.getFrame(kFrames * kFrame, bgrx, out), 2);
    EXPECT_EQ(out, nullptr);
    // The synchronous importer goes on undisturbed.
    ASSERT_EQ(importer->sourceVideo(file, 5 * kFrame, bgrx, out), 0);
    EXPECT_TRUE(isFrame(out, 5));

    EXPECT_EQ(async.close(), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "REQUEST: Adding: 1, frameTime: " + std::to_string(kFrame)));
    EXPECT_TRUE(contains(lines, "REQUEST: ERROR: Frame not found: 40, frameTime: " + std::to_string(40 * kFrame)));
    EXPECT_TRUE(contains(lines, "Decoded 2: PrPixelFormat_BGRX_4444_8u"));
    EXPECT_TRUE(contains(lines, "    OnInitiateAsyncRead: [aiNoError] (0)"));
    EXPECT_TRUE(contains(lines, "    OnGetFrame: [aiNoError] (0), [imNoErr] (0)"));
    EXPECT_TRUE(contains(lines, "    OnGetFrame: [aiUnknownError] (2), [imFrameNotFound] (28)"));
    EXPECT_TRUE(contains(lines, "QuorvaneAsyncImporter::~QuorvaneAsyncImporter()"));
}

TEST_F(Async, DuplicatesFlushAndOtherSelectors)
{
    open(true);
    PPixHand out = nullptr;
    EXPECT_EQ(async.initiate(4 * kFrame, bgrx), 0);
    EXPECT_EQ(async.initiate(4 * kFrame + 1, bgrx), 0);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(async.getFrame(4 * kFrame, bgrx, out), 0);
        EXPECT_TRUE(isFrame(out, 4));
    }
    for (int k : {5, 6, 7})
        EXPECT_EQ(async.initiate(k * kFrame, bgrx), 0);
    EXPECT_EQ(async.flush(), 0);
    ASSERT_EQ(async.getFrame(6 * kFrame, bgrx, out), 0); // decoded anew
    EXPECT_TRUE(isFrame(out, 6));

    EXPECT_EQ(async.cancel(), 1);
    EXPECT_EQ(async.call(5, async.privateData()), 1);
    EXPECT_EQ(async.call(9, async.privateData()), 1);
    EXPECT_EQ(async.call(-1, async.privateData()), 1);
    EXPECT_EQ(async.call(aiClose, nullptr), 0);
    EXPECT_EQ(async.call(aiFlush, nullptr), 99);
    EXPECT_EQ(async.call(aiGetFrame, nullptr), 99);
    EXPECT_EQ(async.call(aiInitiateAsyncRead, nullptr), 99);

    // Close with work pending: the threads end and their frames are disposed of.
    for (int k = 20; k < 30; ++k)
        EXPECT_EQ(async.initiate(k * kFrame, bgrx), 0);
    EXPECT_EQ(async.close(), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    int notFound = 0;
    for (const std::string& line : lines)
        notFound += line.rfind("REQUEST: ERROR: Frame not found: 6,", 0) == 0 ? 1 : 0;
    EXPECT_EQ(notFound, 1);
    EXPECT_TRUE(contains(lines, "    OnFlush: [aiNoError] (0)"));
}

// Failures of a request: a format the stream cannot be decoded into gives 2; a format the
// importer does not know throws in the request's thread and reaches the host as 99 when the frame
// is collected. Either way no frame is left behind.
TEST_F(Async, FailuresInRequests)
{
    open(true);
    PPixHand out = nullptr;
    const std::vector<imFrameFormat> bgra = formatsOf(PrPixelFormat_BGRA_4444_8u);
    const std::vector<imFrameFormat> unknown = formatsOf(PrPixelFormat_Invalid);
    EXPECT_EQ(async.initiate(3 * kFrame, bgra), 0);
    EXPECT_EQ(async.getFrame(3 * kFrame, bgra, out), 2);
    EXPECT_EQ(async.initiate(3 * kFrame, unknown), 0);
    EXPECT_EQ(async.getFrame(3 * kFrame, unknown, out), 99); // collected from its thread
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(async.getFrame(3 * kFrame, unknown, out), 99); // made on the spot
    EXPECT_EQ(async.getFrame(3 * kFrame, std::vector<imFrameFormat>{}, out), 2);
    host->fake().failCreatePPix(suiteError_Fail);
    EXPECT_EQ(async.getFrame(3 * kFrame, bgrx, out), 2);
    host->fake().failCreatePPix(0);
    ASSERT_EQ(async.getFrame(3 * kFrame, bgrx, out), 0);
    EXPECT_TRUE(isFrame(out, 3));
    EXPECT_EQ(async.close(), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_GE(findLine(lines, "xAsyncImportEntry: FATAL: Unhandled exception during aiGetFrame (3): "
                              "GetFormatInfo_by_pixelFormat(): pixel format not found"),
              0);
    EXPECT_TRUE(contains(lines, "    OnGetFrame: [aiUnknownError] (2), [imBadCompression] (8)"));
}

// A frame announced in one format and collected in another is decoded anew in the format asked
// for; the announced one waits for its own collection.
TEST_F(Async, CollectionsMatchTheirFormat)
{
    open();
    const std::vector<imFrameFormat> xrgb = formatsOf(PrPixelFormat_XRGB_4444_8u);
    EXPECT_EQ(async.initiate(5 * kFrame, xrgb), 0);
    PPixHand out = nullptr;
    ASSERT_EQ(async.getFrame(5 * kFrame, bgrx, out), 0);
    EXPECT_EQ(importer->take(out).format, PrPixelFormat_BGRX_4444_8u);
    ASSERT_EQ(async.getFrame(5 * kFrame, xrgb, out), 0);
    EXPECT_EQ(importer->take(out).format, PrPixelFormat_XRGB_4444_8u);
    EXPECT_EQ(host->fake().framesCreatedByPlugin(), 2);
    EXPECT_EQ(async.close(), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// The host holds the first request inside its frame creation, with the decode lock taken, while a
// second request in another format and a third are announced. The second can only decode after
// the first, so it certainly ends and begins decompression anew, rewriting the decoder state. The
// third fails its frame-size check and never decodes: its thread takes no lock the second one
// takes, so nothing orders its check against that rewrite, whichever of them runs first. If the
// check read that state, ThreadSanitizer would report the pair on every run.
struct GatedCreator {
    static inline std::mutex mutex;
    static inline std::condition_variable changed;
    static inline bool open = true;
    static inline int waiting = 0;
    static inline const PrSDKPPixCreatorSuite* original = nullptr;

    static prSuiteError create(PPixHand* out, PrPPixBufferAccess access, PrPixelFormat format, const prRect* bounds)
    {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ++waiting;
            changed.notify_all();
            changed.wait(lock, [] { return open; });
            --waiting;
        }
        return original->createPPix(out, access, format, bounds);
    }
};

TEST_F(Async, FrameChecksDoNotTouchTheDecoderState)
{
    static const PrSDKPPixCreatorSuite gated{GatedCreator::create};
    GatedCreator::original = &host->fake().state().ppixCreatorSuite;
    host->fake().provide(kPrSDKPPixCreatorSuite, kPrSDKPPixCreatorSuiteVersion, &gated);
    open();
    {
        std::lock_guard<std::mutex> lock(GatedCreator::mutex);
        GatedCreator::open = false;
    }
    const std::vector<imFrameFormat> xrgb = formatsOf(PrPixelFormat_XRGB_4444_8u);
    EXPECT_EQ(async.initiate(1 * kFrame, bgrx), 0);
    {
        std::unique_lock<std::mutex> lock(GatedCreator::mutex);
        GatedCreator::changed.wait(lock, [] { return GatedCreator::waiting == 1; });
    }
    EXPECT_EQ(async.initiate(2 * kFrame, xrgb), 0);
    const std::vector<imFrameFormat> tooLarge = formatsOf(PrPixelFormat_XRGB_4444_8u, 64, 64);
    EXPECT_EQ(async.initiate(3 * kFrame, tooLarge), 0);
    {
        std::lock_guard<std::mutex> lock(GatedCreator::mutex);
        GatedCreator::open = true;
        GatedCreator::changed.notify_all();
    }
    PPixHand out = nullptr;
    ASSERT_EQ(async.getFrame(1 * kFrame, bgrx, out), 0);
    EXPECT_TRUE(isFrame(out, 1));
    ASSERT_EQ(async.getFrame(2 * kFrame, xrgb, out), 0);
    EXPECT_EQ(importer->take(out).format, PrPixelFormat_XRGB_4444_8u);
    EXPECT_EQ(async.getFrame(3 * kFrame, tooLarge, out), 2);
    EXPECT_EQ(async.close(), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

TEST_F(Async, CreationFailsWhenTheFileIsGone)
{
    initImporter();
    file = openAndInfo("a.avi");
    ASSERT_EQ(std::remove(path("a.avi").c_str()), 0);
    EXPECT_EQ(importer->createAsync(file, async), 2);
    EXPECT_FALSE(async.valid());
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

// Four host threads announce and collect interleaved frames, two of them in another pixel format
// (so the shared decompression restarts all the time), one flushing now and then. Every
// collection gives its frame with the right pixels.
TEST_F(Async, FourHostThreads)
{
    open(); // no log: its lock would order the threads and hide races from the sanitizer
    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    const std::vector<imFrameFormat> xrgb = formatsOf(PrPixelFormat_XRGB_4444_8u);
    std::atomic<int> failures{0};
    auto work = [&](int t) {
        const bool inXrgb = t % 2 == 1;
        for (int round = 0; round < kRounds; ++round) {
            for (int k = t; k + 1 < kFrames; k += kThreads) {
                const int next = (k + 7) % kFrames;
                const std::vector<imFrameFormat>& formats = inXrgb ? xrgb : bgrx;
                if (async.initiate(k * kFrame, formats) != 0 || async.initiate(next * kFrame, formats) != 0)
                    ++failures;
                for (int frame : {next, k}) {
                    PPixHand out = nullptr;
                    if (async.getFrame(frame * kFrame, formats, out) != 0) {
                        ++failures;
                        continue;
                    }
                    std::vector<uint8_t> pixels = standin::imageOf(importer->take(out), false).bytes;
                    if (inXrgb) {
                        for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4)
                            std::reverse(pixels.begin() + std::ptrdiff_t(i), pixels.begin() + std::ptrdiff_t(i) + 4);
                    }
                    if (pixels != writtenFrame(frame))
                        ++failures;
                }
                if (t == 0 && k % 16 == 0 && async.flush() != 0)
                    ++failures;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(work, t);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(async.close(), 0);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

} // namespace
} // namespace qtest

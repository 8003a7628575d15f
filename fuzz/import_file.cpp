// Fuzz target: arbitrary bytes opened as a file by the importer module, loaded into the stand-in
// host as the editor loads it, and imported the way the editor imports: every stream the
// importer announces, every frame of the video and all of the audio, the channel layout, the
// analysis texts and the data rate, and a few frames through the asynchronous importer.
//
// The importer must answer every selector with one of the results it may give, hand every frame
// it makes either to the host or back, release what it acquired, and fill exactly the audio it
// was asked for. The file lives in memory (a memfd opened through its /proc path).

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "tools/standin_host/ImporterDriver.h"
#include "tools/standin_host/StandinHost.h"

namespace {

using qfuzz::fail;

constexpr PrTime kT = fakehost::kTicksPerSecond;
// What an entry function answers when an exception reaches its net.
constexpr csSDK_int32 kFatalEntryResult = 99;
// The host's own limits: it makes no frame beyond 16 M pixels, reads the first 4096 frames of a
// file and its first 4 M sample frames of audio (a few bytes of index claim millions of either).
constexpr int64_t kMaxPixels = int64_t(1) << 24;
constexpr int kMaxFrames = 4096;
constexpr int64_t kMaxAudioFrames = int64_t(1) << 22;
constexpr csSDK_uint32 kAudioPiece = 8192;

struct Host {
    std::string home;
    std::unique_ptr<standin::StandinHost> host;
    std::unique_ptr<standin::ImporterDriver> importer;
    int fd = -1;
    std::string path;
};

Host* g = nullptr;
// The largest frame any stream of the input claims, in pixels.
int64_t g_claimedPixels = 0;

bool oneOf(csSDK_int32 r, std::initializer_list<csSDK_int32> allowed)
{
    return std::find(allowed.begin(), allowed.end(), r) != allowed.end();
}

// The host's frame takes up to 16 bytes a pixel and the decoder's work planes a few times the
// stored frame at the narrowest widths; the index, the chunk records and a compressed frame follow
// the file; the coders' tables take a few MiB for the deepest samples.
uint64_t heapBudget(uint64_t pixels, size_t size)
{
    return (32u << 20) + 16 * uint64_t(size) + 64 * pixels;
}

void expect(csSDK_int32 r, std::initializer_list<csSDK_int32> allowed, const char* what)
{
    if (!oneOf(r, allowed))
        fail("%s gave %d", what, int(r));
}

void takeFrame(PPixHand frame, const imFileInfoRec8& info, PrPixelFormat format)
{
    const standin::HostFrame f = g->importer->take(frame);
    if (f.width != info.imageWidth || f.height != info.imageHeight || f.format != format)
        fail("frame of %dx%d in %08x, %dx%d in %08x asked for", f.width, f.height, unsigned(f.format),
             int(info.imageWidth), int(info.imageHeight), unsigned(format));
}

void importVideo(standin::ImporterDriver::File& file, const imFileInfoRec8& info)
{
    standin::ImporterDriver& im = *g->importer;
    std::vector<PrPixelFormat> formats;
    expect(im.pixelFormats(file, formats), {imBadFormatIndex}, "imGetIndPixelFormat past the last");
    if (info.imageWidth <= 0 || info.imageHeight <= 0 ||
        int64_t(info.imageWidth) * int64_t(info.imageHeight) > kMaxPixels || info.vidScale <= 0 ||
        info.vidSampleSize <= 0)
        return;
    const int64_t frames = std::min<int64_t>(info.vidDuration / info.vidSampleSize, kMaxFrames);
    // The host's time of frame k, when it fits a PrTime: a file can claim any rate and sample size.
    const auto timeOf = [&](int64_t k, PrTime& t) {
        int64_t samples = 0;
        return !__builtin_mul_overflow(k, int64_t(info.vidSampleSize), &samples) &&
               !__builtin_mul_overflow(samples, int64_t(kT / info.vidScale), &t);
    };
    for (int64_t k = -1; k <= frames; ++k) {
        PrTime t = 0;
        if (!timeOf(k, t))
            continue;
        // The first format for every frame, the others now and then.
        for (std::size_t i = 0; i < formats.size() && (i == 0 || k % 7 == 1); ++i) {
            PPixHand out = nullptr;
            const csSDK_int32 r = im.sourceVideo(file, t, {imFrameFormat{0, 0, formats[i]}}, out);
            expect(r, {imNoErr, imFrameNotFound, imBadCompression, imFileReadFailed, imOtherErr},
                   "imGetSourceVideo");
            if ((r == imNoErr) != (out != nullptr))
                fail("imGetSourceVideo gave %d with%s a frame", int(r), out ? "" : "out");
            if (out != nullptr)
                takeFrame(out, info, formats[i]);
        }
    }

    // A few frames through the asynchronous importer.
    if (formats.empty())
        return;
    standin::AsyncImporterDriver async;
    const csSDK_int32 created = im.createAsync(file, async);
    expect(created, {imNoErr, imOtherErr}, "imCreateAsyncImporter");
    if (created != imNoErr)
        return;
    const std::vector<imFrameFormat> format{imFrameFormat{0, 0, formats[0]}};
    for (int64_t k : {int64_t(0), frames / 2, frames - 1}) {
        PrTime t = 0;
        if (timeOf(k, t))
            expect(async.initiate(t, format), {aiNoError}, "aiInitiateAsyncRead");
    }
    for (int64_t k : {frames - 1, int64_t(0), frames + 1}) {
        PrTime t = 0;
        if (!timeOf(k, t))
            continue;
        PPixHand out = nullptr;
        const csSDK_int32 r = async.getFrame(t, format, out);
        expect(r, {aiNoError, aiFrameNotFound, aiUnknownError}, "aiGetFrame");
        if ((r == aiNoError) != (out != nullptr))
            fail("aiGetFrame gave %d with%s a frame", int(r), out ? "" : "out");
        if (out != nullptr)
            takeFrame(out, info, formats[0]);
    }
    expect(async.close(), {aiNoError}, "aiClose");
}

void importAudio(standin::ImporterDriver::File& file, const imFileInfoRec8& info)
{
    standin::ImporterDriver& im = *g->importer;
    if (info.numChannels <= 0 || info.numChannels > kPrMaxAudioChannels)
        fail("%d channels reported", int(info.numChannels));
    const unsigned channels = unsigned(info.numChannels);
    imGetAudioChannelLayoutRec layout;
    expect(im.channelLayout(file, layout), {imNoErr, imUnsupported}, "imGetAudioChannelLayout");

    const int64_t duration = info.audDuration; // the record is packed: no references into it
    const int64_t total = std::min<int64_t>(std::max<int64_t>(duration, 0), kMaxAudioFrames);
    std::vector<std::vector<float>> out;
    // Position -1 continues where the last request ended; the last piece runs past the end.
    for (int64_t at = 0; at <= total; at += kAudioPiece) {
        expect(im.importAudio(file, at == 0 ? 0 : -1, kAudioPiece, channels, out), {imNoErr}, "imImportAudio7");
        for (const auto& channel : out) {
            for (float v : channel) {
                if (!(v >= -1.0f && v <= 1.0f) && !(info.sampleType == kPrAudioSampleType_32BitFloat))
                    fail("sample %g from integer audio", double(v));
            }
        }
    }
    expect(im.importAudio(file, int64_t(1) << 62, 16, channels, out), {imNoErr}, "imImportAudio7 far out");
    for (const auto& channel : out) {
        if (channel != std::vector<float>(16, 0.0f))
            fail("audio far past the end is not silence");
    }
}

void importStream(int stream)
{
    standin::ImporterDriver& im = *g->importer;
    standin::ImporterDriver::File file;
    const csSDK_int32 opened = im.open(file, g->path, stream);
    expect(opened, {imNoErr}, "imOpenFile8");
    imFileInfoRec8 info;
    const csSDK_int32 r = im.getInfo(file, info);
    expect(r, {imNoErr, imBadFile, imOtherErr, imIterateStreams, imBadStreamIndex}, "imGetInfo8");
    if (r == imNoErr || r == imIterateStreams || r == imBadStreamIndex) {
        if (info.hasVideo && info.imageWidth > 0 && info.imageHeight > 0)
            g_claimedPixels = std::max(g_claimedPixels, int64_t(info.imageWidth) * int64_t(info.imageHeight));
        std::string text;
        // A stream without video (every stream after the first) has nothing to describe: the
        // importer throws, and its entry answers with the fatal result instead of a text.
        if (info.hasVideo)
            expect(im.analysis(file, 4096, text), {imNoErr}, "imGetAnalysis");
        else
            expect(im.analysis(file, 4096, text), {imNoErr, kFatalEntryResult}, "imGetAnalysis without video");
        if (info.hasVideo) {
            csSDK_int32 size = 0;
            expect(im.dataRate(file, size, nullptr), {imNoErr}, "imGetDataRateAnalysis (size)");
            std::vector<imDataRateSample> entries;
            size = std::min<csSDK_int32>(size, 8 * 65536);
            expect(im.dataRate(file, size, &entries), {imNoErr}, "imGetDataRateAnalysis");
            importVideo(file, info);
        }
        if (info.hasAudio)
            importAudio(file, info);
    }
    expect(im.close(file), {imNoErr}, "imCloseFile");
    if (r == imIterateStreams && stream < 8)
        importStream(stream + 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g = new Host;
    char pattern[] = "/tmp/fuzz_import_file_XXXXXX";
    if (const char* dir = mkdtemp(pattern)) {
        g->home = dir;
        setenv("HOME", dir, 1);
        // The plug-in's log stays off, so the folder stays empty.
        std::atexit([] { rmdir(g->home.c_str()); });
    }
    g->fd = memfd_create("fuzz-input.avi", 0);
    if (g->fd < 0)
        fail("memfd_create failed");
    g->path = "/proc/self/fd/" + std::to_string(g->fd);
    g->host = std::make_unique<standin::StandinHost>();
    g->host->log().setEnabled(false);
    g->importer = std::make_unique<standin::ImporterDriver>(*g->host, QUORVANE_PR_IMPORTER_PATH);
    imImportInfoRec info;
    if (g->importer->init(&info) != imNoErr)
        fail("imInit failed");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (g == nullptr)
        LLVMFuzzerInitialize(nullptr, nullptr);
    if (size > (1u << 22))
        return 0;
    if (ftruncate(g->fd, 0) != 0 || pwrite(g->fd, data, size, 0) != ssize_t(size))
        fail("cannot write the input file");

    // The host double records every suite call and reported error; one file's records are all
    // it keeps, or they would pile up over the run (and count against the input that grows them).
    fakehost::FakeHost& fake = g->host->fake();
    fake.clearCalls();
    fake.clearEvents();
    const size_t liveAtStart = qfuzz::heap_live();
    qfuzz::heap_reset_peak();
    g_claimedPixels = 0;
    importStream(0);
    // What one input may make the importer and the host hold is bounded by the frame the file
    // claims and by the file itself.
    const uint64_t budget = heapBudget(uint64_t(g_claimedPixels), size);
    if (std::getenv("QUORVANE_FUZZ_VERBOSE"))
        std::fprintf(stderr, "claimed %lld pixels, file %zu bytes: peak heap %zu of %llu\n", (long long)g_claimedPixels,
                     size, qfuzz::heap_peak() - liveAtStart, (unsigned long long)budget);
    qfuzz::check_heap(liveAtStart, budget, "importing the file");

    if (!g->importer->framesBalanced())
        fail("frames made %d, disposed %d, handed over %d", fake.framesCreatedByPlugin(), fake.framesDisposedByPlugin(),
             g->importer->framesHandedOver());
    if (fake.liveFrames() != 0 || fake.outstandingBlocks() != 0 || fake.misuses() != 0)
        fail("%d frames and %d blocks left, %d misuses", fake.liveFrames(), fake.outstandingBlocks(), fake.misuses());
    return 0;
}

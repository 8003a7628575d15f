// The test double must behave like the host the plug-ins expect, or the plug-in tests prove
// nothing: check its bookkeeping and the services with exact answers.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "fakehost/FakeHost.h"

using fakehost::FakeHost;

namespace {

template <typename T>
const T* acquire(SPBasicSuite* basic, const char* name, int version, SPErr* result = nullptr)
{
    const void* suite = reinterpret_cast<const void*>(1);
    const SPErr r = basic->AcquireSuite(name, version, &suite);
    if (result != nullptr)
        *result = r;
    return static_cast<const T*>(suite);
}

} // namespace

TEST(FakeHost, CountsAcquisitionsRefusalsAndReleases)
{
    FakeHost host;
    SPBasicSuite* basic = host.basicSuite();
    ASSERT_EQ(host.exporterStdParms()->getSPBasicSuite(), basic);
    ASSERT_EQ(host.importerStdParms()->piSuites->utilFuncs->getSPBasicSuite(), basic);
    EXPECT_EQ(host.exporterStdParmsWithoutBasicSuite()->getSPBasicSuite(), nullptr);

    SPErr r = 1;
    EXPECT_NE(acquire<PrSDKPPixSuite>(basic, kPrSDKPPixSuite, 1, &r), nullptr);
    EXPECT_EQ(r, kSPNoError);
    EXPECT_EQ(acquire<PrSDKPPixSuite>(basic, kPrSDKPPixSuite, 2, &r), nullptr) << "wrong version";
    EXPECT_NE(r, kSPNoError);
    EXPECT_EQ(acquire<void>(basic, "No Such Suite", 1), nullptr);

    host.refuseNext(kPrSDKTimeSuite, 2);
    EXPECT_EQ(acquire<PrSDKTimeSuite>(basic, kPrSDKTimeSuite, 1), nullptr);
    EXPECT_EQ(acquire<PrSDKTimeSuite>(basic, kPrSDKTimeSuite, 1), nullptr);
    EXPECT_NE(acquire<PrSDKTimeSuite>(basic, kPrSDKTimeSuite, 1), nullptr);
    host.refuse(kPrSDKTimeSuite);
    EXPECT_EQ(acquire<PrSDKTimeSuite>(basic, kPrSDKTimeSuite, 1), nullptr);
    host.allow(kPrSDKTimeSuite);
    EXPECT_NE(acquire<PrSDKTimeSuite>(basic, kPrSDKTimeSuite, 1), nullptr);

    const fakehost::SuiteStats time = host.stats(kPrSDKTimeSuite);
    EXPECT_EQ(time.acquireCalls, 5);
    EXPECT_EQ(time.granted, 2);
    EXPECT_EQ(time.refused, 3);
    EXPECT_EQ(host.outstanding(kPrSDKTimeSuite), 2);
    EXPECT_FALSE(host.allReleased());

    basic->ReleaseSuite(kPrSDKTimeSuite, 1);
    basic->ReleaseSuite(kPrSDKTimeSuite, 1);
    basic->ReleaseSuite(kPrSDKPPixSuite, 1);
    EXPECT_TRUE(host.allReleased());
    const std::vector<std::string> calls = host.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "acquire Premiere PPix Suite 1");
    EXPECT_EQ(calls.back(), "release Premiere PPix Suite 1");
}

TEST(FakeHost, ImageProcessingAnswersAreScriptable)
{
    FakeHost host;
    const PrSDKImageProcessingSuite& ip = host.imageProcessingSuite();
    bool flag = true;
    EXPECT_EQ(ip.isTopLeft(PrPixelFormat_BGRA_4444_8u, &flag), 0);
    EXPECT_FALSE(flag);
    EXPECT_EQ(ip.isTopLeft(PrPixelFormat_YUYV_422_8u_601, &flag), 0);
    EXPECT_TRUE(flag);
    host.setTopLeft(PrPixelFormat_BGRA_4444_8u, true);
    EXPECT_EQ(ip.isTopLeft(PrPixelFormat_BGRA_4444_8u, &flag), 0);
    EXPECT_TRUE(flag);
    EXPECT_EQ(ip.hasAlpha(PrPixelFormat_VUYA_4444_8u_709, &flag), 0);
    EXPECT_TRUE(flag);
    EXPECT_EQ(ip.hasAlpha(PrPixelFormat_VUYX_4444_8u, &flag), 0);
    EXPECT_FALSE(flag);
    EXPECT_EQ(ip.isCompressed(PrPixelFormat_NTSCDV25, &flag), 0);
    EXPECT_TRUE(flag);
    csSDK_int32 bytes = 0;
    EXPECT_EQ(ip.frameSizeInBytes(PrPixelFormat_BGRA_4444_16u, 128, 1, &bytes), 0);
    EXPECT_EQ(bytes, 1024);
    EXPECT_EQ(ip.frameSizeInBytes(PrPixelFormat_V210_422_10u_601, 128, 1, &bytes), 0);
    EXPECT_EQ(bytes, 384);
    EXPECT_NE(ip.frameSizeInBytes(PrPixelFormat_NTSCDV25, 128, 1, &bytes), 0);
    EXPECT_NE(ip.isTopLeft(PrPixelFormat_Invalid, &flag), 0);
    host.failImageProcessing(2, PrPixelFormat_BGRA_4444_8u, -7);
    EXPECT_EQ(ip.hasAlpha(PrPixelFormat_BGRA_4444_8u, &flag), -7);
    EXPECT_EQ(host.imageProcessingCalls(2), 3);
}

TEST(FakeHost, AudioConversionsRoundTripExactly)
{
    FakeHost host;
    const PrSDKAudioSuite& audio = host.audioSuite();
    constexpr unsigned channels = 3, frames = 517;
    std::vector<float> planar[channels], back[channels];
    float* in[channels];
    float* out[channels];
    for (unsigned c = 0; c < channels; ++c) {
        planar[c].resize(frames);
        back[c].assign(frames, 9.0f);
        for (unsigned i = 0; i < frames; ++i)
            planar[c][i] = FakeHost::sequenceSample(c, i);
        in[c] = planar[c].data();
        out[c] = back[c].data();
    }
    const PrAudioFloatToIntFunc to[] = {audio.convertFloatToInt8, audio.convertFloatToInt16,
                                        audio.convertFloatToInt24, audio.convertFloatToInt32};
    const PrAudioIntToFloatFunc from[] = {audio.convertInt8ToFloat, audio.convertInt16ToFloat,
                                          audio.convertInt24ToFloat, audio.convertInt32ToFloat};
    for (int k = 0; k < 4; ++k) {
        const int bytes = k + 1;
        std::vector<unsigned char> interleaved(channels * frames * bytes + 1, 0xEE);
        ASSERT_EQ(to[k](in, interleaved.data(), channels, frames), 0);
        EXPECT_EQ(interleaved.back(), 0xEE) << "wrote past the end";
        ASSERT_EQ(from[k](interleaved.data(), out, channels, frames), 0);
        for (unsigned c = 0; c < channels; ++c)
            for (unsigned i = 0; i < frames; ++i)
                ASSERT_EQ(back[c][i], planar[c][i]) << "bytes " << bytes;
    }
    // Full scale clamps; -1.0 is exact; 16-bit little-endian.
    float loud[] = {1.0f, -1.0f, 0.5f};
    float* loudIn[] = {loud};
    short pcm[3];
    audio.convertFloatToInt16(loudIn, pcm, 1, 3);
    EXPECT_EQ(pcm[0], 32767);
    EXPECT_EQ(pcm[1], -32768);
    EXPECT_EQ(pcm[2], 16384);
    signed char eight[3];
    audio.convertFloatToInt8(loudIn, eight, 1, 3);
    EXPECT_EQ(eight[0], 127);
    EXPECT_EQ(eight[1], -128);
}

TEST(FakeHost, FramesAndBlocks)
{
    FakeHost host;
    host.setRowPadding(16);
    const prRect bounds{0, 0, 9, 50};
    const PrSDKPPixCreatorSuite* creator = nullptr;
    creator = acquire<PrSDKPPixCreatorSuite>(host.basicSuite(), kPrSDKPPixCreatorSuite, 1);
    ASSERT_NE(creator, nullptr);
    PPixHand frame = nullptr;
    ASSERT_EQ(creator->createPPix(&frame, PrPPixBufferAccess_WriteOnly, PrPixelFormat_V210_422_10u_709, &bounds), 0);
    const PrSDKPPixSuite& ppix = host.ppixSuite();
    csSDK_int32 rowBytes = 0;
    char* pixels = nullptr;
    PrPixelFormat format = PrPixelFormat_Any;
    prRect got{};
    EXPECT_EQ(ppix.getRowBytes(frame, &rowBytes), 0);
    EXPECT_EQ(rowBytes, 256 + 16);
    EXPECT_EQ(ppix.getPixels(frame, PrPPixBufferAccess_WriteOnly, &pixels), 0);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pixels) % 64, 0u);
    std::memset(pixels, 0x5A, std::size_t(rowBytes) * 9);
    EXPECT_EQ(ppix.getPixelFormat(frame, &format), 0);
    EXPECT_EQ(format, PrPixelFormat_V210_422_10u_709);
    EXPECT_EQ(ppix.getBounds(frame, &got), 0);
    EXPECT_EQ(got.right, 50);
    EXPECT_EQ(got.bottom, 9);
    EXPECT_EQ(host.liveFrames(), 1);
    EXPECT_EQ(ppix.dispose(frame), 0);
    EXPECT_EQ(host.liveFrames(), 0);
    EXPECT_NE(ppix.dispose(frame), 0);
    EXPECT_EQ(host.misuses(), 1);
    host.basicSuite()->ReleaseSuite(kPrSDKPPixCreatorSuite, 1);

    EXPECT_EQ(FakeHost::naturalRowBytes(PrPixelFormat_YUYV_422_8u_601, 3), 8);
    EXPECT_EQ(FakeHost::naturalRowBytes(PrPixelFormat_BGRX_4444_16u, 5), 40);

    PrMemoryPtr block = host.importerStdParms()->piSuites->memFuncs->newPtr(100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(host.outstandingBlocks(), 1);
    host.importerStdParms()->piSuites->memFuncs->disposePtr(block);
    EXPECT_EQ(host.outstandingBlocks(), 0);
}

TEST(FakeHost, OutputFileBehavesLikeAFile)
{
    FakeHost host;
    const PrSDKExportFileSuite* file = acquire<PrSDKExportFileSuite>(host.basicSuite(), kPrSDKExportFileSuite, 2);
    ASSERT_NE(file, nullptr);
    const csSDK_uint32 id = host.addOutputFile("/tmp/out é.avi");
    EXPECT_NE(file->write(id, "x", 1), 0) << "not open yet";
    ASSERT_EQ(file->open(id), 0);
    EXPECT_EQ(file->write(id, "abcdef", 6), 0);
    csSDK_int64 pos = -1;
    EXPECT_EQ(file->seek(id, 2, &pos, fileSeekMode_Begin), 0);
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(file->write(id, "XY", 2), 0);
    EXPECT_EQ(file->seek(id, 0, &pos, fileSeekMode_End), 0);
    EXPECT_EQ(pos, 6);
    EXPECT_EQ(file->seek(id, -1, &pos, fileSeekMode_Current), 0);
    EXPECT_EQ(pos, 5);
    EXPECT_NE(file->seek(id, -10, &pos, fileSeekMode_Current), 0);
    csSDK_int32 length = 0;
    EXPECT_EQ(file->getPlatformPath(id, &length, nullptr), 0);
    EXPECT_EQ(length, 15); // 14 characters and the terminator
    std::vector<prUTF16Char> path(std::size_t(length), 0xFFFF);
    EXPECT_EQ(file->getPlatformPath(id, &length, path.data()), 0);
    EXPECT_EQ(path[9], 0xE9);
    EXPECT_EQ(path[14], 0);
    host.failOutputWrite(1, -5);
    EXPECT_EQ(file->write(id, "z", 1), -5);
    EXPECT_EQ(file->close(id), 0);
    const FakeHost::OutputFile out = host.outputFile(id);
    EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), "abXYef");
    EXPECT_EQ(out.closes, 1);
    host.basicSuite()->ReleaseSuite(kPrSDKExportFileSuite, 2);
}

TEST(FakeHost, RenderLoopDeliversFramesWithRepeats)
{
    FakeHost host;
    host.setIntParam(ADBEVideoWidth, 8);
    host.setIntParam(ADBEVideoHeight, 4);
    host.setTimeParam(ADBEVideoFPS, fakehost::kTicksPerSecond / 25);
    host.loopSettings().repeatCount = [](csSDK_uint32 f) { return f == 2 ? 3u : 1u; };
    const PrSDKExporterUtilitySuite* util =
        acquire<PrSDKExporterUtilitySuite>(host.basicSuite(), kPrSDKExporterUtilitySuite, 1);
    ASSERT_NE(util, nullptr);
    ExportLoopRenderParams params{36, 1, PrPixelFormat_BGRA_4444_8u, 0, fakehost::kTicksPerSecond / 25 * 7, 0, 0};
    struct Seen {
        std::vector<csSDK_uint32> frames, repeats;
    } seen;
    auto callback = [](csSDK_uint32, csSDK_uint32 frame, csSDK_uint32 repeat, PPixHand pix, void* data) -> prSuiteError {
        auto* s = static_cast<Seen*>(data);
        s->frames.push_back(frame);
        s->repeats.push_back(repeat);
        return (*pix)->width == 8 ? 0 : 1;
    };
    EXPECT_EQ(util->doMultiPassExportLoop(1, &params, 1, callback, &seen), 0);
    EXPECT_EQ(seen.frames, (std::vector<csSDK_uint32>{0, 1, 2, 5, 6}));
    EXPECT_EQ(seen.repeats, (std::vector<csSDK_uint32>{1, 1, 3, 1, 1}));
    EXPECT_EQ(host.liveFrames(), 0) << "the loop frees what it rendered";

    // A callback failure ends the loop with its result.
    auto failing = [](csSDK_uint32, csSDK_uint32 frame, csSDK_uint32, PPixHand, void*) -> prSuiteError {
        return frame == 1 ? 99 : 0;
    };
    EXPECT_EQ(util->doMultiPassExportLoop(1, &params, 1, failing, nullptr), 99);
    host.basicSuite()->ReleaseSuite(kPrSDKExporterUtilitySuite, 1);
}

TEST(FakeHost, SequenceAudioDeliversContiguousSamples)
{
    FakeHost host;
    host.setMaxBlip(100);
    const PrSDKSequenceAudioSuite1* seq =
        acquire<PrSDKSequenceAudioSuite1>(host.basicSuite(), kPrSDKSequenceAudioSuite, 1);
    ASSERT_NE(seq, nullptr);
    csSDK_uint32 id = 0;
    ASSERT_EQ(seq->makeAudioRenderer(1, 0, kPrAudioChannelType_Stereo, kPrAudioSampleType_32BitFloat, 48000.0f, &id), 0);
    csSDK_int32 blip = 0;
    EXPECT_EQ(seq->getMaxBlip(id, 0, &blip), 0);
    EXPECT_EQ(blip, 100);
    std::vector<float> left(150), right(150);
    float* buffers[] = {left.data(), right.data()};
    EXPECT_NE(seq->getAudio(id, 150, buffers, 0), 0) << "more than the max blip";
    EXPECT_EQ(seq->getAudio(id, 100, buffers, 0), 0);
    float* rest[] = {left.data() + 100, right.data() + 100};
    EXPECT_EQ(seq->getAudio(id, 50, rest, 0), 0);
    for (int i = 0; i < 150; ++i) {
        ASSERT_EQ(left[i], FakeHost::sequenceSample(0, i));
        ASSERT_EQ(right[i], FakeHost::sequenceSample(1, i));
    }
    host.failGetAudio(2, -3);
    EXPECT_EQ(seq->getAudio(id, 1, buffers, 0), -3);
    EXPECT_EQ(host.liveAudioRenderers(), 1);
    EXPECT_EQ(seq->releaseAudioRenderer(1, id), 0);
    EXPECT_EQ(host.liveAudioRenderers(), 0);
    host.basicSuite()->ReleaseSuite(kPrSDKSequenceAudioSuite, 1);
}

TEST(FakeHost, SuiteFunctionsAreSafeFromManyThreads)
{
    FakeHost host;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&host] {
            for (int i = 0; i < 200; ++i) {
                const void* suite = nullptr;
                host.basicSuite()->AcquireSuite(kPrSDKPPixSuite, 1, &suite);
                PPixHand frame = host.makeFrame(PrPixelFormat_BGRA_4444_8u, 4, 4);
                static_cast<const PrSDKPPixSuite*>(suite)->dispose(frame);
                host.basicSuite()->ReleaseSuite(kPrSDKPPixSuite, 1);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(host.stats(kPrSDKPPixSuite).granted, 1600);
    EXPECT_TRUE(host.allReleased());
    EXPECT_EQ(host.liveFrames(), 0);
}

// The export job end to end through the stand-in host: the AVI it writes, the host calls it makes
// and their order, restarts, repeats, and the closing of everything it opened.
#include <algorithm>
#include <cstring>

#include "exported_file.h"
#include "exporter_fixture.h"
#include "host/HostNames.h"

namespace qtest {
namespace {

using Export = ExporterTest;

// Index of the first call at or after `from` whose function is `name`, or -1.
long find(const std::vector<standin::HostCall>& calls, const std::string& name, long from = 0)
{
    for (long i = from; i < long(calls.size()); ++i)
        if (calls[std::size_t(i)].function == name)
            return i;
    return -1;
}

long findCallback(const std::vector<standin::HostCall>& calls, csSDK_uint32 frame)
{
    for (long i = 0; i < long(calls.size()); ++i)
        if (calls[std::size_t(i)].function == "Host.callback" && calls[std::size_t(i)].args[1] == std::to_string(frame))
            return i;
    return -1;
}

int16_t expected16(unsigned channel, long long index)
{
    return static_cast<int16_t>(fakehost::FakeHost::sequenceSample(channel, index) * 32768.0f);
}

// The 70-frame stereo export of a 64x48 sequence at 30 fps with frames 10 to 12 identical.
TEST_F(Export, SeventyFramesWithAudioAndARepeat)
{
    openDialog();
    ASSERT_EQ(intParam(ADBEVideoCodec), int(kQ8RG));
    std::vector<standin::Image> images;
    for (uint32_t f = 0; f < 70; ++f)
        images.push_back(standin::makeNoiseImage(PrPixelFormat_BGRX_4444_8u, 64, 48, 1000 + f));
    fakehost::FakeHost& fake = host->fake();
    fake.setMaxBlip(4000);
    fake.loopSettings().repeatCount = [](csSDK_uint32 f) { return f == 10 ? 3u : 1u; };
    fake.loopSettings().render = standin::renderFrom(fake, [&](csSDK_uint32 f) -> const standin::Image& { return images[f]; });
    host->log().clear();

    ASSERT_EQ(exportFrames("out.avi", 70), 0);

    // --- host calls ---
    const std::vector<standin::HostCall> calls = host->log().all();
    const ExportLoopRenderParams params = fake.lastRenderParams();
    EXPECT_EQ(+params.inRenderParamsSize, 36);
    EXPECT_EQ(+params.inRenderParamsVersion, 1);
    EXPECT_EQ(+params.inFinalPixelFormat, PrPixelFormat_BGRX_4444_8u); // "Auto": the first encode format
    EXPECT_EQ(+params.inStartTime, 0);
    EXPECT_EQ(+params.inEndTime, 70 * (kT / 30));
    EXPECT_EQ(+params.inReservedA, 0);
    EXPECT_EQ(+params.inReservedB, 0);
    const auto renderers = fake.audioRenderersMade();
    ASSERT_EQ(renderers.size(), 1u);
    EXPECT_EQ(renderers[0].channelType, kPrAudioChannelType_Stereo);
    EXPECT_EQ(renderers[0].sampleType, kPrAudioSampleType_32BitFloat);
    EXPECT_EQ(renderers[0].sampleRate, 48000.0f);
    EXPECT_EQ(fake.loopCalls().size(), 68u);
    EXPECT_EQ(fake.repeatedFrameReports(), (std::vector<csSDK_uint32>{1, 2}));
    const std::vector<csSDK_uint32> requests = fake.audioRequests();
    EXPECT_EQ(requests.size(), 12u + 12u + 4u);
    EXPECT_EQ(host->log().count("Audio.convertFloatToInt16"), 3u);
    EXPECT_EQ(host->log().count("ExportFile.open"), 1u);
    EXPECT_EQ(host->log().count("ExportFile.close"), 1u);
    EXPECT_EQ(host->log().count("SequenceAudio.releaseAudioRenderer"), 1u);
    for (const standin::HostCall& c : host->log().matching("ExportFile.seek"))
        EXPECT_NE(c.args[3], "1") << "no size query while exporting";

    // Per frame: the group's audio (max blip, requests, conversion, its chunk's writes), then the
    // frame (pixel format, pixels, row bytes) and its chunk's writes.
    for (csSDK_uint32 f : {0u, 30u, 60u}) {
        const long cb = findCallback(calls, f);
        ASSERT_GE(cb, 0);
        const long end = find(calls, "Host.callbackResult", cb);
        const long blip = find(calls, "SequenceAudio.getMaxBlip", cb);
        const long convert = find(calls, "Audio.convertFloatToInt16", cb);
        const long format = find(calls, "PPix.getPixelFormat", cb);
        const long pixels = find(calls, "PPix.getPixels", cb);
        const long rowBytes = find(calls, "PPix.getRowBytes", cb);
        const long audioWrite = find(calls, "ExportFile.write", convert);
        const long videoWrite = find(calls, "ExportFile.write", rowBytes);
        EXPECT_TRUE(cb < blip && blip < convert && convert < audioWrite && audioWrite < format && format < pixels &&
                    pixels < rowBytes && rowBytes < videoWrite && videoWrite < end)
            << "frame " << f;
        EXPECT_EQ(calls[std::size_t(end)].args[1], "0");
    }
    {
        const long cb = findCallback(calls, 1);
        ASSERT_GE(cb, 0);
        EXPECT_GT(find(calls, "SequenceAudio.getMaxBlip", cb), find(calls, "Host.callbackResult", cb));
    }

    // --- the file ---
    ExportedFile file(outputPath("out.avi"));
    ASSERT_TRUE(file.parsed) << file.errors;
    EXPECT_EQ(file.errors, "");
    ASSERT_EQ(file.reader.streams.size(), 2u);
    const avi::Stream& video = *file.reader.streams[0];
    const avi::Stream& audio = *file.reader.streams[1];
    EXPECT_EQ(+file.reader.avih.dwMicroSecPerFrame, 33333u);
    EXPECT_EQ(+video.header.dwRate, 30u);
    EXPECT_EQ(+video.header.dwScale, 1u);
    EXPECT_EQ(std::memcmp(&video.header.fccHandler, "Q8RG", 4), 0);
    const avi::BITMAPINFOHEADER bih = video.getStreamFormatAsVideo();
    EXPECT_EQ(+bih.biWidth, 64);
    EXPECT_EQ(+bih.biHeight, 48);
    EXPECT_EQ(+bih.biBitCount, 24);
    EXPECT_EQ(std::memcmp(&bih.biCompression, "Q8RG", 4), 0);
    const std::vector<uint8_t> header = video.getStreamFormatExtra();
    ASSERT_EQ(header.size(), 32u);
    EXPECT_EQ(std::memcmp(header.data(), "QORV", 4), 0);
    const avi::WAVEFORMATEXTENSIBLE wf = audio.getStreamFormatAsAudio();
    EXPECT_EQ(audio.format.size(), 16u);
    EXPECT_EQ(+wf.Format.wFormatTag, 1);
    EXPECT_EQ(+wf.Format.nChannels, 2);
    EXPECT_EQ(+wf.Format.nSamplesPerSec, 48000u);
    EXPECT_EQ(+wf.Format.nBlockAlign, 4);
    EXPECT_EQ(+wf.Format.wBitsPerSample, 16);
    EXPECT_EQ(+audio.header.dwLength, 112000u);

    EXPECT_EQ(file.order(), "A" + std::string(11, 'V') + "RR" + std::string(17, 'V') + "A" + std::string(30, 'V') +
                                "A" + std::string(10, 'V'));
    const auto audioChunks = file.of(1);
    ASSERT_EQ(audioChunks.size(), 3u);
    EXPECT_EQ(audioChunks[0].size, 192000u);
    EXPECT_EQ(audioChunks[1].size, 192000u);
    EXPECT_EQ(audioChunks[2].size, 64000u);
    long long sample = 0;
    for (const ExportedChunk& chunk : audioChunks) {
        EXPECT_FALSE(chunk.key);
        const std::vector<uint8_t> bytes = file.data(chunk);
        ASSERT_EQ(bytes.size(), chunk.size);
        bool same = true;
        for (std::size_t i = 0; i + 3 < bytes.size(); i += 4, ++sample) {
            for (unsigned c = 0; c < 2; ++c) {
                const int16_t v = static_cast<int16_t>(bytes[i + 2 * c] | bytes[i + 2 * c + 1] << 8);
                same = same && v == expected16(c, sample);
            }
        }
        EXPECT_TRUE(same);
    }

    // Every frame decodes to the rendered colour bytes, top row first.
    const auto videoChunks = file.of(0);
    ASSERT_EQ(videoChunks.size(), 70u);
    FrameDecoder decoder(header, QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, QUORVANE_FRAME_BGRX, 0, 2, 2, 0});
    ASSERT_EQ(decoder.beginResult(), 0);
    for (uint32_t f = 0; f < 70; ++f) {
        const ExportedChunk& chunk = videoChunks[f];
        if (f == 11 || f == 12) {
            EXPECT_EQ(chunk.size, 0u);
            EXPECT_FALSE(chunk.key);
            continue;
        }
        EXPECT_TRUE(chunk.key);
        std::vector<uint8_t> pixels;
        ASSERT_EQ(decoder.decode(file.data(chunk), pixels, 256, 48), 0) << f;
        bool same = true;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                for (int c = 0; c < 3; ++c)
                    same = same && pixels[std::size_t(y * 256 + x * 4 + c)] == images[f].row(y)[x * 4 + c];
        EXPECT_TRUE(same) << "frame " << f;
    }

    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Export, RepeatCrossingAGroupPutsTheAudioBetweenItsChunks)
{
    describeSource(64, 48, kT * 1001 / 30000);
    openDialog();
    ASSERT_EQ(host->fake().param(ADBEVideoFPS).values.value.timeValue, kT * 1001 / 30000);
    host->fake().loopSettings().repeatCount = [](csSDK_uint32 f) { return f == 28 ? 3u : 1u; };
    ASSERT_EQ(exportFrames("ntsc.avi", 70), 0);

    ExportedFile file(outputPath("ntsc.avi"));
    ASSERT_TRUE(file.parsed) << file.errors;
    // Group 29: audio before frames 0, 29 and 58; frame 29 is the repeat's first empty chunk.
    EXPECT_EQ(file.order(), "A" + std::string(28, 'V') + "V" + "A" + "RR" + std::string(27, 'V') + "A" +
                                std::string(12, 'V'));
    const auto audioChunks = file.of(1);
    ASSERT_EQ(audioChunks.size(), 3u);
    const long long perGroup = (kT * 1001 / 30000) * 29 / (kT / 48000);
    const long long total = (kT * 1001 / 30000) * 70 / (kT / 48000);
    EXPECT_EQ(audioChunks[0].size, perGroup * 4);
    EXPECT_EQ(audioChunks[1].size, perGroup * 4);
    EXPECT_EQ(audioChunks[2].size, (total - 2 * perGroup) * 4);
    EXPECT_EQ(+file.reader.streams[0]->header.dwRate, 30000u);
    EXPECT_EQ(+file.reader.streams[0]->header.dwScale, 1001u);
    EXPECT_EQ(+file.reader.avih.dwMicroSecPerFrame, 33366u);
    ASSERT_EQ(exporter->endInstance(), 0);
    expectBalanced();
}

TEST_F(Export, SampleTypesAndSmallMaxBlip)
{
    struct Case {
        PrAudioSampleType type;
        unsigned tag, bits;
    };
    for (const Case& c : {Case{kPrAudioSampleType_8BitInt, 1, 8}, Case{kPrAudioSampleType_24BitInt, 1, 24},
                          Case{kPrAudioSampleType_32BitInt, 1, 32}, Case{kPrAudioSampleType_32BitFloat, 3, 32}}) {
        SCOPED_TRACE(c.type);
        if (!exporter->module().loaded())
            break;
        if (host->fake().paramKeys().empty())
            openDialog();
        host->fake().setIntParam(ADBEAudioSampleType, c.type);
        host->fake().setIntParam(ADBEAudioNumChannels, kPrAudioChannelType_Mono);
        host->fake().setMaxBlip(1000);
        const std::size_t before = host->fake().audioRequests().size();
        const std::string name = "audio" + std::to_string(int(c.type)) + ".avi";
        ASSERT_EQ(exportFrames(name, 10), 0);
        // 10 frames at 30 fps: one last group of 16000 samples in requests of 1000.
        EXPECT_EQ(host->fake().audioRequests().size() - before, 16u);
        ExportedFile file(outputPath(name));
        ASSERT_TRUE(file.parsed) << file.errors;
        const avi::WAVEFORMATEXTENSIBLE wf = file.reader.streams[1]->getStreamFormatAsAudio();
        // PCM deeper than 16 bits is stored in the extensible format.
        EXPECT_EQ(+wf.Format.wFormatTag, c.tag == 1 && c.bits > 16 ? 0xFFFEu : c.tag);
        EXPECT_EQ(+wf.Format.wBitsPerSample, c.bits);
        EXPECT_EQ(+wf.Format.nChannels, 1);
        const auto chunks = file.of(1);
        ASSERT_EQ(chunks.size(), 1u);
        EXPECT_EQ(chunks[0].size, 16000u * c.bits / 8);
        const std::vector<uint8_t> bytes = file.data(chunks[0]);
        // Sample i of channel 0 is (7i - 127) / 128: sample 18 is -1/128, sample 127/7 ... pick an exact zero.
        long long zero = -1;
        for (long long i = 0; i < 300 && zero < 0; ++i)
            if (fakehost::FakeHost::sequenceSample(0, i) == 0.0f)
                zero = i;
        ASSERT_GE(zero, 0);
        const std::size_t at = std::size_t(zero) * c.bits / 8;
        if (c.type == kPrAudioSampleType_8BitInt) {
            EXPECT_EQ(bytes[at], 0x80); // signed 0 as unsigned 8-bit PCM
            EXPECT_EQ(bytes[0], uint8_t(int8_t(fakehost::FakeHost::sequenceSample(0, 0) * 128)) ^ 0x80);
        } else if (c.type == kPrAudioSampleType_32BitFloat) {
            float v;
            std::memcpy(&v, &bytes[4], 4);
            EXPECT_EQ(v, fakehost::FakeHost::sequenceSample(0, 1));
        } else {
            for (unsigned b = 0; b < c.bits / 8; ++b)
                EXPECT_EQ(bytes[at + b], 0);
        }
    }
    ASSERT_EQ(exporter->endInstance(), 0);
    expectBalanced();
}

TEST_F(Export, PixelFormatSwitchRestartsTheCompressionAndKeepsTheFirstHeader)
{
    enablePluginLog();
    openDialog();
    // "bgra" is offered although the subtype has no alpha: compressed as "bgrx", warned once.
    host->fake().loopSettings().formatOfFrame = [](csSDK_uint32 f) {
        return f < 3 ? PrPixelFormat_BGRA_4444_8u : (f < 6 ? PrPixelFormat_XRGB_4444_8u : PrPixelFormat_ARGB_4444_8u);
    };
    ASSERT_EQ(exportFrames("switch.avi", 8, false), 0);
    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    exporter->unload();
    const std::vector<std::string> lines = pluginLogLines();
    std::vector<std::string> starts;
    int warnings = 0, mismatches = 0;
    for (const std::string& l : lines) {
        if (l.find("Initializing compressor:") != std::string::npos)
            starts.push_back(l);
        warnings += l.find("[Adobe bug] Unexpected alpha pixel format:") != std::string::npos ? 1 : 0;
        mismatches += l.find("Compressed type mismatch") != std::string::npos ? 1 : 0;
    }
    ASSERT_EQ(starts.size(), 2u) << "bgrx, then xrgb (argb is replaced by xrgb, the current one)";
    EXPECT_EQ(starts[0].rfind("Initializing compressor: [PrPixelFormat_BGRX_4444_8u]", 0), 0u);
    EXPECT_NE(starts[1].find("v: 3 :[PrPixelFormat_XRGB_4444_8u] :Initializing compressor: "
                             "[PrPixelFormat_XRGB_4444_8u]"),
              std::string::npos)
        << starts[1];
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(mismatches, 0);
    // The warning ends the frame's unfinished line; the rest of that line follows on its own.
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "v: 0 :[PrPixelFormat_BGRA_4444_8u] :[Adobe bug] Unexpected alpha pixel format: "
                        "PrPixelFormat_BGRA_4444_8u, replaced with: PrPixelFormat_BGRX_4444_8u (further warnings are "
                        "silenced)"),
              lines.end());
    // Later replacements are silent.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("v: 1 :[PrPixelFormat_BGRA_4444_8u] :Compressed: 12288 -> ", 0) == 0 &&
               l.size() > 11 && l.compare(l.size() - 11, 11, " : write OK") == 0;
    }));

    ExportedFile file(outputPath("switch.avi"));
    ASSERT_TRUE(file.parsed) << file.errors;
    EXPECT_EQ(file.order(), "VVVVVVVV");
    expectBalanced();
}

// A colour space the dialog never offers must not let each restart pick its own: the stream keeps
// the first compression's header, so either the export fails or every frame decodes under it.
TEST_F(Export, ColourSpaceNotOfferedNeverMixesCompressedTypes)
{
    openDialog();
    host->fake().setIntParam(ADBEVideoCodec, int(PrFourCCHighFirst('Q', '8', 'Y', '2')));
    host->fake().setIntParam("ColorSpace", 0);
    host->fake().loopSettings().formatOfFrame = [](csSDK_uint32 f) {
        return f < 3 ? PrPixelFormat_YUYV_422_8u_601 : PrPixelFormat_YUYV_422_8u_709;
    };
    if (exportFrames("colour.avi", 6, false) == 0) {
        ExportedFile file(outputPath("colour.avi"));
        ASSERT_TRUE(file.parsed) << file.errors;
        const auto videoChunks = file.of(0);
        ASSERT_EQ(videoChunks.size(), 6u);
        // 64 pixels of YUY2 take 128 bytes a row; colour space and range follow the stream.
        FrameDecoder decoder(file.reader.streams[0]->getStreamFormatExtra(),
                             QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, QUORVANE_FRAME_YUY2, 0, 0, 0, 0});
        ASSERT_EQ(decoder.beginResult(), 0);
        for (std::size_t f = 0; f < videoChunks.size(); ++f) {
            std::vector<uint8_t> pixels;
            EXPECT_EQ(decoder.decode(file.data(videoChunks[f]), pixels, 128, 48), 0) << "frame " << f;
        }
    }
    ASSERT_EQ(exporter->endInstance(), 0);
    expectBalanced();
}

TEST_F(Export, VideoOnlyWritesNoAudioStream)
{
    openDialog();
    host->log().clear();
    ASSERT_EQ(exportFrames("video.avi", 5, false), 0);
    EXPECT_EQ(host->log().matching("SequenceAudio.").size(), 0u);
    ExportedFile file(outputPath("video.avi"));
    ASSERT_TRUE(file.parsed) << file.errors;
    EXPECT_EQ(file.reader.streams.size(), 1u);
    EXPECT_EQ(file.order(), "VVVVV");
    ASSERT_EQ(exporter->endInstance(), 0);
    expectBalanced();
}

} // namespace
} // namespace qtest

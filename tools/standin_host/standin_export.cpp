// Exports through the exporter plug-in in the stand-in host, outside the test programs.
//
//   standin_export sample DIR    writes DIR/export.avi: 70 frames of 64x48 at 30 fps, Q8RG,
//                                stereo 48 kHz 16-bit audio, frames 10 to 12 one repeated frame;
//                                beside it the chunks as the file's own index lists them
//                                (export.video.sizes/.bin, export.audio.sizes/.bin) for readers
//                                to be compared against.
//   standin_export seeds DIR     writes small exports of every kind of file the importer meets
//                                (8-bit and high-bit-depth subtypes, repeats, audio of every sample
//                                type, 29.97 fps, video alone) into DIR as seed-*.avi, the starting
//                                corpus of the importer's fuzz target.
//   standin_export speed DIR [N [OUT]]
//                                exports N frames (default 120) of 1920x1080 from the P6 frames
//                                in DIR, video only, into a file in OUT (default a temporary
//                                folder), and prints frames per second of the export next to the
//                                codec's own compression of the same frames.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "codec/quorvane.h"
#include "container/avi/AviReader.h"
#include "container/fileio/PosixFile.h"
#include "tools/standin_host/ExporterDriver.h"
#include "tools/standin_host/Images.h"
#include "tools/standin_host/StandinHost.h"

namespace {

constexpr PrTime kT = fakehost::kTicksPerSecond;

std::string privateHome()
{
    char pattern[] = "/tmp/standin_export_XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr)
        return "/tmp";
    setenv("HOME", dir, 1);
    return dir;
}

int fail(const std::string& what)
{
    std::fprintf(stderr, "standin_export: %s\n", what.c_str());
    return 1;
}

// The editor's export dialog for a sequence of this size and rate, with Q8RG in "Auto".
bool openDialog(standin::StandinHost& host, standin::ExporterDriver& exporter, int width, int height)
{
    fakehost::FakeHost& fake = host.fake();
    fake.setSourceInt32(kExportInfo_VideoWidth, width);
    fake.setSourceInt32(kExportInfo_VideoHeight, height);
    fake.setSourceInt64(kExportInfo_VideoFrameRate, kT / 30);
    fake.setSourceInt32(kExportInfo_VideoFieldType, prFieldsNone);
    fake.setSourceInt32(kExportInfo_AudioChannelsType, kPrAudioChannelType_Stereo);
    fake.setSourceFloat64(kExportInfo_AudioSampleRate, 48000.0);
    return exporter.startup() == 0 && exporter.openDialog() == 0;
}

// Writes the chunks of one stream as the index lists them: sizes one per line, bytes joined.
bool dumpStream(const std::string& avi, std::size_t stream, const std::string& prefix)
{
    fileio::PosixFile file;
    avi::AviReader reader;
    if (!file.open(avi.c_str(), 0) || !reader.parse(&file, avi::AviReader::Full) || stream >= reader.streams.size())
        return false;
    std::ofstream sizes(prefix + ".sizes");
    std::ofstream bytes(prefix + ".bin", std::ios::binary);
    for (const avi::Stream::IndexEntry& e : reader.streams[stream]->entries()) {
        sizes << e.size << "\n";
        std::vector<char> data(e.size);
        if (e.size != 0 && (!file.seek(static_cast<long long>(e.offset)) || file.read(data.data(), e.size) != e.size))
            return false;
        bytes.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    return true;
}

int sample(const std::string& dir)
{
    standin::StandinHost host;
    standin::ExporterDriver exporter(host, QUORVANE_PR_EXPORTER_PATH);
    if (!openDialog(host, exporter, 64, 48))
        return fail("the export dialog failed");
    std::vector<standin::Image> images;
    for (uint32_t f = 0; f < 70; ++f)
        images.push_back(standin::makeGradientImage(PrPixelFormat_BGRX_4444_8u, 64, 48, f));
    fakehost::FakeHost& fake = host.fake();
    fake.loopSettings().repeatCount = [](csSDK_uint32 f) { return f == 10 ? 3u : 1u; };
    fake.loopSettings().render = standin::renderFrom(fake, [&](csSDK_uint32 f) -> const standin::Image& { return images[f]; });

    const std::string avi = dir + "/export.avi";
    standin::ExporterDriver::Export job;
    job.fileObject = host.outputs().add(avi);
    job.endTime = 70 * (kT / 30);
    const csSDK_int32 result = exporter.exportRange(job);
    exporter.finish();
    if (result != 0)
        return fail("the export returned " + std::to_string(result));
    if (!dumpStream(avi, 0, dir + "/export.video") || !dumpStream(avi, 1, dir + "/export.audio"))
        return fail("the exported file cannot be read back");
    std::printf("%s\n", avi.c_str());
    return 0;
}

// One small export for the fuzz corpus.
struct Seed {
    const char* name;
    const char* subtype;
    int width, height, frames;
    PrTime frameDuration;
    bool audio;
    int sampleType; // of the audio, when audio is on
    int channels;   // kPrAudioChannelType_*
    bool repeat;    // frame 1 repeated once
};

int seeds(const std::string& dir)
{
    const Seed list[] = {
        {"q8rg-audio16-repeat", "Q8RG", 16, 8, 4, kT / 30, true, kPrAudioSampleType_16BitInt, kPrAudioChannelType_Stereo, true},
        {"q8ra", "Q8RA", 12, 6, 2, kT / 30, false, 0, 0, false},
        {"q8y2-audio8-mono", "Q8Y2", 14, 6, 3, kT / 30, true, kPrAudioSampleType_8BitInt, kPrAudioChannelType_Mono, false},
        {"q8y0-2997", "Q8Y0", 16, 10, 3, kT * 1001 / 30000, false, 0, 0, false},
        {"q8ya-audio24", "Q8YA", 8, 8, 2, kT / 25, true, kPrAudioSampleType_24BitInt, kPrAudioChannelType_Stereo, false},
        {"q8g0-audiofloat-51", "Q8G0", 8, 4, 2, kT / 30, true, kPrAudioSampleType_32BitFloat, kPrAudioChannelType_51, false},
        {"q2ra-audio32", "Q2RA", 10, 4, 2, kT / 24, true, kPrAudioSampleType_32BitInt, kPrAudioChannelType_Stereo, false},
        {"q4rg-repeat", "Q4RG", 8, 6, 3, kT / 30, false, 0, 0, true},
    };
    for (const Seed& seed : list) {
        standin::StandinHost host;
        standin::ExporterDriver exporter(host, QUORVANE_PR_EXPORTER_PATH);
        fakehost::FakeHost& fake = host.fake();
        fake.setSourceInt32(kExportInfo_VideoWidth, seed.width);
        fake.setSourceInt32(kExportInfo_VideoHeight, seed.height);
        fake.setSourceInt64(kExportInfo_VideoFrameRate, seed.frameDuration);
        fake.setSourceInt32(kExportInfo_VideoFieldType, prFieldsNone);
        fake.setSourceInt32(kExportInfo_AudioChannelsType, seed.audio ? seed.channels : kPrAudioChannelType_Stereo);
        fake.setSourceFloat64(kExportInfo_AudioSampleRate, 8000.0);
        if (exporter.startup() != 0 || exporter.openDialog() != 0)
            return fail("the export dialog failed");
        const csSDK_uint32 code = (csSDK_uint32(uint8_t(seed.subtype[0])) << 24) | (csSDK_uint32(uint8_t(seed.subtype[1])) << 16) |
                                  (csSDK_uint32(uint8_t(seed.subtype[2])) << 8) | csSDK_uint32(uint8_t(seed.subtype[3]));
        fake.setIntParam(ADBEVideoCodec, int(code));
        fake.setIntParam(ADBEVideoWidth, seed.width);
        fake.setIntParam(ADBEVideoHeight, seed.height);
        fake.setTimeParam(ADBEVideoFPS, seed.frameDuration);
        if (seed.audio) {
            fake.setIntParam(ADBEAudioSampleType, seed.sampleType);
            fake.setIntParam(ADBEAudioNumChannels, seed.channels);
            fake.setFloatParam(ADBEAudioRatePerSecond, 8000.0);
        }
        if (seed.repeat)
            fake.loopSettings().repeatCount = [](csSDK_uint32 f) { return f == 1 ? 2u : 1u; };
        // Pictures in whatever format the exporter renders in for the subtype.
        fake.loopSettings().render = [&fake, &seed](PPix& frame, csSDK_uint32 f) {
            standin::renderInto(standin::makeGradientImage(frame.format, seed.width, seed.height, f), frame,
                                fake.topLeft(frame.format));
        };
        const std::string avi = dir + "/seed-" + seed.name + ".avi";
        standin::ExporterDriver::Export job;
        job.fileObject = host.outputs().add(avi);
        job.endTime = seed.frames * seed.frameDuration;
        job.audio = seed.audio;
        const csSDK_int32 result = exporter.exportRange(job);
        fake.loopSettings().render = nullptr;
        exporter.finish();
        if (result != 0)
            return fail("the export of " + avi + " returned " + std::to_string(result));
        std::printf("%s\n", avi.c_str());
    }
    return 0;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The codec alone: the same frames, the same layout (bottom row first, as the host holds BGRX).
double codecFps(const std::vector<standin::Image>& frames, int count)
{
    const int w = frames[0].width, h = frames[0].height;
    std::vector<std::vector<uint8_t>> bottomUp;
    for (const standin::Image& image : frames) {
        std::vector<uint8_t> rows(image.bytes.size());
        for (int y = 0; y < h; ++y)
            std::memcpy(rows.data() + std::size_t(h - 1 - y) * image.rowBytes, image.row(y), std::size_t(image.rowBytes));
        bottomUp.push_back(std::move(rows));
    }
    quorvane_library_init();
    uint32_t handle = 0;
    quorvane_open(&handle);
    QuorvaneFrameTypeEx in{uint32_t(w), uint32_t(h), QUORVANE_FRAME_EXTENDED, 1, QUORVANE_FRAME_BGRX,
                           QUORVANE_FLAG_BOTTOM_UP, 2, 2, 0};
    QuorvaneFrameTypeEx out{0, 0, QUORVANE_FRAME_EXTENDED, 1, QUORVANE_FRAME_COMP_RGB, 0, 2, 2, 0};
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0, maxSize = 0;
    double fps = 0;
    if (quorvane_compress_begin(handle, reinterpret_cast<QuorvaneFrameType*>(&in), reinterpret_cast<QuorvaneFrameType*>(&out),
                                &format, &formatSize, &maxSize) == 0) {
        std::vector<uint8_t> dst(maxSize);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            std::vector<uint8_t>& rows = bottomUp[std::size_t(i) % bottomUp.size()];
            QuorvaneFrameData frame{};
            frame.planes[0] = QuorvanePlane{rows.data(), frames[0].rowBytes, uint32_t(rows.size())};
            uint32_t size = 0;
            quorvane_compress(handle, &frame, dst.data(), &size);
        }
        fps = count / seconds(start);
    }
    quorvane_close(handle);
    quorvane_library_close();
    return fps;
}

int speed(const std::string& dir, int count, const std::string& outDir)
{
    const std::vector<standin::Image> frames = standin::loadPpmFolder(dir, PrPixelFormat_BGRX_4444_8u);
    if (frames.empty())
        return fail("no .ppm frames in " + dir);
    standin::StandinHost host;
    host.log().setEnabled(false);
    standin::ExporterDriver exporter(host, QUORVANE_PR_EXPORTER_PATH);
    if (!openDialog(host, exporter, frames[0].width, frames[0].height))
        return fail("the export dialog failed");
    fakehost::FakeHost& fake = host.fake();
    const auto render = standin::renderFrom(
        fake, [&](csSDK_uint32 f) -> const standin::Image& { return frames[f % frames.size()]; });
    // The host's own share of each frame: rendering into its buffer, timed apart from the export.
    double renderSeconds = 0;
    fake.loopSettings().render = [&](PPix& frame, csSDK_uint32 f) {
        const auto start = std::chrono::steady_clock::now();
        render(frame, f);
        renderSeconds += seconds(start);
    };

    const std::string avi = outDir + "/standin_export_speed.avi";
    standin::ExporterDriver::Export job;
    job.fileObject = host.outputs().add(avi);
    job.endTime = count * (kT / 30);
    job.audio = false;
    const auto start = std::chrono::steady_clock::now();
    const csSDK_int32 result = exporter.exportRange(job);
    const double exportSeconds = seconds(start);
    exporter.finish();
    const long long bytes = host.outputs().info(job.fileObject).bytesWritten;
    std::remove(avi.c_str());
    if (result != 0)
        return fail("the export returned " + std::to_string(result));

    const double codec = codecFps(frames, count);
    std::printf("%d frames of %dx%d from %zu photographs, Q8RG from bgrx, video only\n", count, frames[0].width,
                frames[0].height, frames.size());
    std::printf("  export through the plug-in: %.1f fps (%.2f s, %.1f MB written, %.2f bits/pixel)\n",
                count / exportSeconds, exportSeconds, bytes / 1e6,
                bytes * 8.0 / (double(count) * frames[0].width * frames[0].height));
    std::printf("  of which the host rendering frames: %.2f s; the plug-in's part: %.1f fps\n", renderSeconds,
                count / (exportSeconds - renderSeconds));
    std::printf("  inside the plug-in's frame callbacks (compress, write): %.1f fps\n", count / host.callbackSeconds());
    std::printf("  codec compress alone:       %.1f fps\n", codec);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return fail("usage: standin_export sample DIR | seeds DIR | speed FRAMES_DIR [COUNT [OUT_DIR]]");
    const std::string home = privateHome();
    int result = 1;
    try {
        const std::string mode = argv[1];
        if (mode == "sample")
            result = sample(argv[2]);
        else if (mode == "seeds")
            result = seeds(argv[2]);
        else if (mode == "speed")
            result = speed(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 120, argc > 4 ? argv[4] : home);
        else
            result = fail("unknown mode " + mode);
    } catch (const std::exception& e) {
        result = fail(e.what());
    }
    const std::string command = "rm -rf '" + home + "'";
    if (home != "/tmp" && std::system(command.c_str()) != 0)
        std::fprintf(stderr, "standin_export: could not remove %s\n", home.c_str());
    return result;
}

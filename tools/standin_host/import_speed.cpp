// Import speed outside the test programs: exports the P6 frames of a folder (1920x1080 photographs,
// say) through the exporter plug-in as Q8RG, then imports every frame through the importer plug-in
// in the stand-in host, as the editor asks for them ("bgrx", the host's orientation), and decodes
// the same stored chunks with the codec alone into the same layout. Prints frames per second of
// each, median of the runs.
//
//   standin_import_speed FRAMES_DIR [FRAMES [RUNS [OUT_DIR]]]     (defaults: 120 frames, 5 runs)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "codec/quorvane.h"
#include "container/avi/AviReader.h"
#include "container/fileio/PosixFile.h"
#include "tools/standin_host/ExporterDriver.h"
#include "tools/standin_host/Images.h"
#include "tools/standin_host/ImporterDriver.h"
#include "tools/standin_host/StandinHost.h"

namespace {

constexpr PrTime kT = fakehost::kTicksPerSecond;

int fail(const std::string& what)
{
    std::fprintf(stderr, "standin_import_speed: %s\n", what.c_str());
    return 1;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool exportFrames(standin::StandinHost& host, const std::vector<standin::Image>& frames, int count,
                  const std::string& avi)
{
    standin::ExporterDriver exporter(host, QUORVANE_PR_EXPORTER_PATH);
    fakehost::FakeHost& fake = host.fake();
    fake.setSourceInt32(kExportInfo_VideoWidth, frames[0].width);
    fake.setSourceInt32(kExportInfo_VideoHeight, frames[0].height);
    fake.setSourceInt64(kExportInfo_VideoFrameRate, kT / 30);
    fake.setSourceInt32(kExportInfo_VideoFieldType, prFieldsNone);
    fake.setSourceInt32(kExportInfo_AudioChannelsType, kPrAudioChannelType_Stereo);
    fake.setSourceFloat64(kExportInfo_AudioSampleRate, 48000.0);
    if (exporter.startup() != 0 || exporter.openDialog() != 0)
        return false;
    fake.loopSettings().render =
        standin::renderFrom(fake, [&](csSDK_uint32 f) -> const standin::Image& { return frames[f % frames.size()]; });
    standin::ExporterDriver::Export job;
    job.fileObject = host.outputs().add(avi);
    job.endTime = count * (kT / 30);
    job.audio = false;
    const csSDK_int32 result = exporter.exportRange(job);
    fake.loopSettings().render = nullptr;
    exporter.finish();
    return result == 0;
}

// Every frame through the importer's imGetSourceVideo; each frame is handed back to the host.
double importFps(standin::StandinHost& host, const std::string& avi, int count)
{
    standin::ImporterDriver importer(host, QUORVANE_PR_IMPORTER_PATH);
    imImportInfoRec info;
    if (importer.init(&info) != 0)
        return 0;
    standin::ImporterDriver::File file;
    imFileInfoRec8 fileInfo;
    if (importer.open(file, avi) != 0 || importer.getInfo(file, fileInfo) != 0)
        return 0;
    const std::vector<imFrameFormat> formats{imFrameFormat{0, 0, PrPixelFormat_BGRX_4444_8u}};
    double fps = 0;
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    for (int f = 0; f < count; ++f) {
        PPixHand frame = nullptr;
        if (importer.sourceVideo(file, f * (kT / 30), formats, frame) != 0)
            break;
        host.fake().disposeFrame(frame);
        ++done;
    }
    if (done == count)
        fps = count / seconds(start);
    importer.close(file);
    importer.shutdown();
    return fps;
}

// The codec alone over the same chunks, read into memory first, into one reused BGRX buffer kept
// bottom row first (the host's "bgrx").
double codecFps(const std::string& avi)
{
    fileio::PosixFile file;
    avi::AviReader reader;
    if (!file.open(avi.c_str(), 0) || !reader.parse(&file, avi::AviReader::Full) || reader.streams.empty())
        return 0;
    const avi::Stream& stream = *reader.streams[0];
    const std::vector<uint8_t> format = stream.getStreamFormatExtra();
    std::vector<std::vector<uint8_t>> chunks;
    for (const avi::Stream::IndexEntry& e : stream.entries()) {
        std::vector<uint8_t> bytes(e.size);
        if (!file.seek(static_cast<long long>(e.offset)) || file.read(bytes.data(), e.size) != e.size)
            return 0;
        chunks.push_back(std::move(bytes));
    }
    quorvane_library_init();
    uint32_t handle = 0;
    quorvane_open(&handle);
    QuorvaneFrameTypeEx out{0, 0, QUORVANE_FRAME_EXTENDED, 1, QUORVANE_FRAME_BGRX, QUORVANE_FLAG_BOTTOM_UP, 2, 2, 0};
    QuorvaneFrameTypeEx stored{};
    double fps = 0;
    if (quorvane_decompress_begin(handle, format.data(), uint32_t(format.size()),
                                  reinterpret_cast<QuorvaneFrameType*>(&out),
                                  reinterpret_cast<QuorvaneFrameType*>(&stored)) == 0) {
        const int32_t stride = int32_t(stored.width) * 4;
        std::vector<uint8_t> pixels(std::size_t(stride) * stored.height);
        QuorvaneFrameData frame{};
        frame.planes[0] = QuorvanePlane{pixels.data(), stride, uint32_t(pixels.size())};
        const auto start = std::chrono::steady_clock::now();
        bool ok = true;
        for (const std::vector<uint8_t>& c : chunks)
            ok = ok && quorvane_decompress(handle, c.data(), uint32_t(c.size()), &frame) == 0;
        if (ok)
            fps = double(chunks.size()) / seconds(start);
        quorvane_decompress_end(handle);
    }
    quorvane_close(handle);
    quorvane_library_close();
    return fps;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return fail("usage: standin_import_speed FRAMES_DIR [FRAMES [RUNS [OUT_DIR]]]");
    char pattern[] = "/tmp/standin_import_speed_XXXXXX";
    const char* home = mkdtemp(pattern);
    if (home == nullptr)
        return fail("no temporary folder");
    setenv("HOME", home, 1);
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 120;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const std::string avi = std::string(argc > 4 ? argv[4] : home) + "/standin_import_speed.avi";

    int result = 0;
    try {
        const std::vector<standin::Image> frames = standin::loadPpmFolder(argv[1], PrPixelFormat_BGRX_4444_8u);
        if (frames.empty())
            throw std::runtime_error(std::string("no .ppm frames in ") + argv[1]);
        standin::StandinHost host;
        host.log().setEnabled(false);
        if (!exportFrames(host, frames, count, avi))
            throw std::runtime_error("the export failed");
        std::vector<double> imported, decoded;
        for (int r = 0; r < runs; ++r) {
            imported.push_back(importFps(host, avi, count));
            decoded.push_back(codecFps(avi));
            if (imported.back() == 0 || decoded.back() == 0)
                throw std::runtime_error("a frame did not import or decode");
        }
        std::printf("%d frames of %dx%d from %zu photographs, Q8RG, decoded into bgrx; median of %d runs\n", count,
                    frames[0].width, frames[0].height, frames.size(), runs);
        std::printf("  import through the plug-in: %.1f fps\n", median(imported));
        std::printf("  codec decode alone:         %.1f fps\n", median(decoded));
    } catch (const std::exception& e) {
        result = fail(e.what());
    }
    std::remove(avi.c_str());
    const std::string command = "rm -rf '" + std::string(home) + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "standin_import_speed: could not remove %s\n", home);
    return result;
}

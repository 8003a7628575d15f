// The import road: the editor opening an exported file through the importer module, reading
// every frame in one pixel format (itself or through the asynchronous importer) and all audio,
// and checking the frames against the pictures the clip was made from.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>

#include "tools/quorvane_host/Commands.h"
#include "tools/quorvane_host/HostPixels.h"
#include "tools/quorvane_host/Pictures.h"
#include "tools/standin_host/ImporterDriver.h"
#include "tools/standin_host/StandinHost.h"

namespace qhost {

namespace {

void check(const char* step, csSDK_int32 result)
{
    if (result != 0)
        throw StepFailure(std::string("import failed at ") + step + ": " + importResultText(result));
}

void checkAsync(const char* step, csSDK_int32 result)
{
    if (result != 0)
        throw StepFailure(std::string("import failed at ") + step + ": " + asyncResultText(result));
}

std::string subtypeName(csSDK_uint32 code)
{
    std::string s;
    for (int i = 3; i >= 0; --i)
        s.push_back(char((code >> (8 * i)) & 0xFF));
    return s;
}

// Subtypes that keep 8-bit RGB exactly: the RGB ones of every depth ("Q8RG", "Q0RA", ...), the
// alpha ones also the alpha.
bool rgbSubtype(const std::string& s) { return s.size() == 4 && s[0] == 'Q' && s[2] == 'R'; }
bool alphaSubtype(const std::string& s) { return rgbSubtype(s) && s[3] == 'A'; }

// The frame's checks against its picture, summed over the clip.
struct Comparison {
    bool exact = false; // the pair must match byte for byte
    long long frames = 0;
    long long exactFrames = 0;
    double minPsnr = std::numeric_limits<double>::infinity();
    double psnrSum = 0;
    std::string firstMismatch;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int runImport(const ImportOptions& o)
{
    if (o.file.empty())
        throw StepFailure("import: no file to import");
    struct stat st{};
    if (stat(o.file.c_str(), &st) != 0)
        throw StepFailure("import: " + o.file + " does not exist");
    const std::vector<std::string> clip = clipOf(o.compare, o.compareRepeat);
    const bool terminal = isatty(STDERR_FILENO) != 0;

    standin::StandinHost host;
    host.log().setEnabled(false);
    fakehost::FakeHost& fake = host.fake();
    standin::ImporterDriver importer(host, QUORVANE_PR_IMPORTER_PATH);

    imImportInfoRec initInfo;
    std::memset(&initInfo, 0, sizeof initInfo);
    check("imInit", importer.init(&initInfo));
    if (o.async && initInfo.canProvideAsyncImporter == 0)
        throw StepFailure("import: the importer offers no asynchronous importer");

    standin::ImporterDriver::File file;
    check("imOpenFile8", importer.open(file, o.file));
    imFileInfoRec8 info;
    check("imGetInfo8", importer.getInfo(file, info));
    if (info.hasVideo == 0)
        throw StepFailure("import: " + o.file + " has no video");
    const std::string subtype = subtypeName(info.subType);

    // The pixel formats the importer offers, in its order of preference.
    std::vector<PrPixelFormat> offered;
    const csSDK_int32 listed = importer.pixelFormats(file, offered);
    if (listed != imBadFormatIndex)
        check("imGetIndPixelFormat", listed);
    if (offered.empty())
        throw StepFailure("import: the importer offers no pixel format for " + o.file);
    PrPixelFormat format = offered[0];
    if (!o.format.empty()) {
        format = parseFormat(o.format);
        if (std::find(offered.begin(), offered.end(), format) == offered.end()) {
            std::string names;
            for (PrPixelFormat f : offered)
                names += " " + formatName(f);
            throw StepFailure("import: the importer does not offer '" + o.format + "' for " + o.file + "; offered:" + names);
        }
    }
    if (!hostHandles(format))
        throw StepFailure("import: the stand-in host cannot read frames in " + formatName(format) +
                          "; choose another with --format");

    const int width = info.imageWidth, height = info.imageHeight;
    if (info.vidScale <= 0 || info.vidSampleSize <= 0)
        throw StepFailure("import: the importer told no frame rate");
    const long long frames = info.vidDuration / info.vidSampleSize;
    const PrTime ticksPerSecond = fake.ticksPerSecond();
    auto frameTime = [&](long long k) {
        return static_cast<PrTime>(static_cast<__int128>(k) * info.vidSampleSize * ticksPerSecond / info.vidScale);
    };
    const std::vector<imFrameFormat> request{imFrameFormat{width, height, format}};

    if (!clip.empty() && frames < static_cast<long long>(clip.size()))
        throw StepFailure("import: " + o.file + " holds " + std::to_string(frames) + " frames, the clip " +
                          std::to_string(clip.size()));
    if (!o.writeDir.empty())
        mkdir(o.writeDir.c_str(), 0777);

    Comparison cmp;
    double decodeSeconds = 0;
    auto handle = [&](long long k, PPixHand out) {
        const standin::HostFrame frame = importer.take(out);
        if (frame.format != format || frame.width != width || frame.height != height)
            throw StepFailure("import: frame " + std::to_string(k) + " came as " + formatName(frame.format) + " " +
                              std::to_string(frame.width) + "x" + std::to_string(frame.height));
        const Picture picture = fromHostImage(standin::imageOf(frame, fake.topLeft(format)));
        if (!o.writeDir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%05lld.%s", k, picture.alpha() ? "pam" : "ppm");
            writePicture(o.writeDir + name, picture);
        }
        if (k >= static_cast<long long>(clip.size()))
            return;
        const Picture input = readPicture(clip[std::size_t(k)]);
        if (input.width != width || input.height != height)
            throw StepFailure("import: " + clip[std::size_t(k)] + " is " + std::to_string(input.width) + "x" +
                              std::to_string(input.height) + ", the file's frames " + std::to_string(width) + "x" +
                              std::to_string(height));
        // Colour is exact from RGB subtypes decoded into RGB formats; alpha where both keep it.
        cmp.exact = rgbSubtype(subtype) && formatIsRgb(format) && (!input.alpha() || alphaSubtype(subtype));
        const bool withAlpha = input.alpha() && alphaSubtype(subtype) && picture.alpha();
        const Difference d = compare(input, picture, withAlpha);
        ++cmp.frames;
        cmp.exactFrames += d.differingBytes == 0 ? 1 : 0;
        cmp.minPsnr = std::min(cmp.minPsnr, d.psnr);
        cmp.psnrSum += std::isinf(d.psnr) ? 99.0 : d.psnr;
        if (cmp.exact && d.differingBytes != 0 && cmp.firstMismatch.empty()) {
            const std::size_t pixel = d.firstByte / std::size_t(input.channels);
            cmp.firstMismatch = "frame " + std::to_string(k) + " (" + clip[std::size_t(k)] + ") differs in " +
                                std::to_string(d.differingBytes) + " bytes, first at x " +
                                std::to_string(pixel % std::size_t(width)) + ", y " +
                                std::to_string(pixel / std::size_t(width));
        }
    };

    const auto started = std::chrono::steady_clock::now();
    if (!o.async) {
        for (long long k = 0; k < frames; ++k) {
            PPixHand out = nullptr;
            const auto start = std::chrono::steady_clock::now();
            check("imGetSourceVideo", importer.sourceVideo(file, frameTime(k), request, out));
            decodeSeconds += secondsSince(start);
            handle(k, out);
            if (terminal)
                std::fprintf(stderr, "\rimport: frame %lld/%lld", k + 1, frames);
        }
    } else {
        // The editor announces the frames it will want a few ahead, then collects them in order.
        standin::AsyncImporterDriver async;
        check("imCreateAsyncImporter", importer.createAsync(file, async));
        if (!async.valid())
            throw StepFailure("import: the importer made no asynchronous importer");
        constexpr long long kAhead = 4;
        long long announced = 0;
        for (long long k = 0; k < frames; ++k) {
            const auto start = std::chrono::steady_clock::now();
            for (; announced < frames && announced < k + kAhead; ++announced)
                checkAsync("aiInitiateAsyncRead", async.initiate(frameTime(announced), request));
            PPixHand out = nullptr;
            checkAsync("aiGetFrame", async.getFrame(frameTime(k), request, out));
            decodeSeconds += secondsSince(start);
            if (out == nullptr)
                throw StepFailure("import failed at aiGetFrame: no frame for frame " + std::to_string(k));
            handle(k, out);
            if (terminal)
                std::fprintf(stderr, "\rimport: frame %lld/%lld", k + 1, frames);
        }
        checkAsync("aiClose", async.close());
    }
    if (terminal)
        std::fprintf(stderr, "\r\033[K");

    // All audio, in blocks of one second.
    long long audioFrames = 0;
    if (info.hasAudio != 0) {
        // The record is packed: its fields are read by value, never bound to references.
        const int numChannels = info.numChannels;
        const float sampleRate = info.sampleRate;
        const long long duration = info.audDuration;
        const auto channels = unsigned(std::max(0, numChannels));
        const auto block = csSDK_uint32(std::max(1.0f, sampleRate));
        std::vector<std::vector<float>> buffers;
        for (long long at = 0; at < duration; at += block) {
            const auto size = csSDK_uint32(std::min<long long>(block, duration - at));
            check("imImportAudio7", importer.importAudio(file, at, size, channels, buffers));
            audioFrames += size;
        }
    }
    const double seconds = secondsSince(started);

    check("imCloseFile", importer.close(file));
    check("imShutdown", importer.shutdown());
    if (!importer.framesBalanced())
        throw StepFailure("import: the importer made frames it neither handed over nor disposed");

    std::string audio = ", no audio";
    if (info.hasAudio != 0) {
        char text[96];
        std::snprintf(text, sizeof text, ", %lld audio sample frames (%d ch, %.0f Hz)", audioFrames,
                      int(info.numChannels), double(info.sampleRate));
        audio = text;
    }
    std::string compared;
    if (cmp.frames > 0) {
        char text[160];
        if (cmp.exact)
            std::snprintf(text, sizeof text, "; compare: %lld/%lld frames exact", cmp.exactFrames, cmp.frames);
        else if (std::isinf(cmp.minPsnr))
            std::snprintf(text, sizeof text, "; compare: %lld/%lld frames identical", cmp.exactFrames, cmp.frames);
        else
            std::snprintf(text, sizeof text, "; compare: PSNR min %.2f dB, mean %.2f dB over %lld frames",
                          cmp.minPsnr, cmp.psnrSum / double(cmp.frames), cmp.frames);
        compared = text;
    }
    std::printf("import: %lld frames %dx%d %s as %s (%s)%s from %s, %.1f frames/s decoded (%.2f s in all)%s\n",
                frames, width, height, subtype.c_str(), formatName(format).c_str(), o.async ? "async" : "sync",
                audio.c_str(), o.file.c_str(), decodeSeconds > 0 ? double(frames) / decodeSeconds : 0.0, seconds,
                compared.c_str());
    if (cmp.exact && cmp.exactFrames != cmp.frames) {
        std::fprintf(stderr, "quorvane-host: import: mismatch: %s\n", cmp.firstMismatch.c_str());
        return 1;
    }
    return 0;
}

} // namespace qhost

// The export road: the editor's export dialog and export of a clip of pictures through the
// exporter module, with the sequence's audio a generated test signal.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "sdk/PrSDKExportParamSuite.h"
#include "tools/quorvane_host/Commands.h"
#include "tools/quorvane_host/HostPixels.h"
#include "tools/quorvane_host/Pictures.h"
#include "tools/standin_host/ExporterDriver.h"
#include "tools/standin_host/StandinHost.h"

namespace qhost {

namespace {

// The sequence's audio: 440 Hz on the left channel and 660 Hz on the right at half scale for the
// asked length, silence after it. It sits over the suite the stand-in host offers, which still
// serves every call (its accounting and its checks of the requests), and replaces the samples.
struct TestSignal {
    static inline const PrSDKSequenceAudioSuite1* inner = nullptr;
    static inline long long lengthInSamples = 0;
    static inline std::mutex mutex;
    struct Renderer {
        long long position; // sample frames from the sequence's start
        float rate;
        int channels;
    };
    static inline std::map<csSDK_uint32, Renderer> renderers;

    static prSuiteError make(csSDK_uint32 pluginID, PrTime startTime, PrAudioChannelType channelType,
                             PrAudioSampleType sampleType, float sampleRate, csSDK_uint32* outID)
    {
        const prSuiteError result = inner->makeAudioRenderer(pluginID, startTime, channelType, sampleType, sampleRate, outID);
        if (result == suiteError_NoError && outID != nullptr) {
            std::lock_guard<std::mutex> lock(mutex);
            const long long start = static_cast<long long>(
                static_cast<__int128>(startTime) * static_cast<long long>(sampleRate) / fakehost::kTicksPerSecond);
            const int channels = channelType == kPrAudioChannelType_Mono ? 1 : channelType == kPrAudioChannelType_51 ? 6 : 2;
            renderers[*outID] = {start, sampleRate, channels};
        }
        return result;
    }

    static prSuiteError release(csSDK_uint32 pluginID, csSDK_uint32 id)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            renderers.erase(id);
        }
        return inner->releaseAudioRenderer(pluginID, id);
    }

    static prSuiteError get(csSDK_uint32 id, csSDK_uint32 frames, float** buffers, char clip)
    {
        const prSuiteError result = inner->getAudio(id, frames, buffers, clip);
        if (result != suiteError_NoError || buffers == nullptr)
            return result;
        std::lock_guard<std::mutex> lock(mutex);
        auto it = renderers.find(id);
        if (it == renderers.end())
            return result;
        Renderer& r = it->second;
        for (csSDK_uint32 i = 0; i < frames; ++i) {
            const long long n = r.position + i;
            for (int c = 0; c < r.channels; ++c) {
                if (buffers[c] == nullptr)
                    continue;
                const double hz = c == 0 ? 440.0 : 660.0;
                buffers[c][i] = n < lengthInSamples && c < 2 ? float(0.5 * std::sin(2 * M_PI * hz * double(n) / r.rate)) : 0.0f;
            }
        }
        r.position += frames;
        return result;
    }

    static prSuiteError maxBlip(csSDK_uint32 id, PrTime ticksPerFrame, csSDK_int32* out)
    {
        return inner->getMaxBlip(id, ticksPerFrame, out);
    }
};

const PrSDKSequenceAudioSuite1 kTestSignalSuite{TestSignal::make, TestSignal::release, TestSignal::get,
                                               TestSignal::maxBlip};

void installTestSignal(standin::StandinHost& host, double seconds, double sampleRate)
{
    const void* offered = nullptr;
    SPBasicSuite* basic = host.fake().basicSuite();
    if (basic->AcquireSuite(kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion, &offered) != 0 || offered == nullptr)
        throw StepFailure("export failed: the stand-in host offers no sequence audio");
    basic->ReleaseSuite(kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion);
    TestSignal::inner = static_cast<const PrSDKSequenceAudioSuite1*>(offered);
    TestSignal::lengthInSamples = std::llround(seconds * sampleRate);
    host.fake().provide(kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion, &kTestSignalSuite);
}

void check(const char* step, csSDK_int32 result, standin::StandinHost& host)
{
    if (result == 0)
        return;
    std::string message = std::string("export failed at ") + step + ": " + exportResultText(result);
    // The exporter tells the user why through the host's event reports.
    const std::vector<fakehost::Event> events = host.fake().events();
    if (!events.empty()) {
        std::string text = events.back().title + ": " + events.back().description;
        for (char& c : text) {
            if (c == '\n')
                c = ' ';
        }
        message += " (" + text + ")";
    }
    throw StepFailure(message);
}

std::vector<int> listedValues(fakehost::FakeHost& fake, const char* key)
{
    std::vector<int> values;
    for (const auto& entry : fake.param(key).valueList)
        values.push_back(entry.first.intValue);
    return values;
}

std::string subtypeName(csSDK_uint32 code)
{
    std::string s;
    for (int i = 3; i >= 0; --i)
        s.push_back(char((code >> (8 * i)) & 0xFF));
    return s;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string s;
    for (const std::string& n : names)
        s += (s.empty() ? "" : " ") + n;
    return s;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int runExport(const ExportOptions& o)
{
    if (o.inputs.empty())
        throw StepFailure("export: no input pictures");
    if (o.out.empty())
        throw StepFailure("export: no output file (--out FILE.avi)");
    const std::vector<std::string> clip = clipOf(o.inputs, o.repeat);
    const Picture first = readPicture(clip[0]);
    const bool terminal = isatty(STDERR_FILENO) != 0;

    standin::StandinHost host;
    host.log().setEnabled(false); // a long export need not keep every host call
    fakehost::FakeHost& fake = host.fake();
    const PrTime ticksPerSecond = fake.ticksPerSecond();
    const auto askedFrameDuration = static_cast<PrTime>(static_cast<__int128>(ticksPerSecond) * o.fpsDenominator /
                                                       o.fpsNumerator);

    // The sequence the editor exports: the clip's size and rate, stereo 48 kHz audio.
    fake.setSourceInt32(kExportInfo_VideoWidth, first.width);
    fake.setSourceInt32(kExportInfo_VideoHeight, first.height);
    fake.setSourceInt64(kExportInfo_VideoFrameRate, askedFrameDuration);
    fake.setSourceInt32(kExportInfo_VideoFieldType, prFieldsNone);
    fake.setSourceInt32(kExportInfo_AudioChannelsType, kPrAudioChannelType_Stereo);
    fake.setSourceFloat64(kExportInfo_AudioSampleRate, 48000.0);
    if (o.audioSeconds > 0)
        installTestSignal(host, o.audioSeconds, 48000.0);

    standin::ExporterDriver exporter(host, QUORVANE_PR_EXPORTER_PATH);
    exExporterInfoRec info;
    std::memset(&info, 0, sizeof info);
    check("exSelStartup", exporter.startup(&info), host);
    check("exSelBeginInstance", exporter.beginInstance(), host);
    check("exSelGenerateDefaultParams", exporter.generateDefaultParams(), host);
    check("exSelPostProcessParams", exporter.postProcessParams(), host);

    // The user's choices in the dialog, each followed by the editor's change notice.
    if (!o.subtype.empty()) {
        csSDK_uint32 code = 0;
        for (char c : o.subtype)
            code = code << 8 | static_cast<unsigned char>(c);
        const std::vector<int> offered = listedValues(fake, ADBEVideoCodec);
        if (o.subtype.size() != 4 || std::find(offered.begin(), offered.end(), int(code)) == offered.end()) {
            std::vector<std::string> names;
            for (int v : offered)
                names.push_back(subtypeName(csSDK_uint32(v)));
            throw StepFailure("export: subtype '" + o.subtype + "' is not offered; the exporter offers " + joined(names));
        }
        fake.setIntParam(ADBEVideoCodec, int(code));
        check("exSelValidateParamChanged (codec)", exporter.paramChanged(ADBEVideoCodec), host);
    }
    const std::vector<int> renderFormats = listedValues(fake, "RenderPixelFormat");
    if (!o.render.empty()) {
        const PrPixelFormat asked = parseFormat(o.render);
        if (asked == PrPixelFormat_Invalid || asked == PrPixelFormat_Any ||
            std::find(renderFormats.begin(), renderFormats.end(), int(asked)) == renderFormats.end()) {
            std::vector<std::string> names;
            for (int v : renderFormats) {
                if (v != 0)
                    names.push_back(formatName(PrPixelFormat(v)));
            }
            throw StepFailure("export: render format '" + o.render + "' is not offered for this subtype; offered: " +
                              joined(names));
        }
        fake.setIntParam("RenderPixelFormat", int(asked));
        check("exSelValidateParamChanged (render format)", exporter.paramChanged("RenderPixelFormat"), host);
    }
    // With "Auto" the exporter asks for the first format it lists.
    PrPixelFormat render = PrPixelFormat(fake.param("RenderPixelFormat").values.value.intValue);
    for (std::size_t i = 0; render == PrPixelFormat_Any && i < renderFormats.size(); ++i)
        render = PrPixelFormat(renderFormats[i]);
    if (!hostHandles(render))
        throw StepFailure("export: the stand-in host cannot render frames in " + formatName(render) +
                          "; choose another with --render");

    const csSDK_uint32 subtype = csSDK_uint32(fake.param(ADBEVideoCodec).values.value.intValue);
    const PrTime frameDuration = fake.param(ADBEVideoFPS).values.value.timeValue;
    if (frameDuration <= 0)
        throw StepFailure("export: the exporter chose no frame rate");
    const double fps = double(ticksPerSecond) / double(frameDuration);
    if (frameDuration != askedFrameDuration)
        std::fprintf(stderr, "quorvane-host: %d/%d fps is not among the exporter's rates; exporting at %.5g fps\n",
                     o.fpsNumerator, o.fpsDenominator, fps);

    exParamSummaryRec summary;
    check("exSelGetParamSummary", exporter.paramSummary(summary), host);
    check("exSelValidateOutputSettings", exporter.validateOutputSettings(), host);

    // The range: the clip, or the audio when that lasts longer (the video then shows black).
    long long frames = static_cast<long long>(clip.size());
    if (o.audioSeconds > 0) {
        // Whole ticks first: 0.2 s is 6 frames at 30 fps, not 6 and a rounding error.
        const auto audioTicks = static_cast<long long>(std::llround(static_cast<long double>(o.audioSeconds) * ticksPerSecond));
        frames = std::max(frames, (audioTicks + frameDuration - 1) / frameDuration);
    }
    const Picture black = [&] {
        Picture p = first;
        std::fill(p.bytes.begin(), p.bytes.end(), 0);
        if (p.alpha())
            for (std::size_t i = 3; i < p.bytes.size(); i += 4)
                p.bytes[i] = 255;
        return p;
    }();

    auto pictureOf = [&](std::size_t index) {
        if (index >= clip.size())
            return black;
        Picture picture = index == 0 ? first : readPicture(clip[index]);
        if (picture.width != first.width || picture.height != first.height)
            throw StepFailure("export: " + clip[index] + " is not " + std::to_string(first.width) + "x" +
                              std::to_string(first.height) + " like the first picture");
        return picture;
    };
    // The distinct pictures are rendered before the export when they fit in memory, as an editor
    // has its media cached: the export's speed is then the plug-in's and not the picture files'.
    std::map<std::string, standin::Image> prepared;
    const double distinctBytes = double(fakehost::FakeHost::naturalRowBytes(render, first.width)) * first.height *
                                 double(o.inputs.size() + 1);
    if (distinctBytes < 1.5e9) {
        for (std::size_t i = 0; i < o.inputs.size(); ++i)
            prepared.emplace(o.inputs[i], toHostImage(pictureOf(i), render));
        prepared.emplace("", toHostImage(black, render));
    }

    // The editor renders each frame in the format the exporter asked for. Nothing may be thrown
    // from here: the loop runs inside the plug-in's call.
    std::string renderError;
    long long rendered = 0;
    double renderSeconds = 0;
    std::size_t cachedIndex = std::size_t(-1);
    standin::Image cached;
    fake.loopSettings().render = [&](PPix& frame, csSDK_uint32 n) {
        const auto start = std::chrono::steady_clock::now();
        try {
            const std::size_t index = n < clip.size() ? n : clip.size();
            const auto ready = prepared.find(index < clip.size() ? clip[index] : std::string());
            if (ready != prepared.end() && ready->second.format == frame.format) {
                standin::renderInto(ready->second, frame, fake.topLeft(frame.format));
            } else {
                if (index != cachedIndex || cached.format != frame.format) {
                    cached = toHostImage(pictureOf(index), frame.format);
                    cachedIndex = index;
                }
                standin::renderInto(cached, frame, fake.topLeft(frame.format));
            }
        } catch (const std::exception& e) {
            if (renderError.empty())
                renderError = e.what();
        }
        ++rendered;
        renderSeconds += secondsSince(start);
        if (terminal)
            std::fprintf(stderr, "\rexport: frame %lld/%lld", rendered, frames);
    };

    standin::ExporterDriver::Export job;
    job.fileObject = host.outputs().add(o.out);
    job.startTime = 0;
    job.endTime = frameDuration * frames;
    job.audio = o.audioSeconds > 0;
    job.video = true;
    const auto started = std::chrono::steady_clock::now();
    const csSDK_int32 exported = exporter.exportRange(job);
    const double seconds = secondsSince(started);
    if (terminal)
        std::fprintf(stderr, "\r\033[K");
    fake.loopSettings().render = nullptr;
    check("exSelExport", exported, host);
    if (!renderError.empty())
        throw StepFailure("export: the host could not render a frame: " + renderError);
    check("exSelEndInstance", exporter.endInstance(), host);
    check("exSelShutdown", exporter.shutdown(), host);

    struct stat st{};
    if (stat(o.out.c_str(), &st) != 0)
        throw StepFailure("export: " + o.out + " was not written");
    // Raw size of what the file holds: 8-bit RGB(A) frames, and the audio as 16-bit stereo PCM.
    double raw = double(first.size()) * double(frames);
    std::string audio;
    if (o.audioSeconds > 0) {
        raw += 4.0 * std::floor(double(job.endTime) / double(ticksPerSecond) * 48000.0);
        char text[64];
        std::snprintf(text, sizeof text, " with %.3g s of stereo 48 kHz audio", o.audioSeconds);
        audio = text;
    }
    std::printf("export: %lld frames %dx%d %s (rendered as %s) at %.5g fps%s -> %s: %lld bytes, ratio %.2f:1 "
                "against %.0f bytes of raw %s%s, %.1f frames/s (%.2f s, of which host rendering %.2f s)\n",
                frames, first.width, first.height, subtypeName(subtype).c_str(), formatName(render).c_str(), fps,
                audio.c_str(), o.out.c_str(), static_cast<long long>(st.st_size), raw / double(st.st_size), raw,
                first.alpha() ? "RGBA" : "RGB", o.audioSeconds > 0 ? " and PCM" : "", double(frames) / seconds, seconds, renderSeconds);
    return 0;
}

} // namespace qhost

// A test double of the host editor: a basic suite that hands out fake suites by name and version,
// refuses them on request and counts every acquisition and release, plus the host services the
// plug-ins reach through their standard parameters.
//
// One FakeHost exists at a time (the suites' plain C functions find it through current()). Its
// suite functions may be called from any thread.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sdk/PrSDKAudio.h"
#include "sdk/PrSDKAudioSuite.h"
#include "sdk/PrSDKErrorSuite.h"
#include "sdk/PrSDKExport.h"
#include "sdk/PrSDKExportFileSuite.h"
#include "sdk/PrSDKExportInfoSuite.h"
#include "sdk/PrSDKExportParamSuite.h"
#include "sdk/PrSDKExporterUtilitySuite.h"
#include "sdk/PrSDKImageProcessingSuite.h"
#include "sdk/PrSDKImport.h"
#include "sdk/PrSDKMemoryManagerSuite.h"
#include "sdk/PrSDKPPixSuite.h"
#include "sdk/PrSDKSequenceAudioSuite.h"
#include "sdk/PrSDKTimeSuite.h"
#include "sdk/PrSDKUnusedSuites.h"
#include "sdk/SPBasic.h"

// The fake host's frame buffer.
struct PPix {
    PrPixelFormat format;
    int width;
    int height;
    int rowBytes;
    unsigned char* pixels; // 64-byte aligned, rowBytes * height bytes
};

namespace fakehost {

// 3600 times the least common multiple of every frame rate and sample rate the exporter offers, so
// every frame and sample duration is a whole number of ticks.
inline constexpr PrTime kTicksPerSecond = 254016000000LL;

struct SuiteStats {
    int acquireCalls = 0; // every request, granted or not
    int granted = 0;
    int refused = 0;
    int releases = 0;
};

struct Event {
    csSDK_int32 type = 0;
    std::string title;       // UTF-8
    std::string description; // UTF-8
    bool fromUtilitySuite = false; // reported through the Exporter Utility suite, else the Error suite
};

class FakeHost {
public:
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static FakeHost* current();

    SPBasicSuite* basicSuite();
    exportStdParms* exporterStdParms();
    imStdParms* importerStdParms();
    // Standard parameters whose basic-suite function answers null.
    exportStdParms* exporterStdParmsWithoutBasicSuite();
    imStdParms* importerStdParmsWithoutBasicSuite();

    // --- Suites on offer -------------------------------------------------------------------
    // Every suite the plug-ins name is on offer from the start; these change the offer.
    void provide(const std::string& name, int version, const void* suite);
    void withdraw(const std::string& name, int version);
    void refuse(const std::string& name);                 // refuse every request from now on
    void refuseNext(const std::string& name, int count);  // refuse the next count requests
    void allow(const std::string& name);                  // undo refuse and refuseNext

    SuiteStats stats(const std::string& name) const;
    int outstanding(const std::string& name) const;       // granted - released
    bool allReleased() const;                              // no suite held by anybody
    std::vector<std::string> calls() const;               // "acquire NAME V" / "release NAME V", in order
    void clearCalls();

    // --- Image Processing suite ----------------------------------------------------------
    // By default 8- and 16-bit RGB formats are bottom-up and every other format top-left.
    void setTopLeft(PrPixelFormat format, bool topLeft);
    void setAllTopLeft(bool topLeft);
    bool topLeft(PrPixelFormat format) const;
    // Makes function 1..4 answer result (non-zero: failure) for one format.
    void failImageProcessing(int function, PrPixelFormat format, prSuiteError result);
    int imageProcessingCalls(int function) const;

    // --- Error suite and reported events ---------------------------------------------------
    std::vector<Event> events() const;
    void clearEvents();

    // --- Memory ------------------------------------------------------------------------------
    PrMemoryPtr allocateBlock(std::size_t size);
    int outstandingBlocks() const; // blocks handed out (by newPtr or by the host) and not freed

    // --- Frames ------------------------------------------------------------------------------
    // Row bytes of a new frame: the format's natural row size plus this padding.
    void setRowPadding(int bytes);
    static int naturalRowBytes(PrPixelFormat format, int width);
    PPixHand makeFrame(PrPixelFormat format, int width, int height); // owned by the host
    void disposeFrame(PPixHand frame);
    int liveFrames() const;
    int framesCreatedByPlugin() const; // through the PPix Creator suite
    int framesDisposedByPlugin() const; // through the PPix suite
    void failCreatePPix(prSuiteError result); // 0 stops failing

    // --- Time suite ---------------------------------------------------------------------------
    void setTicksPerSecond(PrTime ticks);
    PrTime ticksPerSecond() const;

    // Wrong uses of the host seen so far (freeing or disposing what the host never handed out).
    int misuses() const;

    // --- Export Param suite (one parameter set per multi-group index) -------------------------
    struct ParamInfo {
        std::string parentGroup;
        exParamType type = exParamType_undefined;
        exParamValues values{};
        std::string name;        // UTF-8
        std::string description; // UTF-8
        std::vector<std::pair<exOneParamValueRec, std::string>> valueList;
        int changes = 0;         // changeParamValue calls
    };
    struct GroupInfo {
        std::string parentGroup;
        std::string name;
    };
    bool hasParam(const std::string& key, int group = 0) const;
    ParamInfo param(const std::string& key, int group = 0) const; // throws for an unknown key
    std::vector<std::string> paramKeys(int group = 0) const;       // in the order they were added
    std::map<std::string, GroupInfo> paramGroups(int group = 0) const;
    int paramsVersion() const;
    int multiGroupCount() const;
    // Sets a parameter's value as the user would (adding the parameter when it does not exist).
    void setParamValue(const std::string& key, const exOneParamValueRec& value, int group = 0);
    void setIntParam(const std::string& key, int value, int group = 0);
    void setFloatParam(const std::string& key, double value, int group = 0);
    void setTimeParam(const std::string& key, PrTime value, int group = 0);
    void setRatioParam(const std::string& key, int numerator, int denominator, int group = 0);

    // --- Export Info suite ---------------------------------------------------------------------
    // Plain answers; the memory answers (session path, timecode, pixel formats) are handed out as
    // new blocks on every request, which the plug-in frees with the Memory Manager suite.
    void setSourceInfo(PrExportSourceInfoKey key, const PrParam& value);
    void setSourceInt32(PrExportSourceInfoKey key, csSDK_int32 value);
    void setSourceInt64(PrExportSourceInfoKey key, csSDK_int64 value);
    void setSourceFloat64(PrExportSourceInfoKey key, double value);
    void setSourceBool(PrExportSourceInfoKey key, bool value);
    void setSequenceGuid(const std::string& guid);
    void setSessionFilePath(const std::string& utf8Path);
    void setSourceTimecode(const PrSourceTimecode& timecode);
    void setSourcePixelFormats(const std::vector<PrPixelFormat>& formats,
                               const std::vector<PrPixelFormat>& customFormats);

    // --- Export File suite ---------------------------------------------------------------------
    struct OutputFile {
        std::string path;                 // what getPlatformPath answers (UTF-8)
        std::vector<unsigned char> bytes; // what was written
        long long position = 0;
        bool open = false;
        int opens = 0;
        int closes = 0;
        int writes = 0;
    };
    csSDK_uint32 addOutputFile(const std::string& path);
    OutputFile outputFile(csSDK_uint32 fileObject) const;
    void failOutputOpen(prSuiteError result);             // 0 stops failing
    void failOutputWrite(int afterWrites, prSuiteError result); // the write after this many fails
    void failOutputSeek(prSuiteError result);

    // --- Exporter Utility suite: the render loop -------------------------------------------------
    struct LoopCall {
        csSDK_uint32 pass;
        csSDK_uint32 frameNumber;
        csSDK_uint32 repeatCount;
        PrPixelFormat format;
        prSuiteError result;
    };
    // Frames are rendered width x height in the loop's final pixel format (or formatOfFrame's
    // answer), filled by the renderer, and handed to the callback. Width, height and the frame
    // duration come from these settings when set, else from the parameters ADBEVideoWidth,
    // ADBEVideoHeight and ADBEVideoFPS of multi-group 0.
    struct LoopSettings {
        int width = 0;
        int height = 0;
        PrTime ticksPerFrame = 0;
        std::function<csSDK_uint32(csSDK_uint32 frameNumber)> repeatCount;          // default 1
        std::function<PrPixelFormat(csSDK_uint32 frameNumber)> formatOfFrame;       // default final
        std::function<void(PPix& frame, csSDK_uint32 frameNumber)> render;          // default pattern
        prSuiteError resultOverride = 0; // non-zero: the loop returns this after the frames
        // An editor may keep delivering frames after a callback failed: the loop then goes on to
        // the end and returns the first failure. Off: it returns at the first failure.
        bool continueAfterFailure = false;
    };
    LoopSettings& loopSettings();
    std::vector<LoopCall> loopCalls() const;
    ExportLoopRenderParams lastRenderParams() const;
    std::vector<csSDK_uint32> repeatedFrameReports() const;

    // --- Sequence Audio suite -----------------------------------------------------------------
    // Sample value the renderers deliver for channel c at sample frame i from the start: a whole
    // multiple of 1/128, so every integer conversion is exact.
    static float sequenceSample(unsigned channel, long long index);
    void setMaxBlip(csSDK_int32 maxBlip);
    void failGetAudio(int afterRequests, prSuiteError result); // the request after this many fails
    int liveAudioRenderers() const;
    std::vector<csSDK_uint32> audioRequests() const; // sample frames of every getAudio request
    struct AudioRendererInfo {
        PrTime startTime;
        PrAudioChannelType channelType;
        PrAudioSampleType sampleType;
        float sampleRate;
    };
    std::vector<AudioRendererInfo> audioRenderersMade() const;

    // Suite records, for tests that call them directly.
    const PrSDKImageProcessingSuite& imageProcessingSuite() const;
    const PrSDKPPixSuite& ppixSuite() const;
    const PrSDKAudioSuite& audioSuite() const;

    // Implementation detail shared with the suite functions.
    struct State;
    State& state() { return *m_state; }

private:
    std::unique_ptr<State> m_state;
};

} // namespace fakehost

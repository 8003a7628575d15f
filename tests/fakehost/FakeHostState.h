// Inside of the fake host, shared by its source files.
#pragma once

#include "fakehost/FakeHost.h"

namespace fakehost {

struct FormatTraits {
    bool known = false;
    bool compressed = false;
    bool alpha = false;
    bool planar420 = false;
    bool rgb8or16 = false; // 8- or 16-bit RGB: bottom-up by default
};
FormatTraits formatTraits(PrPixelFormat format);

std::string utf16ToUtf8(const prUTF16Char* text);
std::vector<prUTF16Char> utf8ToUtf16(const std::string& text); // 0-terminated

// The FakeHost of the moment; aborts when there is none (a suite was called after its host died).
FakeHost& host();

struct FakeHost::State {
    mutable std::mutex mutex;

    // Standard parameters and the basic suite.
    std::unique_ptr<SPBasicSuite> basic;
    PlugUtilFuncs utilFuncs{};
    PlugUtilFuncs noUtilFuncs{};
    PlugMemoryFuncs memFuncs{};
    PlugSuites piSuitesRec{};
    PlugSuites noPiSuitesRec{};
    imStdParms importParms{};
    imStdParms noImportParms{};
    exportStdParms exportParms{};
    exportStdParms noExportParms{};

    // Offers, refusals, counts.
    std::map<std::pair<std::string, int>, const void*> offers;
    std::set<std::string> refusedAlways;
    std::map<std::string, int> refuseNext;
    std::map<std::string, SuiteStats> stats;
    std::vector<std::string> calls;
    int misuses = 0;

    // Suite records.
    PrSDKErrorSuite3 errorSuite{};
    PrSDKImageProcessingSuite imageSuite{};
    PrSDKPPixSuite ppixSuite{};
    PrSDKPPixCreatorSuite ppixCreatorSuite{};
    PrSDKTimeSuite timeSuite{};
    PrSDKMemoryManagerSuite memorySuite{};
    PrSDKAudioSuite audioSuite{};
    PrSDKExportParamSuite exportParamSuite{};
    PrSDKExportInfoSuite exportInfoSuite{};
    PrSDKExportFileSuite exportFileSuite{};
    PrSDKExporterUtilitySuite exporterUtilitySuite{};
    PrSDKSequenceAudioSuite1 sequenceAudioSuite{};
    struct Opaque {
        void (*reserved)(void);
    } opaque{};

    // Image processing.
    std::map<PrPixelFormat, bool> topLeft;
    std::map<std::pair<int, PrPixelFormat>, prSuiteError> imageFailures;
    std::map<int, int> imageCalls;

    std::vector<Event> events;
    std::set<void*> blocks;

    // Frames.
    struct Frame {
        PPix frame{};
        PPix* pointer = nullptr; // the handle points here
    };
    std::map<PPixHand, std::unique_ptr<Frame>> frames;
    int rowPadding = 0;
    int framesCreatedByPlugin = 0;
    int framesDisposedByPlugin = 0;
    prSuiteError createFailure = 0;

    PrTime ticksPerSecond = kTicksPerSecond;

    // Export parameters.
    struct ParamSet {
        std::map<std::string, GroupInfo> groups;
        std::map<std::string, ParamInfo> params;
        std::vector<std::string> order;
    };
    std::map<int, ParamSet> paramSets;
    int paramsVersion = 0;
    int multiGroups = 0;

    // Export info.
    std::map<int, PrParam> sourceInfo;
    std::string sessionFilePath;
    PrSourceTimecode timecode{};
    std::vector<PrPixelFormat> sourceFormats;
    std::vector<PrPixelFormat> sourceCustomFormats;

    // Output files.
    std::map<csSDK_uint32, OutputFile> outputs;
    csSDK_uint32 nextFileObject = 1;
    prSuiteError outputOpenFailure = 0;
    int outputWriteFailAfter = -1;
    prSuiteError outputWriteFailure = 0;
    prSuiteError outputSeekFailure = 0;

    // Render loop.
    LoopSettings loop;
    std::vector<LoopCall> loopCalls;
    ExportLoopRenderParams lastRenderParams{};
    std::vector<csSDK_uint32> repeatReports;

    // Sequence audio.
    struct Renderer {
        AudioRendererInfo info;
        unsigned channels = 0;
        long long position = 0;
    };
    std::map<csSDK_uint32, Renderer> renderers;
    std::vector<AudioRendererInfo> renderersMade;
    csSDK_uint32 nextRenderer = 1;
    csSDK_int32 maxBlip = 4800;
    int getAudioFailAfter = -1;
    prSuiteError getAudioFailure = 0;
    std::vector<csSDK_uint32> audioRequests;
};

void fillExportSuites(FakeHost::State& state);

} // namespace fakehost

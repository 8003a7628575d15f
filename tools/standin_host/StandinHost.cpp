#include "tools/standin_host/StandinHost.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "fakehost/FakeHostState.h"

namespace standin {

namespace {

StandinHost* s_current = nullptr;

// --- Argument texts for the call log ---------------------------------------------------------------

std::string describe(const char* text) { return text != nullptr ? text : "null"; }
std::string describe(char* text) { return describe(static_cast<const char*>(text)); }
std::string describe(const prUTF16Char* text) { return text != nullptr ? fakehost::utf16ToUtf8(text) : "null"; }
std::string describe(const exNewParamInfo* info) { return info != nullptr ? std::string(info->identifier) : "null"; }

template <typename T>
std::string describe(T value)
{
    if constexpr (std::is_pointer_v<T>) {
        return value != nullptr ? "*" : "null";
    } else if constexpr (std::is_floating_point_v<T>) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
        return text;
    } else if constexpr (std::is_enum_v<T>) {
        return std::to_string(static_cast<long long>(value));
    } else {
        static_assert(std::is_integral_v<T>);
        if constexpr (std::is_signed_v<T>)
            return std::to_string(static_cast<long long>(value));
        else
            return std::to_string(static_cast<unsigned long long>(value));
    }
}

// --- Logging proxies -------------------------------------------------------------------------------

template <std::size_t N>
struct FixedName {
    char text[N];
    constexpr FixedName(const char (&name)[N])
    {
        for (std::size_t i = 0; i < N; ++i)
            text[i] = name[i];
    }
};

// The double's own record of each suite, which the proxies hand the calls on to.
template <typename Suite>
const Suite* g_original = nullptr;

template <FixedName Name, auto Member>
struct Proxy;

template <FixedName Name, typename Suite, typename R, typename... A, R (*Suite::*Member)(A...)>
struct Proxy<Name, Member> {
    static R call(A... args)
    {
        StandinHost& host = StandinHost::current();
        host.log().add(HostCall{Name.text, {describe(args)...}});
        if (host.throwingFunction() == Name.text)
            throw 42;
        return (g_original<Suite>->*Member)(args...);
    }
};

#define QV_PROXY(suite, name, field) &Proxy<suite "." #field, &name::field>::call

SPErr basicAcquire(const char* name, csSDK_int32 version, const void** suite)
{
    StandinHost& host = StandinHost::current();
    host.log().add({"Basic.acquire", {describe(name), describe(version)}});
    return host.fake().basicSuite()->AcquireSuite(name, version, suite);
}

SPErr basicRelease(const char* name, csSDK_int32 version)
{
    StandinHost& host = StandinHost::current();
    host.log().add({"Basic.release", {describe(name), describe(version)}});
    return host.fake().basicSuite()->ReleaseSuite(name, version);
}

SPBasicSuite* getBasicSuite();

// The loop hands the plug-in's callback a trampoline that logs each callback and its result.
struct LoopCallback {
    ExportLoopFrameFunc callback;
    void* data;
};

prSuiteError loggedCallback(csSDK_uint32 pass, csSDK_uint32 frameNumber, csSDK_uint32 repeatCount,
                            PPixHand frame, void* data)
{
    LoopCallback* loop = static_cast<LoopCallback*>(data);
    StandinHost& host = StandinHost::current();
    CallLog& log = host.log();
    log.add({"Host.callback", {describe(pass), describe(frameNumber), describe(repeatCount)}});
    const auto start = std::chrono::steady_clock::now();
    const prSuiteError result = loop->callback(pass, frameNumber, repeatCount, frame, loop->data);
    host.addCallbackSeconds(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    log.add({"Host.callbackResult", {describe(frameNumber), describe(result)}});
    return result;
}

prSuiteError loggedExportLoop(csSDK_uint32 pluginID, const ExportLoopRenderParams* params, csSDK_uint32 passes,
                              ExportLoopFrameFunc callback, void* data)
{
    StandinHost::current().log().add(
        {"ExporterUtility.doMultiPassExportLoop",
         {describe(pluginID), params != nullptr ? describe(params->inFinalPixelFormat) : "null", describe(passes)}});
    if (callback == nullptr)
        return g_original<PrSDKExporterUtilitySuite>->doMultiPassExportLoop(pluginID, params, passes, callback, data);
    LoopCallback loop{callback, data};
    return g_original<PrSDKExporterUtilitySuite>->doMultiPassExportLoop(pluginID, params, passes, loggedCallback,
                                                                         &loop);
}

prSuiteError loggedSourceInfo(csSDK_uint32 pluginID, PrExportSourceInfoKey key, PrParam* out)
{
    StandinHost& host = StandinHost::current();
    host.log().add({"ExportInfo.getExportSourceInfo", {describe(pluginID), describe(key), describe(out)}});
    if (host.sourceInfoFails(key))
        return suiteError_Fail;
    return g_original<PrSDKExportInfoSuite>->getExportSourceInfo(pluginID, key, out);
}

} // namespace

struct StandinHost::Proxies {
    PrSDKErrorSuite3 error{QV_PROXY("Error", PrSDKErrorSuite3, reportEvent)};
    PrSDKImageProcessingSuite image{
        QV_PROXY("ImageProcessing", PrSDKImageProcessingSuite, isCompressed),
        QV_PROXY("ImageProcessing", PrSDKImageProcessingSuite, hasAlpha),
        QV_PROXY("ImageProcessing", PrSDKImageProcessingSuite, isTopLeft),
        QV_PROXY("ImageProcessing", PrSDKImageProcessingSuite, frameSizeInBytes),
    };
    PrSDKPPixSuite ppix{
        QV_PROXY("PPix", PrSDKPPixSuite, dispose),     QV_PROXY("PPix", PrSDKPPixSuite, getPixels),
        QV_PROXY("PPix", PrSDKPPixSuite, getBounds),   QV_PROXY("PPix", PrSDKPPixSuite, getRowBytes),
        QV_PROXY("PPix", PrSDKPPixSuite, getPixelFormat),
    };
    PrSDKPPixCreatorSuite ppixCreator{QV_PROXY("PPixCreator", PrSDKPPixCreatorSuite, createPPix)};
    PrSDKTimeSuite time{
        QV_PROXY("Time", PrSDKTimeSuite, getTicksPerSecond),
        QV_PROXY("Time", PrSDKTimeSuite, getTicksPerAudioSample),
    };
    PrSDKAudioSuite audio{
        QV_PROXY("Audio", PrSDKAudioSuite, convertFloatToInt8),  QV_PROXY("Audio", PrSDKAudioSuite, convertFloatToInt16),
        QV_PROXY("Audio", PrSDKAudioSuite, convertFloatToInt24), QV_PROXY("Audio", PrSDKAudioSuite, convertFloatToInt32),
        QV_PROXY("Audio", PrSDKAudioSuite, convertInt8ToFloat),  QV_PROXY("Audio", PrSDKAudioSuite, convertInt16ToFloat),
        QV_PROXY("Audio", PrSDKAudioSuite, convertInt24ToFloat), QV_PROXY("Audio", PrSDKAudioSuite, convertInt32ToFloat),
    };
    PrSDKMemoryManagerSuite memory{
        QV_PROXY("MemoryManager", PrSDKMemoryManagerSuite, newPtr),
        QV_PROXY("MemoryManager", PrSDKMemoryManagerSuite, disposePtr),
    };
    PrSDKExportParamSuite param{
        QV_PROXY("ExportParam", PrSDKExportParamSuite, setParamsVersion),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, addMultiGroup),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, addParamGroup),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, addParam),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, getParamValue),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, changeParamValue),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, setParamName),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, setParamDescription),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, clearValueList),
        QV_PROXY("ExportParam", PrSDKExportParamSuite, addValuePair),
    };
    PrSDKExportInfoSuite info{loggedSourceInfo};
    PrSDKExporterUtilitySuite utility{
        loggedExportLoop,
        QV_PROXY("ExporterUtility", PrSDKExporterUtilitySuite, reportRepeatedFrameProgress),
        QV_PROXY("ExporterUtility", PrSDKExporterUtilitySuite, reportEvent),
    };
    PrSDKSequenceAudioSuite1 sequenceAudio{
        QV_PROXY("SequenceAudio", PrSDKSequenceAudioSuite1, makeAudioRenderer),
        QV_PROXY("SequenceAudio", PrSDKSequenceAudioSuite1, releaseAudioRenderer),
        QV_PROXY("SequenceAudio", PrSDKSequenceAudioSuite1, getAudio),
        QV_PROXY("SequenceAudio", PrSDKSequenceAudioSuite1, getMaxBlip),
    };
};

namespace {

SPBasicSuite* getBasicSuite();

template <typename Suite>
void wrap(fakehost::FakeHost& fake, const Suite& original, const Suite& proxy, const char* name, int version)
{
    g_original<Suite> = &original;
    fake.provide(name, version, &proxy);
}

} // namespace

StandinHost::StandinHost() : m_fake(std::make_unique<fakehost::FakeHost>())
{
    if (s_current != nullptr)
        throw std::logic_error("one stand-in host at a time");
    s_current = this;
    m_outputs = std::make_unique<OutputFiles>(m_log);
    m_proxies = std::make_unique<Proxies>();

    fakehost::FakeHost::State& s = m_fake->state();
    Proxies& p = *m_proxies;
    wrap(*m_fake, s.errorSuite, p.error, kPrSDKErrorSuite, kPrSDKErrorSuiteVersion);
    wrap(*m_fake, s.imageSuite, p.image, kPrSDKImageProcessingSuite, kPrSDKImageProcessingSuiteVersion);
    wrap(*m_fake, s.ppixSuite, p.ppix, kPrSDKPPixSuite, kPrSDKPPixSuiteVersion);
    wrap(*m_fake, s.ppixCreatorSuite, p.ppixCreator, kPrSDKPPixCreatorSuite, kPrSDKPPixCreatorSuiteVersion);
    wrap(*m_fake, s.timeSuite, p.time, kPrSDKTimeSuite, kPrSDKTimeSuiteVersion);
    wrap(*m_fake, s.audioSuite, p.audio, kPrSDKAudioSuite, kPrSDKAudioSuiteVersion);
    wrap(*m_fake, s.memorySuite, p.memory, kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion);
    wrap(*m_fake, s.exportParamSuite, p.param, kPrSDKExportParamSuite, kPrSDKExportParamSuiteVersion);
    wrap(*m_fake, s.exportInfoSuite, p.info, kPrSDKExportInfoSuite, kPrSDKExportInfoSuiteVersion);
    g_original<PrSDKExportInfoSuite> = &s.exportInfoSuite;
    wrap(*m_fake, s.exporterUtilitySuite, p.utility, kPrSDKExporterUtilitySuite, kPrSDKExporterUtilitySuiteVersion);
    wrap(*m_fake, s.sequenceAudioSuite, p.sequenceAudio, kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion);
    m_fake->provide(kPrSDKExportFileSuite, kPrSDKExportFileSuiteVersion, m_outputs->suite());

    m_basic = SPBasicSuite{basicAcquire, basicRelease};
    m_utilFuncs = PlugUtilFuncs{getBasicSuite};
    m_piSuites = PlugSuites{1, &s.memFuncs, &m_utilFuncs};
    m_exportParms = exportStdParms{1, getBasicSuite};
    m_importParms = imStdParms{1, &m_piSuites};
}

StandinHost::~StandinHost()
{
    m_outputs.reset();
    m_fake.reset();
    s_current = nullptr;
}

StandinHost& StandinHost::current()
{
    if (s_current == nullptr)
        throw std::logic_error("no stand-in host");
    return *s_current;
}

int StandinHost::outstandingSuites() const
{
    const fakehost::FakeHost::State& s = m_fake->state();
    std::lock_guard<std::mutex> lock(s.mutex);
    int n = 0;
    for (const auto& [name, stats] : s.stats)
        n += stats.granted - stats.releases;
    return n;
}

namespace {

SPBasicSuite* getBasicSuite() { return StandinHost::current().basicSuite(); }

} // namespace

} // namespace standin

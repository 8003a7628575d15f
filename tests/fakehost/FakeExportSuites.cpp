// The fake host's exporter-side suites: parameters, source information, the output file, the
// render loop and the sequence's audio.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "fakehost/FakeHostState.h"

namespace fakehost {

namespace {

FakeHost::State& S() { return host().state(); }

// --- Export Param suite ------------------------------------------------------------------------

FakeHost::ParamInfo* findParam(FakeHost::State& s, csSDK_int32 group, const char* key)
{
    if (key == nullptr)
        return nullptr;
    auto set = s.paramSets.find(group);
    if (set == s.paramSets.end())
        return nullptr;
    auto it = set->second.params.find(key);
    return it != set->second.params.end() ? &it->second : nullptr;
}

prSuiteError paramSetVersion(csSDK_uint32, csSDK_int32 version)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.paramsVersion = version;
    return suiteError_NoError;
}

prSuiteError paramAddMultiGroup(csSDK_uint32, csSDK_int32* outGroup)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (outGroup == nullptr)
        return suiteError_InvalidParms;
    *outGroup = s.multiGroups++;
    s.paramSets[*outGroup];
    return suiteError_NoError;
}

prSuiteError paramAddGroup(csSDK_uint32, csSDK_int32 group, const char* parent, const char* key,
                           const prUTF16Char* name, prBool, prBool, prBool)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (parent == nullptr || key == nullptr)
        return suiteError_InvalidParms;
    s.paramSets[group].groups[key] = {parent, utf16ToUtf8(name)};
    return suiteError_NoError;
}

prSuiteError paramAdd(csSDK_uint32, csSDK_int32 group, const char* parent, const exNewParamInfo* info)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (parent == nullptr || info == nullptr)
        return suiteError_InvalidParms;
    const std::string key(info->identifier, strnlen(info->identifier, sizeof info->identifier));
    FakeHost::State::ParamSet& set = s.paramSets[group];
    if (set.params.count(key) != 0)
        return suiteError_Fail;
    FakeHost::ParamInfo& p = set.params[key];
    p.parentGroup = parent;
    p.type = info->paramType;
    p.values = info->paramValues;
    set.order.push_back(key);
    return suiteError_NoError;
}

prSuiteError paramGetValue(csSDK_uint32, csSDK_int32 group, const char* key, exParamValues* out)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHost::ParamInfo* p = findParam(s, group, key);
    if (p == nullptr || out == nullptr)
        return suiteError_InvalidParms;
    *out = p->values;
    return suiteError_NoError;
}

prSuiteError paramChangeValue(csSDK_uint32, csSDK_int32 group, const char* key, const exParamValues* value)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHost::ParamInfo* p = findParam(s, group, key);
    if (p == nullptr || value == nullptr)
        return suiteError_InvalidParms;
    p->values = *value;
    ++p->changes;
    return suiteError_NoError;
}

prSuiteError paramSetName(csSDK_uint32, csSDK_int32 group, const char* key, const prUTF16Char* name)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (FakeHost::ParamInfo* p = findParam(s, group, key)) {
        p->name = utf16ToUtf8(name);
        return suiteError_NoError;
    }
    auto set = s.paramSets.find(group);
    if (key != nullptr && set != s.paramSets.end()) {
        auto g = set->second.groups.find(key);
        if (g != set->second.groups.end()) {
            g->second.name = utf16ToUtf8(name);
            return suiteError_NoError;
        }
    }
    return suiteError_InvalidParms;
}

prSuiteError paramSetDescription(csSDK_uint32, csSDK_int32 group, const char* key, const prUTF16Char* text)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHost::ParamInfo* p = findParam(s, group, key);
    if (p == nullptr)
        return suiteError_InvalidParms;
    p->description = utf16ToUtf8(text);
    return suiteError_NoError;
}

prSuiteError paramClearValues(csSDK_uint32, csSDK_int32 group, const char* key)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHost::ParamInfo* p = findParam(s, group, key);
    if (p == nullptr)
        return suiteError_InvalidParms;
    p->valueList.clear();
    return suiteError_NoError;
}

prSuiteError paramAddValuePair(csSDK_uint32, csSDK_int32 group, const char* key,
                               const exOneParamValueRec* value, const prUTF16Char* text)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    FakeHost::ParamInfo* p = findParam(s, group, key);
    if (p == nullptr || value == nullptr)
        return suiteError_InvalidParms;
    p->valueList.emplace_back(*value, utf16ToUtf8(text));
    return suiteError_NoError;
}

// --- Export Info suite -------------------------------------------------------------------------

prSuiteError infoGet(csSDK_uint32, PrExportSourceInfoKey key, PrParam* out)
{
    if (out == nullptr)
        return suiteError_InvalidParms;
    FakeHost& h = host();
    FakeHost::State& s = h.state();
    std::string path;
    PrSourceTimecode timecode;
    std::vector<PrPixelFormat> formats, custom;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        path = s.sessionFilePath;
        timecode = s.timecode;
        formats = s.sourceFormats;
        custom = s.sourceCustomFormats;
        if (key != kExportInfo_SessionFilePath && key != kExportInfo_SourceTimecode &&
            key != kExportInfo_SourcePixelFormats) {
            auto it = s.sourceInfo.find(key);
            if (it == s.sourceInfo.end())
                return suiteError_InvalidParms;
            *out = it->second;
            return suiteError_NoError;
        }
    }
    std::memset(out, 0, sizeof *out);
    out->mType = kPrParamType_MemoryPtr;
    if (key == kExportInfo_SessionFilePath) {
        const std::vector<prUTF16Char> units = utf8ToUtf16(path);
        PrMemoryPtr block = h.allocateBlock(units.size() * sizeof(prUTF16Char));
        std::memcpy(block, units.data(), units.size() * sizeof(prUTF16Char));
        out->mMemoryPtr = block;
    } else if (key == kExportInfo_SourceTimecode) {
        PrMemoryPtr block = h.allocateBlock(sizeof timecode);
        std::memcpy(block, &timecode, sizeof timecode);
        out->mMemoryPtr = block;
    } else {
        // The record and both arrays in one block, so that one dispose frees everything.
        const std::size_t bytes = sizeof(PrSourcePixelFormats) + (formats.size() + custom.size()) * sizeof(PrPixelFormat);
        PrMemoryPtr block = h.allocateBlock(bytes);
        PrSourcePixelFormats record{};
        PrPixelFormat* arrays = reinterpret_cast<PrPixelFormat*>(block + sizeof(PrSourcePixelFormats));
        // An empty vector's data() may be null, which memcpy must not be given even for 0 bytes.
        if (!formats.empty())
            std::memcpy(arrays, formats.data(), formats.size() * sizeof(PrPixelFormat));
        if (!custom.empty())
            std::memcpy(arrays + formats.size(), custom.data(), custom.size() * sizeof(PrPixelFormat));
        record.mPixelFormatArray = formats.empty() ? nullptr : arrays;
        record.mPixelFormatArrayCount = csSDK_int32(formats.size());
        record.mPixelCustomFormatArray = custom.empty() ? nullptr : arrays + formats.size();
        record.mPixelCustomFormatArrayCount = csSDK_int32(custom.size());
        std::memcpy(block, &record, sizeof record);
        out->mMemoryPtr = block;
    }
    return suiteError_NoError;
}

// --- Export File suite -------------------------------------------------------------------------

prSuiteError fileOpen(csSDK_uint32 object)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.outputs.find(object);
    if (it == s.outputs.end())
        return suiteError_InvalidParms;
    if (s.outputOpenFailure != suiteError_NoError)
        return s.outputOpenFailure;
    it->second.open = true;
    it->second.bytes.clear();
    it->second.position = 0;
    ++it->second.opens;
    return suiteError_NoError;
}

prSuiteError fileWrite(csSDK_uint32 object, const void* data, csSDK_int32 count)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.outputs.find(object);
    if (it == s.outputs.end() || !it->second.open || count < 0 || (data == nullptr && count != 0))
        return suiteError_InvalidParms;
    FakeHost::OutputFile& f = it->second;
    if (s.outputWriteFailAfter >= 0 && f.writes >= s.outputWriteFailAfter)
        return s.outputWriteFailure;
    ++f.writes;
    const std::size_t end = std::size_t(f.position) + std::size_t(count);
    if (f.bytes.size() < end)
        f.bytes.resize(end);
    if (count != 0)
        std::memcpy(f.bytes.data() + f.position, data, std::size_t(count));
    f.position = static_cast<long long>(end);
    return suiteError_NoError;
}

prSuiteError fileSeek(csSDK_uint32 object, csSDK_int64 position, csSDK_int64* outPosition,
                      PrExportFileSeekMode mode)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.outputs.find(object);
    if (it == s.outputs.end() || !it->second.open)
        return suiteError_InvalidParms;
    if (s.outputSeekFailure != suiteError_NoError)
        return s.outputSeekFailure;
    FakeHost::OutputFile& f = it->second;
    long long base = 0;
    if (mode == fileSeekMode_End)
        base = static_cast<long long>(f.bytes.size());
    else if (mode == fileSeekMode_Current)
        base = f.position;
    else if (mode != fileSeekMode_Begin)
        return suiteError_InvalidParms;
    const long long target = base + position;
    if (target < 0)
        return suiteError_Fail;
    f.position = target;
    if (outPosition != nullptr)
        *outPosition = target;
    return suiteError_NoError;
}

prSuiteError fileClose(csSDK_uint32 object)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.outputs.find(object);
    if (it == s.outputs.end())
        return suiteError_InvalidParms;
    it->second.open = false;
    ++it->second.closes;
    return suiteError_NoError;
}

prSuiteError filePlatformPath(csSDK_uint32 object, csSDK_int32* inOutLength, prUTF16Char* out)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.outputs.find(object);
    if (it == s.outputs.end() || inOutLength == nullptr)
        return suiteError_InvalidParms;
    const std::vector<prUTF16Char> units = utf8ToUtf16(it->second.path);
    if (out == nullptr) {
        *inOutLength = csSDK_int32(units.size());
        return suiteError_NoError;
    }
    if (*inOutLength < csSDK_int32(units.size()))
        return suiteError_Fail;
    std::memcpy(out, units.data(), units.size() * sizeof(prUTF16Char));
    return suiteError_NoError;
}

// --- Exporter Utility suite --------------------------------------------------------------------

void defaultRender(PPix& frame, csSDK_uint32 frameNumber)
{
    const std::size_t rows = std::size_t(frame.height) * (formatTraits(frame.format).planar420 ? 3 : 2) / 2;
    for (std::size_t y = 0; y < rows; ++y) {
        unsigned char* row = frame.pixels + y * std::size_t(frame.rowBytes);
        for (int x = 0; x < frame.rowBytes; ++x)
            row[x] = static_cast<unsigned char>(x * 3 + y * 5 + frameNumber * 7);
    }
}

long long intParam(FakeHost::State& s, const char* key, bool time)
{
    FakeHost::ParamInfo* p = findParam(s, 0, key);
    if (p == nullptr)
        return 0;
    return time ? p->values.value.timeValue : p->values.value.intValue;
}

prSuiteError utilLoop(csSDK_uint32, const ExportLoopRenderParams* params, csSDK_uint32 passes,
                      ExportLoopFrameFunc callback, void* data)
{
    if (params == nullptr || callback == nullptr)
        return suiteError_InvalidParms;
    FakeHost& h = host();
    FakeHost::State& s = h.state();
    FakeHost::LoopSettings settings;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.lastRenderParams = *params;
        settings = s.loop;
        if (settings.width == 0)
            settings.width = int(intParam(s, ADBEVideoWidth, false));
        if (settings.height == 0)
            settings.height = int(intParam(s, ADBEVideoHeight, false));
        if (settings.ticksPerFrame == 0)
            settings.ticksPerFrame = intParam(s, ADBEVideoFPS, true);
    }
    if (settings.width <= 0 || settings.height <= 0 || settings.ticksPerFrame <= 0)
        return suiteError_InvalidParms;
    const long long frames = (params->inEndTime - params->inStartTime) / settings.ticksPerFrame;
    prSuiteError firstFailure = suiteError_NoError;
    for (csSDK_uint32 pass = 0; pass < passes; ++pass) {
        for (long long f = 0; f < frames;) {
            const csSDK_uint32 number = csSDK_uint32(f);
            csSDK_uint32 repeat = settings.repeatCount ? settings.repeatCount(number) : 1;
            if (repeat < 1)
                repeat = 1;
            if (repeat > frames - f)
                repeat = csSDK_uint32(frames - f);
            const PrPixelFormat format = settings.formatOfFrame ? settings.formatOfFrame(number) : params->inFinalPixelFormat;
            PPixHand frame = h.makeFrame(format, settings.width, settings.height);
            (settings.render ? settings.render : defaultRender)(**frame, number);
            const prSuiteError result = callback(pass, number, repeat, frame, data);
            h.disposeFrame(frame);
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                s.loopCalls.push_back({pass, number, repeat, format, result});
            }
            if (result != suiteError_NoError) {
                if (!settings.continueAfterFailure)
                    return result;
                if (firstFailure == suiteError_NoError)
                    firstFailure = result;
            }
            f += repeat;
        }
    }
    return firstFailure != suiteError_NoError ? firstFailure : settings.resultOverride;
}

prSuiteError utilRepeatProgress(csSDK_uint32, csSDK_uint32 count)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.repeatReports.push_back(count);
    return suiteError_NoError;
}

prSuiteError utilReportEvent(csSDK_uint32, csSDK_int32 type, const prUTF16Char* title, const prUTF16Char* text)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.events.push_back({type, utf16ToUtf8(title), utf16ToUtf8(text), true});
    return suiteError_NoError;
}

// --- Sequence Audio suite ----------------------------------------------------------------------

unsigned channelsOf(PrAudioChannelType type)
{
    switch (type) {
    case kPrAudioChannelType_Mono: return 1;
    case kPrAudioChannelType_Stereo: return 2;
    case kPrAudioChannelType_51: return 6;
    case kPrAudioChannelType_32Channel: return 32;
    }
    return 0;
}

prSuiteError audioMake(csSDK_uint32, PrTime start, PrAudioChannelType channelType,
                       PrAudioSampleType sampleType, float rate, csSDK_uint32* outID)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (outID == nullptr || channelsOf(channelType) == 0)
        return suiteError_InvalidParms;
    const FakeHost::AudioRendererInfo info{start, channelType, sampleType, rate};
    const csSDK_uint32 id = s.nextRenderer++;
    s.renderers[id] = {info, channelsOf(channelType), 0};
    s.renderersMade.push_back(info);
    *outID = id;
    return suiteError_NoError;
}

prSuiteError audioRelease(csSDK_uint32, csSDK_uint32 id)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.renderers.erase(id) == 0) {
        ++s.misuses;
        return suiteError_InvalidParms;
    }
    return suiteError_NoError;
}

prSuiteError audioGet(csSDK_uint32 id, csSDK_uint32 frames, float** buffers, char)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.renderers.find(id);
    if (it == s.renderers.end() || (buffers == nullptr && frames != 0))
        return suiteError_InvalidParms;
    if (s.getAudioFailAfter >= 0 && int(s.audioRequests.size()) >= s.getAudioFailAfter)
        return s.getAudioFailure;
    if (csSDK_int32(frames) > s.maxBlip || csSDK_int32(frames) < 0)
        return suiteError_InvalidParms; // more than the renderer promised to deliver at once
    s.audioRequests.push_back(frames);
    FakeHost::State::Renderer& r = it->second;
    for (unsigned c = 0; c < r.channels; ++c) {
        for (csSDK_uint32 i = 0; i < frames; ++i)
            buffers[c][i] = FakeHost::sequenceSample(c, r.position + i);
    }
    r.position += frames;
    return suiteError_NoError;
}

prSuiteError audioMaxBlip(csSDK_uint32 id, PrTime, csSDK_int32* out)
{
    FakeHost::State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (out == nullptr || s.renderers.count(id) == 0)
        return suiteError_InvalidParms;
    *out = s.maxBlip;
    return suiteError_NoError;
}

} // namespace

void fillExportSuites(FakeHost::State& s)
{
    s.exportParamSuite = PrSDKExportParamSuite{paramSetVersion, paramAddMultiGroup, paramAddGroup, paramAdd,
                                               paramGetValue, paramChangeValue, paramSetName,
                                               paramSetDescription, paramClearValues, paramAddValuePair};
    s.exportInfoSuite = PrSDKExportInfoSuite{infoGet};
    s.exportFileSuite = PrSDKExportFileSuite{fileOpen, fileWrite, fileSeek, fileClose, filePlatformPath};
    s.exporterUtilitySuite = PrSDKExporterUtilitySuite{utilLoop, utilRepeatProgress, utilReportEvent};
    s.sequenceAudioSuite = PrSDKSequenceAudioSuite1{audioMake, audioRelease, audioGet, audioMaxBlip};

    s.offers[{kPrSDKExportParamSuite, kPrSDKExportParamSuiteVersion}] = &s.exportParamSuite;
    s.offers[{kPrSDKExportInfoSuite, kPrSDKExportInfoSuiteVersion}] = &s.exportInfoSuite;
    s.offers[{kPrSDKExportFileSuite, kPrSDKExportFileSuiteVersion}] = &s.exportFileSuite;
    s.offers[{kPrSDKExporterUtilitySuite, kPrSDKExporterUtilitySuiteVersion}] = &s.exporterUtilitySuite;
    s.offers[{kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion}] = &s.sequenceAudioSuite;

    // A plausible source: 1920x1080 at 25 fps, progressive, square pixels, 48 kHz stereo.
    auto i32 = [](csSDK_int32 v) { PrParam p{}; p.mType = kPrParamType_Int32; p.mInt32 = v; return p; };
    auto i64 = [](csSDK_int64 v) { PrParam p{}; p.mType = kPrParamType_Int64; p.mInt64 = v; return p; };
    auto f64 = [](double v) { PrParam p{}; p.mType = kPrParamType_Float64; p.mFloat64 = v; return p; };
    auto b = [](bool v) { PrParam p{}; p.mType = kPrParamType_Bool; p.mBool = v; return p; };
    s.sourceInfo[kExportInfo_VideoWidth] = i32(1920);
    s.sourceInfo[kExportInfo_VideoHeight] = i32(1080);
    s.sourceInfo[kExportInfo_VideoFrameRate] = i64(kTicksPerSecond / 25);
    s.sourceInfo[kExportInfo_VideoFieldType] = i32(prFieldsNone);
    s.sourceInfo[kExportInfo_VideoDuration] = i64(kTicksPerSecond * 10);
    s.sourceInfo[kExportInfo_PixelAspectNumerator] = i32(1);
    s.sourceInfo[kExportInfo_PixelAspectDenominator] = i32(1);
    s.sourceInfo[kExportInfo_AudioDuration] = i64(kTicksPerSecond * 10);
    s.sourceInfo[kExportInfo_AudioChannelsType] = i32(kPrAudioChannelType_Stereo);
    s.sourceInfo[kExportInfo_AudioSampleRate] = f64(48000.0);
    s.sourceInfo[kExportInfo_SourceHasAudio] = b(true);
    s.sourceInfo[kExportInfo_SourceHasVideo] = b(true);
    s.sourceInfo[kExportInfo_RenderAsPreview] = b(false);
    PrParam guid{};
    guid.mType = kPrParamType_Guid;
    std::strcpy(guid.mGuid, "00000000-0000-0000-0000-000000000001");
    s.sourceInfo[kExportInfo_SequenceGUID] = guid;
    s.sourceInfo[kExportInfo_VideoPosterFrameTickTime] = i64(0);
    s.sourceInfo[kExportInfo_UsePreviewFiles] = b(false);
    s.sourceInfo[kExportInfo_NumAudioChannels] = i32(2);
    s.sessionFilePath = "/projects/session.qvproj";
    s.timecode = PrSourceTimecode{0, kTicksPerSecond / 25, false};
}

// --- FakeHost members of the exporter side ------------------------------------------------------

bool FakeHost::hasParam(const std::string& key, int group) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return findParam(*m_state, group, key.c_str()) != nullptr;
}

FakeHost::ParamInfo FakeHost::param(const std::string& key, int group) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const ParamInfo* p = findParam(*m_state, group, key.c_str());
    if (p == nullptr)
        throw std::out_of_range("no parameter " + key);
    return *p;
}

std::vector<std::string> FakeHost::paramKeys(int group) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto it = m_state->paramSets.find(group);
    return it != m_state->paramSets.end() ? it->second.order : std::vector<std::string>{};
}

std::map<std::string, FakeHost::GroupInfo> FakeHost::paramGroups(int group) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto it = m_state->paramSets.find(group);
    return it != m_state->paramSets.end() ? it->second.groups : std::map<std::string, GroupInfo>{};
}

int FakeHost::paramsVersion() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->paramsVersion;
}

int FakeHost::multiGroupCount() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->multiGroups;
}

void FakeHost::setParamValue(const std::string& key, const exOneParamValueRec& value, int group)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State::ParamSet& set = m_state->paramSets[group];
    if (set.params.count(key) == 0)
        set.order.push_back(key);
    set.params[key].values.value = value;
}

void FakeHost::setIntParam(const std::string& key, int value, int group)
{
    exOneParamValueRec v{};
    v.intValue = value;
    setParamValue(key, v, group);
}

void FakeHost::setFloatParam(const std::string& key, double value, int group)
{
    exOneParamValueRec v{};
    v.floatValue = value;
    setParamValue(key, v, group);
}

void FakeHost::setTimeParam(const std::string& key, PrTime value, int group)
{
    exOneParamValueRec v{};
    v.timeValue = value;
    setParamValue(key, v, group);
}

void FakeHost::setRatioParam(const std::string& key, int numerator, int denominator, int group)
{
    exOneParamValueRec v{};
    v.ratioValue = exRatioValue{numerator, denominator};
    setParamValue(key, v, group);
}

void FakeHost::setSourceInfo(PrExportSourceInfoKey key, const PrParam& value)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->sourceInfo[key] = value;
}

void FakeHost::setSourceInt32(PrExportSourceInfoKey key, csSDK_int32 value)
{
    PrParam p{};
    p.mType = kPrParamType_Int32;
    p.mInt32 = value;
    setSourceInfo(key, p);
}

void FakeHost::setSourceInt64(PrExportSourceInfoKey key, csSDK_int64 value)
{
    PrParam p{};
    p.mType = kPrParamType_Int64;
    p.mInt64 = value;
    setSourceInfo(key, p);
}

void FakeHost::setSourceFloat64(PrExportSourceInfoKey key, double value)
{
    PrParam p{};
    p.mType = kPrParamType_Float64;
    p.mFloat64 = value;
    setSourceInfo(key, p);
}

void FakeHost::setSourceBool(PrExportSourceInfoKey key, bool value)
{
    PrParam p{};
    p.mType = kPrParamType_Bool;
    p.mBool = value;
    setSourceInfo(key, p);
}

void FakeHost::setSequenceGuid(const std::string& guid)
{
    PrParam p{};
    p.mType = kPrParamType_Guid;
    std::strncpy(p.mGuid, guid.c_str(), sizeof p.mGuid - 1);
    setSourceInfo(kExportInfo_SequenceGUID, p);
}

void FakeHost::setSessionFilePath(const std::string& utf8Path)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->sessionFilePath = utf8Path;
}

void FakeHost::setSourceTimecode(const PrSourceTimecode& timecode)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->timecode = timecode;
}

void FakeHost::setSourcePixelFormats(const std::vector<PrPixelFormat>& formats,
                                     const std::vector<PrPixelFormat>& customFormats)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->sourceFormats = formats;
    m_state->sourceCustomFormats = customFormats;
}

csSDK_uint32 FakeHost::addOutputFile(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    const csSDK_uint32 id = m_state->nextFileObject++;
    m_state->outputs[id].path = path;
    return id;
}

FakeHost::OutputFile FakeHost::outputFile(csSDK_uint32 fileObject) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto it = m_state->outputs.find(fileObject);
    if (it == m_state->outputs.end())
        throw std::out_of_range("no output file " + std::to_string(fileObject));
    return it->second;
}

void FakeHost::failOutputOpen(prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->outputOpenFailure = result;
}

void FakeHost::failOutputWrite(int afterWrites, prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->outputWriteFailAfter = result != suiteError_NoError ? afterWrites : -1;
    m_state->outputWriteFailure = result;
}

void FakeHost::failOutputSeek(prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->outputSeekFailure = result;
}

FakeHost::LoopSettings& FakeHost::loopSettings() { return m_state->loop; }

std::vector<FakeHost::LoopCall> FakeHost::loopCalls() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->loopCalls;
}

ExportLoopRenderParams FakeHost::lastRenderParams() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->lastRenderParams;
}

std::vector<csSDK_uint32> FakeHost::repeatedFrameReports() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->repeatReports;
}

float FakeHost::sequenceSample(unsigned channel, long long index)
{
    const long long v = (index * 7 + channel * 29) % 255; // 0..254
    return float(v - 127) / 128.0f;
}

void FakeHost::setMaxBlip(csSDK_int32 maxBlip)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->maxBlip = maxBlip;
}

void FakeHost::failGetAudio(int afterRequests, prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->getAudioFailAfter = result != suiteError_NoError ? afterRequests : -1;
    m_state->getAudioFailure = result;
}

int FakeHost::liveAudioRenderers() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return int(m_state->renderers.size());
}

std::vector<csSDK_uint32> FakeHost::audioRequests() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->audioRequests;
}

std::vector<FakeHost::AudioRendererInfo> FakeHost::audioRenderersMade() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->renderersMade;
}

} // namespace fakehost

// The exporter's parameters: the tree it creates with its defaults, names, descriptions and value
// lists, the refill of dependent parameters on a change, and the summaries the host shows.
#include "exporter/ExportParams.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <numeric>

#include "exporter/QuorvaneExporter.h"
#include "exporter/RecordText.h"
#include "host/AudioFormat.h"
#include "host/FormatTables.h"

// --- ParamHelper -----------------------------------------------------------------------------------

ParamHelper::ParamHelper(const PrSDKExportParamSuite* suite_, csSDK_uint32 pluginID_, csSDK_int32 groupIndex_)
    : suite(suite_), pluginID(pluginID_), groupIndex(groupIndex_), parentGroup{}
{
    safeStrCpy(parentGroup, sizeof parentGroup, ADBETopParamGroup);
}

exParamValues ParamHelper::get(const char* key) const
{
    exParamValues values;
    std::memset(&values, 0, sizeof values);
    suite->getParamValue(pluginID, groupIndex, key, &values);
    return values;
}

void ParamHelper::change(const char* key, const exParamValues& values) const
{
    suite->changeParamValue(pluginID, groupIndex, key, &values);
}

void ParamHelper::clearValues(const char* key) const { suite->clearValueList(pluginID, groupIndex, key); }

void ParamHelper::addValuePair(const char* key, const exOneParamValueRec& value, const std::wstring& text) const
{
    const Utf16String utf16 = exporter::wideToUtf16(text);
    suite->addValuePair(pluginID, 0, key, &value, utf16.c_str());
}

void ParamHelper::addGroup(const char* parent, const char* key, const std::wstring& name)
{
    const Utf16String utf16 = exporter::wideToUtf16(name);
    suite->addParamGroup(pluginID, groupIndex, parent, key, utf16.c_str(), 0, 0, 0);
    safeStrCpy(parentGroup, sizeof parentGroup, key);
}

void ParamHelper::addParam(const char* key, exParamType type, const exParamValues& values) const
{
    exNewParamInfo info;
    std::memset(&info, 0, sizeof info);
    safeStrCpy(info.identifier, sizeof info.identifier, key);
    info.paramType = type;
    info.flags = 0;
    info.paramValues = values;
    suite->addParam(pluginID, groupIndex, parentGroup, &info);
}

// --- Value lists -----------------------------------------------------------------------------------

namespace {

template <typename T>
struct ParamValue;

template <>
struct ParamValue<int> {
    static int load(const exOneParamValueRec& v) { return v.intValue; }
    static void store(exOneParamValueRec& v, int x) { v.intValue = x; }
    static bool same(int a, int b) { return a == b; }
};

template <>
struct ParamValue<double> {
    static double load(const exOneParamValueRec& v) { return v.floatValue; }
    static void store(exOneParamValueRec& v, double x) { v.floatValue = x; }
    static bool same(double a, double b) { return a == b; }
};

template <>
struct ParamValue<exRatioValue> {
    static exRatioValue load(const exOneParamValueRec& v) { return v.ratioValue; }
    static void store(exOneParamValueRec& v, exRatioValue x) { v.ratioValue = x; }
    static bool same(exRatioValue a, exRatioValue b) { return sameRatio(a, b); }
};

// Terms taken positive (64-bit, so that INT32_MIN has a magnitude) and divided by their gcd; 0/0
// stays 0/0.
std::pair<long long, long long> reduced(exRatioValue r)
{
    const long long n = std::llabs(static_cast<long long>(r.numerator));
    const long long d = std::llabs(static_cast<long long>(r.denominator));
    long long g = std::gcd(n, d);
    if (g == 0)
        g = 1;
    return {n / g, d / g};
}

} // namespace

bool sameRatio(exRatioValue a, exRatioValue b) { return reduced(a) == reduced(b); }

template <typename T>
void addAndCheckValuePairs(const ParamHelper& params, const char* key, const ValuePairs<T>& pairs,
                           const T& defaultValue, bool hidden)
{
    exParamValues values = params.get(key);
    params.clearValues(key);
    const T current = ParamValue<T>::load(values.value);
    bool matched = false;
    for (const auto& [value, text] : pairs) {
        exOneParamValueRec rec;
        std::memset(&rec, 0, sizeof rec);
        ParamValue<T>::store(rec, value);
        params.addValuePair(key, rec, text);
        matched = matched || ParamValue<T>::same(current, value);
    }
    if (!pairs.empty() && matched && (values.hidden != 0) == hidden)
        return;
    if (!matched)
        ParamValue<T>::store(values.value, defaultValue);
    values.hidden = hidden ? 1 : 0;
    params.change(key, values);
}

template void addAndCheckValuePairs<int>(const ParamHelper&, const char*, const ValuePairs<int>&, const int&, bool);
template void addAndCheckValuePairs<double>(const ParamHelper&, const char*, const ValuePairs<double>&,
                                            const double&, bool);
template void addAndCheckValuePairs<exRatioValue>(const ParamHelper&, const char*, const ValuePairs<exRatioValue>&,
                                                  const exRatioValue&, bool);

// --- Tables ----------------------------------------------------------------------------------------

namespace {

constexpr csSDK_uint32 kSubTypeQ8RG = PrFourCCHighFirst('Q', '8', 'R', 'G');

struct DisplayName {
    const char* key;
    const wchar_t* name;
};

// Names set by post-processing, in the order they are set. The two tab groups keep the names
// they were created with.
constexpr DisplayName kDisplayNames[] = {
    {ADBEVideoCodecGroup, L"Video Codec"},
    {ADBEVideoCodec, L"Codec"},
    {kParamRenderPixelFormat, L"Render pixel format"},
    {kParamColorSpace, L"Color space"},
    {kParamFormatRestrictions, L"Restrictions"},
    {ADBEBasicVideoGroup, L"Basic Video Settings"},
    {ADBEVideoWidth, L"Width"},
    {ADBEVideoHeight, L"Height"},
    {ADBEVideoFPS, L"Frame Rate"},
    {ADBEVideoFieldType, L"Field Order"},
    {ADBEVideoAspect, L"Aspect"},
    {kParamExportLog, L"Write debug log"},
    {ADBEBasicAudioGroup, L"Basic Audio Settings"},
    {ADBEAudioRatePerSecond, L"Sample Rate"},
    {ADBEAudioNumChannels, L"Channels"},
    {ADBEAudioSampleType, L"Sample Size"},
};

constexpr DisplayName kDescriptions[] = {
    {ADBEVideoCodec, L"The video codec to be used for encode."},
    {kParamExportLog, L"Write a log file next to the exported avi (output.avi.log) with details of the export "
                      L"process. Enable if you encounter export errors, then send the log to us."},
};

struct FrameRate {
    long long multiplier; // duration = T * multiplier / divisor
    long long divisor;
    const wchar_t* text;
};

constexpr FrameRate kFrameRates[] = {
    {1, 10, L"10"},         {1, 15, L"15"},         {1001, 24000, L"23.976"},       {1, 24, L"24"},
    {1, 25, L"25 (PAL)"},   {1001, 30000, L"29.97 (NTSC)"}, {1, 30, L"30"},      {1, 50, L"50"},
    {1001, 60000, L"59.94"}, {1, 60, L"60"},        {1, 120, L"120"},
};

constexpr double kSampleRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000};

const wchar_t* fieldTypeText(int fieldType)
{
    switch (fieldType) {
    case 0: return L"Progressive";
    case 1: return L"Upper First";
    case 2: return L"Lower First";
    }
    return L"Unknown field type";
}

const wchar_t* channelTypeText(int channelType)
{
    switch (channelType) {
    case kPrAudioChannelType_Mono: return L"Mono";
    case kPrAudioChannelType_Stereo: return L"Stereo";
    case kPrAudioChannelType_51: return L"5.1";
    }
    return L"Unknown channel type";
}

// T * multiplier / divisor without overflowing for any host tick rate.
PrTime frameDuration(PrTime ticksPerSecond, const FrameRate& rate)
{
    return static_cast<PrTime>(static_cast<__int128>(ticksPerSecond) * rate.multiplier / rate.divisor);
}

unsigned long long distance(PrTime a, PrTime b)
{
    return a > b ? static_cast<unsigned long long>(a) - static_cast<unsigned long long>(b)
                 : static_cast<unsigned long long>(b) - static_cast<unsigned long long>(a);
}

PrParam sourceInfo(const PrSDKExportInfoSuite* suite, csSDK_uint32 pluginID, PrExportSourceInfoKey key)
{
    PrParam value;
    std::memset(&value, 0, sizeof value);
    suite->getExportSourceInfo(pluginID, key, &value);
    return value;
}

exParamValues intValues(int value)
{
    exParamValues v;
    std::memset(&v, 0, sizeof v);
    v.value.intValue = value;
    return v;
}

exParamValues intRangeValues(int value, int min, int max)
{
    exParamValues v = intValues(value);
    v.rangeMin.intValue = min;
    v.rangeMax.intValue = max;
    return v;
}

QuorvaneFrameTypeEx encodeTarget(const SubTypeInfo& subType, unsigned colorSpace, unsigned range)
{
    return QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, subType.quoTypeComp, 0, colorSpace, range, 0};
}

csSDK_uint32 pluginIdOf(const void* rec) { return exporter::loadField<csSDK_uint32>(rec, 0); }

} // namespace

// --- Handlers ------------------------------------------------------------------------------------

int QuorvaneExporter::exSDKGenerateDefaultParams(exGenerateDefaultParamRec* rec)
{
    const csSDK_uint32 pluginID = pluginIdOf(rec);
    const PrSDKExportInfoSuite* info = exportInfoSuite.get();
    csSDK_int32 width = sourceInfo(info, pluginID, kExportInfo_VideoWidth).mInt32;
    csSDK_int32 height = sourceInfo(info, pluginID, kExportInfo_VideoHeight).mInt32;
    const PrTime frameDuration = sourceInfo(info, pluginID, kExportInfo_VideoFrameRate).mInt64;
    csSDK_int32 fieldType = sourceInfo(info, pluginID, kExportInfo_VideoFieldType).mInt32;
    const csSDK_int32 channelType = sourceInfo(info, pluginID, kExportInfo_AudioChannelsType).mInt32;
    const double sampleRate = sourceInfo(info, pluginID, kExportInfo_AudioSampleRate).mFloat64;
    if (width == 0)
        width = 720;
    if (height == 0)
        height = 480;
    if (fieldType == prFieldsUnknown)
        fieldType = prFieldsUpperFirst;

    const PrSDKExportParamSuite* suite = exportParamSuite.get();
    csSDK_int32 group = 0;
    suite->addMultiGroup(pluginID, &group);
    ParamHelper params(suite, pluginID, group);

    params.addGroup(ADBETopParamGroup, ADBEVideoTabGroup, L"Video tab group");
    params.addGroup(ADBEVideoTabGroup, ADBEVideoCodecGroup, L"Video Codec");
    params.addParam(ADBEVideoCodec, exParamType_int, intValues(static_cast<int>(kSubTypeQ8RG)));
    params.addParam(kParamColorSpace, exParamType_int, intValues(QUORVANE_COLOR_SPACE_BT709));
    params.addParam(kParamRenderPixelFormat, exParamType_int, intValues(0));
    params.addParam(kParamFormatRestrictions, exParamType_int, intValues(0));

    params.addGroup(ADBEVideoTabGroup, ADBEBasicVideoGroup, L"Basic Video Settings");
    params.addParam(ADBEVideoWidth, exParamType_int, intRangeValues(width, 16, 16384));
    params.addParam(ADBEVideoHeight, exParamType_int, intRangeValues(height, 16, 16384));
    {
        PrTime ticksPerSecond = 0;
        timeSuite.get()->getTicksPerSecond(&ticksPerSecond);
        exParamValues v = intValues(0);
        v.value.timeValue = frameDuration;
        v.rangeMin.timeValue = 1;
        v.rangeMax.timeValue = ticksPerSecond;
        params.addParam(ADBEVideoFPS, exParamType_ticksFrameRate, v);
    }
    params.addParam(ADBEVideoFieldType, exParamType_int, intValues(fieldType));
    {
        exParamValues v = intValues(0);
        v.value.ratioValue = exRatioValue{1, 1};
        v.rangeMin.ratioValue = exRatioValue{1, 1};
        v.rangeMax.ratioValue = exRatioValue{20, 20};
        params.addParam(ADBEVideoAspect, exParamType_ratio, v);
    }
    params.addParam(kParamExportLog, exParamType_bool, intValues(0));

    params.addGroup(ADBETopParamGroup, ADBEAudioTabGroup, L"Audio tab group");
    params.addGroup(ADBEAudioTabGroup, ADBEBasicAudioGroup, L"Basic Audio Settings");
    {
        exParamValues v = intValues(0);
        v.value.floatValue = sampleRate;
        params.addParam(ADBEAudioRatePerSecond, exParamType_float, v);
    }
    params.addParam(ADBEAudioNumChannels, exParamType_int, intValues(channelType));
    params.addParam(ADBEAudioSampleType, exParamType_int, intValues(kPrAudioSampleType_16BitInt));

    suite->setParamsVersion(pluginID, 2);
    return exportReturn_ErrNone;
}

int QuorvaneExporter::exSDKPostProcessParams(exPostProcessParamsRec* rec)
{
    const csSDK_uint32 pluginID = pluginIdOf(rec);
    const PrSDKExportParamSuite* suite = exportParamSuite.get();
    ParamHelper params(suite, pluginID, 0);

    for (const DisplayName& n : kDisplayNames)
        suite->setParamName(pluginID, 0, n.key, exporter::wideToUtf16(n.name).c_str());
    for (const DisplayName& d : kDescriptions)
        suite->setParamDescription(pluginID, 0, d.key, exporter::wideToUtf16(d.name).c_str());

    ValuePairs<int> codecs;
    for (const SubTypeInfo& subType : g_subTypeInfos) {
        if (!GetEncodeFormats(encodeTarget(subType, 0, 0)).empty())
            codecs.emplace_back(static_cast<int>(subType.subType), subType.subTypeName);
    }
    addAndCheckValuePairs<int>(params, ADBEVideoCodec, codecs, static_cast<int>(kSubTypeQ8RG), false);

    initParamColorSpace(params);
    initParamRenderPixelFormat(params);

    {
        PrTime ticksPerSecond = 0;
        timeSuite.get()->getTicksPerSecond(&ticksPerSecond);
        exParamValues values = params.get(ADBEVideoFPS);
        const PrTime current = values.value.timeValue;
        params.clearValues(ADBEVideoFPS);
        PrTime chosen = ticksPerSecond / 30;
        for (const FrameRate& rate : kFrameRates) {
            const PrTime duration = frameDuration(ticksPerSecond, rate);
            exOneParamValueRec v;
            std::memset(&v, 0, sizeof v);
            v.timeValue = duration;
            params.addValuePair(ADBEVideoFPS, v, rate.text);
            if (distance(duration, current) < distance(chosen, current))
                chosen = duration;
        }
        if (chosen != current) {
            values.value.timeValue = chosen;
            params.change(ADBEVideoFPS, values);
        }
    }

    addAndCheckValuePairs<int>(params, ADBEVideoFieldType,
                               {{0, fieldTypeText(0)}, {1, fieldTypeText(1)}, {2, fieldTypeText(2)}}, 0, false);
    addAndCheckValuePairs<exRatioValue>(params, ADBEVideoAspect, {{exRatioValue{1, 1}, L"Square pixels (1.0)"}},
                                        exRatioValue{1, 1}, false);
    ValuePairs<double> rates;
    for (double rate : kSampleRates)
        rates.emplace_back(rate, std::to_wstring(static_cast<int>(rate)) + L" Hz");
    addAndCheckValuePairs<double>(params, ADBEAudioRatePerSecond, rates, 48000.0, false);
    addAndCheckValuePairs<int>(params, ADBEAudioNumChannels,
                               {{kPrAudioChannelType_Mono, channelTypeText(kPrAudioChannelType_Mono)},
                                {kPrAudioChannelType_Stereo, channelTypeText(kPrAudioChannelType_Stereo)},
                                {kPrAudioChannelType_51, channelTypeText(kPrAudioChannelType_51)}},
                               kPrAudioChannelType_Stereo, false);
    ValuePairs<int> sampleTypes;
    for (PrAudioSampleType type : {kPrAudioSampleType_8BitInt, kPrAudioSampleType_16BitInt,
                                   kPrAudioSampleType_24BitInt, kPrAudioSampleType_32BitInt,
                                   kPrAudioSampleType_32BitFloat})
        sampleTypes.emplace_back(type, utf8_decode(GetAudioSampleTypeNameForGUI(type)));
    addAndCheckValuePairs<int>(params, ADBEAudioSampleType, sampleTypes, kPrAudioSampleType_16BitInt, false);

    initParamFormatRestrictions(params);
    return exportReturn_ErrNone;
}

int QuorvaneExporter::exSDKValidateParamChanged(exParamChangedRec* rec)
{
    const auto group = exporter::loadField<csSDK_int32>(rec, offsetof(exParamChangedRec, multiGroupIndex));
    ParamHelper params(exportParamSuite.get(), pluginIdOf(rec), group);
    // The key is a fixed field: read no further than its end, terminated or not.
    const char* field = reinterpret_cast<const char*>(rec) + offsetof(exParamChangedRec, changedParamIdentifier);
    const std::string key(field, strnlen(field, kPrExportTextSize));

    if (key == ADBEVideoCodec) {
        initParamColorSpace(params);
        initParamRenderPixelFormat(params);
        initParamFormatRestrictions(params);
    } else if (key == kParamColorSpace) {
        initParamRenderPixelFormat(params);
    } else if (key == ADBEVideoFieldType) {
        initParamFormatRestrictions(params);
    }
    return exportReturn_ErrNone;
}

int QuorvaneExporter::exSDKGetParamSummary(exParamSummaryRec* rec)
{
    ParamHelper params(exportParamSuite.get(), pluginIdOf(rec), 0);
    const int codec = params.getInt(ADBEVideoCodec);
    const int width = params.getInt(ADBEVideoWidth);
    const int height = params.getInt(ADBEVideoHeight);
    const exRatioValue aspect = params.getRatio(ADBEVideoAspect);
    const PrTime frameDuration = params.getTime(ADBEVideoFPS);
    const int fieldType = params.getInt(ADBEVideoFieldType);
    const double sampleRate = params.getFloat(ADBEAudioRatePerSecond);
    const int channelType = params.getInt(ADBEAudioNumChannels);
    const int sampleType = params.getInt(ADBEAudioSampleType);
    const int colorSpace = params.getInt(kParamColorSpace);
    PrTime ticksPerSecond = 0;
    timeSuite.get()->getTicksPerSecond(&ticksPerSecond);
    const SubTypeInfo& subType = GetSubTypeInfo_by_subType(codec);

    wchar_t aspectText[32];
    const double ratio = static_cast<double>(aspect.numerator) / aspect.denominator;
    std::swprintf(aspectText, 32, std::floor(ratio) == ratio ? L"%.1f" : L"%.5g", ratio);

    wchar_t colorText[32] = L"";
    if (subType.yuv()) {
        const std::wstring name = utf8_decode(GetColorSpaceName(static_cast<QuorvaneColorSpace>(colorSpace)));
        std::swprintf(colorText, 32, L", %ls", name.c_str());
    }

    wchar_t video[256];
    std::swprintf(video, 256, L"%ix%i (%ls), %.5g fps, %ls%ls", width, height, aspectText,
                  static_cast<double>(ticksPerSecond) / static_cast<double>(frameDuration), fieldTypeText(fieldType),
                  colorText);
    const std::wstring sampleTypeText = utf8_decode(GetAudioSampleTypeNameForGUI(static_cast<PrAudioSampleType>(sampleType)));
    wchar_t audio[256];
    std::swprintf(audio, 256, L"%.0f Hz, %ls, %ls", sampleRate, channelTypeText(channelType), sampleTypeText.c_str());

    unsigned char* bytes = reinterpret_cast<unsigned char*>(rec);
    exporter::writeUtf16Field(bytes + offsetof(exParamSummaryRec, videoParamSummary), exporter::wideToUtf16(video),
                              kPrExportTextSize);
    exporter::writeUtf16Field(bytes + offsetof(exParamSummaryRec, audioParamSummary), exporter::wideToUtf16(audio),
                              kPrExportTextSize);
    return exportReturn_ErrNone;
}

int QuorvaneExporter::exSDKParamButton(exParamButtonRec*) { return exportReturn_ErrNone; }

void QuorvaneExporter::initParamColorSpace(ParamHelper& params)
{
    const SubTypeInfo& subType = GetSubTypeInfo_by_subType(params.getInt(ADBEVideoCodec));
    ValuePairs<int> pairs;
    if (subType.yuv()) {
        for (QuorvaneColorSpace cs : {QUORVANE_COLOR_SPACE_BT601, QUORVANE_COLOR_SPACE_BT709})
            pairs.emplace_back(cs, utf8_decode(GetColorSpaceName(cs)));
    }
    addAndCheckValuePairs<int>(params, kParamColorSpace, pairs, QUORVANE_COLOR_SPACE_BT709, pairs.empty());
}

void QuorvaneExporter::initParamRenderPixelFormat(ParamHelper& params)
{
    const SubTypeInfo& subType = GetSubTypeInfo_by_subType(params.getInt(ADBEVideoCodec));
    const unsigned colorSpace = static_cast<unsigned>(params.getInt(kParamColorSpace));
    const unsigned range = subType.yuv() ? QUORVANE_RANGE_LIMITED : QUORVANE_RANGE_FULL;
    const std::vector<FormatInfo> formats = GetEncodeFormats(encodeTarget(subType, colorSpace, range));
    ValuePairs<int> pairs;
    if (formats.size() > 1)
        pairs.emplace_back(0, L"Auto");
    for (const FormatInfo& format : formats)
        pairs.emplace_back(static_cast<int>(format.pixelFormat), utf8_decode(format.name));
    addAndCheckValuePairs<int>(params, kParamRenderPixelFormat, pairs, 0, false);
}

void QuorvaneExporter::initParamFormatRestrictions(ParamHelper& params)
{
    const SubTypeInfo& subType = GetSubTypeInfo_by_subType(params.getInt(ADBEVideoCodec));
    const int fieldType = params.getInt(ADBEVideoFieldType);
    const unsigned widthDivisor = subType.widthDivisor;
    const unsigned heightDivisor = fieldType != 0 ? subType.heightDivisor * 2 : subType.heightDivisor;

    wchar_t text[256] = L"";
    std::size_t length = 0;
    if (widthDivisor != 1)
        length = static_cast<std::size_t>(std::max(0, std::swprintf(text, 256, L"Width mod %u", widthDivisor)));
    if (heightDivisor != 1) {
        if (length != 0)
            length += static_cast<std::size_t>(std::max(0, std::swprintf(text + length, 256 - length, L" , ")));
        std::swprintf(text + length, 256 - length, L"Height mod %u", heightDivisor);
    }
    if (text[0] == L'\0')
        std::swprintf(text, 256, L"None");

    params.clearValues(kParamFormatRestrictions);
    exOneParamValueRec zero;
    std::memset(&zero, 0, sizeof zero);
    params.addValuePair(kParamFormatRestrictions, zero, text);
}

// "MediaCore Export Param Suite" version 5: the exporter's settings, held by the host as a tree of
// parameter groups and parameters, each parameter with a value, a range and an optional list of
// (value, text) pairs that the host offers as choices.
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKExportParamSuite "MediaCore Export Param Suite"
#define kPrSDKExportParamSuiteVersion 5

// Keys of the host's standard groups and parameters. The exporter may add keys of its own.
#define ADBETopParamGroup "ADBETopParamGroup"
#define ADBEVideoTabGroup "ADBEVideoTabGroup"
#define ADBEAudioTabGroup "ADBEAudioTabGroup"
#define ADBEVideoCodecGroup "ADBEVideoCodecGroup"
#define ADBEBasicVideoGroup "ADBEBasicVideoGroup"
#define ADBEBasicAudioGroup "ADBEBasicAudioGroup"
#define ADBEVideoCodec "ADBEVideoCodec"
#define ADBEVideoWidth "ADBEVideoWidth"
#define ADBEVideoHeight "ADBEVideoHeight"
#define ADBEVideoFPS "ADBEVideoFPS"
#define ADBEVideoFieldType "ADBEVideoFieldType"
#define ADBEVideoAspect "ADBEVideoAspect"
#define ADBEAudioRatePerSecond "ADBEAudioRatePerSecond"
#define ADBEAudioNumChannels "ADBEAudioNumChannels"
#define ADBEAudioSampleType "ADBEAudioSampleType"

inline constexpr int kPrParamIdentifierSize = 256;

// Type of a parameter's value.
enum exParamType : csSDK_int32 {
    exParamType_undefined = 0,
    exParamType_bool = 1,            // intValue, 0 or 1
    exParamType_int = 2,             // intValue
    exParamType_float = 3,           // floatValue (double)
    exParamType_ticksFrameRate = 4,  // timeValue: ticks of one frame
    exParamType_ratio = 11,          // ratioValue
};

#pragma pack(push, 1)
struct exRatioValue {
    csSDK_int32 numerator;
    csSDK_int32 denominator;
};

// One value of any parameter type, at the start of a 128-byte slot; bytes the type does not use
// are 0.
union exOneParamValueRec {
    csSDK_int32 intValue;
    double floatValue;
    PrTime timeValue;
    exRatioValue ratioValue;
    char slot[128];
};

// Value, range and visibility of one parameter: what addParam takes inside exNewParamInfo and what
// getParamValue and changeParamValue exchange. Fields the exporter does not set are 0.
struct exParamValues {
    csSDK_int32 structVersion;           // 0
    exOneParamValueRec rangeMin;         // 4
    exOneParamValueRec rangeMax;         // 132
    exOneParamValueRec value;            // 260
    prBool disabled;                     // 388
    char reserved[512];                  // 392: kept 0
    prBool hidden;                       // 904
    csSDK_int32 reserved2[4];            // 908: kept 0
};

// A parameter to add under a group.
struct exNewParamInfo {
    csSDK_int32 structVersion;                   // 0
    char identifier[kPrParamIdentifierSize];     // 4: the key, 0-terminated
    prUTF16Char name[kPrParamIdentifierSize];    // 260: display name (set later with setParamName)
    exParamType paramType;                       // 772
    csSDK_int32 flags;                           // 776: 0
    exParamValues paramValues;                   // 780
};
#pragma pack(pop)

static_assert(sizeof(exOneParamValueRec) == 128);
static_assert(sizeof(exParamValues) == 924);
static_assert(offsetof(exParamValues, rangeMin) == 4 && offsetof(exParamValues, rangeMax) == 132);
static_assert(offsetof(exParamValues, value) == 260 && offsetof(exParamValues, hidden) == 904);
static_assert(sizeof(exNewParamInfo) == 1704);
static_assert(offsetof(exNewParamInfo, identifier) == 4 && offsetof(exNewParamInfo, paramType) == 772);
static_assert(offsetof(exNewParamInfo, flags) == 776 && offsetof(exNewParamInfo, paramValues) == 780);

// Every function takes the exporter's plug-in id from the selector's record and, where it names
// one, the multi-group index the host returned from addMultiGroup.
struct PrSDKExportParamSuite {
    // 1: version of the exporter's parameter set.
    prSuiteError (*setParamsVersion)(csSDK_uint32 pluginID, csSDK_int32 version);
    // 2: starts a parameter set; writes its multi-group index.
    prSuiteError (*addMultiGroup)(csSDK_uint32 pluginID, csSDK_int32* outGroupIndex);
    // 3: a group under the parent group, with its display name; the three flags are 0 for a plain
    // visible group.
    prSuiteError (*addParamGroup)(csSDK_uint32 pluginID, csSDK_int32 groupIndex,
                                  const char* parentGroupKey, const char* groupKey,
                                  const prUTF16Char* groupName, prBool hidden, prBool disabled,
                                  prBool collapsed);
    // 4: a parameter under the parent group.
    prSuiteError (*addParam)(csSDK_uint32 pluginID, csSDK_int32 groupIndex,
                             const char* parentGroupKey, const exNewParamInfo* param);
    // 5: the parameter's value record.
    prSuiteError (*getParamValue)(csSDK_uint32 pluginID, csSDK_int32 groupIndex, const char* key,
                                  exParamValues* outValue);
    // 6: replaces the parameter's value record.
    prSuiteError (*changeParamValue)(csSDK_uint32 pluginID, csSDK_int32 groupIndex,
                                     const char* key, const exParamValues* value);
    // 7, 8: display name and description of a parameter or group.
    prSuiteError (*setParamName)(csSDK_uint32 pluginID, csSDK_int32 groupIndex, const char* key,
                                 const prUTF16Char* name);
    prSuiteError (*setParamDescription)(csSDK_uint32 pluginID, csSDK_int32 groupIndex,
                                        const char* key, const prUTF16Char* description);
    // 9: empties the parameter's list of choices.
    prSuiteError (*clearValueList)(csSDK_uint32 pluginID, csSDK_int32 groupIndex, const char* key);
    // 10: appends one choice (a value of the parameter's type and its text).
    prSuiteError (*addValuePair)(csSDK_uint32 pluginID, csSDK_int32 groupIndex, const char* key,
                                 const exOneParamValueRec* value, const prUTF16Char* text);
};

// Access to the exporter's parameters in the host's Export Param suite, and the value-list routine
// that keeps a listed parameter's value among its choices.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sdk/PrSDKExportParamSuite.h"

// Keys of our own parameters (the host's standard keys come from the suite's header).
inline constexpr const char* kParamColorSpace = "ColorSpace";
inline constexpr const char* kParamRenderPixelFormat = "RenderPixelFormat";
inline constexpr const char* kParamFormatRestrictions = "FormatRestrictions";
inline constexpr const char* kParamExportLog = "ExportLog";

// What every parameter operation works with: the suite, the plug-in id of the selector's record,
// the multi-group index and the group new parameters go under.
struct ParamHelper {
    ParamHelper(const PrSDKExportParamSuite* suite, csSDK_uint32 pluginID, csSDK_int32 groupIndex);

    // The value record, zeroed before the host fills it, so a failed read gives 0.
    exParamValues get(const char* key) const;
    csSDK_int32 getInt(const char* key) const { return get(key).value.intValue; }
    double getFloat(const char* key) const { return get(key).value.floatValue; }
    PrTime getTime(const char* key) const { return get(key).value.timeValue; }
    exRatioValue getRatio(const char* key) const { return get(key).value.ratioValue; }

    void change(const char* key, const exParamValues& values) const;
    void clearValues(const char* key) const;
    // Value pairs always go to multi-group 0, whatever the helper's index.
    void addValuePair(const char* key, const exOneParamValueRec& value, const std::wstring& text) const;

    // Adds a group under `parent` and makes it the group the next parameters go under.
    void addGroup(const char* parent, const char* key, const std::wstring& name);
    void addParam(const char* key, exParamType type, const exParamValues& values) const;

    const PrSDKExportParamSuite* suite;
    csSDK_uint32 pluginID;
    csSDK_int32 groupIndex;
    char parentGroup[kPrParamIdentifierSize];
};

template <typename T>
using ValuePairs = std::vector<std::pair<T, std::wstring>>;

// Replaces the parameter's value list with `pairs`; when its value is not among them (or the list
// is empty) the value becomes `defaultValue`. The record is written back only when the value or
// the hidden state has to change.
template <typename T>
void addAndCheckValuePairs(const ParamHelper& params, const char* key, const ValuePairs<T>& pairs,
                           const T& defaultValue, bool hidden);

// Ratios compare after reduction by their greatest common divisor (2/2 equals 1/1).
bool sameRatio(exRatioValue a, exRatioValue b);

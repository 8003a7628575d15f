#include "host/HostNames.h"

#include <array>

#include "sdk/PrSDKAudio.h"
#include "sdk/PrSDKExport.h"
#include "sdk/PrSDKImport.h"
#include "sdk/PrSDKPixelFormat.h"

// The names come from the same lists as the sdk/ enumerations, so a value and its name cannot
// drift apart. Dense ranges are arrays indexed by the value (compared unsigned, so a negative
// value falls back instead of indexing before the array); sparse ones are switches.

namespace {

constexpr const char* kUnknown = "????";

struct NamedValue {
    int value;
    const char* name;
};

template <std::size_t Size, std::size_t Count>
constexpr std::array<const char*, Size> denseTable(const NamedValue (&rows)[Count], int offset,
                                                   const char* fallback)
{
    std::array<const char*, Size> table{};
    for (auto& slot : table)
        slot = fallback;
    for (const NamedValue& row : rows)
        table[std::size_t(row.value + offset)] = row.name;
    return table;
}

template <std::size_t Size>
const char* lookup(const std::array<const char*, Size>& table, unsigned index)
{
    return index < Size ? table[index] : nullptr;
}

constexpr NamedValue kImportSelectors[] = {
#define QV_IMPORT_SELECTOR(name, value) {value, #name},
#include "sdk/ImportSelectors.def"
#undef QV_IMPORT_SELECTOR
};
constexpr auto kImportSelectorTable = denseTable<67>(kImportSelectors, 0, kUnknown);

constexpr NamedValue kAsyncSelectors[] = {
#define QV_ASYNC_SELECTOR(name, value) {value, #name},
#include "sdk/AsyncImportSelectors.def"
#undef QV_ASYNC_SELECTOR
};
constexpr auto kAsyncSelectorTable = denseTable<7>(kAsyncSelectors, 0, kUnknown);

constexpr NamedValue kAsyncResults[] = {
#define QV_ASYNC_RESULT(name, value) {value, #name},
#include "sdk/AsyncImportResults.def"
#undef QV_ASYNC_RESULT
};
constexpr auto kAsyncResultTable = denseTable<4>(kAsyncResults, 0, kUnknown);

constexpr NamedValue kExportSelectors[] = {
#define QV_EXPORT_SELECTOR(name, value) {value, #name},
#include "sdk/ExportSelectors.def"
#undef QV_EXPORT_SELECTOR
};
constexpr auto kExportSelectorTable = denseTable<15>(kExportSelectors, 0, kUnknown);

// Slot 0 is the value -1 (arriving as 0xFFFFFFFF); the value 0 has no name of its own and reads
// the fallback.
constexpr NamedValue kSampleTypes[] = {
#define QV_SAMPLE_TYPE(name, value) {value, #name},
#include "sdk/AudioSampleTypes.def"
#undef QV_SAMPLE_TYPE
};
constexpr const char* kUnknownSampleType = "Unknown_Sample_Type";
constexpr auto kSampleTypeTable = denseTable<18>(kSampleTypes, 1, kUnknownSampleType);

} // namespace

const char* GetImporterSelectorName(int selector)
{
    const char* name = lookup(kImportSelectorTable, unsigned(selector));
    return name != nullptr ? name : kUnknown;
}

const char* GetImporterReturnValueName(int result)
{
    switch (result) {
#define QV_IMPORT_RESULT(name, value) case value: return #name;
#include "sdk/ImportResults.def"
#undef QV_IMPORT_RESULT
    }
    return kUnknown;
}

const char* GetAsyncImporterSelectorName(int selector)
{
    const char* name = lookup(kAsyncSelectorTable, unsigned(selector));
    return name != nullptr ? name : kUnknown;
}

const char* GetAsyncImporterReturnValueName(int result)
{
    const char* name = lookup(kAsyncResultTable, unsigned(result));
    return name != nullptr ? name : kUnknown;
}

const char* GetExportSelectorName(int selector)
{
    const char* name = lookup(kExportSelectorTable, unsigned(selector));
    return name != nullptr ? name : kUnknown;
}

const char* GetExportReturnValueName(int result)
{
    switch (result) {
#define QV_EXPORT_RESULT(name, value) case value: return #name;
#include "sdk/ExportResults.def"
#undef QV_EXPORT_RESULT
    }
    return kUnknown;
}

const char* GetPixelFormatName(int pixelFormat)
{
    switch (static_cast<csSDK_uint32>(pixelFormat)) {
#define QV_PIXEL_FORMAT(name, c0, c1, c2, c3) case PrFourCCLowFirst(c0, c1, c2, c3): return #name;
#include "sdk/PixelFormats.def"
#undef QV_PIXEL_FORMAT
    case PrPixelFormat_Any:
        return "PrPixelFormat_Any";
    }
    return kUnknown;
}

const char* GetAudioChannelLabelName(int label)
{
    switch (label) {
#define QV_CHANNEL_LABEL(name, value) case value: return #name;
#include "sdk/AudioChannelLabels.def"
#undef QV_CHANNEL_LABEL
    }
    return "Unknown_Channel_Label";
}

const char* GetAudioSampleTypeName(unsigned sampleType)
{
    const char* name = lookup(kSampleTypeTable, sampleType + 1u);
    return name != nullptr ? name : kUnknownSampleType;
}

// "MediaCore Export Info Suite" version 1: what the host knows about the source of an export.
#pragma once

#include "sdk/PrSDKPixelFormat.h"

#define kPrSDKExportInfoSuite "MediaCore Export Info Suite"
#define kPrSDKExportInfoSuiteVersion 1

// Source properties; the comment names the PrParam member that holds the answer.
enum PrExportSourceInfoKey : csSDK_int32 {
    kExportInfo_VideoWidth = 0,            // mInt32
    kExportInfo_VideoHeight = 1,           // mInt32
    kExportInfo_VideoFrameRate = 2,        // mInt64: ticks of one frame
    kExportInfo_VideoFieldType = 3,        // mInt32: prFieldType
    kExportInfo_VideoDuration = 4,         // mInt64: ticks
    kExportInfo_PixelAspectNumerator = 5,  // mInt32
    kExportInfo_PixelAspectDenominator = 6, // mInt32
    kExportInfo_AudioDuration = 7,         // mInt64: ticks
    kExportInfo_AudioChannelsType = 8,     // mInt32: PrAudioChannelType
    kExportInfo_AudioSampleRate = 9,       // mFloat64
    kExportInfo_SourceHasAudio = 13,       // mBool
    kExportInfo_SourceHasVideo = 14,       // mBool
    kExportInfo_RenderAsPreview = 15,      // mBool
    kExportInfo_SequenceGUID = 16,         // mGuid: 0-terminated text
    kExportInfo_SessionFilePath = 17,      // mMemoryPtr: 0-terminated UTF-16 path (host block)
    kExportInfo_VideoPosterFrameTickTime = 18, // mInt64
    kExportInfo_SourceTimecode = 19,       // mMemoryPtr: PrSourceTimecode (host block)
    kExportInfo_UsePreviewFiles = 20,      // mBool
    kExportInfo_NumAudioChannels = 21,     // mInt32
    kExportInfo_SourcePixelFormats = 22,   // mMemoryPtr: PrSourcePixelFormats (host block)
};

enum PrParamType : csSDK_int32 {
    kPrParamType_Undefined = 0,
    kPrParamType_Int32 = 1,
    kPrParamType_Int64 = 2,
    kPrParamType_Float64 = 3,
    kPrParamType_Bool = 4,
    kPrParamType_MemoryPtr = 5,
    kPrParamType_Guid = 6,
};

inline constexpr int kPrParamGuidSize = 40;

#pragma pack(push, 1)
// One answer: a type word, then the value. Blocks behind mMemoryPtr belong to the plug-in, which
// frees them with the Memory Manager suite.
struct PrParam {
    PrParamType mType;
    union {
        csSDK_int32 mInt32;
        csSDK_int64 mInt64;
        double mFloat64;
        bool mBool;
        PrMemoryPtr mMemoryPtr;
        char mGuid[kPrParamGuidSize]; // 0-terminated within the field
    };
};

struct PrSourceTimecode {
    PrTime mTimecodeTicks;
    PrTime mTicksPerFrame;
    bool mTimecodeStartPrefersDropFrame;
};

struct PrSourcePixelFormats {
    PrPixelFormat* mPixelFormatArray;
    csSDK_int32 mPixelFormatArrayCount;
    PrPixelFormat* mPixelCustomFormatArray;
    csSDK_int32 mPixelCustomFormatArrayCount;
};
#pragma pack(pop)

static_assert(offsetof(PrParam, mInt32) == 4 && sizeof(PrParam) == 4 + kPrParamGuidSize);
static_assert(sizeof(PrSourceTimecode) == 17 && offsetof(PrSourceTimecode, mTicksPerFrame) == 8);
static_assert(sizeof(PrSourcePixelFormats) == 24);
static_assert(offsetof(PrSourcePixelFormats, mPixelFormatArrayCount) == 8);
static_assert(offsetof(PrSourcePixelFormats, mPixelCustomFormatArray) == 12);

struct PrSDKExportInfoSuite {
    // 1: one source property of the export's source.
    prSuiteError (*getExportSourceInfo)(csSDK_uint32 pluginID, PrExportSourceInfoKey key,
                                        PrParam* outValue);
};

// The exporter side of the interface: the entry function every exporter plug-in exports, its
// selectors and results, and the records the host passes with each selector.
//
// The host calls xSDKExport(selector, stdParms, param1, param2):
//
//   selector                        param1                           param2
//   exSelStartup                    exExporterInfoRec*               -
//   exSelShutdown                   -                                -
//   exSelBeginInstance              exExporterInstanceRec*           -
//   exSelGenerateDefaultParams      exGenerateDefaultParamRec*       -
//   exSelPostProcessParams          exPostProcessParamsRec*          -
//   exSelValidateParamChanged       exParamChangedRec*               -
//   exSelGetParamSummary            exParamSummaryRec*               -
//   exSelParamButton                exParamButtonRec*                -
//   exSelEndInstance                exExporterInstanceRec*           -
//   exSelExport                     exDoExportRec*                   -
//   exSelQueryExportFileExtension   exQueryExportFileExtensionRec*   -
//   exSelQueryOutputFileList        (not used by our plug-ins)       -
//   exSelQueryStillSequence         (not used by our plug-ins)       -
//   exSelQueryOutputSettings        exQueryOutputSettingsRec*        -
//   exSelValidateOutputSettings     exValidateOutputSettingsRec*     -
//
// The instance's private data, set at exSelBeginInstance, comes back in every later record.
#pragma once

#include "sdk/PrSDKAudio.h"
#include "sdk/PrSDKPixelFormat.h"
#include "sdk/SPBasic.h"

enum PrExportSelector : csSDK_int32 {
#define QV_EXPORT_SELECTOR(name, value) name = value,
#include "sdk/ExportSelectors.def"
#undef QV_EXPORT_SELECTOR
};

enum PrExportReturn : csSDK_int32 {
#define QV_EXPORT_RESULT(name, value) name = value,
#include "sdk/ExportResults.def"
#undef QV_EXPORT_RESULT
};

inline constexpr int kPrExportTextSize = 256; // UTF-16 units of a text field

struct exportStdParms {
    csSDK_int32 interfaceVer;
    SPBasicSuite* (*getSPBasicSuite)(void);
};

#pragma pack(push, 1)
// exSelStartup: what the exporter is; the exporter writes only the fields it sets, the others keep
// the host's values.
struct exExporterInfoRec {
    csSDK_uint32 reserved0;                            // 0
    csSDK_uint32 fileType;                             // 4: four characters, first in the high byte
    prUTF16Char fileTypeName[kPrExportTextSize];       // 8
    prUTF16Char fileTypeDefaultExtension[kPrExportTextSize]; // 520: without the dot
    csSDK_uint32 classID;                              // 1032
    csSDK_int32 exportReqIndex;                        // 1036
    prBool wantsNoProgressBar;                         // 1040
    prBool hideInUI;                                   // 1044
    prBool doesNotSupportAudioOnly;                    // 1048
    prBool canExportVideo;                             // 1052
    prBool canExportAudio;                             // 1056
    csSDK_int32 reserved1060[2];                       // 1060
    csSDK_int32 interfaceVersion;                      // 1068
};
static_assert(sizeof(exExporterInfoRec) == 1072);
static_assert(offsetof(exExporterInfoRec, fileType) == 4 && offsetof(exExporterInfoRec, fileTypeName) == 8);
static_assert(offsetof(exExporterInfoRec, fileTypeDefaultExtension) == 520);
static_assert(offsetof(exExporterInfoRec, classID) == 1032 && offsetof(exExporterInfoRec, exportReqIndex) == 1036);
static_assert(offsetof(exExporterInfoRec, doesNotSupportAudioOnly) == 1048);
static_assert(offsetof(exExporterInfoRec, canExportAudio) == 1056);
static_assert(offsetof(exExporterInfoRec, interfaceVersion) == 1068);

// exSelBeginInstance and exSelEndInstance.
struct exExporterInstanceRec {
    csSDK_uint32 exporterPluginID; // 0
    csSDK_uint32 fileType;         // 4
    void* privateData;             // 8: set by the exporter at begin, cleared at end
};
static_assert(offsetof(exExporterInstanceRec, privateData) == 8 && sizeof(exExporterInstanceRec) == 16);

// Every later record starts with the plug-in id and the instance's private data.
#define PR_EXPORT_RECORD_HEAD \
    csSDK_uint32 exporterPluginID; /* 0 */ \
    void* privateData;             /* 4 */

struct exGenerateDefaultParamRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;
};

struct exPostProcessParamsRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;
};

struct exParamChangedRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;                          // 12
    prBool exportVideo;                             // 16
    prBool exportAudio;                             // 20
    csSDK_int32 multiGroupIndex;                    // 24
    char changedParamIdentifier[kPrExportTextSize]; // 28
};
static_assert(offsetof(exParamChangedRec, multiGroupIndex) == 24);
static_assert(offsetof(exParamChangedRec, changedParamIdentifier) == 28);

struct exParamSummaryRec {
    PR_EXPORT_RECORD_HEAD
    prBool exportVideo;                                // 12
    prBool exportAudio;                                // 16
    prUTF16Char videoParamSummary[kPrExportTextSize];  // 20
    prUTF16Char audioParamSummary[kPrExportTextSize];  // 532
    prUTF16Char bitrateParamSummary[kPrExportTextSize]; // 1044
};
static_assert(offsetof(exParamSummaryRec, videoParamSummary) == 20);
static_assert(offsetof(exParamSummaryRec, audioParamSummary) == 532);
static_assert(offsetof(exParamSummaryRec, bitrateParamSummary) == 1044);

struct exParamButtonRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_int32 multiGroupIndex;
    char buttonParamIdentifier[kPrExportTextSize];
};

struct exQueryOutputSettingsRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;            // 12
    csSDK_int32 inMultiGroupIndex;    // 16
    prBool inExportVideo;             // 20
    prBool inExportAudio;             // 24
    csSDK_int32 outVideoWidth;        // 28
    csSDK_int32 outVideoHeight;       // 32
    PrTime outVideoFrameRate;         // 36: ticks of one frame
    csSDK_int32 outVideoAspectNum;    // 44
    csSDK_int32 outVideoAspectDen;    // 48
    csSDK_int32 outVideoFieldType;    // 52: prFieldType
    double outAudioSampleRate;        // 56
    PrAudioSampleType outAudioSampleType;   // 64
    PrAudioChannelType outAudioChannelType; // 68
    csSDK_uint32 outBitratePerSecond; // 72
};
static_assert(offsetof(exQueryOutputSettingsRec, inMultiGroupIndex) == 16);
static_assert(offsetof(exQueryOutputSettingsRec, inExportVideo) == 20);
static_assert(offsetof(exQueryOutputSettingsRec, inExportAudio) == 24);
static_assert(offsetof(exQueryOutputSettingsRec, outVideoWidth) == 28);
static_assert(offsetof(exQueryOutputSettingsRec, outVideoFrameRate) == 36);
static_assert(offsetof(exQueryOutputSettingsRec, outVideoAspectNum) == 44);
static_assert(offsetof(exQueryOutputSettingsRec, outVideoFieldType) == 52);
static_assert(offsetof(exQueryOutputSettingsRec, outAudioSampleRate) == 56);
static_assert(offsetof(exQueryOutputSettingsRec, outAudioSampleType) == 64);
static_assert(offsetof(exQueryOutputSettingsRec, outAudioChannelType) == 68);
static_assert(offsetof(exQueryOutputSettingsRec, outBitratePerSecond) == 72);

struct exValidateOutputSettingsRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;
};

struct exQueryExportFileExtensionRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;                          // 12
    prUTF16Char outFileExtension[kPrExportTextSize]; // 16: without the dot
};
static_assert(offsetof(exQueryExportFileExtensionRec, outFileExtension) == 16);

// exSelExport: one export of the range [startTime, endTime) into the host's file object.
struct exDoExportRec {
    PR_EXPORT_RECORD_HEAD
    csSDK_uint32 fileType;              // 12
    csSDK_uint32 fileObject;            // 16: for the Export File suite
    PrTime startTime;                   // 20
    PrTime endTime;                     // 28
    prBool exportAudio;                 // 36
    prBool exportVideo;                 // 40
    prBool maximumRenderQuality;        // 44
};
#pragma pack(pop)
static_assert(offsetof(exGenerateDefaultParamRec, privateData) == 4);

typedef csSDK_int32 (*PrExportEntryFunc)(csSDK_int32 selector, exportStdParms* stdParms,
                                         void* param1, void* param2);
#define kPrExportEntryName "xSDKExport"

PR_PLUGIN_EXPORT csSDK_int32 xSDKExport(csSDK_int32 selector, exportStdParms* stdParms,
                                        void* param1, void* param2);

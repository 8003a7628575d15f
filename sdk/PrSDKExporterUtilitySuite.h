// "MediaCore Exporter Utility Suite" version 1: the host's render loop for an export.
#pragma once

#include "sdk/PrSDKPixelFormat.h"

#define kPrSDKExporterUtilitySuite "MediaCore Exporter Utility Suite"
#define kPrSDKExporterUtilitySuiteVersion 1

#pragma pack(push, 1)
struct ExportLoopRenderParams {
    csSDK_int32 inRenderParamsSize;    // sizeof(ExportLoopRenderParams)
    csSDK_int32 inRenderParamsVersion; // 1
    PrPixelFormat inFinalPixelFormat;  // the format every frame is rendered in
    PrTime inStartTime;
    PrTime inEndTime;
    csSDK_int32 inReservedA;           // 0
    csSDK_int32 inReservedB;           // 0
};
#pragma pack(pop)
static_assert(sizeof(ExportLoopRenderParams) == 36);
static_assert(offsetof(ExportLoopRenderParams, inStartTime) == 12);

// Called by the loop once per distinct frame, in order: frameNumber counts frames from the start
// time, repeatCount (at least 1) is how many consecutive frames the rendered frame stands for.
// The frame belongs to the host. A non-zero result ends the loop, which then returns it.
typedef prSuiteError (*ExportLoopFrameFunc)(csSDK_uint32 pass, csSDK_uint32 frameNumber,
                                            csSDK_uint32 repeatCount, PPixHand renderedFrame,
                                            void* callbackData);

struct PrSDKExporterUtilitySuite {
    // 1: renders the range frame by frame and calls back for each; returns once all frames of
    // every pass were delivered or a callback failed.
    prSuiteError (*doMultiPassExportLoop)(csSDK_uint32 pluginID,
                                          const ExportLoopRenderParams* renderParams,
                                          csSDK_uint32 numberOfPasses, ExportLoopFrameFunc callback,
                                          void* callbackData);
    // 2: progress for a frame written again without rendering; count is the repeat's index.
    prSuiteError (*reportRepeatedFrameProgress)(csSDK_uint32 pluginID, csSDK_uint32 count);
    // 3: shows an event of the export to the user (texts 0-terminated UTF-16).
    prSuiteError (*reportEvent)(csSDK_uint32 pluginID, csSDK_int32 eventType,
                                const prUTF16Char* title, const prUTF16Char* description);
};

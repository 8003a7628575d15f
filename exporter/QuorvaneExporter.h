// The exporter's per-instance object: what the host keeps as an instance's private data from
// exSelBeginInstance to exSelEndInstance. It holds the host's basic suite and one wrapper per host
// suite the exporter may use; every handler of an instance reaches the host through it.
#pragma once

#include "host/SuiteWrapper.h"
#include "sdk/PrSDKAudioSuite.h"
#include "sdk/PrSDKErrorSuite.h"
#include "sdk/PrSDKExport.h"
#include "sdk/PrSDKExportFileSuite.h"
#include "sdk/PrSDKExportInfoSuite.h"
#include "sdk/PrSDKExportParamSuite.h"
#include "sdk/PrSDKExporterUtilitySuite.h"
#include "sdk/PrSDKMemoryManagerSuite.h"
#include "sdk/PrSDKPPixSuite.h"
#include "sdk/PrSDKSequenceAudioSuite.h"
#include "sdk/PrSDKTimeSuite.h"
#include "sdk/PrSDKUnusedSuites.h"

struct ParamHelper;

class QuorvaneExporter {
public:
    // Sets the wrappers up unacquired, or, with acquireAll, acquires all fifteen at once (a refusal
    // is retried by the wrapper's first get()).
    QuorvaneExporter(exportStdParms* stdParms, bool acquireAll);
    // Releases what was acquired, Window first, Memory Manager last.
    ~QuorvaneExporter();

    QuorvaneExporter(const QuorvaneExporter&) = delete;
    QuorvaneExporter& operator=(const QuorvaneExporter&) = delete;

    // 0 when the standard parameters gave a basic suite, else exportReturn_ErrMemory.
    int exSDKBeginInstance(exExporterInstanceRec* rec);
    int exSDKEndInstance(exExporterInstanceRec* rec);

    // Parameters (ExportParams.cpp).
    int exSDKGenerateDefaultParams(exGenerateDefaultParamRec* rec);
    int exSDKPostProcessParams(exPostProcessParamsRec* rec);
    int exSDKValidateParamChanged(exParamChangedRec* rec);
    int exSDKGetParamSummary(exParamSummaryRec* rec);
    int exSDKParamButton(exParamButtonRec* rec);
    void initParamColorSpace(ParamHelper& params);
    void initParamRenderPixelFormat(ParamHelper& params);
    void initParamFormatRestrictions(ParamHelper& params);

    int exSDKQueryExportFileExtension(exQueryExportFileExtensionRec* rec);
    int exSDKQueryOutputSettings(exQueryOutputSettingsRec* rec);
    int exSDKValidateOutputSettings(exValidateOutputSettingsRec* rec);
    // One export job, built, run and destroyed within the call.
    int exSDKExport(exDoExportRec* rec);

    SPBasicSuite* basicSuite;
    // Declaration order is the acquisition order of the eager form and the reverse of release.
    SuiteWrapper<PrSDKMemoryManagerSuite> memoryManagerSuite;
    SuiteWrapper<PrSDKExportParamSuite> exportParamSuite;
    SuiteWrapper<PrSDKExportProgressSuite> exportProgressSuite;
    SuiteWrapper<PrSDKExportInfoSuite> exportInfoSuite;
    SuiteWrapper<PrSDKExportFileSuite> exportFileSuite;
    SuiteWrapper<PrSDKExporterUtilitySuite> exporterUtilitySuite;
    SuiteWrapper<PrSDKErrorSuite3> errorSuite;
    SuiteWrapper<PrSDKClipRenderSuite> clipRenderSuite;
    SuiteWrapper<PrSDKMarkerSuite> markerSuite;
    SuiteWrapper<PrSDKPPixSuite> ppixSuite;
    SuiteWrapper<PrSDKTimeSuite> timeSuite;
    SuiteWrapper<PrSDKAudioSuite> audioSuite;
    SuiteWrapper<PrSDKSequenceAudioSuite1> sequenceAudioSuite;
    SuiteWrapper<PrSDKSequenceRenderSuite> sequenceRenderSuite;
    SuiteWrapper<PrSDKWindowSuite> windowSuite;
};

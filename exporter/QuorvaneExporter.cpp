#include "exporter/QuorvaneExporter.h"

#include <cstddef>

#include "exporter/ExportParams.h"
#include "exporter/Exporter.h"
#include "exporter/RecordText.h"

namespace {

SPBasicSuite* basicOf(exportStdParms* stdParms)
{
    if (stdParms == nullptr || stdParms->getSPBasicSuite == nullptr)
        return nullptr;
    return stdParms->getSPBasicSuite();
}

} // namespace

QuorvaneExporter::QuorvaneExporter(exportStdParms* stdParms, bool acquireAll)
    : basicSuite(basicOf(stdParms)),
      memoryManagerSuite(basicSuite, kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion, acquireAll),
      exportParamSuite(basicSuite, kPrSDKExportParamSuite, kPrSDKExportParamSuiteVersion, acquireAll),
      exportProgressSuite(basicSuite, kPrSDKExportProgressSuite, kPrSDKExportProgressSuiteVersion, acquireAll),
      exportInfoSuite(basicSuite, kPrSDKExportInfoSuite, kPrSDKExportInfoSuiteVersion, acquireAll),
      exportFileSuite(basicSuite, kPrSDKExportFileSuite, kPrSDKExportFileSuiteVersion, acquireAll),
      exporterUtilitySuite(basicSuite, kPrSDKExporterUtilitySuite, kPrSDKExporterUtilitySuiteVersion, acquireAll),
      errorSuite(basicSuite, kPrSDKErrorSuite, kPrSDKErrorSuiteVersion, acquireAll),
      clipRenderSuite(basicSuite, kPrSDKClipRenderSuite, kPrSDKClipRenderSuiteVersion, acquireAll),
      markerSuite(basicSuite, kPrSDKMarkerSuite, kPrSDKMarkerSuiteVersion, acquireAll),
      ppixSuite(basicSuite, kPrSDKPPixSuite, kPrSDKPPixSuiteVersion, acquireAll),
      timeSuite(basicSuite, kPrSDKTimeSuite, kPrSDKTimeSuiteVersion, acquireAll),
      audioSuite(basicSuite, kPrSDKAudioSuite, kPrSDKAudioSuiteVersion, acquireAll),
      sequenceAudioSuite(basicSuite, kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion, acquireAll),
      sequenceRenderSuite(basicSuite, kPrSDKSequenceRenderSuite, kPrSDKSequenceRenderSuiteVersion, acquireAll),
      windowSuite(basicSuite, kPrSDKWindowSuite, kPrSDKWindowSuiteVersion, acquireAll)
{
}

// The members release themselves in reverse declaration order.
QuorvaneExporter::~QuorvaneExporter() = default;

int QuorvaneExporter::exSDKBeginInstance(exExporterInstanceRec*)
{
    return basicSuite != nullptr ? exportReturn_ErrNone : exportReturn_ErrMemory;
}

int QuorvaneExporter::exSDKEndInstance(exExporterInstanceRec*) { return exportReturn_ErrNone; }

int QuorvaneExporter::exSDKQueryExportFileExtension(exQueryExportFileExtensionRec* rec)
{
    exporter::writeWideLiteralField(reinterpret_cast<unsigned char*>(rec) +
                                        offsetof(exQueryExportFileExtensionRec, outFileExtension),
                                    L"avi", kPrExportTextSize);
    return exportReturn_ErrNone;
}

int QuorvaneExporter::exSDKQueryOutputSettings(exQueryOutputSettingsRec* rec)
{
    using exporter::loadField;
    using exporter::storeField;
    const auto pluginID = loadField<csSDK_uint32>(rec, offsetof(exQueryOutputSettingsRec, exporterPluginID));
    const auto group = loadField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, inMultiGroupIndex));
    ParamHelper params(exportParamSuite.get(), pluginID, group);

    if (loadField<prBool>(rec, offsetof(exQueryOutputSettingsRec, inExportVideo)) != 0) {
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outVideoWidth), params.getInt(ADBEVideoWidth));
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outVideoHeight), params.getInt(ADBEVideoHeight));
        storeField<PrTime>(rec, offsetof(exQueryOutputSettingsRec, outVideoFrameRate), params.getTime(ADBEVideoFPS));
        const exRatioValue aspect = params.getRatio(ADBEVideoAspect);
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outVideoAspectNum), aspect.numerator);
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outVideoAspectDen), aspect.denominator);
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outVideoFieldType),
                                params.getInt(ADBEVideoFieldType));
    }
    if (loadField<prBool>(rec, offsetof(exQueryOutputSettingsRec, inExportAudio)) != 0) {
        storeField<double>(rec, offsetof(exQueryOutputSettingsRec, outAudioSampleRate),
                           params.getFloat(ADBEAudioRatePerSecond));
        // The job always asks the host for float samples and converts them itself.
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outAudioSampleType),
                                kPrAudioSampleType_32BitFloat);
        storeField<csSDK_int32>(rec, offsetof(exQueryOutputSettingsRec, outAudioChannelType),
                                params.getInt(ADBEAudioNumChannels));
    }
    storeField<csSDK_uint32>(rec, offsetof(exQueryOutputSettingsRec, outBitratePerSecond), 0);
    return exportReturn_ErrNone;
}

int QuorvaneExporter::exSDKValidateOutputSettings(exValidateOutputSettingsRec*) { return exportReturn_ErrNone; }

int QuorvaneExporter::exSDKExport(exDoExportRec* rec)
{
    Exporter job(this, rec);
    return job.doExport();
}

// The exporter plug-in's one exported function and the handlers that need no exporter instance.
// Everything the host calls goes through xSDKExport: every call is logged with the selector's and
// the result's names, and no exception leaves it.
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "exporter/QuorvaneExporter.h"
#include "exporter/RecordText.h"
#include "host/FormatTables.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/ModuleInit.h"
#include "host/TextUtil.h"

QUORVANE_DEFINE_MODULE(kExporterLogBaseName);

namespace {

SPBasicSuite* basicOf(exportStdParms* stdParms)
{
    if (stdParms == nullptr || stdParms->getSPBasicSuite == nullptr)
        return nullptr;
    return stdParms->getSPBasicSuite();
}

template <typename Record>
Record* recordOf(void* param, const char* what)
{
    if (param == nullptr)
        throw std::logic_error(std::string("no ") + what + " record");
    return static_cast<Record*>(param);
}

// The instance in a handler record: the pointer right after the 32-bit plug-in id.
QuorvaneExporter& instanceOf(void* param)
{
    if (param == nullptr)
        throw std::logic_error("no instance record");
    auto* instance = exporter::loadField<QuorvaneExporter*>(param, offsetof(exGenerateDefaultParamRec, privateData));
    if (instance == nullptr)
        throw std::logic_error("no instance");
    return *instance;
}

void releaseErrorSuiteHolder() { g_errorSuitePtr.reset(); }

int exSDKStartup(exportStdParms* stdParms, exExporterInfoRec* info)
{
    SPBasicSuite* basic = basicOf(stdParms);
    auto holder = std::make_unique<SuiteWrapper<PrSDKErrorSuite3>>(basic, kPrSDKErrorSuite, kPrSDKErrorSuiteVersion, true);
    g_errorSuitePtr.swap(holder);
    holder.reset(); // an earlier startup's suite goes back now

    InitSubTypeAndFormatInfos(basic);
    LogFormatInfos(basic);

    using exporter::storeField;
    storeField<csSDK_uint32>(info, offsetof(exExporterInfoRec, fileType), PrFourCCHighFirst('A', 'V', 'I', 'V'));
    exporter::writeWideLiteralField(reinterpret_cast<unsigned char*>(info) + offsetof(exExporterInfoRec, fileTypeName),
                                    L"Quorvane AVI", kPrExportTextSize);
    exporter::writeWideLiteralField(reinterpret_cast<unsigned char*>(info) +
                                        offsetof(exExporterInfoRec, fileTypeDefaultExtension),
                                    L"avi", kPrExportTextSize);
    storeField<csSDK_uint32>(info, offsetof(exExporterInfoRec, classID), PrFourCCHighFirst('Q', 'O', 'R', 'V'));
    storeField<csSDK_int32>(info, offsetof(exExporterInfoRec, exportReqIndex), 0);
    storeField<prBool>(info, offsetof(exExporterInfoRec, wantsNoProgressBar), 0);
    storeField<prBool>(info, offsetof(exExporterInfoRec, hideInUI), 0);
    storeField<prBool>(info, offsetof(exExporterInfoRec, doesNotSupportAudioOnly), 1);
    storeField<prBool>(info, offsetof(exExporterInfoRec, canExportVideo), 1);
    storeField<prBool>(info, offsetof(exExporterInfoRec, canExportAudio), 1);
    storeField<csSDK_int32>(info, offsetof(exExporterInfoRec, interfaceVersion), 6);
    return exportReturn_ErrNone;
}

int exSDKBeginInstance(exportStdParms* stdParms, exExporterInstanceRec* rec)
{
    auto* instance = new QuorvaneExporter(stdParms, false);
    exporter::storeField(rec, offsetof(exExporterInstanceRec, privateData), instance);
    return instance->exSDKBeginInstance(rec);
}

int exSDKEndInstance(exExporterInstanceRec* rec)
{
    auto* instance = exporter::loadField<QuorvaneExporter*>(rec, offsetof(exExporterInstanceRec, privateData));
    if (instance != nullptr) {
        delete instance;
        exporter::storeField<QuorvaneExporter*>(rec, offsetof(exExporterInstanceRec, privateData), nullptr);
    }
    return exportReturn_ErrNone;
}

int dispatch(csSDK_int32 selector, exportStdParms* stdParms, void* param1)
{
    switch (selector) {
    case exSelStartup:
        return exSDKStartup(stdParms, recordOf<exExporterInfoRec>(param1, "exporter info"));
    case exSelShutdown:
        releaseErrorSuiteHolder();
        return exportReturn_ErrNone;
    case exSelBeginInstance:
        return exSDKBeginInstance(stdParms, recordOf<exExporterInstanceRec>(param1, "instance"));
    case exSelGenerateDefaultParams:
        return instanceOf(param1).exSDKGenerateDefaultParams(static_cast<exGenerateDefaultParamRec*>(param1));
    case exSelPostProcessParams:
        return instanceOf(param1).exSDKPostProcessParams(static_cast<exPostProcessParamsRec*>(param1));
    case exSelValidateParamChanged:
        return instanceOf(param1).exSDKValidateParamChanged(static_cast<exParamChangedRec*>(param1));
    case exSelGetParamSummary:
        return instanceOf(param1).exSDKGetParamSummary(static_cast<exParamSummaryRec*>(param1));
    case exSelParamButton:
        return instanceOf(param1).exSDKParamButton(static_cast<exParamButtonRec*>(param1));
    case exSelEndInstance:
        return exSDKEndInstance(recordOf<exExporterInstanceRec>(param1, "instance"));
    case exSelExport:
        return instanceOf(param1).exSDKExport(static_cast<exDoExportRec*>(param1));
    case exSelQueryExportFileExtension:
        return instanceOf(param1).exSDKQueryExportFileExtension(static_cast<exQueryExportFileExtensionRec*>(param1));
    case exSelQueryOutputSettings:
        return instanceOf(param1).exSDKQueryOutputSettings(static_cast<exQueryOutputSettingsRec*>(param1));
    case exSelValidateOutputSettings:
        return instanceOf(param1).exSDKValidateOutputSettings(static_cast<exValidateOutputSettingsRec*>(param1));
    default:
        return exportReturn_Unsupported;
    }
}

csSDK_int32 xSDKExportInternal(csSDK_int32 selector, exportStdParms* stdParms, void* param1, void*)
{
    static constexpr EntryNames kNames{GetExportSelectorName, GetExportReturnValueName,
                                       "QuorvaneExporter: Internal error"};
    return GuardedEntry(kNames, selector, [&] { return dispatch(selector, stdParms, param1); });
}

} // namespace

PR_PLUGIN_EXPORT csSDK_int32 xSDKExport(csSDK_int32 selector, exportStdParms* stdParms, void* param1, void* param2)
{
    return xSDKExportInternal(selector, stdParms, param1, param2);
}

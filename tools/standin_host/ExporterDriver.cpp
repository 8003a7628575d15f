#include "tools/standin_host/ExporterDriver.h"

#include <cstring>

#include "fakehost/FakeHostState.h"

namespace standin {

ExporterDriver::ExporterDriver(StandinHost& host, const std::string& modulePath)
    : m_host(host), m_module(modulePath)
{
    m_entry = reinterpret_cast<PrExportEntryFunc>(m_module.symbol(kPrExportEntryName));
}

ExporterDriver::~ExporterDriver()
{
    if (m_instance && m_module.loaded())
        endInstance();
}

csSDK_int32 ExporterDriver::call(csSDK_int32 selector, void* param1, void* param2)
{
    return callWith(m_host.exporterStdParms(), selector, param1, param2);
}

csSDK_int32 ExporterDriver::callWith(exportStdParms* stdParms, csSDK_int32 selector, void* param1, void* param2)
{
    return m_entry(selector, stdParms, param1, param2);
}

template <typename Record>
Record ExporterDriver::headed()
{
    Record rec;
    std::memset(&rec, 0, sizeof rec);
    rec.exporterPluginID = m_pluginID;
    std::memcpy(reinterpret_cast<unsigned char*>(&rec) + offsetof(Record, privateData), &m_privateData,
                sizeof m_privateData);
    return rec;
}

csSDK_int32 ExporterDriver::startup(exExporterInfoRec* info)
{
    exExporterInfoRec own;
    std::memset(&own, 0xA5, sizeof own);
    return call(exSelStartup, info != nullptr ? info : &own);
}

csSDK_int32 ExporterDriver::shutdown() { return call(exSelShutdown, nullptr); }

csSDK_int32 ExporterDriver::beginInstance()
{
    exExporterInstanceRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.exporterPluginID = m_pluginID;
    rec.fileType = PrFourCCHighFirst('A', 'V', 'I', 'V');
    const csSDK_int32 result = call(exSelBeginInstance, &rec);
    std::memcpy(&m_privateData, reinterpret_cast<unsigned char*>(&rec) + offsetof(exExporterInstanceRec, privateData),
                sizeof m_privateData);
    m_instance = m_privateData != nullptr;
    return result;
}

csSDK_int32 ExporterDriver::endInstance()
{
    exExporterInstanceRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.exporterPluginID = m_pluginID;
    std::memcpy(reinterpret_cast<unsigned char*>(&rec) + offsetof(exExporterInstanceRec, privateData), &m_privateData,
                sizeof m_privateData);
    const csSDK_int32 result = call(exSelEndInstance, &rec);
    std::memcpy(&m_privateData, reinterpret_cast<unsigned char*>(&rec) + offsetof(exExporterInstanceRec, privateData),
                sizeof m_privateData);
    m_instance = false;
    return result;
}

csSDK_int32 ExporterDriver::generateDefaultParams()
{
    auto rec = headed<exGenerateDefaultParamRec>();
    return call(exSelGenerateDefaultParams, &rec);
}

csSDK_int32 ExporterDriver::postProcessParams()
{
    auto rec = headed<exPostProcessParamsRec>();
    return call(exSelPostProcessParams, &rec);
}

csSDK_int32 ExporterDriver::paramChanged(const std::string& key, csSDK_int32 multiGroupIndex)
{
    auto rec = headed<exParamChangedRec>();
    rec.multiGroupIndex = multiGroupIndex;
    std::strncpy(rec.changedParamIdentifier, key.c_str(), sizeof rec.changedParamIdentifier - 1);
    return call(exSelValidateParamChanged, &rec);
}

csSDK_int32 ExporterDriver::paramSummary(exParamSummaryRec& summary)
{
    summary = headed<exParamSummaryRec>();
    summary.exportVideo = 1;
    summary.exportAudio = 1;
    return call(exSelGetParamSummary, &summary);
}

csSDK_int32 ExporterDriver::queryOutputSettings(exQueryOutputSettingsRec& rec, bool video, bool audio)
{
    rec = headed<exQueryOutputSettingsRec>();
    rec.inMultiGroupIndex = 0;
    rec.inExportVideo = video ? 1 : 0;
    rec.inExportAudio = audio ? 1 : 0;
    return call(exSelQueryOutputSettings, &rec);
}

csSDK_int32 ExporterDriver::queryFileExtension(std::string& extension)
{
    auto rec = headed<exQueryExportFileExtensionRec>();
    const csSDK_int32 result = call(exSelQueryExportFileExtension, &rec);
    prUTF16Char units[kPrExportTextSize];
    std::memcpy(units, reinterpret_cast<unsigned char*>(&rec) + offsetof(exQueryExportFileExtensionRec, outFileExtension),
                sizeof units);
    units[kPrExportTextSize - 1] = 0;
    extension = fakehost::utf16ToUtf8(units);
    return result;
}

csSDK_int32 ExporterDriver::validateOutputSettings()
{
    auto rec = headed<exValidateOutputSettingsRec>();
    return call(exSelValidateOutputSettings, &rec);
}

csSDK_int32 ExporterDriver::exportRange(const Export& job)
{
    auto rec = headed<exDoExportRec>();
    rec.fileType = PrFourCCHighFirst('A', 'V', 'I', 'V');
    rec.fileObject = job.fileObject;
    rec.startTime = job.startTime;
    rec.endTime = job.endTime;
    rec.exportAudio = job.audio ? 1 : 0;
    rec.exportVideo = job.video ? 1 : 0;
    rec.maximumRenderQuality = job.maximumRenderQuality ? 1 : 0;
    return call(exSelExport, &rec);
}

csSDK_int32 ExporterDriver::openDialog()
{
    for (auto step : {&ExporterDriver::beginInstance, &ExporterDriver::generateDefaultParams,
                      &ExporterDriver::postProcessParams}) {
        const csSDK_int32 result = (this->*step)();
        if (result != 0)
            return result;
    }
    return 0;
}

csSDK_int32 ExporterDriver::finish()
{
    const csSDK_int32 ended = m_instance ? endInstance() : 0;
    const csSDK_int32 shut = shutdown();
    return ended != 0 ? ended : shut;
}

void ExporterDriver::unload() { m_module.unload(); }

} // namespace standin

// The editor's side of the exporter selectors: loads an exporter module, and builds and hands over
// the record of each selector the way the editor does (the instance's private data copied into
// every record after exSelBeginInstance).
#pragma once

#include <string>

#include "sdk/PrSDKExport.h"
#include "tools/standin_host/PluginModule.h"
#include "tools/standin_host/StandinHost.h"

namespace standin {

class ExporterDriver {
public:
    ExporterDriver(StandinHost& host, const std::string& modulePath);
    ~ExporterDriver(); // ends a begun instance; unloads the module

    // The raw entry call with the host's standard parameters.
    csSDK_int32 call(csSDK_int32 selector, void* param1, void* param2 = nullptr);
    csSDK_int32 callWith(exportStdParms* stdParms, csSDK_int32 selector, void* param1, void* param2 = nullptr);

    csSDK_int32 startup(exExporterInfoRec* info = nullptr); // a record filled with 0xA5 when none given
    csSDK_int32 shutdown();
    csSDK_int32 beginInstance();
    csSDK_int32 endInstance();
    csSDK_int32 generateDefaultParams();
    csSDK_int32 postProcessParams();
    csSDK_int32 paramChanged(const std::string& key, csSDK_int32 multiGroupIndex = 0);
    csSDK_int32 paramSummary(exParamSummaryRec& summary);
    csSDK_int32 queryOutputSettings(exQueryOutputSettingsRec& rec, bool video, bool audio);
    csSDK_int32 queryFileExtension(std::string& extension);
    csSDK_int32 validateOutputSettings();

    struct Export {
        csSDK_uint32 fileObject = 0;
        PrTime startTime = 0;
        PrTime endTime = 0;
        bool audio = true;
        bool video = true;
        bool maximumRenderQuality = true;
    };
    csSDK_int32 exportRange(const Export& job);

    // Begin instance, default and post-processed parameters: the editor opening the
    // export dialog. Returns the first non-zero result, or 0.
    csSDK_int32 openDialog();

    // The editor closing the dialog and quitting: ends a begun instance, then shuts down.
    csSDK_int32 finish();
    void unload(); // dlclose: the module's static destructors run
    PluginModule& module() { return m_module; }
    csSDK_uint32 pluginID() const { return m_pluginID; }
    void* privateData() const { return m_privateData; }

private:
    template <typename Record>
    Record headed();

    StandinHost& m_host;
    PluginModule m_module;
    PrExportEntryFunc m_entry = nullptr;
    csSDK_uint32 m_pluginID = 1;
    void* m_privateData = nullptr;
    bool m_instance = false;
};

} // namespace standin

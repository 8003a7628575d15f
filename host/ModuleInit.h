// Load-time globals of a plug-in: the module object that names the log after the deliverable and
// closes it at unload, and the holder of the host's error suite.
//
// A deliverable defines both in one of its own source files with QUORVANE_DEFINE_MODULE, in this
// order: statics of one file are destroyed in reverse, so the error suite is released (and its
// release logged) before the module object closes the log.
#pragma once

#include <memory>

#include "host/SuiteWrapper.h"
#include "sdk/PrSDKErrorSuite.h"

class ModuleInit {
public:
    explicit ModuleInit(const char* baseName);
    ~ModuleInit();

    ModuleInit(const ModuleInit&) = delete;
    ModuleInit& operator=(const ModuleInit&) = delete;
};

// Empty from load until the startup selector fills it; emptied at shutdown.
extern std::unique_ptr<SuiteWrapper<PrSDKErrorSuite3>> g_errorSuitePtr;

#define QUORVANE_DEFINE_MODULE(baseName)                                   \
    static ModuleInit s_quorvaneModuleInit(baseName);                      \
    std::unique_ptr<SuiteWrapper<PrSDKErrorSuite3>> g_errorSuitePtr

inline constexpr const char* kExporterLogBaseName = "quorvane_pr_exporter";
inline constexpr const char* kImporterLogBaseName = "quorvane_pr_importer";

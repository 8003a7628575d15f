// Load-time globals of a plug-in: the module object that names the log after the deliverable and
// closes it at unload, and the holder of the host's error suite.
//
// A deliverable defines both in one of its own source files with QUORVANE_DEFINE_MODULE, in this
// order: statics of one file are destroyed in reverse, so the error suite is released (and its
// release logged) before the module object closes the log.
#pragma once

#include <exception>
#include <memory>

#include "host/Logger.h"
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

// The fatal net of a plug-in's exported function. GuardedEntry logs the selector by name, runs
// `dispatch` and logs its result by name; an exception never reaches the host: it is logged and
// reported through the host's error suite under the plug-in's title, and the call answers
// kFatalEntryResult.
struct EntryNames {
    const char* (*selector)(int);
    const char* (*result)(int);
    const char* errorTitle; // "<plug-in>: Internal error"
};
inline constexpr int kFatalEntryResult = 99;

// Turns logging on at the first call into the plug-in (after the host has set the switches).
void InitLoggingOnce();
// The report of the fatal net. It runs inside a catch handler on the way back into the host, so
// nothing may escape it: a refused error suite or a failed allocation only loses the report.
void ReportFatal(const EntryNames& names, int selector, const char* what) noexcept;

template <class Dispatch>
int GuardedEntry(const EntryNames& names, int selector, Dispatch&& dispatch) noexcept
{
    try {
        InitLoggingOnce();
        Logger::Log("----------------------");
        Logger::Log("[%s] (%d)", names.selector(selector), selector);
        const int result = dispatch();
        Logger::Log("    [%s] (%d)", names.result(result), result);
        return result;
    } catch (const std::exception& e) {
        ReportFatal(names, selector, e.what());
    } catch (...) {
        ReportFatal(names, selector, "unknown exception");
    }
    return kFatalEntryResult;
}

#include "host/ModuleInit.h"

#include "host/Logger.h"
#include "host/TextUtil.h"

#include <string>

ModuleInit::ModuleInit(const char* baseName)
{
    Logger::SetBaseName(baseName);
    Logger::Config& config = Logger::Config::Get();
    config.enabled.store(g_enableLog, std::memory_order_relaxed);
    config.console = g_enableLogConsole;
    Logger::Log("Module init");
}

ModuleInit::~ModuleInit()
{
    Logger::Log("Module destroy");
    // Statics destroyed after this one may still log; with logging off they cannot bring the
    // logger back as a new file that nobody closes.
    Logger::Config::Get().enabled.store(false, std::memory_order_relaxed);
    Logger::Delete();
}

namespace {
bool s_logInitialized = false;
} // namespace

void InitLoggingOnce()
{
    if (!s_logInitialized) {
        InitLogging();
        s_logInitialized = true;
    }
}

void ReportFatal(const EntryNames& names, int selector, const char* what) noexcept
{
    try {
        const std::string text =
            strprintf("FATAL: Unhandled exception during [%s] (%d): %s", names.selector(selector), selector, what);
        Logger::Log("%s", text.c_str());
        if (g_errorSuitePtr) {
            const Utf16String title = utf8_to_utf16(names.errorTitle);
            const Utf16String message = utf8_to_utf16(text);
            g_errorSuitePtr->get()->reportEvent(prEventError, title.c_str(), message.c_str());
        }
    } catch (...) {
    }
}

#include "host/ModuleInit.h"

#include "host/Logger.h"

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

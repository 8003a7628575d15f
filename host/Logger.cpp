#include "host/Logger.h"

#include <pthread.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fstream>

bool g_enableLog = false;
bool g_enableLogConsole = false;

namespace {

std::string formatLocalTime(const char* pattern)
{
    const auto clock = Logger::Config::Get().clock;
    const std::time_t now = clock != nullptr ? clock() : std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, pattern, &parts);
    return std::string(text, n);
}

} // namespace

Logger::Config& Logger::Config::Get()
{
    static Config* config = new Config;
    return *config;
}

std::string GetUserFolder()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == 0)
        return std::string();
    return std::string(home) + "/" + kUserFolder;
}

void InitLogging()
{
    const std::string folder = GetUserFolder();
    if (folder.empty())
        return;
    std::ifstream in(folder + "/" + kLogSwitchFile);
    if (!in)
        return;
    int value = 0;
    if (!(in >> value))
        value = 0; // "abc", an empty file and an out-of-range number all count as 0
    if (value != 0)
        Logger::Config::Get().enabled.store(true, std::memory_order_relaxed);
}

Logger::Logger()
{
    Config& config = Config::Get();
    const std::string stem = config.baseName + "_" + formatLocalTime("%Y%m%d_%H%M%S");
    const std::string folder = GetUserFolder();
    if (!folder.empty()) {
        const std::string logs = folder + "/logs";
        ::mkdir(folder.c_str(), 0755);
        ::mkdir(logs.c_str(), 0755);
        for (int n = 0; n <= 999 && m_file == nullptr; ++n) {
            char number[16];
            std::snprintf(number, sizeof number, "%02d", n);
            const std::string path = logs + "/" + stem + "_" + number + ".log";
            if (FILE* existing = std::fopen(path.c_str(), "r")) {
                std::fclose(existing);
                continue;
            }
            // Exclusive create: a second process that picked the same name a moment earlier keeps
            // its file, and this one moves on to the next number.
            m_file = std::fopen(path.c_str(), "wx");
            if (m_file != nullptr)
                m_path = path;
        }
        if (m_file != nullptr)
            std::setvbuf(m_file, nullptr, _IONBF, 0);
    }
    m_console = config.console;
    log("Log opened");
}

Logger::~Logger()
{
    if (m_file != nullptr)
        std::fclose(m_file);
}

void Logger::Log(const char* format, ...)
{
    if (!Config::Get().enabled.load(std::memory_order_relaxed))
        return;
    va_list args;
    va_start(args, format);
    Get()->logv(format, args);
    va_end(args);
}

void Logger::log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    logv(format, args);
    va_end(args);
}

void Logger::logv(const char* format, va_list args)
{
    std::lock_guard<std::mutex> lock(m_mutex);

    const std::string when = formatLocalTime("%Y-%m-%d %H:%M:%S");
    char thread[32];
    std::snprintf(thread, sizeof thread, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(
                      reinterpret_cast<void*>(pthread_self()))));

    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);

    std::string line;
    line.reserve((length > 0 ? std::size_t(length) : 0) + 128);
    line += "[";
    line += when;
    line += "] [";
    line += thread;
    line += "] ";
    if (length > 0) {
        const std::size_t start = line.size();
        line.resize(start + std::size_t(length) + 1);
        std::vsnprintf(&line[start], std::size_t(length) + 1, format, args);
        line.resize(start + std::size_t(length));
    }
    line += "\n";

    if (m_console)
        std::fputs(line.c_str(), stdout);
    if (m_file != nullptr)
        std::fputs(line.c_str(), m_file);
}

Logger* Logger::Get()
{
    Config& config = Config::Get();
    Logger* logger = config.instance.load(std::memory_order_acquire);
    if (logger != nullptr)
        return logger;
    std::lock_guard<std::mutex> lock(config.lifecycle);
    logger = config.instance.load(std::memory_order_relaxed);
    if (logger == nullptr) {
        logger = new Logger;
        config.instance.store(logger, std::memory_order_release);
    }
    return logger;
}

void Logger::Delete()
{
    Config& config = Config::Get();
    std::lock_guard<std::mutex> lock(config.lifecycle);
    Logger* logger = config.instance.exchange(nullptr, std::memory_order_acq_rel);
    if (logger == nullptr)
        return;
    logger->log("Log closed");
    delete logger;
}

void Logger::SetBaseName(const char* name)
{
    Config::Get().baseName = name != nullptr ? name : "";
}

// The plug-ins' diagnostic log: one file per plug-in and process start, in the per-user folder,
// written only when the switch file there says so. Logger::Log is safe to call from any thread and
// costs one flag test while logging is off.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#define QV_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))

// Defaults copied into the configuration when a plug-in is loaded (ModuleInit).
extern bool g_enableLog;
extern bool g_enableLogConsole;

// Fixed names under $HOME.
inline constexpr const char* kUserFolder = "Library/Preferences/Quorvane";
inline constexpr const char* kLogSwitchFile = "EnableAdobeLog.cfg";

class Logger {
public:
    // The process-wide configuration. It is never destroyed, so a static destroyed late at unload
    // can still ask whether logging is on.
    struct Config {
        std::atomic<bool> enabled{false};     // lines are written only when set
        std::atomic<Logger*> instance{nullptr};
        std::string baseName = "quorvane_pr"; // first part of the log file name
        bool console = false;                 // lines also go to standard output
        // The time the log file name and the line stamps show; null reads the system clock.
        // Tests set it to choose the name a new logger picks.
        std::time_t (*clock)() = nullptr;
        std::mutex lifecycle;                 // creation and deletion of the instance

        static Config& Get();
    };

    // Writes one line when logging is on; otherwise returns at once.
    static void Log(const char* format, ...) QV_PRINTF_FORMAT(1, 2);
    // Writes one line whatever the switch says (the logger's own open and close lines).
    void log(const char* format, ...) QV_PRINTF_FORMAT(2, 3);
    void logv(const char* format, va_list args) QV_PRINTF_FORMAT(2, 0);

    // The logger, made (folders, file, "Log opened") on first use; one instance however many
    // threads ask at once.
    static Logger* Get();
    // Writes "Log closed", closes the file and destroys the logger; a later Get makes a new one.
    static void Delete();
    static void SetBaseName(const char* name);

    // Path of the open log file, empty when lines go nowhere but standard output.
    const std::string& path() const { return m_path; }

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    Logger();
    ~Logger();

    FILE* m_file = nullptr;
    bool m_console = false;
    std::mutex m_mutex; // one line at a time
    std::string m_path;
};

// $HOME/Library/Preferences/Quorvane, or empty when HOME is unset or empty.
std::string GetUserFolder();

// Reads the switch file once: a non-zero integer in it turns logging on. Nothing is ever turned
// off here, and a missing HOME or file leaves logging as it was.
void InitLogging();

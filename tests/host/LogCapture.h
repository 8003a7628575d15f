// Test helpers for the process-wide logger: a temporary HOME, and a capture that switches logging
// on into a fresh log file and hands back its lines without the time and thread prefix.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/Logger.h"

namespace qtest {

class TempHome {
public:
    TempHome()
    {
        char pattern[] = "/tmp/quorvane_home_XXXXXX";
        m_dir = ::mkdtemp(pattern);
        const char* old = std::getenv("HOME");
        m_hadHome = old != nullptr;
        if (m_hadHome)
            m_oldHome = old;
        ::setenv("HOME", m_dir.c_str(), 1);
    }
    ~TempHome()
    {
        if (m_hadHome)
            ::setenv("HOME", m_oldHome.c_str(), 1);
        else
            ::unsetenv("HOME");
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    const std::string& dir() const { return m_dir; }
    std::string userFolder() const { return m_dir + "/Library/Preferences/Quorvane"; }
    void writeSwitch(const std::string& text) const
    {
        std::filesystem::create_directories(userFolder());
        std::ofstream(userFolder() + "/EnableAdobeLog.cfg") << text;
    }

private:
    std::string m_dir;
    std::string m_oldHome;
    bool m_hadHome = false;
};

// Logging off, no logger: the state every test starts and ends in.
inline void resetLogging()
{
    Logger::Config::Get().enabled.store(false);
    Logger::Delete();
}

inline std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The message part of a log line: what follows "[date time] [0x...] ".
inline std::string messageOf(const std::string& line)
{
    const std::size_t second = line.find("] ", line.find("] ") + 2);
    return second == std::string::npos ? line : line.substr(second + 2);
}

class LogCapture {
public:
    LogCapture()
    {
        resetLogging();
        m_home.writeSwitch("1");
        Logger::Config::Get().enabled.store(true);
        m_path = Logger::Get()->path();
    }
    ~LogCapture() { resetLogging(); }

    // Messages written so far, "Log opened" included.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> out;
        for (const std::string& line : readLines(m_path))
            out.push_back(messageOf(line));
        return out;
    }
    const std::string& path() const { return m_path; }

private:
    TempHome m_home;
    std::string m_path;
};

} // namespace qtest

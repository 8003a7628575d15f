#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "LogCapture.h"
#include "TextPattern.h"
#include "host/Logger.h"
#include "host/ModuleInit.h"

namespace fs = std::filesystem;
using qtest::TempHome;

namespace {

class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override { qtest::resetLogging(); }
    void TearDown() override
    {
        qtest::resetLogging();
        Logger::Config::Get().console = false;
        Logger::Config::Get().clock = nullptr;
        Logger::SetBaseName("quorvane_pr_test");
    }
};

bool enabled() { return Logger::Config::Get().enabled.load(); }

// The time the logger sees, chosen by the test, so that names taken for one second are the ones
// the logger meets.
std::time_t g_now = 0;
std::time_t fixedNow() { return g_now; }
void setClock(std::time_t when)
{
    g_now = when;
    Logger::Config::Get().clock = &fixedNow;
}

std::string stemFor(std::time_t when)
{
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &parts);
    return Logger::Config::Get().baseName + "_" + text;
}

} // namespace

TEST_F(LoggerTest, SwitchFileDecidesWhetherLoggingIsOn)
{
    const struct {
        const char* text;
        bool on;
    } cases[] = {
        {"0", false}, {"abc", false}, {"", false}, {"0x10", false}, {"99999999999", false},
        {"1", true},  {"-1", true},   {"  7\n", true}, {"2 0", true},
    };
    for (const auto& c : cases) {
        TempHome home;
        home.writeSwitch(c.text);
        Logger::Config::Get().enabled.store(false);
        InitLogging();
        EXPECT_EQ(enabled(), c.on) << '"' << c.text << '"';
    }
    {
        TempHome home; // no switch file
        Logger::Config::Get().enabled.store(false);
        InitLogging();
        EXPECT_FALSE(enabled());
    }
    {
        TempHome home; // the file never turns logging off
        home.writeSwitch("0");
        Logger::Config::Get().enabled.store(true);
        InitLogging();
        EXPECT_TRUE(enabled());
    }
}

TEST_F(LoggerTest, UnsetOrEmptyHomeKeepsLoggingOffAndSafe)
{
    TempHome home;
    home.writeSwitch("1");
    ::unsetenv("HOME");
    InitLogging();
    EXPECT_FALSE(enabled());
    ::setenv("HOME", "", 1);
    InitLogging();
    EXPECT_FALSE(enabled());
    EXPECT_EQ(GetUserFolder(), "");

    // Switched on by other means, a logger without HOME writes nowhere and does not crash.
    Logger::Config::Get().enabled.store(true);
    Logger::Log("line %d without a home", 1);
    EXPECT_EQ(Logger::Get()->path(), "");
}

TEST_F(LoggerTest, VeryLongHomeIsHandledWithoutTruncation)
{
    TempHome home;
    std::string deep = home.dir();
    while (deep.size() < 700)
        deep += "/" + std::string(60, 'd');
    fs::create_directories(deep + "/Library/Preferences/Quorvane");
    std::ofstream(deep + "/Library/Preferences/Quorvane/EnableAdobeLog.cfg") << "1";
    ::setenv("HOME", deep.c_str(), 1);
    InitLogging();
    EXPECT_TRUE(enabled());
    Logger::Log("deep");
    const std::string path = Logger::Get()->path();
    EXPECT_EQ(path.rfind(deep + "/Library/Preferences/Quorvane/logs/", 0), 0u) << path;
    EXPECT_EQ(qtest::messageOf(qtest::readLines(path).back()), "deep");
}

TEST_F(LoggerTest, LineFormat)
{
    qtest::LogCapture capture;
    Logger::Log("plain text without arguments");
    Logger::Log("%s %d %05.1f", "args", -3, 2.25);
    const std::string longMessage(5000, 'L');
    Logger::Log("%s", longMessage.c_str());
    Logger::Log("%s", "");

    const std::vector<std::string> lines = qtest::readLines(capture.path());
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines)
        EXPECT_TRUE(qtest::matchesPattern(line, "[####-##-## ##:##:##] [0x@] ", false)) << line;
    EXPECT_EQ(qtest::messageOf(lines[0]), "Log opened");
    EXPECT_EQ(qtest::messageOf(lines[1]), "plain text without arguments");
    EXPECT_EQ(qtest::messageOf(lines[2]), "args -3 002.2");
    EXPECT_EQ(qtest::messageOf(lines[3]), longMessage);
    EXPECT_EQ(qtest::messageOf(lines[4]), "");

    // The file name is the base name, the start time and the first free number.
    const std::string name = fs::path(capture.path()).filename();
    EXPECT_TRUE(qtest::matchesPattern(name, "quorvane_pr_test_########_######_00.log")) << name;

    Logger::Delete();
    EXPECT_EQ(qtest::messageOf(qtest::readLines(capture.path()).back()), "Log closed");
}

TEST_F(LoggerTest, ConcurrentLinesStayWholeAndComplete)
{
    qtest::LogCapture capture;
    constexpr int kThreads = 8, kLines = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                Logger::Log("thread %d line %d %s", t, i, "payload-payload-payload-payload");
        });
    }
    for (std::thread& t : threads)
        t.join();

    std::set<std::pair<int, int>> seen;
    int other = 0;
    for (const std::string& message : capture.messages()) {
        int t = -1, i = -1;
        char tail[64] = {};
        if (std::sscanf(message.c_str(), "thread %d line %d %63s", &t, &i, tail) == 3) {
            EXPECT_STREQ(tail, "payload-payload-payload-payload") << message;
            EXPECT_TRUE(seen.insert({t, i}).second) << "duplicate " << message;
        } else {
            ++other;
        }
    }
    EXPECT_EQ(seen.size(), size_t(kThreads * kLines));
    EXPECT_EQ(other, 1) << "only \"Log opened\" besides the thread lines";
}

TEST_F(LoggerTest, FirstUseFromManyThreadsMakesOneLogger)
{
    TempHome home;
    home.writeSwitch("1");
    Logger::Config::Get().enabled.store(true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([] { Logger::Log("first"); });
    for (std::thread& t : threads)
        t.join();
    int files = 0;
    for (const auto& entry : fs::directory_iterator(home.userFolder() + "/logs"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
    const std::vector<std::string> lines = qtest::readLines(Logger::Get()->path());
    EXPECT_EQ(lines.size(), 9u);
}

TEST_F(LoggerTest, FileNumbersSkipNamesThatExist)
{
    TempHome home;
    home.writeSwitch("1");
    const std::string logs = home.userFolder() + "/logs/";
    fs::create_directories(logs);
    const std::time_t now = 1700000000;
    for (const char* number : {"00", "01", "02"})
        std::ofstream(logs + stemFor(now) + "_" + number + ".log") << "taken";
    setClock(now);
    Logger::Config::Get().enabled.store(true);
    const std::string first = Logger::Get()->path();
    EXPECT_EQ(first, logs + stemFor(now) + "_03.log");
    EXPECT_EQ(qtest::readLines(first).size(), 1u);

    // A second logger in the same second takes the next number; the earlier files are untouched.
    Logger::Delete();
    EXPECT_EQ(Logger::Get()->path(), logs + stemFor(now) + "_04.log");
    std::ifstream taken(logs + stemFor(now) + "_00.log");
    std::string text;
    taken >> text;
    EXPECT_EQ(text, "taken");

    // A second later the numbers start again.
    Logger::Delete();
    setClock(now + 1);
    EXPECT_EQ(Logger::Get()->path(), logs + stemFor(now + 1) + "_00.log");
}

TEST_F(LoggerTest, ANameThatAppearsMeanwhileIsNotOverwritten)
{
    // A dangling link looks free to the read probe; an exclusive create refuses it (and does not
    // follow it), so the logger moves on to the next number instead of writing through it.
    TempHome home;
    home.writeSwitch("1");
    fs::create_directories(home.userFolder() + "/logs");
    const std::string victim = home.dir() + "/victim.txt";
    const std::time_t now = 1700000000;
    fs::create_symlink(victim, home.userFolder() + "/logs/" + stemFor(now) + "_00.log");
    setClock(now);
    Logger::Config::Get().enabled.store(true);
    EXPECT_EQ(Logger::Get()->path(), home.userFolder() + "/logs/" + stemFor(now) + "_01.log");
    EXPECT_FALSE(fs::exists(victim));
}

TEST_F(LoggerTest, NoUsableFolderMeansNoFile)
{
    TempHome home;
    home.writeSwitch("1");
    std::ofstream(home.userFolder() + "/logs") << "a file where the folder should be";
    Logger::Config::Get().enabled.store(true);
    Logger::Log("goes nowhere");
    EXPECT_EQ(Logger::Get()->path(), "");
}

TEST_F(LoggerTest, NothingIsCreatedWhileLoggingIsOff)
{
    TempHome home;
    home.writeSwitch("0");
    InitLogging();
    for (int i = 0; i < 100; ++i)
        Logger::Log("dropped %d", i);
    {
        ModuleInit module("quorvane_pr_importer");
        Logger::Log("dropped too");
    }
    EXPECT_FALSE(fs::exists(home.userFolder() + "/logs"));
    EXPECT_EQ(Logger::Config::Get().instance.load(), nullptr);
}

TEST_F(LoggerTest, ModuleObjectNamesAndClosesTheLog)
{
    TempHome home;
    home.writeSwitch("1");
    std::string path;
    {
        ModuleInit module(kImporterLogBaseName);
        EXPECT_EQ(Logger::Config::Get().baseName, "quorvane_pr_importer");
        EXPECT_EQ(Logger::Config::Get().instance.load(), nullptr) << "\"Module init\" is dropped";
        InitLogging();
        Logger::Log("working");
        path = Logger::Get()->path();
    }
    std::vector<std::string> messages;
    for (const std::string& line : qtest::readLines(path))
        messages.push_back(qtest::messageOf(line));
    EXPECT_EQ(messages, (std::vector<std::string>{"Log opened", "working", "Module destroy", "Log closed"}));
    EXPECT_NE(fs::path(path).filename().string().find("quorvane_pr_importer_"), std::string::npos);

    // What logs after the module object is gone (a static destroyed later) cannot bring a new
    // log file into being.
    Logger::Log("too late");
    EXPECT_EQ(Logger::Config::Get().instance.load(), nullptr);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(home.userFolder() + "/logs"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(LoggerTest, ConsoleCopy)
{
    TempHome home;
    Logger::Config::Get().console = true;
    Logger::Config::Get().enabled.store(true);
    testing::internal::CaptureStdout();
    Logger::Log("to the console %d", 5);
    Logger::Delete();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("] to the console 5\n"), std::string::npos) << out;
    EXPECT_NE(out.find("] Log closed\n"), std::string::npos) << out;
}

#include "exporter_fixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qtest {

void ExporterTest::SetUp()
{
    char pattern[] = "/tmp/quorvane_exporter_XXXXXX";
    const char* dir = mkdtemp(pattern);
    ASSERT_NE(dir, nullptr);
    m_dir = dir;
    setenv("HOME", m_dir.c_str(), 1);
    host = std::make_unique<standin::StandinHost>();
    exporter = std::make_unique<standin::ExporterDriver>(*host, QUORVANE_PR_EXPORTER_PATH);
    describeSource(64, 48, kT / 30);
}

void ExporterTest::TearDown()
{
    exporter.reset();
    host.reset();
    std::string command = "rm -rf '" + m_dir + "'";
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << "could not remove " << m_dir;
}

void ExporterTest::enablePluginLog()
{
    const std::string folder = m_dir + "/Library/Preferences/Quorvane";
    std::string command = "mkdir -p '" + folder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ofstream(folder + "/EnableAdobeLog.cfg") << "1\n";
}

std::vector<std::string> ExporterTest::pluginLogLines()
{
    const std::string folder = m_dir + "/Library/Preferences/Quorvane/logs";
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            if (std::string(e->d_name).find("quorvane_pr_exporter_") == 0)
                names.push_back(e->d_name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> messages;
    for (const std::string& name : names) {
        for (const std::string& line : readLines(folder + "/" + name)) {
            // "[date time] [thread] message"
            const std::size_t second = line.find("] [");
            const std::size_t start = second == std::string::npos ? std::string::npos : line.find("] ", second + 3);
            messages.push_back(start == std::string::npos ? line : line.substr(start + 2));
        }
    }
    return messages;
}

void ExporterTest::describeSource(int width, int height, PrTime frameDuration, int channelType, double sampleRate)
{
    fakehost::FakeHost& fake = host->fake();
    fake.setSourceInt32(kExportInfo_VideoWidth, width);
    fake.setSourceInt32(kExportInfo_VideoHeight, height);
    fake.setSourceInt64(kExportInfo_VideoFrameRate, frameDuration);
    fake.setSourceInt32(kExportInfo_VideoFieldType, prFieldsNone);
    fake.setSourceInt32(kExportInfo_AudioChannelsType, channelType);
    fake.setSourceFloat64(kExportInfo_AudioSampleRate, sampleRate);
}

void ExporterTest::openDialog()
{
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->openDialog(), 0);
}

csSDK_uint32 ExporterTest::addOutput(const std::string& name)
{
    lastFileObject = host->outputs().add(outputPath(name));
    return lastFileObject;
}

csSDK_int32 ExporterTest::exportFrames(const std::string& name, int frames, bool audio, bool video)
{
    standin::ExporterDriver::Export job;
    job.fileObject = addOutput(name);
    job.startTime = 0;
    job.endTime = host->fake().param(ADBEVideoFPS).values.value.timeValue * frames;
    job.audio = audio;
    job.video = video;
    return exporter->exportRange(job);
}

void ExporterTest::expectBalanced()
{
    if (exporter->module().loaded())
        exporter->finish();
    EXPECT_EQ(host->outstandingSuites(), 0);
    EXPECT_EQ(host->fake().outstandingBlocks(), 0);
    EXPECT_EQ(host->fake().liveFrames(), 0);
    EXPECT_EQ(host->fake().liveAudioRenderers(), 0);
    EXPECT_EQ(host->fake().misuses(), 0);
    EXPECT_EQ(host->outputs().openFiles(), 0);
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace qtest

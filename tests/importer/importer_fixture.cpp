#include "importer_fixture.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "sdk/PrSDKExportParamSuite.h"

namespace qtest {

void ImporterTest::SetUp()
{
    char pattern[] = "/tmp/quorvane_importer_XXXXXX";
    const char* dir = mkdtemp(pattern);
    ASSERT_NE(dir, nullptr);
    m_dir = dir;
    setenv("HOME", m_dir.c_str(), 1);
    host = std::make_unique<standin::StandinHost>();
    importer = std::make_unique<standin::ImporterDriver>(*host, QUORVANE_PR_IMPORTER_PATH);
}

void ImporterTest::TearDown()
{
    m_exporter.reset();
    m_exporterOpen = false;
    importer.reset();
    host.reset();
    const std::string command = "rm -rf '" + m_dir + "'";
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << "could not remove " << m_dir;
}

void ImporterTest::enablePluginLog()
{
    const std::string folder = m_dir + "/Library/Preferences/Quorvane";
    const std::string command = "mkdir -p '" + folder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ofstream(folder + "/EnableAdobeLog.cfg") << "1\n";
}

std::vector<std::string> ImporterTest::pluginLogLines(const std::string& module)
{
    const std::string folder = m_dir + "/Library/Preferences/Quorvane/logs";
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            if (std::string(e->d_name).find(module + "_") == 0)
                names.push_back(e->d_name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> messages;
    for (const std::string& name : names) {
        std::ifstream in(folder + "/" + name);
        for (std::string line; std::getline(in, line);) {
            // "[date time] [thread] message"
            const std::size_t second = line.find("] [");
            const std::size_t start = second == std::string::npos ? std::string::npos : line.find("] ", second + 3);
            messages.push_back(start == std::string::npos ? line : line.substr(start + 2));
        }
    }
    return messages;
}

void ImporterTest::initImporter()
{
    imImportInfoRec info;
    ASSERT_EQ(importer->init(&info), 0);
}

standin::ImporterDriver::File ImporterTest::openAndInfo(const std::string& file, imFileInfoRec8* info)
{
    standin::ImporterDriver::File f;
    EXPECT_EQ(importer->open(f, path(file)), 0);
    imFileInfoRec8 own;
    const csSDK_int32 result = importer->getInfo(f, info != nullptr ? *info : own);
    EXPECT_EQ(result, 0);
    return f;
}

void ImporterTest::finishAndExpectBalanced()
{
    if (m_exporter && m_exporter->module().loaded())
        m_exporter->finish();
    EXPECT_EQ(importer->shutdown(), 0);
    EXPECT_TRUE(importer->framesBalanced()) << "created " << host->fake().framesCreatedByPlugin() << ", disposed "
                                            << host->fake().framesDisposedByPlugin() << ", handed over "
                                            << importer->framesHandedOver();
    EXPECT_EQ(host->outstandingSuites(), 0);
    EXPECT_EQ(host->fake().outstandingBlocks(), 0);
    EXPECT_EQ(host->fake().liveFrames(), 0);
    EXPECT_EQ(host->fake().misuses(), 0);
}

standin::ExporterDriver& ImporterTest::exporter()
{
    if (!m_exporter) {
        m_exporter = std::make_unique<standin::ExporterDriver>(*host, QUORVANE_PR_EXPORTER_PATH);
        fakehost::FakeHost& fake = host->fake();
        fake.setSourceInt32(kExportInfo_VideoWidth, 64);
        fake.setSourceInt32(kExportInfo_VideoHeight, 48);
        fake.setSourceInt64(kExportInfo_VideoFrameRate, kT / 30);
        fake.setSourceInt32(kExportInfo_VideoFieldType, prFieldsNone);
        fake.setSourceInt32(kExportInfo_AudioChannelsType, kPrAudioChannelType_Stereo);
        fake.setSourceFloat64(kExportInfo_AudioSampleRate, 48000.0);
    }
    if (!m_exporterOpen) {
        EXPECT_EQ(m_exporter->startup(), 0);
        EXPECT_EQ(m_exporter->openDialog(), 0);
        m_exporterOpen = true;
    }
    return *m_exporter;
}

std::vector<standin::Image> ImporterTest::exportFile(const std::string& name, const ExportSpec& shape)
{
    standin::ExporterDriver& ex = exporter();
    fakehost::FakeHost& fake = host->fake();
    fake.setIntParam(ADBEVideoCodec, int(shape.subType));
    fake.setIntParam("ColorSpace", shape.colorSpace);
    fake.setIntParam("RenderPixelFormat", int(shape.render));
    fake.setIntParam(ADBEVideoWidth, shape.width);
    fake.setIntParam(ADBEVideoHeight, shape.height);
    fake.setTimeParam(ADBEVideoFPS, shape.frameDuration);

    std::vector<standin::Image> rendered;
    for (int f = 0; f < shape.frames; ++f)
        rendered.push_back(standin::makeNoiseImage(shape.render, shape.width, shape.height, 7000u + uint32_t(f)));
    fake.loopSettings().render =
        standin::renderFrom(fake, [&rendered](csSDK_uint32 f) -> const standin::Image& { return rendered[f]; });
    fake.loopSettings().repeatCount = shape.repeatCount;

    standin::ExporterDriver::Export job;
    job.fileObject = host->outputs().add(path(name));
    job.startTime = 0;
    job.endTime = shape.frameDuration * shape.frames;
    job.audio = shape.audio;
    job.video = true;
    EXPECT_EQ(ex.exportRange(job), 0) << name;
    fake.loopSettings().render = nullptr; // it refers to this call's images

    // What each frame number shows: a repeat shows the frame its run began with.
    std::vector<standin::Image> shown(rendered.size());
    for (csSDK_uint32 f = 0; f < csSDK_uint32(shape.frames);) {
        csSDK_uint32 run = shape.repeatCount ? std::max<csSDK_uint32>(1, shape.repeatCount(f)) : 1;
        run = std::min<csSDK_uint32>(run, csSDK_uint32(shape.frames) - f);
        for (csSDK_uint32 k = f; k < f + run; ++k)
            shown[k] = rendered[f];
        f += run;
    }
    return shown;
}

bool contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

long findLine(const std::vector<std::string>& lines, const std::string& prefix, long from)
{
    for (long i = std::max(0L, from); i < long(lines.size()); ++i) {
        if (lines[std::size_t(i)].compare(0, prefix.size(), prefix) == 0)
            return i;
    }
    return -1;
}

} // namespace qtest

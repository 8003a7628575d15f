// Shared set-up of the exporter tests: a private HOME, the stand-in host, the exporter module
// loaded into it, and helpers for the common selector scripts and for reading what they produced.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/standin_host/ExporterDriver.h"
#include "tools/standin_host/Images.h"
#include "tools/standin_host/StandinHost.h"

namespace qtest {

inline constexpr PrTime kT = fakehost::kTicksPerSecond;
inline constexpr csSDK_uint32 kQ8RG = PrFourCCHighFirst('Q', '8', 'R', 'G');

class ExporterTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Switches the plug-in log on (before the first entry call) and reads it back after unload.
    void enablePluginLog();
    std::vector<std::string> pluginLogLines(); // messages without the time and thread prefix

    // The source the host describes: size, frame duration, field type, audio.
    void describeSource(int width, int height, PrTime frameDuration, int channelType = kPrAudioChannelType_Stereo,
                        double sampleRate = 48000.0);
    // Startup, instance, defaults and post-processing; expects 0 from each.
    void openDialog();
    // An output file in the temporary folder; returns its file object.
    csSDK_uint32 addOutput(const std::string& name);
    std::string outputPath(const std::string& name) const { return m_dir + "/" + name; }
    // Exports `frames` frames of the current frame rate into `name`; returns the result.
    csSDK_int32 exportFrames(const std::string& name, int frames, bool audio = true, bool video = true);

    int intParam(const std::string& key) { return host->fake().param(key).values.value.intValue; }

    // Every suite, memory block, frame, renderer and file the plug-in took is given back.
    void expectBalanced();

    std::string m_dir;
    std::unique_ptr<standin::StandinHost> host;
    std::unique_ptr<standin::ExporterDriver> exporter;
    csSDK_uint32 lastFileObject = 0;
};

std::vector<uint8_t> readFile(const std::string& path);
std::vector<std::string> readLines(const std::string& path);

} // namespace qtest

// Shared set-up of the importer tests: a private HOME, the stand-in host with the importer module
// loaded into it (and the exporter module when a test needs files it wrote), and helpers for the
// common selector scripts.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/standin_host/ExporterDriver.h"
#include "tools/standin_host/ImporterDriver.h"
#include "tools/standin_host/Images.h"
#include "tools/standin_host/StandinHost.h"

namespace qtest {

inline constexpr PrTime kT = fakehost::kTicksPerSecond;

constexpr csSDK_uint32 subtype(const char (&code)[5])
{
    return PrFourCCHighFirst(code[0], code[1], code[2], code[3]);
}

// One export through the exporter module.
struct ExportSpec {
    csSDK_uint32 subType = subtype("Q8RG");
    PrPixelFormat render = PrPixelFormat_BGRX_4444_8u;
    int colorSpace = 2;
    int width = 64;
    int height = 48;
    int frames = 3;
    PrTime frameDuration = kT / 30;
    bool audio = false;
    std::function<csSDK_uint32(csSDK_uint32)> repeatCount; // default 1
};

class ImporterTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Switches the plug-in log on (before the first entry call) and reads it back.
    void enablePluginLog();
    std::vector<std::string> pluginLogLines(const std::string& module = "quorvane_pr_importer");

    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    // imInit, expected to succeed.
    void initImporter();
    // Open (stream 0) and imGetInfo8; expects 0 from both.
    standin::ImporterDriver::File openAndInfo(const std::string& file, imFileInfoRec8* info = nullptr);
    // Close and shutdown, then the balance: every suite, block and frame given back.
    void finishAndExpectBalanced();

    // Exports into name with the exporter module; returns the images rendered for each frame
    // number (in the render format, top row first).
    std::vector<standin::Image> exportFile(const std::string& name, const ExportSpec& shape);
    standin::ExporterDriver& exporter();

    // Frame request formats of the common case: one format at the stream's size.
    static std::vector<imFrameFormat> formatsOf(PrPixelFormat format, int width = 0, int height = 0)
    {
        return {imFrameFormat{width, height, format}};
    }

    std::string m_dir;
    std::unique_ptr<standin::StandinHost> host;
    std::unique_ptr<standin::ImporterDriver> importer;

private:
    std::unique_ptr<standin::ExporterDriver> m_exporter;
    bool m_exporterOpen = false;
};

bool contains(const std::vector<std::string>& lines, const std::string& line);
// Index of the first line beginning with prefix at or after from, or -1.
long findLine(const std::vector<std::string>& lines, const std::string& prefix, long from = 0);

} // namespace qtest

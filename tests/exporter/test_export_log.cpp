// The export log beside the output: its settings block, the job's lines, and what it does when the
// host's answers are missing.
#include <algorithm>

#include "exporter_fixture.h"

namespace qtest {
namespace {

using ExportLog = ExporterTest;

const std::vector<std::string> kSettingsBlock = {
    "General",
    "=======",
    "startTime:            0",
    "endTime:              42336000000",
    "maximumRenderQuality: 1",
    "exportDuration:       42336000000",
    "ticksPerSecond:       254016000000",
    "",
    "Source",
    "======",
    "RenderAsPreview          : 0",
    "SequenceGUID             : 00000000-0000-0000-0000-000000000001",
    "SessionFilePath          : /projects/session.qvproj",
    "",
    "SourceHasVideo           : 1",
    "VideoDuration            : 2540160000000",
    "VideoWidth               : 64",
    "VideoHeight              : 48",
    "VideoFrameRate           : 8467200000",
    "PixelAspectNumerator     : 1",
    "PixelAspectDenominator   : 1",
    "VideoFieldType           : 0",
    "VideoPosterFrameTickTime : 0",
    "UsePreviewFiles          : 0",
    "SourceTimecode.mTimecodeTicks                  : 0",
    "SourceTimecode.mTicksPerFrame                  : 10160640000",
    "SourceTimecode.mTimecodeStartPrefersDropFrame  : 0",
    "SourcePixelFormat.mPixelFormatArrayCount       : 2",
    "SourcePixelFormat.mPixelFormatArray[0]         : PrPixelFormat_BGRA_4444_8u [bgra]",
    "SourcePixelFormat.mPixelFormatArray[1]         : PrPixelFormat_VUYA_4444_8u [vuya]",
    "SourcePixelFormat.mPixelCustomFormatArrayCount : 1",
    "SourcePixelFormat.mPixelCustomFormatArray[0]   : ???? [ab[0]c]",
    "",
    "SourceHasAudio           : 1",
    "AudioDuration            : 2540160000000",
    "AudioSampleRate          : 48000",
    "AudioChannelsType        : 2",
    "NumAudioChannels         : 2",
    "",
    "Video",
    "=====",
    "exportInfoP->exportVideo: 1",
    "ticksPerFrame:         8467200000",
    "numFrames:             5",
    "videoExportDuration:   42336000000",
    "RenderPixelFormats:    2",
    "RenderPixelFormats[0]: PrPixelFormat_BGRX_4444_8u [bgrx]",
    "RenderPixelFormats[1]: PrPixelFormat_XRGB_4444_8u [xrgb]",
    "ColorSpace:            BT709",
    "ADBEVideoCodec:        Q8RG",
    "ADBEVideoWidth:        64",
    "ADBEVideoHeight:       48",
    "ADBEVideoFPS:          8467200000 ticks/frame, 30 (30/1) fps",
    "ADBEVideoFieldType:    0",
    "ADBEVideoAspect:       1:1",
    "",
    "Audio",
    "=====",
    "exportInfoP->exportAudio: 1",
    "ticksPerSample:         5292000",
    "numSampleFrames:        8000",
    "ADBEAudioRatePerSecond: 48000",
    "ADBEAudioNumChannels:   2 (1: mono, 2: stereo, 3: 5.1)",
    "numAudioChannels:       2",
    "ADBEAudioSampleType:    kPrAudioSampleType_16BitInt",
    "",
};

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

TEST_F(ExportLog, SettingsBlockThenTheJobsLines)
{
    enablePluginLog();
    host->fake().setSourcePixelFormats({PrPixelFormat_BGRA_4444_8u, PrPixelFormat_VUYA_4444_8u},
                                       {static_cast<PrPixelFormat>(PrFourCCLowFirst('a', 'b', '\0', 'c'))});
    openDialog();
    host->fake().setIntParam("ExportLog", 1);
    host->log().clear();
    ASSERT_EQ(exportFrames("movie.avi", 5), 0);

    const std::vector<std::string> lines = readLines(outputPath("movie.avi.log"));
    ASSERT_GT(lines.size(), kSettingsBlock.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + long(kSettingsBlock.size())), kSettingsBlock);
    std::vector<std::string> job(lines.begin() + long(kSettingsBlock.size()), lines.end());
    ASSERT_EQ(job.size(), 2u + 2u + 1u + 5u * 2u + 3u); // compressor, loop, audio, frames, end
    EXPECT_EQ(job[0], "Initializing compressor: [PrPixelFormat_BGRX_4444_8u] 64 x 48, BGRX, 0x1, BT709, Full, "
                      "Progressive -> 0 x 0, COMP_RGB, 0x0, BT709, Full, Progressive");
    EXPECT_TRUE(startsWith(job[1], "Final compressed format: ")) << job[1];
    EXPECT_EQ(job[2], "Exporting...");
    EXPECT_EQ(job[3], "exportLoopRenderParams.inFinalPixelFormat: PrPixelFormat_BGRX_4444_8u");
    EXPECT_EQ(job[4], "f: 0, repeatCount: 1");
    EXPECT_EQ(job[5], "a: 0, s: 8000, maxBlip: 4800");
    for (int f = 0, at = 6; f < 5; ++f) {
        if (f > 0) {
            EXPECT_EQ(job[std::size_t(at++)], "f: " + std::to_string(f) + ", repeatCount: 1");
        }
        const std::string& video = job[std::size_t(at++)];
        EXPECT_TRUE(startsWith(video, "v: " + std::to_string(f) + " :[PrPixelFormat_BGRX_4444_8u] :Compressed: 12288 -> "))
            << video;
        EXPECT_EQ(video.substr(video.size() - 11), " : write OK");
    }
    EXPECT_EQ(job[job.size() - 3], "");
    EXPECT_EQ(job[job.size() - 2], "--------------------");
    EXPECT_TRUE(startsWith(job.back(), "Export finished in: ")) << job.back();
    EXPECT_NE(job.back().find(" s, result: 0 [exportReturn_ErrNone]"), std::string::npos);

    // The host's three blocks went back; the path came in two calls.
    EXPECT_EQ(host->log().count("MemoryManager.disposePtr"), 3u);
    EXPECT_EQ(host->log().count("ExportFile.platformPath"), 2u);
    EXPECT_EQ(host->log().count("ExportInfo.getExportSourceInfo"), 20u);

    // Every job line reached the plug-in log too; the settings block did not.
    exporter->finish();
    exporter->unload();
    const std::vector<std::string> plugin = pluginLogLines();
    for (const std::string& line : job)
        EXPECT_NE(std::find(plugin.begin(), plugin.end(), line), plugin.end()) << line;
    EXPECT_EQ(std::find(plugin.begin(), plugin.end(), "ADBEVideoAspect:       1:1"), plugin.end());
    expectBalanced();
}

TEST_F(ExportLog, OffWritesNoFile)
{
    openDialog();
    ASSERT_EQ(exportFrames("quiet.avi", 2), 0);
    EXPECT_TRUE(readFile(outputPath("quiet.avi.log")).empty());
    EXPECT_EQ(host->log().count("ExportFile.platformPath"), 0u);
    EXPECT_EQ(host->log().count("ExportInfo.getExportSourceInfo"), 6u); // the defaults' six only
    expectBalanced();
}

TEST_F(ExportLog, MissingAnswersPrintNothingAndFreeNothing)
{
    openDialog();
    host->fake().setIntParam("ExportLog", 1);
    host->failSourceInfo({kExportInfo_SequenceGUID, kExportInfo_SessionFilePath, kExportInfo_SourceTimecode,
                          kExportInfo_SourcePixelFormats, kExportInfo_VideoWidth});
    // A host that reports the path's length without its terminator and writes no terminator.
    host->outputs().setPathWithoutTerminator(true);
    ASSERT_EQ(exportFrames("sparse.avi", 2, false), 0);
    const std::vector<std::string> lines = readLines(outputPath("sparse.avi.log"));
    for (const char* line : {"SequenceGUID             : ", "SessionFilePath          : ", "VideoWidth               : 0",
                             "SourceTimecode.mTimecodeTicks                  : ",
                             "SourcePixelFormat.mPixelFormatArrayCount       : ",
                             "SourcePixelFormat.mPixelCustomFormatArrayCount : "})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    // No audio: the section is its title, rule, flag and an empty line.
    const auto audio = std::find(lines.begin(), lines.end(), "Audio");
    ASSERT_NE(audio, lines.end());
    ASSERT_LT(audio + 4, lines.end());
    EXPECT_EQ(*(audio + 1), "=====");
    EXPECT_EQ(*(audio + 2), "exportInfoP->exportAudio: 0");
    EXPECT_EQ(*(audio + 3), "");
    EXPECT_TRUE(startsWith(*(audio + 4), "Initializing compressor: "));
    EXPECT_EQ(host->log().count("MemoryManager.disposePtr"), 0u);
    expectBalanced();
}

TEST_F(ExportLog, NoPathNoLogAndTheExportStillRuns)
{
    openDialog();
    host->fake().setIntParam("ExportLog", 1);
    host->outputs().failPlatformPath(-1);
    ASSERT_EQ(exportFrames("nopath.avi", 2), 0);
    EXPECT_TRUE(readFile(outputPath("nopath.avi.log")).empty());
    EXPECT_EQ(host->log().count("ExportInfo.getExportSourceInfo"), 6u);
    expectBalanced();
}

TEST_F(ExportLog, FailureLinesReachTheFileBeforeItCloses)
{
    openDialog();
    host->fake().setIntParam("ExportLog", 1);
    host->outputs().failWrite(30, -1);
    ASSERT_EQ(exportFrames("broken.avi", 20), exportReturn_ErrIo);
    const std::vector<std::string> lines = readLines(outputPath("broken.avi.log"));
    const auto error = std::find(lines.begin(), lines.end(), "ERROR or ABORT during export: 14 [exportReturn_ErrIo]");
    ASSERT_NE(error, lines.end());
    // The frame whose write failed left "v: n :" unfinished; the empty line of the end closes it.
    EXPECT_EQ(*(error - 1), "--------------------");
    EXPECT_TRUE(startsWith(*(error - 2), "v: ")) << *(error - 2);
    EXPECT_TRUE(startsWith(lines.back(), "Export finished in: "));
    expectBalanced();
}

} // namespace
} // namespace qtest

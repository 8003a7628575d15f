// How every kind of failure of an export ends: the host result, the closing lines of the log, what
// the host was told, and that everything opened was given back.
#include <algorithm>
#include <cstring>
#include <functional>

#include "exporter_fixture.h"

namespace qtest {
namespace {

struct FailureCase {
    const char* name;
    std::function<void(ExporterTest&)> arrange; // after the dialog, before the export
    csSDK_int32 result;
    bool closingLines = true; // the job ran (the entry's net gives no closing lines)
};

// Named results the log prints, for the cases of this table.
const char* GetExportReturnValueNameForTest(int result)
{
    switch (result) {
    case 6: return "exportReturn_ErrOther";
    case 11: return "exportReturn_ErrOpenErr";
    case 14: return "exportReturn_ErrIo";
    case 17: return "exportReturn_IterateExporterDone";
    case 19: return "exportReturn_ErrCodecBadInput";
    case 20: return "exportReturn_ErrLastErrorSet";
    case 23: return "exportReturn_ErrExceedsMaxFormatDuration";
    }
    return "????";
}

class Failures : public ExporterTest, public ::testing::WithParamInterface<FailureCase> {
};

TEST_P(Failures, MapToTheirResult)
{
    const FailureCase& c = GetParam();
    enablePluginLog();
    openDialog();
    host->fake().loopSettings().continueAfterFailure = true;
    c.arrange(*this);
    EXPECT_EQ(exportFrames("failed.avi", 40), c.result);
    expectBalanced();
    exporter->unload();

    const std::vector<std::string> lines = pluginLogLines();
    const std::string finished = "s, result: " + std::to_string(c.result) + " [";
    const auto last = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& l) {
        return l.rfind("Export finished in: ", 0) == 0;
    });
    if (!c.closingLines) {
        EXPECT_EQ(last, lines.rend());
        return;
    }
    ASSERT_NE(last, lines.rend());
    EXPECT_NE(last->find(finished), std::string::npos) << *last;
    const auto error = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("ERROR or ABORT during export: ", 0) == 0;
    });
    if (c.result == 0) {
        EXPECT_EQ(error, lines.end());
        return;
    }
    ASSERT_NE(error, lines.end());
    EXPECT_EQ(*error, "ERROR or ABORT during export: " + std::to_string(c.result) + " [" +
                          GetExportReturnValueNameForTest(c.result) + "]");
    ASSERT_LT(error + 2, lines.end());
    EXPECT_FALSE((error + 1)->empty()); // the failure's text
    EXPECT_EQ(*(error + 2), "--------------------");
    EXPECT_EQ(*(error - 1), "--------------------");
    EXPECT_EQ(*(error - 2), ""); // ends whatever line the failure left unfinished
    // Once a callback failed, every later one returns 99 at once.
    const auto calls = host->log().matching("Host.callbackResult");
    const auto firstFailure = std::find_if(calls.begin(), calls.end(),
                                           [](const standin::HostCall& h) { return h.args[1] != "0"; });
    for (auto it = firstFailure; it != calls.end(); ++it)
        EXPECT_EQ(it->args[1], "99");
}

constexpr csSDK_uint32 kQ8Y0 = PrFourCCHighFirst('Q', '8', 'Y', '0');

const FailureCase kCases[] = {
    {"Success", [](ExporterTest&) {}, 0},
    {"Resolution",
     [](ExporterTest& t) {
         t.host->fake().setIntParam(ADBEVideoCodec, int(kQ8Y0));
         t.host->fake().setIntParam(ADBEVideoWidth, 63);
     },
     20},
    {"HostOpenFailure", [](ExporterTest& t) { t.host->outputs().failOpen(5); }, 11},
    {"GetAudioFailure", [](ExporterTest& t) { t.host->fake().failGetAudio(3, 17); }, 17},
    {"LoopResult", [](ExporterTest& t) { t.host->fake().loopSettings().resultOverride = 23; }, 23},
    {"CodecRejectsRowBytes", [](ExporterTest& t) { t.host->fake().setRowPadding(-4); }, 19},
    {"UnknownPixelFormat",
     [](ExporterTest& t) {
         t.host->fake().loopSettings().formatOfFrame = [](csSDK_uint32 f) {
             return f < 2 ? PrPixelFormat_BGRX_4444_8u : PrPixelFormat_BGRA_4444_32f;
         };
     },
     6},
    {"FileWriteFailure", [](ExporterTest& t) { t.host->outputs().failWrite(40, -1); }, 14},
    {"HeaderWriteFailure", [](ExporterTest& t) { t.host->outputs().failWrite(0, -1); }, 14},
    {"SeekFailure", [](ExporterTest& t) { t.host->outputs().failSeek(-1); }, 14},
    {"RefusedParamSuite",
     [](ExporterTest& t) {
         // A fresh instance, which has not acquired the suite yet.
         ASSERT_EQ(t.exporter->endInstance(), 0);
         ASSERT_EQ(t.exporter->beginInstance(), 0);
         t.host->fake().refuse(kPrSDKExportParamSuite);
     },
     99, false},
    {"UnknownSubtype",
     [](ExporterTest& t) { t.host->fake().setIntParam(ADBEVideoCodec, int(PrFourCCHighFirst('Q', 'X', 'X', 'X'))); },
     99, false},
    {"InvalidChannelType",
     [](ExporterTest& t) { t.host->fake().setIntParam(ADBEAudioNumChannels, 9); }, 99, false},
    // RGB subtypes are stored with the BT.709 matrix only: no host format qualifies for BT.601.
    {"EmptyRenderList", [](ExporterTest& t) { t.host->fake().setIntParam("ColorSpace", 1); }, 6},
    // Divisions the host's values could make impossible fail cleanly instead.
    {"ZeroFrameDuration", [](ExporterTest& t) { t.host->fake().setTimeParam(ADBEVideoFPS, 0); }, 6},
    {"ZeroTicksPerSecond", [](ExporterTest& t) { t.host->fake().setTicksPerSecond(0); }, 6},
    {"ZeroMaxBlip", [](ExporterTest& t) { t.host->fake().setMaxBlip(0); }, 6},
};

INSTANTIATE_TEST_SUITE_P(Export, Failures, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

using Reports = ExporterTest;

TEST_F(Reports, ResolutionErrorIsShownThroughBothSuitesAndOpensNothing)
{
    openDialog();
    host->fake().setIntParam(ADBEVideoCodec, int(kQ8Y0));
    host->fake().setIntParam(ADBEVideoWidth, 1919);
    host->fake().setIntParam(ADBEVideoHeight, 1081);
    host->log().clear();
    EXPECT_EQ(exportFrames("odd.avi", 3), 20);
    const auto events = host->fake().events();
    ASSERT_EQ(events.size(), 2u);
    for (const fakehost::Event& e : events) {
        EXPECT_EQ(e.type, prEventError);
        EXPECT_EQ(e.title, "QuorvaneExporter: Invalid video resolution");
        EXPECT_EQ(e.description, "Width must be divisible by 2\nHeight must be divisible by 2");
    }
    EXPECT_FALSE(events[0].fromUtilitySuite);
    EXPECT_TRUE(events[1].fromUtilitySuite);
    EXPECT_EQ(host->log().count("ExportFile.open"), 0u);

    // Interlaced: the height divisor doubles.
    host->fake().setIntParam(ADBEVideoWidth, 1920);
    host->fake().setIntParam(ADBEVideoHeight, 1082);
    host->fake().setIntParam(ADBEVideoFieldType, 1);
    EXPECT_EQ(exportFrames("field.avi", 3), 20);
    EXPECT_EQ(host->fake().events().back().description, "Height must be divisible by 4");
    expectBalanced();
}

TEST_F(Reports, WithoutTheErrorSuiteTheResolutionErrorIsAnOrdinaryFailure)
{
    openDialog();
    host->fake().setIntParam(ADBEVideoCodec, int(kQ8Y0));
    host->fake().setIntParam(ADBEVideoHeight, 47);
    host->fake().refuse(kPrSDKErrorSuite);
    // 20 would tell the host an error text was set; none could be.
    EXPECT_EQ(exportFrames("odd.avi", 3), 6);
    const auto events = host->fake().events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].fromUtilitySuite);
    expectBalanced();
}

// An editor that goes on delivering frames after a failure: the codec refuses the third frame, that
// callback parks the failure, every later one answers 99 at once and writes nothing, and the export
// ends with the codec's result once the loop returns.
TEST_F(Reports, CallbacksAfterAFailureAnswerAtOnce)
{
    enablePluginLog();
    openDialog();
    fakehost::FakeHost& fake = host->fake();
    fake.loopSettings().continueAfterFailure = true;
    fake.loopSettings().render = [&fake](PPix& frame, csSDK_uint32 number) {
        std::memset(frame.pixels, 0x40, std::size_t(frame.rowBytes) * std::size_t(frame.height));
        if (number == 1)
            fake.setRowPadding(-4); // the frames made from now on have rows too short for the codec
    };
    EXPECT_EQ(exportFrames("third.avi", 8), 19);
    const auto calls = fake.loopCalls();
    ASSERT_EQ(calls.size(), 8u);
    for (std::size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].result, i < 2 ? 0 : 99) << i;
    expectBalanced();
    exporter->unload();

    const std::vector<std::string> lines = pluginLogLines();
    // The first of them ends the line the failing frame left unfinished.
    const std::string refused = "INTERNAL ERROR: ExportLoopCallback(): m_exportLoopException != null";
    const auto endsRefused = [&](const std::string& l) {
        return l.size() >= refused.size() && l.compare(l.size() - refused.size(), refused.size(), refused) == 0;
    };
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), endsRefused), 5);
    const auto frameLines = std::count_if(lines.begin(), lines.end(),
                                          [](const std::string& l) { return l.rfind("f: ", 0) == 0; });
    EXPECT_EQ(frameLines, 3); // frames 0, 1 and the failing 2
    const auto error =
        std::find(lines.begin(), lines.end(), "ERROR or ABORT during export: 19 [exportReturn_ErrCodecBadInput]");
    ASSERT_NE(error, lines.end());
    ASSERT_LT(error + 1, lines.end());
    EXPECT_EQ((error + 1)->rfind("Quorvane error", 0), 0u) << *(error + 1);
}

} // namespace
} // namespace qtest

namespace qtest {
namespace {

using Hardening = ExporterTest;

TEST_F(Hardening, ExceptionsOfNoStandardTypeStopAtTheEntryAndTheJob)
{
    openDialog();
    // Inside a selector handler: the entry's net, 99.
    host->throwFrom("Time.getTicksPerSecond");
    exParamSummaryRec summary;
    EXPECT_EQ(exporter->paramSummary(summary), 99);
    const auto events = host->fake().events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].description, "FATAL: Unhandled exception during [exSelGetParamSummary] (6): unknown exception");
    // Inside the export loop: parked by the callback, then the job's own failure (its log and
    // cleanup run).
    host->throwFrom("PPix.getPixels");
    EXPECT_EQ(exportFrames("thrown.avi", 5), exportReturn_ErrOther);
    host->throwFrom("");
    expectBalanced();
}

TEST_F(Hardening, AudioBelowOneFramePerSecondGoesWithEveryFrame)
{
    describeSource(64, 48, 2 * kT); // half a frame per second
    openDialog();
    host->fake().setTimeParam(ADBEVideoFPS, 2 * kT); // no listed rate is that slow
    ASSERT_EQ(exportFrames("slow.avi", 3), 0);
    EXPECT_EQ(host->fake().audioRequests().size(), 3u * 96000u / 4800u);
    expectBalanced();
}

TEST_F(Hardening, NoSampleDurationFailsAnExportWithAudioOnly)
{
    openDialog();
    host->fake().setFloatParam(ADBEAudioRatePerSecond, 0); // the host gives no sample duration
    EXPECT_EQ(exportFrames("silent.avi", 3), exportReturn_ErrOther);
    EXPECT_EQ(exportFrames("video.avi", 3, false), 0);
    expectBalanced();
}

} // namespace
} // namespace qtest

// The export parameters as the host sees them: the tree and its defaults, post-processing with its
// value lists and frame-rate snapping, the refill on a change, and the summaries. "Nothing is
// written" is part of the behaviour, so the checks read the host's call log, not only the values.
#include <cstring>

#include "exporter_fixture.h"
#include "fakehost/FakeHostState.h"

namespace qtest {
namespace {

using Params = ExporterTest;

constexpr csSDK_uint32 kQ8Y0 = PrFourCCHighFirst('Q', '8', 'Y', '0');
constexpr csSDK_uint32 kQ8Y2 = PrFourCCHighFirst('Q', '8', 'Y', '2');
constexpr csSDK_uint32 kQ8Y4 = PrFourCCHighFirst('Q', '8', 'Y', '4');

std::vector<std::string> argsOf(const std::vector<standin::HostCall>& calls, std::size_t arg)
{
    std::vector<std::string> out;
    for (const standin::HostCall& c : calls)
        out.push_back(c.args.at(arg));
    return out;
}

std::vector<std::string> listTexts(const fakehost::FakeHost::ParamInfo& p)
{
    std::vector<std::string> out;
    for (const auto& [value, text] : p.valueList)
        out.push_back(text);
    return out;
}

std::vector<int> listInts(const fakehost::FakeHost::ParamInfo& p)
{
    std::vector<int> out;
    for (const auto& [value, text] : p.valueList)
        out.push_back(value.intValue);
    return out;
}

// Keys whose value record was written back since the log was cleared.
std::vector<std::string> changedKeys(standin::StandinHost& host)
{
    return argsOf(host.log().matching("ExportParam.changeParamValue"), 2);
}

std::string summaryText(const exParamSummaryRec& rec, std::size_t offset)
{
    prUTF16Char units[kPrExportTextSize];
    std::memcpy(units, reinterpret_cast<const unsigned char*>(&rec) + offset, sizeof units);
    units[kPrExportTextSize - 1] = 0;
    return fakehost::utf16ToUtf8(units);
}

TEST_F(Params, DefaultsFollowTheSourceInTreeOrder)
{
    describeSource(0, 0, kT / 25);
    host->fake().setSourceInt32(kExportInfo_VideoFieldType, prFieldsUnknown);
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->beginInstance(), 0);
    host->log().clear();
    ASSERT_EQ(exporter->generateDefaultParams(), 0);

    EXPECT_EQ(argsOf(host->log().matching("ExportInfo."), 1),
              (std::vector<std::string>{"0", "1", "2", "3", "8", "9"}));
    const auto groups = host->log().matching("ExportParam.addParamGroup");
    EXPECT_EQ(argsOf(groups, 3), (std::vector<std::string>{ADBEVideoTabGroup, ADBEVideoCodecGroup, ADBEBasicVideoGroup,
                                                          ADBEAudioTabGroup, ADBEBasicAudioGroup}));
    EXPECT_EQ(argsOf(groups, 2), (std::vector<std::string>{ADBETopParamGroup, ADBEVideoTabGroup, ADBEVideoTabGroup,
                                                          ADBETopParamGroup, ADBEAudioTabGroup}));
    EXPECT_EQ(argsOf(groups, 4), (std::vector<std::string>{"Video tab group", "Video Codec", "Basic Video Settings",
                                                          "Audio tab group", "Basic Audio Settings"}));
    const auto params = host->log().matching("ExportParam.addParam(");
    const auto added = host->log().matching("ExportParam.addParam");
    std::vector<std::string> keys, parents;
    for (const standin::HostCall& c : added) {
        if (c.function == "ExportParam.addParam") {
            keys.push_back(c.args[3]);
            parents.push_back(c.args[2]);
        }
    }
    EXPECT_EQ(keys, (std::vector<std::string>{ADBEVideoCodec, "ColorSpace", "RenderPixelFormat", "FormatRestrictions",
                                              ADBEVideoWidth, ADBEVideoHeight, ADBEVideoFPS, ADBEVideoFieldType,
                                              ADBEVideoAspect, "ExportLog", ADBEAudioRatePerSecond,
                                              ADBEAudioNumChannels, ADBEAudioSampleType}));
    EXPECT_EQ(parents[0], ADBEVideoCodecGroup);
    EXPECT_EQ(parents[4], ADBEBasicVideoGroup);
    EXPECT_EQ(parents[10], ADBEBasicAudioGroup);
    EXPECT_EQ(host->fake().paramsVersion(), 2);

    fakehost::FakeHost& f = host->fake();
    EXPECT_EQ(f.param(ADBEVideoCodec).values.value.intValue, int(kQ8RG));
    EXPECT_EQ(f.param("ColorSpace").values.value.intValue, 2);
    EXPECT_EQ(f.param(ADBEVideoWidth).values.value.intValue, 720);
    EXPECT_EQ(f.param(ADBEVideoWidth).values.rangeMin.intValue, 16);
    EXPECT_EQ(f.param(ADBEVideoWidth).values.rangeMax.intValue, 16384);
    EXPECT_EQ(f.param(ADBEVideoHeight).values.value.intValue, 480);
    EXPECT_EQ(f.param(ADBEVideoFPS).type, exParamType_ticksFrameRate);
    EXPECT_EQ(f.param(ADBEVideoFPS).values.value.timeValue, kT / 25);
    EXPECT_EQ(f.param(ADBEVideoFPS).values.rangeMin.timeValue, 1);
    EXPECT_EQ(f.param(ADBEVideoFPS).values.rangeMax.timeValue, kT);
    EXPECT_EQ(f.param(ADBEVideoFieldType).values.value.intValue, 1);
    EXPECT_EQ(f.param(ADBEVideoAspect).type, exParamType_ratio);
    EXPECT_EQ(f.param(ADBEVideoAspect).values.rangeMax.ratioValue.numerator, 20);
    EXPECT_EQ(f.param(ADBEVideoAspect).values.rangeMax.ratioValue.denominator, 20);
    EXPECT_EQ(f.param("ExportLog").type, exParamType_bool);
    EXPECT_EQ(f.param(ADBEAudioRatePerSecond).values.value.floatValue, 48000.0);
    EXPECT_EQ(f.param(ADBEAudioNumChannels).values.value.intValue, 2);
    EXPECT_EQ(f.param(ADBEAudioSampleType).values.value.intValue, 3);
    for (const std::string& key : f.paramKeys())
        EXPECT_EQ(f.param(key).values.hidden, 0) << key;
    expectBalanced();
}

TEST_F(Params, PostProcessingNamesListsAndHidesColourSpaceForRgb)
{
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->beginInstance(), 0);
    ASSERT_EQ(exporter->generateDefaultParams(), 0);
    host->log().clear();
    ASSERT_EQ(exporter->postProcessParams(), 0);

    EXPECT_EQ(argsOf(host->log().matching("ExportParam.setParamName"), 3),
              (std::vector<std::string>{"Video Codec", "Codec", "Render pixel format", "Color space", "Restrictions",
                                        "Basic Video Settings", "Width", "Height", "Frame Rate", "Field Order",
                                        "Aspect", "Write debug log", "Basic Audio Settings", "Sample Rate", "Channels",
                                        "Sample Size"}));
    EXPECT_EQ(argsOf(host->log().matching("ExportParam.setParamDescription"), 2),
              (std::vector<std::string>{ADBEVideoCodec, "ExportLog"}));
    for (const standin::HostCall& c : host->log().matching("ExportParam.addValuePair"))
        EXPECT_EQ(c.args[1], "0");

    fakehost::FakeHost& f = host->fake();
    const std::vector<std::string> codecs = listTexts(f.param(ADBEVideoCodec));
    ASSERT_GE(codecs.size(), 7u);
    EXPECT_EQ(codecs[0], "Quorvane 8-bit RGBA");
    EXPECT_EQ(codecs[1], "Quorvane 8-bit RGB");
    EXPECT_EQ(f.param(ADBEVideoCodec).description, "The video codec to be used for encode.");

    EXPECT_TRUE(f.param("ColorSpace").valueList.empty());
    EXPECT_NE(f.param("ColorSpace").values.hidden, 0);
    EXPECT_EQ(f.param("ColorSpace").values.value.intValue, 2);
    // The 8-bit RGB subtype takes the formats without alpha.
    EXPECT_EQ(listTexts(f.param("RenderPixelFormat")), (std::vector<std::string>{"Auto", "BGRX [8]", "XRGB [8]"}));
    EXPECT_EQ(listInts(f.param("RenderPixelFormat")),
              (std::vector<int>{0, int(PrPixelFormat_BGRX_4444_8u), int(PrPixelFormat_XRGB_4444_8u)}));
    EXPECT_EQ(listTexts(f.param("FormatRestrictions")), (std::vector<std::string>{"None"}));
    EXPECT_EQ(listTexts(f.param(ADBEVideoFieldType)),
              (std::vector<std::string>{"Progressive", "Upper First", "Lower First"}));
    EXPECT_EQ(listTexts(f.param(ADBEVideoAspect)), (std::vector<std::string>{"Square pixels (1.0)"}));
    EXPECT_EQ(listTexts(f.param(ADBEAudioRatePerSecond)).front(), "8000 Hz");
    EXPECT_EQ(listTexts(f.param(ADBEAudioRatePerSecond)).back(), "96000 Hz");
    EXPECT_EQ(listTexts(f.param(ADBEAudioSampleType)),
              (std::vector<std::string>{"8 bit", "16 bit", "24 bit", "32 bit", "32 bit float"}));
    EXPECT_EQ(listTexts(f.param(ADBEVideoFPS)),
              (std::vector<std::string>{"10", "15", "23.976", "24", "25 (PAL)", "29.97 (NTSC)", "30", "50", "59.94",
                                        "60", "120"}));
    EXPECT_EQ(f.param(ADBEVideoFPS).valueList[2].first.timeValue, kT * 1001 / 24000);

    // Only the colour space was written. Its list is empty, and an empty list always resets the
    // value and writes it back; every other parameter is found valid on a second pass.
    EXPECT_EQ(changedKeys(*host), (std::vector<std::string>{"ColorSpace"}));
    host->log().clear();
    ASSERT_EQ(exporter->postProcessParams(), 0);
    EXPECT_EQ(changedKeys(*host), (std::vector<std::string>{"ColorSpace"}));
    expectBalanced();
}

TEST_F(Params, FrameRateSnapsToTheNearestListedRate)
{
    struct Case {
        PrTime current;
        PrTime expected;
    };
    const PrTime ntsc = kT * 1001 / 30000;
    const Case cases[] = {
        {ntsc, ntsc},                                            // listed: nothing written
        {kT / 26, kT / 25},                                      //
        {kT / 1000, kT / 120},                                   //
        {(kT / 24 + kT / 25) / 2, kT / 24},                      // a tie keeps the earlier choice
        {(ntsc + kT / 30) / 2, kT / 30},                         // a tie with the starting choice keeps it
        {kT * 2, kT / 10},                                       //
    };
    openDialog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        ASSERT_EQ((kT / 24 + kT / 25) % 2, 0);
        host->fake().setTimeParam(ADBEVideoFPS, c.current);
        host->log().clear();
        ASSERT_EQ(exporter->postProcessParams(), 0);
        EXPECT_EQ(host->fake().param(ADBEVideoFPS).values.value.timeValue, c.expected);
        const auto changed = changedKeys(*host);
        EXPECT_EQ(std::count(changed.begin(), changed.end(), ADBEVideoFPS), c.current == c.expected ? 0 : 1);
    }
    expectBalanced();
}

TEST_F(Params, ValueListsResetOnlyWhatIsNotListed)
{
    openDialog();
    fakehost::FakeHost& f = host->fake();
    f.setRatioParam(ADBEVideoAspect, 2, 2);    // counts as 1/1
    f.setFloatParam(ADBEAudioRatePerSecond, 44000);
    f.setIntParam(ADBEAudioNumChannels, 4);
    f.setIntParam(ADBEVideoFieldType, 3);
    host->log().clear();
    ASSERT_EQ(exporter->postProcessParams(), 0);
    EXPECT_EQ(f.param(ADBEVideoAspect).values.value.ratioValue.numerator, 2);
    EXPECT_EQ(f.param(ADBEAudioRatePerSecond).values.value.floatValue, 48000.0);
    EXPECT_EQ(f.param(ADBEAudioNumChannels).values.value.intValue, 2);
    EXPECT_EQ(f.param(ADBEVideoFieldType).values.value.intValue, 0);
    EXPECT_EQ(changedKeys(*host), (std::vector<std::string>{"ColorSpace", ADBEVideoFieldType, ADBEAudioRatePerSecond,
                                                            ADBEAudioNumChannels}));
    expectBalanced();
}

TEST_F(Params, ChangesRefillWhatDependsOnThem)
{
    openDialog();
    fakehost::FakeHost& f = host->fake();

    // Another key refills nothing.
    host->log().clear();
    ASSERT_EQ(exporter->paramChanged("ExportLog"), 0);
    EXPECT_TRUE(host->log().matching("ExportParam.").empty());

    // The codec: colour space, render format, restrictions, in this order.
    f.setIntParam("RenderPixelFormat", int(PrPixelFormat_XRGB_4444_8u));
    f.setIntParam(ADBEVideoCodec, int(kQ8Y0));
    f.setIntParam("ColorSpace", 2);
    host->log().clear();
    ASSERT_EQ(exporter->paramChanged(ADBEVideoCodec), 0);
    EXPECT_EQ(argsOf(host->log().matching("ExportParam.clearValueList"), 2),
              (std::vector<std::string>{"ColorSpace", "RenderPixelFormat", "FormatRestrictions"}));
    EXPECT_EQ(listTexts(f.param("ColorSpace")), (std::vector<std::string>{"Rec.601", "Rec.709"}));
    EXPECT_EQ(f.param("ColorSpace").values.hidden, 0);
    EXPECT_EQ(f.param("ColorSpace").values.value.intValue, 2);
    EXPECT_EQ(f.param("RenderPixelFormat").values.value.intValue, int(PrPixelFormat_XRGB_4444_8u)); // converted
    EXPECT_EQ(listTexts(f.param("FormatRestrictions")), (std::vector<std::string>{"Width mod 2 , Height mod 2"}));

    // The colour space: the render format only.
    f.setIntParam("ColorSpace", 1);
    host->log().clear();
    ASSERT_EQ(exporter->paramChanged("ColorSpace"), 0);
    EXPECT_EQ(argsOf(host->log().matching("ExportParam.clearValueList"), 2),
              (std::vector<std::string>{"RenderPixelFormat"}));
    const std::vector<std::string> rec601 = listTexts(f.param("RenderPixelFormat"));
    EXPECT_NE(std::find(rec601.begin(), rec601.end(), "YUYV 4:2:2 [8] Rec.601"), rec601.end());
    EXPECT_EQ(std::find(rec601.begin(), rec601.end(), "YUYV 4:2:2 [8] Rec.709"), rec601.end());

    // The field order: the restrictions only.
    f.setIntParam(ADBEVideoFieldType, 1);
    host->log().clear();
    ASSERT_EQ(exporter->paramChanged(ADBEVideoFieldType), 0);
    EXPECT_EQ(argsOf(host->log().matching("ExportParam.clearValueList"), 2),
              (std::vector<std::string>{"FormatRestrictions"}));
    EXPECT_EQ(listTexts(f.param("FormatRestrictions")), (std::vector<std::string>{"Width mod 2 , Height mod 4"}));
    EXPECT_TRUE(changedKeys(*host).empty()); // value and hidden flag untouched

    struct Restriction {
        csSDK_uint32 codec;
        int field;
        const char* text;
    };
    for (const Restriction& r : {Restriction{kQ8Y2, 0, "Width mod 2"}, Restriction{kQ8RG, 2, "Height mod 2"},
                                 Restriction{kQ8Y4, 0, "None"}}) {
        f.setIntParam(ADBEVideoCodec, int(r.codec));
        f.setIntParam(ADBEVideoFieldType, r.field);
        ASSERT_EQ(exporter->paramChanged(ADBEVideoCodec), 0);
        EXPECT_EQ(listTexts(f.param("FormatRestrictions")), (std::vector<std::string>{r.text}));
    }

    // Back to RGB: colour space hidden again, and a render format RGB cannot take becomes "Auto".
    f.setIntParam("RenderPixelFormat", int(PrPixelFormat_YUYV_422_8u_709));
    f.setIntParam(ADBEVideoCodec, int(kQ8RG));
    ASSERT_EQ(exporter->paramChanged(ADBEVideoCodec), 0);
    EXPECT_NE(f.param("ColorSpace").values.hidden, 0);
    EXPECT_EQ(f.param("ColorSpace").values.value.intValue, 2);
    EXPECT_EQ(f.param("RenderPixelFormat").values.value.intValue, 0);

    // A code that is no subtype fails the handler.
    f.setIntParam(ADBEVideoCodec, int(PrFourCCHighFirst('N', 'O', 'P', 'E')));
    EXPECT_EQ(exporter->paramChanged(ADBEVideoCodec), 99);
    expectBalanced();
}

TEST_F(Params, Summaries)
{
    openDialog();
    fakehost::FakeHost& f = host->fake();
    exParamSummaryRec rec;
    ASSERT_EQ(exporter->paramSummary(rec), 0);
    EXPECT_EQ(summaryText(rec, 20), "64x48 (1.0), 30 fps, Progressive");
    EXPECT_EQ(summaryText(rec, 532), "48000 Hz, Stereo, 16 bit");
    EXPECT_EQ(summaryText(rec, 1044), "");

    f.setIntParam(ADBEVideoCodec, int(kQ8Y4));
    f.setIntParam(ADBEVideoWidth, 1920);
    f.setIntParam(ADBEVideoHeight, 1080);
    f.setTimeParam(ADBEVideoFPS, kT / 25);
    f.setRatioParam(ADBEVideoAspect, 10, 11);
    f.setIntParam(ADBEVideoFieldType, 2);
    f.setIntParam(ADBEAudioNumChannels, 4);
    f.setIntParam(ADBEAudioSampleType, 6);
    f.setFloatParam(ADBEAudioRatePerSecond, 44100);
    ASSERT_EQ(exporter->paramSummary(rec), 0);
    EXPECT_EQ(summaryText(rec, 20), "1920x1080 (0.90909), 25 fps, Lower First, Rec.709");
    EXPECT_EQ(summaryText(rec, 532), "44100 Hz, Unknown channel type, 32 bit float");

    f.setRatioParam(ADBEVideoAspect, 2, 1);
    f.setIntParam("ColorSpace", 1);
    f.setIntParam(ADBEVideoFieldType, 7);
    f.setTimeParam(ADBEVideoFPS, kT * 1001 / 30000);
    ASSERT_EQ(exporter->paramSummary(rec), 0);
    EXPECT_EQ(summaryText(rec, 20), "1920x1080 (2.0), 29.97 fps, Unknown field type, Rec.601");
    expectBalanced();
}

} // namespace
} // namespace qtest

// The exporter's entry function: dispatch, results, the startup record, instances, the fatal net,
// the small queries, and what loading and unloading the module does.
#include <cstring>

#include "exporter_fixture.h"
#include "fakehost/FakeHostState.h"

namespace qtest {
namespace {

using Entry = ExporterTest;

std::string utf16Field(const void* record, std::size_t offset)
{
    prUTF16Char units[kPrExportTextSize];
    std::memcpy(units, static_cast<const unsigned char*>(record) + offset, sizeof units);
    units[kPrExportTextSize - 1] = 0;
    return fakehost::utf16ToUtf8(units);
}

template <typename T>
T field(const void* record, std::size_t offset)
{
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(record) + offset, sizeof v);
    return v;
}

bool contains(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& l : lines)
        if (l == text)
            return true;
    return false;
}

TEST_F(Entry, StartupWritesExactlyTheExporterInfoFields)
{
    exExporterInfoRec info;
    std::memset(&info, 0xA5, sizeof info);
    ASSERT_EQ(exporter->startup(&info), 0);

    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&info);
    EXPECT_EQ(std::memcmp(bytes + 4, "VIVA", 4), 0); // 'AVIV' with the first character high
    EXPECT_EQ(utf16Field(&info, 8), "Quorvane AVI");
    EXPECT_EQ(utf16Field(&info, 520), "avi");
    EXPECT_EQ(field<csSDK_uint32>(&info, 1032), 0x514F5256u);
    for (std::size_t at : {1036u, 1040u, 1044u})
        EXPECT_EQ(field<csSDK_int32>(&info, at), 0) << at;
    for (std::size_t at : {1048u, 1052u, 1056u})
        EXPECT_EQ(field<csSDK_int32>(&info, at), 1) << at;
    EXPECT_EQ(field<csSDK_int32>(&info, 1068), 6);
    for (std::size_t at : {0u, 1u, 2u, 3u, 1060u, 1061u, 1062u, 1063u, 1064u, 1065u, 1066u, 1067u})
        EXPECT_EQ(bytes[at], 0xA5) << at;
    // The text fields end right after their terminator: the rest keeps the host's bytes.
    EXPECT_EQ(bytes[8 + 2 * 13], 0xA5);

    // Error suite kept; Image Processing acquired twice (table fill, dump) and released twice.
    EXPECT_EQ(host->fake().outstanding(kPrSDKErrorSuite), 1);
    EXPECT_EQ(host->fake().stats(kPrSDKImageProcessingSuite).granted, 2);
    EXPECT_EQ(host->fake().outstanding(kPrSDKImageProcessingSuite), 0);
    EXPECT_EQ(host->log().count("ImageProcessing.isTopLeft"), 17u + 73u);
    EXPECT_EQ(host->log().count("ImageProcessing.frameSizeInBytes"), 73u);

    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, StartupSucceedsWithoutTheErrorSuite)
{
    host->fake().refuse(kPrSDKErrorSuite);
    EXPECT_EQ(exporter->startup(), 0);
    EXPECT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, SecondStartupReleasesTheFirstErrorSuite)
{
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->startup(), 0);
    EXPECT_EQ(host->fake().stats(kPrSDKErrorSuite).granted, 2);
    EXPECT_EQ(host->fake().stats(kPrSDKErrorSuite).releases, 1);
    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, UnhandledSelectorsAreUnsupported)
{
    enablePluginLog();
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->beginInstance(), 0);
    for (csSDK_int32 selector : {11, 12, 15, -1, 1000})
        EXPECT_EQ(exporter->call(selector, nullptr), -100) << selector;
    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    exporter->unload();
    const std::vector<std::string> lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "[exSelQueryOutputFileList] (11)"));
    EXPECT_TRUE(contains(lines, "[????] (-1)"));
    EXPECT_TRUE(contains(lines, "    [exportReturn_Unsupported] (-100)"));
    expectBalanced();
}

TEST_F(Entry, InstanceWithoutBasicSuiteIsStillMadeAndEnded)
{
    exExporterInstanceRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.exporterPluginID = 1;
    EXPECT_EQ(exporter->callWith(host->fake().exporterStdParmsWithoutBasicSuite(), exSelBeginInstance, &rec),
              exportReturn_ErrMemory);
    EXPECT_NE(static_cast<void*>(rec.privateData), nullptr);
    EXPECT_EQ(exporter->call(exSelEndInstance, &rec), 0);
    EXPECT_EQ(static_cast<void*>(rec.privateData), nullptr);
    // A null field is nothing to end.
    EXPECT_EQ(exporter->call(exSelEndInstance, &rec), 0);
    expectBalanced();
}

TEST_F(Entry, LazyInstanceAcquiresOnlyWhatItUses)
{
    openDialog();
    for (const char* unused : {kPrSDKExportProgressSuite, kPrSDKSequenceRenderSuite, kPrSDKClipRenderSuite,
                               kPrSDKMarkerSuite, kPrSDKWindowSuite, kPrSDKPPixSuite})
        EXPECT_EQ(host->fake().stats(unused).acquireCalls, 0) << unused;
    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, FatalNetReportsAndReturns99WithoutAReturnLine)
{
    enablePluginLog();
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->beginInstance(), 0);
    host->fake().refuse(kPrSDKExportInfoSuite);
    EXPECT_EQ(exporter->generateDefaultParams(), 99);
    const auto events = host->fake().events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, prEventError);
    EXPECT_EQ(events[0].title, "QuorvaneExporter: Internal error");
    const std::string text = "FATAL: Unhandled exception during [exSelGenerateDefaultParams] (3): Could not acquire "
                             "suite: 'MediaCore Export Info Suite', ver: 1";
    EXPECT_EQ(events[0].description, text);
    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    exporter->unload();

    const std::vector<std::string> lines = pluginLogLines();
    auto it = std::find(lines.begin(), lines.end(), text);
    ASSERT_NE(it, lines.end());
    ASSERT_NE(it + 1, lines.end());
    EXPECT_EQ(*(it + 1), "----------------------"); // the next call, no return line in between
    expectBalanced();
}

TEST_F(Entry, FatalNetSurvivesARefusedErrorSuite)
{
    host->fake().refuse(kPrSDKErrorSuite);
    ASSERT_EQ(exporter->startup(), 0);
    ASSERT_EQ(exporter->beginInstance(), 0);
    host->fake().refuse(kPrSDKExportParamSuite);
    // The report's own acquisition fails inside the net; the call still returns 99.
    EXPECT_EQ(exporter->postProcessParams(), 99);
    EXPECT_TRUE(host->fake().events().empty());
    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, MissingRecordsAndInstancesGive99)
{
    ASSERT_EQ(exporter->startup(), 0);
    EXPECT_EQ(exporter->call(exSelStartup, nullptr), 99);
    EXPECT_EQ(exporter->call(exSelBeginInstance, nullptr), 99);
    for (csSDK_int32 selector : {3, 4, 5, 6, 7, 9, 10, 13, 14})
        EXPECT_EQ(exporter->call(selector, nullptr), 99) << selector; // no record
    exPostProcessParamsRec rec;
    std::memset(&rec, 0, sizeof rec);
    for (csSDK_int32 selector : {3, 4, 5, 6, 7, 9, 10, 13, 14})
        EXPECT_EQ(exporter->call(selector, &rec), 99) << selector; // no instance in it
    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, QueryOutputSettingsCopiesParameters)
{
    openDialog();
    host->fake().setIntParam(ADBEAudioSampleType, kPrAudioSampleType_24BitInt);

    exQueryOutputSettingsRec rec;
    ASSERT_EQ(exporter->queryOutputSettings(rec, false, false), 0);
    exQueryOutputSettingsRec empty;
    std::memset(&empty, 0, sizeof empty);
    std::memcpy(&empty, &rec, 28); // the head and the flags as the host set them
    EXPECT_EQ(std::memcmp(&rec, &empty, sizeof rec), 0);

    ASSERT_EQ(exporter->queryOutputSettings(rec, true, true), 0);
    EXPECT_EQ(+rec.outVideoWidth, 64);
    EXPECT_EQ(+rec.outVideoHeight, 48);
    EXPECT_EQ(+rec.outVideoFrameRate, kT / 30);
    EXPECT_EQ(+rec.outVideoAspectNum, 1);
    EXPECT_EQ(+rec.outVideoAspectDen, 1);
    EXPECT_EQ(+rec.outVideoFieldType, 0);
    EXPECT_EQ(+rec.outAudioSampleRate, 48000.0);
    EXPECT_EQ(+rec.outAudioSampleType, kPrAudioSampleType_32BitFloat); // always float
    EXPECT_EQ(+rec.outAudioChannelType, kPrAudioChannelType_Stereo);
    EXPECT_EQ(+rec.outBitratePerSecond, 0u);

    std::string extension;
    EXPECT_EQ(exporter->queryFileExtension(extension), 0);
    EXPECT_EQ(extension, "avi");
    EXPECT_EQ(exporter->validateOutputSettings(), 0);
    EXPECT_EQ(exporter->call(exSelParamButton, nullptr), 99);
    ASSERT_EQ(exporter->endInstance(), 0);
    ASSERT_EQ(exporter->shutdown(), 0);
    expectBalanced();
}

TEST_F(Entry, UnloadRunsTheStaticDestructors)
{
    enablePluginLog();
    ASSERT_EQ(exporter->startup(), 0);
    // Unloaded without shutdown: the error-suite holder gives its suite back at unload.
    exporter->unload();
    expectBalanced();
    const std::vector<std::string> lines = pluginLogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "Log opened");
    EXPECT_EQ(lines[lines.size() - 3], "Releasing suite: r: 0, v: 3, n: 'Premiere Error Suite'");
    EXPECT_EQ(lines[lines.size() - 2], "Module destroy");
    EXPECT_EQ(lines.back(), "Log closed");
}

TEST_F(Entry, OnlyTheEntryIsExported)
{
    EXPECT_TRUE(exporter->module().exports("xSDKExport"));
    for (const char* hidden : {"quorvane_library_init", "quorvane_open", "g_errorSuitePtr", "xImportEntry"})
        EXPECT_FALSE(exporter->module().exports(hidden)) << hidden;
}

} // namespace
} // namespace qtest

// The importer's entry function and the selectors that need no opened file, the opening, quieting
// and closing of files, the fatal net and the module's exports.
#include <sys/stat.h>

#include <cstring>

#include "avi_builder.h"
#include "fakehost/FakeHostState.h"
#include "importer_fixture.h"

namespace qtest {
namespace {

using Entry = ImporterTest;

std::string utf16Text(const prUTF16Char* units, std::size_t capacity)
{
    std::vector<prUTF16Char> copy(units, units + capacity);
    copy.back() = 0;
    return fakehost::utf16ToUtf8(copy.data());
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST_F(Entry, ExportsOnlyTheEntryFunction)
{
    EXPECT_TRUE(importer->module().exports("xImportEntry"));
    for (const char* hidden : {"xAsyncImportEntry", "quorvane_open", "quorvane_library_init", "g_errorSuitePtr"})
        EXPECT_FALSE(importer->module().exports(hidden)) << hidden;
}

TEST_F(Entry, InitWritesPriorityAndAsyncSupportOnly)
{
    imImportInfoRec info;
    std::memset(&info, 0xA5, sizeof info);
    host->log().clear();
    ASSERT_EQ(importer->init(&info), 0);
    imImportInfoRec expected;
    std::memset(&expected, 0xA5, sizeof expected);
    expected.priority = 200;
    expected.canProvideAsyncImporter = 1;
    EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);
    // The error suite is held from init to shutdown; the tables asked the host about formats.
    EXPECT_EQ(host->fake().outstanding(kPrSDKErrorSuite), 1);
    EXPECT_GT(host->log().count("ImageProcessing.isTopLeft"), 0u);
    EXPECT_EQ(importer->shutdown(), 0);
    EXPECT_EQ(host->outstandingSuites(), 0);
}

TEST_F(Entry, InitTwiceReplacesTheErrorSuite)
{
    initImporter();
    initImporter();
    EXPECT_EQ(host->fake().stats(kPrSDKErrorSuite).granted, 2);
    EXPECT_EQ(host->fake().outstanding(kPrSDKErrorSuite), 1);
    finishAndExpectBalanced();
}

TEST_F(Entry, FormatIndexZeroAndBeyond)
{
    initImporter();
    imIndFormatRec rec;
    std::memset(&rec, 0x5A, sizeof rec);
    ASSERT_EQ(importer->indFormat(0, rec), 0);
    EXPECT_EQ(+rec.filetype, 0x41564956u);
    EXPECT_EQ(std::memcmp(&rec.filetype, "VIVA", 4), 0);
    EXPECT_EQ(+rec.flags, 0);
    EXPECT_STREQ(rec.formatName, "Quorvane AVI");
    EXPECT_STREQ(rec.formatShortName, "Quorvane AVI");
    EXPECT_STREQ(rec.platformExtension, "avi");

    for (unsigned index : {1u, 2u, 0xFFFFFFFFu}) {
        imIndFormatRec untouched;
        std::memset(&untouched, 0x5A, sizeof untouched);
        imIndFormatRec copy = untouched;
        EXPECT_EQ(importer->indFormat(index, untouched), 301);
        EXPECT_EQ(std::memcmp(&untouched, &copy, sizeof copy), 0);
    }
    finishAndExpectBalanced();
}

TEST_F(Entry, SubtypeNamesComeInTableOrderInOneHostBlock)
{
    initImporter();
    std::vector<imSubTypeDescriptionRec> rows;
    ASSERT_EQ(importer->subTypeNames(rows, 0x41564956u), 0);
    ASSERT_EQ(rows.size(), 17u);
    const char* codes[] = {"Q8RA", "Q8RG", "Q8YA", "Q8Y4", "Q8Y2", "Q8Y0", "Q8G0", "Q0RA", "Q0RG",
                           "Q0Y4", "Q0Y2", "Q0Y0", "Q0G0", "Q2RA", "Q2RG", "Q4RA", "Q4RG"};
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].subtype, PrFourCCHighFirst(codes[i][0], codes[i][1], codes[i][2], codes[i][3])) << i;
    EXPECT_EQ(rows[0].subtype, 0x51385241u);
    EXPECT_EQ(utf16Text(rows[0].subTypeName, 256), "Quorvane 8-bit RGBA");
    EXPECT_EQ(utf16Text(rows[6].subTypeName, 256), "Quorvane 8-bit YUV 4:0:0 greyscale");
    finishAndExpectBalanced();
}

TEST_F(Entry, UnsupportedSelectorsAnswerThree)
{
    enablePluginLog();
    for (int selector : {2, 5, 23, 28, 65, 66, 67, 1000, -1})
        EXPECT_EQ(importer->call(selector, nullptr, nullptr), 3) << selector;
    EXPECT_EQ(importer->call(imGetSupports8, nullptr, nullptr), 101);
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "[imSelectClipFrameDescriptor] (65)"));
    EXPECT_TRUE(contains(lines, "    [imUnsupported] (3)"));
    EXPECT_TRUE(contains(lines, "    [malSupports8] (101)"));
    EXPECT_TRUE(contains(lines, "Module destroy"));
}

// Records the importer needs but the host did not give, and a host allocator that fails: the
// net turns them into 99 instead of a crash.
TEST_F(Entry, MissingRecordsAndObjectsGiveNinetyNine)
{
    initImporter();
    EXPECT_EQ(importer->call(imInit, nullptr), 99);
    EXPECT_EQ(importer->call(imGetIndFormat, nullptr, nullptr), 99);
    EXPECT_EQ(importer->call(imOpenFile8, nullptr, nullptr), 99);
    imFileRef ref = 0;
    EXPECT_EQ(importer->call(imQuietFile, &ref, nullptr), 99);
    EXPECT_EQ(importer->call(imCloseFile, &ref, nullptr), 99);
    imFileInfoRec8 info;
    std::memset(&info, 0, sizeof info);
    EXPECT_EQ(importer->call(imGetInfo8, nullptr, &info), 99);
    imSourceVideoRec video{};
    EXPECT_EQ(importer->call(imGetSourceVideo, nullptr, &video), 99);
    imImportAudioRec7 audio{};
    EXPECT_EQ(importer->call(imImportAudio7, nullptr, &audio), 99);
    imAnalysisRec analysis{};
    EXPECT_EQ(importer->call(imAnalysis, nullptr, &analysis), 99);
    imAsyncImporterCreationRec creation{};
    EXPECT_EQ(importer->call(imCreateAsyncImporter, &creation, nullptr), 99);
    EXPECT_EQ(importer->call(imGetSubTypeNames, nullptr, nullptr), 99);
    // Every failure was reported through the error suite with the importer's title.
    const auto events = host->fake().events();
    ASSERT_EQ(events.size(), 11u);
    EXPECT_EQ(events[0].type, prEventError);
    EXPECT_EQ(events[0].title, "QuorvaneImporter: Internal error");
    EXPECT_EQ(events[0].description, "FATAL: Unhandled exception during [imInit] (0): no import info record");
    EXPECT_EQ(events[3].description, "FATAL: Unhandled exception during [imQuietFile] (8): no importer object");
    finishAndExpectBalanced();
}

TEST_F(Entry, SubtypeNamesWithAFailingAllocator)
{
    initImporter();
    auto& memFuncs = host->fake().state().memFuncs;
    const auto original = memFuncs.newPtr;
    memFuncs.newPtr = [](csSDK_uint32) -> PrMemoryPtr { return nullptr; };
    imSubTypeDescriptionRec* block = nullptr;
    EXPECT_EQ(importer->call(imGetSubTypeNames, reinterpret_cast<void*>(std::intptr_t(0x41564956)), &block), 99);
    EXPECT_EQ(block, nullptr);
    memFuncs.newPtr = original;
    finishAndExpectBalanced();
}

// The fatal net itself must not throw when the error suite cannot be had.
TEST_F(Entry, FatalNetWithARefusedErrorSuite)
{
    initImporter();
    host->fake().provide(kPrSDKErrorSuite, kPrSDKErrorSuiteVersion, nullptr);
    EXPECT_EQ(importer->shutdown(), 0); // the held suite goes back
    initImporter();                       // a holder whose suite was refused
    EXPECT_EQ(importer->call(imGetIndFormat, nullptr, nullptr), 99);
    EXPECT_TRUE(host->fake().events().empty());
    finishAndExpectBalanced();
}

TEST_F(Entry, OpenQuietReopenClose)
{
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();
    standin::ImporterDriver::File file;
    ASSERT_EQ(importer->open(file, path("a.avi")), 0);
    ASSERT_NE(file.privateData, nullptr);
    EXPECT_GE(file.fileRef, 0);
    imFileInfoRec8 info;
    ASSERT_EQ(importer->getInfo(file, info), 0);

    void* object = file.privateData;
    EXPECT_EQ(importer->quiet(file), 0);
    EXPECT_EQ(file.fileRef, kImInvalidFileRef);
    ASSERT_EQ(importer->open(file, path("a.avi")), 0);
    EXPECT_EQ(file.privateData, object); // reopened on the same object
    EXPECT_GE(file.fileRef, 0);
    ASSERT_EQ(importer->getInfo(file, info), 0);
    PPixHand frame = nullptr;
    ASSERT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), frame), 0);
    importer->take(frame);

    // A failed reopen leaves the object with the host, usable for another open.
    EXPECT_EQ(importer->quiet(file), 0);
    EXPECT_EQ(importer->open(file, path("missing.avi")), 2);
    EXPECT_EQ(file.privateData, object);
    ASSERT_EQ(importer->open(file, path("a.avi")), 0);
    EXPECT_EQ(importer->close(file), 0);
    EXPECT_EQ(file.fileRef, kImInvalidFileRef);
    finishAndExpectBalanced();
}

// Opening never creates a file, not even for read and write access.
TEST_F(Entry, OpeningAMissingFileCreatesNothing)
{
    initImporter();
    for (PrFileOpenAccess access : {kPrOpenFileAccess_ReadOnly, kPrOpenFileAccess_ReadWrite, PrFileOpenAccess(2)}) {
        standin::ImporterDriver::File file;
        EXPECT_EQ(importer->open(file, path("missing.avi"), 0, access), 2);
        EXPECT_EQ(file.privateData, nullptr);
        EXPECT_FALSE(exists(path("missing.avi"))) << int(access);
    }
    // Read-write and unknown access values open an existing file.
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    for (PrFileOpenAccess access : {kPrOpenFileAccess_ReadWrite, PrFileOpenAccess(2)}) {
        standin::ImporterDriver::File file;
        ASSERT_EQ(importer->open(file, path("a.avi"), 0, access), 0);
        imFileInfoRec8 info;
        EXPECT_EQ(importer->getInfo(file, info), 0);
        EXPECT_EQ(importer->close(file), 0);
    }
    finishAndExpectBalanced();
}

TEST_F(Entry, SourceVideoBeforeInfoIsALogicError)
{
    enablePluginLog();
    writeAvi(path("a.avi"), AviSpec{VideoTrack{}, {}});
    initImporter();
    standin::ImporterDriver::File file;
    ASSERT_EQ(importer->open(file, path("a.avi")), 0);
    PPixHand frame = nullptr;
    EXPECT_EQ(importer->sourceVideo(file, 0, formatsOf(PrPixelFormat_BGRX_4444_8u), frame), 99);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
    importer->unload();
    const auto lines = pluginLogLines();
    EXPECT_TRUE(contains(lines, "FATAL: Unhandled exception during [imGetSourceVideo] (47): m_videoInfo is NULL"));
}

} // namespace
} // namespace qtest

// The export file object over a scripted export file suite: positions, sizes, writes and closing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "container/fileio/Errors.h"
#include "exporter/MediaCoreFile.h"

namespace {

// A file object in memory with a log of the calls made on it.
struct ScriptedFile {
    std::vector<unsigned char> bytes;
    long long position = 0;
    std::vector<std::string> calls;
    prSuiteError writeResult = 0;
    prSuiteError seekResult = 0;
    int closes = 0;
};

ScriptedFile* g_file = nullptr;

prSuiteError fileOpen(csSDK_uint32) { return 0; }

prSuiteError fileWrite(csSDK_uint32 object, const void* data, csSDK_int32 count)
{
    g_file->calls.push_back("write " + std::to_string(object) + " " + std::to_string(count));
    if (g_file->writeResult != 0)
        return g_file->writeResult;
    if (g_file->bytes.size() < std::size_t(g_file->position + count))
        g_file->bytes.resize(std::size_t(g_file->position + count));
    std::memcpy(g_file->bytes.data() + g_file->position, data, std::size_t(count));
    g_file->position += count;
    return 0;
}

prSuiteError fileSeek(csSDK_uint32 object, csSDK_int64 position, csSDK_int64* out, PrExportFileSeekMode mode)
{
    g_file->calls.push_back("seek " + std::to_string(object) + " " + std::to_string(position) + " " +
                            std::to_string(mode));
    if (g_file->seekResult != 0)
        return g_file->seekResult;
    const long long base = mode == fileSeekMode_Begin ? 0 : mode == fileSeekMode_End ? (long long)g_file->bytes.size()
                                                                                     : g_file->position;
    g_file->position = base + position;
    *out = g_file->position;
    return 0;
}

prSuiteError fileClose(csSDK_uint32 object)
{
    g_file->calls.push_back("close " + std::to_string(object));
    ++g_file->closes;
    return 0;
}

prSuiteError filePath(csSDK_uint32, csSDK_int32*, prUTF16Char*) { return -1; }

const PrSDKExportFileSuite kSuite{fileOpen, fileWrite, fileSeek, fileClose, filePath};

class MediaCoreFileTest : public ::testing::Test {
protected:
    void SetUp() override { g_file = &file; }
    void TearDown() override { g_file = nullptr; }
    ScriptedFile file;
};

TEST_F(MediaCoreFileTest, SizeKeepsThePositionAndUsesTheHostsSeekModes)
{
    fileio::MediaCoreFile f(&kSuite, 7, false);
    f.write_e("0123456789", 10);
    ASSERT_TRUE(f.seek(4));
    file.calls.clear();
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.pos(), 4);
    const std::vector<std::string> expected = {"seek 7 0 2", "seek 7 0 1", "seek 7 4 0", "seek 7 0 2"};
    EXPECT_EQ(file.calls, expected);
}

TEST_F(MediaCoreFileTest, WriteAtPatchesBehindAndComesBack)
{
    fileio::MediaCoreFile f(&kSuite, 7, false);
    f.write_e("abcdefgh", 8);
    EXPECT_EQ(f.write_at_e("XY", 2, 3), 2u);
    EXPECT_EQ(f.pos(), 8);
    EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.end()), "abcXYfgh");
}

TEST_F(MediaCoreFileTest, WritesAreAllOrNothing)
{
    fileio::MediaCoreFile f(&kSuite, 7, false);
    file.writeResult = 5;
    EXPECT_EQ(f.write("abc", 3), 0u);
    EXPECT_THROW(f.write_e("abc", 3), fileio::WriteError);
    file.writeResult = 0;
    EXPECT_EQ(f.write("abc", 3), 3u);
}

TEST_F(MediaCoreFileTest, RefusedSeekFailsAndCannotOpenOrRead)
{
    fileio::MediaCoreFile f(&kSuite, 7, false);
    file.seekResult = -1;
    EXPECT_FALSE(f.seek(0));
    EXPECT_THROW(f.seek_e(0), fileio::SeekError);
    EXPECT_EQ(f.size(), 0); // nothing reported
    file.seekResult = 1;    // a positive result is not a failure
    EXPECT_TRUE(f.seek(0));

    EXPECT_FALSE(f.open("/tmp/x", 0));
    char buffer[4] = {1, 2, 3, 4};
    EXPECT_EQ(f.read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], 1);
}

TEST_F(MediaCoreFileTest, ClosesOnceAndOnlyWhenOwning)
{
    {
        fileio::MediaCoreFile f(&kSuite, 7, true);
        f.close();
        EXPECT_EQ(f.fileObject, 0u);
        EXPECT_FALSE(f.closeOnDestroy);
    }
    EXPECT_EQ(file.closes, 1);
    { fileio::MediaCoreFile f(&kSuite, 8, true); }
    EXPECT_EQ(file.closes, 2);
    { fileio::MediaCoreFile f(&kSuite, 9, false); }
    EXPECT_EQ(file.closes, 2);
}

} // namespace

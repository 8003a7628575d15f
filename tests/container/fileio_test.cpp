// The file interface's non-virtual forms and its error family, over an in-memory file.

#include <gtest/gtest.h>

#include "common/test_random.h"
#include "container/fileio/Errors.h"
#include "test_files.h"

namespace {

using qtest::MemoryFile;

TEST(FileErrors, MessagesAndFields)
{
    EXPECT_STREQ(fileio::SeekError(-1).what(), "Seek error: offset: -1");
    EXPECT_STREQ(fileio::SeekError(5000000000LL).what(), "Seek error: offset: 5000000000");
    EXPECT_STREQ(fileio::ReadError(8, 0).what(), "Read error: size: 8, read: 0");
    EXPECT_STREQ(fileio::WriteError(18446744073709551615ull, 3).what(),
                 "Write error: size: 18446744073709551615, written: 3");
    fileio::WriteAtError wa(-7, 4, 0);
    EXPECT_STREQ(wa.what(), "Write at error: offset: -7, size: 4, written: 0");
    EXPECT_EQ(wa.offset, -7);
    EXPECT_EQ(wa.size, 4u);
    EXPECT_EQ(wa.written, 0u);
    fileio::ReadAlignedError ra(12288, 100, 99);
    EXPECT_STREQ(ra.what(), "Read aligned error: offset: 12288, size: 100, read: 99");
    EXPECT_EQ(ra.read, 99u);
    EXPECT_STREQ(fileio::ReadError(1, 2, "custom").what(), "custom");
    EXPECT_STREQ(fileio::WriteError(1, 2, "custom").what(), "custom");

    // Every kind is caught as the family's root and as a runtime error.
    try {
        throw fileio::WriteAtError(1, 2, 3);
    } catch (const fileio::WriteError& e) {
        EXPECT_EQ(e.size, 2u);
    }
    EXPECT_THROW(throw fileio::ReadAlignedError(0, 1, 0), fileio::ReadError);
    EXPECT_THROW(throw fileio::SeekError(0), fileio::Error);
    EXPECT_THROW(throw fileio::Error("x"), std::runtime_error);
}

TEST(File, ThrowingFormsReportWhatHappened)
{
    MemoryFile f(std::vector<uint8_t>(10, 7));
    uint8_t buf[16];
    f.seek_e(6);
    try {
        f.read_e(buf, 8);
        FAIL();
    } catch (const fileio::ReadError& e) {
        EXPECT_EQ(e.size, 8u);
        EXPECT_EQ(e.read, 4u);
    }
    f.seek_e(10);
    EXPECT_THROW(f.read_e(buf, 8), fileio::ReadError);
    EXPECT_THROW(f.seek_e(-1), fileio::SeekError);
    f.seek_e(0);
    EXPECT_EQ(f.read_e(buf, 10), 10u);

    f.capacity = 12;
    f.seek_e(10);
    try {
        f.write_e(buf, 4);
        FAIL();
    } catch (const fileio::WriteError& e) {
        EXPECT_EQ(e.written, 2u);
    }
}

TEST(File, WriteAtKeepsThePosition)
{
    MemoryFile f(std::vector<uint8_t>(16, 0));
    f.seek(9);
    const uint8_t patch[3] = {1, 2, 3};
    EXPECT_EQ(f.write_at(patch, 3, 2), 3u);
    EXPECT_EQ(f.pos(), 9);
    EXPECT_EQ(f.data[2], 1);
    EXPECT_EQ(f.data[4], 3);

    // A failed seek writes nothing and leaves the position alone.
    f.failSeekAt = 5;
    const long long writesBefore = f.writes;
    EXPECT_EQ(f.write_at(patch, 3, 5), 0u);
    EXPECT_EQ(f.writes, writesBefore);
    EXPECT_EQ(f.pos(), 9);
    try {
        f.write_at_e(patch, 3, 5);
        FAIL();
    } catch (const fileio::WriteAtError& e) {
        EXPECT_EQ(e.offset, 5);
        EXPECT_EQ(e.written, 0u);
        EXPECT_STREQ(e.what(), "Write at error: offset: 5, size: 3, written: 0");
    }
    EXPECT_EQ(f.write_at_e(patch, 3, 12), 3u);
    EXPECT_EQ(f.pos(), 9);
}

TEST(File, AlignedReadsMatchPlainReads)
{
    std::vector<uint8_t> bytes(50000);
    qtest::fill_random(bytes.data(), bytes.size());
    MemoryFile f(bytes);
    EXPECT_EQ(f.aligned_extra_bytes(), 12285u);

    for (int iter = 0; iter < 300; ++iter) {
        const size_t align = size_t(1) << qtest::rand_int(0, 12);
        const size_t sector = size_t(1) << qtest::rand_int(0, 12);
        const size_t size = static_cast<size_t>(qtest::rand_int(0, 9000));
        const long long offset = qtest::rand_int(0, 52000);
        std::vector<uint8_t> buffer(size + align + 2 * sector - 3 + 64);
        uint8_t* start = buffer.data() + qtest::rand_int(0, 63);
        const auto [data, available] = f.read_aligned(start, size, offset, align, sector);
        uint8_t* p = static_cast<uint8_t*>(data);
        ASSERT_GE(p, start);
        // The sector read lands on an aligned address inside the buffer.
        ASSERT_EQ((reinterpret_cast<uintptr_t>(p) - static_cast<uintptr_t>(offset % sector)) % align, 0u);
        const size_t inFile = offset < 50000 ? 50000 - static_cast<size_t>(offset) : 0;
        ASSERT_GE(available, std::min(size, inFile));
        ASSERT_LE(p + available, buffer.data() + buffer.size());
        for (size_t i = 0; i < std::min(available, inFile); ++i) ASSERT_EQ(p[i], bytes[offset + i]);
    }

    uint8_t small[16];
    EXPECT_EQ(f.read_aligned(small, 4, -3).second, 0u);
    EXPECT_EQ(f.read_aligned_e(small, 0, -3), small);
    std::vector<uint8_t> buffer(100 + f.aligned_extra_bytes());
    EXPECT_THROW(f.read_aligned_e(buffer.data(), 100, 49950), fileio::ReadAlignedError);
    const uint8_t* got = static_cast<uint8_t*>(f.read_aligned_e(buffer.data(), 100, 49900));
    EXPECT_EQ(std::memcmp(got, bytes.data() + 49900, 100), 0);
}

} // namespace

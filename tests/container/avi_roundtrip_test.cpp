// Files the writer makes, read back by the reader: random sequences of video chunks (empty, odd,
// even) and audio chunks over several segments, every chunk found at its offset with its bytes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "common/test_random.h"
#include "container/avi/AviReader.h"
#include "container/avi/AviWriter.h"
#include "container/fileio/PosixFile.h"
#include "test_files.h"

namespace {

using riff::fcc::make;

struct Written {
    size_t stream;
    std::vector<uint8_t> data;
    uint32_t duration;
    bool key;
    bool firstRiff;
};

struct Plan {
    std::vector<Written> chunks;
    std::vector<uint32_t> types;
    uint64_t firstRiffLimit, riffLimit;
};

Plan random_plan()
{
    Plan p;
    p.types = {avi::fcc::vids, avi::fcc::auds};
    if (qtest::rand_int(0, 2) == 0) p.types.push_back(avi::fcc::auds);
    p.firstRiffLimit = static_cast<uint64_t>(qtest::rand_int(16000, 30000));
    p.riffLimit = static_cast<uint64_t>(qtest::rand_int(4000, 30000));
    const int count = qtest::rand_int(0, 300);
    for (int i = 0; i < count; ++i) {
        Written w{};
        w.stream = static_cast<size_t>(qtest::rand_int(0, static_cast<int>(p.types.size()) - 1));
        const int kind = qtest::rand_int(0, 3);
        const size_t size = kind == 0 ? 0 : static_cast<size_t>(qtest::rand_int(1, 1500));
        w.data.resize(size);
        qtest::fill_random(w.data.data(), size);
        w.duration = p.types[w.stream] == avi::fcc::vids ? 1 : static_cast<uint32_t>(size / 4);
        w.key = p.types[w.stream] == avi::fcc::vids && size != 0;
        p.chunks.push_back(std::move(w));
    }
    return p;
}

void write_plan(fileio::File& file, Plan& p)
{
    avi::AviWriter w(&file);
    w.firstRiffLimit = p.firstRiffLimit;
    w.riffLimit = p.riffLimit;
    w.maxFileSize = 1 << 20;
    w.init(320, 240, 33366);
    const uint8_t extra[32] = {'Q', 'O', 'R', 'V'};
    for (uint32_t type : p.types) {
        const size_t s = w.addStream(type);
        if (type == avi::fcc::vids)
            w.streams[s]->initAsVideo(320, 240, 24, make("Q8Y2"), 30000, 1001, 320 * 240 * 2, sizeof(extra), extra);
        else
            w.streams[s]->initAsAudio(avi::WAVE_FORMAT_PCM, 2, 48000, 16, 3);
    }
    w.writeHeader();
    for (Written& c : p.chunks) {
        w.writeChunk(c.stream, c.data.data(), c.data.size(), c.duration, c.key);
        c.firstRiff = w.inFirstRiff;
    }
    w.finalize();
}

void check_plan(fileio::File& file, const Plan& p)
{
    avi::AviReader reader;
    ASSERT_TRUE(reader.parse(&file, avi::AviReader::Full)) << reader.errors;
    EXPECT_EQ(reader.errors, "");
    ASSERT_EQ(reader.streams.size(), p.types.size());
    EXPECT_EQ(reader.avih.dwStreams, p.types.size());
    EXPECT_EQ(reader.avih.dwWidth, 320u);
    EXPECT_EQ(reader.getStreamIndices(avi::fcc::vids), std::vector<size_t>{0});

    uint32_t videoFrames = 0, firstRiffFrames = 0;
    for (size_t s = 0; s < p.types.size(); ++s) {
        const avi::Stream& stream = *reader.streams[s];
        EXPECT_EQ(stream.index, s);
        EXPECT_EQ(stream.header.fccType, p.types[s]);
        EXPECT_TRUE(stream.useOdmlIndex);
        std::vector<const Written*> mine, firstRiff;
        uint32_t duration = 0;
        for (const Written& c : p.chunks)
            if (c.stream == s) {
                mine.push_back(&c);
                if (c.firstRiff) firstRiff.push_back(&c);
                duration += c.duration;
            }
        EXPECT_EQ(stream.header.dwLength, duration);
        if (p.types[s] == avi::fcc::vids) {
            videoFrames = static_cast<uint32_t>(mine.size());
            firstRiffFrames = static_cast<uint32_t>(firstRiff.size());
            EXPECT_EQ(stream.getStreamFormatExtra().size(), 32u);
        }

        ASSERT_EQ(stream.odmlEntries.size(), mine.size());
        uint64_t position = 0;
        for (size_t i = 0; i < mine.size(); ++i) {
            const avi::Stream::IndexEntry& e = stream.odmlEntries[i];
            ASSERT_EQ(e.size, mine[i]->data.size());
            EXPECT_EQ(e.key, mine[i]->key);
            EXPECT_EQ(e.position, position);
            std::vector<uint8_t> got(e.size);
            ASSERT_TRUE(file.seek(static_cast<long long>(e.offset)));
            ASSERT_EQ(file.read(got.data(), got.size()), got.size());
            ASSERT_EQ(got, mine[i]->data) << "stream " << s << " chunk " << i;
            // The header in front of the data names the stream.
            uint8_t head[8];
            ASSERT_TRUE(file.seek(static_cast<long long>(e.offset - 8)));
            ASSERT_EQ(file.read(head, 8), 8u);
            EXPECT_EQ(qtest::le32(head), stream.dataChunkId());
            EXPECT_EQ(qtest::le32(head + 4), e.size);
            if (e.size) {
                const auto found = stream.findIndex(position + e.size - 1);
                EXPECT_EQ(found - stream.odmlEntries.begin(), static_cast<ptrdiff_t>(i));
            }
            position += e.size;
        }
        EXPECT_EQ(stream.getSizeInBytes(), position);

        // idx1 covers exactly the chunks of the first RIFF, at the same offsets.
        ASSERT_EQ(stream.idx1Entries.size(), firstRiff.size());
        for (size_t i = 0; i < firstRiff.size(); ++i) {
            EXPECT_EQ(stream.idx1Entries[i].offset, stream.odmlEntries[i].offset);
            EXPECT_EQ(stream.idx1Entries[i].size, stream.odmlEntries[i].size);
            EXPECT_EQ(stream.idx1Entries[i].key, stream.odmlEntries[i].key);
        }
    }
    EXPECT_EQ(reader.dmlh.dwTotalFrames, videoFrames);
    EXPECT_EQ(reader.avih.dwTotalFrames, firstRiffFrames);
}

TEST(AviRoundTrip, RandomSequencesOverSegments)
{
    size_t multiSegment = 0;
    for (int iter = 0; iter < 60; ++iter) {
        Plan p = random_plan();
        qtest::MemoryFile f;
        write_plan(f, p);
        f.seek(0);
        check_plan(f, p);
        if (HasFatalFailure()) return;
        if (!p.chunks.empty() && !p.chunks.back().firstRiff) ++multiSegment;

        // Every RIFF keeps within its limit.
        f.seek(0);
        std::list<riff::Chunk> top;
        ASSERT_TRUE(riff::readList(top, &f, f.data.size(), {}, {}));
        for (const riff::Chunk& c : top)
            EXPECT_LE(uint64_t(c.size) + 8, c.type == avi::fcc::AVI_ ? p.firstRiffLimit : p.riffLimit);
    }
    EXPECT_GT(multiSegment, 30u);
}

TEST(AviRoundTrip, PosixFileOnDisk)
{
    const std::string path = (std::filesystem::temp_directory_path() / ("qv_roundtrip_" + std::to_string(getpid()) + ".avi")).string();
    Plan p = random_plan();
    {
        fileio::PosixFile out;
        ASSERT_TRUE(out.open(path.c_str(), 2));
        write_plan(out, p);
    }
    fileio::PosixFile in;
    ASSERT_TRUE(in.open(path.c_str(), 9));
    check_plan(in, p);
    in.close();
    std::filesystem::remove(path);
}

} // namespace

// The OpenDML writer: the exact layout of a small file, segment changes at the real limits,
// misuse and failures.

#include <gtest/gtest.h>

#include <cstring>

#include "container/avi/AviReader.h"
#include "container/avi/AviWriter.h"
#include "container/fileio/Errors.h"
#include "test_files.h"

namespace {

using qtest::HoleFile;
using qtest::le32;
using qtest::le64;
using qtest::MemoryFile;
using riff::fcc::make;

void add_video(avi::AviWriter& w, size_t extraSize = 32)
{
    std::vector<uint8_t> extra(extraSize, 0x5A);
    const size_t s = w.addStream(avi::fcc::vids);
    w.streams[s]->initAsVideo(64, 48, 24, make("Q8RG"), 25, 1, 64 * 48 * 3, extra.size(), extra.data());
}

void add_audio(avi::AviWriter& w)
{
    const size_t s = w.addStream(avi::fcc::auds);
    w.streams[s]->initAsAudio(avi::WAVE_FORMAT_PCM, 2, 48000, 16, 3);
}

TEST(AviWriter, TinyFileLayout)
{
    MemoryFile f;
    avi::AviWriter w(&f);
    w.init(64, 48, 40000);
    add_video(w);
    w.writeHeader();
    EXPECT_EQ(w.avihPos, 32);
    EXPECT_EQ(w.streams[0]->strhPos, 108);
    EXPECT_EQ(w.streams[0]->indxPos, 252);
    EXPECT_EQ(w.streams[0]->indxReserve, 65576u);
    EXPECT_EQ(w.moviStart, 66096u);
    w.writeChunk(0, "0123456789", 10, 1, true);
    w.writeChunk(0, nullptr, 0, 1, false);
    w.writeChunk(0, "abcdefg", 7, 1, true);
    w.finalize();

    const std::vector<uint8_t>& b = f.data;
    ASSERT_EQ(b.size(), 66262u);
    auto id = [&](size_t at) { return le32(&b[at]); };
    EXPECT_EQ(id(0), riff::fcc::RIFF);
    EXPECT_EQ(le32(&b[4]), 66254u);
    EXPECT_EQ(id(8), avi::fcc::AVI_);
    EXPECT_EQ(le32(&b[16]), 66076u); // hdrl
    EXPECT_EQ(id(20), avi::fcc::hdrl);
    EXPECT_EQ(id(24), avi::fcc::avih);
    EXPECT_EQ(le32(&b[28]), 56u);
    EXPECT_EQ(le32(&b[92]), 65732u); // strl
    EXPECT_EQ(id(100), avi::fcc::strh);
    EXPECT_EQ(id(164), avi::fcc::strf);
    EXPECT_EQ(le32(&b[168]), 72u);
    EXPECT_EQ(id(244), avi::fcc::indx);
    EXPECT_EQ(le32(&b[248]), 65576u);
    EXPECT_EQ(id(65828), riff::fcc::LIST);
    EXPECT_EQ(le32(&b[65832]), 260u); // odml
    EXPECT_EQ(id(65836), avi::fcc::odml);
    EXPECT_EQ(id(65840), avi::fcc::dmlh);
    EXPECT_EQ(le32(&b[65844]), 248u);
    EXPECT_EQ(id(66096), riff::fcc::LIST);
    EXPECT_EQ(le32(&b[66100]), 102u); // movi
    EXPECT_EQ(id(66104), avi::fcc::movi);

    // Data chunks: 10 bytes, empty, 7 bytes and a pad byte.
    EXPECT_EQ(id(66108), make("00dc"));
    EXPECT_EQ(le32(&b[66112]), 10u);
    EXPECT_EQ(std::memcmp(&b[66116], "0123456789", 10), 0);
    EXPECT_EQ(id(66126), make("00dc"));
    EXPECT_EQ(le32(&b[66130]), 0u);
    EXPECT_EQ(id(66134), make("00dc"));
    EXPECT_EQ(le32(&b[66138]), 7u);
    EXPECT_EQ(std::memcmp(&b[66142], "abcdefg", 7), 0);
    EXPECT_EQ(b[66149], 0);

    // The segment's standard index.
    EXPECT_EQ(id(66150), make("ix00"));
    EXPECT_EQ(le32(&b[66154]), 48u);
    EXPECT_EQ(b[66158] | b[66159] << 8, 2); // wLongsPerEntry
    EXPECT_EQ(b[66160], 0);                  // bIndexSubType
    EXPECT_EQ(b[66161], 1);                  // bIndexType
    EXPECT_EQ(le32(&b[66162]), 3u);          // nEntriesInUse
    EXPECT_EQ(id(66166), make("00dc"));
    EXPECT_EQ(le64(&b[66170]), 66096u); // qwBaseOffset
    const uint32_t entries[6] = {20, 10, 38, 0x80000000u, 46, 7};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(le32(&b[66182 + 4 * i]), entries[i]) << i;

    // idx1.
    EXPECT_EQ(id(66206), avi::fcc::idx1);
    EXPECT_EQ(le32(&b[66210]), 48u);
    const uint32_t old[12] = {make("00dc"), 0x10, 4, 10, make("00dc"), 0, 22, 0, make("00dc"), 0x10, 30, 7};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(le32(&b[66214 + 4 * i]), old[i]) << i;

    // The patched super index: one entry.
    EXPECT_EQ(b[252] | b[253] << 8, 4);
    EXPECT_EQ(b[255], 0); // index of indexes
    EXPECT_EQ(le32(&b[256]), 1u);
    EXPECT_EQ(id(260), make("00dc"));
    EXPECT_EQ(le64(&b[276]), 66150u);
    EXPECT_EQ(le32(&b[284]), 56u);
    EXPECT_EQ(le32(&b[288]), 3u);
    for (size_t i = 292; i < 252 + 65576; ++i) ASSERT_EQ(b[i], 0) << i;

    // Totals: avih frames, flags and buffer size; dmlh frames; strh length and buffer size.
    EXPECT_EQ(le32(&b[32 + 0]), 40000u);
    EXPECT_EQ(le32(&b[32 + 12]), 0x10u);
    EXPECT_EQ(le32(&b[32 + 16]), 3u);
    EXPECT_EQ(le32(&b[32 + 24]), 1u);
    EXPECT_EQ(le32(&b[32 + 28]), 18u);
    EXPECT_EQ(le32(&b[32 + 32]), 64u);
    EXPECT_EQ(le32(&b[32 + 36]), 48u);
    EXPECT_EQ(le32(&b[65848]), 3u);
    EXPECT_EQ(le32(&b[108 + 32]), 3u);
    EXPECT_EQ(le32(&b[108 + 36]), 10u);
    EXPECT_EQ(le32(&b[108 + 40]), 10000u);

    // A second finalize changes nothing; chunks after it are refused.
    w.finalize();
    EXPECT_EQ(b.size(), 66262u);
    try {
        w.writeChunk(0, "x", 1, 1, true);
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "AviWriter::writeChunk: header is not written, writeHeader() must be called first");
    }
}

TEST(AviWriter, Misuse)
{
    MemoryFile f;
    avi::AviWriter w(&f);
    add_video(w);
    EXPECT_THROW(w.writeChunk(0, "x", 1, 1, true), std::logic_error);
    EXPECT_TRUE(f.data.empty());
    w.writeHeader();
    EXPECT_THROW(w.writeChunk(1, "x", 1, 1, true), std::out_of_range);
    const size_t headerBytes = f.data.size();
    EXPECT_THROW(w.writeHeader(), std::logic_error);
    EXPECT_THROW(w.addStream(avi::fcc::auds), std::logic_error);
    EXPECT_EQ(f.data.size(), headerBytes);
    EXPECT_EQ(w.avih.dwStreams, 1u);

    // The stream is checked before anything else: a bad index never closes a segment.
    w.firstRiffLimit = 0;
    const size_t before = f.data.size();
    EXPECT_THROW(w.writeChunk(5, "x", 1, 1, true), std::out_of_range);
    EXPECT_EQ(f.data.size(), before);
    EXPECT_TRUE(w.inFirstRiff);
    ASSERT_NE(w.riff->current(), nullptr);
    EXPECT_EQ(w.riff->current()->formType, avi::fcc::movi);
}

TEST(AviWriter, NoChunksAndStreamsWithoutChunks)
{
    MemoryFile f;
    {
        avi::AviWriter w(&f);
        add_video(w);
        add_audio(w);
        w.writeHeader();
        w.writeChunk(1, "abcd", 4, 1, false);
        // The destructor finalizes.
    }
    MemoryFile r(f.data);
    avi::AviReader reader;
    ASSERT_TRUE(reader.parse(&r, avi::AviReader::Full)) << reader.errors;
    EXPECT_EQ(reader.errors, "");
    ASSERT_EQ(reader.streams.size(), 2u);
    EXPECT_EQ(reader.streams[0]->superIndex.nEntriesInUse, 0u);
    EXPECT_TRUE(reader.streams[0]->entries().empty());
    EXPECT_EQ(reader.streams[1]->superIndex.nEntriesInUse, 1u);
    ASSERT_EQ(reader.streams[1]->entries().size(), 1u);
    EXPECT_FALSE(reader.streams[1]->entries()[0].key);
    EXPECT_EQ(reader.avih.dwTotalFrames, 0u);
    EXPECT_EQ(reader.dmlh.dwTotalFrames, 0u);
    EXPECT_EQ(reader.streams[1]->header.dwLength, 1u);
}

// Segment changes at the real limits: a chunk that just fits stays, two bytes more move on. The
// sizes follow from this file's layout, worked out by hand:
// - up to the movi list 131780 bytes: RIFF 12, hdrl 12, avih 64; video strl 12, strh 64, strf 80,
//   indx 65584; audio strl 12, strh 64, strf 24, indx 65584; odml 12, dmlh 256. Then movi 12.
// - chunks: audio 9 bytes (18 with header and pad), video 4 (12), 1000 x 1000000 (1000008 each):
//   1000139822 bytes before the chunk that meets the first limit.
// - the first RIFF ends with ix00 (32 + 8 per video chunk), ix01 (32 + 8) and idx1 (8 + 16 per
//   chunk). With a last chunk of 73577848 bytes that is 1000139822 + 8 + 73577848 + 8048 + 40 +
//   16056 = 1073741822, the limit. Two bytes more and that chunk opens the first AVIX, and the
//   first RIFF ends at 1000139822 + 8040 + 40 + 16040 = 1000163942.
// - an AVIX may hold its chunks, their ix00 and, as the writer counts, an index for the audio
//   stream too (32): after a 2-byte chunk (12 + 12 + 10) the largest that fits is
//   2147483646 - 34 - 8 - (32 + 16) - 32 = 2147483524. The AVIX that also holds the
//   73577850-byte chunk (12 + 12 + 73577858 + 10) takes at most 2073905658.
TEST(AviWriter, SegmentBoundaryAtTheRealLimits)
{
    static const uint8_t payload[16] = {};
    const struct {
        uint64_t last;         // the chunk that meets the first RIFF's limit
        bool staysInFirst;
        uint64_t firstEnd;     // where the first RIFF ends and the first AVIX starts
        uint64_t big;          // the chunk that meets the first AVIX's limit
        bool staysInAvix;
        uint64_t avixBytes;    // the first AVIX, header included
        uint64_t trailer;      // the standard indexes behind the closing audio chunk
    } cases[] = {
        {73577848, true, 1073741822, 2147483524, true, 2147483614, 40},
        {73577850, false, 1000163942, 2073905660, false, 73577940, 80},
    };
    for (const auto& c : cases) {
        HoleFile f;
        avi::AviWriter w(&f);
        add_video(w);
        add_audio(w);
        w.writeHeader();
        w.writeChunk(1, payload, 9, 9, false);
        w.writeChunk(0, payload, 4, 1, true);
        for (int i = 0; i < 1000; ++i) w.writeChunk(0, payload, 1000000, 1, true);
        ASSERT_EQ(f.pos(), 1000139822);

        w.writeChunk(0, payload, c.last, 1, true);
        EXPECT_EQ(w.inFirstRiff, c.staysInFirst) << c.last;
        w.writeChunk(0, payload, 2, 1, true);
        EXPECT_FALSE(w.inFirstRiff);
        const uint64_t avix = w.riffStart;
        EXPECT_EQ(avix, c.firstEnd);

        w.writeChunk(0, payload, c.big, 1, true);
        EXPECT_EQ(w.riffStart == avix, c.staysInAvix) << c.big;
        w.writeChunk(1, payload, 4, 1, false);
        EXPECT_NE(w.riffStart, avix);
        w.finalize();

        // The structure as an independent walk sees it.
        f.seek(0);
        std::list<riff::Chunk> top;
        ASSERT_TRUE(riff::readList(top, &f, f.length, {}, {}));
        ASSERT_EQ(top.size(), 3u);
        auto it = top.begin();
        EXPECT_EQ(it->type, avi::fcc::AVI_);
        EXPECT_EQ(it->endOffset(), c.firstEnd);
        ++it;
        EXPECT_EQ(it->type, avi::fcc::AVIX);
        EXPECT_EQ(it->offset, c.firstEnd);
        EXPECT_EQ(uint64_t(it->size) + 8, c.avixBytes);
        ++it;
        EXPECT_EQ(it->type, avi::fcc::AVIX);

        f.seek(0);
        avi::AviReader reader;
        ASSERT_TRUE(reader.parse(&f, avi::AviReader::Full));
        EXPECT_EQ(reader.errors, "");
        EXPECT_EQ(reader.streams[0]->odmlEntries.size(), 1004u);
        EXPECT_EQ(reader.streams[0]->superIndex.nEntriesInUse, c.staysInAvix ? 2u : 3u);
        EXPECT_EQ(reader.streams[1]->superIndex.nEntriesInUse, 2u);
        EXPECT_EQ(reader.dmlh.dwTotalFrames, 1004u);
        EXPECT_EQ(reader.avih.dwTotalFrames, c.staysInFirst ? 1002u : 1001u);
        // The audio chunk closes the file, followed by the standard indexes of the last segment.
        EXPECT_EQ(reader.streams[1]->odmlEntries.back().offset, f.length - c.trailer - 4);
    }
}

TEST(AviWriter, OversizedChunkIsRefusedBeforeAnythingIsWritten)
{
    static const uint8_t payload[16] = {};
    HoleFile f;
    avi::AviWriter w(&f);
    add_video(w);
    w.writeHeader();
    w.writeChunk(0, payload, 4, 1, true);
    const uint64_t length = f.length;
    for (unsigned long size : {0x7FFFFFFEul, 0x80000000ul, 0xFFFFFFFFul, 0x100000010ul}) {
        EXPECT_THROW(w.writeChunk(0, payload, size, 1, true), fileio::Error) << size;
        EXPECT_EQ(f.length, length);
        EXPECT_TRUE(w.inFirstRiff);
    }
    // The largest chunk that fits an empty segment goes into one of its own.
    const unsigned long largest = 0x7FFFFFFEul - 24 - 8 - 8 - 32;
    w.writeChunk(0, payload, largest, 1, true);
    EXPECT_FALSE(w.inFirstRiff);
    w.finalize();
    f.seek(0);
    avi::AviReader reader;
    ASSERT_TRUE(reader.parse(&f, avi::AviReader::Full));
    EXPECT_EQ(reader.errors, "");
    ASSERT_EQ(reader.streams[0]->odmlEntries.size(), 2u);
    EXPECT_EQ(reader.streams[0]->odmlEntries[1].size, largest);
    EXPECT_TRUE(reader.streams[0]->odmlEntries[1].key);
}

// More segments than the super index reserve holds: the writer refuses the chunk instead of
// finishing a file whose super index is cut off.
TEST(AviWriter, FullSuperIndexIsAnError)
{
    MemoryFile f;
    avi::AviWriter w(&f);
    w.firstRiffLimit = 4096;
    w.riffLimit = 4096;
    w.maxFileSize = 4096 + 2 * 4096; // room for 3 super index entries
    add_video(w);
    add_audio(w);
    w.writeHeader();
    EXPECT_EQ(w.streams[0]->indxReserve, 72u);
    EXPECT_EQ(w.superIndexCapacity(*w.streams[0]), 3u);
    std::vector<uint8_t> payload(1000, 0x33);
    int written = 0;
    try {
        for (;; ++written) w.writeChunk(0, payload.data(), payload.size(), 1, true);
    } catch (const fileio::Error& e) {
        EXPECT_STREQ(e.what(), "AviWriter::writeChunk: super index of stream 0 is full, the file is too large");
    }
    EXPECT_GT(written, 3);
    // Another stream still has room in the open segment and its own index.
    w.writeChunk(1, "ab", 2, 1, false);
    w.finalize();

    MemoryFile r(f.data);
    avi::AviReader reader;
    ASSERT_TRUE(reader.parse(&r, avi::AviReader::Full));
    EXPECT_EQ(reader.errors, "");
    EXPECT_EQ(reader.streams[0]->superIndex.nEntriesInUse, 3u);
    EXPECT_EQ(reader.streams[0]->odmlEntries.size(), static_cast<size_t>(written));
    EXPECT_EQ(reader.dmlh.dwTotalFrames, static_cast<uint32_t>(written));
}

TEST(AviWriter, FailuresPropagate)
{
    // A write failing while a chunk goes out.
    MemoryFile f;
    avi::AviWriter w(&f);
    add_video(w);
    w.writeHeader();
    f.capacity = f.data.size() + 10;
    EXPECT_THROW(w.writeChunk(0, "0123456789abcdef", 16, 1, true), fileio::WriteError);

    // finalize patches everything it can and then reports the failure once.
    MemoryFile g;
    auto v = std::make_unique<avi::AviWriter>(&g);
    add_video(*v);
    v->writeHeader();
    v->writeChunk(0, "abcd", 4, 7, true);
    g.failSeekAt = v->avihPos;
    try {
        v->finalize();
        FAIL();
    } catch (const fileio::Error& e) {
        EXPECT_STREQ(e.what(), "AviWriter::finalize: failed to correctly finalize avi");
    }
    EXPECT_EQ(le32(&g.data[v->streams[0]->strhPos + 32]), 7u);
    EXPECT_EQ(le32(&g.data[v->avihPos + 16]), 0u); // avih was not patched
    v.reset();                                  // nothing more to do, nothing thrown
}

} // namespace

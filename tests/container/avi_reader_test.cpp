// The AVI reader on damaged and unusual files: the exact error lines, which streams survive and
// which index each stream ends up using.

#include <gtest/gtest.h>

#include <functional>

#include "alloc_tracker.h"
#include "avi_test_files.h"
#include "container/avi/AviReader.h"
#include "container/riff/RiffWriter.h"

namespace {

using qtest::find_chunks;
using qtest::MemoryFile;
using qtest::put32;
using riff::fcc::make;

const char* const kNotAvi = "file doesn't look like AVI (first 12 bytes is not 'RIFF'....'AVI ')";

struct Layout {
    std::vector<uint64_t> strh, strf, indx, ix00, ix01, idx1, movi, hdrl, avih;
    explicit Layout(const std::vector<uint8_t>& b)
        : strh(find_chunks(b, avi::fcc::strh)), strf(find_chunks(b, avi::fcc::strf)), indx(find_chunks(b, avi::fcc::indx)),
          ix00(find_chunks(b, make("ix00"))), ix01(find_chunks(b, make("ix01"))), idx1(find_chunks(b, avi::fcc::idx1)),
          movi(find_chunks(b, avi::fcc::movi)), hdrl(find_chunks(b, avi::fcc::hdrl)), avih(find_chunks(b, avi::fcc::avih))
    {
    }
};

struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&, const Layout&)> damage;
    avi::AviReader::ParseMode mode;
    bool result;
    std::function<std::string(const Layout&)> errors;
    std::function<void(const avi::AviReader&)> check;
};

std::string text(const char* s) { return s; }
auto fixed(const char* s) { return [s](const Layout&) { return text(s); }; }

void expect_odml(const avi::AviReader& r, size_t video, size_t audio)
{
    ASSERT_EQ(r.streams.size(), 2u);
    EXPECT_TRUE(r.streams[0]->useOdmlIndex);
    EXPECT_TRUE(r.streams[1]->useOdmlIndex);
    EXPECT_EQ(r.streams[0]->entries().size(), video);
    EXPECT_EQ(r.streams[1]->entries().size(), audio);
}

void expect_video_on_idx1(const avi::AviReader& r)
{
    ASSERT_EQ(r.streams.size(), 2u);
    EXPECT_FALSE(r.streams[0]->useOdmlIndex);
    ASSERT_EQ(r.streams[0]->entries().size(), 3u);
    EXPECT_EQ(r.streams[0]->entries()[0].size, 10u);
    EXPECT_EQ(r.streams[0]->entries()[2].position, 10u);
    EXPECT_TRUE(r.streams[1]->useOdmlIndex);
}

TEST(AviReader, DamageTable)
{
    const std::vector<uint8_t> base = qtest::make_sample_avi(qtest::sample_chunks());
    const Layout at(base);
    ASSERT_EQ(at.strh.size(), 2u);
    ASSERT_EQ(at.ix00.size(), 1u);
    ASSERT_EQ(at.idx1.size(), 1u);
    const uint64_t superEntry0 = at.indx[0] + 8 + 24;

    const std::vector<Case> cases = {
        {"intact", nullptr, avi::AviReader::Full, true, fixed(""), [](const avi::AviReader& r) { expect_odml(r, 3, 2); }},
        {"fewer than 12 bytes", [](auto& b, auto&) { b.resize(11); }, avi::AviReader::Full, false, fixed(kNotAvi), nullptr},
        {"AVIX form", [](auto& b, auto&) { put32(b, 8, avi::fcc::AVIX); }, avi::AviReader::Full, false, fixed(kNotAvi), nullptr},
        {"RIFX", [](auto& b, auto&) { b[3] = 'X'; }, avi::AviReader::Full, false, fixed(kNotAvi), nullptr},
        {"hdrl renamed", [](auto& b, auto& l) { put32(b, l.hdrl[0] + 8, make("hdrX")); }, avi::AviReader::Full, false,
         fixed("hdrl missing\n"), nullptr},
        {"avih renamed", [](auto& b, auto& l) { put32(b, l.avih[0], make("avhi")); }, avi::AviReader::Full, false,
         fixed("avih missing\n"), nullptr},
        {"stream 0 without strf", [](auto& b, auto& l) { put32(b, l.strf[0], make("strX")); }, avi::AviReader::Full, true,
         fixed("stream[0]: strf missing in strl\n"),
         [](const avi::AviReader& r) {
             ASSERT_EQ(r.streams.size(), 1u);
             EXPECT_EQ(r.streams[0]->index, 1u);
             EXPECT_EQ(r.streams[0]->header.fccType, avi::fcc::auds);
             EXPECT_EQ(r.streams[0]->entries().size(), 2u);
             EXPECT_EQ(r.getStreamIndices(avi::fcc::auds), std::vector<size_t>{0});
             EXPECT_TRUE(r.getStreamIndices(avi::fcc::vids).empty());
         }},
        {"stream 1 without strh", [](auto& b, auto& l) { put32(b, l.strh[1], make("strX")); }, avi::AviReader::Full, true,
         fixed("stream[1]: strh missing in strl\n"), [](const avi::AviReader& r) { EXPECT_EQ(r.streams.size(), 1u); }},
        // A dropped stream list and no OpenDML index: idx1 entries go by the stream's number in
        // the file, so the audio stream gets "01wb" and never the video's "00dc".
        {"dropped stream on idx1",
         [](auto& b, auto& l) {
             put32(b, l.strf[0], make("strX"));
             put32(b, l.indx[1], make("JUNK"));
         },
         avi::AviReader::Full, true, fixed("stream[0]: strf missing in strl\n"),
         [](const avi::AviReader& r) {
             ASSERT_EQ(r.streams.size(), 1u);
             const avi::Stream& s = *r.streams[0];
             EXPECT_FALSE(s.useOdmlIndex);
             ASSERT_EQ(s.entries().size(), 2u);
             EXPECT_EQ(s.entries()[0].size, 8u);
             EXPECT_EQ(s.entries()[1].size, 12u);
             EXPECT_EQ(s.entries()[1].position, 8u);
         }},
        // A format that claims 4 GiB: refused before any buffer is sized by it.
        {"strf claims 4 GiB", [](auto& b, auto& l) { put32(b, l.strf[0] + 4, 0xFFFFFF00u); }, avi::AviReader::Full, true,
         fixed("stream[0]: strf data read error\n"), [](const avi::AviReader& r) {
             ASSERT_EQ(r.streams.size(), 1u);
             EXPECT_EQ(r.streams[0]->index, 1u);
         }},
        {"no OpenDML index (AVI 1.0)",
         [](auto& b, auto& l) {
             put32(b, l.indx[0], make("JUNK"));
             put32(b, l.indx[1], make("JUNK"));
         },
         avi::AviReader::Full, true, fixed(""),
         [](const avi::AviReader& r) {
             ASSERT_EQ(r.streams.size(), 2u);
             EXPECT_FALSE(r.streams[0]->useOdmlIndex);
             EXPECT_EQ(r.streams[0]->entries().size(), 3u);
             EXPECT_FALSE(r.streams[1]->useOdmlIndex);
             EXPECT_EQ(r.streams[1]->entries().size(), 2u);
             EXPECT_FALSE(r.streams[0]->entries()[1].key);
             EXPECT_TRUE(r.streams[0]->entries()[2].key);
         }},
        {"super index entry size", [](auto& b, auto& l) { b[l.indx[0] + 8] = 2; }, avi::AviReader::Full, true,
         fixed("stream[0]: super index (indx) unexpected super index entry size (wLongsPerEntry): 2\n"), expect_video_on_idx1},
        {"super index too short", [](auto& b, auto& l) { put32(b, l.indx[0] + 12, 5000); }, avi::AviReader::Full, true,
         fixed("stream[0]: super index (indx) chunk data is smaller than nEntriesInUse: 5000 \n"), expect_video_on_idx1},
        {"super entry below 8 bytes", [=](auto& b, auto&) { put32(b, superEntry0 + 8, 7); }, avi::AviReader::Full, true,
         fixed(""), [](const avi::AviReader& r) { expect_odml(r, 0, 2); }},
        {"standard index beyond the file",
         [=](auto& b, auto&) {
             put32(b, superEntry0, 0);
             put32(b, superEntry0 + 4, 1);
         },
         avi::AviReader::Full, true, fixed("stream[0]: could not read standard index at: 4294967304, size: 48\n"),
         expect_video_on_idx1},
        // Too short to hold an index header.
        {"standard index of 10 bytes", [=](auto& b, auto&) { put32(b, superEntry0 + 8, 18); }, avi::AviReader::Full, true,
         [](const Layout& l) { return "stream[0]: could not read standard index at: " + std::to_string(l.ix00[0] + 8) + ", size: 10\n"; },
         expect_video_on_idx1},
        {"standard index entry size", [](auto& b, auto& l) { b[l.ix00[0] + 8] = 4; }, avi::AviReader::Full, true,
         fixed("stream[0]: std index (ix..) unexpected std index entry size (wLongsPerEntry): 4\n"), expect_video_on_idx1},
        {"standard index too short", [](auto& b, auto& l) { put32(b, l.ix00[0] + 12, 9); }, avi::AviReader::Full, true,
         fixed("stream[0]: std index (ix..) chunk data is smaller than nEntriesInUse: 9\n"), expect_video_on_idx1},
        {"idx1 of 40 bytes",
         [](auto& b, auto& l) {
             // The last chunk of the file: cut it there, with the RIFF size to match.
             put32(b, l.idx1[0] + 4, 40);
             b.resize(l.idx1[0] + 8 + 40);
             put32(b, 4, static_cast<uint32_t>(b.size() - 8));
         },
         avi::AviReader::Full, true,
         fixed("idx1 size is not a multiple of index entry size\n"),
         [](const avi::AviReader& r) {
             ASSERT_EQ(r.idx1Entries.size(), 3u);
             EXPECT_EQ(r.idx1Entries[2].ckid, make("00dc"));
             EXPECT_EQ(r.idx1Entries[2].dwChunkOffset, 0u); // the half not in the chunk stays 0
             EXPECT_EQ(r.idx1Entries[2].dwChunkLength, 0u);
             expect_odml(r, 3, 2);
         }},
        {"headers only", nullptr, avi::AviReader::HeadersOnly, true, fixed(""),
         [](const avi::AviReader& r) {
             ASSERT_EQ(r.streams.size(), 2u);
             EXPECT_TRUE(r.idx1Entries.empty());
             for (const auto& s : r.streams) {
                 EXPECT_TRUE(s->idx1Entries.empty());
                 EXPECT_TRUE(s->odmlEntries.empty());
                 EXPECT_TRUE(s->superIndex.entries.empty());
                 EXPECT_FALSE(s->format.empty());
             }
         }},
        {"cut inside movi", [](auto& b, auto& l) { b.resize(l.movi[0] + 40); }, avi::AviReader::Full, true,
         [](const Layout& l) {
             return "riff structure is corrupt or invalid\n"
                    "stream[0]: could not read standard index at: " + std::to_string(l.ix00[0] + 8) + ", size: 48\n"
                    "stream[1]: could not read standard index at: " + std::to_string(l.ix01[0] + 8) + ", size: 40\n";
         },
         [](const avi::AviReader& r) {
             ASSERT_EQ(r.streams.size(), 2u);
             EXPECT_TRUE(r.idx1Entries.empty());
             EXPECT_TRUE(r.streams[0]->entries().empty());
         }},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = base;
        if (c.damage) c.damage(bytes, at);
        MemoryFile f(bytes);
        avi::AviReader reader;
        EXPECT_EQ(reader.parse(&f, c.mode), c.result);
        EXPECT_EQ(reader.errors, c.errors(at));
        if (c.check) c.check(reader);
    }
}

// Files too far off for the writer to make, built chunk by chunk.
std::vector<uint8_t> handmade(uint32_t avihSize, uint32_t strhSize)
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    std::vector<uint8_t> zeros(100, 0);
    w.begin(riff::fcc::RIFF, 4, false, true, avi::fcc::AVI_);
    w.begin(riff::fcc::LIST, 4, false, true, avi::fcc::hdrl);
    w.writeChunk(avi::fcc::avih, avihSize, zeros.data());
    w.begin(riff::fcc::LIST, 4, false, true, avi::fcc::strl);
    w.writeChunk(avi::fcc::strh, strhSize, zeros.data());
    w.writeChunk(avi::fcc::strf, 0, nullptr);
    w.endAll(false);
    return f.data;
}

TEST(AviReader, ShortHeaders)
{
    {
        MemoryFile f(handmade(40, 56));
        avi::AviReader r;
        EXPECT_FALSE(r.parse(&f, avi::AviReader::Full));
        EXPECT_EQ(r.errors, "avih data read error\n");
    }
    {
        MemoryFile f(handmade(56, 55));
        avi::AviReader r;
        EXPECT_TRUE(r.parse(&f, avi::AviReader::Full));
        EXPECT_EQ(r.errors, "stream[0]: strh data read error\n");
        EXPECT_TRUE(r.streams.empty());
    }
    {
        // An empty format is a format: the stream stays.
        MemoryFile f(handmade(56, 56));
        avi::AviReader r;
        EXPECT_TRUE(r.parse(&f, avi::AviReader::Full));
        EXPECT_EQ(r.errors, "");
        ASSERT_EQ(r.streams.size(), 1u);
        EXPECT_TRUE(r.streams[0]->format.empty());
        EXPECT_FALSE(r.streams[0]->useOdmlIndex);
    }
    {
        // Nothing but the RIFF header.
        MemoryFile f(handmade(56, 56));
        f.data.resize(12);
        put32(f.data, 4, 4);
        avi::AviReader r;
        EXPECT_FALSE(r.parse(&f, avi::AviReader::Full));
        EXPECT_EQ(r.errors, "hdrl missing\n");
    }
}

TEST(AviReader, ReadsOnlyTheFirstRiff)
{
    std::vector<qtest::SampleChunk> chunks;
    for (int i = 0; i < 60; ++i) chunks.push_back({static_cast<size_t>(i % 3 == 2), std::vector<uint8_t>(200 + i, uint8_t(i)), i % 3 != 2});
    const std::vector<uint8_t> bytes = qtest::make_sample_avi(chunks, 16000, 3000, 1 << 20);
    const std::vector<uint64_t> avix = find_chunks(bytes, avi::fcc::AVIX);
    ASSERT_GE(avix.size(), 3u);

    MemoryFile whole(bytes);
    avi::AviReader r;
    ASSERT_TRUE(r.parse(&whole, avi::AviReader::Full));
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.streams[0]->entries().size(), 40u);
    EXPECT_EQ(r.chunks.size(), 1u); // the walk stops after the RIFF "AVI "

    // A file cut after its first RIFF still parses cleanly; the index points past the end.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(avix[0]));
    MemoryFile f(cut);
    avi::AviReader c;
    EXPECT_TRUE(c.parse(&f, avi::AviReader::Full));
    EXPECT_EQ(c.errors.find("riff structure"), std::string::npos);
    EXPECT_FALSE(c.streams[0]->idx1Entries.empty());
    EXPECT_LT(c.streams[0]->idx1Entries.size(), 40u);
}

// Every super index entry naming the same large standard index would multiply memory; the
// entries a file can index are bounded by its size.
TEST(AviReader, IndexEntriesAreBoundedByTheFileSize)
{
    std::vector<qtest::SampleChunk> chunks(2000, {0, {}, false});
    std::vector<uint8_t> bytes = qtest::make_sample_avi(chunks);
    const Layout at(bytes);
    const uint64_t entry0 = at.indx[0] + 8 + 24;
    put32(bytes, at.indx[0] + 12, 4097);
    for (uint64_t i = 1; i < 4097; ++i)
        std::copy(bytes.begin() + static_cast<ptrdiff_t>(entry0), bytes.begin() + static_cast<ptrdiff_t>(entry0 + 16),
                  bytes.begin() + static_cast<ptrdiff_t>(entry0 + 16 * i));

    MemoryFile f(bytes);
    avi::AviReader r;
    qtest::heap_reset_peak();
    const size_t before = qtest::heap_live();
    EXPECT_TRUE(r.parse(&f, avi::AviReader::Full));
    EXPECT_LT(qtest::heap_peak() - before, 8 * bytes.size());
    EXPECT_EQ(r.errors, "stream[0]: std index (ix..) indexes more chunks than the file can hold: 2000\n");
    EXPECT_FALSE(r.streams[0]->useOdmlIndex);
    EXPECT_EQ(r.streams[0]->entries().size(), 2000u);
}

// Index chunks whose sizes run to the end of the file: each stream would read the file's tail as
// its own super index, and the streams together would keep many times the file's size.
TEST(AviReader, SuperIndexEntriesAreBoundedByTheFileSize)
{
    constexpr int kStreams = 16;
    MemoryFile f;
    riff::RiffWriter w(&f);
    std::vector<uint8_t> zeros(56, 0);
    std::vector<uint8_t> indx(24, 0);
    indx[0] = 4;                     // wLongsPerEntry
    put32(indx, 4, 0xFFFFFFFF);      // nEntriesInUse
    const std::vector<uint8_t> tail(1 << 16, 0); // super entries of no size: skipped, but kept
    w.begin(riff::fcc::RIFF, 4, false, true, avi::fcc::AVI_);
    w.begin(riff::fcc::LIST, 4, false, true, avi::fcc::hdrl);
    w.writeChunk(avi::fcc::avih, 56, zeros.data());
    for (int i = 0; i < kStreams; ++i) {
        w.begin(riff::fcc::LIST, 4, false, true, avi::fcc::strl);
        w.writeChunk(avi::fcc::strh, 56, zeros.data());
        w.writeChunk(avi::fcc::strf, 0, nullptr);
        w.writeChunk(avi::fcc::indx, 24, indx.data());
        w.end();
    }
    w.end();
    w.writeChunk(make("JUNK"), static_cast<uint32_t>(tail.size()), tail.data());
    w.endAll(false);
    std::vector<uint8_t> bytes = f.data;
    for (uint64_t at : find_chunks(bytes, avi::fcc::indx)) put32(bytes, at + 4, 0x7FFFFFF0);

    MemoryFile file(bytes);
    avi::AviReader r;
    qtest::heap_reset_peak();
    const size_t before = qtest::heap_live();
    EXPECT_TRUE(r.parse(&file, avi::AviReader::Full)) << r.errors;
    EXPECT_LT(qtest::heap_peak() - before, 8 * bytes.size());
    ASSERT_EQ(r.streams.size(), size_t(kStreams));
    size_t named = 0;
    for (const auto& s : r.streams) {
        EXPECT_FALSE(s->useOdmlIndex);
        named += s->superIndex.entries.size();
    }
    EXPECT_LE(named, bytes.size() / 16);
    EXPECT_NE(r.errors.find("stream[1]: super index (indx) names more index chunks than the file can hold: "),
              std::string::npos);
}

TEST(AviReader, Helpers)
{
    EXPECT_FALSE(avi::AviReader::IsNotAvi("RIFF", 4));
    EXPECT_FALSE(avi::AviReader::IsNotAvi("RIFF\x10\0\0\0AVI ", 12));
    EXPECT_TRUE(avi::AviReader::IsNotAvi("RIFF\x10\0\0\0AVIX", 12));
    EXPECT_TRUE(avi::AviReader::IsNotAvi("RIFX\x10\0\0\0AVI ", 12));

    const std::vector<uint8_t> base = qtest::make_sample_avi(qtest::sample_chunks());
    MemoryFile f(base);
    avi::AviReader r;
    ASSERT_TRUE(r.parse(&f, avi::AviReader::Full));
    const riff::Chunk& hdrl = r.chunks.front().children.front();
    const riff::Chunk& avih = hdrl.children.front();
    avi::MainAVIHeader h{};
    EXPECT_TRUE(r.readChunkData(avih, &h, sizeof(h)));
    EXPECT_EQ(h.dwMicroSecPerFrame, 40000u);
    EXPECT_FALSE(r.readChunkData(avih, &h, 57));
    // A list's data starts after its form type.
    uint8_t first[4];
    EXPECT_TRUE(r.readChunkData(hdrl, first, 4));
    EXPECT_EQ(qtest::le32(first), avi::fcc::avih);

    r.reset();
    EXPECT_TRUE(r.streams.empty());
    EXPECT_TRUE(r.chunks.empty());
    EXPECT_EQ(r.file, nullptr);
    EXPECT_EQ(r.avih.dwMicroSecPerFrame, 0u);
}

} // namespace

// avi::Stream: chunk ids, the stream formats byte for byte, index building and lookup.

#include <gtest/gtest.h>

#include <cstring>

#include "container/avi/AviStream.h"
#include "test_files.h"

namespace {

using avi::Stream;
using riff::fcc::make;

std::vector<uint8_t> hex(std::initializer_list<int> v) { return std::vector<uint8_t>(v.begin(), v.end()); }

TEST(AviStream, ChunkIdsAndInitialState)
{
    Stream v(0, avi::fcc::vids);
    EXPECT_EQ(v.dataChunkId(), make("00dc"));
    EXPECT_EQ(v.indexChunkId(), make("ix00"));
    EXPECT_EQ(v.superIndex.dwChunkId, make("00dc"));
    EXPECT_EQ(v.superIndex.wLongsPerEntry, 4);
    EXPECT_EQ(v.superIndex.nEntriesInUse, 0u);
    EXPECT_EQ(v.indxPos, -1);
    EXPECT_EQ(v.strhPos, -1);
    EXPECT_EQ(v.header.fccType, avi::fcc::vids);
    EXPECT_EQ(v.header.dwLength, 0u);
    EXPECT_FALSE(v.useOdmlIndex);

    Stream a(1, avi::fcc::auds);
    EXPECT_EQ(a.dataChunkId(), make("01wb"));
    EXPECT_EQ(a.indexChunkId(), make("ix01"));
    Stream o(12, make("txts"));
    EXPECT_EQ(o.dataChunkId(), make("12??"));
    EXPECT_EQ(o.indexChunkId(), make("ix12"));
    EXPECT_EQ(o.superIndex.dwChunkId, make("12??"));
}

TEST(AviStream, VideoFormat)
{
    uint8_t extra[32];
    for (int i = 0; i < 32; ++i) extra[i] = static_cast<uint8_t>(i * 7);
    Stream s(0, avi::fcc::vids);
    s.initAsVideo(1920, -1080, 24, make("Q8RG"), 30000, 1001, 1920 * 1080 * 3, sizeof(extra), extra);
    EXPECT_EQ(s.header.fccType, avi::fcc::vids);
    EXPECT_EQ(s.header.fccHandler, make("Q8RG"));
    EXPECT_EQ(s.header.dwRate, 30000u);
    EXPECT_EQ(s.header.dwScale, 1001u);
    EXPECT_EQ(s.header.dwQuality, 10000u);
    EXPECT_EQ(s.header.dwSampleSize, 0u);
    EXPECT_EQ(s.header.rcFrame.left, 0);
    EXPECT_EQ(s.header.rcFrame.right, 1920);
    EXPECT_EQ(s.header.rcFrame.bottom, 1080);
    ASSERT_EQ(s.format.size(), 72u);
    const avi::BITMAPINFOHEADER bih = s.getStreamFormatAsVideo();
    EXPECT_EQ(bih.biSize, 72u);
    EXPECT_EQ(bih.biWidth, 1920);
    EXPECT_EQ(bih.biHeight, -1080);
    EXPECT_EQ(bih.biPlanes, 1);
    EXPECT_EQ(bih.biBitCount, 24);
    EXPECT_EQ(bih.biCompression, make("Q8RG"));
    EXPECT_EQ(bih.biSizeImage, 1920u * 1080 * 3);
    EXPECT_EQ(bih.biClrUsed, 0u);
    EXPECT_EQ(s.getStreamFormatExtra(), std::vector<uint8_t>(extra, extra + 32));
    EXPECT_EQ(s.superIndex.dwChunkId, make("00dc"));

    // Short or missing formats read as zero-filled records.
    s.format.resize(10);
    EXPECT_EQ(s.getStreamFormatAsVideo().biCompression, 0u);
    EXPECT_EQ(s.getStreamFormatAsVideo().biWidth, 1920);
    s.format.clear();
    EXPECT_EQ(s.getStreamFormatAsVideo().biSize, 0u);
    EXPECT_TRUE(s.getStreamFormatExtra().empty());

    EXPECT_THROW(s.initAsVideo(1, 1, 24, 0, 1, 1, 0, 4, nullptr), std::invalid_argument);
}

struct AudioCase {
    avi::WaveFormatTag tag;
    unsigned short channels;
    unsigned rate;
    unsigned short bits;
    unsigned mask;
    std::vector<uint8_t> format;
};

TEST(AviStream, AudioFormatTable)
{
    const std::vector<uint8_t> guidTail = hex({0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    auto ext = [&](std::vector<uint8_t> head, std::vector<uint8_t> rest, uint8_t tag) {
        head.insert(head.end(), rest.begin(), rest.end());
        head.insert(head.end(), {tag, 0, 0, 0});
        head.insert(head.end(), guidTail.begin(), guidTail.end());
        return head;
    };
    const std::vector<AudioCase> cases = {
        // Mono without a mask and stereo with the front pair: the plain 16-byte record.
        {avi::WAVE_FORMAT_PCM, 1, 48000, 16, 0,
         hex({1, 0, 1, 0, 0x80, 0xBB, 0, 0, 0x00, 0x77, 0x01, 0, 2, 0, 16, 0})},
        {avi::WAVE_FORMAT_PCM, 2, 44100, 16, 3,
         hex({1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0, 4, 0, 16, 0})},
        {avi::WAVE_FORMAT_IEEE_FLOAT, 2, 48000, 32, 3,
         hex({3, 0, 2, 0, 0x80, 0xBB, 0, 0, 0x00, 0xDC, 0x05, 0, 8, 0, 32, 0})},
        // Mono with a centre mask.
        {avi::WAVE_FORMAT_PCM, 1, 48000, 16, 4,
         ext(hex({0xFE, 0xFF, 1, 0, 0x80, 0xBB, 0, 0, 0x00, 0x77, 0x01, 0, 2, 0, 16, 0, 22, 0}),
             hex({16, 0, 4, 0, 0, 0}), 1)},
        // PCM deeper than 16 bits.
        {avi::WAVE_FORMAT_PCM, 2, 48000, 24, 3,
         ext(hex({0xFE, 0xFF, 2, 0, 0x80, 0xBB, 0, 0, 0x00, 0x65, 0x04, 0, 6, 0, 24, 0, 22, 0}),
             hex({24, 0, 3, 0, 0, 0}), 1)},
        // 5.1 float.
        {avi::WAVE_FORMAT_IEEE_FLOAT, 6, 48000, 32, 0x3F,
         ext(hex({0xFE, 0xFF, 6, 0, 0x80, 0xBB, 0, 0, 0x00, 0x94, 0x11, 0, 24, 0, 32, 0, 22, 0}),
             hex({32, 0, 0x3F, 0, 0, 0}), 3)},
        // 20-bit samples in 3 bytes.
        {avi::WAVE_FORMAT_PCM, 2, 48000, 20, 3,
         ext(hex({0xFE, 0xFF, 2, 0, 0x80, 0xBB, 0, 0, 0x00, 0x65, 0x04, 0, 6, 0, 24, 0, 22, 0}),
             hex({20, 0, 3, 0, 0, 0}), 1)},
        // Stereo with another mask.
        {avi::WAVE_FORMAT_PCM, 2, 8000, 8, 0x30,
         ext(hex({0xFE, 0xFF, 2, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 8, 0, 22, 0}),
             hex({8, 0, 0x30, 0, 0, 0}), 1)},
    };
    for (const AudioCase& c : cases) {
        Stream s(1, avi::fcc::auds);
        s.initAsAudio(c.tag, c.channels, c.rate, c.bits, c.mask);
        const unsigned blockAlign = (c.bits + 7u) / 8u * c.channels;
        EXPECT_EQ(s.format, c.format) << c.channels << " ch, " << c.bits << " bits";
        EXPECT_EQ(s.header.fccType, avi::fcc::auds);
        EXPECT_EQ(s.header.fccHandler, 0u);
        EXPECT_EQ(s.header.dwScale, blockAlign);
        EXPECT_EQ(s.header.dwSampleSize, blockAlign);
        EXPECT_EQ(s.header.dwRate, blockAlign * c.rate);
        EXPECT_EQ(s.header.dwQuality, 10000u);
        EXPECT_EQ(s.superIndex.dwChunkId, make("01wb"));

        const avi::WAVEFORMATEXTENSIBLE wfx = s.getStreamFormatAsAudio();
        EXPECT_EQ(wfx.Format.nChannels, c.channels);
        EXPECT_EQ(wfx.Format.nBlockAlign, blockAlign);
        if (s.format.size() == 16) {
            EXPECT_EQ(wfx.Format.cbSize, 0);
            EXPECT_EQ(wfx.dwChannelMask, 0u);
            EXPECT_TRUE(s.getStreamFormatExtra().empty());
        } else {
            EXPECT_EQ(s.getStreamFormatExtra().size(), 22u);
            EXPECT_EQ(wfx.SubFormat.Data1, static_cast<uint32_t>(c.tag));
        }
    }
}

TEST(AviStream, FindIndex)
{
    Stream s(0, avi::fcc::auds);
    EXPECT_EQ(s.findIndex(0), s.entries().end());
    // Sizes 0, 10, 0, 0, 5, 0 at the positions a reader gives them.
    uint64_t position = 0;
    for (uint32_t size : {0u, 10u, 0u, 0u, 5u, 0u}) {
        s.idx1Entries.push_back({1000 + position, size, 0, position, true});
        position += size;
    }
    const auto& list = s.entries();
    auto at = [&](uint64_t p) { return s.findIndex(p) - list.begin(); };
    const ptrdiff_t end = static_cast<ptrdiff_t>(list.size());
    EXPECT_EQ(at(0), 1);
    EXPECT_EQ(at(9), 1);
    EXPECT_EQ(at(10), 4); // the chunk after the empty ones
    EXPECT_EQ(at(14), 4);
    EXPECT_EQ(at(15), end); // the exact end of the last entry
    EXPECT_EQ(at(1000), end);
    EXPECT_EQ(s.getSizeInBytes(), 15u);

    // The OpenDML list when chosen; a position before its first entry finds nothing.
    s.odmlEntries.push_back({0, 4, 0, 100, true});
    s.useOdmlIndex = true;
    EXPECT_EQ(s.findIndex(50), s.entries().end());
    EXPECT_EQ(s.findIndex(103) - s.entries().begin(), 0);
    EXPECT_EQ(s.getSizeInBytes(), 4u);
}

TEST(AviStream, BuildNewStdIndex)
{
    Stream s(3, avi::fcc::vids);
    std::vector<Stream::IndexEntry> pending = {
        {5020, 10, 1, 0, true}, {5038, 0, 1, 0, false}, {5046, 7, 2, 0, true}};
    const auto* index = s.buildNewStdIndex(pending, 5000, 6000);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(index->wLongsPerEntry, 2);
    EXPECT_EQ(index->bIndexSubType, 0);
    EXPECT_EQ(index->bIndexType, 1);
    EXPECT_EQ(index->nEntriesInUse, 3u);
    EXPECT_EQ(index->dwChunkId, make("03dc"));
    EXPECT_EQ(uint64_t{index->qwBaseOffset}, 5000u); // a packed field: compared by value
    ASSERT_EQ(index->entries.size(), 3u);
    EXPECT_EQ(index->entries[0].dwOffset, 20u);
    EXPECT_EQ(index->entries[0].dwSize, 10u);
    EXPECT_EQ(index->entries[1].dwSize, 0x80000000u);
    EXPECT_EQ(index->entries[2].dwOffset, 46u);
    ASSERT_EQ(s.superIndex.entries.size(), 1u);
    EXPECT_EQ(s.superIndex.nEntriesInUse, 1u);
    EXPECT_EQ(s.superIndex.entries[0].qwOffset, 6000u);
    EXPECT_EQ(s.superIndex.entries[0].dwSize, 56u);
    EXPECT_EQ(s.superIndex.entries[0].dwDuration, 4u);

    const auto* empty = s.addStdIndex(77);
    EXPECT_EQ(empty->nEntriesInUse, 0u);
    EXPECT_EQ(uint64_t{empty->qwBaseOffset}, 77u);
    EXPECT_EQ(s.stdIndexes.size(), 2u);
    EXPECT_EQ(s.superIndex.nEntriesInUse, 1u);
}

} // namespace

// Layouts whose planes are coded straight from the caller's memory: one word with bits set above
// the layout's depth comes back masked to the depth, and every other sample comes back exact.

#include "codec/codec_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Case {
    const char* name;
    uint32_t type, comp;
    int bits;
    int chromaWidth; // of planes 1 and 2, for a frame 64 samples wide
    int plane;       // the plane holding the bad word
    uint16_t word, masked;
};

// The masked values are the words ANDed with 2^bits - 1: 0x7D55 and 0xFD55 keep 0x155 of 10
// bits, 0xFD55 keeps 0xD55 of 12 bits and 0x3D55 of 14.
const Case kCases[] = {
    {"YUV444P_10 Y", QUORVANE_FRAME_YUV444P_10, QUORVANE_FRAME_COMP_10_YUV444, 10, 64, 0, 0x7D55, 0x155},
    {"YUV422P_10 U", QUORVANE_FRAME_YUV422P_10, QUORVANE_FRAME_COMP_10_YUV422, 10, 32, 1, 0x7D55, 0x155},
    {"YUV420P_10 Y", QUORVANE_FRAME_YUV420P_10, QUORVANE_FRAME_COMP_10_YUV420, 10, 32, 0, 0xFD55, 0x155},
    {"Y16_10", QUORVANE_FRAME_Y16_10, QUORVANE_FRAME_COMP_10_YUV400, 10, 0, 0, 0x7D55, 0x155},
    {"GBRP_10 G", QUORVANE_FRAME_GBRP_10, QUORVANE_FRAME_COMP_10_RGB, 10, 64, 0, 0xFD55, 0x155},
    {"GBRP_12 G", QUORVANE_FRAME_GBRP_12, QUORVANE_FRAME_COMP_12_RGB, 12, 64, 0, 0xFD55, 0xD55},
    {"GBRP_14 G", QUORVANE_FRAME_GBRP_14, QUORVANE_FRAME_COMP_14_RGB, 14, 64, 0, 0xFD55, 0x3D55},
    {"GBRAP_10 A", QUORVANE_FRAME_GBRAP_10, QUORVANE_FRAME_COMP_10_RGBA, 10, 64, 3, 0x7D55, 0x155},
    {"GBRAP_12 G", QUORVANE_FRAME_GBRAP_12, QUORVANE_FRAME_COMP_12_RGBA, 12, 64, 0, 0xFD55, 0xD55},
};

uint16_t* word_at(const QuorvanePlane& p, int x, int y)
{
    return reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(p.data) + size_t(y) * uint32_t(p.stride)) + x;
}

constexpr uint32_t kW = 64, kH = 56;

int width(const Case& c, int q) { return q == 1 || q == 2 ? c.chromaWidth : int(kW); }

// The bad word in column 0, mid-row and the plane's last column: row loops take the first and
// last columns of a row apart from their SIMD bodies, or end a group there.
TEST(OutOfRangeWords, OnlyTheBadWordChanges)
{
    for (const Case& c : kCases)
    for (const int badX : {0, width(c, c.plane) / 2, width(c, c.plane) - 1}) {
        SCOPED_TRACE(std::string(c.name) + " x " + std::to_string(badX));
        qtest::CodecHandle h;
        qtest::Stream s;
        ASSERT_EQ(qtest::begin_compress(h, c.type, kW, kH, c.comp, s), QUORVANE_OK);
        qtest::Frame in(h, c.type, kW, kH);
        for (const QuorvanePlane& p : in.data.planes)
            for (uint32_t i = 0; p.data && i < p.size / 2; ++i)
                reinterpret_cast<uint16_t*>(p.data)[i] = uint16_t(qtest::rand_int(0, (1 << c.bits) - 1));
        const QuorvanePlane& bad = in.data.planes[c.plane];
        const int badY = int(bad.size / uint32_t(bad.stride)) / 3;
        *word_at(bad, badX, badY) = c.word;

        const std::vector<uint8_t> frame = qtest::compress_frame(h, in, s.maxSize);
        ASSERT_FALSE(frame.empty());
        quorvane_compress_end(h);
        ASSERT_EQ(qtest::begin_decompress(h, s.header, c.type), QUORVANE_OK);
        qtest::Frame out(h, c.type, kW, kH);
        ASSERT_EQ(quorvane_decompress(h, frame.data(), uint32_t(frame.size()), &out.data), QUORVANE_OK);

        *word_at(bad, badX, badY) = c.masked;
        int differing = 0;
        for (int q = 0; q < 4; ++q) {
            const QuorvanePlane &a = in.data.planes[q], &b = out.data.planes[q];
            if (!a.data) continue;
            for (int y = 0; y < int(a.size / uint32_t(a.stride)); ++y)
                for (int x = 0; x < width(c, q); ++x) differing += *word_at(a, x, y) != *word_at(b, x, y);
        }
        EXPECT_EQ(differing, 0);
    }
}

} // namespace

// Inputs found by the fuzz targets (fuzz/), reduced to the rule each one broke. The inputs
// themselves stay in fuzz/corpus as "regress-*" files and run with the corpus tests.

#include "codec/ByteOrder.h"
#include "codec_fixture.h"

namespace {

using qtest::CodecHandle;

std::vector<uint8_t> i420_header(uint32_t h)
{
    qtest::Stream s;
    EXPECT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_I420, 16, 56, QUORVANE_FRAME_ANY, s), 0);
    EXPECT_EQ(quorvane_compress_end(h), 0);
    return s.header;
}

// A query that accepts an output type promises that the begin accepts it too; a slice height
// beyond what the begin keeps broke that.
TEST(FuzzRegressions, QueryAndBeginAgreeOnSliceHeight)
{
    CodecHandle h;
    const std::vector<uint8_t> good = i420_header(h);
    for (uint32_t slice : {0x80000000u, 0xb85fae96u, 0xfffffffeu, 0x7ffffffeu, 56u}) {
        std::vector<uint8_t> hdr = good;
        store_le32(hdr.data() + 28, slice);
        QuorvaneFrameType out{0, 0, QUORVANE_FRAME_I420, 0};
        const int query = quorvane_decompress_query(h, hdr.data(), 32, &out, nullptr);
        EXPECT_EQ(query, slice <= 0x7fffffffu ? QUORVANE_OK : QUORVANE_INVALID_FORMAT) << std::hex << slice;
        out = QuorvaneFrameType{0, 0, QUORVANE_FRAME_I420, 0};
        const int begin = quorvane_decompress_begin(h, hdr.data(), 32, &out, nullptr);
        EXPECT_EQ(begin, query) << std::hex << slice;
        if (begin == QUORVANE_OK) {
            EXPECT_EQ(quorvane_decompress_end(h), QUORVANE_OK);
        }
    }
}

} // namespace

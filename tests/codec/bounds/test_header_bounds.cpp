// What a begun stream holds and what a frame call spends, whatever the slice height the header
// claims: a small multiple of the frame the header describes, plus a constant, and nothing per
// slice. The heap is counted by the global new that tests/container/alloc_tracker.cpp replaces.

#include "codec/ByteOrder.h"
#include "codec/QuorvaneEngine.h"
#include "codec/codec_fixture.h"
#include "container/alloc_tracker.h"

#include <algorithm>
#include <iterator>

namespace {

using qtest::CodecHandle;
using qtest::Frame;

constexpr uint64_t kMiB = uint64_t(1) << 20;

// How far the heap grew at its peak since construction.
class HeapGrowth {
public:
    HeapGrowth() : m_start(qtest::heap_live()) { qtest::heap_reset_peak(); }
    uint64_t peak() const { return qtest::heap_peak() - m_start; }

private:
    size_t m_start;
};

// A format header as the writer lays it out (version 7, a table in every frame, BT.709), with the
// slice height the test asks for.
std::vector<uint8_t> header(uint8_t comp, uint8_t codeLength, uint32_t w, uint32_t h, uint32_t slice)
{
    std::vector<uint8_t> hd(32, 0);
    std::memcpy(hd.data(), "QORV", 4);
    store_le32(&hd[4], 32);
    hd[8] = 7, hd[9] = comp, hd[10] = codeLength, hd[11] = 2;
    store_le32(&hd[12], 0x00220000);
    store_le32(&hd[16], w), store_le32(&hd[20], h), store_le32(&hd[24], w), store_le32(&hd[28], slice);
    return hd;
}

// Every stored type (codes of codec/quorvane.h) with the layout it decodes into by default, its
// maximum code length, the smallest slice height its planes allow (two rows for 4:2:0 and Bayer)
// and the bytes its stored planes take for two pixels (8-bit samples in a byte, deeper ones in two).
struct StoredType {
    uint32_t comp, layout;
    uint8_t codeLength;
    uint32_t slice, bytesPer2Pixels;
};
const StoredType kStoredTypes[] = {
    {101, 1, 12, 1, 6},   {102, 2, 12, 1, 8},   {103, 7, 12, 1, 6},   {104, 4, 12, 1, 4},   {105, 6, 12, 2, 3},
    {106, 8, 12, 1, 8},   {107, 9, 12, 1, 2},   {108, 11, 14, 1, 8},  {109, 25, 14, 1, 12}, {110, 23, 14, 1, 16},
    {111, 25, 16, 1, 12}, {112, 23, 16, 1, 16}, {113, 25, 18, 1, 12}, {114, 23, 18, 1, 16}, {115, 30, 14, 1, 4},
    {118, 47, 14, 1, 12}, {122, 54, 16, 2, 4},  {123, 57, 14, 2, 6},
};

uint64_t stored_bytes(const StoredType& t, uint32_t w, uint32_t h) { return uint64_t(w) * h * t.bytesPer2Pixels / 2; }

// The work buffers raise every row to 16 bytes: up to eight times the plane for the narrowest
// frames (four pixels), and the binding map, the threads and the code tables come on top.
uint64_t bound(uint64_t frameBytes) { return 8 * frameBytes + kMiB; }

// A Y8 header of 4 x 16,000,000 pixels in one-row slices, 64 MB of samples, once made a begin
// build a record of 104 bytes for each of its 16 million blocks.
TEST(HeaderBounds, TallGreyHeaderOfOneRowSlices)
{
    CodecHandle h;
    h.set_threads(2);
    HeapGrowth heap;
    ASSERT_EQ(qtest::begin_decompress(h, header(107, 12, 4, 16000000, 1), QUORVANE_FRAME_Y8), 0);
    EXPECT_LE(heap.peak(), bound(64000000));
    EXPECT_EQ(quorvane_decompress_end(h), 0);
}

TEST(HeaderBounds, EveryStoredTypeBeginsAtItsSmallestSliceHeight)
{
    const uint32_t w = 4, ht = 65536;
    for (const StoredType& t : kStoredTypes) {
        CodecHandle h; // a fresh engine: its buffers only grow
        h.set_threads(2);
        HeapGrowth heap;
        ASSERT_EQ(qtest::begin_decompress(h, header(uint8_t(t.comp), t.codeLength, w, ht, t.slice), t.layout), 0)
            << t.comp;
        EXPECT_LE(heap.peak(), bound(stored_bytes(t, w, ht))) << t.comp;
        EXPECT_EQ(quorvane_decompress_end(h), 0);
    }
}

// A frame coded in slices of `slice` rows, as two fields when `interlaced`. The engine codes the
// slices the header it is begun with names; only the header the interface writes always says 28.
std::vector<uint8_t> compress_in_slices(const Frame& f, const StoredType& t, uint32_t w, uint32_t ht, uint32_t slice,
                                        std::vector<uint8_t>& hd, bool interlaced = false)
{
    Quorvane e(true, true);
    e.SetNumThreads(2);
    hd.assign(Quorvane::kHeaderSize, 0);
    EXPECT_TRUE(e.CompressGetFormat(hd.data(), int(t.layout), w, ht, int(t.comp)));
    store_le32(&hd[28], slice);
    if (interlaced) hd[12] |= 2;
    Quorvane::CompressInfo info;
    EXPECT_TRUE(e.CompressBegin(&info, hd.data(), int(t.layout)));
    for (int k = 0; k < 4; ++k)
        info.planes[k] = Quorvane::ImagePlane{static_cast<uint8_t*>(f.data.planes[k].data), f.data.planes[k].stride,
                                              f.data.planes[k].size, false};
    // Room for every block raw behind its offset, index and two header bytes, and for the tables.
    std::vector<uint8_t> out(64 * 1024 + 8 * stored_bytes(t, w, ht));
    info.data = out.data();
    out.resize(e.Compress(&info));
    return out;
}

// One-row slices (two rows where the planes ask for pairs) decode as the writer's slices of 28
// rows do. Samples stay below 2^10, inside every layout's depth.
TEST(HeaderBounds, SmallestSlicesDecodeLikeTheWritersSlices)
{
    const uint32_t w = 12, ht = 58;
    for (const StoredType& t : kStoredTypes) {
        CodecHandle h;
        h.set_threads(3);
        Frame in(h, t.layout, w, ht);
        in.randomize(4);
        std::vector<uint8_t> decoded[2];
        for (const uint32_t slice : {t.slice, 28u}) {
            std::vector<uint8_t> hd;
            const std::vector<uint8_t> frame = compress_in_slices(in, t, w, ht, slice, hd);
            Frame out(h, t.layout, w, ht);
            ASSERT_EQ(qtest::begin_decompress(h, hd, t.layout), 0) << t.comp;
            EXPECT_EQ(quorvane_decompress(h, frame.data(), uint32_t(frame.size()), &out.data), 0) << t.comp;
            EXPECT_EQ(quorvane_decompress_end(h), 0);
            decoded[slice == 28] = out.bytes();
        }
        EXPECT_EQ(decoded[0], decoded[1]) << t.comp;
    }
}

// An interlaced block is predicted as two fields of half its rows, and a 4:2:0 slice has half its
// rows in the chroma planes. A slice height that leaves half a row (Y8 interlaced in 3, 5 or 27
// rows, 4:2:0 interlaced in 6, 4:2:0 in 3) would leave rows of every block coded but never
// predicted: both of the engine's begins refuse it, as the decompress query does. Slice heights
// that split into whole rows are begun and round-trip.
TEST(HeaderBounds, SliceHeightsSplitIntoWholeFieldsAndChromaRows)
{
    struct Case {
        uint32_t comp;
        bool interlaced;
        uint32_t slice;
        bool fits;
    };
    const Case cases[] = {
        {107, true, 3, false},  {107, true, 5, false}, {107, true, 27, false}, {107, true, 2, true},
        {107, true, 28, true},  {107, false, 3, true}, {115, true, 3, false},  {115, true, 4, true},
        {105, true, 6, false},  {105, true, 4, true},  {105, false, 3, false}, {105, false, 2, true},
    };
    const uint32_t w = 64, ht = 56;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.comp) + (c.interlaced ? " interlaced" : " progressive") + ", slice " +
                     std::to_string(c.slice));
        const StoredType& t = *std::find_if(std::begin(kStoredTypes), std::end(kStoredTypes),
                                            [&](const StoredType& s) { return s.comp == c.comp; });
        std::vector<uint8_t> hd = header(uint8_t(c.comp), t.codeLength, w, ht, c.slice);
        if (c.interlaced) hd[12] |= 2;
        Quorvane e(true, true);
        Quorvane::CompressInfo compressing, decompressing;
        EXPECT_EQ(e.CompressBegin(&compressing, hd.data(), int(t.layout)), c.fits);
        EXPECT_EQ(e.DecompressBegin(&decompressing, hd.data(), uint32_t(hd.size()), int(t.layout)), c.fits);
        CodecHandle h;
        EXPECT_EQ(qtest::begin_decompress(h, hd, t.layout) == 0, c.fits);
        if (!c.fits) continue;
        EXPECT_EQ(quorvane_decompress_end(h), 0);
        Frame in(h, t.layout, w, ht), out(h, t.layout, w, ht);
        in.randomize(4);
        const std::vector<uint8_t> frame = compress_in_slices(in, t, w, ht, c.slice, hd, c.interlaced);
        ASSERT_EQ(qtest::begin_decompress(h, hd, t.layout), 0);
        EXPECT_EQ(quorvane_decompress(h, frame.data(), uint32_t(frame.size()), &out.data), 0);
        EXPECT_EQ(out.bytes(), in.bytes());
    }
}

// A frame of 65,536 one-row slices: the frame call reads each block's place from the frame and
// keeps nothing per block either.
TEST(HeaderBounds, FrameOfOneRowSlicesDecodesWithinTheFrame)
{
    const StoredType& grey = *std::find_if(std::begin(kStoredTypes), std::end(kStoredTypes),
                                           [](const StoredType& t) { return t.comp == QUORVANE_FRAME_COMP_YUV400; });
    const uint32_t w = 4, ht = 65536;
    CodecHandle h;
    h.set_threads(2);
    Frame in(h, grey.layout, w, ht), out(h, grey.layout, w, ht);
    in.smooth();
    std::vector<uint8_t> hd;
    const std::vector<uint8_t> frame = compress_in_slices(in, grey, w, ht, 1, hd);
    ASSERT_EQ(qtest::begin_decompress(h, hd, grey.layout), 0);
    HeapGrowth call;
    EXPECT_EQ(quorvane_decompress(h, frame.data(), uint32_t(frame.size()), &out.data), 0);
    EXPECT_LE(call.peak(), bound(w * ht));
    EXPECT_EQ(quorvane_decompress_end(h), 0);
    EXPECT_EQ(out.bytes(), in.bytes());
}

// Compressing keeps each block's coded bytes and no count table per block: a 14-bit frame four
// pixels wide (2.4 MB) once made a begin take 128 KB for each block of each plane, 1.4 GB. What it
// holds is two work frames (split and residual) of 16-byte rows, the blocks' coded bytes, and the
// counting and code tables of the stored depth.
TEST(HeaderBounds, NarrowFramesCompressWithinTheFrame)
{
    struct Case {
        uint32_t type, bytesPer2Pixels;
        uint64_t tables; // of 14 bits: two threads' counts of 2^14 entries per plane, three coders
    };
    const Case cases[] = {
        {QUORVANE_FRAME_GBRP_14, 12, 6 * kMiB}, {QUORVANE_FRAME_Y8, 2, kMiB}, {QUORVANE_FRAME_YV12, 3, kMiB}};
    const uint32_t w = 4, ht = 28 * 4000;
    for (const Case& c : cases) {
        CodecHandle h;
        h.set_threads(2);
        Frame in(h, c.type, w, ht);
        in.randomize(4);
        const uint64_t frameBytes = uint64_t(w) * ht * c.bytesPer2Pixels / 2;
        std::vector<uint8_t> out(64 * 1024 + 4 * frameBytes);
        HeapGrowth heap;
        qtest::Stream s;
        ASSERT_EQ(qtest::begin_compress(h, c.type, w, ht, QUORVANE_FRAME_ANY, s), 0);
        ASSERT_LE(s.maxSize, out.size());
        uint32_t size = 0;
        EXPECT_EQ(quorvane_compress(h, &in.data, out.data(), &size), 0);
        EXPECT_LE(heap.peak(), 16 * frameBytes + c.tables) << c.type;
        EXPECT_EQ(quorvane_compress_end(h), 0);
    }
}

} // namespace

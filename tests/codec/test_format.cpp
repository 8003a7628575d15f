// The format header, code-length table packing, the compressed frame layout and the engine's
// frame geometry.

#include "codec/QuorvaneEngine.h"
#include "codec/ByteOrder.h"
#include "codec_fixture.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

using qtest::CodecHandle;

TEST(Header, BytesOfAWrittenHeader)
{
    Quorvane e(true, true);
    uint8_t h[32];
    ASSERT_TRUE(e.CompressGetFormat(h, QUORVANE_FRAME_BGRA, 1920, 1080, QUORVANE_FRAME_ANY));
    const uint8_t expected[32] = {'Q', 'O', 'R', 'V', 32, 0, 0, 0, 7, 102, 12, 2, 0, 0, 0x22, 0,
                                  0x80, 7, 0, 0, 0x38, 4, 0, 0, 0x80, 7, 0, 0, 28, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(h, expected, 32));
    EXPECT_EQ(e.CompressGetFormatSize(QUORVANE_FRAME_BGRA, 1920, 1080, QUORVANE_FRAME_ANY), 32);
    EXPECT_FALSE(e.CompressGetFormat(h, QUORVANE_FRAME_BGRA, 16, 16, QUORVANE_FRAME_COMP_YUV420));
    EXPECT_EQ(e.CompressGetFormatSize(QUORVANE_FRAME_BGRA, 16, 16, QUORVANE_FRAME_COMP_YUV420), 0);

    // Full range and interlace: kept for YUV, dropped (with colour space 2) for RGB.
    QuorvaneEncodeSettings s = e.GetEncodeSettings();
    s.fullRange = 1;
    s.colorSpace = 1;
    s.fieldType = 1;
    for (int mode : {0, 1, 2, 3}) {
        s.tableMode = mode;
        e.ApplyEncodeSettings(s);
        ASSERT_TRUE(e.CompressGetFormat(h, QUORVANE_FRAME_I420, 64, 64, QUORVANE_FRAME_COMP_YUV420));
        EXPECT_EQ(load_le32(h + 12), 0x00220006u) << mode; // every mode writes mode 2
        EXPECT_EQ(h[11], 1);
        EXPECT_EQ(h[10], 12);
        ASSERT_TRUE(e.CompressGetFormat(h, QUORVANE_FRAME_BGRX, 64, 64, QUORVANE_FRAME_COMP_RGB));
        EXPECT_EQ(load_le32(h + 12), 0x00220002u);
        EXPECT_EQ(h[11], 2);
    }
    ASSERT_TRUE(e.CompressGetFormat(h, QUORVANE_FRAME_V210, 64, 64, QUORVANE_FRAME_ANY));
    EXPECT_EQ(h[9], QUORVANE_FRAME_COMP_10_YUV422);
    EXPECT_EQ(h[10], 14);
    ASSERT_TRUE(e.CompressGetFormat(h, QUORVANE_FRAME_GBRAP_16, 64, 64, QUORVANE_FRAME_COMP_14_RGBA));
    EXPECT_EQ(h[10], 18);
}

TEST(Header, ParseAndTableMode)
{
    Quorvane e(true, true);
    uint8_t h[40] = {};
    ASSERT_TRUE(e.CompressGetFormat(h, QUORVANE_FRAME_Y8, 64, 64, QUORVANE_FRAME_ANY));
    Quorvane::ParsedHeader p;
    EXPECT_TRUE(p.parse(h, 32));
    EXPECT_FALSE(p.parse(h, 31));
    EXPECT_FALSE(p.parse(h, 40)); // the size field says 32
    EXPECT_FALSE(p.parse(nullptr, 32));
    EXPECT_EQ(Quorvane::HeaderTableMode(h), 2);
    h[8] = 6;
    h[12] = 1;
    EXPECT_EQ(Quorvane::HeaderTableMode(h), 2);
    h[12] = 0;
    EXPECT_EQ(Quorvane::HeaderTableMode(h), 1);
}

TEST(Header, BufferSizes)
{
    Quorvane e(true, true);
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_BGRA, 128, 128, QUORVANE_FRAME_COMP_RGBA), 327680);
    // The ANY pair is a binding of its own (a copy of the default one).
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_BGRA, 128, 128, QUORVANE_FRAME_ANY), 327680);
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_BGRA, 128, 128, QUORVANE_FRAME_COMP_RGB), 0);
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_COMP_RGBA, 128, 128, QUORVANE_FRAME_BGRA), 0);
    // 1920x1080 4:2:0: 3110400 sample bytes.
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_I420, 1920, 1080, QUORVANE_FRAME_COMP_YUV420), 3110400 + 262144);
    // 10-bit: (w * h * 10 + 7) / 8 per plane, raised to 4.
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_V210, 6, 4, QUORVANE_FRAME_COMP_10_YUV422),
              262144 + ((30 + 15 + 15 + 3) & ~3));
    // Sizes whose frames cannot be counted in 31 bits are refused.
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_BGRA, 65536, 65536, QUORVANE_FRAME_COMP_RGBA), 0);
    EXPECT_EQ(e.CompressGetBufferSize(QUORVANE_FRAME_Y8, 16, 1u << 24, QUORVANE_FRAME_COMP_YUV400), 0);
    // A very tall frame of tiny blocks: the margin is no longer enough, the bound takes over.
    const int tall = e.CompressGetBufferSize(QUORVANE_FRAME_GBRAP_14, 4, 28 * 40000, QUORVANE_FRAME_COMP_14_RGBA);
    const int64_t blocks = 4 * 40000;
    EXPECT_GE(tall, 32 + 4 + 7 * blocks + 1 + 4 * 16384 + 16 + 4 * int64_t(4) * 28 * 40000 * 14 / 8);
}

TEST(Header, TablePacking)
{
    std::vector<int> l(256, 8);
    uint8_t out[1024];
    ASSERT_EQ(Quorvane::CompressHuffTable(l, out), 2u);
    EXPECT_EQ(out[0], 0x88);
    EXPECT_EQ(out[1], 255);
    l.push_back(8);
    ASSERT_EQ(Quorvane::CompressHuffTable(l, out), 3u);
    EXPECT_EQ(out[2], 8);
    std::vector<int> alt(256);
    for (int i = 0; i < 256; ++i) alt[i] = 1 + (i & 1);
    EXPECT_EQ(Quorvane::CompressHuffTable(alt, out), 256u);
    EXPECT_EQ(Quorvane::CompressHuffTable(std::vector<int>{5}, out), 1u);

    // Unpacking reverses packing, and refuses a table that runs past its bytes.
    for (int round = 0; round < 50; ++round) {
        std::vector<int> src(1024);
        for (int& v : src) v = qtest::rand_int(0, 3) == 0 ? qtest::rand_int(1, 14) : 9;
        const unsigned n = Quorvane::CompressHuffTable(src, out);
        std::vector<int> back(1024, -1);
        ASSERT_EQ(Quorvane::UncompressHuffTable(out, out + n, back.data(), back.size()), int64_t(n));
        EXPECT_EQ(back, src);
        EXPECT_EQ(Quorvane::UncompressHuffTable(out, out + n - 1, back.data(), back.size()), -1);
    }
    // A run that overshoots its table ends with it.
    const uint8_t over[] = {0x83, 200, 0x84, 200};
    std::vector<int> four(256);
    EXPECT_EQ(Quorvane::UncompressHuffTable(over, over + 4, four.data(), 256), 4);
    EXPECT_EQ(four[200], 3);
    EXPECT_EQ(four[201], 4);
    EXPECT_EQ(four[255], 4);
}

TEST(Frames, AlignAsKeepsTheLowBits)
{
    Quorvane::PlanarFrame a, b;
    const int w[4] = {33, 17, 17, 0}, h[4] = {10, 5, 5, 0};
    a.allocateAligned16(w, h, 1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(a.planes[k].data) % 1024, 256u * k);
        EXPECT_EQ(a.planes[k].stride % 16, 0);
    }
    a.planes[1].data += 4;
    a.planes[2].data += 9;
    b.alignAs(a);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b.planes[k].data) % 16, reinterpret_cast<uintptr_t>(a.planes[k].data) % 16);
        EXPECT_EQ(b.planes[k].stride, a.planes[k].stride);
        EXPECT_LE(b.planes[k].data + b.planes[k].size, b.base + b.capacity);
    }
    EXPECT_EQ(b.planes[3].size, 0u);
    const uint8_t* keep = a.base;
    const int small[4] = {8, 4, 4, 0};
    a.allocateAligned16(small, small, 1); // smaller frames keep the storage
    EXPECT_EQ(a.base, keep);
}

// A reader of the stored layout, independent of the engine's.
struct Layout {
    uint32_t dataStart = 0, T = 0;
    std::vector<uint32_t> offsets;
    std::vector<uint8_t> indexes;
    std::vector<std::vector<int>> tables;
    std::vector<std::vector<uint8_t>> packed; // each table's bytes as stored
    size_t tableBytes = 0;
};

Layout parse_layout(const std::vector<uint8_t>& f, size_t blocks, int bits)
{
    Layout l;
    const uint8_t* s = f.data() + 32;
    l.dataStart = load_le32(s);
    for (size_t b = 0; b < blocks; ++b) l.offsets.push_back(load_le32(s + 4 + 4 * b));
    const uint8_t* t = s + 4 + 4 * blocks;
    l.T = *t++;
    l.indexes.assign(t, t + blocks);
    t += blocks;
    const uint8_t* tstart = t;
    for (uint32_t i = 0; i < l.T; ++i) {
        std::vector<int> lengths(size_t(1) << bits);
        const int64_t used = Quorvane::UncompressHuffTable(t, f.data() + f.size(), lengths.data(), lengths.size());
        EXPECT_GT(used, 0);
        l.packed.emplace_back(t, t + std::max<int64_t>(used, 0));
        t += used;
        l.tables.push_back(lengths);
    }
    l.tableBytes = static_cast<size_t>(t - tstart);
    return l;
}

TEST(Frames, LayoutOfCompressedFrames)
{
    CodecHandle h;
    struct Case {
        uint32_t type, w, height, comp;
        int planes;
    } cases[] = {
        {QUORVANE_FRAME_Y8, 64, 64, QUORVANE_FRAME_COMP_YUV400, 1},
        {QUORVANE_FRAME_I420, 38, 58, QUORVANE_FRAME_COMP_YUV420, 3},
        {QUORVANE_FRAME_YV24, 17, 29, QUORVANE_FRAME_COMP_YUV444, 3},
        {QUORVANE_FRAME_I444, 20, 30, QUORVANE_FRAME_COMP_YUV422, 3},
    };
    for (const Case& c : cases) {
        qtest::Stream s;
        ASSERT_EQ(qtest::begin_compress(h, c.type, c.w, c.height, c.comp, s), 0);
        qtest::Frame f(h, c.type, c.w, c.height);
        for (int pattern = 0; pattern < 3; ++pattern) {
            if (pattern == 1) f.smooth();
            if (pattern == 2) f.randomize();
            const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
            ASSERT_FALSE(out.empty());
            const size_t S = (c.height + 27) / 28, N = S * c.planes;
            EXPECT_EQ(0, std::memcmp(out.data(), s.header.data(), 32));
            const Layout l = parse_layout(out, N, 8);
            EXPECT_EQ(l.T, uint32_t(c.planes));
            EXPECT_EQ(l.dataStart, 4 + 4 * N + 1 + N + l.tableBytes);
            for (size_t b = 0; b < N; ++b) EXPECT_EQ(l.indexes[b], b / S);
            for (const std::vector<int>& t : l.tables) {
                uint64_t kraft = 0;
                for (int len : t) {
                    ASSERT_GE(len, 1);
                    ASSERT_LE(len, 12);
                    kraft += uint64_t(1) << (12 - len);
                }
                EXPECT_EQ(kraft, uint64_t(1) << 12);
            }
            EXPECT_EQ(l.offsets[0], l.dataStart);
            for (size_t b = 0; b < N; ++b) {
                const uint8_t* blk = out.data() + 32 + l.offsets[b];
                EXPECT_EQ(blk[1], 3); // median for every block begun through the interface
                EXPECT_LE(blk[0], 1);
            }
            // Even size, zero tail of 15 or 16 bytes, within the negotiated bound.
            EXPECT_EQ(out.size() % 2, 0u);
            EXPECT_LE(out.size(), s.maxSize);
            size_t end = out.size();
            while (end > 0 && out[end - 1] == 0 && out.size() - end < 16) --end;
            EXPECT_GE(out.size() - end, 15u);
        }
        ASSERT_EQ(quorvane_compress_end(h), 0);
    }
}

// A block is decoded with the table it names, not with its plane's. Three planes of clearly
// different statistics (flat, noise of 4 levels, noise of 16) get three different tables; stored
// in reverse order with every index changed to match, the frame still decodes exactly, where the
// plane's own table would read the flat plane's blocks with the 16-level noise's code.
TEST(Frames, BlocksDecodeWithTheTableTheyName)
{
    CodecHandle h;
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_YV24, 64, 56, QUORVANE_FRAME_COMP_YUV444, s), 0);
    qtest::Frame f(h, QUORVANE_FRAME_YV24, 64, 56);
    const int spread[3] = {1, 4, 16};
    for (int q = 0; q < 3; ++q) {
        uint8_t* p = static_cast<uint8_t*>(f.data.planes[q].data);
        for (uint32_t i = 0; i < f.data.planes[q].size; ++i) p[i] = uint8_t(40 + qtest::rand_int(0, spread[q] - 1));
    }
    std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
    ASSERT_EQ(quorvane_compress_end(h), 0);
    const Layout l = parse_layout(out, 6, 8);
    ASSERT_EQ(l.T, 3u);
    EXPECT_NE(l.tables[0], l.tables[1]);
    EXPECT_NE(l.tables[0], l.tables[2]);
    EXPECT_NE(l.tables[1], l.tables[2]);
    for (uint32_t offset : l.offsets) ASSERT_EQ(out[32 + offset], 0); // coded: every table is read

    // 3 planes x 2 slices: indexes at 32 + 4 + 6 x 4 + 1 = 61, tables at 61 + 6 = 67.
    for (size_t b = 0; b < 6; ++b) out[61 + b] = uint8_t(2 - l.indexes[b]);
    uint8_t* t = out.data() + 67;
    for (int i = 2; i >= 0; --i) t = std::copy(l.packed[i].begin(), l.packed[i].end(), t);

    ASSERT_EQ(qtest::begin_decompress(h, s.header, QUORVANE_FRAME_YV24), 0);
    qtest::Frame g(h, QUORVANE_FRAME_YV24, 64, 56);
    ASSERT_EQ(quorvane_decompress(h, out.data(), uint32_t(out.size()), &g.data), 0);
    EXPECT_EQ(g.bytes(), f.bytes());
}

TEST(Frames, AllZeroGreyFrame)
{
    CodecHandle h;
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_Y8, 64, 64, QUORVANE_FRAME_ANY, s), 0);
    qtest::Frame f(h, QUORVANE_FRAME_Y8, 64, 64);
    const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
    // Three blocks (28, 28 and 8 rows), each one bit per sample, all ones: the shortest code has
    // the largest value. The table packs to 4 to 6 bytes depending on which symbol takes the
    // one 8-bit code, hence 590 or 592 bytes.
    EXPECT_TRUE(out.size() == 590 || out.size() == 592) << out.size();
    const Layout l = parse_layout(out, 3, 8);
    EXPECT_EQ(l.tables[0][0], 1);
    const size_t payload[3] = {224, 224, 64};
    for (int b = 0; b < 3; ++b) {
        const uint8_t* blk = out.data() + 32 + l.offsets[b];
        EXPECT_EQ(blk[0], 0);
        EXPECT_EQ(blk[1], 3);
        const uint32_t next = b < 2 ? l.offsets[b + 1] : 0;
        if (b < 2) {
            EXPECT_EQ(next - l.offsets[b], 2 + payload[b]);
        }
        for (size_t i = 0; i < payload[b]; ++i) ASSERT_EQ(blk[2 + i], 0xff);
    }
}

// A noise slice next to a flat one: the plane's table gives the flat slice's zero a one-bit
// code, so every other value costs more than 8 bits and the noise block is stored raw.
TEST(Frames, RandomBlocksAreStoredRaw)
{
    CodecHandle h;
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_Y8, 64, 56, QUORVANE_FRAME_ANY, s), 0);
    qtest::Frame f(h, QUORVANE_FRAME_Y8, 64, 56);
    f.randomize();
    ASSERT_EQ(f.data.planes[0].stride, 64);
    std::memset(static_cast<uint8_t*>(f.data.planes[0].data) + 64 * 28, 9, 64 * 28);
    const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
    const Layout l = parse_layout(out, 2, 8);
    EXPECT_EQ(out[32 + l.offsets[0]], 1);
    EXPECT_EQ(l.offsets[1] - l.offsets[0], 2u + 64 * 28);
}

// Every residual is counted, whatever its column and whichever field. Left prediction of rows
// that repeat the group 6k, 6k+1, 6k+3, 6k+6 leaves 0 in every fourth column and 1, 2, 3 in the
// three between: four values of 448 samples each per 64x28 block. The best code within 12 bits
// gives three of them 2 bits and one 3 bits (four 2-bit codes would leave no room for the other
// 252 values): 448 x 9 = 4032 bits, 504 bytes.
// Interlaced, the even rows keep that group and each odd row repeats 22k, 22k+5, 22k+11, 22k+18,
// raised by 4 over the odd row before it in its block (the block's first odd row by 4): the
// second field leaves 4 in column 0 (as the block's first sample or from the row above) and in
// every fourth column, and 5, 6, 7 between, values the first field never makes. A block then
// holds eight values of 224 samples each: seven 3-bit codes and one 4-bit (eight 3-bit codes
// would leave no room for the other 248 values; 7/8 + 1/16 leaves 256/4096), 224 x 25 = 5600
// bits, 700 bytes. Counting the first field alone would give the 2, 2, 2, 3 code of the frame
// above and 4 to 7 no short code.
TEST(Frames, EveryColumnIsCounted)
{
    struct Case {
        int fieldType;
        uint32_t blockBytes;
        std::vector<int> lengths; // of the values 0 .. size - 1, sorted
    } cases[] = {{0, 504, {2, 2, 2, 3}}, {1, 700, {3, 3, 3, 3, 3, 3, 3, 4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fieldType);
        Quorvane e(true, true);
        QuorvaneEncodeSettings settings = e.GetEncodeSettings();
        settings.predictor = PredictLeft;
        settings.fieldType = c.fieldType;
        e.ApplyEncodeSettings(settings);
        uint8_t hdr[32];
        ASSERT_TRUE(e.CompressGetFormat(hdr, QUORVANE_FRAME_Y8, 64, 56, QUORVANE_FRAME_ANY));
        Quorvane::CompressInfo info;
        ASSERT_TRUE(e.CompressBegin(&info, hdr, QUORVANE_FRAME_Y8));
        std::vector<uint8_t> pixels(64 * 56);
        const uint8_t even[4] = {0, 1, 3, 6}, odd[4] = {0, 5, 11, 18};
        for (int y = 0; y < 56; ++y)
            for (int x = 0; x < 64; ++x)
                pixels[y * 64 + x] = c.fieldType && y % 2 ? uint8_t(4 * ((y % 28) / 2 + 1) + 22 * (x / 4) + odd[x % 4])
                                                          : uint8_t(6 * (x / 4) + even[x % 4]);
        ASSERT_TRUE(e.InitCompressInfoPlanes(&info, pixels.data()));
        std::vector<uint8_t> out(e.CompressGetBufferSize(QUORVANE_FRAME_Y8, 64, 56, QUORVANE_FRAME_COMP_YUV400));
        info.data = out.data();
        out.resize(e.Compress(&info));
        ASSERT_FALSE(out.empty());
        const Layout l = parse_layout(out, 2, 8);
        EXPECT_EQ(out[32 + l.offsets[0]], 0); // coded, not raw
        EXPECT_EQ(l.offsets[1] - l.offsets[0], 2u + c.blockBytes);
        std::vector<int> lengths(l.tables[0].begin(), l.tables[0].begin() + c.lengths.size());
        std::sort(lengths.begin(), lengths.end());
        EXPECT_EQ(lengths, c.lengths);
    }
}

TEST(Frames, BlockGeometryWithPartialSlices)
{
    Quorvane e(true, true);
    uint8_t hdr[32];
    ASSERT_TRUE(e.CompressGetFormat(hdr, QUORVANE_FRAME_I420, 8, 58, QUORVANE_FRAME_COMP_YUV420));
    Quorvane::CompressInfo info;
    ASSERT_TRUE(e.CompressBegin(&info, hdr, QUORVANE_FRAME_I420));
    // Frame 8x58: 3 slices; chroma rows 29 = 14 + 14 + 1.
    std::vector<uint8_t> buf(8 * 58 * 3 / 2);
    ASSERT_TRUE(e.InitCompressInfoPlanes(&info, buf.data()));
    EXPECT_EQ(info.planes[1].data, buf.data() + 8 * 58);
    EXPECT_EQ(info.planes[1].stride, 4);
    std::vector<uint8_t> out(e.CompressGetBufferSize(QUORVANE_FRAME_I420, 8, 58, QUORVANE_FRAME_COMP_YUV420));
    info.data = out.data();
    EXPECT_NE(e.Compress(&info), 0u);
    info.data = nullptr;
    EXPECT_EQ(e.Compress(&info), 0u);
}

} // namespace

namespace {

// The engine's own default predictor setting chooses per block; ties go to left, then gradient.
TEST(Frames, AutomaticPredictorChoice)
{
    for (int field : {0, 1}) {
        Quorvane e(true, true);
        QuorvaneEncodeSettings s = e.GetEncodeSettings();
        ASSERT_EQ(s.predictor, 4);
        s.fieldType = field;
        e.ApplyEncodeSettings(s);
        uint8_t hdr[32];
        ASSERT_TRUE(e.CompressGetFormat(hdr, QUORVANE_FRAME_Y8, 64, 56, QUORVANE_FRAME_ANY));
        Quorvane::CompressInfo info;
        ASSERT_TRUE(e.CompressBegin(&info, hdr, QUORVANE_FRAME_Y8));
        std::vector<uint8_t> pixels(64 * 56), out(e.CompressGetBufferSize(QUORVANE_FRAME_Y8, 64, 56, QUORVANE_FRAME_COMP_YUV400));
        ASSERT_TRUE(e.InitCompressInfoPlanes(&info, pixels.data()));
        info.data = out.data();
        struct Case {
            int pattern, predictor;
        } cases[] = {{0, 1}, {1, 2}};
        for (const Case& c : cases) {
            for (int r = 0; r < 56; ++r)
                for (int x = 0; x < 64; ++x) pixels[r * 64 + x] = c.pattern == 0 ? 90 : uint8_t(x * 5);
            ASSERT_NE(e.Compress(&info), 0u);
            const uint32_t first = load_le32(out.data() + 36);
            EXPECT_EQ(out[32 + first + 1], c.predictor) << "pattern " << c.pattern << " field " << field;
        }
    }
}

} // namespace

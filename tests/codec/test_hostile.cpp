// Untrusted bytes: damaged frames and crafted format headers. Every case must end in a result
// code (or a decoded frame) without touching memory outside the buffers; the ASan build runs
// the same tests.

#include "codec/ByteOrder.h"
#include "codec/QuorvaneEngine.h"
#include "codec_fixture.h"

#include <string>

namespace {

using qtest::CodecHandle;
using qtest::Frame;

struct Encoded {
    qtest::Stream stream;
    std::vector<uint8_t> frame;
    std::vector<uint8_t> pixels;
};

Encoded encode(uint32_t h, uint32_t type, uint32_t w, uint32_t ht, bool noisy)
{
    Encoded e;
    Frame f(h, type, w, ht);
    if (noisy) f.randomize(40);
    else f.smooth();
    EXPECT_EQ(qtest::begin_compress(h, type, w, ht, QUORVANE_FRAME_ANY, e.stream), 0);
    e.frame = qtest::compress_frame(h, f, e.stream.maxSize);
    EXPECT_EQ(quorvane_compress_end(h), 0);
    e.pixels = f.bytes();
    return e;
}

int decode(uint32_t h, const std::vector<uint8_t>& frame, Frame& out)
{
    return quorvane_decompress(h, frame.data(), static_cast<uint32_t>(frame.size()), &out.data);
}

TEST(Hostile, TruncatedAndMutatedFrames)
{
    CodecHandle h;
    h.set_threads(3);
    for (uint32_t type : {uint32_t(QUORVANE_FRAME_I420), uint32_t(QUORVANE_FRAME_Y8)}) {
        const Encoded e = encode(h, type, 30, 34, type == QUORVANE_FRAME_Y8);
        ASSERT_EQ(qtest::begin_decompress(h, e.stream.header, type), 0);
        Frame out(h, type, 30, 34, 3);
        ASSERT_EQ(decode(h, e.frame, out), 0);
        EXPECT_EQ(out.bytes(), e.pixels);

        // Every truncation: the frame loses its tail or its last blocks.
        for (size_t n = 1; n < e.frame.size(); ++n) {
            std::vector<uint8_t> cut(e.frame.begin(), e.frame.begin() + n);
            const int rc = quorvane_decompress(h, cut.data(), static_cast<uint32_t>(n), &out.data);
            ASSERT_TRUE(rc == 0 || rc == QUORVANE_CORRUPT_FRAME || rc == QUORVANE_FRAME_TYPE_MISMATCH) << n << " " << rc;
            ASSERT_TRUE(out.buffer->guards_intact());
        }
        // Every single-byte change, with three kinds of new value.
        int refused = 0;
        for (size_t i = 0; i < e.frame.size(); ++i)
            for (uint8_t delta : {uint8_t(1), uint8_t(0x80), uint8_t(qtest::rand_int(2, 255))}) {
                std::vector<uint8_t> bad = e.frame;
                bad[i] ^= delta;
                const int rc = decode(h, bad, out);
                ASSERT_TRUE(rc == 0 || rc == QUORVANE_CORRUPT_FRAME || rc == QUORVANE_FRAME_TYPE_MISMATCH) << i << " " << rc;
                refused += rc != 0;
                ASSERT_TRUE(out.buffer->guards_intact());
            }
        EXPECT_GT(refused, 0);
        // The stream goes on normally after damaged frames.
        ASSERT_EQ(decode(h, e.frame, out), 0);
        EXPECT_EQ(out.bytes(), e.pixels);
        ASSERT_EQ(quorvane_decompress_end(h), 0);
    }
}

TEST(Hostile, FrameReaderRules)
{
    CodecHandle h;
    const Encoded e = encode(h, QUORVANE_FRAME_I420, 16, 60, false); // 3 slices, 9 blocks
    ASSERT_EQ(qtest::begin_decompress(h, e.stream.header, QUORVANE_FRAME_I420), 0);
    Frame out(h, QUORVANE_FRAME_I420, 16, 60);
    const uint32_t N = 9, T0 = 32 + 4 + 4 * N;
    auto rc_of = [&](const std::vector<uint8_t>& f) { return decode(h, f, out); };

    std::vector<uint8_t> f = e.frame;
    EXPECT_EQ(rc_of(std::vector<uint8_t>(f.begin(), f.begin() + 3)), QUORVANE_CORRUPT_FRAME);
    f[T0] = 4; // more tables than planes
    EXPECT_EQ(rc_of(f), QUORVANE_CORRUPT_FRAME);
    f = e.frame;
    f[T0 + 1 + 8] = 3; // a table index equal to the table count
    EXPECT_EQ(rc_of(f), QUORVANE_CORRUPT_FRAME);
    f = e.frame;
    f[T0 + 1 + 8] = 1; // another existing table: decodes (to other pixels)
    EXPECT_EQ(rc_of(f), 0);
    f = e.frame;
    store_le32(f.data() + 36 + 4, 0xfffffff0u); // an offset far past the end
    EXPECT_EQ(rc_of(f), QUORVANE_CORRUPT_FRAME);
    f = e.frame;
    store_le32(f.data() + 36 + 4, load_le32(f.data() + 36) - 100); // offsets going backwards
    EXPECT_EQ(rc_of(f), QUORVANE_CORRUPT_FRAME);
    f = e.frame;
    store_le32(f.data() + 4, 0x7fffffff); // header-size field past the frame
    EXPECT_EQ(rc_of(f), QUORVANE_CORRUPT_FRAME);
    f = e.frame;
    store_le32(f.data() + 20, 62); // another stream's height
    EXPECT_EQ(rc_of(f), QUORVANE_FRAME_TYPE_MISMATCH);
    f = e.frame;
    f[9] = QUORVANE_FRAME_COMP_YUV444;
    EXPECT_EQ(rc_of(f), QUORVANE_FRAME_TYPE_MISMATCH);
    f = e.frame;
    store_le32(f.data() + 24, 1234); // the repeated width is not checked
    EXPECT_EQ(rc_of(f), 0);
    EXPECT_EQ(out.bytes(), e.pixels);
    // A frame without its header copy starts with the data-start field.
    f.assign(e.frame.begin() + 32, e.frame.end());
    EXPECT_EQ(rc_of(f), 0);
    EXPECT_EQ(out.bytes(), e.pixels);
    // Nothing is written to the caller's planes when the frame is refused.
    out.randomize();
    const std::vector<uint8_t> before = out.bytes();
    f = e.frame;
    f[T0] = 0;
    EXPECT_EQ(rc_of(f), QUORVANE_CORRUPT_FRAME);
    EXPECT_EQ(out.bytes(), before);
    // Planes that fail the check.
    QuorvaneFrameData bad = out.data;
    bad.planes[1].size -= 1;
    EXPECT_EQ(quorvane_decompress(h, e.frame.data(), uint32_t(e.frame.size()), &bad), QUORVANE_INVALID_FRAME_DATA);
}

TEST(Hostile, CraftedHeaders)
{
    CodecHandle h;
    const Encoded e = encode(h, QUORVANE_FRAME_I420, 16, 56, false);
    struct Row {
        const char* what;
        int offset;
        uint32_t value;
        uint32_t type;
        int rc;
    } rows[] = {
        {"huge width", 16, 1u << 30, QUORVANE_FRAME_I420, -5},
        {"huge height", 20, 1u << 30, QUORVANE_FRAME_I420, -5},
        {"width 2", 16, 2, QUORVANE_FRAME_I420, -5},
        // Few samples but a work buffer of 132 bytes per row and plane.
        {"narrow and tall", 20, 1u << 26, QUORVANE_FRAME_I420, -5},
        {"slice 0", 28, 0, QUORVANE_FRAME_I420, -5},
        {"odd slice 4:2:0", 28, 27, QUORVANE_FRAME_I420, -5},
        {"even slice 4:2:0", 28, 26, QUORVANE_FRAME_I420, 0},
        {"table mode 0", 12, 0x00020000, QUORVANE_FRAME_I420, -11},
        {"table mode 3", 12, 0x00320000, QUORVANE_FRAME_I420, -11},
        {"table mode 1 without tables", 12, 0x00120000, QUORVANE_FRAME_I420, -11},
        // Interlaced 4:2:0: each field needs whole chroma rows per block.
        {"interlaced slice 26", 12, 0x00220002, QUORVANE_FRAME_I420, -5},
        {"interlaced slice 28", 12, 0x00220002, QUORVANE_FRAME_I420, 0},
        {"code length", 8, 0x0d6907, QUORVANE_FRAME_I420, -5},
    };
    for (const Row& r : rows) {
        std::vector<uint8_t> hdr = e.stream.header;
        if (r.offset == 8) {
            hdr[10] = 13;
        } else {
            store_le32(hdr.data() + r.offset, r.value);
        }
        if (std::string(r.what) == "interlaced slice 26") store_le32(hdr.data() + 28, 26);
        if (std::string(r.what) == "interlaced slice 28") store_le32(hdr.data() + 28, 28);
        QuorvaneFrameType out{0, 0, r.type, 0};
        EXPECT_EQ(quorvane_decompress_query(h, hdr.data(), 32, &out, nullptr), r.rc) << r.what;
    }
    // Grey planes have no vertical subsampling: any slice height works.
    const Encoded g = encode(h, QUORVANE_FRAME_Y8, 16, 56, false);
    std::vector<uint8_t> hdr = g.stream.header;
    store_le32(hdr.data() + 28, 27);
    QuorvaneFrameType out{0, 0, QUORVANE_FRAME_Y8, 0};
    EXPECT_EQ(quorvane_decompress_query(h, hdr.data(), 32, &out, nullptr), 0);
}

// Mode 1 keeps one table per plane in the header: build such a stream from a mode-2 frame and
// decode it; then damage its tables.
TEST(Hostile, HeaderTables)
{
    CodecHandle h;
    const uint32_t w = 24, ht = 40;
    const Encoded e = encode(h, QUORVANE_FRAME_I420, w, ht, false);
    const uint32_t N = 6;
    const uint8_t* s = e.frame.data() + 32;
    const uint32_t dataStart = load_le32(s);
    const uint8_t* tables = s + 4 + 4 * N + 1 + N;
    const size_t tableBytes = static_cast<size_t>((s + dataStart) - tables);

    std::vector<uint8_t> hdr(e.stream.header);
    store_le32(hdr.data() + 12, (load_le32(hdr.data() + 12) & ~0x00f00000u) | 0x00100000u);
    hdr.insert(hdr.end(), tables, tables + tableBytes);
    store_le32(hdr.data() + 4, static_cast<uint32_t>(hdr.size()));

    // The frame: header copy, data start, offsets relative to the header's end, blocks.
    std::vector<uint8_t> frame(hdr);
    const uint32_t H = static_cast<uint32_t>(hdr.size());
    frame.resize(H + 4 + 4 * N);
    const uint32_t shift = dataStart - (4 + 4 * N);
    store_le32(frame.data() + H, 4 + 4 * N);
    for (uint32_t b = 0; b < N; ++b) store_le32(frame.data() + H + 4 + 4 * b, load_le32(s + 4 + 4 * b) - shift);
    frame.insert(frame.end(), s + dataStart, e.frame.data() + e.frame.size());

    QuorvaneFrameType out{0, 0, QUORVANE_FRAME_I420, 0};
    ASSERT_EQ(quorvane_decompress_begin(h, hdr.data(), uint32_t(hdr.size()), &out, nullptr), 0);
    Frame f(h, QUORVANE_FRAME_I420, w, ht);
    ASSERT_EQ(decode(h, frame, f), 0);
    EXPECT_EQ(f.bytes(), e.pixels);
    ASSERT_EQ(quorvane_decompress_end(h), 0);

    // Truncated tables leave lengths of 0: the header is refused.
    for (size_t cut = 1; cut < tableBytes; cut += std::max<size_t>(1, tableBytes / 7)) {
        std::vector<uint8_t> shortHdr(hdr.begin(), hdr.end() - cut);
        store_le32(shortHdr.data() + 4, static_cast<uint32_t>(shortHdr.size()));
        EXPECT_EQ(quorvane_decompress_query(h, shortHdr.data(), uint32_t(shortHdr.size()), &out, nullptr),
                  QUORVANE_INVALID_COMPRESSED_FORMAT)
            << cut;
    }
    // Over-full lengths are refused as well.
    std::vector<uint8_t> full(hdr.begin(), hdr.begin() + 32);
    for (int p = 0; p < 3; ++p) {
        full.push_back(0x81);
        full.push_back(255);
    }
    store_le32(full.data() + 4, static_cast<uint32_t>(full.size()));
    EXPECT_EQ(quorvane_decompress_query(h, full.data(), uint32_t(full.size()), &out, nullptr),
              QUORVANE_INVALID_COMPRESSED_FORMAT);
}

// Damaged code tables inside a frame: refused tables end the frame, accepted ones decode to
// whatever they give, never outside the planes.
TEST(Hostile, DamagedFrameTables)
{
    CodecHandle h;
    const Encoded e = encode(h, QUORVANE_FRAME_Y8, 40, 60, true);
    ASSERT_EQ(qtest::begin_decompress(h, e.stream.header, QUORVANE_FRAME_Y8), 0);
    Frame out(h, QUORVANE_FRAME_Y8, 40, 60);
    const uint32_t N = 3, T0 = 32 + 4 + 4 * N + 1 + N;
    const uint32_t dataStart = load_le32(e.frame.data() + 32);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> f = e.frame;
        for (uint32_t i = T0; i < 32 + dataStart; ++i)
            if (qtest::rand_int(0, 3) == 0) f[i] = static_cast<uint8_t>(qtest::rand_int(0, 14) | (qtest::rand_int(0, 5) == 0 ? 0x80 : 0));
        const int rc = decode(h, f, out);
        ASSERT_TRUE(rc == 0 || rc == QUORVANE_CORRUPT_FRAME) << rc;
        ASSERT_TRUE(out.buffer->guards_intact());
    }
}

} // namespace

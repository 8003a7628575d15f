// Frames through quorvane_compress and back through quorvane_decompress.

#include "codec/QuorvaneEngine.h"
#include "codec_fixture.h"

#include <thread>

namespace {

using qtest::CodecHandle;
using qtest::Frame;

struct Layout {
    uint32_t type, comp;
    bool chroma420;
};

const Layout kLossless[] = {
    {QUORVANE_FRAME_Y8, QUORVANE_FRAME_COMP_YUV400, false},   {QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, true},
    {QUORVANE_FRAME_YV12, QUORVANE_FRAME_COMP_YUV420, true},  {QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV444, false},
    {QUORVANE_FRAME_YV24, QUORVANE_FRAME_COMP_YUV444, false},
};

// Compresses `f` and decodes it into a fresh frame at another misalignment; true when equal.
void round_trip(uint32_t h, uint32_t type, uint32_t comp, uint32_t w, uint32_t ht, Frame& f, uint32_t field = 0)
{
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, type, w, ht, comp, s, field), 0) << type << " " << w << "x" << ht;
    const std::vector<uint8_t> before = f.bytes();
    int rc = 0;
    const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(quorvane_compress_end(h), 0);
    // The caller's frame is only read.
    EXPECT_EQ(f.bytes(), before);
    EXPECT_TRUE(f.buffer->guards_intact());

    ASSERT_EQ(qtest::begin_decompress(h, s.header, type), 0);
    Frame g(h, type, w, ht, 7);
    g.randomize();
    ASSERT_EQ(quorvane_decompress(h, out.data(), static_cast<uint32_t>(out.size()), &g.data), 0);
    ASSERT_EQ(quorvane_decompress_end(h), 0);
    EXPECT_EQ(g.bytes(), before) << type << " " << w << "x" << ht << " field " << field;
    EXPECT_TRUE(g.buffer->guards_intact());
}

TEST(RoundTrip, PlanarLayoutsAtManySizes)
{
    CodecHandle h;
    const uint32_t sizes[][2] = {{4, 4}, {6, 4}, {8, 28}, {10, 30}, {38, 58}, {62, 56}, {64, 84}, {130, 114}};
    for (int threads : {1, 5}) {
        h.set_threads(threads);
        for (const Layout& l : kLossless)
            for (const auto& sz : sizes) {
                Frame f(h, l.type, sz[0], sz[1], sz[0] % 5);
                if (sz[0] % 3 == 0) f.randomize();
                else f.smooth();
                round_trip(h, l.type, l.comp, sz[0], sz[1], f);
            }
    }
    // Odd sizes where the layout allows them.
    for (uint32_t w : {5u, 17u, 57u})
        for (uint32_t ht : {5u, 29u, 57u}) {
            Frame f(h, QUORVANE_FRAME_Y8, w, ht);
            f.smooth();
            round_trip(h, QUORVANE_FRAME_Y8, QUORVANE_FRAME_COMP_YUV400, w, ht, f);
            Frame g(h, QUORVANE_FRAME_I444, w, ht, 3);
            g.randomize(16);
            round_trip(h, QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV444, w, ht, g);
        }
}

TEST(RoundTrip, Interlaced)
{
    CodecHandle h;
    for (const Layout& l : kLossless)
        for (uint32_t ht : {8u, 28u, 60u, 116u}) {
            Frame f(h, l.type, 22, ht, 1);
            f.smooth();
            round_trip(h, l.type, l.comp, 22, ht, f, 1);
        }
}

TEST(RoundTrip, FullHd)
{
    CodecHandle h;
    for (uint32_t type : {uint32_t(QUORVANE_FRAME_I420), uint32_t(QUORVANE_FRAME_Y8)}) {
        Frame f(h, type, 1920, 1080);
        f.smooth();
        round_trip(h, type, QUORVANE_FRAME_ANY, 1920, 1080, f);
    }
}

// The coded blocks of a slice are decoded together; blocks stored raw, constant blocks and
// coded blocks of very different code lengths mix within a slice and across slices here.
TEST(RoundTrip, SlicesMixingRawFlatAndCodedBlocks)
{
    CodecHandle h;
    const uint32_t w = 70, ht = 150;
    for (int threads : {1, 4}) {
        h.set_threads(threads);
        for (int shift = 0; shift < 3; ++shift) {
            Frame f(h, QUORVANE_FRAME_I444, w, ht, size_t(shift));
            for (int p = 0; p < 3; ++p) {
                uint8_t* plane = static_cast<uint8_t*>(f.data.planes[p].data);
                for (uint32_t y = 0; y < ht; ++y)
                    for (uint32_t x = 0; x < w; ++x) {
                        uint8_t& v = plane[size_t(y) * f.data.planes[p].stride + x];
                        switch ((p + int(y / 28) + shift) % 4) {
                        case 0: v = uint8_t(qtest::rand_int(0, 255)); break;
                        case 1: v = 9; break;
                        case 2: v = uint8_t(x * 3 + y + qtest::rand_int(0, 1)); break;
                        default: v = uint8_t(x ^ y) & 0x3F; break;
                        }
                    }
            }
            round_trip(h, QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV444, w, ht, f);
        }
    }
}

TEST(RoundTrip, SameBytesForEveryThreadCount)
{
    CodecHandle h;
    for (const Layout& l : {kLossless[1], kLossless[3]}) {
        Frame f(h, l.type, 320, 236);
        f.smooth();
        std::vector<uint8_t> first;
        for (int threads : {1, 2, 3, 8, 64}) {
            h.set_threads(threads);
            qtest::Stream s;
            ASSERT_EQ(qtest::begin_compress(h, l.type, 320, 236, l.comp, s), 0);
            const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
            ASSERT_FALSE(out.empty());
            ASSERT_EQ(quorvane_compress_end(h), 0);
            if (first.empty()) first = out;
            EXPECT_EQ(out, first) << threads << " threads";
        }
    }
}

TEST(RoundTrip, DecodesIntoPaddedPlanesWithoutTouchingThePadding)
{
    CodecHandle h;
    const uint32_t w = 30, ht = 34;
    Frame f(h, QUORVANE_FRAME_I420, w, ht);
    f.randomize();
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_I420, w, ht, QUORVANE_FRAME_ANY, s), 0);
    const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
    ASSERT_EQ(quorvane_compress_end(h), 0);
    ASSERT_EQ(qtest::begin_decompress(h, s.header, QUORVANE_FRAME_I420), 0);
    // Caller planes with 9 bytes of padding per row, the last row ending at the plane's end.
    const int32_t strides[3] = {int32_t(w) + 9, int32_t(w / 2) + 9, int32_t(w / 2) + 9};
    const uint32_t rows[3] = {ht, ht / 2, ht / 2}, widths[3] = {w, w / 2, w / 2};
    std::vector<std::unique_ptr<qtest::GuardedBuffer>> bufs;
    QuorvaneFrameData d{};
    for (int p = 0; p < 3; ++p) {
        const uint32_t size = (rows[p] - 1) * strides[p] + widths[p];
        bufs.push_back(std::make_unique<qtest::GuardedBuffer>(size, p * 3, 0xEE));
        d.planes[p] = QuorvanePlane{bufs[p]->data(), strides[p], size};
    }
    ASSERT_EQ(quorvane_decompress(h, out.data(), uint32_t(out.size()), &d), 0);
    const uint8_t* src = f.buffer->data();
    for (int p = 0; p < 3; ++p) {
        for (uint32_t r = 0; r < rows[p]; ++r) {
            const uint8_t* row = bufs[p]->data() + r * strides[p];
            EXPECT_EQ(0, std::memcmp(row, src + r * widths[p], widths[p])) << p << " " << r;
            if (r + 1 < rows[p]) {
                for (int k = widths[p]; k < strides[p]; ++k) ASSERT_EQ(row[k], 0xEE);
            }
        }
        src += rows[p] * widths[p];
        EXPECT_TRUE(bufs[p]->guards_intact());
    }
}

TEST(RoundTrip, ConvertingBindingsKeepLumaAndFlatChroma)
{
    CodecHandle h;
    struct Case {
        uint32_t type, comp;
    } cases[] = {
        {QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV420}, {QUORVANE_FRAME_YV24, QUORVANE_FRAME_COMP_YUV422},
        {QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV400}, {QUORVANE_FRAME_YV12, QUORVANE_FRAME_COMP_YUV400},
    };
    const uint32_t w = 40, ht = 64;
    for (uint32_t field : {0u, 1u})
    for (const Case& c : cases) {
        Frame f(h, c.type, w, ht);
        f.smooth();
        // Flat chroma survives down- and upsampling unchanged.
        const size_t luma = size_t(w) * ht;
        std::memset(f.buffer->data() + luma, 77, f.buffer->size() - luma);
        qtest::Stream s;
        ASSERT_EQ(qtest::begin_compress(h, c.type, w, ht, c.comp, s, field), 0);
        const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
        ASSERT_FALSE(out.empty());
        ASSERT_EQ(quorvane_compress_end(h), 0);
        ASSERT_EQ(qtest::begin_decompress(h, s.header, c.type), 0);
        Frame g(h, c.type, w, ht, 5);
        ASSERT_EQ(quorvane_decompress(h, out.data(), uint32_t(out.size()), &g.data), 0);
        ASSERT_EQ(quorvane_decompress_end(h), 0);
        EXPECT_EQ(0, std::memcmp(g.buffer->data(), f.buffer->data(), luma));
        const uint8_t want = c.comp == QUORVANE_FRAME_COMP_YUV400 ? 128 : 77;
        for (size_t i = luma; i < g.buffer->size(); ++i) ASSERT_EQ(g.buffer->data()[i], want) << i << " field " << field;
        EXPECT_TRUE(g.buffer->guards_intact());
    }
}

// Bottom-up frames: compressing a frame marked bottom-up gives the bytes of its mirror image
// compressed top-down, and decoding with the mark mirrors the rows back. Runs for every layout
// that can flip and whose class is in the library.
void mirror_rows(const Frame& src, Frame& dst)
{
    for (int p = 0; p < 4; ++p) {
        const QuorvanePlane& a = src.data.planes[p];
        const QuorvanePlane& b = dst.data.planes[p];
        if (!a.data) continue;
        const uint32_t rows = a.size / uint32_t(a.stride);
        for (uint32_t r = 0; r < rows; ++r)
            std::memcpy(static_cast<uint8_t*>(b.data) + size_t(r) * b.stride,
                        static_cast<const uint8_t*>(a.data) + size_t(rows - 1 - r) * a.stride, size_t(a.stride));
    }
}

TEST(RoundTrip, FlipMirrorsTheRows)
{
    Quorvane probe(true, true);
    int tested = 0;
    CodecHandle h;
    h.set_threads(3);
    for (const auto& [k, v] : probe.GetBindings()) {
        if (k.second != QUORVANE_FRAME_ANY || v.direction != Quorvane::kCompress || !v.frontend->can_flip()) continue;
        const uint32_t type = uint32_t(k.first), w = 24, ht = 60;
        Frame f(h, type, w, ht), m(h, type, w, ht);
        f.randomize();
        mirror_rows(f, m);
        qtest::Stream s1, s2;
        ASSERT_EQ(qtest::begin_compress(h, type, w, ht, QUORVANE_FRAME_ANY, s1, 0, QUORVANE_FLAG_BOTTOM_UP), 0);
        const std::vector<uint8_t> flipped = qtest::compress_frame(h, f, s1.maxSize);
        ASSERT_EQ(quorvane_compress_end(h), 0);
        ASSERT_EQ(qtest::begin_compress(h, type, w, ht, QUORVANE_FRAME_ANY, s2), 0);
        const std::vector<uint8_t> plain = qtest::compress_frame(h, m, s2.maxSize);
        ASSERT_EQ(quorvane_compress_end(h), 0);
        ASSERT_FALSE(plain.empty());
        EXPECT_EQ(flipped, plain) << type;

        Frame up(h, type, w, ht), down(h, type, w, ht), back(h, type, w, ht);
        ASSERT_EQ(qtest::begin_decompress(h, s1.header, type, QUORVANE_FLAG_BOTTOM_UP), 0);
        ASSERT_EQ(quorvane_decompress(h, flipped.data(), uint32_t(flipped.size()), &up.data), 0);
        ASSERT_EQ(quorvane_decompress_end(h), 0);
        ASSERT_EQ(qtest::begin_decompress(h, s1.header, type), 0);
        ASSERT_EQ(quorvane_decompress(h, flipped.data(), uint32_t(flipped.size()), &down.data), 0);
        ASSERT_EQ(quorvane_decompress_end(h), 0);
        mirror_rows(down, back);
        EXPECT_EQ(up.bytes(), back.bytes()) << type;
        ++tested;
    }
    EXPECT_GT(tested, 0);
}

TEST(RoundTrip, OneHandleFromTwoThreads)
{
    CodecHandle h;
    Frame f(h, QUORVANE_FRAME_I420, 64, 64);
    f.smooth();
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_I420, 64, 64, QUORVANE_FRAME_ANY, s), 0);
    const std::vector<uint8_t> want = qtest::compress_frame(h, f, s.maxSize);
    bool same[2] = {true, true};
    auto run = [&](int id) {
        for (int i = 0; i < 30; ++i) {
            const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize);
            same[id] = same[id] && out == want;
        }
    };
    std::thread a(run, 0), b(run, 1);
    a.join();
    b.join();
    EXPECT_TRUE(same[0]);
    EXPECT_TRUE(same[1]);
}

} // namespace

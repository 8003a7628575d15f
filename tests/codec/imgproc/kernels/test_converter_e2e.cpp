// Converting bindings through the codec's function interface: what a caller gets back after
// compress and decompress equals the reference pipeline (the converters run on whole frames, or
// fields, by themselves); luma passes untouched; grey streams decode with neutral chroma;
// constant colour comes back as through the 4:4:4 path. Bindings whose frontend is not in the
// library yet are skipped (they fail with a result code, which the engine's tests check).

#include "codec/QuorvaneEngine.h"
#include "codec/imgproc/kernels/Converters.h"
#include "codec/codec_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using qtest::CodecHandle;
using qtest::Frame;

// A whole frame of byte-addressed planes for the reference pipeline.
struct Planes {
    std::vector<std::vector<uint8_t>> bufs;
    ImgFrame frame;
    Planes(const ImgProcBackend& b, int w, int h, uint8_t fill = 0)
    {
        const int n = b.get_num_canonical_planes(), ps = b.get_pixel_size();
        bufs.resize(n);
        for (int p = 0; p < n; ++p) {
            const int stride = b.get_cplane_width(p, w) * ps;
            bufs[p].assign(size_t(stride) * b.get_cplane_height(p, h), fill);
            frame[p] = {bufs[p].data(), stride};
        }
    }
};

// Runs every pass of c over the whole frame, field by field when interlaced.
void convert_whole(const ImgProcConverter& c, const ImgFrame& src, const ImgFrame& dst, int w, int h, bool interlaced)
{
    for (int pass = 0; pass < c.get_num_passes(); ++pass) {
        if (!interlaced) {
            c.convert(src, dst, w, h, {0, h}, pass);
            continue;
        }
        for (int f = 0; f < 2; ++f) {
            ImgFrame s = src, d = dst;
            for (int k = 0; k < 4; ++k) {
                if (s[k].ptr) s[k] = {s[k].ptr + f * s[k].stride, 2 * s[k].stride};
                if (d[k].ptr) d[k] = {d[k].ptr + f * d[k].stride, 2 * d[k].stride};
            }
            c.convert(s, d, w, h / 2, {0, h / 2}, pass);
        }
    }
}

std::vector<uint8_t> compress(uint32_t h, uint32_t type, uint32_t comp, int w, int ht, const Frame& f, bool interlaced,
                              std::vector<uint8_t>& header)
{
    qtest::Stream s;
    EXPECT_EQ(qtest::begin_compress(h, type, w, ht, comp, s, interlaced ? 1 : 0), 0);
    int rc = -1;
    std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(quorvane_compress_end(h), 0);
    header = s.header;
    return out;
}

void decompress(uint32_t h, const std::vector<uint8_t>& header, const std::vector<uint8_t>& frame, Frame& g, uint32_t type)
{
    ASSERT_EQ(qtest::begin_decompress(h, header, type), 0);
    ASSERT_EQ(quorvane_decompress(h, frame.data(), uint32_t(frame.size()), &g.data), 0);
    ASSERT_EQ(quorvane_decompress_end(h), 0);
}

// Compares caller plane k of g with reference plane k.
void expect_plane(const Frame& g, int k, const ImgPlane& want, int bytes, int rows, const char* what)
{
    for (int r = 0; r < rows; ++r)
        ASSERT_EQ(0, std::memcmp(static_cast<uint8_t*>(g.data.planes[k].data) + ptrdiff_t(r) * g.data.planes[k].stride,
                                 want.row(r), size_t(bytes)))
            << what << " plane " << k << " row " << r;
}

ImgProcConverter8_444_to_422 k444_422;
ImgProcConverter8_422_to_444 k422_444;
ImgProcConverter8_444_to_420 k444_420;
ImgProcConverter8_420_to_444 k420_444;

} // namespace

// I444 / YV24 stored as 4:2:2 and 4:2:0, decoded back into 4:4:4 and (for 4:2:0) into I420.
TEST(ConverterEndToEnd, Planar444ThroughSubsampledStreams)
{
    CodecHandle h;
    struct Case {
        uint32_t type, comp;
        const ImgProcConverter *down, *up;
        const ImgProcBackend* mid;
    } cases[] = {{QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV422, &k444_422, &k422_444, k444_422.dstBackend},
                 {QUORVANE_FRAME_YV24, QUORVANE_FRAME_COMP_YUV422, &k444_422, &k422_444, k444_422.dstBackend},
                 {QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV420, &k444_420, &k420_444, k444_420.dstBackend},
                 {QUORVANE_FRAME_YV24, QUORVANE_FRAME_COMP_YUV420, &k444_420, &k420_444, k444_420.dstBackend}};
    const int sizes[][2] = {{4, 4}, {36, 28}, {66, 60}, {130, 116}, {200, 84}};
    for (int threads : {1, 6})
        for (const Case& c : cases)
            for (const auto& sz : sizes)
                for (bool interlaced : {false, true}) {
                    const int w = sz[0], ht = sz[1];
                    SCOPED_TRACE(::testing::Message() << c.type << "->" << c.comp << " " << w << "x" << ht
                                                      << " interlaced " << interlaced << " threads " << threads);
                    h.set_threads(threads);
                    Frame f(h, c.type, w, ht, size_t(w % 7));
                    f.randomize();
                    std::vector<uint8_t> header;
                    const std::vector<uint8_t> out = compress(h, c.type, c.comp, w, ht, f, interlaced, header);
                    ASSERT_FALSE(out.empty());

                    // Reference: down then up, on whole frames.
                    Planes src(*c.down->srcBackend, w, ht), mid(*c.mid, w, ht), back(*c.up->dstBackend, w, ht);
                    for (int k = 0; k < 3; ++k)
                        for (int r = 0; r < ht; ++r)
                            std::memcpy(src.frame[k].row(r), static_cast<uint8_t*>(f.data.planes[k].data) + r * f.data.planes[k].stride, w);
                    convert_whole(*c.down, src.frame, mid.frame, w, ht, interlaced);
                    convert_whole(*c.up, mid.frame, back.frame, w, ht, interlaced);

                    Frame g(h, c.type, w, ht, 3);
                    g.randomize();
                    decompress(h, header, out, g, c.type);
                    expect_plane(g, 0, src.frame[0], w, ht, "luma untouched");
                    expect_plane(g, 1, back.frame[1], w, ht, "chroma");
                    expect_plane(g, 2, back.frame[2], w, ht, "chroma");
                    EXPECT_TRUE(g.buffer->guards_intact());

                    if (c.comp == QUORVANE_FRAME_COMP_YUV420) {
                        // Into I420 (no converter): exactly the downscaled chroma. YV24 and I420 differ in
                        // plane order, so take U and V by name.
                        Frame q(h, QUORVANE_FRAME_I420, w, ht, 1);
                        decompress(h, header, out, q, QUORVANE_FRAME_I420);
                        expect_plane(q, 0, src.frame[0], w, ht, "luma");
                        const bool yv = c.type == QUORVANE_FRAME_YV24;
                        expect_plane(q, 1, mid.frame[yv ? 2 : 1], w / 2, ht / 2, "U");
                        expect_plane(q, 2, mid.frame[yv ? 1 : 2], w / 2, ht / 2, "V");
                    }
                }
}

// 4:2:0 input: stored at its own subsampling it is bit-exact; decoded into 4:4:4 it is upsampled.
TEST(ConverterEndToEnd, Planar420IntoFourFourFour)
{
    CodecHandle h;
    for (const auto& sz : {std::pair{40, 36}, std::pair{98, 58}}) {
        const int w = sz.first, ht = sz.second;
        Frame f(h, QUORVANE_FRAME_I420, w, ht, 5);
        f.randomize();
        std::vector<uint8_t> header;
        const std::vector<uint8_t> out = compress(h, QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, w, ht, f, false, header);
        Frame same(h, QUORVANE_FRAME_I420, w, ht);
        decompress(h, header, out, same, QUORVANE_FRAME_I420);
        EXPECT_EQ(same.bytes(), f.bytes());

        Planes src(*k420_444.srcBackend, w, ht), back(*k420_444.dstBackend, w, ht);
        for (int k = 0; k < 3; ++k) {
            const int cw = k ? w / 2 : w, ch = k ? ht / 2 : ht;
            for (int r = 0; r < ch; ++r)
                std::memcpy(src.frame[k].row(r), static_cast<uint8_t*>(f.data.planes[k].data) + r * f.data.planes[k].stride, cw);
        }
        convert_whole(k420_444, src.frame, back.frame, w, ht, false);
        Frame g(h, QUORVANE_FRAME_I444, w, ht, 2);
        decompress(h, header, out, g, QUORVANE_FRAME_I444);
        expect_plane(g, 0, src.frame[0], w, ht, "luma");
        expect_plane(g, 1, back.frame[1], w, ht, "U");
        expect_plane(g, 2, back.frame[2], w, ht, "V");
    }
}

// A constant colour through 4:2:2 and 4:2:0 decodes to what it decodes to through 4:4:4 (for YUV
// input: the input itself), whatever the luma does.
TEST(ConverterEndToEnd, ConstantColourMatchesFourFourFour)
{
    CodecHandle h;
    const int w = 64, ht = 56;
    for (uint32_t type : {uint32_t(QUORVANE_FRAME_I444), uint32_t(QUORVANE_FRAME_YV24)}) {
        Frame f(h, type, w, ht);
        f.randomize();
        std::memset(f.data.planes[1].data, 37, size_t(f.data.planes[1].stride) * ht);
        std::memset(f.data.planes[2].data, 201, size_t(f.data.planes[2].stride) * ht);
        std::vector<std::vector<uint8_t>> results;
        for (uint32_t comp : {QUORVANE_FRAME_COMP_YUV444, QUORVANE_FRAME_COMP_YUV422, QUORVANE_FRAME_COMP_YUV420}) {
            std::vector<uint8_t> header;
            const std::vector<uint8_t> out = compress(h, type, comp, w, ht, f, false, header);
            Frame g(h, type, w, ht, 9);
            g.randomize();
            decompress(h, header, out, g, type);
            results.push_back(g.bytes());
        }
        EXPECT_EQ(results[0], f.bytes());
        EXPECT_EQ(results[1], results[0]);
        EXPECT_EQ(results[2], results[0]);
    }
}

// Grey: colour stored as luma only decodes with neutral chroma; a Y8 stream decodes into every
// planar colour layout with neutral chroma.
TEST(ConverterEndToEnd, GreyStreamsDecodeWithNeutralChroma)
{
    CodecHandle h;
    const int w = 50, ht = 68;
    for (uint32_t type : {uint32_t(QUORVANE_FRAME_I444), uint32_t(QUORVANE_FRAME_YV24), uint32_t(QUORVANE_FRAME_I420),
                          uint32_t(QUORVANE_FRAME_YV12), uint32_t(QUORVANE_FRAME_Y8)}) {
        for (bool interlaced : {false, true}) {
            Frame f(h, type, w, ht, 4);
            f.randomize();
            std::vector<uint8_t> header;
            const std::vector<uint8_t> out = compress(h, type, QUORVANE_FRAME_COMP_YUV400, w, ht, f, interlaced, header);
            ASSERT_FALSE(out.empty());
            for (uint32_t into : {uint32_t(QUORVANE_FRAME_I444), uint32_t(QUORVANE_FRAME_YV24), uint32_t(QUORVANE_FRAME_I420),
                                  uint32_t(QUORVANE_FRAME_YV12), uint32_t(QUORVANE_FRAME_Y8)}) {
                SCOPED_TRACE(::testing::Message() << type << " -> grey -> " << into << " interlaced " << interlaced);
                Frame g(h, into, w, ht, 6);
                g.randomize();
                decompress(h, header, out, g, into);
                for (int r = 0; r < ht; ++r)
                    ASSERT_EQ(0, std::memcmp(static_cast<uint8_t*>(g.data.planes[0].data) + r * g.data.planes[0].stride,
                                             static_cast<uint8_t*>(f.data.planes[0].data) + r * f.data.planes[0].stride, w));
                const bool sub = into == QUORVANE_FRAME_I420 || into == QUORVANE_FRAME_YV12;
                for (int k = 1; k <= 2 && into != QUORVANE_FRAME_Y8; ++k)
                    for (int r = 0; r < (sub ? ht / 2 : ht); ++r)
                        for (int x = 0; x < (sub ? w / 2 : w); ++x)
                            ASSERT_EQ(static_cast<uint8_t*>(g.data.planes[k].data)[r * g.data.planes[k].stride + x], 128);
                EXPECT_TRUE(g.buffer->guards_intact());
            }
        }
    }
}

namespace {
ImgProcConverter8_422_to_420 k422_420;
ImgProcConverter8_420_to_422 k420_422;
TImgProcConverter16_422_to_420<10> k10_422_420;
TImgProcConverter16_420_to_422<10> k10_420_422;
} // namespace

// Packed 4:2:2 (YUY2, UYVY): bit-exact at its own subsampling; through 4:2:0 the chroma is the
// vertical downscale then interpolation of its own chroma rows.
TEST(ConverterEndToEnd, Packed422ThroughFourTwoZero)
{
    for (const uint32_t type : {uint32_t(QUORVANE_FRAME_YUY2), uint32_t(QUORVANE_FRAME_UYVY)}) {
        CodecHandle h;
        const bool uyvy = type == QUORVANE_FRAME_UYVY;
        for (bool interlaced : {false, true}) {
            const int w = 96, ht = 60;
            Frame f(h, type, w, ht, 4);
            f.randomize();
            std::vector<uint8_t> header;
            const std::vector<uint8_t> own = compress(h, type, QUORVANE_FRAME_COMP_YUV422, w, ht, f, interlaced, header);
            Frame same(h, type, w, ht);
            decompress(h, header, own, same, type);
            EXPECT_EQ(same.bytes(), f.bytes());

            const std::vector<uint8_t> out = compress(h, type, QUORVANE_FRAME_COMP_YUV420, w, ht, f, interlaced, header);
            Planes src(*k422_420.srcBackend, w, ht), mid(*k422_420.dstBackend, w, ht), back(*k420_422.dstBackend, w, ht);
            auto px = [&](const Frame& fr, int r, int x) {
                return static_cast<uint8_t*>(fr.data.planes[0].data) + ptrdiff_t(r) * fr.data.planes[0].stride + x;
            };
            const int yo = uyvy ? 1 : 0, uo = uyvy ? 0 : 1, vo = uyvy ? 2 : 3;
            for (int r = 0; r < ht; ++r)
                for (int j = 0; j < w / 2; ++j) {
                    src.frame[1].row(r)[j] = *px(f, r, 4 * j + uo);
                    src.frame[2].row(r)[j] = *px(f, r, 4 * j + vo);
                }
            convert_whole(k422_420, src.frame, mid.frame, w, ht, interlaced);
            convert_whole(k420_422, mid.frame, back.frame, w, ht, interlaced);
            Frame g(h, type, w, ht, 8);
            g.randomize();
            decompress(h, header, out, g, type);
            for (int r = 0; r < ht; ++r)
                for (int j = 0; j < w / 2; ++j) {
                    ASSERT_EQ(*px(g, r, 4 * j + yo), *px(f, r, 4 * j + yo));
                    ASSERT_EQ(*px(g, r, 4 * j + yo + 2), *px(f, r, 4 * j + yo + 2));
                    ASSERT_EQ(*px(g, r, 4 * j + uo), back.frame[1].row(r)[j]) << r << " " << j;
                    ASSERT_EQ(*px(g, r, 4 * j + vo), back.frame[2].row(r)[j]) << r << " " << j;
                }
        }
    }
}

// RGB input: a constant colour through 4:2:2 and 4:2:0 gives what the 4:4:4 path gives (the
// matrix round trip, not necessarily the input colour).
TEST(ConverterEndToEnd, RgbConstantColourMatchesFourFourFour)
{
    const uint32_t type = QUORVANE_FRAME_BGRX;
    CodecHandle h;
    const int w = 48, ht = 32;
    const uint8_t colours[][3] = {{0, 0, 255}, {10, 200, 90}, {255, 255, 255}};
    for (const auto& bgr : colours) {
        Frame f(h, type, w, ht);
        for (int r = 0; r < ht; ++r)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = static_cast<uint8_t*>(f.data.planes[0].data) + r * f.data.planes[0].stride + 4 * x;
                p[0] = bgr[0], p[1] = bgr[1], p[2] = bgr[2], p[3] = 255;
            }
        std::vector<std::vector<uint8_t>> results;
        for (uint32_t comp : {QUORVANE_FRAME_COMP_YUV444, QUORVANE_FRAME_COMP_YUV422, QUORVANE_FRAME_COMP_YUV420}) {
            std::vector<uint8_t> header;
            const std::vector<uint8_t> out = compress(h, type, comp, w, ht, f, false, header);
            Frame g(h, type, w, ht, 12);
            decompress(h, header, out, g, type);
            results.push_back(g.bytes());
        }
        EXPECT_EQ(results[1], results[0]);
        EXPECT_EQ(results[2], results[0]);
    }
}

// 10-bit planar 4:2:2 stored as 4:2:0: luma exact, chroma the reference pipeline; chroma words
// with bits above the tenth are read as their low ten bits.
TEST(ConverterEndToEnd, TenBit422ThroughFourTwoZero)
{
    const uint32_t type = QUORVANE_FRAME_YUV422P_10, comp = QUORVANE_FRAME_COMP_10_YUV420;
    CodecHandle h;
    for (bool wild : {false, true})
        for (bool interlaced : {false, true}) {
            const int w = 72, ht = 56;
            Frame f(h, type, w, ht, 2);
            Planes src(*k10_422_420.srcBackend, w, ht), mid(*k10_422_420.dstBackend, w, ht),
                back(*k10_420_422.dstBackend, w, ht);
            for (int k = 0; k < 3; ++k) {
                const int cw = k ? w / 2 : w;
                for (int r = 0; r < ht; ++r)
                    for (int x = 0; x < cw; ++x) {
                        uint16_t v = uint16_t(qtest::rand_u32() & 1023);
                        if (wild && k) v |= uint16_t(qtest::rand_u32() & 0xFC00);
                        uint8_t* p = static_cast<uint8_t*>(f.data.planes[k].data) + r * f.data.planes[k].stride + 2 * x;
                        std::memcpy(p, &v, 2);
                        std::memcpy(src.frame[k].row(r) + 2 * x, &v, 2);
                    }
            }
            std::vector<uint8_t> header;
            const std::vector<uint8_t> out = compress(h, type, comp, w, ht, f, interlaced, header);
            convert_whole(k10_422_420, src.frame, mid.frame, w, ht, interlaced);
            convert_whole(k10_420_422, mid.frame, back.frame, w, ht, interlaced);
            Frame g(h, type, w, ht, 6);
            decompress(h, header, out, g, type);
            expect_plane(g, 0, src.frame[0], 2 * w, ht, "luma");
            expect_plane(g, 1, back.frame[1], w, ht, "U");
            expect_plane(g, 2, back.frame[2], w, ht, "V");
        }
}

// The 4:2:0 converters assume bands that start on even chroma rows (even luma rows per field);
// a stream header whose slice height breaks that is refused before any frame is decoded.
TEST(ConverterEndToEnd, SliceHeightsThatSplitChromaRowsAreRefused)
{
    CodecHandle h;
    const int w = 40, ht = 56;
    for (bool interlaced : {false, true}) {
        Frame f(h, QUORVANE_FRAME_I444, w, ht);
        f.randomize();
        std::vector<uint8_t> header;
        compress(h, QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV420, w, ht, f, interlaced, header);
        ASSERT_GE(header.size(), 32u);
        auto with_slice = [&](uint32_t L) {
            std::vector<uint8_t> hd = header;
            for (int i = 0; i < 4; ++i) hd[28 + i] = uint8_t(L >> (8 * i));
            return hd;
        };
        EXPECT_EQ(qtest::begin_decompress(h, with_slice(28), QUORVANE_FRAME_I444), 0);
        quorvane_decompress_end(h);
        for (uint32_t bad : {0u, 27u, 13u, 1u}) EXPECT_NE(qtest::begin_decompress(h, with_slice(bad), QUORVANE_FRAME_I444), 0) << bad;
        if (interlaced) {
            EXPECT_NE(qtest::begin_decompress(h, with_slice(26), QUORVANE_FRAME_I444), 0);
        }
    }
}

// Every converting binding, progressive and interlaced: the stored frame and the decoded frame
// do not depend on the thread count (blocks run in any order within a phase, the converter
// passes that read neighbouring blocks wait for their barrier).
TEST(ConverterEndToEnd, EveryConvertingBindingIsIndependentOfThreadCount)
{
    const Quorvane probe(true, true);
    CodecHandle h;
    const int w = 48, ht = 64;
    int tried = 0;
    for (const auto& [key, proc] : probe.GetBindings()) {
        if (!proc.converter || proc.direction != Quorvane::kCompress || key.second == QUORVANE_FRAME_ANY) continue;
        const uint32_t type = uint32_t(key.first), comp = uint32_t(key.second);
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(::testing::Message() << quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(type)) << " -> "
                                              << quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(comp))
                                              << " interlaced " << interlaced);
            Frame f(h, type, w, ht);
            f.randomize();
            std::vector<uint8_t> stored[2], decoded[2], header;
            for (int i = 0; i < 2; ++i) {
                h.set_threads(i ? 7 : 1);
                stored[i] = compress(h, type, comp, w, ht, f, interlaced, header);
                Frame g(h, type, w, ht);
                decompress(h, header, stored[i], g, type);
                EXPECT_TRUE(g.buffer->guards_intact());
                decoded[i] = g.bytes();
            }
            ASSERT_FALSE(stored[0].empty());
            EXPECT_EQ(stored[0], stored[1]);
            EXPECT_EQ(decoded[0], decoded[1]);
            ++tried;
        }
    }
    EXPECT_EQ(tried, 2 * 31);
}

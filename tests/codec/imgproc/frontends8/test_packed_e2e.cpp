// The packed 8-bit layouts end to end through the codec's function interface:
//  - every lossless binding gives the frame back bit for bit (filler bytes as 255), for every
//    channel order, at widths that exercise heads and tails, flipped or not, on 1 and N threads;
//  - streams decode into every layout of their compressed type with the same colours;
//  - RGB stored as YUV decodes to exactly what the matrices give (4:4:4 and grey), within 2 per
//    channel of the input (1 under Rec601_Full);
//  - through 4:2:2 and 4:2:0 the output equals a reference pipeline (forward matrix or split,
//    the chroma converters, inverse) bit for bit.

#include "codec/quorvane.h"
#include "codec/imgproc/kernels/DecorrAlgos.h"
#include "codec/imgproc/kernels/ImgProcConverter8.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using qtest::GuardedBuffer;

// A caller frame of one packed plane.
struct Frame {
    int w, h, bpp2; // bytes per 2 pixels
    int pitch;
    GuardedBuffer buf;
    Frame(int width, int height, int bytesPer2Pixels, int slack, size_t misalign, uint8_t fill)
        : w(width), h(height), bpp2(bytesPer2Pixels),
          pitch(((bytesPer2Pixels * width / 2 + 3) & ~3) + 4 * slack),
          buf(static_cast<size_t>(pitch) * height, misalign, fill)
    {
    }
    uint8_t* row(int r) { return buf.data() + static_cast<size_t>(r) * pitch; }
    int row_bytes() const { return bpp2 * w / 2; }
    QuorvaneFrameData data()
    {
        QuorvaneFrameData d{};
        d.planes[0] = {buf.data(), pitch, static_cast<uint32_t>(buf.size())};
        return d;
    }
};

QuorvaneFrameTypeEx ex_type(int w, int h, uint32_t type, bool flip = false, uint32_t cs = 0, uint32_t range = 0)
{
    return QuorvaneFrameTypeEx{static_cast<uint32_t>(w), static_cast<uint32_t>(h), QUORVANE_FRAME_EXTENDED, 1, type,
                               flip ? uint32_t(QUORVANE_FLAG_BOTTOM_UP) : 0u, cs, range, 0};
}

QuorvaneFrameType* as_type(QuorvaneFrameTypeEx& t) { return reinterpret_cast<QuorvaneFrameType*>(&t); }

class Codec {
public:
    Codec()
    {
        quorvane_library_init();
        EXPECT_EQ(QUORVANE_OK, quorvane_open(&m_handle));
    }
    ~Codec()
    {
        quorvane_close(m_handle);
        quorvane_library_close();
    }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    void threads(int n) { EXPECT_EQ(QUORVANE_OK, quorvane_set_param_value(m_handle, QUORVANE_PARAM_NUM_THREADS, n)); }

    // Compresses one frame; returns the result code of the first failing call.
    int encode(Frame& f, uint32_t type, bool flip, uint32_t comp, uint32_t cs, uint32_t range)
    {
        QuorvaneFrameTypeEx in = ex_type(f.w, f.h, type, flip);
        QuorvaneFrameTypeEx out = ex_type(f.w, f.h, comp, false, cs, range);
        const uint8_t* format = nullptr;
        uint32_t formatSize = 0, maxSize = 0;
        int rc = quorvane_compress_begin(m_handle, as_type(in), as_type(out), &format, &formatSize, &maxSize);
        if (rc) return rc;
        m_header.assign(format, format + formatSize);
        m_frame.resize(maxSize);
        uint32_t size = 0;
        const QuorvaneFrameData d = f.data();
        rc = quorvane_compress(m_handle, &d, m_frame.data(), &size);
        m_frame.resize(size);
        const int end = quorvane_compress_end(m_handle);
        return rc ? rc : end;
    }

    int decode(Frame& f, uint32_t type, bool flip)
    {
        QuorvaneFrameTypeEx out = ex_type(f.w, f.h, type, flip);
        int rc = quorvane_decompress_begin(m_handle, m_header.data(), static_cast<uint32_t>(m_header.size()),
                                           as_type(out), nullptr);
        if (rc) return rc;
        const QuorvaneFrameData d = f.data();
        rc = quorvane_decompress(m_handle, m_frame.data(), static_cast<uint32_t>(m_frame.size()), &d);
        const int end = quorvane_decompress_end(m_handle);
        return rc ? rc : end;
    }

private:
    uint32_t m_handle = 0;
    std::vector<uint8_t> m_header, m_frame;
};

// --- Lossless bindings ----------------------------------------------------------------------------

struct Layout {
    const char* name;
    uint32_t type;
    int bpp2;      // bytes per two pixels
    int filler;    // byte position of a filler byte (comes back as 255), or -1
    bool flips;
    int widthStep; // 2 for 4:2:2 layouts
};

const Layout kRgbx[] = {{"BGRX", QUORVANE_FRAME_BGRX, 8, 3, true, 1},
                        {"XRGB", QUORVANE_FRAME_XRGB, 8, 0, true, 1},
                        {"RGBX", QUORVANE_FRAME_RGBX, 8, 3, true, 1},
                        {"XBGR", QUORVANE_FRAME_XBGR, 8, 0, true, 1}};
const Layout kRgba[] = {{"BGRA", QUORVANE_FRAME_BGRA, 8, -1, true, 1},
                        {"ARGB", QUORVANE_FRAME_ARGB, 8, -1, true, 1},
                        {"RGBA", QUORVANE_FRAME_RGBA, 8, -1, true, 1},
                        {"ABGR", QUORVANE_FRAME_ABGR, 8, -1, true, 1}};
const Layout kRgb24[] = {{"BGR", QUORVANE_FRAME_BGR, 6, -1, true, 1}, {"RGB", QUORVANE_FRAME_RGB, 6, -1, true, 1}};
const Layout kYuv444[] = {{"V308", QUORVANE_FRAME_V308, 6, -1, true, 1},
                          {"V408X", QUORVANE_FRAME_V408X, 8, 3, true, 1},
                          {"VUYX", QUORVANE_FRAME_VUYX, 8, 3, true, 1}};
const Layout kYuv444A[] = {{"AYUV", QUORVANE_FRAME_AYUV, 8, -1, true, 1},
                           {"V408A", QUORVANE_FRAME_V408A, 8, -1, true, 1},
                           {"VUYA", QUORVANE_FRAME_VUYA, 8, -1, true, 1}};
const Layout kYuv422[] = {{"YUY2", QUORVANE_FRAME_YUY2, 4, -1, false, 2}, {"UYVY", QUORVANE_FRAME_UYVY, 4, -1, false, 2}};

void fill_frame(Frame& f) { qtest::fill_random(f.buf.data(), f.buf.size()); }

// Input byte as the lossless decode must give it back.
int lossless_byte(const Layout& l, const uint8_t* row, int i)
{
    const int bpp = l.bpp2 / 2;
    return (l.filler >= 0 && i % bpp == l.filler) ? 255 : row[i];
}

void lossless_round_trip(const Layout& l, uint32_t comp, int w, int h, bool flip, int threads)
{
    SCOPED_TRACE(testing::Message() << l.name << " " << w << "x" << h << " flip " << flip << " threads " << threads);
    Codec codec;
    codec.threads(threads);
    const size_t misalign = 4u * qtest::rand_int(0, 15);
    Frame in(w, h, l.bpp2, qtest::rand_int(0, 5), misalign, 0);
    fill_frame(in);
    ASSERT_EQ(QUORVANE_OK, codec.encode(in, l.type, flip, comp, 0, 0));
    // Decoded with the same orientation: the same frame; the other orientation: upside down.
    for (bool outFlip : {flip, !flip}) {
        if (outFlip && !l.flips) continue;
        Frame out(w, h, l.bpp2, qtest::rand_int(0, 5), 4u * qtest::rand_int(0, 15), 0xEE);
        ASSERT_EQ(QUORVANE_OK, codec.decode(out, l.type, outFlip));
        for (int r = 0; r < h; ++r) {
            const int src = outFlip == flip ? r : h - 1 - r;
            for (int i = 0; i < in.row_bytes(); ++i)
                ASSERT_EQ(lossless_byte(l, in.row(src), i), out.row(r)[i]) << "row " << r << " byte " << i;
            for (int i = in.row_bytes(); i < out.pitch; ++i) ASSERT_EQ(0xEE, out.row(r)[i]) << "slack, row " << r;
        }
        ASSERT_TRUE(out.buf.guards_intact());
    }
    ASSERT_TRUE(in.buf.guards_intact());
}

void lossless_family(const Layout* layouts, size_t n, uint32_t comp)
{
    const int widths[] = {4, 5, 15, 17, 31, 33, 47, 66, 101, 130};
    for (size_t i = 0; i < n; ++i) {
        const Layout& l = layouts[i];
        for (int w : widths) {
            if (w % l.widthStep) continue;
            const int h = qtest::rand_int(4, 40);
            lossless_round_trip(l, comp, w, h, l.flips && (w % 3 == 0), w % 2 ? 1 : 4);
        }
        lossless_round_trip(l, comp, 1918, 30, l.flips, 8);
    }
}

TEST(PackedEndToEnd, LosslessRgb)
{
    lossless_family(kRgbx, 4, QUORVANE_FRAME_COMP_RGB);
    lossless_family(kRgba, 4, QUORVANE_FRAME_COMP_RGBA);
    lossless_family(kRgb24, 2, QUORVANE_FRAME_COMP_RGB);
}

TEST(PackedEndToEnd, LosslessYuv)
{
    lossless_family(kYuv444, 3, QUORVANE_FRAME_COMP_YUV444);
    lossless_family(kYuv444A, 3, QUORVANE_FRAME_COMP_YUV444A);
    lossless_family(kYuv422, 2, QUORVANE_FRAME_COMP_YUV422);
}

// --- Colour through every layout --------------------------------------------------------------

// Components of pixel x of a row: R, G, B, A (or Y, U, V, A) by the layout's byte positions.
struct Positions {
    uint32_t type;
    int bpp;
    int pos[4]; // -1: none
};

const Positions kPositions[] = {
    {QUORVANE_FRAME_BGRX, 4, {2, 1, 0, -1}}, {QUORVANE_FRAME_XRGB, 4, {1, 2, 3, -1}},
    {QUORVANE_FRAME_RGBX, 4, {0, 1, 2, -1}}, {QUORVANE_FRAME_XBGR, 4, {3, 2, 1, -1}},
    {QUORVANE_FRAME_BGRA, 4, {2, 1, 0, 3}},  {QUORVANE_FRAME_ARGB, 4, {1, 2, 3, 0}},
    {QUORVANE_FRAME_RGBA, 4, {0, 1, 2, 3}},  {QUORVANE_FRAME_ABGR, 4, {3, 2, 1, 0}},
    {QUORVANE_FRAME_BGR, 3, {2, 1, 0, -1}},  {QUORVANE_FRAME_RGB, 3, {0, 1, 2, -1}},
    {QUORVANE_FRAME_V308, 3, {1, 2, 0, -1}}, {QUORVANE_FRAME_V408X, 4, {1, 0, 2, -1}},
    {QUORVANE_FRAME_VUYX, 4, {2, 1, 0, -1}}, {QUORVANE_FRAME_AYUV, 4, {1, 2, 3, 0}},
    {QUORVANE_FRAME_V408A, 4, {1, 0, 2, 3}}, {QUORVANE_FRAME_VUYA, 4, {2, 1, 0, 3}},
};

const Positions& positions(uint32_t type)
{
    for (const auto& p : kPositions)
        if (p.type == type) return p;
    std::abort();
}

std::array<int, 4> pixel(Frame& f, const Positions& p, int r, int x)
{
    std::array<int, 4> c{0, 0, 0, 255};
    for (int k = 0; k < 4; ++k)
        if (p.pos[k] >= 0) c[k] = f.row(r)[p.bpp * x + p.pos[k]];
    return c;
}

// A frame encoded from one RGB layout decodes into every RGB layout of its compressed type with
// the same components; the same for the packed YUV layouts.
TEST(PackedEndToEnd, DecodeIntoEveryLayoutOfTheType)
{
    const struct {
        uint32_t comp;
        std::vector<uint32_t> types;
    } groups[] = {
        {QUORVANE_FRAME_COMP_RGB,
         {QUORVANE_FRAME_BGRX, QUORVANE_FRAME_XRGB, QUORVANE_FRAME_RGBX, QUORVANE_FRAME_XBGR, QUORVANE_FRAME_BGR,
          QUORVANE_FRAME_RGB}},
        {QUORVANE_FRAME_COMP_RGBA, {QUORVANE_FRAME_BGRA, QUORVANE_FRAME_ARGB, QUORVANE_FRAME_RGBA, QUORVANE_FRAME_ABGR}},
        {QUORVANE_FRAME_COMP_YUV444, {QUORVANE_FRAME_V308, QUORVANE_FRAME_V408X, QUORVANE_FRAME_VUYX}},
        {QUORVANE_FRAME_COMP_YUV444A, {QUORVANE_FRAME_AYUV, QUORVANE_FRAME_V408A, QUORVANE_FRAME_VUYA}},
    };
    const int w = 37, h = 9;
    for (const auto& g : groups)
        for (uint32_t from : g.types) {
            const Positions& pf = positions(from);
            Codec codec;
            Frame in(w, h, 2 * pf.bpp, 1, 8, 0);
            fill_frame(in);
            ASSERT_EQ(QUORVANE_OK, codec.encode(in, from, false, g.comp, 0, 0));
            for (uint32_t to : g.types) {
                const Positions& pt = positions(to);
                Frame out(w, h, 2 * pt.bpp, 0, 4, 0xEE);
                ASSERT_EQ(QUORVANE_OK, codec.decode(out, to, false)) << from << " -> " << to;
                for (int r = 0; r < h; ++r)
                    for (int x = 0; x < w; ++x) {
                        auto a = pixel(in, pf, r, x), b = pixel(out, pt, r, x);
                        if (pt.pos[3] < 0 || pf.pos[3] < 0) a[3] = b[3] = 255;
                        ASSERT_EQ(a, b) << from << " -> " << to << " row " << r << " x " << x;
                    }
            }
        }
}

// --- RGB to YUV ----------------------------------------------------------------------------------

template <class M>
std::array<int, 3> forward(const std::array<int, 4>& c)
{
    return {colormatrix::rgb_to_y<M>(c[0], c[1], c[2]), colormatrix::rgb_to_u<M>(c[0], c[1], c[2]),
            colormatrix::rgb_to_v<M>(c[0], c[1], c[2])};
}

template <class M>
std::array<int, 3> inverse(int y, int u, int v)
{
    uint8_t o[3];
    colormatrix::yuv_to_rgb<M>(y, u, v, o);
    return {o[0], o[1], o[2]};
}

// Planes of a whole frame, row-major, 16-byte aligned rows.
struct Planes {
    int w, h, stride;
    std::vector<uint8_t> mem;
    Planes(int width, int height) : w(width), h(height), stride((width + 15) & ~15), mem(3 * stride * height + 16) {}
    uint8_t* plane(int k)
    {
        uint8_t* base = mem.data() + ((16 - reinterpret_cast<uintptr_t>(mem.data()) % 16) % 16);
        return base + static_cast<size_t>(k) * stride * h;
    }
    uint8_t& at(int k, int r, int x) { return plane(k)[static_cast<size_t>(r) * stride + x]; }
    ImgFrame frame()
    {
        ImgFrame f{};
        for (int k = 0; k < 3; ++k) f[k] = {plane(k), stride};
        return f;
    }
};

// The chroma planes of `yuv` (4:4:4) through a compress converter and back through the decompress
// converter of the binding, whole frame at once, filtered as the engine's default.
template <class Down, class Up>
void resample_chroma(Planes& yuv)
{
    Down down;
    Up up;
    down.filtered = true;
    up.filtered = true;
    Planes small(yuv.w, yuv.h);
    ImgFrame src = yuv.frame(), mid = small.frame(), dst = yuv.frame();
    mid[0] = src[0];
    for (int p = 0; p < down.get_num_passes(); ++p) down.convert(src, mid, yuv.w, yuv.h, {0, yuv.h}, p);
    for (int p = 0; p < up.get_num_passes(); ++p) up.convert(mid, dst, yuv.w, yuv.h, {0, yuv.h}, p);
}

enum class Chroma { k444, k422, k420, k400 };

uint32_t comp_of(Chroma c, bool alpha)
{
    switch (c) {
    case Chroma::k444: return alpha ? QUORVANE_FRAME_COMP_YUV444A : QUORVANE_FRAME_COMP_YUV444;
    case Chroma::k422: return QUORVANE_FRAME_COMP_YUV422;
    case Chroma::k420: return QUORVANE_FRAME_COMP_YUV420;
    default: return QUORVANE_FRAME_COMP_YUV400;
    }
}

// RGB(A) input through the YUV binding of chroma `c` under matrix M: the decoded frame equals the
// reference pipeline exactly, alpha passes, and at 4:4:4 every channel is within the matrices'
// rounding of the input.
template <class M>
void rgb_to_yuv(uint32_t type, Chroma c, int w, int h, bool flip, int threads, uint32_t cs, uint32_t range)
{
    const Positions& pp = positions(type);
    const bool alpha = pp.pos[3] >= 0;
    SCOPED_TRACE(testing::Message() << "type " << type << " chroma " << int(c) << " " << w << "x" << h << " cs " << cs
                                    << " range " << range << " flip " << flip);
    Codec codec;
    codec.threads(threads);
    Frame in(w, h, 2 * pp.bpp, qtest::rand_int(0, 3), 4u * qtest::rand_int(0, 15), 0);
    fill_frame(in);
    ASSERT_EQ(QUORVANE_OK, codec.encode(in, type, flip, comp_of(c, alpha), cs, range));
    Frame out(w, h, 2 * pp.bpp, 1, 4u * qtest::rand_int(0, 15), 0xEE);
    ASSERT_EQ(QUORVANE_OK, codec.decode(out, type, flip));

    Planes yuv(w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const auto f = forward<M>(pixel(in, pp, r, x));
            for (int k = 0; k < 3; ++k) yuv.at(k, r, x) = static_cast<uint8_t>(f[k]);
            if (c == Chroma::k400) yuv.at(1, r, x) = yuv.at(2, r, x) = 128;
        }
    if (c == Chroma::k422) resample_chroma<ImgProcConverter8_444_to_422, ImgProcConverter8_422_to_444>(yuv);
    if (c == Chroma::k420) resample_chroma<ImgProcConverter8_444_to_420, ImgProcConverter8_420_to_444>(yuv);
    const int tolerance = std::is_same_v<M, Rec601_Full> ? 1 : 2;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const auto want = inverse<M>(yuv.at(0, r, x), yuv.at(1, r, x), yuv.at(2, r, x));
            const auto got = pixel(out, pp, r, x), orig = pixel(in, pp, r, x);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(want[k], got[k]) << "row " << r << " x " << x << " channel " << k;
                if (c == Chroma::k444) {
                    ASSERT_LE(std::abs(got[k] - orig[k]), tolerance);
                }
            }
            ASSERT_EQ(alpha && c == Chroma::k444 ? orig[3] : 255, got[3]);
        }
    for (int r = 0; r < h; ++r)
        for (int i = pp.bpp * w; i < out.pitch; ++i) ASSERT_EQ(0xEE, out.row(r)[i]);
    ASSERT_TRUE(out.buf.guards_intact());
}

template <class M>
void rgb_to_yuv_all(uint32_t cs, uint32_t range)
{
    const uint32_t rgbx[] = {QUORVANE_FRAME_BGRX, QUORVANE_FRAME_XRGB, QUORVANE_FRAME_RGBX, QUORVANE_FRAME_XBGR,
                             QUORVANE_FRAME_BGR,  QUORVANE_FRAME_RGB};
    const uint32_t rgba[] = {QUORVANE_FRAME_BGRA, QUORVANE_FRAME_ARGB, QUORVANE_FRAME_RGBA, QUORVANE_FRAME_ABGR};
    for (uint32_t t : rgbx) {
        rgb_to_yuv<M>(t, Chroma::k444, 2 * qtest::rand_int(2, 40) + 1, qtest::rand_int(4, 30), t % 2 == 0, 3, cs, range);
        rgb_to_yuv<M>(t, Chroma::k400, 2 * qtest::rand_int(2, 40) + 1, qtest::rand_int(4, 30), false, 1, cs, range);
        rgb_to_yuv<M>(t, Chroma::k422, 2 * qtest::rand_int(2, 40), qtest::rand_int(4, 30), t % 2 == 1, 4, cs, range);
        rgb_to_yuv<M>(t, Chroma::k420, 2 * qtest::rand_int(2, 40), 2 * qtest::rand_int(2, 30), false, 2, cs, range);
    }
    for (uint32_t t : rgba)
        rgb_to_yuv<M>(t, Chroma::k444, qtest::rand_int(4, 80), qtest::rand_int(4, 30), t % 2 == 1, 2, cs, range);
}

TEST(PackedEndToEnd, RgbToYuvRec601Limited) { rgb_to_yuv_all<Rec601_Limited>(QUORVANE_COLOR_SPACE_BT601, QUORVANE_RANGE_LIMITED); }
TEST(PackedEndToEnd, RgbToYuvRec601Full) { rgb_to_yuv_all<Rec601_Full>(QUORVANE_COLOR_SPACE_BT601, QUORVANE_RANGE_FULL); }
TEST(PackedEndToEnd, RgbToYuvRec709Limited) { rgb_to_yuv_all<Rec709_Limited>(QUORVANE_COLOR_SPACE_BT709, QUORVANE_RANGE_LIMITED); }
TEST(PackedEndToEnd, RgbToYuvRec709Full) { rgb_to_yuv_all<Rec709_Full>(QUORVANE_COLOR_SPACE_BT709, QUORVANE_RANGE_FULL); }

// Unspecified colour space and range store RGB as BT.709 limited range.
TEST(PackedEndToEnd, RgbToYuvDefaultsToRec709Limited)
{
    rgb_to_yuv<Rec709_Limited>(QUORVANE_FRAME_BGRX, Chroma::k444, 40, 8, false, 1, 0, 0);
}

// Fixed colours through the interface: the corner colours of each matrix come back as the
// matrices give them (red is not exact under Rec601_Limited), greys stay grey.
TEST(PackedEndToEnd, CornerColoursThroughTheInterface)
{
    const struct {
        uint32_t cs, range;
        std::array<int, 3> red, green, blue;
    } tags[] = {
        {QUORVANE_COLOR_SPACE_BT601, QUORVANE_RANGE_LIMITED, {254, 0, 0}, {0, 255, 1}, {0, 0, 255}},
        {QUORVANE_COLOR_SPACE_BT601, QUORVANE_RANGE_FULL, {255, 0, 0}, {1, 255, 1}, {0, 0, 255}},
        {QUORVANE_COLOR_SPACE_BT709, QUORVANE_RANGE_LIMITED, {255, 1, 0}, {0, 255, 1}, {1, 0, 255}},
        {QUORVANE_COLOR_SPACE_BT709, QUORVANE_RANGE_FULL, {255, 0, 0}, {0, 254, 0}, {0, 0, 255}},
    };
    const std::array<int, 3> colours[] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Positions& pp = positions(QUORVANE_FRAME_BGRX);
    for (const auto& t : tags) {
        Codec codec;
        const int w = 40, h = 8; // five bands of eight columns: heads, groups and tails
        Frame in(w, h, 8, 0, 4, 0);
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) in.row(r)[4 * x + pp.pos[k]] = static_cast<uint8_t>(colours[x / 8][k]);
        ASSERT_EQ(QUORVANE_OK, codec.encode(in, QUORVANE_FRAME_BGRX, false, QUORVANE_FRAME_COMP_YUV444, t.cs, t.range));
        Frame out(w, h, 8, 0, 0, 0);
        ASSERT_EQ(QUORVANE_OK, codec.decode(out, QUORVANE_FRAME_BGRX, false));
        const std::array<int, 3> want[] = {{0, 0, 0}, {255, 255, 255}, t.red, t.green, t.blue};
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x) {
                const auto got = pixel(out, pp, r, x);
                for (int k = 0; k < 3; ++k) ASSERT_EQ(want[x / 8][k], got[k]) << t.cs << "/" << t.range << " x " << x;
            }
        // Greys: the luma-only stream of a grey ramp gives the ramp back under full range.
        if (t.range == QUORVANE_RANGE_FULL) {
            Frame grey(256, 4, 6, 0, 0, 0);
            for (int r = 0; r < 4; ++r)
                for (int x = 0; x < 256; ++x)
                    for (int k = 0; k < 3; ++k) grey.row(r)[3 * x + k] = static_cast<uint8_t>(x);
            ASSERT_EQ(QUORVANE_OK, codec.encode(grey, QUORVANE_FRAME_RGB, false, QUORVANE_FRAME_COMP_YUV400, t.cs, t.range));
            Frame back(256, 4, 6, 0, 0, 0);
            ASSERT_EQ(QUORVANE_OK, codec.decode(back, QUORVANE_FRAME_RGB, false));
            ASSERT_EQ(0, std::memcmp(grey.buf.data(), back.buf.data(), grey.buf.size()));
        }
    }
}

// YUV decoded from an RGB frame, decoded to RGB and stored again, comes back within one step:
// the matrices are not exact inverses, so no fixed point is expected.
TEST(PackedEndToEnd, DecodedColourReencodesWithinOneStep)
{
    for (uint32_t cs : {QUORVANE_COLOR_SPACE_BT601, QUORVANE_COLOR_SPACE_BT709})
        for (uint32_t range : {QUORVANE_RANGE_LIMITED, QUORVANE_RANGE_FULL}) {
            const int w = 77, h = 13;
            Codec codec;
            Frame rgb(w, h, 8, 0, 4, 0);
            fill_frame(rgb);
            ASSERT_EQ(QUORVANE_OK, codec.encode(rgb, QUORVANE_FRAME_BGRA, false, QUORVANE_FRAME_COMP_YUV444A, cs, range));
            Frame yuvA(w, h, 8, 0, 0, 0), rgb2(w, h, 8, 0, 8, 0), yuvB(w, h, 8, 0, 12, 0);
            ASSERT_EQ(QUORVANE_OK, codec.decode(yuvA, QUORVANE_FRAME_VUYA, false));
            ASSERT_EQ(QUORVANE_OK, codec.decode(rgb2, QUORVANE_FRAME_BGRA, false));
            ASSERT_EQ(QUORVANE_OK, codec.encode(rgb2, QUORVANE_FRAME_BGRA, false, QUORVANE_FRAME_COMP_YUV444A, cs, range));
            ASSERT_EQ(QUORVANE_OK, codec.decode(yuvB, QUORVANE_FRAME_VUYA, false));
            for (int r = 0; r < h; ++r)
                for (int i = 0; i < 4 * w; ++i)
                    ASSERT_LE(std::abs(yuvA.row(r)[i] - yuvB.row(r)[i]), i % 4 == 3 ? 0 : 1) << r << " " << i;
        }
}

// --- Packed YUV through the chroma converters ----------------------------------------------------

// Packed YUV 4:4:4 / 4:2:2 input through 4:2:2, 4:2:0 or luma only: the decoded frame equals
// the de-interleaved planes through the binding's converters, re-interleaved.
void yuv_resampled(uint32_t type, int bpp2, Chroma c, int w, int h, int threads)
{
    SCOPED_TRACE(testing::Message() << "type " << type << " chroma " << int(c) << " " << w << "x" << h);
    const bool packed422 = type == QUORVANE_FRAME_YUY2 || type == QUORVANE_FRAME_UYVY;
    Codec codec;
    codec.threads(threads);
    Frame in(w, h, bpp2, qtest::rand_int(0, 3), 4u * qtest::rand_int(0, 15), 0);
    fill_frame(in);
    ASSERT_EQ(QUORVANE_OK, codec.encode(in, type, false, comp_of(c, false), 0, 0));
    Frame out(w, h, bpp2, 2, 4u * qtest::rand_int(0, 15), 0xEE);
    ASSERT_EQ(QUORVANE_OK, codec.decode(out, type, false));

    // Planes at the layout's own chroma width: full for 4:4:4 layouts, half for YUY2/UYVY.
    Planes yuv(w, h);
    const int yPos = type == QUORVANE_FRAME_UYVY ? 1 : 0, uPos = 1 - yPos;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            if (packed422) {
                yuv.at(0, r, x) = in.row(r)[2 * x + yPos];
                if (x % 2 == 0) {
                    yuv.at(1, r, x / 2) = in.row(r)[2 * x + uPos];
                    yuv.at(2, r, x / 2) = in.row(r)[2 * x + uPos + 2];
                }
            } else {
                const auto p = pixel(in, positions(type), r, x);
                for (int k = 0; k < 3; ++k) yuv.at(k, r, x) = static_cast<uint8_t>(p[k]);
            }
        }
    const int chromaW = packed422 ? w / 2 : w;
    if (c == Chroma::k400)
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < chromaW; ++x) yuv.at(1, r, x) = yuv.at(2, r, x) = 128;
    if (c == Chroma::k422) resample_chroma<ImgProcConverter8_444_to_422, ImgProcConverter8_422_to_444>(yuv);
    if (c == Chroma::k420 && packed422) resample_chroma<ImgProcConverter8_422_to_420, ImgProcConverter8_420_to_422>(yuv);
    if (c == Chroma::k420 && !packed422) resample_chroma<ImgProcConverter8_444_to_420, ImgProcConverter8_420_to_444>(yuv);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            if (packed422) {
                ASSERT_EQ(yuv.at(0, r, x), out.row(r)[2 * x + yPos]) << r << " " << x;
                const int want = x % 2 == 0 ? yuv.at(1, r, x / 2) : yuv.at(2, r, x / 2);
                ASSERT_EQ(want, out.row(r)[2 * x + uPos]) << r << " " << x;
            } else {
                const auto got = pixel(out, positions(type), r, x);
                for (int k = 0; k < 3; ++k) ASSERT_EQ(yuv.at(k, r, x), got[k]) << r << " " << x << " " << k;
                ASSERT_EQ(255, got[3]);
            }
        }
    ASSERT_TRUE(out.buf.guards_intact());
}

TEST(PackedEndToEnd, PackedYuvThroughConverters)
{
    for (uint32_t t : {QUORVANE_FRAME_V308, QUORVANE_FRAME_V408X, QUORVANE_FRAME_VUYX}) {
        const int bpp2 = t == QUORVANE_FRAME_V308 ? 6 : 8;
        yuv_resampled(t, bpp2, Chroma::k422, 2 * qtest::rand_int(2, 50), qtest::rand_int(4, 40), 3);
        yuv_resampled(t, bpp2, Chroma::k420, 2 * qtest::rand_int(2, 50), 2 * qtest::rand_int(2, 25), 4);
        yuv_resampled(t, bpp2, Chroma::k400, 2 * qtest::rand_int(2, 50) + 1, qtest::rand_int(4, 40), 1);
    }
    for (uint32_t t : {QUORVANE_FRAME_YUY2, QUORVANE_FRAME_UYVY}) {
        yuv_resampled(t, 4, Chroma::k420, 2 * qtest::rand_int(2, 70), 2 * qtest::rand_int(2, 30), 4);
        yuv_resampled(t, 4, Chroma::k400, 2 * qtest::rand_int(2, 70), qtest::rand_int(4, 40), 2);
    }
}

// A frame decodes to the same bytes whatever the thread count.
TEST(PackedEndToEnd, SameBytesForAnyThreadCount)
{
    std::vector<uint8_t> first;
    for (int threads : {1, 2, 3, 8}) {
        Codec codec;
        codec.threads(threads);
        qtest::rng().seed(77);
        Frame in(203, 61, 8, 0, 4, 0);
        fill_frame(in);
        ASSERT_EQ(QUORVANE_OK, codec.encode(in, QUORVANE_FRAME_BGRA, true, QUORVANE_FRAME_COMP_YUV444A, 1, 1));
        Frame out(203, 61, 8, 0, 8, 0);
        ASSERT_EQ(QUORVANE_OK, codec.decode(out, QUORVANE_FRAME_BGRA, false));
        std::vector<uint8_t> bytes(out.buf.data(), out.buf.data() + out.buf.size());
        if (first.empty())
            first = bytes;
        else
            ASSERT_EQ(first, bytes) << threads;
    }
}

} // namespace

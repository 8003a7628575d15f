// Every high-bit-depth compress binding through the codec's function interface: compress and
// decompress at several sizes, bottom-up where the layout allows it, the host 16-bit range for
// the 64-bit layouts, 1 and 4 threads. The decoded frame must equal the frontend's own model of
// the binding (split, then join); for the lossless bindings that is the input itself, and the
// integer depth reductions must be idempotent (encoding the decoded frame gives the same bytes).

#include "all_frontends.h"
#include "codec/quorvane.h"
#include "slice_driver.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

namespace hbdtest {
namespace {

using Make = std::function<std::unique_ptr<ImgProcFrontend>()>;
template <class T>
Make make()
{
    return [] { return std::unique_ptr<ImgProcFrontend>(new T); };
}

enum class Input {
    Planes,      // a frame joined from random in-range planes by the layout's full frontend
    ConstChroma, // the same with every chroma column constant (survives 4:2:2 -> 4:2:0 -> 4:2:2)
    Bytes,       // random bytes (random floats for the float layouts)
};

struct Binding {
    uint32_t frame, comp;
    Make model;  // the frontend of the binding
    Make source; // the layout's full frontend, which makes Planes inputs
    Input input;
    bool lossless;
};

std::vector<Binding> hbd_bindings()
{
    using namespace std;
    vector<Binding> v;
    const auto yuv422 = [&](uint32_t t, Make full, Make luma) {
        v.push_back({t, QUORVANE_FRAME_COMP_10_YUV422, full, full, Input::Planes, true});
        v.push_back({t, QUORVANE_FRAME_COMP_10_YUV420, full, full, Input::ConstChroma, true});
        v.push_back({t, QUORVANE_FRAME_COMP_10_YUV400, luma, full, Input::Planes, false});
    };
    yuv422(QUORVANE_FRAME_V210, make<TImgProcFrontend_V210<false>>(), make<TImgProcFrontend_V210<true>>());
    yuv422(QUORVANE_FRAME_P210, make<TImgProcFrontend_Px1x<10, 2, 1, false>>(), make<TImgProcFrontend_Px1x<10, 2, 1, true>>());
    yuv422(QUORVANE_FRAME_YUV422P_10, make<TImgProcFrontend_YUVP<10, 10, 3, 2, 1, false>>(),
           make<TImgProcFrontend_YUVP<10, 10, 3, 2, 1, true>>());
    const auto pair = [&](uint32_t t, uint32_t comp, Make full, Make luma, Input in, bool lossless) {
        v.push_back({t, comp, full, full, in, lossless});
        v.push_back({t, QUORVANE_FRAME_COMP_10_YUV400, luma, full, in, false});
    };
    pair(QUORVANE_FRAME_P010, QUORVANE_FRAME_COMP_10_YUV420, make<TImgProcFrontend_Px1x<10, 2, 2, false>>(),
         make<TImgProcFrontend_Px1x<10, 2, 2, true>>(), Input::Planes, true);
    pair(QUORVANE_FRAME_YUV420P_10, QUORVANE_FRAME_COMP_10_YUV420, make<TImgProcFrontend_YUVP<10, 10, 3, 2, 2, false>>(),
         make<TImgProcFrontend_YUVP<10, 10, 3, 2, 2, true>>(), Input::Planes, true);
    pair(QUORVANE_FRAME_V410, QUORVANE_FRAME_COMP_10_YUV444, make<TImgProcFrontend_V410<false>>(),
         make<TImgProcFrontend_V410<true>>(), Input::Planes, true);
    pair(QUORVANE_FRAME_YUV444P_10, QUORVANE_FRAME_COMP_10_YUV444, make<TImgProcFrontend_YUVP<10, 10, 3, 1, 1, false>>(),
         make<TImgProcFrontend_YUVP<10, 10, 3, 1, 1, true>>(), Input::Planes, true);
    pair(QUORVANE_FRAME_YUV444P_16, QUORVANE_FRAME_COMP_10_YUV444, make<TImgProcFrontend_YUVP<16, 10, 3, 1, 1, false>>(),
         make<TImgProcFrontend_YUVP<16, 10, 3, 1, 1, true>>(), Input::Bytes, false);
    const Make y16 = make<TImgProcFrontend_YUVP<10, 10, 1, 1, 1, false>>();
    v.push_back({QUORVANE_FRAME_Y16_10, QUORVANE_FRAME_COMP_10_YUV400, y16, y16, Input::Planes, true});

    const auto one = [&](uint32_t t, uint32_t comp, Make fe, Input in, bool lossless) {
        v.push_back({t, comp, fe, fe, in, lossless});
    };
    one(QUORVANE_FRAME_R210, QUORVANE_FRAME_COMP_10_RGB, make<TImgProcFrontend_R210_R10K<false, false>>(), Input::Planes, true);
    one(QUORVANE_FRAME_R10K, QUORVANE_FRAME_COMP_10_RGB, make<TImgProcFrontend_R210_R10K<true, false>>(), Input::Planes, true);
    one(QUORVANE_FRAME_R210_LE, QUORVANE_FRAME_COMP_10_RGB, make<TImgProcFrontend_R210_R10K<false, true>>(), Input::Planes, true);
    one(QUORVANE_FRAME_R10K_LE, QUORVANE_FRAME_COMP_10_RGB, make<TImgProcFrontend_R210_R10K<true, true>>(), Input::Planes, true);

#define HBD_DEPTHS(T, RGBA, X)                                                                                 \
    one(T, RGBA ? QUORVANE_FRAME_COMP_10_RGBA : QUORVANE_FRAME_COMP_10_RGB, make<X(10)>(), Input::Bytes, false);      \
    one(T, RGBA ? QUORVANE_FRAME_COMP_12_RGBA : QUORVANE_FRAME_COMP_12_RGB, make<X(12)>(), Input::Bytes, false);      \
    one(T, RGBA ? QUORVANE_FRAME_COMP_14_RGBA : QUORVANE_FRAME_COMP_14_RGB, make<X(14)>(), Input::Bytes, false);
#define B64A_(N) TImgProcFrontend64<4, N, 1>
#define RGBA64_(N) TImgProcFrontend64<4, N, 2>
#define BGRA64_(N) TImgProcFrontend64<4, N, 3>
#define B64X_(N) TImgProcFrontend64<3, N, 1>
#define RGBX64_(N) TImgProcFrontend64<3, N, 2>
#define BGRX64_(N) TImgProcFrontend64<3, N, 3>
#define B48R_(N) TImgProcFrontend48<N, 10>
#define RGB48_(N) TImgProcFrontend48<N, 11>
#define BGR48_(N) TImgProcFrontend48<N, 12>
#define BGRA32F_(N) TImgProcFrontendFloat4<4, N>
#define BGRX32F_(N) TImgProcFrontendFloat4<3, N>
    HBD_DEPTHS(QUORVANE_FRAME_B64A, true, B64A_)
    HBD_DEPTHS(QUORVANE_FRAME_RGBA64, true, RGBA64_)
    HBD_DEPTHS(QUORVANE_FRAME_BGRA64, true, BGRA64_)
    HBD_DEPTHS(QUORVANE_FRAME_B64X, false, B64X_)
    HBD_DEPTHS(QUORVANE_FRAME_RGBX64, false, RGBX64_)
    HBD_DEPTHS(QUORVANE_FRAME_BGRX64, false, BGRX64_)
    HBD_DEPTHS(QUORVANE_FRAME_B48R, false, B48R_)
    HBD_DEPTHS(QUORVANE_FRAME_RGB48, false, RGB48_)
    HBD_DEPTHS(QUORVANE_FRAME_BGR48, false, BGR48_)
    HBD_DEPTHS(QUORVANE_FRAME_BGRA_32F, true, BGRA32F_)
    HBD_DEPTHS(QUORVANE_FRAME_BGRX_32F, false, BGRX32F_)
#undef HBD_DEPTHS

#define HBD_GBR(T, TA, I, O)                                                                                   \
    one(T, QUORVANE_FRAME_COMP_##O##_RGB, make<TImgProcFrontend_GBRXP<I, O, false>>(),                         \
        I == O ? Input::Planes : Input::Bytes, I == O);                                                        \
    one(TA, QUORVANE_FRAME_COMP_##O##_RGBA, make<TImgProcFrontend_GBRXP<I, O, true>>(),                        \
        I == O ? Input::Planes : Input::Bytes, I == O);
    HBD_GBR(QUORVANE_FRAME_GBRP_10, QUORVANE_FRAME_GBRAP_10, 10, 10)
    HBD_GBR(QUORVANE_FRAME_GBRP_12, QUORVANE_FRAME_GBRAP_12, 12, 10)
    HBD_GBR(QUORVANE_FRAME_GBRP_12, QUORVANE_FRAME_GBRAP_12, 12, 12)
    HBD_GBR(QUORVANE_FRAME_GBRP_14, QUORVANE_FRAME_GBRAP_14, 14, 10)
    HBD_GBR(QUORVANE_FRAME_GBRP_14, QUORVANE_FRAME_GBRAP_14, 14, 12)
    HBD_GBR(QUORVANE_FRAME_GBRP_14, QUORVANE_FRAME_GBRAP_14, 14, 14)
    HBD_GBR(QUORVANE_FRAME_GBRP_16, QUORVANE_FRAME_GBRAP_16, 16, 10)
    HBD_GBR(QUORVANE_FRAME_GBRP_16, QUORVANE_FRAME_GBRAP_16, 16, 12)
    HBD_GBR(QUORVANE_FRAME_GBRP_16, QUORVANE_FRAME_GBRAP_16, 16, 14)
#undef HBD_GBR

    one(QUORVANE_FRAME_BAYER_12_PACKED_GBRG, QUORVANE_FRAME_COMP_12_BAYER, make<TImgProcFrontend_Bayer_12_Packed<111>>(), Input::Planes, true);
    one(QUORVANE_FRAME_BAYER_12_PACKED_GRBG, QUORVANE_FRAME_COMP_12_BAYER, make<TImgProcFrontend_Bayer_12_Packed<222>>(), Input::Planes, true);
    one(QUORVANE_FRAME_BAYER_12_PACKED_BGGR, QUORVANE_FRAME_COMP_12_BAYER, make<TImgProcFrontend_Bayer_12_Packed<333>>(), Input::Planes, true);
    return v;
}

std::string name_of(uint32_t code) { return quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(code)); }

struct Library {
    Library() { EXPECT_EQ(quorvane_library_init(), 0); }
    ~Library() { quorvane_library_close(); }
};

struct Handle {
    uint32_t h = 0;
    explicit Handle(uint32_t threads)
    {
        EXPECT_EQ(quorvane_open(&h), 0);
        EXPECT_EQ(quorvane_set_param_value(h, QUORVANE_PARAM_NUM_THREADS, threads), 0);
    }
    ~Handle() { quorvane_close(h); }
};

// Opening an instance starts its thread team, so the tests keep one instance per thread count.
uint32_t instance(uint32_t threads)
{
    static Library lib;
    static Handle one(1), two(2), four(4);
    return threads == 1 ? one.h : threads == 2 ? two.h : four.h;
}

QuorvaneFrameTypeEx ex_type(int w, int h, uint32_t type, uint32_t flags)
{
    return {uint32_t(w), uint32_t(h), QUORVANE_FRAME_EXTENDED, 1, type, flags, 0, 0, 0};
}

QuorvaneFrameData data_of(const CallerFrame& f)
{
    QuorvaneFrameData d{};
    for (int q = 0; q < f.planes(); ++q)
        d.planes[q] = {f.frame[q].ptr, f.frame[q].stride, uint32_t(f.frame[q].stride) * uint32_t(f.rows[q])};
    return d;
}

struct Stream {
    std::vector<uint8_t> format, frame;
};

Stream compress(uint32_t threads, const CallerFrame& f, int w, int h, uint32_t type, uint32_t comp, uint32_t flags)
{
    const uint32_t c = instance(threads);
    QuorvaneFrameTypeEx in = ex_type(w, h, type, flags);
    QuorvaneFrameType out{uint32_t(w), uint32_t(h), comp, 0};
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0, maxSize = 0;
    Stream s;
    EXPECT_EQ(quorvane_compress_begin(c, reinterpret_cast<QuorvaneFrameType*>(&in), &out, &format, &formatSize, &maxSize), 0);
    if (!format) return s;
    s.format.assign(format, format + formatSize);
    s.frame.resize(maxSize);
    uint32_t size = 0;
    const QuorvaneFrameData d = data_of(f);
    EXPECT_EQ(quorvane_compress(c, &d, s.frame.data(), &size), 0);
    s.frame.resize(size);
    EXPECT_EQ(quorvane_compress_end(c), 0);
    return s;
}

int decompress(uint32_t threads, const Stream& s, CallerFrame& f, int w, int h, uint32_t type, uint32_t flags)
{
    const uint32_t d = instance(threads);
    QuorvaneFrameTypeEx req = ex_type(w, h, type, flags);
    int r = quorvane_decompress_begin(d, s.format.data(), uint32_t(s.format.size()),
                                      reinterpret_cast<QuorvaneFrameType*>(&req), nullptr);
    if (r != 0) return r;
    const QuorvaneFrameData data = data_of(f);
    r = quorvane_decompress(d, s.frame.data(), uint32_t(s.frame.size()), &data);
    quorvane_decompress_end(d);
    return r;
}

void fill_input(const Binding& b, CallerFrame& f, int w, int h)
{
    if (b.input == Input::Bytes) {
        if (b.frame == QUORVANE_FRAME_BGRA_32F || b.frame == QUORVANE_FRAME_BGRX_32F) {
            for (int r = 0; r < h; ++r)
                for (int i = 0; i < 4 * w; ++i) {
                    const uint32_t u = qtest::rand_u32();
                    const float x = (u & 31) == 0 ? std::bit_cast<float>(qtest::rand_u32()) : float(u % 2000) / 1700.0f - 0.1f;
                    std::memcpy(f.frame[0].row(r) + 4 * i, &x, 4);
                }
        }
        return; // the frame already holds random bytes
    }
    const auto src = b.source();
    Canonical c(*src, w, h);
    c.randomize(src->m_backend->get_pixel_bits());
    if (b.input == Input::ConstChroma)
        for (int k = 1; k < c.planes(); ++k)
            for (int y = 1; y < c.height[k]; ++y)
                for (int x = 0; x < c.width[k]; ++x) c.at(k, x, y) = c.at(k, x, 0);
    SliceDriver(*src, w, h).join(f, c, false);
}

struct Size {
    int w, h;
};

enum class Group { Yuv, Rgb64, Rgb48AndFloat, PlanarGbr, PackedAndBayer };

Group group_of(uint32_t frame)
{
    switch (frame) {
    case QUORVANE_FRAME_B64A: case QUORVANE_FRAME_RGBA64: case QUORVANE_FRAME_BGRA64:
    case QUORVANE_FRAME_B64X: case QUORVANE_FRAME_RGBX64: case QUORVANE_FRAME_BGRX64: return Group::Rgb64;
    case QUORVANE_FRAME_B48R: case QUORVANE_FRAME_RGB48: case QUORVANE_FRAME_BGR48:
    case QUORVANE_FRAME_BGRA_32F: case QUORVANE_FRAME_BGRX_32F: return Group::Rgb48AndFloat;
    case QUORVANE_FRAME_R210: case QUORVANE_FRAME_R10K: case QUORVANE_FRAME_R210_LE: case QUORVANE_FRAME_R10K_LE:
    case QUORVANE_FRAME_BAYER_12_PACKED_GBRG: case QUORVANE_FRAME_BAYER_12_PACKED_GRBG:
    case QUORVANE_FRAME_BAYER_12_PACKED_BGGR: return Group::PackedAndBayer;
    default: return frame >= QUORVANE_FRAME_GBRP_10 && frame <= QUORVANE_FRAME_GBRAP_16 ? Group::PlanarGbr : Group::Yuv;
    }
}

TEST(HbdEndToEnd, SeventyEightBindings) { EXPECT_EQ(hbd_bindings().size(), 78u); }

// range: 0 full range only, 2 host range only, -1 both where supported.
void round_trip_bindings(Group g, int range = -1)
{
    for (const Binding& b : hbd_bindings()) {
        if (group_of(b.frame) != g) continue;
        SCOPED_TRACE(name_of(b.frame) + " -> " + name_of(b.comp));
        const auto fe = b.model();
        // Widths 6k + 4, 6k + 2 (V210) and 8k + 4, 2, 6 (Bayer); odd heights where allowed.
        const bool evenRows = fe->m_frameBackend->get_height_modulo() > 1 || b.comp == QUORVANE_FRAME_COMP_10_YUV420;
        // Building the code tables of 12- and 14-bit planes dominates the run time: the thread
        // and idempotence checks run at one size each.
        const bool groups = b.frame == QUORVANE_FRAME_V210 || fe->get_pixelblock_pixels(0) == 8;
        for (const Size s0 : {Size{4, 4}, Size{18, 61}, Size{20, 30}, Size{38, 57}}) {
            if (s0.w == 20 && !groups) continue;
            const Size s{s0.w, evenRows ? round_up(s0.h, 2) : s0.h};
            const bool threadCheck = s0.w == 38, idempotenceCheck = s0.w == 18;
            for (const uint32_t hostRange : {0u, 2u}) {
                if ((hostRange && !fe->supports_adobe_16u_range()) || (range >= 0 && int(hostRange) != range)) continue;
                for (const uint32_t flip : {0u, 1u}) {
                    if (flip && !fe->can_flip()) continue;
                    SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " host " << hostRange << " flip " << flip);
                    const uint32_t flags = hostRange | flip;
                    CallerFrame in(*fe, s.w, s.h, 8, 4);
                    fill_input(b, in, s.w, s.h);
                    std::vector<std::vector<uint8_t>> before;
                    for (int q = 0; q < in.planes(); ++q) before.push_back(in.bytes(q));

                    const Stream one = compress(1, in, s.w, s.h, b.frame, b.comp, flags);
                    ASSERT_FALSE(one.frame.empty());
                    if (threadCheck) {
                        EXPECT_EQ(compress(4, in, s.w, s.h, b.frame, b.comp, flags).frame, one.frame)
                            << "thread count changed the stream";
                    }
                    for (int q = 0; q < in.planes(); ++q) EXPECT_EQ(before[q], in.bytes(q)) << "compression wrote plane " << q;

                    CallerFrame out(*fe, s.w, s.h, 8, 0);
                    ASSERT_EQ(decompress(4, one, out, s.w, s.h, b.frame, flags), 0);
                    EXPECT_TRUE(out.guards_intact());

                    // The model: the binding's frontend splits and joins the input.
                    CallerFrame model(*fe, s.w, s.h);
                    model.copy_from(in);
                    fe->m_flags = hostRange ? 1 : 0;
                    SliceDriver drv(*fe, s.w, s.h);
                    drv.join(model, drv.split(in, false), false);
                    EXPECT_TRUE(out.rows_equal(model)) << "decoded frame differs from the model";
                    if (b.lossless) {
                        EXPECT_TRUE(out.rows_equal(in)) << "lossless binding changed the frame";
                    }

                    const bool isFloat = b.frame == QUORVANE_FRAME_BGRA_32F || b.frame == QUORVANE_FRAME_BGRX_32F;
                    if (!isFloat && idempotenceCheck) {
                        EXPECT_EQ(compress(1, out, s.w, s.h, b.frame, b.comp, flags).frame, one.frame) << "not idempotent";
                    }
                    if (flip) {
                        // Stored bottom-up, read back top-down: the rows come out mirrored.
                        CallerFrame topDown(*fe, s.w, s.h);
                        ASSERT_EQ(decompress(1, one, topDown, s.w, s.h, b.frame, hostRange), 0);
                        EXPECT_TRUE(topDown.rows_equal(model, true));
                    }
                }
            }
        }
    }
}

TEST(HbdEndToEnd, YuvBindingsRoundTrip) { round_trip_bindings(Group::Yuv); }
TEST(HbdEndToEnd, Rgb64BindingsRoundTrip) { round_trip_bindings(Group::Rgb64, 0); }
TEST(HbdEndToEnd, Rgb64HostRangeBindingsRoundTrip) { round_trip_bindings(Group::Rgb64, 2); }
TEST(HbdEndToEnd, Rgb48AndFloatBindingsRoundTrip) { round_trip_bindings(Group::Rgb48AndFloat); }
TEST(HbdEndToEnd, PlanarGbrBindingsRoundTrip) { round_trip_bindings(Group::PlanarGbr); }
TEST(HbdEndToEnd, PackedRgbAndBayerBindingsRoundTrip) { round_trip_bindings(Group::PackedAndBayer); }

// Bottom-up rows and the host range are refused by the queries for layouts that lack them.
TEST(HbdEndToEnd, FlipAndHostRangeQueries)
{
    for (const Binding& b : hbd_bindings()) {
        SCOPED_TRACE(name_of(b.frame) + " -> " + name_of(b.comp));
        const auto fe = b.model();
        for (const uint32_t flags : {1u, 2u}) {
            QuorvaneFrameTypeEx in = ex_type(40, 40, b.frame, flags);
            QuorvaneFrameType out{40, 40, b.comp, 0};
            const int r = quorvane_compress_query(instance(1), reinterpret_cast<QuorvaneFrameType*>(&in), &out, nullptr, nullptr);
            const bool ok = flags == 1 ? fe->can_flip() : fe->supports_adobe_16u_range();
            EXPECT_EQ(r, ok ? 0 : flags == 1 ? QUORVANE_FLIP_NOT_SUPPORTED : QUORVANE_16U_MAX_32768_NOT_SUPPORTED) << flags;
        }
    }
}

// Values fixed for the lossy layouts, end to end: one grey frame per case.
TEST(HbdEndToEnd, PinnedValues)
{
    struct Case {
        const char* what;
        uint32_t frame, comp, flags;
        Make fe;
        std::vector<uint16_t> in, out; // one 16-bit word repeated over every sample of the frame
    };
    const Case cases[] = {
        {"host BGRA64 10", QUORVANE_FRAME_BGRA64, QUORVANE_FRAME_COMP_10_RGBA, 2, make<TImgProcFrontend64<4, 10, 3>>(),
         {16384, 32767, 32768, 40000, 65535}, {16400, 32768, 32768, 32768, 32768}},
        {"host BGRX64 12", QUORVANE_FRAME_BGRX64, QUORVANE_FRAME_COMP_12_RGB, 2, make<TImgProcFrontend64<3, 12, 3>>(),
         {1, 8, 16384}, {0, 8, 16388}},
        {"RGBA64 10", QUORVANE_FRAME_RGBA64, QUORVANE_FRAME_COMP_10_RGBA, 0, make<TImgProcFrontend64<4, 10, 2>>(),
         {0x8000, 0xFFFF, 0x003F}, {0x8020, 0xFFFF, 0}},
        {"GBRP_16 12", QUORVANE_FRAME_GBRP_16, QUORVANE_FRAME_COMP_12_RGB, 0, make<TImgProcFrontend_GBRXP<16, 12, false>>(),
         {0x8000, 0xFFFF, 0x000F}, {0x8008, 0xFFFF, 0}},
        {"GBRP_12 10", QUORVANE_FRAME_GBRP_12, QUORVANE_FRAME_COMP_10_RGB, 0, make<TImgProcFrontend_GBRXP<12, 10, false>>(),
         {0x0800, 0xFFFF}, {0x0802, 0x0FFF}},
        {"RGB48 14", QUORVANE_FRAME_RGB48, QUORVANE_FRAME_COMP_14_RGB, 0, make<TImgProcFrontend48<14, 11>>(),
         {0x8000}, {0x8002}},
        {"YUV444P_16", QUORVANE_FRAME_YUV444P_16, QUORVANE_FRAME_COMP_10_YUV444, 0, make<TImgProcFrontend_YUVP<16, 10, 3, 1, 1, false>>(),
         {0xFFFF, 0x003F}, {0xFFC0, 0}},
        {"P010", QUORVANE_FRAME_P010, QUORVANE_FRAME_COMP_10_YUV420, 0, make<TImgProcFrontend_Px1x<10, 2, 2, false>>(),
         {0xFFFF, 0xFFC0}, {0xFFC0, 0xFFC0}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.what);
        const auto fe = t.fe();
        for (size_t i = 0; i < t.in.size(); ++i) {
            const int w = 12, h = 6;
            CallerFrame in(*fe, w, h);
            for (int q = 0; q < in.planes(); ++q)
                for (int r = 0; r < in.rows[q]; ++r)
                    for (int x = 0; x < in.rowBytes[q] / 2; ++x) hbd::st16i(in.frame[q].row(r), x, t.in[i]);
            CallerFrame out(*fe, w, h);
            ASSERT_EQ(decompress(2, compress(2, in, w, h, t.frame, t.comp, t.flags), out, w, h, t.frame, t.flags), 0);
            // The 3-channel 64-bit layouts write their own fourth field; skip it.
            const bool skipFourth = fe->get_pixelblock_size(0) == 8 && fe->m_backend->get_num_canonical_planes() == 3;
            for (int q = 0; q < out.planes(); ++q)
                for (int r = 0; r < out.rows[q]; ++r)
                    for (int x = 0; x < out.rowBytes[q] / 2; ++x) {
                        if (skipFourth && x % 4 == 3) continue;
                        ASSERT_EQ(hbd::ld16i(out.row(q, r), x), t.out[i]) << "input " << t.in[i] << " plane " << q;
                    }
        }
    }
}

// One instance, successive begins in alternating ranges: each stream uses its own range's
// formulas in both directions.
TEST(HbdEndToEnd, RangeSwitchesBetweenBeginsOnOneInstance)
{
    TImgProcFrontend64<3, 10, 3> fe;
    const int w = 10, h = 4;
    CallerFrame in(fe, w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < 4 * w; ++x) hbd::st16i(in.frame[0].row(r), x, 32768);
    for (const uint32_t flags : {2u, 0u, 2u, 0u}) {
        CallerFrame out(fe, w, h);
        ASSERT_EQ(decompress(1, compress(1, in, w, h, QUORVANE_FRAME_BGRX64, QUORVANE_FRAME_COMP_10_RGB, flags), out, w, h,
                             QUORVANE_FRAME_BGRX64, flags),
                  0);
        // Host range: 32768 -> 1023 -> 32768, fourth field 0x8000; full range: 32768 -> 512 -> 32800, 0xFFFF.
        const auto px = std::vector<uint8_t>(out.row(0, 3), out.row(0, 3) + 8);
        EXPECT_EQ(hbd::ld16i(px.data(), 1), flags ? 32768 : 32800) << flags;
        EXPECT_EQ(hbd::ld16i(px.data(), 3), flags ? 0x8000 : 0xFFFF) << flags;
    }
}

TEST(HbdEndToEnd, FloatValues)
{
    TImgProcFrontendFloat4<4, 10> fe;
    const int w = 8, h = 4;
    const float in[] = {0.5f, 1.0f, 1.5f, -0.25f, std::bit_cast<float>(0x7FC00000u), 0.999f, 0.0f, 0.25f};
    const uint32_t expect[] = {0x3EFFBFF0u, 0x3F800000u, 0x3F800000u, 0, 0, std::bit_cast<uint32_t>(1021 * std::bit_cast<float>(0x3A802008u)), 0,
                               std::bit_cast<uint32_t>(255 * std::bit_cast<float>(0x3A802008u))};
    CallerFrame f(fe, w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 4; ++k) std::memcpy(f.frame[0].row(r) + 16 * x + 4 * k, &in[x], 4);
    CallerFrame out(fe, w, h);
    ASSERT_EQ(decompress(1, compress(1, f, w, h, QUORVANE_FRAME_BGRA_32F, QUORVANE_FRAME_COMP_10_RGBA, 0), out, w, h,
                         QUORVANE_FRAME_BGRA_32F, 0),
              0);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 4; ++k) {
                uint32_t u;
                std::memcpy(&u, out.row(0, r) + 16 * x + 4 * k, 4);
                ASSERT_EQ(u, expect[x]) << "pixel " << x << " channel " << k;
            }
}

// Zero-copy inputs whose words carry bits above the coded depth: the values that come back are
// not defined, but nothing may be read or written out of bounds.
TEST(HbdEndToEnd, OutOfRangeZeroCopyWordsAreSafe)
{
    struct Case {
        uint32_t frame, comp;
        Make fe;
    };
    const Case cases[] = {
        {QUORVANE_FRAME_YUV420P_10, QUORVANE_FRAME_COMP_10_YUV420, make<TImgProcFrontend_YUVP<10, 10, 3, 2, 2, false>>()},
        {QUORVANE_FRAME_Y16_10, QUORVANE_FRAME_COMP_10_YUV400, make<TImgProcFrontend_YUVP<10, 10, 1, 1, 1, false>>()},
        {QUORVANE_FRAME_GBRP_12, QUORVANE_FRAME_COMP_12_RGB, make<TImgProcFrontend_GBRXP<12, 12, false>>()},
        {QUORVANE_FRAME_GBRAP_10, QUORVANE_FRAME_COMP_10_RGBA, make<TImgProcFrontend_GBRXP<10, 10, true>>()},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(name_of(t.frame));
        const auto fe = t.fe();
        for (const uint16_t word : {uint16_t(0xFFFF), uint16_t(0)}) {
            CallerFrame in(*fe, 64, 60); // random words, mostly above the coded depth
            if (word)
                for (int q = 0; q < in.planes(); ++q) hbd::st16i(in.frame[q].row(0), 0, word);
            CallerFrame out(*fe, 64, 60);
            const Stream s = compress(2, in, 64, 60, t.frame, t.comp, 0);
            ASSERT_FALSE(s.frame.empty());
            EXPECT_EQ(decompress(2, s, out, 64, 60, t.frame, 0), 0);
            EXPECT_TRUE(in.guards_intact() && out.guards_intact());
        }
    }
}

// A stream whose slice height is odd gives Bayer blocks of odd row counts; decoding it must stay
// inside the caller's frame whatever the engine answers.
TEST(HbdEndToEnd, BayerStreamWithOddSliceHeightStaysInBounds)
{
    TImgProcFrontend_Bayer_12_Packed<333> fe;
    const int w = 16, h = 8;
    CallerFrame in(fe, w, h);
    Stream s = compress(1, in, w, h, QUORVANE_FRAME_BAYER_12_PACKED_BGGR, QUORVANE_FRAME_COMP_12_BAYER, 0);
    ASSERT_GE(s.frame.size(), 32u);
    for (std::vector<uint8_t>* hdr : {&s.format, &s.frame}) (*hdr)[28] = 5, (*hdr)[29] = (*hdr)[30] = (*hdr)[31] = 0;
    CallerFrame out(fe, w, h);
    const int r = decompress(1, s, out, w, h, QUORVANE_FRAME_BAYER_12_PACKED_BGGR, 0);
    EXPECT_LE(r, 0);
    EXPECT_TRUE(out.guards_intact());
}

} // namespace
} // namespace hbdtest

// Exact residuals the stored format fixes, the geometry table, and the guards on empty areas.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "plane_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using B8 = TImgProcBackend<unsigned char, 8, 1, 1, 1>;
using B10 = TImgProcBackend<short, 10, 1, 1, 1>;
using B12 = TImgProcBackend<short, 12, 1, 1, 1>;
using B14 = TImgProcBackend<short, 14, 1, 1, 1>;

template <class S>
std::vector<S> run_predict(const ImgProcBackend& b, const std::vector<S>& in, int w, int h, int pred, bool inplace,
                           size_t misalign = 0)
{
    const int32_t stride = static_cast<int32_t>(sizeof(S) * w + 16);
    qtest::TestPlane<S> src(w, h, stride, misalign), dst(w, h, stride, misalign);
    src.set_samples(in);
    if (inplace) {
        b.predict(src.plane(), w, h, pred);
        EXPECT_TRUE(src.intact());
        return src.samples();
    }
    b.predict(src.plane(), dst.plane(), w, h, pred);
    EXPECT_EQ(src.samples(), in) << "out-of-place predict changed its source";
    EXPECT_TRUE(dst.intact());
    return dst.samples();
}

template <class S>
std::vector<S> run_unpredict(const ImgProcBackend& b, const std::vector<S>& in, int w, int h, int pred)
{
    qtest::TestPlane<S> p(w, h, static_cast<int32_t>(sizeof(S) * w), 3 * sizeof(S));
    p.set_samples(in);
    b.unpredict(p.plane(), w, h, pred);
    EXPECT_TRUE(p.intact());
    return p.samples();
}

// 8-bit: (1,1) has L = 250, T = 10, TL = 0, so G wraps to 4 and the median is 10 (a clamped G of
// 255 would give 250).
TEST(BackendGolden, EightBitResidualsPerPredictor)
{
    const B8 b;
    const std::vector<uint8_t> in = {0, 10, 200, 250, 100, 5};
    const std::vector<uint8_t> left = {0, 10, 190, 250, 106, 161};
    const std::vector<uint8_t> grad = {0, 10, 190, 250, 96, 227};
    const std::vector<uint8_t> med = {0, 10, 190, 250, 90, 161};
    for (bool inplace : {false, true}) {
        EXPECT_EQ(run_predict(b, in, 3, 2, PredictLeft, inplace), left);
        EXPECT_EQ(run_predict(b, in, 3, 2, PredictGradient, inplace), grad);
        for (int id : {0, 3, 4, -1, 255}) EXPECT_EQ(run_predict(b, in, 3, 2, id, inplace), med) << id;
    }
    EXPECT_EQ(run_unpredict(b, left, 3, 2, PredictLeft), in);
    EXPECT_EQ(run_unpredict(b, grad, 3, 2, PredictGradient), in);
    EXPECT_EQ(run_unpredict(b, med, 3, 2, 7), in);
}

// 16-bit: (1,1) has L = 5, T = 3, TL = 10, so G = -2 and the signed median is 3 (unsigned or
// masked compares would give 5). Residuals are taken modulo the depth.
TEST(BackendGolden, DeepResidualsPerPredictorAndDepth)
{
    const std::vector<int16_t> in = {10, 3, 1000, 5, 7, 0};
    struct Case {
        const ImgProcBackend* b;
        int m; // 2^bits
    };
    const B10 b10;
    const B12 b12;
    const B14 b14;
    for (const Case& c : {Case{&b10, 1024}, Case{&b12, 4096}, Case{&b14, 16384}}) {
        auto mod = [&](int v) { return static_cast<int16_t>(((v % c.m) + c.m) % c.m); };
        const std::vector<int16_t> left = {10, mod(-7), 997, mod(-5), 2, mod(-7)};
        const std::vector<int16_t> grad = {10, mod(-7), 997, mod(-5), 9, mod(-1004)};
        const std::vector<int16_t> med = {10, mod(-7), 997, mod(-5), 4, mod(-1000)};
        for (bool inplace : {false, true}) {
            EXPECT_EQ(run_predict(*c.b, in, 3, 2, PredictLeft, inplace), left) << c.m;
            EXPECT_EQ(run_predict(*c.b, in, 3, 2, PredictGradient, inplace), grad) << c.m;
            for (int id : {0, 3, 4, -1}) EXPECT_EQ(run_predict(*c.b, in, 3, 2, id, inplace), med) << c.m;
        }
        EXPECT_EQ(run_unpredict(*c.b, left, 3, 2, PredictLeft), in);
        EXPECT_EQ(run_unpredict(*c.b, grad, 3, 2, PredictGradient), in);
        EXPECT_EQ(run_unpredict(*c.b, med, 3, 2, PredictMedian), in);
    }
}

TEST(BackendGolden, DeepWrapEdges)
{
    const B10 b;
    // s = 0 after L = M gives 1; s = M after L = 0 gives M.
    EXPECT_EQ(run_predict<int16_t>(b, {1023, 0}, 2, 1, PredictLeft, false), (std::vector<int16_t>{1023, 1}));
    EXPECT_EQ(run_predict<int16_t>(b, {0, 1023}, 2, 1, PredictLeft, true), (std::vector<int16_t>{0, 1023}));
}

// A zero-copy caller may hand words above the depth. The first sample is masked on the way in
// and on the way out, so no residual or reconstructed sample can exceed the depth.
TEST(BackendGolden, DeepFirstSampleMaskedBothWays)
{
    const B10 b10;
    const B12 b12;
    for (int w : {1, 5, 40}) {
        std::vector<int16_t> in(static_cast<size_t>(w) * 3, static_cast<int16_t>(0x7123));
        in[0] = static_cast<int16_t>(0xFFFF);
        for (bool inplace : {false, true}) {
            for (int pred : {1, 2, 3}) {
                auto r10 = run_predict(b10, in, w, 3, pred, inplace);
                auto r12 = run_predict(b12, in, w, 3, pred, inplace);
                EXPECT_EQ(r10[0], 0x3FF);
                EXPECT_EQ(r12[0], 0xFFF);
                for (int16_t v : r10) EXPECT_EQ(v & ~0x3FF, 0);
                for (int16_t v : r12) EXPECT_EQ(v & ~0xFFF, 0);
            }
        }
        std::vector<int16_t> res(static_cast<size_t>(w) * 3, 1);
        res[0] = static_cast<int16_t>(0xF001);
        for (int pred : {1, 2, 3}) {
            auto s = run_unpredict(b10, res, w, 3, pred);
            EXPECT_EQ(s[0], 1);
            for (int16_t v : s) EXPECT_EQ(v & ~0x3FF, 0) << "w " << w << " pred " << pred;
        }
    }
}

TEST(BackendGolden, WidthOneAndHeightOne)
{
    const B8 b;
    for (int pred : {1, 2, 3}) {
        EXPECT_EQ(run_predict<uint8_t>(b, {5, 9, 3}, 1, 3, pred, false), (std::vector<uint8_t>{5, 4, 250}));
        EXPECT_EQ(run_predict<uint8_t>(b, {5, 9, 3}, 3, 1, pred, true), (std::vector<uint8_t>{5, 4, 250}));
        EXPECT_EQ(run_unpredict<uint8_t>(b, {5, 4, 250}, 1, 3, pred), (std::vector<uint8_t>{5, 9, 3}));
        EXPECT_EQ(run_unpredict<uint8_t>(b, {5, 4, 250}, 3, 1, pred), (std::vector<uint8_t>{5, 9, 3}));
    }
}

// An empty area (a zero-row field of an odd block, a zero-width plane) must touch nothing.
TEST(BackendGolden, EmptyAreaTouchesNothing)
{
    const B8 b8;
    const B10 b10;
    qtest::GuardedBuffer buf(0, 5);
    const ImgPlane p{buf.data(), 64};
    const ImgPlane q{buf.data(), -64};
    for (const ImgProcBackend* b : {static_cast<const ImgProcBackend*>(&b8), static_cast<const ImgProcBackend*>(&b10)})
        for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}, std::pair{4, -1}, std::pair{0, 0}}) {
            for (int pred : {1, 2, 3}) {
                b->predict(p, p, w, h, pred);
                b->predict(q, w, h, pred);
                b->unpredict(p, w, h, pred);
            }
        }
    const PredictScores s = b8.calc_predict_scores(p, 0, 9);
    EXPECT_EQ(s.left, 0);
    EXPECT_EQ(s.gradient, 0);
    EXPECT_EQ(s.median, 0);
    EXPECT_TRUE(buf.guards_intact());
}

TEST(BackendGeometry, Table)
{
    struct Row {
        const ImgProcBackend* b;
        int planes, w0, h0, w1, h1, wmod, hmod, size, bits;
    };
    const TImgProcBackend<unsigned char, 8, 3, 1, 1> a;
    const TImgProcBackend<unsigned char, 8, 3, 2, 2> c;
    const TImgProcBackend<unsigned char, 8, 3, 2, 1> d;
    const TImgProcBackend<unsigned char, 8, 1, 1, 1> e;
    const TImgProcBackend<unsigned char, 8, 4, 1, 1> f;
    const TImgProcBackend<short, 10, 3, 2, 2> g;
    const TImgProcBackend<short, 10, 3, 2, 1> h;
    const TImgProcBackend<short, 12, 4, 1, 1> i;
    const TImgProcBackend<short, 14, 3, 1, 1> j;
    const TImgProcBackend16_Bayer<12> bayer;
    // Frame 1921 x 1081: halving truncates.
    const Row rows[] = {
        {&a, 3, 1921, 1081, 1921, 1081, 1, 1, 1, 8},  {&c, 3, 1921, 1081, 960, 540, 2, 2, 1, 8},
        {&d, 3, 1921, 1081, 960, 1081, 2, 1, 1, 8},   {&e, 1, 1921, 1081, 1921, 1081, 1, 1, 1, 8},
        {&f, 4, 1921, 1081, 1921, 1081, 1, 1, 1, 8},  {&g, 3, 1921, 1081, 960, 540, 2, 2, 2, 10},
        {&h, 3, 1921, 1081, 960, 1081, 2, 1, 2, 10},  {&i, 4, 1921, 1081, 1921, 1081, 1, 1, 2, 12},
        {&j, 3, 1921, 1081, 1921, 1081, 1, 1, 2, 14}, {&bayer, 3, 960, 1081, 960, 540, 2, 2, 2, 12},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.b->get_num_canonical_planes(), r.planes);
        EXPECT_EQ(r.b->get_cplane_width(0, 1921), r.w0);
        EXPECT_EQ(r.b->get_cplane_height(0, 1081), r.h0);
        EXPECT_EQ(r.b->get_cplane_width(2, 1921), r.w1);
        EXPECT_EQ(r.b->get_cplane_height(2, 1081), r.h1);
        EXPECT_EQ(r.b->get_cplane_width(5, 1921), r.w1); // no range test on the plane number
        EXPECT_EQ(r.b->get_width_modulo(), r.wmod);
        EXPECT_EQ(r.b->get_height_modulo(), r.hmod);
        EXPECT_EQ(r.b->get_pixel_size(), r.size);
        EXPECT_EQ(r.b->get_pixel_bits(), r.bits);
    }
    EXPECT_EQ(bayer.get_cplane_width(0, 4000), 2000);
    EXPECT_EQ(bayer.get_cplane_height(0, 3000), 3000);
    EXPECT_EQ(bayer.get_cplane_height(1, 3000), 1500);
}

TEST(BackendScores, DeepPlanesAlwaysMedian)
{
    const B12 b;
    const PredictScores s = b.calc_predict_scores(ImgPlane{}, 1920, 28);
    EXPECT_EQ(s.left, 0);
    EXPECT_EQ(s.gradient, 0);
    EXPECT_EQ(s.median, 1);
}

} // namespace

// Every SIMD path of the backends against its plain raster-order twin, at every width up to 70,
// heights around the strip sizes, every base misalignment and several strides, with the
// padding between rows and the bytes around each plane checked after every call.

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/PredictScalar.h"
#include "codec/imgproc/backends/ResidualCounts.h"
#include "plane_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

using qtest::Content;
using qtest::TestPlane;

// Heights around the strip sizes get every misalignment; the others, which only complete the
// set of strip heights (2..15 rows for bytes, 2..7 for words), get a few.
constexpr int kHeights[] = {1, 2, 3, 8, 9, 15, 16, 17, 28, 29, 31, 32};
constexpr int kStripHeights[] = {4, 5, 6, 7, 10, 11, 12, 13, 14};
constexpr Content kContents[] = {Content::Random, Content::Extremes, Content::Ramp, Content::Noisy, Content::Constant};
constexpr uint8_t kPad = 0x5C;

// A sample type's SIMD operations, and the content range the sweep feeds them.
struct Ops8 {
    using S = uint8_t;
    static constexpr unsigned kMax = 0xFF;
    static void predict(const ImgPlane& s, ImgPlane d, int w, int h, int p, uint32_t* c)
    {
        backends::predict8(s, d, w, h, p, c);
    }
    static void predict_inplace(ImgPlane s, int w, int h, int p, uint32_t* c)
    {
        backends::predict8_inplace(s, w, h, p, c);
    }
    static void unpredict(ImgPlane s, int w, int h, int p) { backends::unpredict8(s, w, h, p); }
};

template <int Bits>
struct Ops16 {
    using S = int16_t;
    // Words above the depth reach prediction from zero-copy callers: they are part of the sweep.
    static constexpr unsigned kMax = 0xFFFF;
    static void predict(const ImgPlane& s, ImgPlane d, int w, int h, int p, uint32_t* c)
    {
        backends::predict16<Bits>(s, d, w, h, p, c);
    }
    static void predict_inplace(ImgPlane s, int w, int h, int p, uint32_t* c)
    {
        backends::predict16_inplace<Bits>(s, w, h, p, c);
    }
    static void unpredict(ImgPlane s, int w, int h, int p) { backends::unpredict16<Bits>(s, w, h, p); }
};

// The counts a counting prediction left in its tables, summed per value.
std::vector<uint64_t> summed(const std::vector<uint32_t>& tables, int bits)
{
    std::vector<uint64_t> counts(size_t(1) << bits);
    backends::add_count_tables(tables.data(), bits, counts.data());
    return counts;
}

// How often each value occurs among the residuals.
template <class S>
std::vector<uint64_t> histogram(const std::vector<S>& residuals, int bits)
{
    std::vector<uint64_t> counts(size_t(1) << bits);
    for (S r : residuals) ++counts.at(static_cast<std::make_unsigned_t<S>>(r));
    return counts;
}

template <class Ops, class T, int Bits>
void sweep(int seed_salt)
{
    using S = typename Ops::S;
    constexpr int kSize = sizeof(S);
    const unsigned kDepthMax = (1u << Bits) - 1;
    int config = seed_salt;
    std::vector<std::pair<int, int>> shapes; // height, misalignment step
    for (int h : kHeights) shapes.emplace_back(h, kSize);
    for (int h : kStripHeights) shapes.emplace_back(h, 6 * kSize);
    for (int w = 1; w <= 70; ++w)
        for (auto [h, mis_step] : shapes)
            for (int mis = (w * kSize) % mis_step; mis < 16; mis += mis_step)
                for (int extra : {0, 16, 5 * kSize}) {
                    ++config;
                    const int32_t stride = kSize * w + extra;
                    const Content content = kContents[config % 5];
                    const int pred = 1 + config % 3;
                    auto where = [&] {
                        return "w " + std::to_string(w) + " h " + std::to_string(h) + " mis " + std::to_string(mis) +
                               " stride " + std::to_string(stride) + " pred " + std::to_string(pred);
                    };
                    // Raw input, possibly above the depth for words.
                    const auto in = qtest::make_content<S>(content, w, h, config % 4 == 0 ? Ops::kMax : kDepthMax);

                    TestPlane<S> src(w, h, stride, mis);
                    src.set_samples(in);
                    // The destination of the out-of-place form need not share the source's alignment.
                    const int dmis = (config & 1) ? mis : (mis + 2 * kSize) % 16;
                    TestPlane<S> ref(w, h, stride, mis), dst(w, h, stride, dmis);
                    ref.mark_padding(kPad);
                    dst.mark_padding(kPad);
                    // Every residual is counted, on each path; the tables start at zero.
                    const std::vector<uint32_t> zero(backends::count_table_entries(Bits));
                    std::vector<uint32_t> ref_counts = zero, counts = zero, inpl_counts = zero;
                    backends::predict_scalar<T, Bits>(src.plane(), ref.plane(), w, h, pred, ref_counts.data());
                    Ops::predict(src.plane(), dst.plane(), w, h, pred, counts.data());
                    ASSERT_EQ(dst.samples(), ref.samples()) << "predict " << where();
                    ASSERT_EQ(src.samples(), in) << where();
                    ASSERT_TRUE(dst.padding_is(kPad) && dst.intact()) << where();
                    const std::vector<uint64_t> expect = histogram(ref.samples(), Bits);
                    ASSERT_EQ(summed(ref_counts, Bits), expect) << "scalar counts " << where();
                    ASSERT_EQ(summed(counts, Bits), expect) << "counts " << where();

                    TestPlane<S> inpl(w, h, stride, mis);
                    inpl.set_samples(in);
                    inpl.mark_padding(kPad);
                    Ops::predict_inplace(inpl.plane(), w, h, pred, inpl_counts.data());
                    ASSERT_EQ(inpl.samples(), ref.samples()) << "in-place predict " << where();
                    ASSERT_TRUE(inpl.padding_is(kPad) && inpl.intact()) << where();
                    ASSERT_EQ(summed(inpl_counts, Bits), expect) << "in-place counts " << where();

                    // Words above the depth predict as if masked to it: only the masked value
                    // reaches the decoder, which predicts from it.
                    if (kSize == 2 && config % 4 == 0) {
                        std::vector<S> masked = in;
                        for (S& v : masked) v = static_cast<S>(static_cast<uint16_t>(v) & kDepthMax);
                        TestPlane<S> msrc(w, h, stride, mis), mref(w, h, stride, mis);
                        msrc.set_samples(masked);
                        backends::predict_scalar<T, Bits>(msrc.plane(), mref.plane(), w, h, pred);
                        ASSERT_EQ(ref.samples(), mref.samples()) << "masking " << where();
                    }

                    // Unpredict the residuals, and also arbitrary words as residuals (a block the
                    // decoder could not fill must still come out the same on both paths).
                    for (bool arbitrary : {false, true}) {
                        const auto res = arbitrary ? qtest::make_content<S>(Content::Random, w, h, Ops::kMax)
                                                   : ref.samples();
                        TestPlane<S> a(w, h, stride, mis), b(w, h, stride, mis);
                        a.set_samples(res);
                        b.set_samples(res);
                        a.mark_padding(kPad);
                        backends::unpredict_scalar<T, Bits>(b.plane(), w, h, pred);
                        Ops::unpredict(a.plane(), w, h, pred);
                        ASSERT_EQ(a.samples(), b.samples()) << "unpredict " << where() << " arbitrary " << arbitrary;
                        ASSERT_TRUE(a.padding_is(kPad) && a.intact()) << where();
                    }
                }
}

TEST(BackendSimdVsScalar, EightBit) { sweep<Ops8, unsigned char, 8>(0); }
TEST(BackendSimdVsScalar, TenBit) { sweep<Ops16<10>, short, 10>(1); }
TEST(BackendSimdVsScalar, TwelveBit) { sweep<Ops16<12>, short, 12>(2); }
TEST(BackendSimdVsScalar, FourteenBit) { sweep<Ops16<14>, short, 14>(3); }

// Wider rows reach several SIMD groups in every strip and the wavefront's group-to-group carry.
TEST(BackendSimdVsScalar, WideRowsAllPredictors)
{
    for (int w : {129, 130, 143, 144, 145, 160, 161, 257, 1000}) {
        for (int h : {2, 8, 16, 28, 31}) {
            for (int pred : {1, 2, 3}) {
                const int mis = qtest::rand_int(0, 15);
                TestPlane<uint8_t> a(w, h, w + 16, mis), b(w, h, w + 16, mis);
                const auto in = qtest::make_content<uint8_t>(Content::Noisy, w, h, 0xFF);
                a.set_samples(in);
                b.set_samples(in);
                backends::unpredict8(a.plane(), w, h, pred);
                backends::unpredict_scalar<unsigned char, 8>(b.plane(), w, h, pred);
                ASSERT_EQ(a.samples(), b.samples()) << w << "x" << h << " " << pred;

                TestPlane<int16_t> c(w, h, 2 * w, 2 * (mis / 2)), d(w, h, 2 * w, 2 * (mis / 2));
                const auto in16 = qtest::make_content<int16_t>(Content::Random, w, h, 0xFFF);
                c.set_samples(in16);
                d.set_samples(in16);
                backends::unpredict16<12>(c.plane(), w, h, pred);
                backends::unpredict_scalar<short, 12>(d.plane(), w, h, pred);
                ASSERT_EQ(c.samples(), d.samples()) << w << "x" << h << " " << pred;
                ASSERT_TRUE(a.intact() && c.intact());
            }
        }
    }
}

// A plane walked bottom-up (negative stride), as a flipped caller layout gives it.
TEST(BackendSimdVsScalar, NegativeStride)
{
    for (int w : {1, 17, 40, 70}) {
        for (int h : {1, 9, 28}) {
            for (int pred : {1, 2, 3}) {
                TestPlane<uint8_t> a(w, h, w + 3, 7), b(w, h, w + 3, 7), r(w, h, w + 3, 7);
                const auto in = qtest::make_content<uint8_t>(Content::Random, w, h, 0xFF);
                a.set_samples(in);
                b.set_samples(in);
                auto flipped = [&](TestPlane<uint8_t>& p) { return ImgPlane{p.row(h - 1), -p.stride}; };
                backends::predict8_inplace(flipped(a), w, h, pred);
                backends::predict_inplace_scalar<unsigned char, 8>(flipped(b), w, h, pred);
                ASSERT_EQ(a.samples(), b.samples());
                backends::unpredict8(flipped(a), w, h, pred);
                ASSERT_EQ(a.samples(), in);
                ASSERT_TRUE(a.intact());
                (void)r;
            }
        }
    }
}

TEST(BackendScores, SimdMatchesScalar)
{
    for (int w = 1; w <= 70; ++w)
        for (int h : {1, 2, 3, 16, 17}) {
            const int mis = (w * 3 + h) % 16;
            const int32_t stride = w + ((w + h) % 3 == 0 ? 16 : (w + h) % 3 == 1 ? 0 : 5);
            TestPlane<uint8_t> p(w, h, stride, mis);
            p.set_samples(qtest::make_content<uint8_t>(kContents[(w + h) % 5], w, h, 0xFF));
            const PredictScores a = backends::calc_predict_scores8(p.plane(), w, h);
            const PredictScores b = backends::calc_predict_scores_scalar(p.plane(), w, h);
            ASSERT_EQ(a.left, b.left) << w << "x" << h;
            ASSERT_EQ(a.gradient, b.gradient) << w << "x" << h;
            ASSERT_EQ(a.median, b.median) << w << "x" << h;
        }
}

// Rows starting on 16-byte boundaries: width 17 scores nothing, width 33 scores columns 16..31
// of rows 1..h-1. A constant plane adds 128 per scored sample for every predictor.
TEST(BackendScores, OnlyAlignedGroupsCount)
{
    for (int w : {17, 33}) {
        TestPlane<uint8_t> p(w, 5, 48, 0);
        p.set_samples(std::vector<uint8_t>(static_cast<size_t>(w) * 5, 77));
        const PredictScores s = backends::calc_predict_scores8(p.plane(), w, 5);
        const int expect = w == 17 ? 0 : 16 * 4 * 128;
        EXPECT_EQ(s.left, expect);
        EXPECT_EQ(s.gradient, expect);
        EXPECT_EQ(s.median, expect);
    }
    // A residual of -128 (0x80) adds nothing. A lone 0x80 at column 20 of a zero row costs its
    // own column and column 22 (whose left or median prediction is then 0x80) under both.
    TestPlane<uint8_t> p(33, 2, 48, 0);
    p.set_samples(std::vector<uint8_t>(66, 0));
    p.at(20, 1) = 0x80;
    p.at(21, 1) = 0x80;
    const PredictScores s = backends::calc_predict_scores8(p.plane(), 33, 2);
    EXPECT_EQ(s.left, 14 * 128);
    EXPECT_EQ(s.median, 14 * 128);
}

// Totals past INT32_MAX saturate instead of wrapping negative. A zero stride scores the same
// row over and over without a plane of that size.
TEST(BackendScores, TotalsSaturate)
{
    const int w = 4097;
    TestPlane<uint8_t> p(w, 1, w, 15);
    p.set_samples(std::vector<uint8_t>(w, 9));
    const PredictScores s = backends::calc_predict_scores8(ImgPlane{p.plane().ptr, 0}, w, 5000);
    EXPECT_EQ(s.left, INT32_MAX);
    EXPECT_EQ(s.gradient, INT32_MAX);
    EXPECT_EQ(s.median, INT32_MAX);
}

} // namespace

namespace {

// Exact-size planes walked bottom-up put row 0, the row above the first strip, at the very end
// of the allocation. The wavefront must not read past its last column there (ASan sees it).
template <class S, class Unpredict>
void exact_size_bottom_up(int strip_rows, int group, Unpredict unpredict, unsigned max_value)
{
    for (int w = strip_rows + group; w <= strip_rows + 3 * group; w += group) {
        const int h = strip_rows + 1;
        std::vector<S> buf(static_cast<size_t>(w) * h);
        const auto in = qtest::make_content<S>(qtest::Content::Random, w, h, max_value);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) buf[static_cast<size_t>(h - 1 - y) * w + x] = in[static_cast<size_t>(y) * w + x];
        const ImgPlane plane{reinterpret_cast<uint8_t*>(buf.data() + static_cast<size_t>(h - 1) * w),
                             -static_cast<int32_t>(sizeof(S) * w)};
        std::vector<S> ref = buf;
        const ImgPlane ref_plane{reinterpret_cast<uint8_t*>(ref.data() + static_cast<size_t>(h - 1) * w), plane.stride};
        unpredict(plane, ref_plane, w, h);
        ASSERT_EQ(buf, ref) << w;
    }
}

TEST(BackendSimdVsScalar, WavefrontStaysInsideExactPlanes)
{
    exact_size_bottom_up<uint8_t>(15, 16,
                                  [](const ImgPlane& a, const ImgPlane& b, int w, int h) {
                                      backends::unpredict8(a, w, h, PredictMedian);
                                      backends::unpredict_scalar<unsigned char, 8>(b, w, h, PredictMedian);
                                  },
                                  0xFF);
    exact_size_bottom_up<int16_t>(7, 8,
                                  [](const ImgPlane& a, const ImgPlane& b, int w, int h) {
                                      backends::unpredict16<10>(a, w, h, PredictMedian);
                                      backends::unpredict_scalar<short, 10>(b, w, h, PredictMedian);
                                  },
                                  0x3FF);
}

} // namespace

// Resampling kernels: every SIMD instance and every _decide front against the scalar twin and
// against a formula written here from scratch, at random widths, bands, alignments and strides,
// with guard bytes around every plane; plus the fixed examples for every instance.

#include "codec/imgproc/kernels/Resample.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using qtest::GuardedBuffer;
using qtest::rand_int;

// A plane of `rows` rows in a guarded buffer; stride in samples.
template <class T>
struct Plane {
    Plane(int rows, int stride, int misalign)
        : rows(rows), stride(stride), buf(size_t(rows) * stride * sizeof(T), misalign)
    {
        qtest::fill_random(buf.data(), buf.size());
    }
    // A copy in a fresh guarded buffer at the same misalignment.
    Plane(const Plane& o) : rows(o.rows), stride(o.stride), buf(o.buf.size(), o.misalign())
    {
        std::memcpy(buf.data(), o.buf.data(), buf.size());
    }
    int misalign() const { return int(reinterpret_cast<uintptr_t>(buf.data()) & 63); }
    T* ptr() { return reinterpret_cast<T*>(buf.data()); }
    T& at(int r, int c) { return ptr()[ptrdiff_t(r) * stride + c]; }
    std::vector<uint8_t> bytes() const { return {buf.data(), buf.data() + buf.size()}; }
    int rows, stride;
    GuardedBuffer buf;
};

int f121(int a, int m, int b) { return (a + 2 * m + b + 2) >> 2; }
int interp(int w, int x, int y, int z, int maxv) { return std::clamp((8 - w - z + 9 * (x + y)) >> 4, 0, maxv); }

// Random stride (in samples) for a row of `minSamples`; aligned ones are multiples of 16 bytes.
template <class T>
int pick_stride(int minSamples, bool aligned)
{
    const int per16 = 16 / int(sizeof(T));
    int s = std::max(minSamples, 1) + rand_int(0, 40);
    if (aligned) s = (s + per16 - 1) / per16 * per16;
    return s;
}

struct Variant {
    std::string name;
    bool srcAligned, dstAligned; // what the instance requires of its buffers
};

const Variant kVariants[] = {{"tt", true, true}, {"tf", true, false}, {"ft", false, true}, {"ff", false, false},
                             {"decide", false, false}, {"scalar", false, false}};

int random_width()
{
    static const int extra[] = {1000, 960, 64, 63, 65, 31, 32, 33, 47, 48, 49};
    return rand_int(0, 3) ? rand_int(0, 100) : extra[rand_int(0, 10)];
}

using Kernel8 = void (*)(const uint8_t*, uint8_t*, int, int, int, int, int, int);

// Row-wise (same rows in and out) and halving (dst rows = src rows / 2) 8-bit kernels share one
// harness: random planes, a random band, the kernel, then every byte against the expectation.
void check_rowwise(const char* what, const Kernel8* fns, int dstWidthOf(int),
                   const std::function<void(Plane<uint8_t>&, Plane<uint8_t>&, int, int, int)>& ref, bool halving)
{
    for (int trial = 0; trial < 400; ++trial) {
        const int w = random_width();
        const int h = rand_int(1, 12);
        const int first = rand_int(0, h - 1);
        const int rows = rand_int(-1, h - first);
        for (int v = 0; v < 6; ++v) {
            const Variant& var = kVariants[v];
            const bool sa = var.srcAligned || (v == 4 && rand_int(0, 1));
            const bool da = var.dstAligned || (v == 4 && rand_int(0, 1));
            Plane<uint8_t> src(h, pick_stride<uint8_t>(w, sa), sa ? 0 : rand_int(0, 15));
            const int dstRows = halving ? (h + 1) / 2 : h;
            Plane<uint8_t> dst(dstRows, pick_stride<uint8_t>(dstWidthOf(w), da), da ? 0 : rand_int(0, 15));
            Plane<uint8_t> want = dst;
            ref(src, want, w, first, rows);
            fns[v](src.ptr(), dst.ptr(), src.stride, dst.stride, w, h, first, rows);
            ASSERT_TRUE(dst.buf.guards_intact() && src.buf.guards_intact()) << what << " " << var.name << " w=" << w;
            ASSERT_EQ(dst.bytes(), want.bytes()) << what << " " << var.name << " w=" << w << " h=" << h
                                                 << " first=" << first << " rows=" << rows;
        }
    }
}

// The formulas, written over whole planes.
void ref_upscale(Plane<uint8_t>& s, Plane<uint8_t>& d, int w, int first, int rows)
{
    if (w < 1) return;
    for (int r = first; r < first + rows; ++r)
        for (int i = 0; i < w; ++i) {
            auto S = [&](int x) { return int(s.at(r, std::clamp(x, 0, w - 1))); };
            d.at(r, 2 * i) = uint8_t(S(i));
            d.at(r, 2 * i + 1) = uint8_t(interp(S(i - 1), S(i), S(i + 1), S(i + 2), 255));
        }
}

void ref_down_h(Plane<uint8_t>& s, Plane<uint8_t>& d, int w, int first, int rows, bool filtered)
{
    for (int r = first; r < first + rows; ++r)
        for (int k = 0; k < (w + 1) / 2; ++k) {
            auto S = [&](int x) { return int(s.at(r, std::clamp(x, 0, w - 1))); };
            d.at(r, k) = uint8_t(filtered ? f121(S(2 * k - 1), S(2 * k), S(2 * k + 1)) : S(2 * k));
        }
}

void ref_combined(Plane<uint8_t>& s, Plane<uint8_t>& d, int w, int first, int rows)
{
    for (int k = first / 2; k < (first + rows) / 2; ++k) {
        auto V = [&](int x) {
            x = std::clamp(x, 0, w - 1);
            return f121(s.at(std::max(2 * k - 1, 0), x), s.at(2 * k, x), s.at(2 * k + 1, x));
        };
        for (int j = 0; 2 * j < w; ++j) d.at(k, j) = uint8_t(f121(V(2 * j - 1), V(2 * j), V(2 * j + 1)));
    }
}

template <class T>
void ref_down_v(Plane<T>& s, Plane<T>& d, int w, int first, int rows, int mask)
{
    for (int k = first / 2; k < (first + rows) / 2; ++k)
        for (int c = 0; c < w; ++c)
            d.at(k, c) = T(f121(s.at(std::max(2 * k - 1, 0), c) & mask, s.at(2 * k, c) & mask, s.at(2 * k + 1, c) & mask));
}

template <class T>
void ref_interp(Plane<T>& p, int w, int pairs, int k0, int count, int mask)
{
    auto E = [&](int j, int c) { return int(p.at(2 * std::clamp(j, 0, pairs - 1), c) & mask); };
    for (int k = std::max(k0, 0); k < std::min(k0 + count, pairs); ++k)
        for (int c = 0; c < w; ++c) p.at(2 * k + 1, c) = T(interp(E(k - 1, c), E(k, c), E(k + 1, c), E(k + 2, c), mask));
}

int same(int w) { return w; }
int twice(int w) { return 2 * w; }
int half_up(int w) { return (w + 1) / 2; }

} // namespace

TEST(ResampleKernels, UpscaleHorizontalMatchesReference)
{
    const Kernel8 fns[] = {upscale2_horizontal_sse<true, true>, upscale2_horizontal_sse<true, false>,
                           upscale2_horizontal_sse<false, true>, upscale2_horizontal_sse<false, false>,
                           upscale2_horizontal_sse_decide, upscale2_horizontal_scalar};
    check_rowwise("upscale", fns, twice, ref_upscale, false);
}

TEST(ResampleKernels, DownscaleHorizontalMatchesReference)
{
    const Kernel8 filt[] = {downscale2_horizontal_sse<true, true>, downscale2_horizontal_sse<true, false>,
                            downscale2_horizontal_sse<false, true>, downscale2_horizontal_sse<false, false>,
                            downscale2_horizontal_sse_decide<true>, downscale2_horizontal_scalar<true>};
    check_rowwise("h-filtered", filt, half_up,
                  [](auto& s, auto& d, int w, int f, int n) { ref_down_h(s, d, w, f, n, true); }, false);
    const Kernel8 nn[] = {downscale2_horizontal_nn_sse<true, true>, downscale2_horizontal_nn_sse<true, false>,
                          downscale2_horizontal_nn_sse<false, true>, downscale2_horizontal_nn_sse<false, false>,
                          downscale2_horizontal_sse_decide<false>, downscale2_horizontal_scalar<false>};
    check_rowwise("h-point", nn, half_up,
                  [](auto& s, auto& d, int w, int f, int n) { ref_down_h(s, d, w, f, n, false); }, false);
}

TEST(ResampleKernels, DownscaleCombinedMatchesReference)
{
    const Kernel8 fns[] = {downscale2_combined_sse<true, true>, downscale2_combined_sse<true, false>,
                           downscale2_combined_sse<false, true>, downscale2_combined_sse<false, false>,
                           downscale2_combined_sse_decide, downscale2_combined_scalar};
    check_rowwise("combined", fns, half_up, ref_combined, true);
}

TEST(ResampleKernels, DownscaleVertical8MatchesReference)
{
    const Kernel8 fns[] = {downscale2_vertical_sse<uint8_t, 8, true, true>, downscale2_vertical_sse<uint8_t, 8, true, false>,
                           downscale2_vertical_sse<uint8_t, 8, false, true>, downscale2_vertical_sse<uint8_t, 8, false, false>,
                           downscale2_vertical_sse_decide<uint8_t, 8>, downscale2_vertical_scalar<uint8_t, 8>};
    check_rowwise("vertical8", fns, same,
                  [](auto& s, auto& d, int w, int f, int n) { ref_down_v<uint8_t>(s, d, w, f, n, 255); }, true);
}

TEST(ResampleKernels, DownscaleVertical10MatchesReferenceAndMasksHighBits)
{
    using K = void (*)(const uint16_t*, uint16_t*, int, int, int, int, int, int);
    const K fns[] = {downscale2_vertical_sse<uint16_t, 10, true, true>, downscale2_vertical_sse<uint16_t, 10, true, false>,
                     downscale2_vertical_sse<uint16_t, 10, false, true>, downscale2_vertical_sse<uint16_t, 10, false, false>,
                     downscale2_vertical_sse_decide<uint16_t, 10>, downscale2_vertical_scalar<uint16_t, 10>};
    for (int trial = 0; trial < 400; ++trial) {
        const int w = random_width(), h = rand_int(1, 12), first = rand_int(0, h - 1), rows = rand_int(-1, h - first);
        const bool wild = rand_int(0, 1); // caller words with bits above 10 set
        for (int v = 0; v < 6; ++v) {
            const bool sa = kVariants[v].srcAligned || (v == 4 && rand_int(0, 1));
            const bool da = kVariants[v].dstAligned || (v == 4 && rand_int(0, 1));
            Plane<uint16_t> src(h, pick_stride<uint16_t>(w, sa), sa ? 0 : 2 * rand_int(0, 7));
            if (!wild)
                for (int i = 0; i < h * src.stride; ++i) src.ptr()[i] &= 1023;
            Plane<uint16_t> dst((h + 1) / 2, pick_stride<uint16_t>(w, da), da ? 0 : 2 * rand_int(0, 7));
            Plane<uint16_t> want = dst;
            ref_down_v<uint16_t>(src, want, w, first, rows, 1023);
            fns[v](src.ptr(), dst.ptr(), src.stride, dst.stride, w, h, first, rows);
            ASSERT_TRUE(dst.buf.guards_intact());
            ASSERT_EQ(dst.bytes(), want.bytes()) << kVariants[v].name << " w=" << w << " first=" << first << " rows=" << rows;
        }
    }
}

template <class T, int Bits>
void check_interpolation()
{
    using K = void (*)(T*, int, int, int, int, int);
    const K fns[] = {interpolate2_vertical_sse<T, Bits, true>, interpolate2_vertical_sse<T, Bits, false>,
                     interpolate2_vertical_sse_decide<T, Bits>, interpolate2_vertical_scalar<T, Bits>};
    const bool needsAligned[] = {true, false, false, false};
    for (int trial = 0; trial < 400; ++trial) {
        const int w = random_width(), pairs = rand_int(1, 8);
        const int k0 = rand_int(0, pairs - 1), count = rand_int(-1, pairs - k0);
        const bool wild = sizeof(T) == 2 && rand_int(0, 1);
        for (int v = 0; v < 4; ++v) {
            const bool al = needsAligned[v] || (v == 2 && rand_int(0, 1));
            Plane<T> p(2 * pairs, pick_stride<T>(w, al), al ? 0 : int(sizeof(T)) * rand_int(0, 15 / int(sizeof(T))));
            if (sizeof(T) == 2 && !wild)
                for (int i = 0; i < 2 * pairs * p.stride; ++i) p.ptr()[i] &= 1023;
            Plane<T> want = p;
            ref_interp<T>(want, w, pairs, k0, count, (1 << Bits) - 1);
            fns[v](p.ptr(), p.stride, w, pairs, k0, count);
            ASSERT_TRUE(p.buf.guards_intact());
            ASSERT_EQ(p.bytes(), want.bytes()) << Bits << "-bit v=" << v << " w=" << w << " pairs=" << pairs
                                               << " k0=" << k0 << " count=" << count;
        }
    }
}

TEST(ResampleKernels, InterpolateVerticalMatchesReference)
{
    check_interpolation<uint8_t, 8>();
    check_interpolation<uint16_t, 10>();
}

// ---- the fixed examples, for every instance ---------------------------------------------------

namespace {

// Runs an 8-bit row-wise kernel on one row given as a list and returns the output row.
std::vector<int> run_row(Kernel8 fn, const std::vector<int>& in, int outLen, bool unalignedStride = false)
{
    const int stride = unalignedStride ? 24 : 64;
    GuardedBuffer s(size_t(stride) * 2, 0), d(size_t(stride) * 2, 0);
    for (size_t i = 0; i < in.size(); ++i) s[i] = uint8_t(in[i]);
    fn(s.data(), d.data(), stride, stride, int(in.size()), 1, 0, 1);
    EXPECT_TRUE(d.guards_intact());
    return std::vector<int>(d.data(), d.data() + outLen);
}

} // namespace

TEST(ResampleKernels, FixedExamplesHoldForEveryInstance)
{
    const Kernel8 up[] = {upscale2_horizontal_sse<true, true>, upscale2_horizontal_sse<true, false>,
                          upscale2_horizontal_sse<false, true>, upscale2_horizontal_sse<false, false>,
                          upscale2_horizontal_sse_decide, upscale2_horizontal_scalar};
    const Kernel8 hf[] = {downscale2_horizontal_sse<true, true>, downscale2_horizontal_sse<true, false>,
                          downscale2_horizontal_sse<false, true>, downscale2_horizontal_sse<false, false>,
                          downscale2_horizontal_sse_decide<true>, downscale2_horizontal_scalar<true>};
    const Kernel8 hn[] = {downscale2_horizontal_nn_sse<true, true>, downscale2_horizontal_nn_sse<true, false>,
                          downscale2_horizontal_nn_sse<false, true>, downscale2_horizontal_nn_sse<false, false>,
                          downscale2_horizontal_sse_decide<false>, downscale2_horizontal_scalar<false>};
    const Kernel8 comb[] = {downscale2_combined_sse<true, true>, downscale2_combined_sse<true, false>,
                            downscale2_combined_sse<false, true>, downscale2_combined_sse<false, false>,
                            downscale2_combined_sse_decide, downscale2_combined_scalar};
    for (int v = 0; v < 6; ++v) {
        SCOPED_TRACE(kVariants[v].name);
        EXPECT_EQ(run_row(up[v], {10, 20}, 4), (std::vector<int>{10, 15, 20, 21}));
        EXPECT_EQ(run_row(up[v], {0, 0, 255, 255}, 8), (std::vector<int>{0, 0, 0, 128, 255, 255, 255, 255}));
        EXPECT_EQ(run_row(up[v], std::vector<int>(40, 77), 80), std::vector<int>(80, 77));
        EXPECT_EQ(run_row(hf[v], {10, 20, 30, 40}, 2), (std::vector<int>{13, 30}));
        EXPECT_EQ(run_row(hn[v], {10, 20, 30, 40, 50}, 3), (std::vector<int>{10, 30, 50}));

        // Combined: the 4 x 4 block, and the double rounding (2, not the single rounding's 1).
        GuardedBuffer s(64 * 4), d(64 * 2);
        const uint8_t blk[4][4] = {{0, 0, 255, 255}, {0, 0, 255, 255}, {255, 255, 0, 0}, {255, 255, 0, 0}};
        for (int r = 0; r < 4; ++r) std::memcpy(&s[size_t(r) * 64], blk[r], 4);
        comb[v](s.data(), d.data(), 64, 64, 4, 4, 0, 4);
        EXPECT_EQ(d[0], 0);
        EXPECT_EQ(d[1], 191);
        EXPECT_EQ(d[64], 191);
        EXPECT_EQ(d[65], 96);
        const uint8_t nb[3][3] = {{2, 0, 3}, {0, 1, 2}, {0, 2, 3}};
        for (int r = 0; r < 3; ++r) std::memcpy(&s[size_t(r + 1) * 64 + 1], nb[r], 3);
        comb[v](s.data(), d.data(), 64, 64, 4, 4, 2, 2);
        EXPECT_EQ(d[64 + 1], 2);
        EXPECT_TRUE(d.guards_intact());
    }
}

TEST(ResampleKernels, VerticalFixedExamples)
{
    using K8 = void (*)(const uint8_t*, uint8_t*, int, int, int, int, int, int);
    const K8 v8[] = {downscale2_vertical_sse<uint8_t, 8, true, true>, downscale2_vertical_sse<uint8_t, 8, true, false>,
                     downscale2_vertical_sse<uint8_t, 8, false, true>, downscale2_vertical_sse<uint8_t, 8, false, false>,
                     downscale2_vertical_sse_decide<uint8_t, 8>, downscale2_vertical_scalar<uint8_t, 8>};
    using K16 = void (*)(const uint16_t*, uint16_t*, int, int, int, int, int, int);
    const K16 v16[] = {downscale2_vertical_sse<uint16_t, 10, true, true>, downscale2_vertical_sse<uint16_t, 10, true, false>,
                       downscale2_vertical_sse<uint16_t, 10, false, true>, downscale2_vertical_sse<uint16_t, 10, false, false>,
                       downscale2_vertical_sse_decide<uint16_t, 10>, downscale2_vertical_scalar<uint16_t, 10>};
    for (int v = 0; v < 6; ++v) {
        SCOPED_TRACE(kVariants[v].name);
        // Centre 100 over 0 at the top edge: (100 + 200 + 0 + 2) >> 2 = 75, for a SIMD-wide row.
        GuardedBuffer s(32 * 2), d(32);
        std::memset(s.data(), 100, 32);
        std::memset(s.data() + 32, 0, 32);
        v8[v](s.data(), d.data(), 32, 32, 32, 2, 0, 2);
        for (int c = 0; c < 32; ++c) ASSERT_EQ(d[c], 75);
        // An odd row count: first 0, 5 rows writes destination rows 0 and 1 only.
        GuardedBuffer s5(16 * 6, 0, 9), d5(16 * 3, 0, 1);
        v8[v](s5.data(), d5.data(), 16, 16, 16, 6, 0, 5);
        for (int c = 0; c < 16; ++c) ASSERT_EQ(d5[32 + c], 1);
        ASSERT_EQ(d5[0], 9);
        // 10-bit: rows 27, 28, 29 holding 100, 200, 300 give 200 in destination row 14.
        std::vector<uint16_t> src(40 * 8), dst(20 * 8, 0xFFFF);
        for (int c = 0; c < 8; ++c) src[27 * 8 + c] = 100, src[28 * 8 + c] = 200, src[29 * 8 + c] = 300;
        v16[v](src.data(), dst.data(), 8, 8, 8, 40, 28, 12);
        for (int c = 0; c < 8; ++c) ASSERT_EQ(dst[14 * 8 + c], 200);
        ASSERT_EQ(dst[13 * 8], 0xFFFF);
    }
}

TEST(ResampleKernels, InterpolationFixedExamples)
{
    using K8 = void (*)(uint8_t*, int, int, int, int, int);
    const K8 i8[] = {interpolate2_vertical_sse<uint8_t, 8, true>, interpolate2_vertical_sse<uint8_t, 8, false>,
                     interpolate2_vertical_sse_decide<uint8_t, 8>, interpolate2_vertical_scalar<uint8_t, 8>};
    using K16 = void (*)(uint16_t*, int, int, int, int, int);
    const K16 i16[] = {interpolate2_vertical_sse<uint16_t, 10, true>, interpolate2_vertical_sse<uint16_t, 10, false>,
                       interpolate2_vertical_sse_decide<uint16_t, 10>, interpolate2_vertical_scalar<uint16_t, 10>};
    // Even rows 0, 2, 4, 6 hold E(0..3) across a SIMD-wide row; returns odd row 2k+1.
    auto run8 = [](K8 fn, std::vector<int> e, int k) {
        alignas(16) uint8_t p[8 * 32] = {};
        for (size_t j = 0; j < e.size(); ++j) std::memset(p + 2 * j * 32, e[j], 32);
        fn(p, 32, 32, int(e.size()), k, 1);
        for (int c = 1; c < 32; ++c) EXPECT_EQ(p[(2 * k + 1) * 32 + c], p[(2 * k + 1) * 32]);
        return int(p[(2 * k + 1) * 32]);
    };
    auto run16 = [](K16 fn, std::vector<int> e, int k) {
        alignas(16) uint16_t p[8 * 16] = {};
        for (size_t j = 0; j < e.size(); ++j) std::fill_n(p + 2 * j * 16, 16, uint16_t(e[j]));
        fn(p, 16, 16, int(e.size()), k, 1);
        return int(p[(2 * k + 1) * 16 + 15]);
    };
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(v);
        EXPECT_EQ(run8(i8[v], {0, 16, 32, 48}, 1), 24);       // linear ramp
        EXPECT_EQ(run8(i8[v], {77}, 0), 77);                  // one pair: a copy
        EXPECT_EQ(run8(i8[v], {0, 100}, 1), 106);             // last pair: (8 + 17 X - W) >> 4
        EXPECT_EQ(run8(i8[v], {0, 255, 255, 0}, 1), 255);     // 287 clamped
        EXPECT_EQ(run8(i8[v], {255, 0, 0, 255}, 1), 0);       // -32 clamped
        EXPECT_EQ(run16(i16[v], {0, 1023, 1023, 0}, 1), 1023); // 1151 clamped
        EXPECT_EQ(run16(i16[v], {1023, 0, 0, 1023}, 1), 0);    // -128 clamped
        EXPECT_EQ(run16(i16[v], {0, 100}, 1), 106);
    }
}

TEST(ResampleKernels, AlignedPointerWithUnalignedStrideTakesUnalignedPath)
{
    // Stride 24 (12 samples at 10 bits): an aligned instance would fault on row 1.
    std::vector<int> row(20);
    for (int i = 0; i < 20; ++i) row[i] = i * 12;
    EXPECT_EQ(run_row(upscale2_horizontal_sse_decide, row, 40, true), run_row(upscale2_horizontal_scalar, row, 40));
    alignas(16) uint8_t p8[24 * 6];
    alignas(16) uint8_t q8[24 * 6];
    qtest::fill_random(p8, sizeof p8);
    std::memcpy(q8, p8, sizeof p8);
    interpolate2_vertical_sse_decide<uint8_t, 8>(p8, 24, 20, 3, 0, 3);
    interpolate2_vertical_scalar<uint8_t, 8>(q8, 24, 20, 3, 0, 3);
    EXPECT_EQ(0, std::memcmp(p8, q8, sizeof p8));
    alignas(16) uint16_t p16[12 * 6];
    alignas(16) uint16_t q16[12 * 6];
    for (auto& x : p16) x = uint16_t(qtest::rand_u32() & 1023);
    std::memcpy(q16, p16, sizeof p16);
    interpolate2_vertical_sse_decide<uint16_t, 10>(p16, 12, 10, 3, 0, 3);
    interpolate2_vertical_scalar<uint16_t, 10>(q16, 12, 10, 3, 0, 3);
    EXPECT_EQ(0, std::memcmp(p16, q16, sizeof p16));
}

// Smoothing and planar RGB decorrelation: SIMD against the scalar twins and against the formulas
// written here, over random parameters (out-of-range ones included), widths, bands and strides.

#include "codec/imgproc/kernels/PlanarRgbDecorr.h"
#include "codec/imgproc/kernels/Smooth.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using qtest::GuardedBuffer;
using qtest::rand_int;

struct P {
    int t1, s1, t2, s2, lim;
};

P effective(const SmoothState& st)
{
    return {std::clamp(st.thr1, -1, 255), st.shift1 & 31, std::clamp(st.thr2, -1, 255), st.shift2 & 31,
            std::clamp<int>(st.limit, 0, 255)};
}

int kept(int d, int t, int s)
{
    const int a = std::abs(d);
    const int q = a > t ? (a >> s) << s : 0;
    return d < 0 ? -q : q;
}

// Smoothed rows of a plane stored as vector<vector<int>>.
using Img = std::vector<std::vector<int>>;

std::vector<int> smooth_once(const std::vector<int>& u, const std::vector<int>& m, const std::vector<int>& d)
{
    const int w = int(m.size());
    std::vector<int> v(w), s(w);
    for (int x = 0; x < w; ++x) v[x] = (u[x] + 2 * m[x] + d[x] + 2) >> 2;
    for (int x = 0; x < w; ++x) s[x] = (v[std::max(x - 1, 0)] + 2 * v[x] + v[std::min(x + 1, w - 1)] + 2) >> 2;
    return s;
}

Img ref_combined3(const Img& src, const P& p, int first, int rows)
{
    const int h = int(src.size());
    Img out(h);
    for (int r = first; r < first + rows; ++r) {
        const auto s = smooth_once(src[std::max(r - 1, 0)], src[r], src[std::min(r + 1, h - 1)]);
        for (size_t x = 0; x < s.size(); ++x) out[r].push_back(s[x] + kept(src[r][x] - s[x], p.t1, p.s1));
    }
    return out;
}

Img ref_combined5(const Img& src, const P& p, int first, int rows)
{
    const int h = int(src.size());
    auto row = [&](int r) { return src[std::clamp(r, 0, h - 1)]; };
    auto sr = [&](int m) { return smooth_once(row(m > h - 1 ? h - 1 : std::max(m - 1, 0)), row(m), row(m + 1)); };
    Img out(h);
    for (int y = first; y < first + rows; ++y) {
        const auto a = sr(y - 1), b = sr(y), c = sr(y + 1), s2 = smooth_once(a, b, c);
        const auto& o = src[std::min(y, h - 1)];
        for (size_t x = 0; x < b.size(); ++x) {
            const int v = s2[x] + kept(b[x] - s2[x], p.t2, p.s2) + kept(o[x] - b[x], p.t1, p.s1);
            out[y].push_back(std::clamp(v, 0, p.lim));
        }
    }
    return out;
}

void random_state(SmoothState& st)
{
    const int pick = rand_int(0, 3);
    st.thr1 = pick == 0 ? rand_int(-100000, 100000) : rand_int(-2, 260);
    st.thr2 = pick == 1 ? rand_int(-100000, 100000) : rand_int(-2, 260);
    st.shift1 = rand_int(0, 3) ? rand_int(0, 8) : rand_int(-40, 40);
    st.shift2 = rand_int(0, 3) ? rand_int(0, 8) : rand_int(-40, 40);
    st.limit = int16_t(rand_int(0, 3) ? rand_int(0, 255) : rand_int(-300, 600));
}

using Combined = void (*)(SmoothState&, const uint8_t*, uint8_t*, int, int, int, int, int, int);

// Runs a combined kernel over a random plane and compares the written rows with the formula and
// every other byte with what was there.
void check_combined(Combined fn, bool twoLevel, int trials)
{
    SmoothState st;
    for (int t = 0; t < trials; ++t) {
        random_state(st);
        const int w = rand_int(0, 3) ? rand_int(1, 70) : rand_int(100, 300);
        const int h = rand_int(1, 9), first = rand_int(0, h - 1), rows = rand_int(-1, h - first);
        const int ss = w + rand_int(0, 20), ds = w + rand_int(0, 20);
        const bool flip = rand_int(0, 1); // destination walked bottom-up
        GuardedBuffer src(size_t(ss) * h, rand_int(0, 15)), dst(size_t(ds) * h, rand_int(0, 15));
        qtest::fill_random(src.data(), src.size());
        qtest::fill_random(dst.data(), dst.size());
        std::vector<uint8_t> before(dst.data(), dst.data() + dst.size());
        Img img(h);
        for (int r = 0; r < h; ++r) img[r].assign(src.data() + r * ss, src.data() + r * ss + w);
        uint8_t* d0 = flip ? dst.data() + size_t(h - 1) * ds : dst.data();
        fn(st, src.data(), d0, ss, flip ? -ds : ds, w, h, first, rows);
        const Img want = twoLevel ? ref_combined5(img, effective(st), first, rows) : ref_combined3(img, effective(st), first, rows);
        ASSERT_TRUE(dst.guards_intact());
        for (int r = 0; r < h; ++r) {
            const int phys = flip ? h - 1 - r : r;
            for (int x = 0; x < ds; ++x) {
                const int got = dst[size_t(phys) * ds + x];
                const bool written = r >= first && r < first + rows && x < w;
                const int exp = written ? want[r][x] : before[size_t(phys) * ds + x];
                ASSERT_EQ(got, exp) << "w=" << w << " h=" << h << " row " << r << " col " << x << " first=" << first
                                    << " rows=" << rows << " thr " << st.thr1 << "/" << st.thr2 << " shift "
                                    << st.shift1 << "/" << st.shift2 << " limit " << st.limit;
            }
        }
    }
}

} // namespace

TEST(Smooth, CombinedKernelsMatchFormulaAndScalarTwin)
{
    check_combined(smooth_combined3_sse, false, 300);
    check_combined(smooth_combined3_scalar, false, 100);
    check_combined(smooth_combined5_sse, true, 300);
    check_combined(smooth_combined5_scalar, true, 100);
}

TEST(Smooth, RowKernelsMatchScalarTwin)
{
    SmoothState st;
    for (int t = 0; t < 500; ++t) {
        random_state(st);
        const int w = rand_int(0, 80);
        GuardedBuffer u(w, rand_int(0, 15)), m(w, rand_int(0, 15)), d(w, rand_int(0, 15)), o(w, rand_int(0, 15));
        for (auto* b : {&u, &m, &d, &o}) qtest::fill_random(b->data(), b->size());
        for (int mode : {0, 5}) {
            GuardedBuffer a(w, rand_int(0, 15)), b(w, rand_int(0, 15));
            if (mode == 0) {
                smooth_row_sse<0>(st, u.data(), m.data(), d.data(), a.data(), o.data(), w);
                smooth_row_scalar<0>(st, u.data(), m.data(), d.data(), b.data(), o.data(), w);
            } else {
                smooth_row_sse<5>(st, u.data(), m.data(), d.data(), a.data(), o.data(), w);
                smooth_row_scalar<5>(st, u.data(), m.data(), d.data(), b.data(), o.data(), w);
            }
            ASSERT_TRUE(a.guards_intact());
            ASSERT_EQ(0, std::memcmp(a.data(), b.data(), w)) << "mode " << mode << " w=" << w;
        }
    }
}

TEST(Smooth, FixedExamples)
{
    const int w = 40;
    std::vector<uint8_t> src(3 * w), dst(3 * w, 0);
    SmoothState st;
    // Rows 58, 100, 58: S = 79, difference 21 kept as 16 with shift 3.
    st.thr1 = 0;
    st.shift1 = 3;
    std::fill_n(src.begin(), w, 58);
    std::fill_n(src.begin() + w, w, 100);
    std::fill_n(src.begin() + 2 * w, w, 58);
    smooth_combined3_sse(st, src.data(), dst.data(), w, w, w, 3, 1, 1);
    for (int x = 0; x < w; ++x) ASSERT_EQ(dst[w + x], 79 + 16);
    // Rows 142, 100, 142: S = 121, difference -21 kept as -16.
    std::fill_n(src.begin(), w, 142);
    std::fill_n(src.begin() + 2 * w, w, 142);
    smooth_combined3_sse(st, src.data(), dst.data(), w, w, w, 3, 1, 1);
    for (int x = 0; x < w; ++x) ASSERT_EQ(dst[w + x], 121 - 16);

    // Threshold -1 with shift 0 returns the source; threshold 255 the plain smoothed plane.
    qtest::fill_random(src.data(), src.size());
    st.thr1 = -1;
    st.shift1 = 0;
    smooth_combined3_sse(st, src.data(), dst.data(), w, w, w, 3, 0, 3);
    EXPECT_EQ(src, dst);
    st.thr1 = 255;
    st.shift1 = 5;
    smooth_combined3_sse(st, src.data(), dst.data(), w, w, w, 3, 0, 3);
    std::vector<uint8_t> plain(w);
    smooth_row_sse<0>(st, src.data(), src.data() + w, src.data() + 2 * w, plain.data(), nullptr, w);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), dst.begin() + w));

    // A constant plane stays constant, in both levels when the limit allows it.
    std::fill(src.begin(), src.end(), 77);
    st.thr1 = 3, st.thr2 = 9, st.shift2 = 2, st.limit = 77;
    smooth_combined3_sse(st, src.data(), dst.data(), w, w, w, 3, 0, 3);
    EXPECT_EQ(src, dst);
    std::fill(dst.begin(), dst.end(), 0);
    smooth_combined5_sse(st, src.data(), dst.data(), w, w, w, 3, 0, 3);
    EXPECT_EQ(src, dst);

    // Zero rows: scratch is made, nothing is written.
    SmoothState fresh;
    std::fill(dst.begin(), dst.end(), 5);
    smooth_combined5_sse(fresh, src.data(), dst.data(), w, w, w, 3, 1, 0);
    EXPECT_TRUE(std::all_of(dst.begin(), dst.end(), [](uint8_t v) { return v == 5; }));
    EXPECT_EQ(fresh.scratchSize, 3u * 48u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(fresh.scratchRows) % 16, 0u);
}

TEST(Smooth, ScratchIsSizedFromWidthNotStride)
{
    // A bottom-up destination (negative stride) must not size the scratch from the stride.
    SmoothState st;
    st.thr1 = 2, st.shift1 = 1, st.thr2 = 4, st.shift2 = 2, st.limit = 255;
    const int w = 50, h = 6;
    std::vector<uint8_t> src(w * h), a(w * h), b(w * h);
    qtest::fill_random(src.data(), src.size());
    smooth_combined5_sse(st, src.data(), a.data() + (h - 1) * w, w, -w, w, h, 0, h);
    smooth_combined5_scalar(st, src.data(), b.data(), w, w, w, h, 0, h);
    for (int r = 0; r < h; ++r) EXPECT_EQ(0, std::memcmp(&a[(h - 1 - r) * w], &b[r * w], w)) << r;
    EXPECT_EQ(st.scratchSize, 3u * 64u);
}

TEST(PlanarRgbDecorr, MatchesScalarAndFixedExample)
{
    uint8_t b = 5, g = 20, r = 10;
    decorr_rgb_planar_sse(&b, &g, &r, 1);
    EXPECT_EQ(b, 241);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(r, 246);
    for (int t = 0; t < 300; ++t) {
        const int n = rand_int(-2, 100);
        const size_t sz = size_t(std::max(n, 0));
        GuardedBuffer p0(sz, rand_int(0, 15)), p1(sz, rand_int(0, 15)), p2(sz, rand_int(0, 15));
        for (auto* x : {&p0, &p1, &p2}) qtest::fill_random(x->data(), sz);
        const std::vector<uint8_t> b0(p0.data(), p0.data() + sz), g0(p1.data(), p1.data() + sz), r0(p2.data(), p2.data() + sz);
        std::vector<uint8_t> e0 = b0, e1 = g0, e2 = r0;
        decorr_rgb_planar_scalar(e0.data(), e1.data(), e2.data(), n);
        decorr_rgb_planar_sse(p0.data(), p1.data(), p2.data(), n);
        ASSERT_TRUE(p0.guards_intact() && p1.guards_intact() && p2.guards_intact());
        ASSERT_EQ(e0, std::vector<uint8_t>(p0.data(), p0.data() + sz));
        ASSERT_EQ(e1, std::vector<uint8_t>(p1.data(), p1.data() + sz));
        ASSERT_EQ(e2, std::vector<uint8_t>(p2.data(), p2.data() + sz));
        // And what both must give: B - G and R - G modulo 256, G unchanged.
        for (size_t i = 0; i < sz; ++i) {
            ASSERT_EQ(p0[i], uint8_t(b0[i] - g0[i])) << i;
            ASSERT_EQ(p1[i], g0[i]) << i;
            ASSERT_EQ(p2[i], uint8_t(r0[i] - g0[i])) << i;
        }
    }
}

// Converters: block-wise conversion in the engine's phase order (each block's earlier stage
// producing its own rows, blocks of a phase in any order and on several threads, fields of
// interlaced frames) against one whole-frame call and against the formulas written here over
// whole planes; the pass tables; the row maps; and odd sizes and bands kept inside the planes.

#include "codec/imgproc/kernels/Converters.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using qtest::GuardedBuffer;
using qtest::rand_int;

// ---- frames in guarded buffers ----------------------------------------------------------------

struct TestPlane {
    int w = 0, h = 0, stride = 0, bytes = 1; // w, h in samples; stride in bytes
    std::unique_ptr<GuardedBuffer> buf;
    int get(int r, int c) const
    {
        const uint8_t* p = buf->data() + ptrdiff_t(r) * stride + c * bytes;
        return bytes == 1 ? *p : p[0] | p[1] << 8;
    }
    void set(int r, int c, int v)
    {
        uint8_t* p = buf->data() + ptrdiff_t(r) * stride + c * bytes;
        p[0] = uint8_t(v);
        if (bytes == 2) p[1] = uint8_t(v >> 8);
    }
};

// The planes of a layout backend for a w x h frame; strides random (aligned or not), planes
// filled with random samples below 2^bits.
struct TestFrame {
    std::vector<TestPlane> planes;
    TestFrame(const ImgProcBackend& b, int w, int h, int bits, bool aligned)
    {
        const int bytes = b.get_pixel_size();
        for (int p = 0; p < b.get_num_canonical_planes(); ++p) {
            TestPlane tp;
            tp.w = b.get_cplane_width(p, w), tp.h = b.get_cplane_height(p, h), tp.bytes = bytes;
            tp.stride = tp.w * bytes + (aligned ? 0 : bytes * rand_int(0, 9));
            if (aligned) tp.stride = (tp.stride + 15) / 16 * 16;
            tp.buf = std::make_unique<GuardedBuffer>(size_t(std::max(tp.stride * tp.h, 1)), aligned ? 0 : bytes * rand_int(0, 7));
            for (int r = 0; r < tp.h; ++r)
                for (int c = 0; c < tp.w; ++c) tp.set(r, c, int(qtest::rand_u32() & ((1u << bits) - 1)));
            planes.push_back(std::move(tp));
        }
    }
    TestFrame(const TestFrame& o)
    {
        for (const TestPlane& p : o.planes) {
            TestPlane c{p.w, p.h, p.stride, p.bytes, std::make_unique<GuardedBuffer>(p.buf->size(), uintptr_t(p.buf->data()) & 63)};
            std::memcpy(c.buf->data(), p.buf->data(), p.buf->size());
            planes.push_back(std::move(c));
        }
    }
    ImgFrame view() const
    {
        ImgFrame f;
        for (size_t p = 0; p < planes.size(); ++p) f[int(p)] = {planes[p].buf->data(), planes[p].stride};
        return f;
    }
    // Same layout, other contents: what the planes hold before the earlier stage has run.
    TestFrame scrambled() const
    {
        TestFrame c(*this);
        for (TestPlane& p : c.planes) qtest::fill_random(p.buf->data(), p.buf->size());
        return c;
    }
    bool same_bytes(const TestFrame& o) const
    {
        for (size_t p = 0; p < planes.size(); ++p)
            if (std::memcmp(planes[p].buf->data(), o.planes[p].buf->data(), planes[p].buf->size()) != 0) return false;
        return true;
    }
    bool guards_intact() const
    {
        return std::all_of(planes.begin(), planes.end(), [](const TestPlane& p) { return p.buf->guards_intact(); });
    }
};

// ---- the formulas, over whole planes of one progressive frame (or one field) --------------------

using Grid = std::vector<std::vector<int>>; // [row][col]

int f121(int a, int m, int b) { return (a + 2 * m + b + 2) >> 2; }
int interp(int w, int x, int y, int z, int maxv) { return std::clamp((8 - w - z + 9 * (x + y)) >> 4, 0, maxv); }

std::vector<int> upscale(const std::vector<int>& s)
{
    const int w = int(s.size());
    std::vector<int> d(2 * w);
    auto S = [&](int i) { return s[std::clamp(i, 0, w - 1)]; };
    for (int i = 0; i < w; ++i) d[2 * i] = s[i], d[2 * i + 1] = interp(S(i - 1), S(i), S(i + 1), S(i + 2), 255);
    return d;
}

// Odd rows of d from its even rows.
void interp_rows(Grid& d, int maxv)
{
    const int pairs = int(d.size()) / 2;
    auto E = [&](int j, int c) { return d[2 * std::clamp(j, 0, pairs - 1)][c]; };
    for (int k = 0; k < pairs; ++k)
        for (size_t c = 0; c < d[2 * k + 1].size(); ++c)
            d[2 * k + 1][c] = interp(E(k - 1, c), E(k, c), E(k + 1, c), E(k + 2, c), maxv);
}

enum class Kind { C444_422, C422_444, C444_420, C420_444, C422_420, C420_422, To400, From400, T10_422_420, T10_420_422 };

// One chroma plane: source grid s (its own size) to destination grid d (sized by the caller).
void ref_plane(Kind kind, bool filtered, const Grid& s, Grid& d)
{
    const int dh = int(d.size());
    switch (kind) {
    case Kind::C444_422:
        for (int r = 0; r < dh; ++r)
            for (size_t j = 0; j < d[r].size(); ++j) {
                const int w = int(s[r].size()), x = 2 * int(j);
                d[r][j] = filtered ? f121(s[r][std::max(x - 1, 0)], s[r][x], s[r][std::min(x + 1, w - 1)]) : s[r][x];
            }
        break;
    case Kind::C422_444:
        for (int r = 0; r < dh; ++r) d[r] = upscale(s[r]);
        break;
    case Kind::C444_420:
        for (int k = 0; k < dh; ++k)
            for (size_t j = 0; j < d[k].size(); ++j) {
                const int w = int(s[0].size()), x = 2 * int(j);
                auto V = [&](int c) {
                    c = std::clamp(c, 0, w - 1);
                    return f121(s[std::max(2 * k - 1, 0)][c], s[2 * k][c], s[2 * k + 1][c]);
                };
                d[k][j] = filtered ? f121(V(x - 1), V(x), V(x + 1)) : s[2 * k][x];
            }
        break;
    case Kind::C420_444:
    case Kind::C420_422:
    case Kind::T10_420_422:
        for (int k = 0; k < dh / 2; ++k) d[2 * k] = kind == Kind::C420_444 ? upscale(s[k]) : s[k];
        interp_rows(d, kind == Kind::T10_420_422 ? 1023 : 255);
        break;
    case Kind::C422_420:
    case Kind::T10_422_420:
        for (int k = 0; k < dh; ++k)
            for (size_t c = 0; c < d[k].size(); ++c)
                d[k][c] = (filtered || kind == Kind::T10_422_420)
                              ? f121(s[std::max(2 * k - 1, 0)][c], s[2 * k][c], s[2 * k + 1][c])
                              : s[2 * k][c];
        break;
    case Kind::From400:
        for (auto& row : d) std::fill(row.begin(), row.end(), 128);
        break;
    case Kind::To400:
        break;
    }
}

// Rows of plane tp that belong to field f of n fields (n = 1 progressive).
Grid read_grid(const TestPlane& tp, int f, int n)
{
    Grid g;
    for (int r = f; r < tp.h; r += n) {
        g.emplace_back(tp.w);
        for (int c = 0; c < tp.w; ++c) g.back()[c] = tp.get(r, c);
    }
    return g;
}

void write_grid(TestPlane& tp, const Grid& g, int f, int n)
{
    for (size_t i = 0; i < g.size(); ++i)
        for (int c = 0; c < tp.w; ++c) tp.set(f + int(i) * n, c, g[i][c]);
}

// Expected dst after converting src (planes 1 and 2; plane 0 and the rest stay as they are).
TestFrame reference(Kind kind, bool filtered, const TestFrame& src, const TestFrame& dst, bool interlaced)
{
    TestFrame out(dst);
    if (out.planes.size() < 3) return out;
    const int n = interlaced ? 2 : 1;
    for (int p = 1; p <= 2; ++p)
        for (int f = 0; f < n; ++f) {
            Grid s = src.planes.size() > 1 ? read_grid(src.planes[p], f, n) : Grid{};
            Grid d = read_grid(out.planes[p], f, n);
            ref_plane(kind, filtered, s, d);
            write_grid(out.planes[p], d, f, n);
        }
    return out;
}

// ---- the engine's schedule ------------------------------------------------------------------------

struct Schedule {
    int L;           // slice height
    bool interlaced;
    int threads;     // workers per phase
    bool reverse;    // blocks of a phase in reverse order (single thread)
    bool noBarrier;  // run every stage in phase 0 (to show the barrier matters)
};

// The rows of plane k that block s owns: [ch(first), min(ch(H), ch(first) + ch(L))).
void copy_block_rows(const ImgProcBackend& b, const TestFrame& from, TestFrame& to, int s, int L, int H)
{
    for (size_t k = 0; k < from.planes.size(); ++k) {
        const int r0 = b.get_cplane_height(int(k), s * L);
        const int r1 = std::min(b.get_cplane_height(int(k), H), r0 + b.get_cplane_height(int(k), L));
        const TestPlane& a = from.planes[k];
        for (int r = r0; r < r1; ++r)
            std::memcpy(to.planes[k].buf->data() + ptrdiff_t(r) * a.stride, a.buf->data() + ptrdiff_t(r) * a.stride,
                        size_t(a.w * a.bytes));
    }
}

void convert_block(const ImgProcConverter& c, const ImgFrame& src, const ImgFrame& dst, int W, int H, int s, int L,
                   bool interlaced, int pass)
{
    const int first = s * L, rows = std::min(first + L, H) - first;
    if (!interlaced) {
        c.convert(src, dst, W, H, {first, rows}, pass);
        return;
    }
    for (int f = 0; f < 2; ++f) {
        ImgFrame fs = src, fd = dst;
        for (int k = 0; k < 4; ++k) {
            if (fs[k].ptr) fs[k] = {fs[k].ptr + f * fs[k].stride, fs[k].stride * 2};
            if (fd[k].ptr) fd[k] = {fd[k].ptr + f * fd[k].stride, fd[k].stride * 2};
        }
        c.convert(fs, fd, W, H / 2, {first / 2, rows / 2}, pass);
    }
}

// Runs the stages "produce the block's source rows" then passes 0..n-1 in phases, as the engine
// does; `truth` holds the source planes that the earlier stage would produce.
void run_blockwise(const ImgProcConverter& c, const TestFrame& truth, TestFrame& src, TestFrame& dst, int W, int H,
                   const Schedule& sch)
{
    const int slices = (H + sch.L - 1) / sch.L;
    const int R = sch.interlaced ? sch.L / 2 : sch.L;
    // stage -1 produces; phase of each stage
    std::vector<int> phase{0};
    for (int p = 0; p < c.get_num_passes(); ++p) {
        int mod = 0;
        c.get_pass_dep_mod(p, mod);
        const bool dep = sch.L != H && (mod == 0 || R % mod != 0);
        phase.push_back(phase.back() + (dep && !sch.noBarrier ? 1 : 0));
    }
    const ImgFrame sv = src.view(), dv = dst.view();
    auto stage = [&](int s, int st) {
        if (st == 0) copy_block_rows(*c.srcBackend, truth, src, s, sch.L, H);
        else convert_block(c, sv, dv, W, H, s, sch.L, sch.interlaced, st - 1);
    };
    for (int ph = 0; ph <= phase.back(); ++ph) {
        auto item = [&](int s) {
            for (size_t st = 0; st < phase.size(); ++st)
                if (phase[st] == ph) stage(s, int(st));
        };
        if (sch.threads <= 1) {
            for (int i = 0; i < slices; ++i) item(sch.reverse ? slices - 1 - i : i);
        } else {
            std::atomic<int> next{0};
            std::vector<std::thread> team;
            for (int t = 0; t < sch.threads; ++t)
                team.emplace_back([&] {
                    for (int i; (i = next.fetch_add(1)) < slices;) item(slices - 1 - i);
                });
            for (auto& t : team) t.join();
        }
    }
}

void run_whole(const ImgProcConverter& c, const TestFrame& src, TestFrame& dst, int W, int H, bool interlaced)
{
    for (int p = 0; p < c.get_num_passes(); ++p) convert_block(c, src.view(), dst.view(), W, H, 0, H, interlaced, p);
}

// ---- the converters under test --------------------------------------------------------------------

struct Case {
    const char* name;
    ImgProcConverter* conv;
    Kind kind;
    int bits;
};

ImgProcConverter8_444_to_422 c444_422;
ImgProcConverter8_422_to_444 c422_444;
ImgProcConverter8_444_to_420 c444_420;
ImgProcConverter8_420_to_444 c420_444;
ImgProcConverter8_422_to_420 c422_420;
ImgProcConverter8_420_to_422 c420_422;
TImgProcConverter_4xx_to_400<unsigned char, 8, 3, 1, 1> c444_400;
TImgProcConverter_4xx_to_400<unsigned char, 8, 3, 2, 2> c420_400;
TImgProcConverter_400_to_4xx<unsigned char, 8, 3, 1, 1> c400_444;
TImgProcConverter_400_to_4xx<unsigned char, 8, 3, 2, 2> c400_420;
TImgProcConverter16_422_to_420<10> c10_422_420;
TImgProcConverter16_420_to_422<10> c10_420_422;

const Case kCases[] = {
    {"444_to_422", &c444_422, Kind::C444_422, 8}, {"422_to_444", &c422_444, Kind::C422_444, 8},
    {"444_to_420", &c444_420, Kind::C444_420, 8}, {"420_to_444", &c420_444, Kind::C420_444, 8},
    {"422_to_420", &c422_420, Kind::C422_420, 8}, {"420_to_422", &c420_422, Kind::C420_422, 8},
    {"444_to_400", &c444_400, Kind::To400, 8},    {"420_to_400", &c420_400, Kind::To400, 8},
    {"400_to_444", &c400_444, Kind::From400, 8},  {"400_to_420", &c400_420, Kind::From400, 8},
    {"10_422_to_420", &c10_422_420, Kind::T10_422_420, 10}, {"10_420_to_422", &c10_420_422, Kind::T10_420_422, 10},
};

} // namespace

TEST(Converters, PassTables)
{
    struct Row {
        const ImgProcConverter* c;
        bool affected[4];
        int passes, mod0, mod1;
    };
    const Row rows[] = {{&c444_422, {0, 1, 1, 0}, 1, 1, 1}, {&c422_444, {0, 1, 1, 0}, 1, 1, 1},
                        {&c444_420, {0, 1, 1, 0}, 1, 0, 0}, {&c420_444, {0, 1, 1, 0}, 2, 1, 0},
                        {&c422_420, {0, 1, 1, 0}, 1, 0, 0}, {&c420_422, {0, 1, 1, 0}, 2, 1, 0},
                        {&c444_400, {0, 0, 0, 0}, 0, 1, 1}, {&c420_400, {0, 0, 0, 0}, 0, 1, 1},
                        {&c400_444, {0, 1, 1, 0}, 1, 1, 1}, {&c400_420, {0, 1, 1, 0}, 1, 1, 1},
                        {&c10_422_420, {0, 1, 1, 0}, 1, 0, 0}, {&c10_420_422, {0, 1, 1, 0}, 2, 1, 0}};
    for (const Row& r : rows) {
        bool a[4] = {true, true, true, true};
        r.c->get_affected_planes(a);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(a[k], r.affected[k]);
        EXPECT_EQ(r.c->get_num_passes(), r.passes);
        EXPECT_TRUE(r.c->filtered);
        int m0 = 7, m1 = 7, m2 = 7;
        r.c->get_pass_dep_mod(0, m0);
        r.c->get_pass_dep_mod(1, m1);
        r.c->get_pass_dep_mod(2, m2);
        EXPECT_EQ(m0, r.mod0);
        EXPECT_EQ(m1, r.mod1);
        EXPECT_EQ(m2, r.passes == 2 ? 7 : r.mod0); // two-pass converters leave other passes alone
        EXPECT_EQ(r.c->srcBackend->get_pixel_size(), r.c == &c10_422_420 || r.c == &c10_420_422 ? 2 : 1);
    }
    // Point sampling makes the 4:2:0 downscales block-local.
    ImgProcConverter8_444_to_420 a;
    ImgProcConverter8_422_to_420 b;
    a.filtered = b.filtered = false;
    int ma = 0, mb = 0;
    a.get_pass_dep_mod(0, ma);
    b.get_pass_dep_mod(0, mb);
    EXPECT_EQ(ma, 1);
    EXPECT_EQ(mb, 1);
    // Geometry of the embedded layouts.
    EXPECT_EQ(c444_420.dstBackend->get_cplane_height(1, 40), 20);
    EXPECT_EQ(c400_420.srcBackend->get_num_canonical_planes(), 1);
    EXPECT_EQ(c10_420_422.dstBackend->get_height_modulo(), 1);
}

TEST(Converters, BlockwiseEqualsWholeFrameAndReference)
{
    const int widths[] = {2, 4, 30, 34, 64, 66, 98, 200};
    for (const Case& cs : kCases) {
        for (int trial = 0; trial < 40; ++trial) {
            ImgProcConverter& c = *cs.conv;
            c.filtered = trial % 3 != 2;
            const bool interlaced = trial % 4 == 3;
            const int hmod = std::max(c.srcBackend->get_height_modulo(), c.dstBackend->get_height_modulo()) *
                             (interlaced ? 2 : 1);
            // Slice heights the decoder accepts: multiples of the stored layout's height modulo x 2 if
            // interlaced; 28 is what the writer uses.
            const ImgProcBackend& stored = cs.kind == Kind::From400 || cs.kind == Kind::T10_420_422 ||
                                                   cs.kind == Kind::C420_444 || cs.kind == Kind::C420_422 ||
                                                   cs.kind == Kind::C422_444
                                               ? *c.srcBackend
                                               : *c.dstBackend;
            const int lmod = stored.get_height_modulo() * (interlaced ? 2 : 1);
            const int L = trial % 2 ? 28 : lmod * rand_int(1, 6);
            const int W = widths[rand_int(0, 7)];
            const int H = hmod * rand_int(2, 50 / hmod + 2);
            const bool aligned = rand_int(0, 1);
            // Caller words above 1023 reach the compress side only.
            const int srcBits = cs.kind == Kind::T10_422_420 && trial % 5 == 4 ? 16 : cs.bits;

            TestFrame truth(*c.srcBackend, W, H, srcBits, aligned);
            TestFrame dst0(*c.dstBackend, W, H, cs.bits, aligned);
            const TestFrame garbage = truth.scrambled();

            TestFrame whole(dst0);
            run_whole(c, truth, whole, W, H, interlaced);
            TestFrame masked(truth);
            if (srcBits == 16)
                for (auto& p : masked.planes)
                    for (int r = 0; r < p.h; ++r)
                        for (int x = 0; x < p.w; ++x) p.set(r, x, p.get(r, x) & 1023);
            const TestFrame want = reference(cs.kind, c.filtered, masked, dst0, interlaced);
            SCOPED_TRACE(::testing::Message() << cs.name << " W=" << W << " H=" << H << " L=" << L << " interlaced="
                                              << interlaced << " filtered=" << c.filtered);
            ASSERT_TRUE(whole.same_bytes(want));

            for (int threads : {1, 4}) {
                TestFrame src(garbage), dst(dst0);
                run_blockwise(c, truth, src, dst, W, H, {L, interlaced, threads, threads == 1, false});
                ASSERT_TRUE(dst.same_bytes(want)) << threads << " threads";
                ASSERT_TRUE(dst.guards_intact() && src.guards_intact());
            }
        }
        cs.conv->filtered = true;
    }
}

TEST(Converters, NeighbourReadingPassesNeedTheirBarrier)
{
    // Without the phase break, blocks run back to front read rows of blocks whose earlier stage
    // has not run yet: the result differs. This is why those passes report mod 0.
    for (ImgProcConverter* c : {static_cast<ImgProcConverter*>(&c444_420), static_cast<ImgProcConverter*>(&c422_420),
                                static_cast<ImgProcConverter*>(&c420_444), static_cast<ImgProcConverter*>(&c10_422_420),
                                static_cast<ImgProcConverter*>(&c10_420_422)}) {
        const int W = 64, H = 112, bits = c->srcBackend->get_pixel_bits();
        TestFrame truth(*c->srcBackend, W, H, bits, true), dst0(*c->dstBackend, W, H, bits, true);
        const TestFrame garbage = truth.scrambled();
        TestFrame whole(dst0), src(garbage), dst(dst0);
        run_whole(*c, truth, whole, W, H, false);
        run_blockwise(*c, truth, src, dst, W, H, {28, false, 1, true, true});
        EXPECT_FALSE(dst.same_bytes(whole));
    }
}

TEST(Converters, RowMaps)
{
    // 4:2:0 fill of block {28, 28} at width 64: chroma rows 14..27, columns 0..31.
    {
        TestFrame dst(*c400_420.dstBackend, 64, 80, 8, false);
        TestFrame before(dst);
        c400_420.convert(ImgFrame{}, dst.view(), 64, 80, {28, 28}, 0);
        for (int p = 1; p <= 2; ++p)
            for (int r = 0; r < 40; ++r)
                for (int x = 0; x < 32; ++x)
                    ASSERT_EQ(dst.planes[p].get(r, x), r >= 14 && r < 28 ? 128 : before.planes[p].get(r, x));
        EXPECT_EQ(0, std::memcmp(dst.planes[0].buf->data(), before.planes[0].buf->data(), dst.planes[0].buf->size()));
        // The 4:4:4 fill of the same block: rows 28..55 over the full width.
        TestFrame d444(*c400_444.dstBackend, 64, 80, 8, false);
        TestFrame b444(d444);
        c400_444.convert(ImgFrame{}, d444.view(), 64, 80, {28, 28}, 0);
        for (int r = 0; r < 80; ++r)
            for (int x = 0; x < 64; ++x) ASSERT_EQ(d444.planes[2].get(r, x), r >= 28 && r < 56 ? 128 : b444.planes[2].get(r, x));
    }
    // 10-bit 4:2:0 -> 4:2:2 on block {28, 28}: pass 0 writes rows 28, 30, .., 54 from source rows
    // 14..27; pass 1 writes rows 29, .., 55.
    {
        TestFrame src(*c10_420_422.srcBackend, 32, 112, 10, true), dst(*c10_420_422.dstBackend, 32, 112, 10, true);
        TestFrame before(dst);
        c10_420_422.convert(src.view(), dst.view(), 32, 112, {28, 28}, 0);
        for (int r = 0; r < 112; ++r)
            for (int x = 0; x < 16; ++x) {
                const bool even = r >= 28 && r <= 54 && r % 2 == 0;
                ASSERT_EQ(dst.planes[1].get(r, x), even ? src.planes[1].get(r / 2, x) : before.planes[1].get(r, x));
            }
        TestFrame afterPass0(dst);
        c10_420_422.convert(src.view(), dst.view(), 32, 112, {28, 28}, 1);
        for (int r = 0; r < 112; ++r) {
            const bool odd = r >= 29 && r <= 55 && r % 2 == 1;
            if (!odd) {
                ASSERT_EQ(dst.planes[1].get(r, 3), afterPass0.planes[1].get(r, 3)) << r;
            }
        }
    }
    // 10-bit 4:2:2 -> 4:2:0, height 40, last block {28, 12}: destination rows 14..19.
    {
        TestFrame src(*c10_422_420.srcBackend, 16, 40, 10, false), dst(*c10_422_420.dstBackend, 16, 40, 10, false);
        TestFrame before(dst);
        for (int x = 0; x < 8; ++x) src.planes[1].set(27, x, 100), src.planes[1].set(28, x, 200), src.planes[1].set(29, x, 300);
        c10_422_420.convert(src.view(), dst.view(), 16, 40, {28, 12}, 0);
        for (int r = 0; r < 20; ++r)
            for (int x = 0; x < 8; ++x)
                if (r < 14) {
                    ASSERT_EQ(dst.planes[1].get(r, x), before.planes[1].get(r, x));
                }
        for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.planes[1].get(14, x), 200);
    }
    // Point 4:4:4 -> 4:2:0 -> 4:4:4 puts the kept samples back in their places.
    {
        ImgProcConverter8_444_to_420 down;
        down.filtered = false;
        TestFrame s(*down.srcBackend, 40, 20, 8, false), mid(*down.dstBackend, 40, 20, 8, false),
            back(*c420_444.dstBackend, 40, 20, 8, false);
        run_whole(down, s, mid, 40, 20, false);
        run_whole(c420_444, mid, back, 40, 20, false);
        for (int r = 0; r < 20; r += 2)
            for (int x = 0; x < 40; x += 2) ASSERT_EQ(back.planes[1].get(r, x), s.planes[1].get(r, x));
    }
}

TEST(Converters, OddSizesAndBandsStayInsideThePlanes)
{
    // Odd widths, heights and bands (a hostile slice height) give wrong-but-bounded output: every
    // access stays inside the planes, whose guards (and ASan) would catch a stray one.
    for (const Case& cs : kCases) {
        for (int trial = 0; trial < 60; ++trial) {
            ImgProcConverter& c = *cs.conv;
            c.filtered = rand_int(0, 1);
            const int W = rand_int(1, 70), H = rand_int(1, 40);
            TestFrame src(*c.srcBackend, W, H, cs.bits, false), dst(*c.dstBackend, W, H, cs.bits, false);
            const int first = rand_int(0, H - 1), rows = rand_int(0, H - first);
            for (int p = 0; p < c.get_num_passes(); ++p) c.convert(src.view(), dst.view(), W, H, {first, rows}, p);
            ASSERT_TRUE(dst.guards_intact() && src.guards_intact()) << cs.name << " W=" << W << " H=" << H;
        }
        cs.conv->filtered = true;
    }
}

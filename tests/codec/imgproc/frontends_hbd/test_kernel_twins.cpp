// Every SIMD row kernel against its scalar twin: random rows at every width up to 48 and some
// wide ones, packed rows at several misalignments (16-byte aligned rows take the streaming path
// of join64), plane rows at random even offsets, guard bytes around everything. Output buffers
// start with the same random bytes, so bytes a kernel must leave alone are compared too.

#include "codec/imgproc/frontends_hbd/Kernels48.h"
#include "codec/imgproc/frontends_hbd/Kernels64.h"
#include "codec/imgproc/frontends_hbd/KernelsFloat4.h"
#include "codec/imgproc/frontends_hbd/KernelsGbrp.h"
#include "codec/imgproc/frontends_hbd/KernelsR210.h"
#include "codec/imgproc/frontends_hbd/KernelsV210.h"
#include "codec/imgproc/frontends_hbd/KernelsV410.h"
#include "codec/imgproc/frontends_hbd/KernelsWord16.h"
#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using qtest::GuardedBuffer;

struct Shape {
    std::function<size_t(int)> packedBytes; // bytes of a packed row of w pixels
    int planes;
    std::function<int(int, int)> planeWidth; // samples of plane k in a row of w pixels
    int widthStep = 1;
    int packedAlign = 4;
};

using SplitFn = std::function<void(const uint8_t*, int, uint8_t* const*)>;
using JoinFn = std::function<void(uint8_t*, int, const uint8_t* const*)>;

std::vector<int> widths(int step)
{
    std::vector<int> w;
    for (int i = 0; i <= 48; i += step) w.push_back(i);
    for (int i = 0; i < 12; ++i) w.push_back(qtest::rand_int(49, 700) / step * step);
    return w;
}

std::unique_ptr<GuardedBuffer> random_buffer(size_t n, size_t misalign)
{
    auto b = std::make_unique<GuardedBuffer>(n, misalign);
    qtest::fill_random(b->data(), n);
    return b;
}

std::unique_ptr<GuardedBuffer> clone(const GuardedBuffer& src, size_t misalign)
{
    auto b = std::make_unique<GuardedBuffer>(src.size(), misalign);
    std::memcpy(b->data(), src.data(), src.size());
    return b;
}

bool same(const GuardedBuffer& a, const GuardedBuffer& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

size_t packed_misalign(int align)
{
    static const int offsets[] = {0, 2, 4, 8, 12};
    int o;
    do o = offsets[qtest::rand_int(0, 4)];
    while (o % align);
    return o;
}

size_t plane_misalign() { return 2 * qtest::rand_int(0, 7); }

void check_split(const Shape& s, const SplitFn& simd, const SplitFn& scalar)
{
    for (const int w : widths(s.widthStep)) {
        SCOPED_TRACE(testing::Message() << "width " << w);
        const auto src = random_buffer(s.packedBytes(w), packed_misalign(s.packedAlign));
        std::unique_ptr<GuardedBuffer> a[4], b[4];
        uint8_t *pa[4] = {}, *pb[4] = {};
        for (int k = 0; k < s.planes; ++k) {
            a[k] = random_buffer(2 * size_t(s.planeWidth(k, w)), plane_misalign());
            b[k] = clone(*a[k], plane_misalign());
            pa[k] = a[k]->data(), pb[k] = b[k]->data();
        }
        simd(src->data(), w, pa);
        scalar(src->data(), w, pb);
        for (int k = 0; k < s.planes; ++k) {
            EXPECT_TRUE(same(*a[k], *b[k])) << "plane " << k;
            EXPECT_TRUE(a[k]->guards_intact() && b[k]->guards_intact()) << "plane " << k;
        }
        EXPECT_TRUE(src->guards_intact());
    }
}

void check_join(const Shape& s, const JoinFn& simd, const JoinFn& scalar)
{
    for (const int w : widths(s.widthStep)) {
        SCOPED_TRACE(testing::Message() << "width " << w);
        std::unique_ptr<GuardedBuffer> planes[4];
        const uint8_t* p[4] = {};
        for (int k = 0; k < s.planes; ++k) {
            planes[k] = random_buffer(2 * size_t(s.planeWidth(k, w)), plane_misalign());
            p[k] = planes[k]->data();
        }
        const auto a = random_buffer(s.packedBytes(w), packed_misalign(s.packedAlign));
        const auto b = clone(*a, packed_misalign(s.packedAlign));
        simd(a->data(), w, p);
        scalar(b->data(), w, p);
        EXPECT_TRUE(same(*a, *b));
        EXPECT_TRUE(a->guards_intact() && b->guards_intact());
    }
}

Shape full_planes(int planes, int pixelBytes, int align = 4)
{
    return {[pixelBytes](int w) { return size_t(w) * pixelBytes; }, planes, [](int, int w) { return w; }, 1, align};
}

template <int C, int N, int O, bool H>
void twins64()
{
    SCOPED_TRACE(testing::Message() << "64-bit channels " << C << " bits " << N << " order " << O << " host " << H);
    const Shape s = full_planes(C, 8);
    check_split(
        s, [](const uint8_t* src, int w, uint8_t* const* p) { hbd::split64<C, N, O, H>(src, w, p[0], p[1], p[2], p[3]); },
        [](const uint8_t* src, int w, uint8_t* const* p) { hbd::split64_scalar<C, N, O, H>(src, w, p[0], p[1], p[2], p[3]); });
    check_join(
        s, [](uint8_t* d, int w, const uint8_t* const* p) { hbd::join64<C, N, O, H>(d, w, p[0], p[1], p[2], p[3]); },
        [](uint8_t* d, int w, const uint8_t* const* p) { hbd::join64_scalar<C, N, O, H>(d, w, p[0], p[1], p[2], p[3]); });
}

template <int C, int N, int O>
void twins64_ranges()
{
    twins64<C, N, O, false>();
    twins64<C, N, O, true>();
}

template <int C, int N>
void twins64_orders()
{
    twins64_ranges<C, N, 1>();
    twins64_ranges<C, N, 2>();
    twins64_ranges<C, N, 3>();
}

TEST(KernelTwins, Packed64)
{
    twins64_orders<4, 10>();
    twins64_orders<4, 12>();
    twins64_orders<4, 14>();
    twins64_orders<3, 10>();
    twins64_orders<3, 12>();
    twins64_orders<3, 14>();
}

template <bool L>
void twinsV410()
{
    const Shape s = full_planes(3, 4);
    check_split(
        s, [](const uint8_t* src, int w, uint8_t* const* p) { hbd::splitV410<L>(src, w, p[0], p[1], p[2]); },
        [](const uint8_t* src, int w, uint8_t* const* p) { hbd::splitV410_scalar<L>(src, w, p[0], p[1], p[2]); });
    check_join(
        s, [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinV410<L>(d, w, p[0], p[1], p[2]); },
        [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinV410_scalar<L>(d, w, p[0], p[1], p[2]); });
}

template <bool L>
void twinsV210()
{
    // Rows as the engine sizes them: ceil(16 w / 6) bytes rounded up to 4.
    const Shape s{[](int w) { return size_t((16 * w + 5) / 6 + 3) / 4 * 4; }, 3,
                  [](int k, int w) { return k == 0 ? w : w / 2; }, 2};
    check_split(
        s, [](const uint8_t* src, int w, uint8_t* const* p) { hbd::splitV210<L>(src, w, p[0], p[1], p[2]); },
        [](const uint8_t* src, int w, uint8_t* const* p) { hbd::splitV210_scalar<L>(src, w, p[0], p[1], p[2]); });
    check_join(
        s, [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinV210<L>(d, w, p[0], p[1], p[2]); },
        [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinV210_scalar<L>(d, w, p[0], p[1], p[2]); });
}

TEST(KernelTwins, V410AndV210)
{
    twinsV410<false>();
    twinsV410<true>();
    twinsV210<false>();
    twinsV210<true>();
}

template <bool K, bool L>
void twinsR210()
{
    const Shape s = full_planes(3, 4);
    check_split(
        s, [](const uint8_t* src, int w, uint8_t* const* p) { hbd::splitR210<K, L>(src, w, p[0], p[1], p[2]); },
        [](const uint8_t* src, int w, uint8_t* const* p) { hbd::splitR210_scalar<K, L>(src, w, p[0], p[1], p[2]); });
    check_join(
        s, [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinR210<K, L>(d, w, p[0], p[1], p[2]); },
        [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinR210_scalar<K, L>(d, w, p[0], p[1], p[2]); });
}

TEST(KernelTwins, R210AndR10K)
{
    twinsR210<false, false>();
    twinsR210<true, false>();
    twinsR210<false, true>();
    twinsR210<true, true>();
}

template <int N, int L>
void twins48()
{
    check_join(
        full_planes(3, 6, 2), [](uint8_t* d, int w, const uint8_t* const* p) { hbd::join48<N, L>(d, w, p[0], p[1], p[2]); },
        [](uint8_t* d, int w, const uint8_t* const* p) { hbd::join48_scalar<N, L>(d, w, p[0], p[1], p[2]); });
}

TEST(KernelTwins, Join48)
{
    twins48<10, 10>(), twins48<10, 11>(), twins48<10, 12>();
    twins48<12, 10>(), twins48<12, 11>(), twins48<12, 12>();
    twins48<14, 10>(), twins48<14, 11>(), twins48<14, 12>();
}

// Random floats with the awkward ones mixed in: NaN, infinities, negative zero, out of range.
void fill_floats(GuardedBuffer& b)
{
    static const float awkward[] = {std::bit_cast<float>(0x7FC00000u), std::bit_cast<float>(0xFFC00001u),
                                    std::bit_cast<float>(0x7F800000u), std::bit_cast<float>(0xFF800000u),
                                    -0.0f, 1.0f, 1.5f, -0.5f, 0.999f, 0.5f, 1e-30f, 65535.0f};
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        const uint32_t r = qtest::rand_u32();
        const float f = (r & 7) == 0 ? awkward[r % 12] : static_cast<float>(qtest::rand_u32() % 1000000) / 900000.0f;
        std::memcpy(b.data() + i, &f, 4);
    }
}

template <int C, int N>
void twinsFloat4()
{
    SCOPED_TRACE(testing::Message() << "float channels " << C << " bits " << N);
    for (const int w : widths(1)) {
        SCOPED_TRACE(testing::Message() << "width " << w);
        GuardedBuffer src(16 * size_t(w), packed_misalign(4));
        fill_floats(src);
        std::unique_ptr<GuardedBuffer> a[4], b[4];
        for (int k = 0; k < 4; ++k) a[k] = random_buffer(2 * size_t(w), plane_misalign()), b[k] = clone(*a[k], 0);
        hbd::splitFloat4<C, N>(src.data(), w, a[0]->data(), a[1]->data(), a[2]->data(), a[3]->data());
        hbd::splitFloat4_scalar<C, N>(src.data(), w, b[0]->data(), b[1]->data(), b[2]->data(), b[3]->data());
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(same(*a[k], *b[k]) && a[k]->guards_intact()) << "plane " << k;
    }
    check_join(
        full_planes(C, 16), [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinFloat4<C, N>(d, w, p[0], p[1], p[2], p[3]); },
        [](uint8_t* d, int w, const uint8_t* const* p) { hbd::joinFloat4_scalar<C, N>(d, w, p[0], p[1], p[2], p[3]); });
}

TEST(KernelTwins, Float4)
{
    twinsFloat4<4, 10>(), twinsFloat4<4, 12>(), twinsFloat4<4, 14>();
    twinsFloat4<3, 10>(), twinsFloat4<3, 12>(), twinsFloat4<3, 14>();
}

TEST(KernelTwins, Word16)
{
    const Shape row = full_planes(1, 2, 2);
    check_split(
        row, [](const uint8_t* src, int w, uint8_t* const* p) { hbd::shr6_row(src, w, p[0]); },
        [](const uint8_t* src, int w, uint8_t* const* p) { hbd::shr6_row_scalar(src, w, p[0]); });
    check_split(
        row, [](const uint8_t* src, int w, uint8_t* const* p) { hbd::shl6_row(src, w, p[0]); },
        [](const uint8_t* src, int w, uint8_t* const* p) { hbd::shl6_row_scalar(src, w, p[0]); });
    const Shape pairs{[](int n) { return 4 * size_t(n); }, 2, [](int, int n) { return n; }, 1, 4};
    check_split(
        pairs, [](const uint8_t* src, int n, uint8_t* const* p) { hbd::cbcr_split(src, n, p[0], p[1]); },
        [](const uint8_t* src, int n, uint8_t* const* p) { hbd::cbcr_split_scalar(src, n, p[0], p[1]); });
    check_join(
        pairs, [](uint8_t* d, int n, const uint8_t* const* p) { hbd::cbcr_join(d, n, p[0], p[1]); },
        [](uint8_t* d, int n, const uint8_t* const* p) { hbd::cbcr_join_scalar(d, n, p[0], p[1]); });

    // In place, and the fill.
    for (const int n : widths(1)) {
        const auto a = random_buffer(2 * size_t(n), plane_misalign());
        const auto b = clone(*a, plane_misalign());
        hbd::shl6_row(a->data(), n, a->data());
        hbd::shl6_row_scalar(b->data(), n, b->data());
        EXPECT_TRUE(same(*a, *b) && a->guards_intact());
        hbd::fill16(a->data(), n, 0x8000);
        for (int i = 0; i < n; ++i) ASSERT_EQ(hbd::ld16i(a->data(), i), 0x8000);
        EXPECT_TRUE(a->guards_intact());
    }
}

template <int I, int O, bool A>
void twinsGbrp()
{
    SCOPED_TRACE(testing::Message() << "GBRP in " << I << " out " << O << " alpha " << A);
    for (const int w : widths(1)) {
        SCOPED_TRACE(testing::Message() << "width " << w);
        std::unique_ptr<GuardedBuffer> in[4], a[4], b[4];
        for (int k = 0; k < 4; ++k) {
            in[k] = random_buffer(2 * size_t(w), plane_misalign());
            a[k] = random_buffer(2 * size_t(w), plane_misalign());
            b[k] = clone(*a[k], plane_misalign());
        }
        hbd::splitGbrp<I, O, A>(in[0]->data(), in[1]->data(), in[2]->data(), in[3]->data(), w, a[0]->data(),
                                a[1]->data(), a[2]->data(), a[3]->data());
        hbd::splitGbrp_scalar<I, O, A>(in[0]->data(), in[1]->data(), in[2]->data(), in[3]->data(), w,
                                       b[0]->data(), b[1]->data(), b[2]->data(), b[3]->data());
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(same(*a[k], *b[k]) && a[k]->guards_intact()) << "plane " << k;
        // The join works in place on G, B, R, A.
        for (int k = 0; k < 4; ++k) b[k] = clone(*in[k], plane_misalign());
        hbd::joinGbrp<I, O, A>(in[0]->data(), in[1]->data(), in[2]->data(), in[3]->data(), w);
        hbd::joinGbrp_scalar<I, O, A>(b[0]->data(), b[1]->data(), b[2]->data(), b[3]->data(), w);
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(same(*in[k], *b[k]) && in[k]->guards_intact()) << "plane " << k;
    }
}

template <bool A>
void twinsGbrpDepths()
{
    twinsGbrp<10, 10, A>();
    twinsGbrp<12, 10, A>(), twinsGbrp<12, 12, A>();
    twinsGbrp<14, 10, A>(), twinsGbrp<14, 12, A>(), twinsGbrp<14, 14, A>();
    twinsGbrp<16, 10, A>(), twinsGbrp<16, 12, A>(), twinsGbrp<16, 14, A>();
}

TEST(KernelTwins, PlanarGbr)
{
    twinsGbrpDepths<false>();
    twinsGbrpDepths<true>();
}

} // namespace

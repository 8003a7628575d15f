// Fixed values of the per-pixel arithmetic: decorrelation, the four matrices both ways, luma-only
// greys, filler and alpha bytes. Each value is checked on the scalar path and inside a SIMD group
// (at a random lane among random neighbours), for several byte orders.

#include "codec/imgproc/kernels/DecorrKernels.h"

#include "common/test_random.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Px = std::array<int, 4>; // bytes of one packed pixel, or samples of planes 0..3

template <int NP, class D>
void split_kernel(const uint8_t* src, uint8_t* const* p)
{
    if constexpr (D::kBytes == 4)
        decorrsplit32_sse<NP, D>(src, 64, p[0], p[1], p[2], p[3]);
    else
        decorrsplit24_sse<NP, D>(src, 48, p[0], p[1], p[2]);
}

template <int NP, class D>
void join_kernel(uint8_t* dst, const uint8_t* const* p)
{
    if constexpr (D::kBytes == 4)
        undecorrjoin32_sse<NP, D>(dst, 64, p[0], p[1], p[2], p[3]);
    else
        undecorrjoin24_sse<NP, D>(dst, 48, p[0], p[1], p[2]);
}

// Planes 0..NP-1 of one packed pixel; the SIMD result must equal the scalar one.
template <int NP, class D>
Px split_one(const Px& px)
{
    alignas(16) uint8_t src[64];
    alignas(16) uint8_t planes[4][16] = {};
    qtest::fill_random(src, sizeof src);
    const int lane = qtest::rand_int(0, 15);
    for (int i = 0; i < D::kBytes; ++i) src[lane * D::kBytes + i] = static_cast<uint8_t>(px[i]);
    uint8_t* p[4] = {planes[0], NP >= 3 ? planes[1] : nullptr, NP >= 3 ? planes[2] : nullptr,
                     NP == 4 ? planes[3] : nullptr};
    split_kernel<NP, D>(src, p);
    uint8_t ref[4] = {};
    decorrsplit_scalar<NP, D>(src + lane * D::kBytes, 1, &ref[0], &ref[1], &ref[2], &ref[3]);
    Px out{};
    for (int k = 0; k < NP; ++k) {
        EXPECT_EQ(ref[k], planes[k][lane]) << "plane " << k << " lane " << lane;
        out[k] = ref[k];
    }
    return out;
}

// Packed bytes of one pixel joined from plane samples s[0..NP-1].
template <int NP, class D>
Px join_one(const Px& s)
{
    alignas(16) uint8_t planes[4][16];
    alignas(16) uint8_t dst[64];
    qtest::fill_random(&planes[0][0], sizeof planes);
    const int lane = qtest::rand_int(0, 15);
    for (int k = 0; k < NP; ++k) planes[k][lane] = static_cast<uint8_t>(s[k]);
    const uint8_t* p[4] = {planes[0], NP >= 3 ? planes[1] : nullptr, NP >= 3 ? planes[2] : nullptr,
                           NP == 4 ? planes[3] : nullptr};
    join_kernel<NP, D>(dst, p);
    uint8_t ref[4] = {};
    undecorrjoin_scalar<NP, D>(ref, 1, &planes[0][lane], p[1] ? &planes[1][lane] : nullptr,
                               p[2] ? &planes[2][lane] : nullptr, p[3] ? &planes[3][lane] : nullptr);
    Px out{};
    for (int i = 0; i < D::kBytes; ++i) {
        EXPECT_EQ(ref[i], dst[lane * D::kBytes + i]) << "byte " << i << " lane " << lane;
        out[i] = ref[i];
    }
    return out;
}

// Components (C0, C1, C2, C3) placed at the descriptor's byte positions, and back.
template <class D>
Px place(const Px& c)
{
    Px px{};
    for (int k = 0; k < D::kBytes; ++k) px[D::kPos[k]] = c[k];
    if (D::kBytes == 4) px[D::kPos[3]] = c[3];
    return px;
}
template <class D>
Px components(const Px& px)
{
    Px c{};
    for (int k = 0; k < 4; ++k)
        if (D::kPos[k] < static_cast<unsigned>(D::kBytes)) c[k] = px[D::kPos[k]];
    return c;
}

using RGBA = Decorr4<0u, 1u, 2u, 3u, DecorrAlgoRGB>;
using ARGB = Decorr4<1u, 2u, 3u, 0u, DecorrAlgoRGB>;
using BGRA = Decorr4<2u, 1u, 0u, 3u, DecorrAlgoRGB>;
using ABGR = Decorr4<3u, 2u, 1u, 0u, DecorrAlgoRGB>;
using RGB24 = Decorr3<0u, 1u, 2u, DecorrAlgoRGB>;
using BGR24 = Decorr3<2u, 1u, 0u, DecorrAlgoRGB>;

template <class D>
void check_rgb_decorr(const Px& rgb, const Px& planes)
{
    const Px px = place<D>({rgb[0], rgb[1], rgb[2], 77});
    constexpr int np = D::kBytes == 4 ? 4 : 3;
    const Px s = split_one<np, D>(px);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(planes[k], s[k]) << "plane " << k;
    if (np == 4) {
        EXPECT_EQ(77, s[3]);
    }
    EXPECT_EQ(px, (join_one<np, D>(s)));
    // Three planes: the filler byte is ignored on the way in and comes back as 255.
    if constexpr (D::kBytes == 4) {
        Px other = px;
        other[D::kPos[3]] = 0;
        EXPECT_EQ((split_one<3, D>(px)), (split_one<3, D>(other)));
        Px want = px;
        want[D::kPos[3]] = 255;
        EXPECT_EQ(want, (join_one<3, D>(s)));
    }
}

TEST(DecorrPins, RgbDecorrelation)
{
    const struct {
        Px rgb, planes;
    } cases[] = {
        {{10, 20, 5}, {241, 20, 246}},   {{10, 250, 5}, {11, 250, 16}}, {{0, 255, 0}, {1, 255, 1}},
        {{0, 0, 0}, {0, 0, 0}},          {{200, 200, 200}, {0, 200, 0}}, {{255, 0, 255}, {255, 0, 255}},
        {{0x10, 0xF0, 0x00}, {0x10, 0xF0, 0x20}},
    };
    for (const auto& c : cases) {
        check_rgb_decorr<RGBA>(c.rgb, c.planes);
        check_rgb_decorr<ARGB>(c.rgb, c.planes);
        check_rgb_decorr<BGRA>(c.rgb, c.planes);
        check_rgb_decorr<ABGR>(c.rgb, c.planes);
        check_rgb_decorr<RGB24>(c.rgb, c.planes);
        check_rgb_decorr<BGR24>(c.rgb, c.planes);
    }
    // The same colour in RGB and BGR byte order gives the same planes.
    EXPECT_EQ((split_one<3, RGB24>({10, 20, 5})), (split_one<3, BGR24>({5, 20, 10})));
    // Joined 3-byte output: positions 0,1,2 and the byte-swapped 2,1,0.
    EXPECT_EQ((Px{0x10, 0xF0, 0x00, 0}), (join_one<3, RGB24>({0x10, 0xF0, 0x20})));
    EXPECT_EQ((Px{0x00, 0xF0, 0x10, 0}), (join_one<3, BGR24>({0x10, 0xF0, 0x20})));
}

TEST(DecorrPins, PackedYuvLayouts)
{
    using AYUV = Decorr4<1u, 2u, 3u, 0u, DecorrAlgoYUV>;
    using VUYX = Decorr4<2u, 1u, 0u, 3u, DecorrAlgoYUV>;
    using V408 = Decorr4<1u, 0u, 2u, 3u, DecorrAlgoYUV>;
    using V308 = Decorr3<1u, 2u, 0u, DecorrAlgoYUV>;
    // AYUV bytes A Y U V.
    EXPECT_EQ((Px{50, 60, 70, 40}), (split_one<4, AYUV>({40, 50, 60, 70})));
    EXPECT_EQ((Px{40, 50, 60, 70}), (join_one<4, AYUV>({50, 60, 70, 40})));
    // VUYX bytes V U Y X: three planes ignore X and join 255; luma only joins Y, 128, 128, 255.
    EXPECT_EQ((Px{30, 20, 10, 0}), (split_one<3, VUYX>({10, 20, 30, 99})));
    EXPECT_EQ((Px{10, 20, 30, 255}), (join_one<3, VUYX>({30, 20, 10})));
    EXPECT_EQ((Px{30, 0, 0, 0}), (split_one<1, VUYX>({10, 20, 30, 99})));
    EXPECT_EQ((Px{128, 128, 30, 255}), (join_one<1, VUYX>({30})));
    // V408 bytes U Y V A.
    EXPECT_EQ((Px{2, 1, 3, 4}), (split_one<4, V408>({1, 2, 3, 4})));
    EXPECT_EQ((Px{128, 9, 128, 255}), (join_one<1, V408>({9})));
    // V308 bytes V Y U: Y to plane 0, U to 1, V to 2; luma only joins (128, Y, 128).
    EXPECT_EQ((Px{20, 30, 10, 0}), (split_one<3, V308>({10, 20, 30})));
    EXPECT_EQ((Px{10, 20, 30, 0}), (join_one<3, V308>({20, 30, 10})));
    EXPECT_EQ((Px{20, 0, 0, 0}), (split_one<1, V308>({10, 20, 30})));
    EXPECT_EQ((Px{128, 77, 128, 0}), (join_one<1, V308>({77})));
}

// --- RGB <-> YUV ---------------------------------------------------------------------------------

struct Corner {
    Px rgb, yuv;
};

// The forward matrix of tag M through every plane count and several byte orders.
template <class M>
void check_forward(const Corner& c)
{
    using A = DecorrAlgoRGBToYUV<M>;
    const Px rgba{c.rgb[0], c.rgb[1], c.rgb[2], 77};
    auto expect = [&](const Px& got, int np) {
        for (int k = 0; k < np && k < 3; ++k) EXPECT_EQ(c.yuv[k], got[k]) << "plane " << k;
    };
    expect(split_one<4, Decorr4<0u, 1u, 2u, 3u, A>>(place<Decorr4<0u, 1u, 2u, 3u, A>>(rgba)), 3);
    EXPECT_EQ(77, (split_one<4, Decorr4<3u, 2u, 1u, 0u, A>>(place<Decorr4<3u, 2u, 1u, 0u, A>>(rgba)))[3]);
    expect(split_one<3, Decorr4<1u, 2u, 3u, 0u, A>>(place<Decorr4<1u, 2u, 3u, 0u, A>>(rgba)), 3);
    expect(split_one<1, Decorr4<2u, 1u, 0u, 3u, A>>(place<Decorr4<2u, 1u, 0u, 3u, A>>(rgba)), 1);
    expect(split_one<3, Decorr3<0u, 1u, 2u, A>>(place<Decorr3<0u, 1u, 2u, A>>(rgba)), 3);
    expect(split_one<3, Decorr3<2u, 1u, 0u, A>>(place<Decorr3<2u, 1u, 0u, A>>(rgba)), 3);
    expect(split_one<1, Decorr3<2u, 1u, 0u, A>>(place<Decorr3<2u, 1u, 0u, A>>(rgba)), 1);
}

template <class M>
void check_inverse(const Corner& c)
{
    using A = DecorrAlgoRGBToYUV<M>;
    const Px s{c.yuv[0], c.yuv[1], c.yuv[2], 77};
    auto rgb_of = [](const Px& c4) { return Px{c4[0], c4[1], c4[2], 0}; };
    EXPECT_EQ(c.rgb, rgb_of(components<Decorr4<2u, 1u, 0u, 3u, A>>(join_one<4, Decorr4<2u, 1u, 0u, 3u, A>>(s))));
    EXPECT_EQ(77, (components<Decorr4<2u, 1u, 0u, 3u, A>>(join_one<4, Decorr4<2u, 1u, 0u, 3u, A>>(s)))[3]);
    const Px c3 = components<Decorr4<1u, 2u, 3u, 0u, A>>(join_one<3, Decorr4<1u, 2u, 3u, 0u, A>>(s));
    EXPECT_EQ(c.rgb, rgb_of(c3));
    EXPECT_EQ(255, c3[3]);
    EXPECT_EQ(c.rgb, rgb_of(components<Decorr3<0u, 1u, 2u, A>>(join_one<3, Decorr3<0u, 1u, 2u, A>>(s))));
    EXPECT_EQ(c.rgb, rgb_of(components<Decorr3<2u, 1u, 0u, A>>(join_one<3, Decorr3<2u, 1u, 0u, A>>(s))));
}

TEST(Rgb2YuvPins, CornerColoursForward)
{
    // black, white, red, green, blue per matrix
    const Px rgbs[5] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Px yuv601L[5] = {{16, 128, 128}, {235, 128, 128}, {81, 90, 240}, {145, 54, 34}, {41, 240, 110}};
    const Px yuv601F[5] = {{0, 128, 128}, {255, 128, 128}, {76, 85, 255}, {150, 44, 22}, {29, 255, 107}};
    const Px yuv709L[5] = {{16, 128, 128}, {235, 128, 128}, {63, 102, 240}, {173, 42, 26}, {32, 240, 118}};
    const Px yuv709F[5] = {{0, 128, 128}, {255, 128, 128}, {54, 99, 255}, {182, 30, 13}, {18, 255, 116}};
    for (int i = 0; i < 5; ++i) {
        check_forward<Rec601_Limited>({rgbs[i], yuv601L[i]});
        check_forward<Rec601_Full>({rgbs[i], yuv601F[i]});
        check_forward<Rec709_Limited>({rgbs[i], yuv709L[i]});
        check_forward<Rec709_Full>({rgbs[i], yuv709F[i]});
    }
    // Grey keeps U = V = 128 under every tag; full range keeps Y = v.
    for (int v = 0; v < 256; v += 17) {
        check_forward<Rec601_Full>({{v, v, v}, {v, 128, 128}});
        check_forward<Rec709_Full>({{v, v, v}, {v, 128, 128}});
    }
    check_forward<Rec601_Limited>({{128, 128, 128}, {126, 128, 128}});
    check_forward<Rec709_Limited>({{128, 128, 128}, {126, 128, 128}});
    // The chroma shift floors: truncation would give U 91 for red and 55 for green.
    EXPECT_EQ(90, colormatrix::rgb_to_u<Rec601_Limited>(255, 0, 0));
    EXPECT_EQ(54, colormatrix::rgb_to_u<Rec601_Limited>(0, 255, 0));
}

TEST(Rgb2YuvPins, Inverse)
{
    const Corner c601L[] = {
        {{0, 0, 0}, {16, 128, 128}},     {{255, 255, 255}, {235, 128, 128}}, {{130, 130, 130}, {128, 128, 128}},
        {{1, 1, 1}, {17, 128, 128}},     {{254, 0, 0}, {81, 90, 240}},       {{0, 255, 1}, {145, 54, 34}},
        {{0, 0, 255}, {41, 240, 110}},   {{255, 77, 0}, {128, 0, 255}},      {{0, 185, 255}, {128, 255, 0}},
        {{255, 255, 255}, {255, 128, 128}}, {{0, 0, 0}, {0, 128, 128}},      {{0, 136, 0}, {0, 0, 0}},
        {{255, 125, 255}, {255, 255, 255}}, {{179, 0, 0}, {16, 128, 240}},
    };
    const Corner c601F[] = {
        {{255, 0, 0}, {76, 85, 255}}, {{1, 255, 1}, {150, 44, 22}}, {{0, 0, 255}, {29, 255, 107}},
        {{0, 136, 0}, {0, 0, 0}},     {{255, 120, 255}, {255, 255, 255}},
    };
    const Corner c709L[] = {
        {{255, 1, 0}, {63, 102, 240}}, {{0, 255, 1}, {173, 42, 26}}, {{1, 0, 255}, {32, 240, 118}},
        {{0, 77, 0}, {0, 0, 0}},       {{201, 0, 0}, {16, 128, 240}},
    };
    const Corner c709F[] = {
        {{255, 0, 0}, {54, 99, 255}}, {{0, 254, 0}, {182, 30, 13}}, {{0, 0, 255}, {18, 255, 116}},
        {{0, 84, 0}, {0, 0, 0}},
    };
    for (const auto& c : c601L) check_inverse<Rec601_Limited>(c);
    for (const auto& c : c601F) check_inverse<Rec601_Full>(c);
    for (const auto& c : c709L) check_inverse<Rec709_Limited>(c);
    for (const auto& c : c709F) check_inverse<Rec709_Full>(c);
    // Full range with neutral chroma returns R = G = B = Y.
    for (int y = 0; y < 256; ++y) {
        check_inverse<Rec601_Full>({{y, y, y}, {y, 128, 128}});
        check_inverse<Rec709_Full>({{y, y, y}, {y, 128, 128}});
    }
}

template <class M, class D>
int luma_only_grey(int y)
{
    const Px c = components<D>(join_one<1, D>({y}));
    EXPECT_EQ(c[0], c[1]);
    EXPECT_EQ(c[0], c[2]);
    if (D::kBytes == 4) {
        EXPECT_EQ(255, c[3]);
    }
    return c[0];
}

TEST(Rgb2YuvPins, LumaOnlyGrey)
{
    using L601 = DecorrAlgoRGBToYUV<Rec601_Limited>;
    using L709 = DecorrAlgoRGBToYUV<Rec709_Limited>;
    using F601 = DecorrAlgoRGBToYUV<Rec601_Full>;
    const struct {
        int y, grey;
    } limited[] = {{0, 0}, {16, 0}, {17, 1}, {126, 128}, {128, 130}, {234, 254}, {235, 255}, {255, 255}};
    for (const auto& c : limited) {
        EXPECT_EQ(c.grey, (luma_only_grey<Rec601_Limited, Decorr4<1u, 2u, 3u, 0u, L601>>(c.y)));
        EXPECT_EQ(c.grey, (luma_only_grey<Rec709_Limited, Decorr4<0u, 1u, 2u, 3u, L709>>(c.y)));
        EXPECT_EQ(c.grey, (luma_only_grey<Rec601_Limited, Decorr3<2u, 1u, 0u, L601>>(c.y)));
    }
    // In the order 1, 2, 3, 0 byte 0 is the filler: 255, then the grey.
    EXPECT_EQ((Px{255, 128, 128, 128}), (join_one<1, Decorr4<1u, 2u, 3u, 0u, L601>>({126})));
    for (int y = 0; y < 256; ++y) {
        // A luma-only join equals the three-plane join with neutral chroma.
        const Px grey = join_one<1, Decorr4<0u, 1u, 2u, 3u, L601>>({y});
        const Px full = join_one<3, Decorr4<0u, 1u, 2u, 3u, L601>>({y, 128, 128});
        EXPECT_EQ(grey, full);
        EXPECT_EQ(y, (luma_only_grey<Rec601_Full, Decorr3<0u, 1u, 2u, F601>>(y)));
    }
}

TEST(Rgb2YuvPins, AlphaAndFillerNeverMixIn)
{
    using A = DecorrAlgoRGBToYUV<Rec709_Limited>;
    using D4 = Decorr4<2u, 1u, 0u, 3u, A>;
    for (int i = 0; i < 200; ++i) {
        const int r = qtest::rand_int(0, 255), g = qtest::rand_int(0, 255), b = qtest::rand_int(0, 255);
        const int alpha = qtest::rand_int(0, 255);
        const Px withAlpha = split_one<4, D4>(place<D4>({r, g, b, alpha}));
        const Px noAlpha = split_one<4, D4>(place<D4>({r, g, b, 255 - alpha}));
        EXPECT_EQ(alpha, withAlpha[3]);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(withAlpha[k], noAlpha[k]);
        const Px c = components<D4>(join_one<4, D4>(withAlpha));
        EXPECT_EQ(alpha, c[3]);
    }
}

} // namespace

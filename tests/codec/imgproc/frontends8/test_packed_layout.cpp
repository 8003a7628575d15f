// Split layouts of the packed frontends: the fixed example values, the log-and-leave case of a
// pitch that is not a multiple of 4, and over random shapes the properties the row loops rely on
// (strides, the stagger past 1024-byte boundaries, shared alignment of plane and caller rows,
// planes inside the engine's work buffer and apart from each other).

#include "codec/imgproc/frontends8/TImgProcFrontend24.h"
#include "codec/imgproc/frontends8/TImgProcFrontend32.h"
#include "codec/imgproc/frontends8/TImgProcFrontend_YUY2_UYVY.h"

#include "common/test_random.h"

#include <gtest/gtest.h>

namespace {

using Bgra = TImgProcFrontend32<4, Decorr4<2u, 1u, 0u, 3u, DecorrAlgoRGB>>;
using Xrgb601 = TImgProcFrontend32<1, Decorr4<1u, 2u, 3u, 0u, DecorrAlgoRGBToYUV<Rec601_Limited>>>;
using Rgb24 = TImgProcFrontend24<3, Decorr3<0u, 1u, 2u, DecorrAlgoRGB>>;
using Bgr24Luma = TImgProcFrontend24<1, Decorr3<2u, 1u, 0u, DecorrAlgoRGBToYUV<Rec709_Full>>>;
using Yuy2 = TImgProcFrontend_YUY2_UYVY<false, false>;

// Addresses only: the layouts never touch the buffers.
uint8_t* at(uintptr_t a) { return reinterpret_cast<uint8_t*>(a); }
constexpr uintptr_t kBase = uintptr_t(1) << 32; // 1024-aligned

ImgFrame layout(const ImgProcFrontend& fe, uintptr_t caller, int pitch, int w, int h, uintptr_t work, bool flip)
{
    ImgFrame src{}, dst{};
    src[0] = {at(caller), pitch};
    fe.calc_split_params(src, w, h, at(work), dst, flip, true);
    return dst;
}

int stride32(int w, int pitch, bool flip) { return layout(Bgra(), kBase, pitch, w, 8, kBase, flip)[0].stride; }
int stride24(int w, int pitch, bool flip) { return layout(Rgb24(), kBase, pitch, w, 8, kBase, flip)[0].stride; }

TEST(PackedLayout, Examples32)
{
    EXPECT_EQ(104, stride32(100, 416, false));
    EXPECT_EQ(104, stride32(100, 416, true));
    EXPECT_EQ(3, stride32(3, 12, false));
    EXPECT_EQ(13, stride32(3, 12, true));
    EXPECT_EQ(1920, stride32(1918, 7680, false));
    EXPECT_EQ(101, stride32(100, 404, false));
    EXPECT_EQ(107, stride32(100, 404, true));

    // All four slots, whatever N; plane k at 256 k past a 1024 boundary, less the head offset
    // of the caller's row 0 (pixels to its 16-byte boundary), or of its last row when flipped.
    for (bool flip : {false, true}) {
        const uintptr_t caller = kBase + 8; // a = 2 pixels without flip
        const int h = 10, pitch = 420;      // last row at +8 + 9 * 420 = 3788 = 12 mod 16: a = 1
        const ImgFrame d = layout(Xrgb601(), caller, pitch, 100, h, kBase + 48, flip);
        const uintptr_t a = flip ? 1 : 2;
        for (int k = 0; k < 4; ++k) {
            ASSERT_NE(nullptr, d[k].ptr);
            EXPECT_EQ((1024 + 256u * k - a) % 1024, reinterpret_cast<uintptr_t>(d[k].ptr) % 1024) << k;
            EXPECT_EQ(d[0].stride, d[k].stride);
        }
    }
}

TEST(PackedLayout, Examples24)
{
    EXPECT_EQ(100, stride24(100, 300, false));
    EXPECT_EQ(112, stride24(101, 304, false));
    EXPECT_EQ(32, stride24(10, 1024, false));
    EXPECT_EQ(108, stride24(100, 300, true));  // 100 -> 108
    EXPECT_EQ(112, stride24(101, 304, true));  // a multiple of 8 stays

    // Head offset h0: p + 3 h0 = 0 mod 16.
    const struct {
        uintptr_t residue, h0;
    } heads[] = {{0, 0}, {4, 4}, {1, 5}, {8, 8}, {12, 12}};
    for (const auto& c : heads) {
        const ImgFrame d = layout(Bgr24Luma(), kBase + 64 + c.residue, 304, 101, 7, kBase, false);
        EXPECT_EQ((1024 - c.h0) % 1024, reinterpret_cast<uintptr_t>(d[0].ptr) % 1024) << c.residue;
        EXPECT_EQ((1024 + 256 - c.h0) % 1024, reinterpret_cast<uintptr_t>(d[1].ptr) % 1024);
        EXPECT_EQ((1024 + 512 - c.h0) % 1024, reinterpret_cast<uintptr_t>(d[2].ptr) % 1024);
        // Luma only still fills slots 0..2; slot 3 stays empty.
        EXPECT_NE(nullptr, d[2].ptr);
        EXPECT_EQ(nullptr, d[3].ptr);
        EXPECT_EQ(0, d[3].stride);
    }
    // 1024-aligned work buffer and h0 = 0: the planes start on it, 256 and 512 past boundaries.
    const ImgFrame d = layout(Rgb24(), kBase, 300, 100, 10, kBase, false);
    EXPECT_EQ(kBase, reinterpret_cast<uintptr_t>(d[0].ptr));
    EXPECT_EQ(256u, reinterpret_cast<uintptr_t>(d[1].ptr) % 1024);
    EXPECT_EQ(512u, reinterpret_cast<uintptr_t>(d[2].ptr) % 1024);
}

TEST(PackedLayout, PitchNotMultipleOfFourLeavesLayoutEmpty)
{
    const ImgFrame d32 = layout(Bgra(), kBase, 4 * 100 + 2, 100, 4, kBase, false);
    const ImgFrame d24 = layout(Rgb24(), kBase, 15, 5, 4, kBase, false);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(nullptr, d32[k].ptr);
        EXPECT_EQ(0, d32[k].stride);
        EXPECT_EQ(nullptr, d24[k].ptr);
        EXPECT_EQ(0, d24[k].stride);
    }
}

TEST(PackedLayout, Example422)
{
    const ImgFrame d = layout(Yuy2(), kBase + 8, 256, 100, 10, kBase, false);
    EXPECT_EQ(128, d[0].stride);
    EXPECT_EQ(64, d[1].stride);
    EXPECT_EQ(64, d[2].stride);
    EXPECT_EQ(1024u - 28, reinterpret_cast<uintptr_t>(d[0].ptr) % 1024);
    EXPECT_EQ(256u - 14, reinterpret_cast<uintptr_t>(d[1].ptr) % 1024);
    EXPECT_EQ(512u - 14, reinterpret_cast<uintptr_t>(d[2].ptr) % 1024);
    EXPECT_EQ(nullptr, d[3].ptr);
    for (bool flip : {false, true}) // never flips
        EXPECT_EQ(d[0].ptr, layout(Yuy2(), kBase + 8, 256, 100, 10, kBase, flip)[0].ptr);
}

// Over random shapes: the relation that makes one head per row align both sides, for every row
// pair a block walk joins, and the planes within the engine's buffer without overlap.
template <class FE>
void layout_properties(int bytes, int n)
{
    const FE fe;
    for (int iter = 0; iter < 3000; ++iter) {
        const int w = qtest::rand_int(1, 2000), h = qtest::rand_int(1, 300);
        const int pitch = ((bytes * w + 3) & ~3) + 4 * qtest::rand_int(0, 40);
        const uintptr_t caller = kBase + 4 * qtest::rand_int(0, 1000);
        const uintptr_t work = kBase + 16 * qtest::rand_int(0, 1000);
        const bool flip = qtest::rand_int(0, 1) == 1;
        const ImgFrame d = layout(fe, caller, pitch, w, h, work, flip);
        const int S = d[0].stride;
        ASSERT_GE(S, w);
        ASSERT_LE(S, w + (bytes == 4 ? 15 : 26) + (flip ? 14 : 0));
        // Caller row i pairs with plane row i, or h - 1 - i when flipped.
        for (int i : {0, 1, h / 2, h - 1}) {
            const uintptr_t callerRow = caller + static_cast<uintptr_t>(i) * pitch;
            const int pr = flip ? h - 1 - i : i;
            for (int k = 0; k < n; ++k) {
                const uintptr_t planeRow = reinterpret_cast<uintptr_t>(d[k].ptr) + static_cast<uintptr_t>(pr) * S;
                ASSERT_EQ(callerRow % 16, (bytes * planeRow) % 16) << "w " << w << " h " << h << " k " << k;
            }
        }
        const uintptr_t end = work + static_cast<uintptr_t>(w + 128) * h * n + 8192;
        for (int k = 0; k < n; ++k) {
            const uintptr_t b = reinterpret_cast<uintptr_t>(d[k].ptr);
            ASSERT_GE(b, work);
            ASSERT_LE(b + static_cast<uintptr_t>(h) * S, end);
            if (k > 0) {
                ASSERT_GE(b, reinterpret_cast<uintptr_t>(d[k - 1].ptr) + static_cast<uintptr_t>(h) * S);
            }
        }
    }
}

TEST(PackedLayout, RandomShapes)
{
    layout_properties<Bgra>(4, 4);
    layout_properties<TImgProcFrontend32<3, Decorr4<0u, 1u, 2u, 3u, DecorrAlgoRGB>>>(4, 3);
    layout_properties<Xrgb601>(4, 1);
    layout_properties<Rgb24>(3, 3);
    layout_properties<Bgr24Luma>(3, 1);
}

} // namespace

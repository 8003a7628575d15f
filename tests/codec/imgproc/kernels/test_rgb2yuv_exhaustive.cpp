// All 2^24 inputs of each matrix, both ways: the 4-byte and 3-byte kernels and the scalar code
// against a 64-bit reference with explicit floor division, the value ranges, and the round-trip
// error bounds of the matrices (RGB -> YUV -> RGB within 2, within 1 under Rec601_Full; YUV that
// came from RGB re-encodes within 1).

#include "codec/imgproc/kernels/DecorrKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <memory>

namespace {

// Sanitizer builds walk every fifth slice of the cube to stay fast.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSliceStep = 5;
#else
constexpr int kSliceStep = 1;
#endif

int64_t floor_div(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int ref_row(const int (&k)[3], int offset, int r, int g, int b)
{
    const int64_t v = floor_div(int64_t(k[0]) * r + int64_t(k[1]) * g + int64_t(k[2]) * b + 4096, 8192) + offset;
    return static_cast<int>(std::clamp<int64_t>(v, 0, 255));
}

int ref_inv(int64_t sum) { return static_cast<int>(std::clamp<int64_t>(floor_div(sum + 4096, 8192), 0, 255)); }

struct Aligned {
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> p;
    explicit Aligned(size_t n) : p(static_cast<uint8_t*>(std::aligned_alloc(64, n))) {}
    uint8_t* get() const { return p.get(); }
};

// One slice = 65536 inputs with a fixed first component.
constexpr int kSlice = 65536;

// The four matrices as published for the format, in 8192ths: Y offset; the Y, U and V rows
// (R, G, B); the inverse kY, kRV, kGU, kGV, kBU. Typed in here, not taken from the codec.
struct Matrix {
    int yOffset;
    int y[3], u[3], v[3];
    int kY, kRV, kGU, kGV, kBU;
};
constexpr Matrix kRec601Limited{16, {2104, 4130, 802}, {-1213, -2383, 3598}, {3598, -3012, -584},
                                9539, 13075, -3208, -6659, 16525};
constexpr Matrix kRec601Full{0, {2449, 4809, 934}, {-1376, -2702, 4080}, {4080, -3415, -662},
                             8192, 11530, -2829, -5872, 14573};
constexpr Matrix kRec709Limited{16, {1496, 5032, 508}, {-823, -2773, 3598}, {3598, -3267, -329},
                                9539, 14686, -1746, -4365, 17305};
constexpr Matrix kRec709Full{0, {1742, 5859, 591}, {-934, -3144, 4080}, {4080, -3705, -373},
                             8192, 12952, -1540, -3849, 15261};

template <class M>
void exhaustive(const Matrix& m)
{
    using A = DecorrAlgoRGBToYUV<M>;
    using D4 = Decorr4<0u, 1u, 2u, 3u, A>;
    using D3 = Decorr3<2u, 1u, 0u, A>;
    const bool limited = m.yOffset != 0;
    const int yLo = limited ? 16 : 0, yHi = limited ? 235 : 255;
    const int cLo = limited ? 16 : 1, cHi = limited ? 240 : 255;
    const int roundTrip = std::is_same_v<M, Rec601_Full> ? 1 : 2;

    Aligned px4(4 * kSlice), px3(3 * kSlice), y(kSlice), u(kSlice), v(kSlice), y3(kSlice), u3(kSlice), v3(kSlice);
    Aligned back(4 * kSlice), again(3 * kSlice);
    int worstRoundTrip = 0, worstReencode = 0;

    for (int r = 0; r < 256; r += kSliceStep) {
        for (int i = 0; i < kSlice; ++i) {
            const int g = i >> 8, b = i & 255;
            uint8_t* p = px4.get() + 4 * i;
            p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b), p[3] = uint8_t(i);
            uint8_t* q = px3.get() + 3 * i; // B, G, R
            q[0] = uint8_t(b), q[1] = uint8_t(g), q[2] = uint8_t(r);
        }
        decorrsplit32_sse<3, D4>(px4.get(), 4 * kSlice, y.get(), u.get(), v.get(), nullptr);
        decorrsplit24_sse<3, D3>(px3.get(), 3 * kSlice, y3.get(), u3.get(), v3.get());
        ASSERT_EQ(0, std::memcmp(y.get(), y3.get(), kSlice));
        ASSERT_EQ(0, std::memcmp(u.get(), u3.get(), kSlice));
        ASSERT_EQ(0, std::memcmp(v.get(), v3.get(), kSlice));
        for (int i = 0; i < kSlice; ++i) {
            const int g = i >> 8, b = i & 255;
            const int ry = ref_row(m.y, m.yOffset, r, g, b);
            const int ru = ref_row(m.u, 128, r, g, b);
            const int rv = ref_row(m.v, 128, r, g, b);
            if (y.get()[i] != ry || u.get()[i] != ru || v.get()[i] != rv)
                FAIL() << "forward " << r << "," << g << "," << b;
            if (ry < yLo || ry > yHi || ru < cLo || ru > cHi || rv < cLo || rv > cHi)
                FAIL() << "range " << r << "," << g << "," << b;
            uint8_t s[3];
            A::forward(r, g, b, s);
            if (s[0] != ry || s[1] != ru || s[2] != rv) FAIL() << "scalar forward " << r << "," << g << "," << b;
        }
        // RGB -> YUV -> RGB, and the decoded RGB encoded once more.
        undecorrjoin32_sse<3, D4>(back.get(), 4 * kSlice, y.get(), u.get(), v.get(), nullptr);
        for (int i = 0; i < kSlice; ++i) {
            const uint8_t* o = back.get() + 4 * i;
            const int g = i >> 8, b = i & 255;
            worstRoundTrip = std::max({worstRoundTrip, std::abs(o[0] - r), std::abs(o[1] - g), std::abs(o[2] - b)});
            uint8_t* q = again.get() + 3 * i;
            q[0] = o[2], q[1] = o[1], q[2] = o[0];
        }
        decorrsplit24_sse<3, D3>(again.get(), 3 * kSlice, y3.get(), u3.get(), v3.get());
        for (int i = 0; i < kSlice; ++i)
            worstReencode = std::max({worstReencode, std::abs(y3.get()[i] - y.get()[i]),
                                      std::abs(u3.get()[i] - u.get()[i]), std::abs(v3.get()[i] - v.get()[i])});
    }
    EXPECT_LE(worstRoundTrip, roundTrip);
    EXPECT_GE(worstRoundTrip, 1); // the matrices are not exact inverses
    EXPECT_LE(worstReencode, 1);

    // The inverse over every (Y, U, V): 4-byte and 3-byte kernels, scalar, 64-bit reference.
    for (int Y = 0; Y < 256; Y += kSliceStep) {
        for (int i = 0; i < kSlice; ++i) {
            y.get()[i] = uint8_t(Y);
            u.get()[i] = uint8_t(i >> 8);
            v.get()[i] = uint8_t(i & 255);
        }
        undecorrjoin32_sse<3, D4>(back.get(), 4 * kSlice, y.get(), u.get(), v.get(), nullptr);
        undecorrjoin24_sse<3, D3>(again.get(), 3 * kSlice, y.get(), u.get(), v.get());
        for (int i = 0; i < kSlice; ++i) {
            const int64_t yy = Y - m.yOffset, uu = (i >> 8) - 128, vv = (i & 255) - 128;
            const int R = ref_inv(m.kY * yy + m.kRV * vv);
            const int G = ref_inv(m.kY * yy + m.kGU * uu + m.kGV * vv);
            const int B = ref_inv(m.kY * yy + m.kBU * uu);
            const uint8_t* o = back.get() + 4 * i;
            const uint8_t* o3 = again.get() + 3 * i;
            if (o[0] != R || o[1] != G || o[2] != B || o[3] != 255) FAIL() << "inverse " << Y << "," << i;
            if (o3[2] != R || o3[1] != G || o3[0] != B) FAIL() << "inverse 24 " << Y << "," << i;
            uint8_t c[3];
            A::inverse(Y, i >> 8, i & 255, c);
            if (c[0] != R || c[1] != G || c[2] != B) FAIL() << "scalar inverse " << Y << "," << i;
        }
    }
}

TEST(Rgb2YuvExhaustive, Rec601Limited) { exhaustive<Rec601_Limited>(kRec601Limited); }
TEST(Rgb2YuvExhaustive, Rec601Full) { exhaustive<Rec601_Full>(kRec601Full); }
TEST(Rgb2YuvExhaustive, Rec709Limited) { exhaustive<Rec709_Limited>(kRec709Limited); }
TEST(Rgb2YuvExhaustive, Rec709Full) { exhaustive<Rec709_Full>(kRec709Full); }

} // namespace

// Float BGRA/BGRX: the scale constants, clamping of NaN, infinities and out-of-range values,
// truncation, the values that drop by one on a decode-encode cycle, and the X channel.

#include "codec/imgproc/frontends_hbd/TImgProcFrontendFloat4.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

namespace hbdtest {
namespace {

std::vector<uint8_t> floats(std::initializer_list<float> v)
{
    std::vector<uint8_t> out;
    for (float f : v) {
        const uint32_t u = std::bit_cast<uint32_t>(f);
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(u >> (8 * i)));
    }
    return out;
}

float float_at(const std::vector<uint8_t>& row, size_t i) { return std::bit_cast<float>(le32_at(row, i)); }

TEST(Float4, ScaleConstants)
{
    EXPECT_EQ(hbd::FloatScale<10>::dequantBits, 0x3A802008u);
    EXPECT_EQ(hbd::FloatScale<12>::dequantBits, 0x39800801u);
    EXPECT_EQ(hbd::FloatScale<14>::dequantBits, 0x38800200u);
    EXPECT_EQ(hbd::dequantise_float<10>(1023), 1.0f);
    EXPECT_EQ(hbd::dequantise_float<12>(4095), 1.0f);
    EXPECT_EQ(hbd::dequantise_float<14>(16383), 1.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(hbd::dequantise_float<10>(511)), 0x3EFFBFF0u);
}

// G carries the value under test; B = R = A = G so the differences are 0.
template <int C, int N>
uint16_t quantised(float x)
{
    TImgProcFrontendFloat4<C, N> fe;
    return split_rows(fe, 1, {floats({x, x, x, x})}).at(1, 0, 0);
}

TEST(Float4, ClampAndTruncate)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        float x;
        uint16_t q10, q14;
    };
    const Case cases[] = {{-0.5f, 0, 0},     {nan, 0, 0},        {-nan, 0, 0},         {-inf, 0, 0},
                          {-0.0f, 0, 0},     {1.5f, 1023, 16383}, {inf, 1023, 16383},  {1.0f, 1023, 16383},
                          {0.5f, 511, 8191}, {0.999f, 1021, 16366}, {1e-30f, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ((quantised<4, 10>(c.x)), c.q10) << c.x;
        EXPECT_EQ((quantised<3, 14>(c.x)), c.q14) << c.x;
    }
    // Alpha of a BGRA pixel takes the same rule; NaN alpha is 0, not opaque.
    TImgProcFrontendFloat4<4, 12> fe;
    const Canonical c = split_rows(fe, 2, {floats({0, 0, 0, nan, 0, 0, 0, 2.0f})});
    EXPECT_EQ(c.at(3, 0, 0), 0);
    EXPECT_EQ(c.at(3, 1, 0), 4095);
}

// Decompress every value, compress it again: which values come back one lower.
template <int N>
void check_drops(int expectCount, int expectSmallest)
{
    TImgProcFrontendFloat4<4, N> fe;
    const int w = 1 << N;
    Canonical c(fe, w, 1);
    for (int x = 0; x < w; ++x)
        for (int k = 0; k < 4; ++k) c.at(k, x, 0) = k == 1 || k == 3 ? uint16_t(x) : 0;
    CallerFrame f(fe, w, 1);
    SliceDriver drv(fe, w, 1);
    drv.join(f, c, false);
    const Canonical back = drv.split(f, false);
    int count = 0, smallest = -1;
    for (int x = 0; x < w; ++x) {
        const int q = back.at(1, x, 0);
        ASSERT_TRUE(q == x || q == x - 1) << x;
        ASSERT_EQ(back.at(3, x, 0), q);
        if (q != x) {
            ++count;
            if (smallest < 0) smallest = x;
        }
    }
    EXPECT_EQ(count, expectCount) << "bits " << N;
    EXPECT_EQ(smallest, expectSmallest) << "bits " << N;
}

TEST(Float4, DecodeEncodeDrops)
{
    check_drops<10>(24, 17);
    check_drops<12>(0, -1);
    check_drops<14>(1024, 1025);
}

TEST(Float4, DecorrelationWrapsAndXIsOne)
{
    TImgProcFrontendFloat4<3, 10> fe;
    const Canonical c = split_rows(fe, 1, {floats({0.0f, 1.0f, 0.25f, -7.0f})});
    EXPECT_EQ(c.at(0, 0, 0), 1); // (0 - 1023) & 0x3FF
    EXPECT_EQ(c.at(1, 0, 0), 1023);
    CallerFrame f(fe, 5, 1);
    Canonical five(fe, 5, 1);
    five.randomize(10);
    for (int k = 0; k < 3; ++k) five.at(k, 0, 0) = c.at(k, 0, 0);
    SliceDriver(fe, 5, 1).join(f, five, false);
    const auto row = get_row(f, 0, 0, 80);
    EXPECT_EQ(float_at(row, 0), 0.0f);
    EXPECT_EQ(float_at(row, 1), 1.0f);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(le32_at(row, 4 * x + 3), 0x3F800000u) << x;
}

} // namespace
} // namespace hbdtest

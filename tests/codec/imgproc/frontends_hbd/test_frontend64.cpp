// 64-bit RGB(A): the depth conversions of both ranges, the byte layouts of the three orders, the
// constant fourth field, host-range values above 32768, and switching ranges on one object.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend64.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

// One BGRA64 pixel with every channel x.
std::vector<uint8_t> grey_pixel(uint32_t x) { return le16({x, x, x, x}); }

template <int N>
void check_worked_values(std::initializer_list<uint32_t> fullSplit, std::initializer_list<uint32_t> fullJoin,
                         std::initializer_list<uint32_t> hostSplit, std::initializer_list<uint32_t> hostJoin)
{
    SCOPED_TRACE(testing::Message() << "bits " << N);
    TImgProcFrontend64<4, N, 3> fe;
    const auto split_g = [&](uint32_t x) { return split_rows(fe, 1, {grey_pixel(x)}).at(1, 0, 0); };
    const auto join_g = [&](uint32_t s) {
        Canonical c(fe, 1, 1);
        c.at(1, 0, 0) = uint16_t(s), c.at(3, 0, 0) = uint16_t(s); // B - G = R - G = 0
        CallerFrame f(fe, 1, 1);
        SliceDriver(fe, 1, 1).join(f, c, false);
        const auto px = get_row(f, 0, 0, 8);
        EXPECT_EQ(le16_at(px, 1), le16_at(px, 3)); // G and A take the same conversion
        return le16_at(px, 1);
    };
    const uint32_t M = (1u << N) - 1;
    const uint32_t fullIn[] = {0, 1, 1u << (16 - N), 65535}, fullJoinIn[] = {0, 1, M};
    const uint32_t hostIn[] = {0, 1, 1u << (15 - N), 16384, 32767, 32768}, hostJoinIn[] = {0, 1, M - 1, M};
    auto it = fullSplit.begin();
    for (uint32_t x : fullIn) EXPECT_EQ(split_g(x), *it++) << "full split " << x;
    it = fullJoin.begin();
    for (uint32_t s : fullJoinIn) EXPECT_EQ(join_g(s), *it++) << "full join " << s;
    fe.m_flags = 1;
    it = hostSplit.begin();
    for (uint32_t x : hostIn) EXPECT_EQ(split_g(x), *it++) << "host split " << x;
    it = hostJoin.begin();
    for (uint32_t s : hostJoinIn) EXPECT_EQ(join_g(s), *it++) << "host join " << s;
}

TEST(Frontend64, WorkedValues)
{
    check_worked_values<10>({0, 0, 1, 1023}, {0, 64, 65535}, {0, 0, 1, 512, 1023, 1023}, {0, 32, 32735, 32768});
    check_worked_values<12>({0, 0, 1, 4095}, {0, 16, 65535}, {0, 0, 1, 2048, 4095, 4095}, {0, 8, 32759, 32768});
    check_worked_values<14>({0, 0, 1, 16383}, {0, 4, 65535}, {0, 0, 1, 8192, 16383, 16383}, {0, 2, 32765, 32768});
}

// join then split is the identity for every sample value, in both ranges, through the SIMD rows.
template <int C, int N, int O>
void check_join_split_identity()
{
    TImgProcFrontend64<C, N, O> fe;
    const int w = 1 << N;
    for (int host = 0; host < 2; ++host) {
        fe.m_flags = host;
        Canonical c(fe, w, 1);
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < C; ++k) c.at(k, x, 0) = uint16_t((x + 97 * k) & (w - 1));
        CallerFrame f(fe, w, 1);
        SliceDriver drv(fe, w, 1);
        drv.join(f, c, false);
        EXPECT_TRUE(drv.split(f, false) == c) << "bits " << N << " order " << O << " host " << host;
    }
}

TEST(Frontend64, JoinThenSplitIsIdentityForEverySample)
{
    check_join_split_identity<4, 10, 1>();
    check_join_split_identity<4, 12, 2>();
    check_join_split_identity<4, 14, 3>();
    check_join_split_identity<3, 10, 3>();
    check_join_split_identity<3, 12, 1>();
    check_join_split_identity<3, 14, 2>();
}

TEST(Frontend64, B64AExample)
{
    TImgProcFrontend64<4, 10, 1> fe;
    const std::vector<uint8_t> px = {0x80, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40}; // A 32768, R 65535, G 0, B 64
    Canonical c = split_rows(fe, 1, {px});
    EXPECT_EQ(c.at(0, 0, 0), 1);
    EXPECT_EQ(c.at(1, 0, 0), 0);
    EXPECT_EQ(c.at(2, 0, 0), 1023);
    EXPECT_EQ(c.at(3, 0, 0), 512);
    CallerFrame f(fe, 1, 1);
    SliceDriver(fe, 1, 1).join(f, c, false);
    // A 32800, R 65535, G 0, B 64, big-endian fields.
    EXPECT_EQ(get_row(f, 0, 0, 8), (std::vector<uint8_t>{0x80, 0x20, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40}));
}

TEST(Frontend64, ChannelPositionsAndWrap)
{
    const auto red = le16({65535, 0, 0, 0}); // R first in RGBA64, B first in BGRA64
    TImgProcFrontend64<4, 10, 2> rgba;
    TImgProcFrontend64<4, 10, 3> bgra;
    const Canonical a = split_rows(rgba, 1, {red}), b = split_rows(bgra, 1, {red});
    EXPECT_EQ(a.at(2, 0, 0), 1023);
    EXPECT_EQ(a.at(0, 0, 0), 0);
    EXPECT_EQ(b.at(0, 0, 0), 1023);
    EXPECT_EQ(b.at(2, 0, 0), 0);

    // B' = 0, G' = 1023 wraps to plane 0 = 1 and comes back as B = 0.
    const Canonical w = split_rows(bgra, 1, {le16({0, 65535, 0, 0})});
    EXPECT_EQ(w.at(0, 0, 0), 1);
    CallerFrame f(bgra, 1, 1);
    SliceDriver(bgra, 1, 1).join(f, w, false);
    EXPECT_EQ(le16_at(get_row(f, 0, 0, 8), 0), 0);
}

TEST(Frontend64, HostRangeHalfAndTop)
{
    TImgProcFrontend64<4, 10, 3> fe;
    fe.m_flags = 1;
    const Canonical c = split_rows(fe, 2, {le16({16384, 16384, 16384, 16384, 32767, 32767, 32767, 32768})});
    EXPECT_EQ(c.at(1, 0, 0), 512);
    EXPECT_EQ(c.at(1, 1, 0), 1023);
    EXPECT_EQ(c.at(3, 1, 0), 1023);
    CallerFrame f(fe, 2, 1);
    SliceDriver(fe, 2, 1).join(f, c, false);
    const auto px = get_row(f, 0, 0, 16);
    EXPECT_EQ(le16_at(px, 1), 16400);
    EXPECT_EQ(le16_at(px, 5), 32768);
    EXPECT_EQ(split_rows(fe, 1, {le16({16400, 16400, 16400, 16400})}).at(1, 0, 0), 512);
}

// Host effects can render super-white; such samples are clamped to 32768 and never leave the
// coded range (an out-of-range sample would index the coder's tables out of bounds).
TEST(Frontend64, HostRangeAbove32768IsClamped)
{
    TImgProcFrontend64<4, 10, 3> fe;
    fe.m_flags = 1;
    const Canonical c = split_rows(fe, 3, {le16({65535, 65535, 65535, 65535, 40000, 32769, 0, 65535, 0, 65535, 0, 32769})});
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(c.at(3, x, 0), 1023) << x;
    }
    EXPECT_EQ(c.at(1, 0, 0), 1023);
    EXPECT_EQ(c.at(0, 1, 0), 0); // B 40000 and G 32769 both clamp to the top
    EXPECT_EQ(c.at(1, 2, 0), 1023);
    EXPECT_EQ(c.at(0, 2, 0), 1);  // (0 - 1023) mod 1024

    // Any 16-bit input stays in range, in both ranges and at every depth.
    const auto sweep = [](ImgProcFrontend& f, int bits) {
        for (int host = 0; host < 2; ++host) {
            f.m_flags = host;
            std::vector<uint8_t> row(8 * 64);
            qtest::fill_random(row.data(), row.size());
            const Canonical s = split_rows(f, 64, {row});
            for (const auto& p : s.samples)
                for (uint16_t v : p) ASSERT_LT(v, 1u << bits);
        }
    };
    TImgProcFrontend64<4, 10, 1> a;
    TImgProcFrontend64<3, 12, 2> b;
    TImgProcFrontend64<4, 14, 3> d;
    sweep(a, 10), sweep(b, 12), sweep(d, 14);
}

TEST(Frontend64, FourthFieldOfThreeChannelLayouts)
{
    // Bytes of the fourth field (at byte offset `at` of each pixel), the same in every pixel.
    const auto fourth = [](ImgProcFrontend& fe, int host, int at) {
        fe.m_flags = host;
        Canonical c(fe, 9, 1);
        c.randomize(10);
        CallerFrame f(fe, 9, 1);
        SliceDriver(fe, 9, 1).join(f, c, false);
        const auto row = get_row(f, 0, 0, 72);
        for (int x = 1; x < 9; ++x) {
            EXPECT_EQ(row[8 * x + at], row[at]);
            EXPECT_EQ(row[8 * x + at + 1], row[at + 1]);
        }
        return std::vector<uint8_t>{row[at], row[at + 1]};
    };
    TImgProcFrontend64<3, 10, 1> b64x;
    TImgProcFrontend64<3, 12, 2> rgbx;
    TImgProcFrontend64<3, 14, 3> bgrx;
    EXPECT_EQ(fourth(b64x, 0, 0), (std::vector<uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(fourth(b64x, 1, 0), (std::vector<uint8_t>{0x80, 0x00}));
    EXPECT_EQ(fourth(rgbx, 0, 6), (std::vector<uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(fourth(rgbx, 1, 6), (std::vector<uint8_t>{0x00, 0x80}));
    EXPECT_EQ(fourth(bgrx, 1, 6), (std::vector<uint8_t>{0x00, 0x80}));

    // The split ignores the fourth field.
    EXPECT_TRUE(split_rows(bgrx, 1, {le16({100, 200, 300, 0})}) == split_rows(bgrx, 1, {le16({100, 200, 300, 54321})}));
}

// One object, successive ranges: the flag is read on every call, not latched.
TEST(Frontend64, RangeFollowsTheFlagsOnEveryCall)
{
    TImgProcFrontend64<3, 10, 3> fe;
    const auto px = le16({32768, 32768, 32768, 0});
    fe.m_flags = 1;
    EXPECT_EQ(split_rows(fe, 1, {px}).at(1, 0, 0), 1023);
    fe.m_flags = 0;
    EXPECT_EQ(split_rows(fe, 1, {px}).at(1, 0, 0), 512);
    fe.m_flags = 1;
    EXPECT_EQ(split_rows(fe, 1, {px}).at(1, 0, 0), 1023);
}

} // namespace
} // namespace hbdtest

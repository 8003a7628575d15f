// R210/R10K words in both byte orders, and the 48-bit layouts with their bit replication.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend48.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_R210_R10K.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

struct Rgb {
    int r, g, b;
};

Rgb rgb_of(const Canonical& c, int x)
{
    const int g = c.at(1, x, 0);
    return {(c.at(2, x, 0) + g) & 1023, g, (c.at(0, x, 0) + g) & 1023};
}

TEST(R210, FourBytesInEveryLayout)
{
    const std::vector<uint8_t> bytes = {0x3F, 0xF0, 0x00, 0x00};
    struct Case {
        std::unique_ptr<ImgProcFrontend> fe;
        Rgb rgb;
        std::vector<uint8_t> reencoded;
    };
    Case cases[] = {
        {std::make_unique<TImgProcFrontend_R210_R10K<false, false>>(), {1023, 0, 0}, bytes},
        {std::make_unique<TImgProcFrontend_R210_R10K<true, false>>(), {255, 768, 0}, bytes},
        {std::make_unique<TImgProcFrontend_R210_R10K<false, true>>(), {0, 60, 63}, bytes},
        {std::make_unique<TImgProcFrontend_R210_R10K<true, true>>(), {0, 15, 15}, {0x3C, 0xF0, 0x00, 0x00}},
    };
    for (Case& t : cases) {
        const Canonical c = split_rows(*t.fe, 1, {bytes});
        const Rgb v = rgb_of(c, 0);
        EXPECT_EQ(v.r, t.rgb.r);
        EXPECT_EQ(v.g, t.rgb.g);
        EXPECT_EQ(v.b, t.rgb.b);
        CallerFrame f(*t.fe, 1, 1);
        SliceDriver(*t.fe, 1, 1).join(f, c, false);
        EXPECT_EQ(get_row(f, 0, 0, 4), t.reencoded);
    }
}

TEST(R210, R10KSpareBitsAndBlueAtBit2)
{
    TImgProcFrontend_R210_R10K<true, true> fe;
    const Canonical spare = split_rows(fe, 1, {le32({3u})});
    const Rgb s = rgb_of(spare, 0);
    EXPECT_EQ(s.r | s.g | s.b, 0);
    const Rgb blue = rgb_of(split_rows(fe, 1, {le32({1u << 2})}), 0);
    EXPECT_EQ(blue.b, 1);
    EXPECT_EQ(blue.g, 0);
}

template <int Out, int Layout>
uint16_t grey48(uint16_t v)
{
    TImgProcFrontend48<Out, Layout> fe;
    CallerFrame f(fe, 9, 1);
    std::vector<uint8_t> row;
    for (int i = 0; i < 27; ++i) row.push_back(uint8_t(Layout == 10 ? v >> 8 : v)), row.push_back(uint8_t(Layout == 10 ? v : v >> 8));
    put_rows(f, 0, {row});
    SliceDriver drv(fe, 9, 1);
    drv.join(f, drv.split(f, false), false);
    const auto out = get_row(f, 0, 0, 54);
    for (size_t i = 2; i < out.size(); i += 2) EXPECT_TRUE(out[i] == out[0] && out[i + 1] == out[1]);
    return Layout == 10 ? uint16_t(out[0] << 8 | out[1]) : le16_at(out, 0);
}

TEST(Frontend48, BitReplication)
{
    EXPECT_EQ((grey48<12, 11>(0xFFFF)), 0xFFFF);
    EXPECT_EQ((grey48<12, 12>(0x8000)), 0x8008);
    EXPECT_EQ((grey48<12, 10>(0x000F)), 0x0000);
    EXPECT_EQ((grey48<10, 10>(0x8000)), 0x8020);
    EXPECT_EQ((grey48<14, 11>(0x8000)), 0x8002);
    EXPECT_EQ((grey48<10, 12>(0x1234)), 0x1204);
}

TEST(Frontend48, WordOrderAndByteOrder)
{
    TImgProcFrontend48<14, 10> b48r;
    TImgProcFrontend48<14, 11> rgb48;
    TImgProcFrontend48<14, 12> bgr48;
    // B48R reads 12 34 as 0x1234; the little-endian layouts read it as 0x3412.
    const std::vector<uint8_t> px = {0x12, 0x34, 0x12, 0x34, 0x12, 0x34};
    EXPECT_EQ(split_rows(b48r, 1, {px}).at(1, 0, 0), 0x1234 >> 2);
    EXPECT_EQ(split_rows(rgb48, 1, {px}).at(1, 0, 0), 0x3412 >> 2);
    // The same image as RGB48 and as BGR48 gives the same planes.
    std::vector<uint8_t> a(6 * 11);
    qtest::fill_random(a.data(), a.size());
    std::vector<uint8_t> b = a;
    for (size_t i = 0; i < b.size(); i += 6) std::swap_ranges(b.begin() + i, b.begin() + i + 2, b.begin() + i + 4);
    EXPECT_TRUE(split_rows(rgb48, 11, {a}) == split_rows(bgr48, 11, {b}));
}

} // namespace
} // namespace hbdtest

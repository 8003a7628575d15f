// V210 and V410: the words of whole and partial groups, what lies after a row's last word, the
// neutral chroma of the luma-only forms, the ignored spare bits and the V210 row sizes.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_V210_V410.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

// Distinct samples: Y[i] = 100 + i, Cb[i] = 300 + i, Cr[i] = 600 + i.
Canonical ramp(const ImgProcFrontend& fe, int w)
{
    Canonical c(fe, w, 1);
    for (int k = 0; k < c.planes(); ++k)
        for (int x = 0; x < c.width[k]; ++x) c.at(k, x, 0) = uint16_t((k == 0 ? 100 : k == 1 ? 300 : 600) + x);
    return c;
}

uint32_t word(uint32_t a, uint32_t b, uint32_t c) { return a | b << 10 | c << 20; }

struct V210Case {
    int width;
    std::vector<uint32_t> words; // every word the join writes
};

TEST(V210, WholeAndPartialGroupWords)
{
    const auto Y = [](int i) { return 100u + i; };
    const auto Cb = [](int i) { return 300u + i; };
    const auto Cr = [](int i) { return 600u + i; };
    const std::vector<uint32_t> group0 = {word(Cb(0), Y(0), Cr(0)), word(Y(1), Cb(1), Y(2)), word(Cr(1), Y(3), Cb(2)),
                                          word(Y(4), Cr(2), Y(5))};
    const auto with = [&](std::vector<uint32_t> tail) {
        std::vector<uint32_t> v = group0;
        v.insert(v.end(), tail.begin(), tail.end());
        return v;
    };
    const V210Case cases[] = {
        {4, {word(Cb(0), Y(0), Cr(0)), word(Y(1), Cb(1), Y(2)), word(Cr(1), Y(3), 0)}},
        {6, group0},
        {8, with({word(Cb(3), Y(6), Cr(3)), Y(7)})},
        {10, with({word(Cb(3), Y(6), Cr(3)), word(Y(7), Cb(4), Y(8)), word(Cr(4), Y(9), 0)})},
    };
    TImgProcFrontend_V210<false> fe;
    for (const V210Case& t : cases) {
        SCOPED_TRACE(t.width);
        CallerFrame f(fe, t.width, 1, 32);
        const auto before = f.bytes(0);
        SliceDriver drv(fe, t.width, 1);
        drv.join(f, ramp(fe, t.width), false);
        const auto after = f.bytes(0);
        for (size_t i = 0; i < t.words.size(); ++i) EXPECT_EQ(le32_at(after, i), t.words[i]) << "word " << i;
        // The rest of the partial group and the row padding keep their bytes.
        EXPECT_TRUE(std::equal(after.begin() + 4 * t.words.size(), after.end(), before.begin() + 4 * t.words.size()));
        EXPECT_TRUE(drv.split(f, false) == ramp(fe, t.width));
    }
}

TEST(V210, LumaOnlyWritesNeutralChroma)
{
    TImgProcFrontend_V210<true> fe;
    const auto Y = [](uint32_t i) { return (100u + i); };
    CallerFrame f(fe, 10, 1);
    SliceDriver(fe, 10, 1).join(f, ramp(fe, 10), false);
    const auto row = f.bytes(0);
    const uint32_t expect[] = {0x20000200 | Y(0) << 10, Y(1) | 0x80000 | Y(2) << 20, 0x20000200 | Y(3) << 10,
                               Y(4) | 0x80000 | Y(5) << 20, 0x20000200 | Y(6) << 10, Y(7) | 0x80000 | Y(8) << 20,
                               512 | Y(9) << 10};
    for (size_t i = 0; i < std::size(expect); ++i) EXPECT_EQ(le32_at(row, i), expect[i]) << i;

    // Luma-only width 8 ends with the lone Y word.
    CallerFrame g(fe, 8, 1);
    SliceDriver(fe, 8, 1).join(g, ramp(fe, 8), false);
    EXPECT_EQ(le32_at(g.bytes(0), 5), Y(7));
}

TEST(V210, SpareBitsAreIgnored)
{
    TImgProcFrontend_V210<false> fe;
    std::vector<uint8_t> a(16 * 3), b;
    qtest::fill_random(a.data(), a.size());
    b = a;
    for (size_t i = 0; i < b.size(); i += 4) b[i + 3] ^= 0xC0; // bits 30-31 of every word
    EXPECT_TRUE(split_rows(fe, 16, {a}) == split_rows(fe, 16, {b}));
    CallerFrame f(fe, 16, 1);
    SliceDriver(fe, 16, 1).join(f, split_rows(fe, 16, {a}), false);
    const auto row = get_row(f, 0, 0, 44);
    for (size_t i = 0; i < row.size(); i += 4) EXPECT_EQ(row[i + 3] & 0xC0, 0);
}

TEST(V210, RowSizes)
{
    // Minimum row bytes (ceil(16 w / 6) rounded up to 4) and the default pitch (rounded up to 128).
    struct Row {
        int width, minRow, defaultPitch;
    };
    const Row rows[] = {{4, 12, 128}, {6, 16, 128}, {8, 24, 128}, {10, 28, 128}, {12, 32, 128},
                        {720, 1920, 1920}, {1280, 3416, 3456}, {1920, 5120, 5120}, {3840, 10240, 10240}};
    TImgProcFrontend_V210<false> fe;
    for (const Row& r : rows) {
        const int bytes = (r.width * fe.get_pixelblock_size(0) + fe.get_pixelblock_pixels(0) - 1) / fe.get_pixelblock_pixels(0);
        EXPECT_EQ(round_up(bytes, fe.get_min_row_size_align(0)), r.minRow) << r.width;
        EXPECT_EQ(round_up(bytes, fe.get_default_row_size_align(0)), r.defaultPitch) << r.width;
    }
}

TEST(V410, WordLayoutAndLumaOnly)
{
    TImgProcFrontend_V410<false> fe;
    // Cb in bits 2-11, Y in 12-21, Cr in 22-31; bits 0-1 are ignored.
    const uint32_t w = 600u << 22 | 100u << 12 | 300u << 2 | 3u;
    const Canonical c = split_rows(fe, 1, {le32({w})});
    EXPECT_EQ(c.at(0, 0, 0), 100);
    EXPECT_EQ(c.at(1, 0, 0), 300);
    EXPECT_EQ(c.at(2, 0, 0), 600);
    CallerFrame f(fe, 1, 1);
    SliceDriver(fe, 1, 1).join(f, c, false);
    EXPECT_EQ(le32_at(get_row(f, 0, 0, 4), 0), w & ~3u);

    TImgProcFrontend_V410<true> luma;
    CallerFrame g(luma, 9, 1);
    SliceDriver(luma, 9, 1).join(g, ramp(luma, 9), false);
    for (int x = 0; x < 9; ++x) EXPECT_EQ(le32_at(g.bytes(0), x), (100u + x) << 12 | 0x80000800u) << x;
}

} // namespace
} // namespace hbdtest

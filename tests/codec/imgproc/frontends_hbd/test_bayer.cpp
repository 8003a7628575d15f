// Packed 12-bit Bayer: the bit packing, the routing of the three patterns, partial groups at
// the end of a row, and blocks with an odd row count.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Bayer_12_Packed.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

TEST(Bayer, PackingVector)
{
    const uint32_t fields[8] = {0x123, 0x456, 0x789, 0xABC, 0xDEF, 0x012, 0x345, 0x678};
    uint32_t w0, w1, w2, back[8];
    hbd::pack_bayer12(fields, w0, w1, w2);
    EXPECT_EQ(w0, 0x12345678u);
    EXPECT_EQ(w1, 0x9ABCDEF0u);
    EXPECT_EQ(w2, 0x12345678u);
    hbd::unpack_bayer12(w0, w1, w2, back);
    EXPECT_TRUE(std::equal(back, back + 8, fields));
}

// A 2x8 frame whose fields are numbered: row r, field j holds 0x100 * (r + 1) + j.
std::vector<std::vector<uint8_t>> numbered_cell_row()
{
    std::vector<std::vector<uint8_t>> rows;
    for (uint32_t r = 0; r < 2; ++r) {
        uint32_t f[8], w0, w1, w2;
        for (uint32_t j = 0; j < 8; ++j) f[j] = 0x100 * (r + 1) + j;
        hbd::pack_bayer12(f, w0, w1, w2);
        rows.push_back(le32({w0, w1, w2}));
    }
    return rows;
}

TEST(Bayer, RoutingOfThePatterns)
{
    // E = even-numbered fields (right-hand pixels), O = odd-numbered fields (left-hand pixels).
    const std::vector<uint16_t> topE = {0x100, 0x102, 0x104, 0x106}, topO = {0x101, 0x103, 0x105, 0x107};
    const std::vector<uint16_t> botE = {0x200, 0x202, 0x204, 0x206}, botO = {0x201, 0x203, 0x205, 0x207};
    const auto cat = [](std::vector<uint16_t> a, const std::vector<uint16_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    TImgProcFrontend_Bayer_12_Packed<111> gbrg;
    TImgProcFrontend_Bayer_12_Packed<222> grbg;
    TImgProcFrontend_Bayer_12_Packed<333> bggr;
    const Canonical a = split_rows(gbrg, 8, numbered_cell_row());
    EXPECT_EQ(a.samples[0], cat(topO, botE));
    EXPECT_EQ(a.samples[1], topE);
    EXPECT_EQ(a.samples[2], botO);
    const Canonical b = split_rows(grbg, 8, numbered_cell_row());
    EXPECT_EQ(b.samples[0], cat(topO, botE));
    EXPECT_EQ(b.samples[1], botO);
    EXPECT_EQ(b.samples[2], topE);
    const Canonical c = split_rows(bggr, 8, numbered_cell_row());
    EXPECT_EQ(c.samples[0], cat(topE, botO));
    EXPECT_EQ(c.samples[1], topO);
    EXPECT_EQ(c.samples[2], botE);

    // The stream does not record the pattern: GBRG planes joined as BGGR move the samples.
    CallerFrame f(bggr, 8, 2);
    SliceDriver(bggr, 8, 2).join(f, a, false);
    EXPECT_TRUE(split_rows(bggr, 8, {get_row(f, 0, 0, 12), get_row(f, 0, 1, 12)}) == a);
    EXPECT_NE(get_row(f, 0, 0, 12), numbered_cell_row()[0]);
}

// Widths 8k + 2, 4, 6: the partial group fills 1, 2 or 3 words, its fields past the row's end
// are written 0, and nothing after those words is touched.
TEST(Bayer, PartialGroups)
{
    TImgProcFrontend_Bayer_12_Packed<333> fe;
    for (const int w : {2, 4, 6, 10, 12, 14, 18, 20, 22}) {
        SCOPED_TRACE(w);
        const int whole = w / 8, m = w % 8, words = (12 * m + 31) / 32;
        const size_t written = 12 * size_t(whole) + 4 * words;
        CallerFrame f(fe, w, 2, 16);
        const auto before = f.bytes(0);
        Canonical c(fe, w, 2);
        c.randomize(12);
        SliceDriver drv(fe, w, 2);
        drv.join(f, c, false);
        const auto after = f.bytes(0);
        const size_t stride = size_t(f.frame[0].stride);
        for (int r = 0; r < 2; ++r) {
            const size_t row = r * stride;
            EXPECT_TRUE(std::equal(after.begin() + row + written, after.begin() + row + stride,
                                   before.begin() + row + written))
                << "row " << r;
            // Fields after the last pixel are zero: the low bits of the last written word.
            const uint32_t last = le32_at(std::vector<uint8_t>(after.begin() + row, after.begin() + row + written),
                                          written / 4 - 1);
            const uint32_t unused = m == 2 ? 0xFF : m == 4 ? 0xFFFF : m == 6 ? 0xFFFFFF : 0;
            EXPECT_EQ(last & unused, 0u);
        }
        EXPECT_TRUE(drv.split(f, false) == c);
    }
}

// A block of 3 rows (only a damaged stream's slice height can give one) handles its first cell
// row and leaves the third row alone; in particular it writes nothing past the frame.
TEST(Bayer, OddRowCountStaysInsideTheBlock)
{
    TImgProcFrontend_Bayer_12_Packed<111> fe;
    const int w = 16;
    CallerFrame f(fe, w, 3);
    const auto before = f.bytes(0);
    // The work buffer holds the planes of a 4-row frame; only cell row 0 is used.
    std::vector<uint8_t> work(64 * 1024, 0);
    ImgFrame split;
    fe.calc_split_params(f.frame, w, 4, work.data(), split, false, false);
    fe.undecorrjoin(f.frame, w, 3, split);
    EXPECT_TRUE(f.guards_intact());
    const size_t stride = size_t(f.frame[0].stride);
    const auto after = f.bytes(0);
    EXPECT_TRUE(std::equal(after.begin() + 2 * stride, after.end(), before.begin() + 2 * stride));
    fe.decorrsplit(f.frame, w, 3, split);
    EXPECT_TRUE(f.guards_intact());
}

} // namespace
} // namespace hbdtest

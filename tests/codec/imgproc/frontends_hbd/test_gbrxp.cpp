// Planar GBR(A): bit replication on the way back, wrapping differences, zero-copy planes,
// and input words with bits above the input depth.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_GBRXP.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

// One grey sample (G = B = R = A = v) through compress and decompress.
template <int In, int Out, bool Alpha>
std::vector<uint16_t> grey_round_trip(uint16_t v)
{
    TImgProcFrontend_GBRXP<In, Out, Alpha> fe;
    CallerFrame f(fe, 1, 1);
    for (int q = 0; q < f.planes(); ++q) put_rows(f, q, {le16({v})});
    SliceDriver drv(fe, 1, 1);
    const Canonical c = drv.split(f, false);
    for (const auto& p : c.samples) EXPECT_LT(p[0], 1u << Out);
    drv.join(f, c, false);
    std::vector<uint16_t> out;
    for (int q = 0; q < f.planes(); ++q) out.push_back(hbd::ld16i(f.row(q, 0), 0));
    return out;
}

TEST(GBRXP, BitReplication)
{
    struct Case {
        std::vector<uint16_t> (*run)(uint16_t);
        uint16_t in, out;
    };
    const Case cases[] = {
        {grey_round_trip<16, 12, false>, 0x8000, 0x8008}, {grey_round_trip<16, 12, false>, 0xFFFF, 0xFFFF},
        {grey_round_trip<16, 12, false>, 0x000F, 0x0000}, {grey_round_trip<16, 10, false>, 0x8000, 0x8020},
        {grey_round_trip<12, 10, false>, 0x0800, 0x0802}, {grey_round_trip<14, 12, false>, 0x2000, 0x2002},
        {grey_round_trip<16, 14, true>, 0x8000, 0x8002},  {grey_round_trip<12, 12, true>, 0x0ABC, 0x0ABC},
    };
    for (const Case& c : cases)
        for (uint16_t v : c.run(c.in)) EXPECT_EQ(v, c.out) << std::hex << c.in;
}

// Words with bits above the input depth are masked to it first, so reduced-depth samples stay
// within the stored depth (an out-of-range sample would index the coder's tables out of bounds).
TEST(GBRXP, WordsAboveTheInputDepthAreMasked)
{
    for (uint16_t v : grey_round_trip<12, 10, true>(0xFFFF)) EXPECT_EQ(v, 0x0FFF);
    for (uint16_t v : grey_round_trip<14, 10, false>(0xC000 | 0x2000)) EXPECT_EQ(v, 0x2008);
    for (uint16_t v : grey_round_trip<12, 10, false>(0xF800)) EXPECT_EQ(v, 0x0802);

    TImgProcFrontend_GBRXP<14, 12, true> fe;
    CallerFrame f(fe, 37, 5); // random words, high bits included
    const Canonical c = SliceDriver(fe, 37, 5).split(f, false);
    for (const auto& p : c.samples)
        for (uint16_t v : p) ASSERT_LT(v, 4096);
}

TEST(GBRXP, DifferencesWrap)
{
    TImgProcFrontend_GBRXP<10, 10, false> fe;
    CallerFrame f(fe, 1, 1);
    put_rows(f, 0, {le16({1})});   // G
    put_rows(f, 1, {le16({0})});   // B
    put_rows(f, 2, {le16({5})});   // R
    SliceDriver drv(fe, 1, 1);
    const Canonical c = drv.split(f, false);
    EXPECT_EQ(c.at(0, 0, 0), 1023);
    EXPECT_EQ(c.at(2, 0, 0), 4);
    drv.join(f, c, false);
    EXPECT_EQ(hbd::ld16i(f.row(1, 0), 0), 0);
    EXPECT_EQ(hbd::ld16i(f.row(2, 0), 0), 5);
}

TEST(GBRXP, PlaneMapping)
{
    std::vector<uint8_t> work(256 * 1024);
    const auto check = [&](ImgProcFrontend& fe, bool sameDepth) {
        CallerFrame f(fe, 8, 4);
        ImgFrame enc, dec;
        fe.calc_split_params(f.frame, 8, 4, work.data(), enc, false, true);
        fe.calc_split_params(f.frame, 8, 4, work.data(), dec, false, false);
        // Compressing: G (and A) straight from the caller at the same depth, else the work buffer.
        EXPECT_EQ(enc[1].ptr == f.frame[0].ptr, sameDepth);
        EXPECT_NE(enc[0].ptr, f.frame[1].ptr);
        if (fe.get_num_top_level_planes() == 4) {
            EXPECT_EQ(enc[3].ptr == f.frame[3].ptr, sameDepth);
        }
        // Decompressing: B-G into B, G into G, R-G into R, A into A.
        const int from[4] = {1, 0, 2, 3};
        for (int k = 0; k < fe.get_num_top_level_planes(); ++k) {
            EXPECT_EQ(dec[k].ptr, f.frame[from[k]].ptr) << k;
            EXPECT_EQ(dec[k].stride, f.frame[from[k]].stride) << k;
        }
    };
    TImgProcFrontend_GBRXP<12, 12, true> same4;
    TImgProcFrontend_GBRXP<14, 14, false> same3;
    TImgProcFrontend_GBRXP<16, 10, true> reduced4;
    check(same4, true), check(same3, true), check(reduced4, false);
}

} // namespace
} // namespace hbdtest

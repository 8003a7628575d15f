// P210/P010 and the planar YUV layouts: top-bit words, zero-copy plane mapping, neutral chroma
// of the luma-only forms and the chroma rows a 4:2:0 block owns.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Px1x.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_YUVP.h"
#include "pixel_io.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

TEST(Px1x, TopBitWords)
{
    TImgProcFrontend_Px1x<10, 2, 2, false> p010;
    CallerFrame f(p010, 4, 2);
    put_rows(f, 0, {le16({0xFFC0, 0xFFFF, 0x0040, 0x003F}), le16({0, 0, 0, 0})});
    put_rows(f, 1, {le16({0x8000, 0xFFFF, 0x0041, 0x7FC0})});
    SliceDriver drv(p010, 4, 2);
    const Canonical c = drv.split(f, false);
    EXPECT_EQ(c.samples[0], (std::vector<uint16_t>{1023, 1023, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.samples[1], (std::vector<uint16_t>{512, 1}));
    EXPECT_EQ(c.samples[2], (std::vector<uint16_t>{1023, 511}));
    drv.join(f, c, false);
    EXPECT_EQ(get_row(f, 0, 0, 8), le16({0xFFC0, 0xFFC0, 0x0040, 0}));
    EXPECT_EQ(get_row(f, 1, 0, 8), le16({0x8000, 0xFFC0, 0x0040, 0x7FC0}));
}

TEST(Px1x, DecompressingMapsLumaToTheCallersPlane)
{
    TImgProcFrontend_Px1x<10, 2, 1, false> p210;
    CallerFrame f(p210, 8, 4);
    std::vector<uint8_t> work(64 * 1024);
    ImgFrame dec, enc;
    p210.calc_split_params(f.frame, 8, 4, work.data(), dec, false, false);
    p210.calc_split_params(f.frame, 8, 4, work.data(), enc, false, true);
    EXPECT_EQ(dec[0].ptr, f.frame[0].ptr);
    EXPECT_EQ(dec[0].stride, f.frame[0].stride);
    EXPECT_NE(dec[1].ptr, f.frame[1].ptr);
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(enc[k].ptr, work.data());
        EXPECT_EQ(reinterpret_cast<uintptr_t>(enc[k].ptr) % 16, 0u);
    }
}

TEST(Px1x, LumaOnlyWritesNeutralPairs)
{
    TImgProcFrontend_Px1x<10, 2, 1, true> p210l;
    CallerFrame f(p210l, 6, 3);
    Canonical c(p210l, 6, 3);
    c.randomize(10);
    SliceDriver(p210l, 6, 3).join(f, c, false);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(get_row(f, 1, r, 12), le16({0x8000, 0x8000, 0x8000, 0x8000, 0x8000, 0x8000}));
}

// A P010 block of one row has no chroma row of its own: its split and join leave chroma alone.
TEST(Px1x, SingleRowP010BlockConvertsLumaOnly)
{
    TImgProcFrontend_Px1x<10, 2, 2, false> p010;
    CallerFrame f(p010, 4, 2);
    std::vector<uint8_t> work(64 * 1024, 0xAB);
    ImgFrame split;
    p010.calc_split_params(f.frame, 4, 2, work.data(), split, false, true);
    const std::vector<uint8_t> chromaBefore(split[1].ptr, split[1].ptr + 8);
    p010.decorrsplit(f.frame, 4, 1, split);
    EXPECT_EQ(std::vector<uint8_t>(split[1].ptr, split[1].ptr + 8), chromaBefore);
    const auto callerChroma = f.bytes(1);
    p010.undecorrjoin(f.frame, 4, 1, split);
    EXPECT_EQ(f.bytes(1), callerChroma);
}

TEST(YUVP, TenBitLayoutsAreZeroCopyBothWays)
{
    TImgProcFrontend_YUVP<10, 10, 3, 2, 2, false> yuv420;
    TImgProcFrontend_YUVP<10, 10, 1, 1, 1, false> y16;
    for (ImgProcFrontend* fe : {static_cast<ImgProcFrontend*>(&yuv420), static_cast<ImgProcFrontend*>(&y16)}) {
        CallerFrame f(*fe, 8, 4);
        for (const bool compressing : {true, false}) {
            ImgFrame split;
            fe->calc_split_params(f.frame, 8, 4, nullptr, split, false, compressing);
            for (int q = 0; q < fe->get_num_top_level_planes(); ++q) {
                EXPECT_EQ(split[q].ptr, f.frame[q].ptr);
                EXPECT_EQ(split[q].stride, f.frame[q].stride);
            }
        }
    }
}

TEST(YUVP, SixteenBitNarrowsAndWidensWithoutReplication)
{
    TImgProcFrontend_YUVP<16, 10, 3, 1, 1, false> fe;
    CallerFrame f(fe, 3, 1);
    for (int q = 0; q < 3; ++q) put_rows(f, q, {le16({0xFFFF, 0x003F, 0x8040})});
    SliceDriver drv(fe, 3, 1);
    const Canonical c = drv.split(f, false);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(c.samples[k], (std::vector<uint16_t>{1023, 0, 513}));
    drv.join(f, c, false);
    for (int q = 0; q < 3; ++q) EXPECT_EQ(get_row(f, q, 0, 6), le16({0xFFC0, 0, 0x8040}));

    // Compressing uses the work buffer; decompressing the caller's planes.
    std::vector<uint8_t> work(64 * 1024);
    ImgFrame enc, dec;
    fe.calc_split_params(f.frame, 3, 1, work.data(), enc, false, true);
    fe.calc_split_params(f.frame, 3, 1, work.data(), dec, false, false);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NE(enc[k].ptr, f.frame[k].ptr);
        EXPECT_EQ(dec[k].ptr, f.frame[k].ptr);
    }
}

// Luma-only streams decompressed into colour layouts: every chroma sample neutral.
TEST(YUVP, LumaOnlyFillsEveryChromaSample)
{
    struct Case {
        std::unique_ptr<ImgProcFrontend> fe;
        uint16_t neutral;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<TImgProcFrontend_YUVP<10, 10, 3, 1, 1, true>>(), 512});
    cases.push_back({std::make_unique<TImgProcFrontend_YUVP<10, 10, 3, 2, 1, true>>(), 512});
    cases.push_back({std::make_unique<TImgProcFrontend_YUVP<10, 10, 3, 2, 2, true>>(), 512});
    cases.push_back({std::make_unique<TImgProcFrontend_YUVP<16, 10, 3, 1, 1, true>>(), 0x8000});
    for (const Case& t : cases) {
        for (const int h : {2, 30, 62}) {
            const int w = 10;
            CallerFrame f(*t.fe, w, h);
            Canonical c(*t.fe, w, h);
            c.randomize(10);
            SliceDriver(*t.fe, w, h).join(f, c, false);
            for (int q = 1; q < 3; ++q)
                for (int r = 0; r < f.rows[q]; ++r)
                    for (int x = 0; x < t.fe->get_tplane_width(q, w); ++x)
                        ASSERT_EQ(hbd::ld16i(f.row(q, r), x), t.neutral) << "plane " << q << " row " << r;
            EXPECT_TRUE(f.guards_intact());
        }
    }
}

TEST(YUVP, FourTwoZeroLumaOnlyBlockOfOneRowWritesNoChroma)
{
    TImgProcFrontend_YUVP<10, 10, 3, 2, 2, true> fe;
    CallerFrame f(fe, 4, 2);
    const auto cb = f.bytes(1), cr = f.bytes(2);
    fe.undecorrjoin(f.frame, 4, 1, f.frame);
    EXPECT_EQ(f.bytes(1), cb);
    EXPECT_EQ(f.bytes(2), cr);
}

} // namespace
} // namespace hbdtest

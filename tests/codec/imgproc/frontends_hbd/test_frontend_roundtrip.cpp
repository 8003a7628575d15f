// Every frontend driven slice by slice as the engine drives it: join then split gives the planes
// back, split never writes the caller's frame, join writes every byte of a row and nothing
// outside the frame or the work buffer, and flipping mirrors the rows.

#include "all_frontends.h"
#include "slice_driver.h"

#include <gtest/gtest.h>

namespace hbdtest {
namespace {

struct Size {
    int w, h;
};

// Sizes that exercise several slices, a short last slice, partial groups and narrow rows; each
// is rounded up to the layout's size multiples.
std::vector<Size> sizes_for(const ImgProcFrontend& fe)
{
    const int wm = std::max(fe.m_frameBackend->get_width_modulo(), fe.m_backend->get_width_modulo());
    const int hm = std::max(fe.m_frameBackend->get_height_modulo(), fe.m_backend->get_height_modulo());
    std::vector<Size> out;
    for (Size s : {Size{4, 4}, Size{5, 7}, Size{12, 29}, Size{14, 2}, Size{22, 61}, Size{33, 30}, Size{70, 57}})
        out.push_back({round_up(s.w, wm), round_up(s.h, hm)});
    return out;
}

TEST(FrontendRoundTrip, JoinThenSplitRestoresThePlanes)
{
    for (const auto& e : all_frontends()) {
        SCOPED_TRACE(e.name);
        const auto fe = e.make();
        const int bits = fe->m_backend->get_pixel_bits();
        for (const Size s : sizes_for(*fe)) {
            for (const bool flip : {false, true}) {
                if (flip && !fe->can_flip()) continue;
                SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << (flip ? " flipped" : ""));
                const int misalign = qtest::rand_int(0, 15), pad = qtest::rand_int(0, 1) * 16;
                SliceDriver drv(*fe, s.w, s.h);
                Canonical c0(*fe, s.w, s.h);
                c0.randomize(bits);
                CallerFrame a(*fe, s.w, s.h, pad, misalign), b(*fe, s.w, s.h, pad, misalign);
                b.copy_from(a);
                drv.join(a, c0, flip);

                std::vector<std::vector<uint8_t>> before;
                for (int q = 0; q < a.planes(); ++q) before.push_back(a.bytes(q));
                const Canonical c1 = drv.split(a, flip);
                for (int q = 0; q < a.planes(); ++q) EXPECT_EQ(before[q], a.bytes(q)) << "split wrote plane " << q;

                if (e.family == Family::Float4) {
                    // Truncation may lower a value once; a second cycle changes nothing.
                    drv.join(b, c1, flip);
                    EXPECT_TRUE(drv.split(b, flip) == c1);
                } else {
                    EXPECT_TRUE(c1 == c0);
                    drv.join(b, c1, flip);
                    for (int q = 0; q < a.planes(); ++q) EXPECT_EQ(a.bytes(q), b.bytes(q)) << "plane " << q;
                }
                EXPECT_TRUE(a.guards_intact());
                EXPECT_TRUE(b.guards_intact());
                EXPECT_TRUE(drv.work_guards_intact());
            }
        }
    }
}

// The join defines every byte of a row whatever the buffer held before.
TEST(FrontendRoundTrip, JoinWritesEveryRowByte)
{
    for (const auto& e : all_frontends()) {
        SCOPED_TRACE(e.name);
        const auto fe = e.make();
        for (const Size s : sizes_for(*fe)) {
            SCOPED_TRACE(testing::Message() << s.w << "x" << s.h);
            SliceDriver drv(*fe, s.w, s.h);
            Canonical c(*fe, s.w, s.h);
            c.randomize(fe->m_backend->get_pixel_bits());
            CallerFrame a(*fe, s.w, s.h), b(*fe, s.w, s.h);
            drv.join(a, c, false);
            drv.join(b, c, false);
            EXPECT_TRUE(a.rows_equal(b));
        }
    }
}

TEST(FrontendRoundTrip, FlipMirrorsRows)
{
    for (const auto& e : all_frontends()) {
        const auto fe = e.make();
        if (!fe->can_flip()) continue;
        SCOPED_TRACE(e.name);
        for (const Size s : sizes_for(*fe)) {
            SCOPED_TRACE(testing::Message() << s.w << "x" << s.h);
            SliceDriver drv(*fe, s.w, s.h);
            Canonical c(*fe, s.w, s.h);
            c.randomize(fe->m_backend->get_pixel_bits());
            CallerFrame up(*fe, s.w, s.h), down(*fe, s.w, s.h);
            drv.join(up, c, false);
            drv.join(down, c, true);
            EXPECT_TRUE(up.rows_equal(down, true));
            // A bottom-up frame split with flip gives the planes of the top-down frame.
            EXPECT_TRUE(drv.split(down, true) == drv.split(up, false));
        }
    }
}

// Constant answers of every class: the engine checks caller frames and lays frames out by them.
TEST(FrontendGeometry, AnswersPerFamily)
{
    struct Expect {
        int planes, defAlign, ptrAlign, block0, pixels0;
        bool flip, host;
    };
    const auto expect = [](Family f, const ImgProcFrontend& fe) -> Expect {
        switch (f) {
        case Family::F64: return {1, 8, 4, 8, 1, true, true};
        case Family::V410: return {1, 4, 4, 4, 1, true, false};
        case Family::V210: return {1, 128, 4, 16, 6, true, false};
        case Family::Px1x: return {2, 4, 4, 2, 1, false, false};
        case Family::YUVP: return {fe.get_num_top_level_planes() == 1 ? 1 : 3, 2, 2, 2, 1, false, false};
        case Family::Float4: return {1, 16, 4, 16, 1, true, false};
        case Family::Bayer: return {1, 4, 4, 12, 8, false, false};
        case Family::GBRXP: return {fe.m_backend->get_num_canonical_planes(), 2, 2, 2, 1, false, false};
        case Family::R210: return {1, 256, 4, 4, 1, true, false};
        case Family::F48: return {1, 6, 2, 6, 1, true, false};
        }
        return {};
    };
    int count = 0;
    for (const auto& e : all_frontends()) {
        SCOPED_TRACE(e.name);
        const auto fe = e.make();
        const Expect x = expect(e.family, *fe);
        EXPECT_EQ(fe->get_num_top_level_planes(), x.planes);
        EXPECT_EQ(fe->get_default_row_size_align(0), x.defAlign);
        EXPECT_EQ(fe->get_min_row_ptr_align(0), x.ptrAlign);
        EXPECT_EQ(fe->get_min_row_size_align(0), x.ptrAlign);
        EXPECT_EQ(fe->get_pixelblock_size(0), x.block0);
        EXPECT_EQ(fe->get_pixelblock_pixels(0), x.pixels0);
        EXPECT_EQ(fe->can_flip(), x.flip);
        EXPECT_EQ(fe->supports_adobe_16u_range(), x.host);
        EXPECT_EQ(fe->m_flags, 0);
        EXPECT_EQ(fe->m_frameBackend->get_pixel_bits(), fe->m_backend->get_pixel_bits());
        ++count;
    }
    EXPECT_EQ(count, 75);
}

TEST(FrontendGeometry, SemiPlanarAndPlanarChromaPlanes)
{
    const TImgProcFrontend_Px1x<10, 2, 2, false> p010;
    EXPECT_EQ(p010.get_pixelblock_size(1), 4);
    EXPECT_EQ(p010.get_tplane_width(1, 20), 10);
    EXPECT_EQ(p010.get_tplane_height(1, 20), 10);
    EXPECT_EQ(p010.get_tplane_height(0, 20), 20);
    const TImgProcFrontend_Px1x<10, 2, 1, true> p210l;
    EXPECT_EQ(p210l.get_tplane_height(1, 20), 20);
    EXPECT_EQ(p210l.m_frameBackend->get_width_modulo(), 2);
    EXPECT_EQ(p210l.m_backend->get_num_canonical_planes(), 1);
    const TImgProcFrontend_YUVP<10, 10, 3, 2, 2, true> yuv420l;
    EXPECT_EQ(yuv420l.get_tplane_width(2, 11), 5);
    EXPECT_EQ(yuv420l.get_tplane_height(1, 11), 5);
    EXPECT_EQ(yuv420l.m_frameBackend->get_height_modulo(), 2);
    const TImgProcFrontend_V210<true> v210l;
    EXPECT_EQ(v210l.m_frameBackend->get_width_modulo(), 2);
    const TImgProcFrontend_Bayer_12_Packed<111> bayer;
    EXPECT_EQ(bayer.m_backend, bayer.m_frameBackend);
}

} // namespace
} // namespace hbdtest

// The 4-byte and 3-byte packed frontends through the frontend interface, driven as the engine
// drives them: random frames at many widths, caller pointer residues and pitch slack, with and
// without flip, block by block (in random order, on one or several threads).
//  - the split planes equal the scalar split of the same caller rows (mirrored under flip), so
//    nothing depends on where a row's alignment boundary falls;
//  - the join writes exactly the scalar join of the planes into each row, nothing into the
//    pitch slack, nothing outside the frame;
//  - lossless instances give the frame back (filler bytes as 255, luma-only chroma as 128),
//    the matrices within their rounding (2 per channel, 1 under Rec601_Full).

#include "packed_harness.h"
#include "packed_instances.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using qtest::PackedFrame;
using qtest::PackedInstance;
using qtest::SplitRun;

struct Shape {
    int width, height, pitch;
    size_t misalign; // of the caller's first row from a 64-byte boundary (a multiple of 4)
    bool flip;
    int slice;
    int threads;
};

Shape random_shape(int bytes)
{
    Shape s{};
    const int pick = qtest::rand_int(0, 19);
    s.width = pick == 0 ? qtest::rand_int(1000, 1930) : qtest::rand_int(1, 70);
    s.height = pick == 0 ? qtest::rand_int(1, 6) : qtest::rand_int(1, 24);
    const int row = (bytes * s.width + 3) & ~3;
    s.pitch = row + 4 * qtest::rand_int(0, 16);
    s.misalign = 4u * static_cast<size_t>(qtest::rand_int(0, 15));
    s.flip = qtest::rand_int(0, 1) == 1;
    const int slices[] = {1, 2, 3, 5, 28};
    s.slice = slices[qtest::rand_int(0, 4)];
    s.threads = qtest::rand_int(0, 3) == 0 ? 4 : 1;
    return s;
}

::testing::AssertionResult check(const PackedInstance& inst, const Shape& s)
{
    const int w = s.width, h = s.height, B = inst.bytes, N = inst.np;
    const auto fe = inst.make();
    PackedFrame in(w, h, s.pitch, s.misalign, 0);
    qtest::fill_random(in.buf.data(), in.buf.size());

    // Split: plane row r holds caller row r, or h - 1 - r when flipped.
    SplitRun split(*fe, w, h, s.flip, s.slice);
    split.layout(in.frame(), true);
    split.split_all(in.frame(), s.threads);
    std::vector<uint8_t> want(4 * static_cast<size_t>(w));
    for (int r = 0; r < h; ++r) {
        const int src = s.flip ? h - 1 - r : r;
        uint8_t* p[4] = {};
        for (int k = 0; k < N; ++k) p[k] = want.data() + k * w;
        inst.split_ref(in.row(src), w, p[0], p[1], p[2], p[3]);
        for (int k = 0; k < N; ++k)
            for (int x = 0; x < w; ++x)
                if (split.sample(k, r, x) != p[k][x])
                    return ::testing::AssertionFailure() << "split plane " << k << " row " << r << " x " << x;
    }
    if (!in.buf.guards_intact() || !split.work_guards_intact())
        return ::testing::AssertionFailure() << "split wrote outside its buffers";

    // Join into another caller frame of the same shape, laid out anew for that frame as the
    // engine does per call; the planes are those just split.
    PackedFrame out(w, h, s.pitch, (s.misalign + 4u * qtest::rand_int(0, 15)) % 64, 0xEE);
    SplitRun join(*fe, w, h, s.flip, s.slice);
    join.layout(out.frame(), false);
    for (int k = 0; k < N; ++k)
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x) join.sample(k, r, x) = split.sample(k, r, x);
    join.join_all(out.frame(), s.threads);
    std::vector<uint8_t> rowWant(static_cast<size_t>(B) * w);
    for (int r = 0; r < h; ++r) {
        const int pr = s.flip ? h - 1 - r : r;
        const uint8_t* p[4] = {};
        for (int k = 0; k < N; ++k) p[k] = &join.sample(k, pr, 0);
        inst.join_ref(rowWant.data(), w, p[0], p[1], p[2], p[3]);
        if (std::memcmp(rowWant.data(), out.row(r), rowWant.size()) != 0)
            return ::testing::AssertionFailure() << "join row " << r;
        for (int i = B * w; i < s.pitch; ++i)
            if (out.row(r)[i] != 0xEE) return ::testing::AssertionFailure() << "pitch slack written, row " << r;
        for (int i = 0; i < B * w; ++i) {
            const int pos = i % B;
            const int got = out.row(r)[i], orig = in.row(r)[i];
            if (B == 4 && N < 4 && pos == inst.pos[3]) {
                if (got != 255) return ::testing::AssertionFailure() << "filler byte " << got;
            } else if (N == 1 && inst.lossless) {
                if (got != (pos == inst.pos[0] ? orig : 128))
                    return ::testing::AssertionFailure() << "luma-only byte " << i << " row " << r;
            } else if (N > 1 && std::abs(got - orig) > inst.roundTrip) {
                return ::testing::AssertionFailure() << "round trip byte " << i << " row " << r << ": " << orig
                                                     << " -> " << got;
            }
        }
    }
    if (!out.buf.guards_intact() || !join.work_guards_intact())
        return ::testing::AssertionFailure() << "join wrote outside its buffers";
    return ::testing::AssertionSuccess();
}

TEST(PackedFrontends, SplitAndJoinMatchScalarAtAnyShape)
{
    for (const auto& inst : qtest::packed_instances()) {
        SCOPED_TRACE(inst.name);
        for (int iter = 0; iter < 12; ++iter) {
            const Shape s = random_shape(inst.bytes);
            ASSERT_TRUE(check(inst, s)) << "w " << s.width << " h " << s.height << " pitch " << s.pitch
                                        << " misalign " << s.misalign << " flip " << s.flip << " slice "
                                        << s.slice << " threads " << s.threads;
        }
    }
}

// Every width from 1 to 70 at every caller residue, for one instance of each pixel size and
// algorithm family: all head, group and tail combinations, flipped and not.
TEST(PackedFrontends, EveryWidthAndResidue)
{
    const char* picks[] = {"Frontend32<4,2103,DecorrAlgoRGB>", "Frontend32<3,1230,DecorrAlgoRGBToYUV<Rec709_Full>>",
                           "Frontend24<3,210,DecorrAlgoRGB>", "Frontend24<1,012,DecorrAlgoRGBToYUV<Rec601_Limited>>",
                           "Frontend24<3,120,DecorrAlgoYUV>"};
    int found = 0;
    for (const auto& inst : qtest::packed_instances()) {
        bool picked = false;
        for (const char* p : picks) picked |= inst.name == p;
        if (!picked) continue;
        ++found;
        SCOPED_TRACE(inst.name);
        for (int w = 1; w <= 70; ++w)
            for (size_t misalign = 0; misalign < 16; misalign += 4)
                for (bool flip : {false, true}) {
                    const int row = (inst.bytes * w + 3) & ~3;
                    const Shape s{w, 3, row + 4 * (w % 5), misalign, flip, 2, 1};
                    ASSERT_TRUE(check(inst, s)) << "w " << w << " misalign " << misalign << " flip " << flip;
                }
    }
    EXPECT_EQ(5, found);
}

TEST(PackedFrontends, Constants)
{
    for (const auto& inst : qtest::packed_instances()) {
        SCOPED_TRACE(inst.name);
        const auto fe = inst.make();
        EXPECT_EQ(1, fe->get_num_top_level_planes());
        EXPECT_EQ(4, fe->get_default_row_size_align(0));
        EXPECT_EQ(4, fe->get_min_row_ptr_align(0));
        EXPECT_EQ(4, fe->get_min_row_size_align(0));
        EXPECT_EQ(inst.bytes, fe->get_pixelblock_size(0));
        EXPECT_EQ(1, fe->get_pixelblock_pixels(0));
        EXPECT_EQ(37, fe->get_tplane_width(0, 37));
        EXPECT_EQ(29, fe->get_tplane_height(0, 29));
        EXPECT_TRUE(fe->can_flip());
        EXPECT_FALSE(fe->supports_adobe_16u_range());
        EXPECT_EQ(inst.np, fe->m_backend->get_num_canonical_planes());
        EXPECT_EQ(inst.bytes, fe->m_frameBackend->get_num_canonical_planes());
        EXPECT_EQ(1, fe->m_frameBackend->get_width_modulo());
        EXPECT_EQ(0, fe->m_flags);
    }
}

// Rows and widths that the engine never sends do nothing.
TEST(PackedFrontends, EmptyCallsTouchNothing)
{
    for (const auto& inst : qtest::packed_instances()) {
        const auto fe = inst.make();
        PackedFrame f(4, 2, 16, 0, 0x77);
        qtest::GuardedBuffer planes(64, 0, 0x11);
        ImgFrame p{};
        for (int k = 0; k < inst.np; ++k) p[k] = {planes.data() + 16 * k, 4};
        fe->decorrsplit(f.frame(), 0, 2, p);
        fe->decorrsplit(f.frame(), 4, 0, p);
        fe->undecorrjoin(f.frame(), -3, 2, p);
        fe->undecorrjoin(f.frame(), 4, 0, p);
        for (size_t i = 0; i < 64; ++i) ASSERT_EQ(0x11, planes[i]);
        for (size_t i = 0; i < 32; ++i) ASSERT_EQ(0x77, f.buf[i]);
    }
}

} // namespace

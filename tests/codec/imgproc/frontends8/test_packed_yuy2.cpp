// YUY2/UYVY frontends through the frontend interface, block by block as the engine drives them:
// the split planes equal the scalar split at any width and caller residue, the join restores the
// frame exactly (luma only: neutral chroma), and nothing outside the rows' bytes is written.

#include "codec/imgproc/frontends8/TImgProcFrontend_YUY2_UYVY.h"
#include "codec/imgproc/frontends8/Yuy2Rows.h"
#include "codec/imgproc/kernels/Yuy2Uyvy.h"

#include "packed_harness.h"

#include <gtest/gtest.h>

namespace {

using qtest::PackedFrame;
using qtest::SplitRun;

template <bool uyvy, bool lumaOnly>
::testing::AssertionResult check(int w, int h, int pitch, size_t misalign, int slice, int threads)
{
    const TImgProcFrontend_YUY2_UYVY<uyvy, lumaOnly> fe;
    PackedFrame in(w, h, pitch, misalign, 0);
    qtest::fill_random(in.buf.data(), in.buf.size());
    SplitRun split(fe, w, h, false, slice);
    split.layout(in.frame(), true);
    split.split_all(in.frame(), threads);
    std::vector<uint8_t> y(w), u(w / 2), v(w / 2);
    for (int r = 0; r < h; ++r) {
        split_yuy2_uyvy_scalar<uyvy, lumaOnly>(in.row(r), w / 2, y.data(), u.data(), v.data());
        for (int x = 0; x < w; ++x)
            if (split.sample(0, r, x) != y[x]) return ::testing::AssertionFailure() << "Y row " << r << " x " << x;
        if (!lumaOnly)
            for (int x = 0; x < w / 2; ++x)
                if (split.sample(1, r, x) != u[x] || split.sample(2, r, x) != v[x])
                    return ::testing::AssertionFailure() << "chroma row " << r << " x " << x;
    }
    if (!in.buf.guards_intact() || !split.work_guards_intact())
        return ::testing::AssertionFailure() << "split wrote outside its buffers";

    PackedFrame out(w, h, pitch, (misalign + 4u * qtest::rand_int(0, 15)) % 64, 0xEE);
    SplitRun join(fe, w, h, false, slice);
    join.layout(out.frame(), false);
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) join.sample(0, r, x) = split.sample(0, r, x);
        if (!lumaOnly)
            for (int x = 0; x < w / 2; ++x) {
                join.sample(1, r, x) = split.sample(1, r, x);
                join.sample(2, r, x) = split.sample(2, r, x);
            }
    }
    join.join_all(out.frame(), threads);
    for (int r = 0; r < h; ++r) {
        for (int i = 0; i < 2 * w; ++i) {
            const bool luma = (i & 1) == (uyvy ? 1 : 0);
            const int want = luma || !lumaOnly ? in.row(r)[i] : 128;
            if (out.row(r)[i] != want) return ::testing::AssertionFailure() << "join row " << r << " byte " << i;
        }
        for (int i = 2 * w; i < pitch; ++i)
            if (out.row(r)[i] != 0xEE) return ::testing::AssertionFailure() << "pitch slack written, row " << r;
    }
    if (!out.buf.guards_intact() || !join.work_guards_intact())
        return ::testing::AssertionFailure() << "join wrote outside its buffers";
    return ::testing::AssertionSuccess();
}

template <bool uyvy, bool lumaOnly>
void sweep()
{
    SCOPED_TRACE(testing::Message() << "uyvy " << uyvy << " lumaOnly " << lumaOnly);
    // Every even width up to 140 at every 4-byte residue of a 64-byte line.
    for (int w = 2; w <= 140; w += 2)
        for (size_t misalign = 0; misalign < 64; misalign += 4 * (1 + w % 3))
            ASSERT_TRUE((check<uyvy, lumaOnly>(w, 3, 2 * w + 4 * (w % 7), misalign, 2, 1))) << w << " " << misalign;
    for (int iter = 0; iter < 20; ++iter) {
        const int w = 2 * qtest::rand_int(2, iter == 0 ? 1000 : 100), h = qtest::rand_int(1, 40);
        const int pitch = ((2 * w + 3) & ~3) + 4 * qtest::rand_int(0, 20);
        ASSERT_TRUE((check<uyvy, lumaOnly>(w, h, pitch, 4u * qtest::rand_int(0, 15), qtest::rand_int(1, 28),
                                           qtest::rand_int(1, 4))));
    }
}

TEST(PackedYuy2, SplitAndJoinAtAnyShape)
{
    sweep<false, false>();
    sweep<false, true>();
    sweep<true, false>();
    sweep<true, true>();
}

// The kernels, counting the packed bytes handed to them.
long g_kernelBytes = 0;

template <bool uyvy, bool lumaOnly>
void counted_split(const uint8_t* src, int count, uint8_t* y, uint8_t* u, uint8_t* v)
{
    g_kernelBytes += count;
    split_yuy2_uyvy_sse<uyvy, lumaOnly>(src, count, y, u, v);
}

template <bool uyvy, bool lumaOnly>
void counted_join(uint8_t* dst, int count, const uint8_t* y, const uint8_t* u, const uint8_t* v)
{
    g_kernelBytes += count;
    join_yuy2_uyvy_sse<uyvy, lumaOnly>(dst, count, y, u, v);
}

// Rows laid out by the frontend reach the kernel in every whole 64-byte group after the head to
// the packed row's 64-byte boundary, wherever the frame starts, luma only as much as three planes.
template <bool uyvy, bool lumaOnly>
void kernel_takes_the_groups()
{
    SCOPED_TRACE(testing::Message() << "uyvy " << uyvy << " lumaOnly " << lumaOnly);
    // Width, caller's offset past a 64-byte boundary, kernel bytes of each row (2 w bytes less the
    // head of (64 - offset) mod 64, rounded down to 64; none when under 64 are left).
    struct Case {
        int width, offset, perRow;
    };
    for (const Case c : {Case{100, 0, 192}, Case{100, 16, 128}, Case{100, 60, 192}, Case{40, 60, 64},
                         Case{24, 0, 0}, Case{1920, 16, 3776}, Case{1920, 48, 3776}}) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " offset " << c.offset);
        const TImgProcFrontend_YUY2_UYVY<uyvy, lumaOnly> fe;
        const int rows = 3, pitch = (2 * c.width + 63) / 64 * 64; // every row at the same offset
        PackedFrame in(c.width, rows, pitch, c.offset, 0);
        SplitRun run(fe, c.width, rows, false, rows);
        run.layout(in.frame(), true);
        g_kernelBytes = 0;
        packed8::split422_rows<uyvy, lumaOnly>(in.frame(), c.width, rows, run.split(), &counted_split<uyvy, lumaOnly>);
        EXPECT_EQ(rows * c.perRow, g_kernelBytes) << "split";
        run.layout(in.frame(), false);
        g_kernelBytes = 0;
        packed8::join422_rows<uyvy, lumaOnly>(in.frame(), c.width, rows, run.split(), &counted_join<uyvy, lumaOnly>);
        EXPECT_EQ(rows * c.perRow, g_kernelBytes) << "join";
    }
}

TEST(PackedYuy2, KernelTakesTheWholeGroupsAtAnyStart)
{
    kernel_takes_the_groups<false, false>();
    kernel_takes_the_groups<false, true>();
    kernel_takes_the_groups<true, false>();
    kernel_takes_the_groups<true, true>();
}

// The engine admits even widths only; an odd width must still stay inside the row: the last
// pixel, which has no block of its own, is neither read nor written.
TEST(PackedYuy2, OddWidthStaysInsideTheRow)
{
    const TImgProcFrontend_YUY2_UYVY<false, false> fe;
    for (int w : {1, 3, 63, 65, 129}) {
        const int pitch = 2 * w;
        PackedFrame in(w, 2, pitch, 4, 0);
        qtest::fill_random(in.buf.data(), in.buf.size());
        qtest::GuardedBuffer y(static_cast<size_t>(w) * 2, 0, 0x5A), u(w / 2 * 2, 0, 0x5A), v(w / 2 * 2, 0, 0x5A);
        ImgFrame planes{};
        planes[0] = {y.data(), w};
        planes[1] = {u.data(), w / 2};
        planes[2] = {v.data(), w / 2};
        fe.decorrsplit(in.frame(), w, 2, planes);
        EXPECT_EQ(0x5A, y[w - 1]);
        EXPECT_EQ(0x5A, y[2 * w - 1]);
        PackedFrame out(w, 2, pitch, 8, 0xEE);
        fe.undecorrjoin(out.frame(), w, 2, planes);
        EXPECT_EQ(0xEE, out.row(0)[2 * w - 2]);
        EXPECT_EQ(0xEE, out.row(1)[2 * w - 1]);
        EXPECT_TRUE(in.buf.guards_intact() && out.buf.guards_intact() && y.guards_intact() && u.guards_intact() &&
                    v.guards_intact());
    }
}

TEST(PackedYuy2, Constants)
{
    const TImgProcFrontend_YUY2_UYVY<true, true> luma;
    const TImgProcFrontend_YUY2_UYVY<false, false> full;
    for (const ImgProcFrontend* fe : {static_cast<const ImgProcFrontend*>(&luma), static_cast<const ImgProcFrontend*>(&full)}) {
        EXPECT_EQ(1, fe->get_num_top_level_planes());
        EXPECT_EQ(4, fe->get_pixelblock_size(0));
        EXPECT_EQ(2, fe->get_pixelblock_pixels(0));
        EXPECT_EQ(4, fe->get_min_row_size_align(0));
        EXPECT_FALSE(fe->can_flip());
        EXPECT_EQ(2, fe->m_frameBackend->get_width_modulo());
    }
    EXPECT_EQ(1, luma.m_backend->get_num_canonical_planes());
    EXPECT_EQ(3, full.m_backend->get_num_canonical_planes());
    EXPECT_EQ(50, full.m_backend->get_cplane_width(1, 100));
}

} // namespace

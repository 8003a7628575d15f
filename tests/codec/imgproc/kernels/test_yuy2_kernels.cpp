// YUY2/UYVY kernels against their scalar twins, the whole-groups-only count rule, and the fixed
// byte roles of both layouts.

#include "codec/imgproc/kernels/Yuy2Uyvy.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <cstring>

using qtest::GuardedBuffer;

namespace {

size_t random_misalign() { return 16u * static_cast<size_t>(qtest::rand_int(0, 3)); }

template <bool uyvy, bool lumaOnly>
void simd_matches_scalar()
{
    SCOPED_TRACE(testing::Message() << "uyvy " << uyvy << " lumaOnly " << lumaOnly);
    for (int iter = 0; iter < 60; ++iter) {
        const int groups = iter == 0 ? 0 : (iter == 1 ? 70 : qtest::rand_int(1, 10));
        const size_t bytes = 64u * groups, luma = bytes / 2, chroma = bytes / 4;
        GuardedBuffer src(bytes, random_misalign());
        qtest::fill_random(src.data(), bytes);
        GuardedBuffer y(luma, random_misalign(), 1), u(chroma, random_misalign(), 2), v(chroma, random_misalign(), 3);
        GuardedBuffer ry(luma, 0, 4), ru(chroma, 0, 5), rv(chroma, 0, 6);
        split_yuy2_uyvy_sse<uyvy, lumaOnly>(src.data(), static_cast<int>(bytes), y.data(),
                                            lumaOnly ? nullptr : u.data(), lumaOnly ? nullptr : v.data());
        split_yuy2_uyvy_scalar<uyvy, lumaOnly>(src.data(), static_cast<int>(bytes / 4), ry.data(), ru.data(),
                                               rv.data());
        ASSERT_EQ(0, std::memcmp(y.data(), ry.data(), luma));
        if (!lumaOnly) {
            ASSERT_EQ(0, std::memcmp(u.data(), ru.data(), chroma));
            ASSERT_EQ(0, std::memcmp(v.data(), rv.data(), chroma));
        }
        ASSERT_TRUE(y.guards_intact() && u.guards_intact() && v.guards_intact());

        GuardedBuffer out(bytes, random_misalign(), 7), ref(bytes, 0, 8);
        join_yuy2_uyvy_sse<uyvy, lumaOnly>(out.data(), static_cast<int>(bytes), y.data(),
                                           lumaOnly ? nullptr : u.data(), lumaOnly ? nullptr : v.data());
        join_yuy2_uyvy_scalar<uyvy, lumaOnly>(ref.data(), static_cast<int>(bytes / 4), y.data(), u.data(), v.data());
        ASSERT_EQ(0, std::memcmp(out.data(), ref.data(), bytes));
        ASSERT_TRUE(out.guards_intact());
        // A split and a join restore the run; luma only gives neutral chroma.
        for (size_t i = 0; i < bytes; ++i) {
            const bool isLuma = (i & 1) == (uyvy ? 1u : 0u);
            ASSERT_EQ(isLuma || !lumaOnly ? src[i] : 128, out[i]) << i;
        }
    }
}

TEST(Yuy2Kernels, SimdMatchesScalar)
{
    simd_matches_scalar<false, false>();
    simd_matches_scalar<false, true>();
    simd_matches_scalar<true, false>();
    simd_matches_scalar<true, true>();
}

template <bool uyvy, bool lumaOnly>
void whole_groups_only()
{
    for (int count : {-64, -1, 0, 1, 15, 16, 63, 64, 65, 79, 80, 127, 128, 200}) {
        SCOPED_TRACE(count);
        const size_t bytes = count > 0 ? count : 0;
        const size_t done = count >= 16 ? count / 64 * 64 : 0;
        GuardedBuffer src(bytes, 0);
        qtest::fill_random(src.data(), bytes);
        GuardedBuffer y(bytes / 2, 0, 0x5A), u(bytes / 4, 0, 0x5A), v(bytes / 4, 0, 0x5A);
        split_yuy2_uyvy_sse<uyvy, lumaOnly>(src.data(), count, y.data(), u.data(), v.data());
        ASSERT_TRUE(y.guards_intact() && u.guards_intact() && v.guards_intact());
        for (size_t i = done / 2; i < bytes / 2; ++i) ASSERT_EQ(0x5A, y[i]);
        for (size_t i = lumaOnly ? 0 : done / 4; i < bytes / 4; ++i) {
            ASSERT_EQ(0x5A, u[i]);
            ASSERT_EQ(0x5A, v[i]);
        }
        GuardedBuffer dst(bytes, 0, 0x5A);
        join_yuy2_uyvy_sse<uyvy, lumaOnly>(dst.data(), count, y.data(), u.data(), v.data());
        ASSERT_TRUE(dst.guards_intact());
        for (size_t i = done; i < bytes; ++i) ASSERT_EQ(0x5A, dst[i]);
    }
}

TEST(Yuy2Kernels, WholeGroupsOnly)
{
    whole_groups_only<false, false>();
    whole_groups_only<false, true>();
    whole_groups_only<true, false>();
    whole_groups_only<true, true>();
}

TEST(Yuy2Kernels, ByteRoles)
{
    alignas(16) uint8_t src[64], y[32], u[16], v[16], out[64];
    for (int i = 0; i < 64; i += 4) src[i] = 10, src[i + 1] = 20, src[i + 2] = 30, src[i + 3] = 40;
    split_yuy2_uyvy_sse<false, false>(src, 64, y, u, v);
    EXPECT_EQ(10, y[0]);
    EXPECT_EQ(30, y[1]);
    EXPECT_EQ(20, u[0]);
    EXPECT_EQ(40, v[0]);
    EXPECT_EQ(10, y[30]);
    EXPECT_EQ(30, y[31]);
    EXPECT_EQ(20, u[15]);
    EXPECT_EQ(40, v[15]);
    split_yuy2_uyvy_sse<true, false>(src, 64, y, u, v);
    EXPECT_EQ(20, y[0]);
    EXPECT_EQ(40, y[1]);
    EXPECT_EQ(10, u[0]);
    EXPECT_EQ(30, v[0]);

    for (int i = 0; i < 32; i += 2) y[i] = 10, y[i + 1] = 30;
    std::memset(u, 1, sizeof u);
    join_yuy2_uyvy_sse<false, true>(out, 64, y, u, nullptr);
    EXPECT_EQ(10, out[60]);
    EXPECT_EQ(128, out[61]);
    EXPECT_EQ(30, out[62]);
    EXPECT_EQ(128, out[63]);
    join_yuy2_uyvy_sse<true, true>(out, 64, y, nullptr, v);
    EXPECT_EQ(128, out[0]);
    EXPECT_EQ(10, out[1]);
    EXPECT_EQ(128, out[2]);
    EXPECT_EQ(30, out[3]);
}

} // namespace

// Every packed-pixel kernel against its scalar twin, at random group counts and 16-byte-aligned
// positions, with guard bytes around every buffer; and the whole-groups-only count rule.

#include "decorr_table.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using qtest::GuardedBuffer;

namespace {

constexpr int kGroupPixels = 16;

// A 16-byte-aligned start at a random 16-byte offset from a 64-byte boundary.
size_t random_misalign() { return 16u * static_cast<size_t>(qtest::rand_int(0, 3)); }

struct Planes {
    std::unique_ptr<GuardedBuffer> buf[4];
    Planes(int np, size_t size, uint8_t fill)
    {
        for (int k = 0; k < np; ++k) buf[k] = std::make_unique<GuardedBuffer>(size, random_misalign(), fill);
    }
    uint8_t* ptr(int k) { return buf[k] ? buf[k]->data() : nullptr; }
    bool intact() const
    {
        for (const auto& b : buf)
            if (b && !b->guards_intact()) return false;
        return true;
    }
};

TEST(DecorrKernels, SimdMatchesScalarAtRandomSizes)
{
    for (const auto& inst : qtest::decorr_instances()) {
        SCOPED_TRACE(inst.name);
        const int groupBytes = kGroupPixels * inst.bytes;
        for (int iter = 0; iter < 24; ++iter) {
            const int groups = iter == 0 ? 0 : (iter == 1 ? 130 : qtest::rand_int(1, 12));
            const int pixels = groups * kGroupPixels;
            const size_t packedBytes = static_cast<size_t>(groups) * groupBytes;

            // Split: same random pixels through both paths; planes beyond NP are null, so a
            // kernel touching them would crash.
            GuardedBuffer src(packedBytes, random_misalign());
            qtest::fill_random(src.data(), packedBytes);
            Planes simd(inst.np, pixels, 0x11), ref(inst.np, pixels, 0x22);
            inst.split_sse(src.data(), static_cast<int>(packedBytes), simd.ptr(0), simd.ptr(1), simd.ptr(2),
                           simd.ptr(3));
            inst.split_ref(src.data(), static_cast<int>(packedBytes), ref.ptr(0), ref.ptr(1), ref.ptr(2),
                           ref.ptr(3));
            for (int k = 0; k < inst.np; ++k)
                ASSERT_EQ(0, std::memcmp(simd.ptr(k), ref.ptr(k), pixels)) << "split plane " << k << " groups " << groups;
            ASSERT_TRUE(simd.intact());
            ASSERT_TRUE(src.guards_intact());

            // Join of arbitrary planes (for the matrices: every Y, U, V, in or out of the RGB cube).
            Planes in(inst.np, pixels, 0);
            for (int k = 0; k < inst.np; ++k) qtest::fill_random(in.ptr(k), pixels);
            GuardedBuffer outSimd(packedBytes, random_misalign(), 0x33), outRef(packedBytes, 0, 0x44);
            inst.join_sse(outSimd.data(), static_cast<int>(packedBytes), in.ptr(0), in.ptr(1), in.ptr(2), in.ptr(3));
            inst.join_ref(outRef.data(), static_cast<int>(packedBytes), in.ptr(0), in.ptr(1), in.ptr(2), in.ptr(3));
            ASSERT_EQ(0, std::memcmp(outSimd.data(), outRef.data(), packedBytes)) << "join groups " << groups;
            ASSERT_TRUE(outSimd.guards_intact());

            // Lossless instances restore the packed run; the filler byte of NP 3 comes back as 255
            // and luma-only joins write neutral chroma.
            if (inst.lossless) {
                GuardedBuffer back(packedBytes, random_misalign());
                inst.join_sse(back.data(), static_cast<int>(packedBytes), simd.ptr(0), simd.ptr(1), simd.ptr(2),
                              simd.ptr(3));
                for (size_t i = 0; i < packedBytes; ++i) {
                    const int pos = static_cast<int>(i % inst.bytes);
                    uint8_t want = src[i];
                    if (inst.np < 4 && pos == inst.pos[3]) want = 255;
                    if (inst.np == 1 && (pos == inst.pos[1] || pos == inst.pos[2])) want = 128;
                    ASSERT_EQ(want, back[i]) << "byte " << i;
                }
            }
        }
    }
}

// A kernel converts whole groups only: count / 64 (4-byte) or count / 48 (3-byte). Nothing at or
// past the last whole group is written, whatever the count, in the packed run or in any plane.
TEST(DecorrKernels, WholeGroupsOnly)
{
    const int counts[] = {-64, -1, 0, 1, 15, 16, 47, 48, 63, 64, 65, 79, 80, 95, 96, 127, 128, 143, 200, 1000};
    for (const auto& inst : qtest::decorr_instances()) {
        SCOPED_TRACE(inst.name);
        const int groupBytes = kGroupPixels * inst.bytes;
        for (int count : counts) {
            SCOPED_TRACE(count);
            const size_t bytes = count > 0 ? static_cast<size_t>(count) : 0;
            const size_t samples = bytes / inst.bytes;
            const int groups = count >= 16 ? count / groupBytes : 0;
            const size_t done = static_cast<size_t>(groups) * kGroupPixels;

            GuardedBuffer src(bytes, 0);
            qtest::fill_random(src.data(), bytes);
            Planes planes(inst.np, samples, 0x5A);
            inst.split_sse(src.data(), count, planes.ptr(0), planes.ptr(1), planes.ptr(2), planes.ptr(3));
            ASSERT_TRUE(planes.intact());
            for (int k = 0; k < inst.np; ++k)
                for (size_t i = done; i < samples; ++i) ASSERT_EQ(0x5A, planes.ptr(k)[i]) << "plane " << k;

            GuardedBuffer dst(bytes, 0, 0x5A);
            inst.join_sse(dst.data(), count, planes.ptr(0), planes.ptr(1), planes.ptr(2), planes.ptr(3));
            ASSERT_TRUE(dst.guards_intact());
            for (size_t i = done * inst.bytes; i < bytes; ++i) ASSERT_EQ(0x5A, dst[i]) << "byte " << i;
            if (groups > 0) {
                // The converted part is the scalar result.
                GuardedBuffer ref(done * inst.bytes, 0);
                inst.join_ref(ref.data(), static_cast<int>(done * inst.bytes), planes.ptr(0), planes.ptr(1),
                              planes.ptr(2), planes.ptr(3));
                ASSERT_EQ(0, std::memcmp(ref.data(), dst.data(), done * inst.bytes));
            }
        }
    }
}

} // namespace

// The frame rate an imported stream is announced with when scale x frames would not fit a signed
// 32-bit duration: rate and scale shrink by the same factor, each truncated and kept at 1 or more.
// Streams this long take millions of index entries, so the rule is tested on its own here; the
// file-level cases are in test_file_info.cpp.
#include <gtest/gtest.h>

#include "importer/FrameRate.h"

namespace {

TEST(AnnouncedFrameRate, DurationsBeyondThirtyOneBitsShrinkTheRate)
{
    struct Case {
        int32_t rate, scale;
        uint64_t frames;
        int32_t told[2];
        bool overflow;
    };
    const Case cases[] = {
        // 1001 x 3,000,000 = 3,003,000,000; f = 2147483647 / 3003000000 = 0.7151128...:
        // 30000 f = 21453.38, 1001 f = 715.83.
        {30000, 1001, 3000000, {21453, 715}, true},
        // 2997/100 is 30000/1001 before the duration is looked at.
        {2997, 100, 3000000, {21453, 715}, true},
        // 1001 x 2,145,338 = 2,147,483,338 fits; one frame more passes 2^31 - 1 by 692:
        // 30000 f = 29999.990, 1001 f = 1000.9997.
        {30000, 1001, 2145338, {30000, 1001}, false},
        {30000, 1001, 2145339, {29999, 1000}, true},
        // 3,000,000,000 frames at 30/1: 30 f = 21.47, 1 f = 0.72, which is raised to 1.
        {30, 1, 3000000000ull, {21, 1}, true},
    };
    for (const Case& c : cases) {
        const AdjustedFrameRate told = AdjustFrameRate(c.rate, c.scale, c.frames);
        EXPECT_EQ(told.rate, c.told[0]) << c.rate << "/" << c.scale << " x " << c.frames;
        EXPECT_EQ(told.scale, c.told[1]) << c.rate << "/" << c.scale << " x " << c.frames;
        EXPECT_EQ(told.durationOverflow, c.overflow) << c.rate << "/" << c.scale << " x " << c.frames;
        EXPECT_FALSE(told.invalid);
    }
}

} // namespace

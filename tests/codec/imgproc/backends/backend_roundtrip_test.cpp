// Predict then unpredict restores every plane, for every depth, predictor id and form.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "plane_fixture.h"

#include <gtest/gtest.h>

namespace {

template <class S>
void round_trips(const ImgProcBackend& b, unsigned max_value)
{
    const int widths[] = {1, 2, 7, 16, 17, 33, 64, 70, 131};
    const int heights[] = {1, 2, 3, 9, 16, 17, 28, 31};
    for (int w : widths)
        for (int h : heights)
            for (qtest::Content c : {qtest::Content::Random, qtest::Content::Extremes, qtest::Content::Ramp}) {
                const auto in = qtest::make_content<S>(c, w, h, max_value);
                const size_t mis = sizeof(S) * static_cast<size_t>(qtest::rand_int(0, 15 / sizeof(S)));
                const int32_t stride = static_cast<int32_t>(sizeof(S) * w) + qtest::rand_int(0, 3) * 16;
                for (int pred : {-1, 0, 1, 2, 3, 4, 200}) {
                    qtest::TestPlane<S> src(w, h, stride, mis), dst(w, h, stride, mis), inpl(w, h, stride, mis);
                    src.set_samples(in);
                    inpl.set_samples(in);
                    b.predict(src.plane(), dst.plane(), w, h, pred);
                    b.predict(inpl.plane(), w, h, pred);
                    ASSERT_EQ(dst.samples(), inpl.samples()) << w << "x" << h << " pred " << pred;
                    b.unpredict(inpl.plane(), w, h, pred);
                    ASSERT_EQ(inpl.samples(), in) << w << "x" << h << " pred " << pred;
                    ASSERT_TRUE(src.intact() && dst.intact() && inpl.intact());
                }
            }
}

TEST(BackendRoundTrip, EightBit) { round_trips<uint8_t>(TImgProcBackend<unsigned char, 8, 3, 1, 1>(), 0xFF); }
TEST(BackendRoundTrip, TenBit) { round_trips<int16_t>(TImgProcBackend<short, 10, 3, 2, 2>(), 0x3FF); }
TEST(BackendRoundTrip, TwelveBit) { round_trips<int16_t>(TImgProcBackend16_Bayer<12>(), 0xFFF); }
TEST(BackendRoundTrip, FourteenBit) { round_trips<int16_t>(TImgProcBackend<short, 14, 4, 1, 1>(), 0x3FFF); }

} // namespace

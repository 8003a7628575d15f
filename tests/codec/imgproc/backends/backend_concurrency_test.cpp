// One backend object serves every worker thread at once: 16 threads predict and unpredict
// disjoint planes through the same objects and must get the single-threaded bytes.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "plane_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

template <class S>
void run_threads(const ImgProcBackend& b, unsigned max_value)
{
    constexpr int kThreads = 16;
    constexpr int kW = 203, kH = 28;
    struct Job {
        std::vector<S> in, expect_res;
        int pred;
    };
    std::vector<Job> jobs(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        Job& j = jobs[t];
        j.in = qtest::make_content<S>(qtest::Content::Random, kW, kH - t % 9, max_value);
        j.pred = 1 + t % 3;
        qtest::TestPlane<S> p(kW, kH - t % 9, kW * sizeof(S), 0);
        p.set_samples(j.in);
        b.predict(p.plane(), kW, p.h, j.pred);
        j.expect_res = p.samples();
    }
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const Job& j = jobs[t];
            const int h = kH - t % 9;
            qtest::TestPlane<S> src(kW, h, kW * sizeof(S) + 32, 2 * sizeof(S));
            qtest::TestPlane<S> dst(kW, h, kW * sizeof(S) + 32, 2 * sizeof(S));
            src.set_samples(j.in);
            while (!go.load()) std::this_thread::yield();
            for (int rep = 0; rep < 20; ++rep) {
                b.predict(src.plane(), dst.plane(), kW, h, j.pred);
                if (dst.samples() != j.expect_res) ++failures;
                b.unpredict(dst.plane(), kW, h, j.pred);
                if (dst.samples() != j.in) ++failures;
            }
        });
    go = true;
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(BackendConcurrency, SharedObjectsEightBit)
{
    const TImgProcBackend<unsigned char, 8, 3, 2, 2> b;
    run_threads<uint8_t>(b, 0xFF);
}

TEST(BackendConcurrency, SharedObjectsTenBit)
{
    const TImgProcBackend<short, 10, 3, 1, 1> b;
    run_threads<int16_t>(b, 0x3FF);
}

} // namespace

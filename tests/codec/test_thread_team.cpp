#include "codec/ThreadBarrier.h"
#include "codec/ThreadTeam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <thread>
#include <vector>

using threading::ThreadTeam;
using threading::WorkT;

namespace {

int expected_cpus() { return std::clamp(threading::GetNumCPUs(), 1, 64); }

// Runs `items` items and checks each ran exactly once with a thread index below the count.
void run_and_check(ThreadTeam& team, int items)
{
    std::vector<std::atomic<int>> hits(size_t(std::max(items, 1)));
    std::atomic<int> badThread{0};
    const int threads = team.get_num_threads();
    auto fn = [&](int item, int thread) {
        hits[size_t(item)].fetch_add(1);
        if (thread < 0 || thread >= threads) badThread.fetch_add(1);
    };
    WorkT<decltype(fn)> work(fn, items);
    EXPECT_TRUE(team.parallel_for_work(&work));
    for (int i = 0; i < items; ++i) ASSERT_EQ(hits[size_t(i)].load(), 1) << "item " << i;
    EXPECT_EQ(badThread.load(), 0);
}

} // namespace

TEST(ThreadTeam, ThreadCountIsClamped)
{
    ThreadTeam team;
    EXPECT_EQ(team.get_num_threads(), expected_cpus());
    team.set_num_threads(100);
    EXPECT_EQ(team.get_num_threads(), 64);
    team.set_num_threads(0);
    EXPECT_EQ(team.get_num_threads(), expected_cpus());
    team.set_num_threads(-3);
    EXPECT_EQ(team.get_num_threads(), expected_cpus());
    team.set_num_threads(5);
    EXPECT_EQ(team.get_num_threads(), 5);
    EXPECT_EQ(ThreadTeam::get_optimal_threads(), threading::GetNumCPUs());
}

TEST(ThreadTeam, EveryItemRunsOnce)
{
    for (int threads = 1; threads <= 8; ++threads) {
        ThreadTeam team;
        team.set_num_threads(threads);
        for (int items : {0, 1, 1000}) run_and_check(team, items);
    }
}

TEST(ThreadTeam, SingleThreadRunsInOrderOnCaller)
{
    ThreadTeam team;
    team.set_num_threads(1);
    std::vector<int> order;
    const auto caller = std::this_thread::get_id();
    bool onCaller = true;
    auto fn = [&](int item, int thread) {
        order.push_back(item);
        onCaller = onCaller && thread == 0 && std::this_thread::get_id() == caller;
    };
    WorkT<decltype(fn)> work(fn, 50);
    team.parallel_for_work(&work);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[size_t(i)], i);
    EXPECT_TRUE(onCaller);
}

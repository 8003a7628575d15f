#include "codec/threading/ThreadBarrier.h"
#include "codec/threading/ThreadTeam.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <new>
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
        for (int items : {0, 1, 7, 8, 9, 39, 1000}) run_and_check(team, items);
    }
    // More items than a pass splits one by one: they go in chunks.
    ThreadTeam team;
    team.set_num_threads(5);
    for (int items : {65535, 65536, 200001}) run_and_check(team, items);
}

TEST(ThreadTeam, ThreadsThatRunOutStealFromTheOthers)
{
    // The caller's first item waits until every other item has run, its own second one included:
    // the pass only ends if the workers take items of the caller's run. A team that does not
    // steal never ends the pass, and the test's time limit reports it.
    ThreadTeam team;
    team.set_num_threads(4);
    std::atomic<int> done{0};
    auto fn = [&](int item, int) {
        if (item != 0) {
            done.fetch_add(1);
            return;
        }
        while (done.load() < 7) std::this_thread::yield();
    };
    WorkT<decltype(fn)> work(fn, 8);
    ASSERT_TRUE(team.parallel_for_work(&work));
    EXPECT_EQ(done.load(), 7);
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

TEST(ThreadTeam, CountChangesBetweenPasses)
{
    ThreadTeam team;
    for (int threads : {8, 1, 4, 4, 2, 8, 3}) {
        team.set_num_threads(threads);
        ASSERT_EQ(team.get_num_threads(), threads);
        run_and_check(team, 257);
    }
    // Closing explicitly and running again starts the team anew.
    team.close_threads();
    run_and_check(team, 100);
}

TEST(ThreadTeam, ManyShortPasses)
{
    ThreadTeam team;
    team.set_num_threads(8);
    std::atomic<long> sum{0};
    auto fn = [&](int item, int) { sum.fetch_add(item + 1, std::memory_order_relaxed); };
    for (int pass = 0; pass < 3000; ++pass) {
        const int items = pass % 11;
        WorkT<decltype(fn)> work(fn, items);
        team.parallel_for_work(&work);
        ASSERT_EQ(sum.exchange(0), long(items) * (items + 1) / 2) << "pass " << pass;
    }
}

TEST(ThreadTeam, WorkersShareThePass)
{
    // Items that wait for each other can only finish when several threads run them at once.
    ThreadTeam team;
    team.set_num_threads(4);
    std::atomic<int> arrived{0};
    std::vector<std::atomic<int>> byThread(4);
    auto fn = [&](int, int thread) {
        byThread[size_t(thread)].fetch_add(1);
        arrived.fetch_add(1);
        while (arrived.load() < 4) std::this_thread::yield();
    };
    WorkT<decltype(fn)> work(fn, 4);
    ASSERT_TRUE(team.parallel_for_work(&work));
    for (auto& n : byThread) EXPECT_EQ(n.load(), 1);
}

namespace {

// Worker threads made and ended, counted by a thread creation that wraps each thread's body.
std::atomic<int> g_threadsMade{0}, g_threadsEnded{0};

struct CountedBody {
    void* (*fn)(void*);
    void* arg;
    static void* run(void* self)
    {
        const CountedBody body = *static_cast<CountedBody*>(self);
        delete static_cast<CountedBody*>(self);
        void* result = body.fn(body.arg);
        g_threadsEnded.fetch_add(1);
        return result;
    }
};

int counted_create(pthread_t* t, const pthread_attr_t* a, void* (*fn)(void*), void* arg)
{
    auto* body = new CountedBody{fn, arg};
    const int rc = pthread_create(t, a, &CountedBody::run, body);
    if (rc != 0) delete body;
    else g_threadsMade.fetch_add(1);
    return rc;
}

} // namespace

// A team ends its workers before it goes: by the end of its destructor every worker it made has
// left its thread body, whether it ran passes, only waited for one, or never started.
TEST(ThreadTeam, DestructionWithAndWithoutThreads)
{
    g_threadsMade = 0;
    g_threadsEnded = 0;
    ThreadTeam::set_create_thread_for_testing(&counted_create);
    { ThreadTeam idle; }
    EXPECT_EQ(g_threadsMade.load(), 0);
    {
        ThreadTeam running;
        running.set_num_threads(6);
        running.start_threads();
        run_and_check(running, 10);
    }
    EXPECT_EQ(g_threadsMade.load(), 5);
    EXPECT_EQ(g_threadsEnded.load(), 5);
    {
        ThreadTeam started;
        started.set_num_threads(3);
        started.start_threads();
    }
    ThreadTeam::set_create_thread_for_testing(nullptr);
    EXPECT_EQ(g_threadsMade.load(), 7);
    EXPECT_EQ(g_threadsEnded.load(), 7);
}

TEST(ThreadTeam, ThrowingItemsFailThePassNotTheProcess)
{
    for (int threads : {1, 2, 8}) {
        ThreadTeam team;
        team.set_num_threads(threads);
        std::atomic<int> ran{0};
        auto fn = [&](int item, int) {
            ran.fetch_add(1);
            if (item == 3) throw std::runtime_error("item 3");
            if (item == 5) throw std::bad_alloc();
        };
        WorkT<decltype(fn)> work(fn, 200);
        EXPECT_FALSE(team.parallel_for_work(&work));
        EXPECT_TRUE(work.failed());
        EXPECT_LE(ran.load(), 200);
        bool rethrown = false;
        try {
            work.rethrow_if_failed();
        } catch (const std::exception&) {
            rethrown = true;
        }
        EXPECT_TRUE(rethrown);
        // The team keeps working.
        run_and_check(team, 500);
    }
}

namespace {

std::atomic<int> g_allowedThreads{0};

int limited_create(pthread_t* t, const pthread_attr_t* a, void* (*fn)(void*), void* arg)
{
    if (g_allowedThreads.fetch_sub(1) <= 0) return EAGAIN;
    return pthread_create(t, a, fn, arg);
}

struct CreateHookGuard {
    explicit CreateHookGuard(int allowed)
    {
        g_allowedThreads = allowed;
        ThreadTeam::set_create_thread_for_testing(&limited_create);
    }
    ~CreateHookGuard() { ThreadTeam::set_create_thread_for_testing(nullptr); }
};

} // namespace

TEST(ThreadTeam, RefusedThreadsShrinkTheTeamInsteadOfHanging)
{
    for (int allowed : {0, 1, 3}) {
        ThreadTeam team;
        team.set_num_threads(8);
        {
            CreateHookGuard guard(allowed);
            run_and_check(team, 300);
        }
        EXPECT_EQ(team.get_num_threads(), allowed + 1);
        // Nothing restarts while the count stays; later passes run on the threads that exist.
        run_and_check(team, 300);
        run_and_check(team, 0);
        // Asking again once the system allows it starts the full team.
        team.set_num_threads(8);
        run_and_check(team, 300);
        EXPECT_EQ(team.get_num_threads(), 8);
    }
}

TEST(ThreadBarrier, LastArriverGetsOne)
{
    threading::Barrier barrier;
    ASSERT_EQ(threading::barrier_init(&barrier, nullptr, 5), 0);
    for (int cycle = 0; cycle < 50; ++cycle) {
        std::atomic<int> ones{0}, zeros{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 5; ++i)
            threads.emplace_back([&] { (threading::barrier_wait(&barrier) == 1 ? ones : zeros).fetch_add(1); });
        for (auto& t : threads) t.join();
        ASSERT_EQ(ones.load(), 1);
        ASSERT_EQ(zeros.load(), 4);
    }
    EXPECT_EQ(threading::barrier_destroy(&barrier), 0);

    ASSERT_EQ(threading::barrier_init(&barrier, nullptr, 1), 0);
    EXPECT_EQ(threading::barrier_wait(&barrier), 1);
    threading::barrier_destroy(&barrier);
}

TEST(ThreadBarrier, ErrorsAndAttributes)
{
    threading::Barrier barrier;
    errno = 0;
    EXPECT_EQ(threading::barrier_init(&barrier, nullptr, 0), -1);
    EXPECT_EQ(errno, EINVAL);

    threading::BarrierAttr attr;
    EXPECT_EQ(threading::barrierattr_init(&attr), 0);
    int pshared = -7;
    EXPECT_EQ(threading::barrierattr_getpshared(&attr, &pshared), 0);
    EXPECT_EQ(pshared, threading::kBarrierProcessPrivate);
    EXPECT_EQ(threading::barrierattr_setpshared(&attr, threading::kBarrierProcessPrivate), 0);
    errno = 0;
    EXPECT_EQ(threading::barrierattr_setpshared(&attr, threading::kBarrierProcessPrivate + 1), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(threading::barrierattr_destroy(&attr), 0);
    ASSERT_EQ(threading::barrier_init(&barrier, &attr, 2), 0);
    threading::barrier_destroy(&barrier);
}

TEST(ThreadBarrier, LoweringTheCountReleasesWaiters)
{
    threading::Barrier barrier;
    ASSERT_EQ(threading::barrier_init(&barrier, nullptr, 4), 0);
    std::atomic<int> released{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i)
        threads.emplace_back([&] {
            threading::barrier_wait(&barrier);
            released.fetch_add(1);
        });
    // Wait until both are parked, then lower 4 -> 2: the cycle is complete.
    for (;;) {
        pthread_mutex_lock(&barrier.mutex);
        const unsigned waiting = barrier.waiting;
        pthread_mutex_unlock(&barrier.mutex);
        if (waiting == 2) break;
        std::this_thread::yield();
    }
    EXPECT_EQ(threading::barrier_lower_count(&barrier, 2), 0);
    for (auto& t : threads) t.join();
    EXPECT_EQ(released.load(), 2);
    // The lowered count holds for the next cycles.
    std::thread other([&] { threading::barrier_wait(&barrier); });
    threading::barrier_wait(&barrier);
    other.join();
    EXPECT_EQ(threading::barrier_lower_count(&barrier, 3), -1);
    EXPECT_EQ(threading::barrier_lower_count(&barrier, 0), -1);
    threading::barrier_destroy(&barrier);
}

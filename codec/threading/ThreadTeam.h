#pragma once
// The engine's parallel-for: a team of persistent worker threads that poll briefly, then sleep,
// between passes. parallel_for_work announces one work set, wakes the workers and runs items on
// the calling thread (thread index 0) at once; it returns when every item has run. The items are
// split into one run of consecutive items per thread, which each thread claims one at a time
// from the front; a thread that has run out steals from the back of another's run, so threads
// that finish early take more, and a pass never waits for a worker that has not woken yet: on a
// busy machine the threads that do run finish the pass. The split keeps an item on the same
// thread from pass to pass, and with it the data the item touches in that processor's cache.
//
// One thread at a time drives a team (the engine holds its instance lock); the team's own mutex
// only guards the announcement of a pass and the sleeping.

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <exception>

namespace threading {

// The number of online processors as the system reports it, unclamped (may be 0 or -1 when the
// query fails).
int GetNumCPUs();

// One parallel pass: `count` items, run as operator()(item, thread index).
class Work {
public:
    explicit Work(int32_t itemCount = 0) : count(itemCount) {}
    virtual ~Work() = default;
    virtual void operator()(int item, int thread) = 0;

    // True when an item threw. The team catches what an item throws (a worker thread must never
    // let an exception reach std::terminate), keeps the first exception and skips the items not
    // yet begun; the pass still ends normally and the caller decides what a failure means.
    bool failed() const { return m_failed.load(std::memory_order_acquire); }
    // Rethrows the first exception an item threw, on the calling thread; nothing when none did.
    void rethrow_if_failed() const;

    int32_t count;
    std::atomic<int64_t> next{-1}; // claiming adds 1; the new value is the item index

private:
    friend class ThreadTeam;
    friend class WorkerThread;
    // Claims and runs items until none is left. Never throws.
    void run_items(int thread) noexcept;
    // Runs one claimed item; an item after a failure is only skipped. Never throws.
    void run_item(int item, int thread) noexcept;
    void record_failure(std::exception_ptr e) noexcept;

    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_errorClaimed{false};
    std::exception_ptr m_error;
};

// A work set over a callable f(int item, int thread). The callable is held by pointer and must
// outlive the pass.
template <class F>
class WorkT final : public Work {
public:
    WorkT(F& fn, int32_t itemCount) : Work(itemCount), m_fn(&fn) {}
    void operator()(int item, int thread) override { (*m_fn)(item, thread); }

private:
    F* m_fn;
};

class ThreadTeam;

class WorkerThread {
public:
    WorkerThread(int index, ThreadTeam* team) : m_index(index), m_team(team) {}

    // Thread body: sleep until a pass is announced, claim and run its items, or quit.
    static void* ThreadProc(void* self);
    void execute();

    pthread_t m_thread{};
    int32_t m_index;
    ThreadTeam* m_team;
    uint32_t m_passSeen = 0; // the last pass this worker took part in (or saw end)
};

class ThreadTeam {
public:
    static constexpr int kMaxThreads = 64;

    ThreadTeam();
    ~ThreadTeam();
    ThreadTeam(const ThreadTeam&) = delete;
    ThreadTeam& operator=(const ThreadTeam&) = delete;

    // Same as GetNumCPUs().
    static int get_optimal_threads();

    // A count below 1 means one thread per online processor; the result is kept within 1..64.
    // Running threads are not touched: the change applies at the next start.
    void set_num_threads(int count);
    // The number of threads a pass runs on, the caller included. Thread indices handed to work
    // items are always below it. It can drop below the value set when the system refuses to
    // start a thread (the team then runs with the threads it got).
    int get_num_threads() const;

    // Makes the worker threads match the thread count (nothing when they already do).
    void start_threads();
    // Runs every item of `work` on the team and the calling thread; returns when all are done.
    // Returns false when an item threw (see Work::failed).
    bool parallel_for_work(Work* work);
    // Stops and joins the workers; the next pass starts them again.
    void close_threads();

    // Thread creation, replaceable by tests to simulate a system that refuses threads.
    using CreateThreadFn = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static void set_create_thread_for_testing(CreateThreadFn fn);

private:
    friend class WorkerThread;
    struct State;
    // How a pass's items are split: `count` items in `chunks` chunks of `chunkItems`, over
    // `ranges` ranges of chunks, one per thread.
    struct PassShape {
        int32_t count = 0;
        int32_t chunkItems = 1;
        int32_t chunks = 0;
        int32_t ranges = 0;
    };
    // Claims chunks of pass `pass` (of `work`, split as `shape`), its own range's first, and runs
    // them until the pass has none left or has been replaced. The thread that finishes the pass's
    // last chunk wakes the caller when `wakeCaller`.
    static void run_claims(State& s, Work* work, uint32_t pass, const PassShape& shape, int thread, bool wakeCaller);
    State* m_state;
};

} // namespace threading

#include "codec/ThreadTeam.h"

#include "codec/LogMessage.h"

#include <emmintrin.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace threading {

namespace {

std::atomic<ThreadTeam::CreateThreadFn> g_createThread{&pthread_create};

int clamp_threads(int n) { return std::clamp(n, 1, ThreadTeam::kMaxThreads); }

// Polls of the finished count before the caller sleeps: the items still running when the caller
// runs out of claims usually end within microseconds, far less than a sleep and a wake cost.
constexpr int kFinishPolls = 4096;

} // namespace

struct ThreadTeam::State {
    std::vector<WorkerThread*> workers;
    int32_t threadCount = 1;

    // Guarded by mutex: the pass announced last, the work and item count of that pass, and the
    // request to quit. Workers sleep on `wake` until the pass number moves or quit is set; the
    // caller sleeps on `finished` until every item of its pass has run.
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
    pthread_cond_t finished = PTHREAD_COND_INITIALIZER;
    uint32_t pass = 0;
    Work* current = nullptr;
    int32_t count = 0;
    bool quit = false;

    // The pass number in the high half and the next unclaimed item of that pass in the low half:
    // a worker that wakes late can only claim items of the pass it read under the mutex while
    // that pass still has some, so it never touches a work set whose pass has ended.
    std::atomic<uint64_t> ticket{0};
    // Items of the current pass that have run; the pass ends when it reaches the count.
    std::atomic<int32_t> finishedItems{0};

    ~State()
    {
        pthread_cond_destroy(&finished);
        pthread_cond_destroy(&wake);
        pthread_mutex_destroy(&mutex);
    }
};

int GetNumCPUs() { return int(sysconf(_SC_NPROCESSORS_ONLN)); }

// ---------------------------------------------------------------------------------------------
// Work

void Work::rethrow_if_failed() const
{
    if (failed() && m_error) std::rethrow_exception(m_error);
}

void Work::record_failure(std::exception_ptr e) noexcept
{
    if (!m_errorClaimed.exchange(true)) m_error = std::move(e);
    m_failed.store(true, std::memory_order_release);
}

void Work::run_items(int thread) noexcept
{
    for (;;) {
        const int64_t item = next.fetch_add(1) + 1;
        if (item >= count) return;
        // After a failure the remaining items are only drained: the pass has failed anyway, and
        // an allocation failure is likely to repeat.
        if (m_failed.load(std::memory_order_relaxed)) continue;
        try {
            (*this)(int(item), thread);
        } catch (...) {
            record_failure(std::current_exception());
        }
    }
}

void Work::run_item(int item, int thread) noexcept
{
    if (m_failed.load(std::memory_order_relaxed)) return;
    try {
        (*this)(item, thread);
    } catch (...) {
        record_failure(std::current_exception());
    }
}

// ---------------------------------------------------------------------------------------------
// WorkerThread

void* WorkerThread::ThreadProc(void* self)
{
    static_cast<WorkerThread*>(self)->execute();
    return nullptr;
}

void WorkerThread::execute()
{
    ThreadTeam::State& s = *m_team->m_state;
    for (;;) {
        pthread_mutex_lock(&s.mutex);
        while (!s.quit && s.pass == m_passSeen) pthread_cond_wait(&s.wake, &s.mutex);
        if (s.quit) {
            pthread_mutex_unlock(&s.mutex);
            return;
        }
        m_passSeen = s.pass;
        Work* const work = s.current;
        const int32_t count = s.count;
        pthread_mutex_unlock(&s.mutex);
        ThreadTeam::run_claims(s, work, m_passSeen, count, m_index, true);
    }
}

// ---------------------------------------------------------------------------------------------
// ThreadTeam

ThreadTeam::ThreadTeam() : m_state(new State)
{
    m_state->threadCount = clamp_threads(GetNumCPUs());
}

ThreadTeam::~ThreadTeam()
{
    close_threads();
    delete m_state;
}

int ThreadTeam::get_optimal_threads() { return GetNumCPUs(); }

void ThreadTeam::set_num_threads(int count)
{
    m_state->threadCount = clamp_threads(count < 1 ? GetNumCPUs() : count);
}

int ThreadTeam::get_num_threads() const { return m_state->threadCount; }

void ThreadTeam::set_create_thread_for_testing(CreateThreadFn fn)
{
    g_createThread.store(fn ? fn : &pthread_create);
}

void ThreadTeam::start_threads()
{
    State& s = *m_state;
    if (int(s.workers.size()) + 1 == s.threadCount) return;
    close_threads();

    const int wanted = s.threadCount;
    if (wanted < 2) return;

    int rc = 0;
    try {
        s.workers.reserve(size_t(wanted - 1));
        const CreateThreadFn create = g_createThread.load();
        for (int i = 1; i < wanted; ++i) {
            auto* worker = new WorkerThread(i, this);
            // Passes announced before this worker existed are over.
            worker->m_passSeen = s.pass;
            rc = create(&worker->m_thread, nullptr, &WorkerThread::ThreadProc, worker);
            if (rc != 0) {
                delete worker;
                break;
            }
            s.workers.push_back(worker);
        }
    } catch (const std::bad_alloc&) {
        rc = ENOMEM;
    }

    const int started = int(s.workers.size()) + 1;
    if (started == wanted) return;

    // The system refused a thread: run with the threads that exist.
    LogMessage("ThreadTeam: could only start %d of %d threads (%s)\n", started, wanted, strerror(rc));
    s.threadCount = started;
}

void ThreadTeam::run_claims(State& s, Work* work, uint32_t pass, int32_t count, int thread, bool wakeCaller)
{
    for (;;) {
        uint64_t t = s.ticket.load(std::memory_order_acquire);
        int32_t item = 0;
        do {
            if (uint32_t(t >> 32) != pass) return;
            item = int32_t(uint32_t(t));
            if (item >= count) return;
        } while (!s.ticket.compare_exchange_weak(t, t + 1, std::memory_order_acq_rel, std::memory_order_acquire));
        work->run_item(item, thread);
        // After this the work set may be gone: the caller returns once every item has run.
        if (s.finishedItems.fetch_add(1, std::memory_order_acq_rel) + 1 == count && wakeCaller) {
            pthread_mutex_lock(&s.mutex);
            pthread_cond_signal(&s.finished);
            pthread_mutex_unlock(&s.mutex);
        }
    }
}

bool ThreadTeam::parallel_for_work(Work* work)
{
    State& s = *m_state;
    start_threads();
    if (s.workers.empty()) {
        work->run_items(0);
        return !work->failed();
    }
    const int32_t count = std::max<int32_t>(work->count, 0);
    if (count == 0) return !work->failed();

    pthread_mutex_lock(&s.mutex);
    const uint32_t pass = ++s.pass;
    s.current = work;
    s.count = count;
    s.finishedItems.store(0, std::memory_order_relaxed);
    s.ticket.store(uint64_t(pass) << 32, std::memory_order_release);
    pthread_mutex_unlock(&s.mutex);
    // Only as many workers as there are items beyond the caller's first are worth waking.
    if (count > int32_t(s.workers.size())) {
        pthread_cond_broadcast(&s.wake);
    } else {
        for (int32_t i = 1; i < count; ++i) pthread_cond_signal(&s.wake);
    }

    run_claims(s, work, pass, count, 0, false);
    for (int i = 0; s.finishedItems.load(std::memory_order_acquire) < count; ++i) {
        if (i < kFinishPolls) {
            _mm_pause();
            continue;
        }
        pthread_mutex_lock(&s.mutex);
        while (s.finishedItems.load(std::memory_order_acquire) < count) pthread_cond_wait(&s.finished, &s.mutex);
        pthread_mutex_unlock(&s.mutex);
        break;
    }
    return !work->failed();
}

void ThreadTeam::close_threads()
{
    State& s = *m_state;
    if (s.workers.empty()) return;
    pthread_mutex_lock(&s.mutex);
    s.quit = true;
    pthread_mutex_unlock(&s.mutex);
    pthread_cond_broadcast(&s.wake);
    for (WorkerThread*& worker : s.workers) {
        pthread_join(worker->m_thread, nullptr);
        worker->m_thread = pthread_t{};
        delete worker;
        worker = nullptr;
    }
    s.workers.clear();
    s.quit = false;
}

} // namespace threading

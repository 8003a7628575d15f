#include "codec/ThreadTeam.h"

#include "codec/LogMessage.h"
#include "codec/ThreadBarrier.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace threading {

namespace {

enum Command : int32_t { kQuit = 1, kRun = 2 };

std::atomic<ThreadTeam::CreateThreadFn> g_createThread{&pthread_create};

int clamp_threads(int n) { return std::clamp(n, 1, ThreadTeam::kMaxThreads); }

} // namespace

struct ThreadTeam::State {
    std::vector<WorkerThread*> workers;
    int32_t threadCount = 1;
    Work* current = nullptr;
    int32_t command = 0;
    Barrier start{};
    Barrier end{};
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
        barrier_wait(&s.start);
        // The caller wrote the command and the work before it reached the start barrier.
        if (s.command == kQuit) return;
        s.current->run_items(m_index);
        barrier_wait(&s.end);
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
    if (barrier_init(&s.start, nullptr, unsigned(wanted)) != 0) {
        LogMessage("ThreadTeam: cannot create barriers (%s), running on one thread\n", strerror(errno));
        s.threadCount = 1;
        return;
    }
    if (barrier_init(&s.end, nullptr, unsigned(wanted)) != 0) {
        LogMessage("ThreadTeam: cannot create barriers (%s), running on one thread\n", strerror(errno));
        barrier_destroy(&s.start);
        s.threadCount = 1;
        return;
    }

    int rc = 0;
    try {
        s.workers.reserve(size_t(wanted - 1));
        const CreateThreadFn create = g_createThread.load();
        for (int i = 1; i < wanted; ++i) {
            auto* worker = new WorkerThread(i, this);
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

    // The system refused a thread. The barriers still expect `wanted` parties, which would never
    // all arrive: lower them to the threads that exist (those already waiting at the start
    // barrier stay parked, as there are fewer of them than the new count) and run with those.
    LogMessage("ThreadTeam: could only start %d of %d threads (%s)\n", started, wanted, strerror(rc));
    if (started == 1) {
        barrier_destroy(&s.start);
        barrier_destroy(&s.end);
    } else {
        barrier_lower_count(&s.start, unsigned(started));
        barrier_lower_count(&s.end, unsigned(started));
    }
    s.threadCount = started;
}

bool ThreadTeam::parallel_for_work(Work* work)
{
    State& s = *m_state;
    start_threads();
    const bool team = !s.workers.empty();
    s.current = work;
    s.command = kRun;
    if (team) barrier_wait(&s.start);
    work->run_items(0);
    if (team) barrier_wait(&s.end);
    s.current = nullptr;
    return !work->failed();
}

void ThreadTeam::close_threads()
{
    State& s = *m_state;
    if (s.workers.empty()) return;
    s.command = kQuit;
    barrier_wait(&s.start);
    for (WorkerThread*& worker : s.workers) {
        pthread_join(worker->m_thread, nullptr);
        worker->m_thread = pthread_t{};
        delete worker;
        worker = nullptr;
    }
    s.workers.clear();
    barrier_destroy(&s.start);
    barrier_destroy(&s.end);
}

} // namespace threading

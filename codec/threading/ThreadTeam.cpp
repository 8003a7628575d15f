#include "codec/threading/ThreadTeam.h"

#include "codec/LogMessage.h"

#include <emmintrin.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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
// How long a worker that ran out of items polls for the next pass before it sleeps: an engine
// call runs its passes back to back and a caller its frames nearly so; a worker that is still
// polling joins at once, on the processor whose cache holds its items' data, where a sleeping
// one costs a wake-up longer than many passes and often lands on another processor.
constexpr std::chrono::microseconds kWakePollTime{300};

// A range word: the pass in the high half, then the first and the end of the range's unclaimed
// chunks (16 bits each).
constexpr uint64_t range_word(uint32_t pass, uint32_t lo, uint32_t hi)
{
    return uint64_t(pass) << 32 | uint64_t(lo) << 16 | hi;
}
constexpr uint32_t kMaxChunks = 0xFFFF;

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

    // The pass announced last, for workers that poll before they sleep (written under the mutex).
    std::atomic<uint32_t> announced{0};
    // The pass's items, in chunks of `chunkItems` (1 unless there are more than kMaxChunks), are
    // split into one range per thread, in order: thread t takes the chunks of range t from the
    // front, then steals from the back of the others. An engine call runs the same item on the
    // same thread from pass to pass and frame to frame, so its data stay in that processor's
    // cache, while a thread that is late or slow still loses its items to the others.
    // Each range word carries its pass: a worker that wakes late can only claim chunks of the
    // pass it read under the mutex while that pass still has some, so it never touches a work
    // set whose pass has ended.
    struct alignas(64) Range {
        std::atomic<uint64_t> word{0};
    };
    Range ranges[ThreadTeam::kMaxThreads];
    int32_t rangeCount = 0;   // ranges of the current pass (its thread count)
    int32_t chunkItems = 1;   // items per chunk of the current pass
    int32_t chunkCount = 0;   // chunks of the current pass
    // Chunks of the current pass that have run; the pass ends when it reaches the chunk count.
    alignas(64) std::atomic<int32_t> finishedChunks{0};

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
        const ThreadTeam::PassShape shape{s.count, s.chunkItems, s.chunkCount, s.rangeCount};
        pthread_mutex_unlock(&s.mutex);
        ThreadTeam::run_claims(s, work, m_passSeen, shape, m_index, true);
        const auto until = std::chrono::steady_clock::now() + kWakePollTime;
        for (int i = 1; s.announced.load(std::memory_order_acquire) == m_passSeen; ++i) {
            _mm_pause();
            if (i % 64 == 0 && std::chrono::steady_clock::now() > until) break;
        }
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

// Claims one chunk of range r for pass `pass`: from the front for the range's own thread, from the
// back for the others. -1 when the range has none left or the pass has been replaced.
static int32_t claim_chunk(std::atomic<uint64_t>& word, uint32_t pass, bool front)
{
    uint64_t w = word.load(std::memory_order_acquire);
    for (;;) {
        if (uint32_t(w >> 32) != pass) return -1;
        const uint32_t lo = uint32_t(w >> 16) & 0xFFFF, hi = uint32_t(w) & 0xFFFF;
        if (lo >= hi) return -1;
        const uint64_t next = front ? range_word(pass, lo + 1, hi) : range_word(pass, lo, hi - 1);
        if (word.compare_exchange_weak(w, next, std::memory_order_acq_rel, std::memory_order_acquire))
            return int32_t(front ? lo : hi - 1);
    }
}

void ThreadTeam::run_claims(State& s, Work* work, uint32_t pass, const PassShape& shape, int thread, bool wakeCaller)
{
    const int32_t own = thread < shape.ranges ? thread : -1;
    int32_t victim = own >= 0 ? own : 0; // the range claimed from last
    for (;;) {
        int32_t chunk = -1;
        if (own >= 0) chunk = claim_chunk(s.ranges[own].word, pass, true);
        // Steal from the others, starting with the one robbed last.
        for (int32_t k = 0; chunk < 0 && k < shape.ranges; ++k) {
            const int32_t r = (victim + k) % shape.ranges;
            if (r == own) continue;
            chunk = claim_chunk(s.ranges[r].word, pass, false);
            if (chunk >= 0) victim = r;
        }
        if (chunk < 0) return;
        const int32_t first = chunk * shape.chunkItems;
        const int32_t end = std::min(shape.count, first + shape.chunkItems);
        for (int32_t item = first; item < end; ++item) work->run_item(item, thread);
        // After this the work set may be gone: the caller returns once every chunk has run.
        if (s.finishedChunks.fetch_add(1, std::memory_order_acq_rel) + 1 == shape.chunks && wakeCaller) {
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

    const int32_t threads = int32_t(s.workers.size()) + 1;
    PassShape shape;
    shape.count = count;
    shape.chunkItems = int32_t((int64_t(count) + kMaxChunks - 1) / kMaxChunks);
    shape.chunks = int32_t((int64_t(count) + shape.chunkItems - 1) / shape.chunkItems);
    shape.ranges = std::min(threads, shape.chunks);

    pthread_mutex_lock(&s.mutex);
    const uint32_t pass = ++s.pass;
    s.current = work;
    s.count = count;
    s.chunkItems = shape.chunkItems;
    s.chunkCount = shape.chunks;
    s.rangeCount = shape.ranges;
    s.finishedChunks.store(0, std::memory_order_relaxed);
    for (int32_t r = 0; r < shape.ranges; ++r) {
        const uint32_t lo = uint32_t(int64_t(shape.chunks) * r / shape.ranges);
        const uint32_t hi = uint32_t(int64_t(shape.chunks) * (r + 1) / shape.ranges);
        s.ranges[r].word.store(range_word(pass, lo, hi), std::memory_order_release);
    }
    s.announced.store(pass, std::memory_order_release);
    pthread_mutex_unlock(&s.mutex);
    // Only as many workers as there are chunks beyond the caller's first are worth waking (the
    // ones still polling need no wake-up).
    if (shape.chunks > int32_t(s.workers.size())) {
        pthread_cond_broadcast(&s.wake);
    } else {
        for (int32_t i = 1; i < shape.chunks; ++i) pthread_cond_signal(&s.wake);
    }

    run_claims(s, work, pass, shape, 0, false);
    for (int i = 0; s.finishedChunks.load(std::memory_order_acquire) < shape.chunks; ++i) {
        if (i < kFinishPolls) {
            _mm_pause();
            continue;
        }
        pthread_mutex_lock(&s.mutex);
        while (s.finishedChunks.load(std::memory_order_acquire) < shape.chunks) pthread_cond_wait(&s.finished, &s.mutex);
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

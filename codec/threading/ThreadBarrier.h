#pragma once
// A reusable barrier built from a mutex and a condition variable: `count` parties wait until the
// last arrives, then all go on and the next cycle starts. It follows the POSIX barrier calls under
// our own names (the C library may define the POSIX ones), with two differences: the last party to
// arrive gets 1 (not PTHREAD_BARRIER_SERIAL_THREAD), and the party count can be lowered while
// parties wait (barrier_lower_count).
//
// The thread team does not use it: it announces each pass under its mutex and lets the threads
// claim the pass's items, so a pass ends when its items have run. A start barrier would hold every
// pass until every worker had woken, and on a busy machine one worker that the system has not yet
// scheduled would stall the whole pass, while the threads that do run can finish it alone.

#include <pthread.h>

namespace threading {

struct Barrier {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    unsigned int count;      // parties per cycle
    unsigned int waiting;    // arrived in the current cycle
    unsigned int generation; // completed cycles
};

// Carries nothing: barriers are always process-private.
struct BarrierAttr {
    int reserved;
};

// The "process-private" sharing value. It is the platform's own constant (2 on macOS, 0 with
// glibc), so callers compare against this name, never a literal.
constexpr int kBarrierProcessPrivate = PTHREAD_PROCESS_PRIVATE;

int barrierattr_init(BarrierAttr* attr);
int barrierattr_destroy(BarrierAttr* attr);
int barrierattr_getpshared(const BarrierAttr* attr, int* pshared);
// Only kBarrierProcessPrivate is accepted; anything else sets errno to EINVAL and returns -1.
int barrierattr_setpshared(BarrierAttr* attr, int pshared);

// A count of 0 sets errno to EINVAL and returns -1; so does a failed mutex or condition variable
// (errno as the failing call left it). The attributes are ignored.
int barrier_init(Barrier* barrier, const BarrierAttr* attr, unsigned int count);
int barrier_destroy(Barrier* barrier);
// Blocks until `count` parties have arrived; returns 1 to the last to arrive, 0 to the others.
int barrier_wait(Barrier* barrier);
// Lowers the party count of a barrier that threads may already wait on, for parties that will not
// come (a thread that could not be started). When the parties already waiting complete the smaller
// count, the cycle ends at once. Returns 0, or -1 with errno EINVAL for a count of 0 or one above
// the current count.
int barrier_lower_count(Barrier* barrier, unsigned int count);

} // namespace threading

#pragma once
// A reusable barrier built from a mutex and a condition variable, the one the thread team waits
// on. It follows the POSIX barrier calls but lives under our own names: the C library may already
// define the POSIX ones, and ours differ in two ways the thread team relies on: the last thread to
// arrive gets 1 (not PTHREAD_BARRIER_SERIAL_THREAD), and the party count can be lowered while
// threads wait (see barrier_lower_count).

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
// Lowers the party count of a barrier that threads may already wait on. When the parties already
// waiting complete the smaller count, the cycle ends at once. Used to release the threads that
// did start when starting others failed. Returns 0, or -1 with errno EINVAL for a count of 0 or
// one above the current count.
int barrier_lower_count(Barrier* barrier, unsigned int count);

} // namespace threading

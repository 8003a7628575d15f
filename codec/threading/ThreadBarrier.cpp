#include "codec/threading/ThreadBarrier.h"

#include <cerrno>

namespace threading {

int barrierattr_init(BarrierAttr*) { return 0; }
int barrierattr_destroy(BarrierAttr*) { return 0; }

int barrierattr_getpshared(const BarrierAttr*, int* pshared)
{
    *pshared = kBarrierProcessPrivate;
    return 0;
}

int barrierattr_setpshared(BarrierAttr*, int pshared)
{
    if (pshared == kBarrierProcessPrivate) return 0;
    errno = EINVAL;
    return -1;
}

int barrier_init(Barrier* barrier, const BarrierAttr*, unsigned int count)
{
    if (count == 0) {
        errno = EINVAL;
        return -1;
    }
    if (int rc = pthread_mutex_init(&barrier->mutex, nullptr); rc != 0) {
        errno = rc;
        return -1;
    }
    if (int rc = pthread_cond_init(&barrier->cond, nullptr); rc != 0) {
        pthread_mutex_destroy(&barrier->mutex);
        errno = rc;
        return -1;
    }
    barrier->count = count;
    barrier->waiting = 0;
    barrier->generation = 0;
    return 0;
}

int barrier_destroy(Barrier* barrier)
{
    pthread_cond_destroy(&barrier->cond);
    pthread_mutex_destroy(&barrier->mutex);
    return 0;
}

int barrier_wait(Barrier* barrier)
{
    pthread_mutex_lock(&barrier->mutex);
    const unsigned int generation = barrier->generation;
    if (++barrier->waiting >= barrier->count) {
        ++barrier->generation;
        barrier->waiting = 0;
        pthread_cond_broadcast(&barrier->cond);
        pthread_mutex_unlock(&barrier->mutex);
        return 1;
    }
    while (generation == barrier->generation) pthread_cond_wait(&barrier->cond, &barrier->mutex);
    pthread_mutex_unlock(&barrier->mutex);
    return 0;
}

int barrier_lower_count(Barrier* barrier, unsigned int count)
{
    pthread_mutex_lock(&barrier->mutex);
    if (count == 0 || count > barrier->count) {
        pthread_mutex_unlock(&barrier->mutex);
        errno = EINVAL;
        return -1;
    }
    barrier->count = count;
    if (barrier->waiting != 0 && barrier->waiting >= count) {
        ++barrier->generation;
        barrier->waiting = 0;
        pthread_cond_broadcast(&barrier->cond);
    }
    pthread_mutex_unlock(&barrier->mutex);
    return 0;
}

} // namespace threading

#pragma once
// Timing helpers shared by the benchmarks.

#include <algorithm>
#include <ctime>
#include <vector>

namespace bench {

// Processor time of the calling thread: on a shared machine the time other processes hold the
// processor is not in it, so a single-threaded run can be compared across busy and quiet runs.
inline double thread_cpu_time()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

inline double median_of(std::vector<double> t)
{
    std::nth_element(t.begin(), t.begin() + long(t.size() / 2), t.end());
    return t[t.size() / 2];
}

} // namespace bench

#pragma once
// What the machine itself gives on many threads: loops that share no data and never synchronize
// (each thread works on its own cache-resident buffer), timed on one thread and on `threads`
// at once. On shared or virtual machines this is often well below the thread count, and the
// codec's own scaling is only meaningful next to it.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace bench {

struct MachineScaling {
    double vector = 0; // byte loop the compiler vectorizes: load/store and SIMD throughput
    double scalar = 0; // dependent table lookups and shifts, as in entropy coding
};

namespace detail {

inline uint64_t vector_loop(std::vector<uint8_t>& a, std::vector<uint8_t>& b, int passes)
{
    for (int p = 0; p < passes; ++p) {
        for (size_t i = 0; i < a.size(); ++i) b[i] = uint8_t(a[i] * 3 + (i & 7));
        a.swap(b);
    }
    return a[a.size() / 2];
}

inline uint64_t scalar_loop(const std::vector<uint32_t>& table, uint64_t steps)
{
    uint64_t x = 88172645463325252ull, acc = 0;
    for (uint64_t i = 0; i < steps; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        const uint32_t c = table[x & 1023], l = table[(x >> 10) & 1023];
        acc += (uint64_t(c) << (l & 31)) | (acc >> 3);
    }
    return acc;
}

// Seconds until the last of `threads` threads has run `work` once.
template <class Work>
double time_threads(int threads, Work work)
{
    std::vector<uint64_t> sink(size_t(threads) * 8); // a cache line each
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::thread> team;
    for (int t = 0; t < threads; ++t) team.emplace_back([&, t] { sink[size_t(t) * 8] = work(); });
    for (std::thread& t : team) t.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

template <class Work>
double scaling(int threads, int rounds, Work work)
{
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        // One thread and many alternate, so a drift of the machine's speed touches both alike.
        const double one = time_threads(1, work);
        const double many = time_threads(threads, work);
        ratios.push_back(threads * one / many);
    }
    std::nth_element(ratios.begin(), ratios.begin() + ptrdiff_t(ratios.size() / 2), ratios.end());
    return ratios[ratios.size() / 2];
}

} // namespace detail

// Aggregate throughput on `threads` threads over one thread's (median of `rounds`).
inline MachineScaling machine_scaling(int threads, int rounds = 7)
{
    MachineScaling s;
    s.vector = detail::scaling(threads, rounds, [] {
        std::vector<uint8_t> a(32 << 10, 1), b(32 << 10);
        return detail::vector_loop(a, b, 3000);
    });
    s.scalar = detail::scaling(threads, rounds, [] {
        std::vector<uint32_t> table(1024);
        for (uint32_t i = 0; i < 1024; ++i) table[i] = i * 2654435761u;
        return detail::scalar_loop(table, 50'000'000);
    });
    return s;
}

} // namespace bench

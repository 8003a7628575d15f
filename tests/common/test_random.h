#pragma once
// One seeded generator for tests: QUORVANE_TEST_SEED overrides the fixed default, so a failure
// seen with a random seed can be replayed.

#include <cstdint>
#include <cstdlib>
#include <random>

namespace qtest {

inline uint64_t test_seed()
{
    if (const char* s = std::getenv("QUORVANE_TEST_SEED")) return std::strtoull(s, nullptr, 0);
    return 0x5eed1234u;
}

inline std::mt19937_64& rng()
{
    thread_local std::mt19937_64 gen(test_seed());
    return gen;
}

inline uint32_t rand_u32() { return static_cast<uint32_t>(rng()()); }
inline int rand_int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng()); }

template <class T>
void fill_random(T* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<T>(rng()());
}

} // namespace qtest

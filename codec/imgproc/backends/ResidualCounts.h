#pragma once
// Residual counts taken while a block is predicted: each row is counted right after it is
// predicted, while it is still in the first-level cache, so a block is walked once. A counting
// prediction adds every residual it writes to count_tables(bits) partial tables of 2^bits 32-bit
// counters, laid back to back in memory the caller owns and zeroes; a value's count is the sum
// over the tables.
//
// Consecutive samples go to different tables in turn. An increment waits for the store of the
// one before it on the same counter, and flat areas predict to long runs of one value: spread
// over four tables, those runs no longer queue on one counter. Deep samples have far larger
// tables and fewer runs, so they take fewer tables, keeping all of them within 32 KiB (one table
// of 64 KiB for 14 bits).

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace backends {

constexpr int count_tables(int bits) { return bits <= 10 ? 4 : bits <= 12 ? 2 : 1; }

// Counters a counting prediction of bits-bit samples needs.
constexpr size_t count_table_entries(int bits) { return size_t(count_tables(bits)) << bits; }

// Adds the n residuals of one row (each below 2^Bits) to the count tables.
template <int Bits, class S>
inline void count_row(const S* row, int n, uint32_t* tables)
{
    using U = std::make_unsigned_t<S>;
    constexpr size_t kSize = size_t(1) << Bits;
    constexpr int kTables = count_tables(Bits);
    int x = 0;
    for (; x + kTables <= n; x += kTables) {
#pragma GCC unroll 4
        for (int k = 0; k < kTables; ++k) ++tables[k * kSize + static_cast<U>(row[x + k])];
    }
    for (; x < n; ++x) ++tables[static_cast<U>(row[x])];
}

// Adds v's partial counts to counts[v], for every v below 2^bits.
template <class C>
inline void add_count_tables(const uint32_t* tables, int bits, C* counts)
{
    const size_t n = size_t(1) << bits;
    const int t = count_tables(bits);
    for (size_t v = 0; v < n; ++v) {
        C sum = 0;
        for (int k = 0; k < t; ++k) sum += tables[k * n + v];
        counts[v] += sum;
    }
}

} // namespace backends

#pragma once
// Symbol counts of one residual block, taken over every fourth column (0, 4, 8, ...): the code
// lengths only need the shape of the distribution, and a quarter of the samples gives it at a
// quarter of the cost. Four partial tables take the four counted columns of a 16-sample group in
// turn, so consecutive increments rarely hit the same counter.

#include <cstddef>
#include <cstdint>
#include <cstring>

// scratch holds N * 2^BITS counters, owned by the calling thread (kept off the stack: a 14-bit
// block would need 256 KiB of it, and thread 0 is the host's).
template <int BITS, int N, class T, class C>
void calc_freq(const T* data, unsigned long width, unsigned long rows, unsigned long stride, C* counts,
               uint32_t* scratch)
{
    static_assert(N == 4, "four partial tables");
    constexpr size_t kSymbols = size_t(1) << BITS;
    constexpr unsigned kMask = static_cast<unsigned>(kSymbols - 1);
    uint32_t* t0 = scratch;
    uint32_t* t1 = t0 + kSymbols;
    uint32_t* t2 = t1 + kSymbols;
    uint32_t* t3 = t2 + kSymbols;
    std::memset(scratch, 0, N * kSymbols * sizeof(uint32_t));
    for (unsigned long r = 0; r < rows; ++r) {
        const T* row = data + r * stride;
        unsigned long c = 0;
        for (; c + 16 <= width; c += 16) {
            // Residuals are below 2^BITS; the mask only keeps a stray value inside the table.
            ++t0[row[c] & kMask];
            ++t1[row[c + 4] & kMask];
            ++t2[row[c + 8] & kMask];
            ++t3[row[c + 12] & kMask];
        }
        for (; c < width; c += 4) ++t0[row[c] & kMask];
    }
    for (size_t v = 0; v < kSymbols; ++v)
        counts[v] = static_cast<C>(t0[v]) + t1[v] + t2[v] + t3[v];
}

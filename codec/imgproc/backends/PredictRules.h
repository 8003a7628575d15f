#pragma once
// Per-sample prediction arithmetic, defined once. The scalar reference, and the scalar heads,
// tails and remainders of every SIMD path, call these; the SIMD bodies compute the same thing
// lane-wise, so where a row is cut never changes a stored byte.
//
// The two depths differ on purpose and must not be unified:
//  - 8-bit: G = L + T - TL wraps at 256 and the median compares unsigned bytes.
//  - 16-bit: G wraps at 2^16 (as an SSE2 word lane does) and the median compares signed words,
//    because SSE2 only has signed 16-bit min/max. For samples below 2^14 G never wraps at all.

#include <algorithm>
#include <cstdint>

namespace backends {

// Predictor ids as the backends dispatch them: every id other than 1 and 2 is median.
enum class Pred { Left, Gradient, Median };

inline Pred pred_of(int predictor)
{
    return predictor == 1 ? Pred::Left : predictor == 2 ? Pred::Gradient : Pred::Median;
}

struct Rules8 {
    using Sample = uint8_t;

    static uint8_t median(uint8_t l, uint8_t t, uint8_t tl)
    {
        const uint8_t g = static_cast<uint8_t>(l + t - tl);
        return std::max(std::min(l, t), std::min(std::max(l, t), g));
    }
    static uint8_t gradient(uint8_t l, uint8_t t, uint8_t tl) { return static_cast<uint8_t>(l + t - tl); }

    // Samples off row 0 and column 0 (row 0 takes L, column 0 takes T) follow the block's predictor.
    static uint8_t predict(Pred p, uint8_t l, uint8_t t, uint8_t tl)
    {
        return p == Pred::Left ? l : p == Pred::Gradient ? gradient(l, t, tl) : median(l, t, tl);
    }
    static uint8_t residual(uint8_t s, uint8_t prediction) { return static_cast<uint8_t>(s - prediction); }
    static uint8_t restore(uint8_t r, uint8_t prediction) { return static_cast<uint8_t>(r + prediction); }
    // The first sample of a plane is stored as it is.
    static uint8_t first(uint8_t s) { return s; }
    // A byte is always within the depth.
    static uint8_t in(uint8_t s) { return s; }
};

template <int Bits>
struct Rules16 {
    using Sample = int16_t;
    static constexpr uint16_t kMask = static_cast<uint16_t>((1u << Bits) - 1);

    static int16_t median(int16_t l, int16_t t, int16_t tl)
    {
        const int16_t g = static_cast<int16_t>(static_cast<uint16_t>(l + t - tl));
        return std::max(std::min(std::max(l, t), g), std::min(l, t));
    }
    static int16_t gradient(int16_t l, int16_t t, int16_t tl)
    {
        return static_cast<int16_t>(static_cast<uint16_t>(l + t - tl));
    }
    static int16_t predict(Pred p, int16_t l, int16_t t, int16_t tl)
    {
        return p == Pred::Left ? l : p == Pred::Gradient ? gradient(l, t, tl) : median(l, t, tl);
    }
    static int16_t residual(int16_t s, int16_t prediction)
    {
        return static_cast<int16_t>(static_cast<uint16_t>(s - prediction) & kMask);
    }
    static int16_t restore(int16_t r, int16_t prediction)
    {
        return static_cast<int16_t>(static_cast<uint16_t>(r + prediction) & kMask);
    }
    // Masked both ways: a zero-copy caller may hand words above the depth, and a word that large
    // would index past every sample-sized table of the coders and frontends.
    static int16_t first(int16_t s) { return static_cast<int16_t>(static_cast<uint16_t>(s) & kMask); }
    // Every word is masked to the depth as prediction reads it. The residual mask alone is not
    // enough: the median compares its neighbours, and the decoder only ever sees them masked, so
    // one word above the depth would otherwise change every prediction that reads it and spread
    // from there.
    static int16_t in(int16_t s) { return static_cast<int16_t>(static_cast<uint16_t>(s) & kMask); }
};

template <class T, int Bits>
struct RulesFor;
template <>
struct RulesFor<unsigned char, 8> {
    using type = Rules8;
};
template <int Bits>
struct RulesFor<short, Bits> {
    using type = Rules16<Bits>;
};

// Row r of a plane as samples of type S (strides are in bytes for every sample size).
template <class S>
inline S* row_ptr(uint8_t* base, int32_t stride, int r)
{
    return reinterpret_cast<S*>(base + static_cast<intptr_t>(r) * stride);
}

// How one row's run of columns 1..w-1 is cut: a scalar head up to the first 16-byte boundary,
// whole 16-byte groups, a scalar tail. A run whose rest is under 16 bytes is all head.
struct RowCut {
    int head = 0;  // samples
    int groups = 0; // 16-byte groups
    int tail = 0;  // samples
};

template <class S>
inline RowCut cut_row(const void* col1, int w)
{
    RowCut c;
    const int run = w - 1;
    if (run <= 0) return c;
    const int bytes = run * static_cast<int>(sizeof(S));
    const int mis = static_cast<int>(reinterpret_cast<uintptr_t>(col1) & 15);
    // A word plane at an odd address can never reach an aligned group: all of it is head.
    if (sizeof(S) > 1 && (mis & (sizeof(S) - 1)) != 0) {
        c.head = run;
        return c;
    }
    const int head_bytes = std::min((16 - mis) & 15, bytes);
    const int rest = bytes - head_bytes;
    if (rest < 16) {
        c.head = run;
        return c;
    }
    c.head = head_bytes / static_cast<int>(sizeof(S));
    c.groups = rest / 16;
    c.tail = (rest % 16) / static_cast<int>(sizeof(S));
    return c;
}

} // namespace backends

#pragma once
// Per-sample arithmetic of the chroma resampling kernels, defined once. The scalar twins and the
// scalar tails of the SIMD kernels are built from these row helpers, so a sample gives the same
// value whichever path computed it.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace resample {

// (1, 2, 1) / 4, rounded: the filter of every 2:1 downscale.
inline int filter121(int a, int m, int b) { return (a + 2 * m + b + 2) >> 2; }

// (-1, 9, 9, -1) / 16 with floor shift and clamp: the filter of every 1:2 interpolation.
inline int filter_interp(int w, int x, int y, int z, int maxValue)
{
    const int v = (8 - w - z + 9 * (x + y)) >> 4;
    return std::clamp(v, 0, maxValue);
}

// Largest sample value of a depth; 10-bit words are masked with it on load, so stray high bits
// in a caller's words can neither overflow a 16-bit lane nor reach the output.
template <int Bits>
constexpr int sample_mask() { return (1 << Bits) - 1; }

template <class T>
inline T* row_at(T* plane, ptrdiff_t stride, int r) { return plane + static_cast<ptrdiff_t>(r) * stride; }

// Upscale, source positions i0 .. w-1: d[2i] = s[i], d[2i+1] interpolated with clamped indices.
inline void upscale2_row(const uint8_t* s, uint8_t* d, int w, int i0)
{
    for (int i = i0; i < w; ++i) {
        const int a = s[std::max(i - 1, 0)];
        const int c = s[std::min(i + 1, w - 1)];
        const int e = s[std::min(i + 2, w - 1)];
        d[2 * i] = s[i];
        d[2 * i + 1] = static_cast<uint8_t>(filter_interp(a, s[i], c, e, 255));
    }
}

// Filtered 2:1 horizontal, outputs k0 .. ceil(w/2)-1. s[-1] is s[0] and, for an odd width, the
// right neighbour of the last output is s[w-1] (never s[w]).
inline void downscale2_h_row(const uint8_t* s, uint8_t* d, int w, int k0)
{
    const int n = (w + 1) / 2;
    for (int k = k0; k < n; ++k) {
        const int x = 2 * k;
        d[k] = static_cast<uint8_t>(filter121(s[std::max(x - 1, 0)], s[x], s[std::min(x + 1, w - 1)]));
    }
}

// Point 2:1 horizontal, outputs k0 .. ceil(w/2)-1.
inline void downscale2_h_nn_row(const uint8_t* s, uint8_t* d, int w, int k0)
{
    const int n = (w + 1) / 2;
    for (int k = k0; k < n; ++k) d[k] = s[2 * k];
}

// Vertical (1, 2, 1) / 4 over three rows, columns c0 .. w-1.
template <class T, int Bits>
inline void downscale2_v_row(const T* a, const T* m, const T* b, T* d, int w, int c0)
{
    constexpr int mask = sample_mask<Bits>();
    for (int c = c0; c < w; ++c) d[c] = static_cast<T>(filter121(a[c] & mask, m[c] & mask, b[c] & mask));
}

// Vertical interpolation of one odd row from the even rows W, X, Y, Z, columns c0 .. w-1.
template <class T, int Bits>
inline void interpolate2_v_row(const T* w_, const T* x, const T* y, const T* z, T* d, int w, int c0)
{
    constexpr int mask = sample_mask<Bits>();
    for (int c = c0; c < w; ++c)
        d[c] = static_cast<T>(filter_interp(w_[c] & mask, x[c] & mask, y[c] & mask, z[c] & mask, mask));
}

// Combined 2:1 downscale of one output row from source rows P, M, N, outputs j0 .. ceil(w/2)-1:
// vertical filter rounded, then horizontal filter rounded again, V[-1] = V[0], V[w] = V[w-1].
inline void downscale2_combined_row(const uint8_t* p, const uint8_t* m, const uint8_t* n, uint8_t* d, int w,
                                    int j0)
{
    auto v = [&](int x) { return filter121(p[x], m[x], n[x]); };
    const int outs = (w + 1) / 2;
    for (int j = j0; j < outs; ++j) {
        const int x = 2 * j;
        d[j] = static_cast<uint8_t>(filter121(v(std::max(x - 1, 0)), v(x), v(std::min(x + 1, w - 1))));
    }
}

} // namespace resample

#pragma once
// The design's bound on a picture: planes G, B-G and R-G (and A) modulo 256, as the codec stores
// RGB; median prediction over the whole plane (no slices: the first sample as it is, the rest of
// row 0 from the left, column 0 from above, every other sample the median of left, above and
// left + above - above-left, wrapping at 256); and one optimal Huffman code per plane, with no
// length limit and no table cost. A codec of this design can only come close to it from above.

#include "bench_pictures.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

namespace bench {

// Bits of an optimal (unlimited) Huffman code over the counts.
inline uint64_t huffman_bits(const uint64_t* counts, int n)
{
    std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<uint64_t>> heap;
    for (int i = 0; i < n; ++i)
        if (counts[i]) heap.push(counts[i]);
    if (heap.empty()) return 0;
    if (heap.size() == 1) return heap.top(); // one symbol still takes one bit per sample
    // The coded size is the sum of the weights of all merged nodes.
    uint64_t bits = 0;
    while (heap.size() > 1) {
        const uint64_t a = heap.top();
        heap.pop();
        const uint64_t b = heap.top();
        heap.pop();
        bits += a + b;
        heap.push(a + b);
    }
    return bits;
}

inline uint8_t median_predict(uint8_t l, uint8_t t, uint8_t tl)
{
    const uint8_t g = static_cast<uint8_t>(l + t - tl);
    return std::max(std::min(l, t), std::min(std::max(l, t), g));
}

// Plane p of the picture as the codec stores RGB: 0 = B-G, 1 = G, 2 = R-G (mod 256), 3 = A, which
// is 255 throughout for a picture without alpha, as the benchmark's frames with alpha hold it.
inline std::vector<uint8_t> stored_plane(const Picture& pic, int p)
{
    const int ch = pic.channels;
    std::vector<uint8_t> plane(size_t(pic.width) * pic.height);
    for (size_t i = 0; i < plane.size(); ++i) {
        const uint8_t* px = &pic.pixels[i * size_t(ch)];
        const uint8_t r = px[0], g = px[1], b = px[2];
        plane[i] = p == 0   ? static_cast<uint8_t>(b - g)
                   : p == 1 ? g
                   : p == 2 ? static_cast<uint8_t>(r - g)
                   : ch == 4 ? px[3]
                             : 255;
    }
    return plane;
}

// Counts of the median residuals of a w x h plane, prediction restarting every sliceRows rows:
// in each slice the first sample as it is, the rest of its first row from the left, column 0
// from above.
inline void median_residual_counts(const std::vector<uint8_t>& plane, int w, int h, int sliceRows, uint64_t* counts)
{
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = &plane[size_t(y) * w];
        if (y % sliceRows == 0) {
            ++counts[row[0]];
            for (int x = 1; x < w; ++x) ++counts[static_cast<uint8_t>(row[x] - row[x - 1])];
            continue;
        }
        const uint8_t* up = row - w;
        ++counts[static_cast<uint8_t>(row[0] - up[0])];
        for (int x = 1; x < w; ++x) ++counts[static_cast<uint8_t>(row[x] - median_predict(row[x - 1], up[x], up[x - 1]))];
    }
}

// The bound in bytes (each plane's bits rounded up to whole bytes). `alpha` adds the A plane.
inline uint64_t design_bound_bytes(const Picture& pic, bool alpha)
{
    const int planes = alpha ? 4 : 3;
    uint64_t total = 0;
    for (int p = 0; p < planes; ++p) {
        uint64_t counts[256] = {};
        median_residual_counts(stored_plane(pic, p), pic.width, pic.height, pic.height, counts);
        total += (huffman_bits(counts, 256) + 7) / 8;
    }
    return total;
}

} // namespace bench

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

// The bound in bytes (each plane's bits rounded up to whole bytes). `alpha` adds the A plane of
// an RGBA picture.
inline uint64_t design_bound_bytes(const Picture& pic, bool alpha)
{
    const int w = pic.width, h = pic.height, ch = pic.channels;
    const int planes = alpha && ch == 4 ? 4 : 3;
    std::vector<uint8_t> plane(size_t(w) * h);
    uint64_t total = 0;
    for (int p = 0; p < planes; ++p) {
        for (size_t i = 0; i < plane.size(); ++i) {
            const uint8_t* px = &pic.pixels[i * size_t(ch)];
            const uint8_t r = px[0], g = px[1], b = px[2];
            plane[i] = p == 0 ? static_cast<uint8_t>(b - g) : p == 1 ? g : p == 2 ? static_cast<uint8_t>(r - g) : px[3];
        }
        uint64_t counts[256] = {};
        ++counts[plane[0]];
        for (int x = 1; x < w; ++x) ++counts[static_cast<uint8_t>(plane[size_t(x)] - plane[size_t(x) - 1])];
        for (int y = 1; y < h; ++y) {
            const uint8_t* row = &plane[size_t(y) * w];
            const uint8_t* up = row - w;
            ++counts[static_cast<uint8_t>(row[0] - up[0])];
            for (int x = 1; x < w; ++x)
                ++counts[static_cast<uint8_t>(row[x] - median_predict(row[x - 1], up[x], up[x - 1]))];
        }
        total += (huffman_bits(counts, 256) + 7) / 8;
    }
    return total;
}

} // namespace bench

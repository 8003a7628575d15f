#pragma once
// The format's own optimum on a picture: what a frame of the stored format can take at best for
// the residuals the codec codes. Planes as huffman_bound.h makes them, median prediction
// restarted every 28 rows (the slices of a frame), and one code per plane in which every one of
// the 256 values has a code of 1 to 12 bits (the readers refuse a length of 0). No header, table
// or block padding is counted. Its length-limited code comes from a package-merge written here,
// apart from the codec's own.

#include "huffman_bound.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bench {

// Bits of the best code over n counts with every length between 1 and maxLength. Package-merge:
// the list of the deepest level is the sorted leaves; each level above merges the leaves with
// the pairs of the level below. The cost is the weight of the 2n - 2 lightest items of the top
// list, each item's weight standing for one bit of every leaf inside it.
inline uint64_t limited_huffman_bits(const uint64_t* counts, int n, int maxLength)
{
    std::vector<uint64_t> leaves(counts, counts + n);
    std::sort(leaves.begin(), leaves.end());
    std::vector<uint64_t> list = leaves;
    for (int level = maxLength; level > 1; --level) {
        std::vector<uint64_t> pairs;
        for (size_t i = 0; i + 1 < list.size(); i += 2) pairs.push_back(list[i] + list[i + 1]);
        list.clear();
        std::merge(leaves.begin(), leaves.end(), pairs.begin(), pairs.end(), std::back_inserter(list));
    }
    uint64_t bits = 0;
    for (int i = 0; i < 2 * n - 2; ++i) bits += list[size_t(i)];
    return bits;
}

// The optimum in bytes (each plane's bits rounded up to whole bytes); `alpha` adds the A plane.
inline uint64_t format_optimum_bytes(const Picture& pic, bool alpha)
{
    constexpr int kSliceRows = 28, kMaxLength = 12;
    const int planes = alpha ? 4 : 3;
    uint64_t total = 0;
    for (int p = 0; p < planes; ++p) {
        uint64_t counts[256] = {};
        median_residual_counts(stored_plane(pic, p), pic.width, pic.height, kSliceRows, counts);
        total += (limited_huffman_bits(counts, 256, kMaxLength) + 7) / 8;
    }
    return total;
}

} // namespace bench

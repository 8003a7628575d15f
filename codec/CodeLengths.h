#pragma once
// Length-limited Huffman code lengths (package-merge) and the canonical code built from them.
// Only the lengths travel in a compressed frame; the reader rebuilds the codes with
// BuildCanonicalHuffCodes, so the canonical assignment is part of the stored format, while the
// way the lengths are chosen only decides how small the frames are.
//
// All functions work on their arguments alone and may run on several threads at once.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One item of a package-merge list: a leaf (first == nullptr, symbol valid) or a package of
// two items of the previous list.
struct CoinSet {
    CoinSet* first;
    union {
        CoinSet* second;
        uint32_t symbol;
    };
    uint64_t weight;

    bool operator<(const CoinSet& other) const { return weight < other.weight; }
};

// One entry of a canonical code list.
struct HuffCodeSymbol {
    int symbol;
    uint32_t length;
    uint32_t code; // the low `length` bits, sent most significant bit first
};

// Working storage of one length computation (the sorted leaves and the pool the merged lists are
// written to), kept by a caller that computes lengths again and again: for 14-bit samples the pool
// is 14 MB, and getting it fresh from the system each time costs more than the merging.
struct PackageMergeScratch {
    std::unique_ptr<CoinSet[]> leaves;
    std::unique_ptr<CoinSet[]> pool;
    size_t leafCapacity = 0;
    size_t poolCapacity = 0;
};

// Fills lengths[0..count) with code lengths in 1..maxLength that minimise sum(counts * length)
// and fill the code space exactly. Every symbol gets a code, also those never counted.
void CalcLengthLimitedHuffCodeLengths(unsigned int count, unsigned long long const* counts, int maxLength,
                                      std::vector<int>& lengths);
void CalcLengthLimitedHuffCodeLengths(unsigned int count, unsigned long long const* counts, int maxLength,
                                      std::vector<int>& lengths, PackageMergeScratch& scratch);

// One package-merge level: packages the pairs of `previous` (dropping an odd last item, whose
// leaves lose one from their lengths), merges them with the leaves into `out` (a leaf before a
// package of equal weight) and returns the number of items written.
unsigned int PackageMerge(CoinSet* previous, unsigned int previousCount, CoinSet* leaves, unsigned int leafCount,
                          CoinSet* out, std::vector<int>& lengths);

// Subtracts one from the length of every leaf copy inside `set`.
void ExpandCoinSet(std::vector<int>& lengths, CoinSet* set);

// Builds the canonical code of `lengths` into `out`, ordered longest code first and, within one
// length, by increasing symbol; the longest codes take the smallest values, starting at 0.
// Refuses (false, `out` untouched) a length outside 1..maxLength, a maxLength above 31, and
// lengths that over-fill the code space. Lengths that leave code space free are accepted.
bool BuildCanonicalHuffCodes(unsigned int count, int const* lengths, int maxLength, std::vector<HuffCodeSymbol>& out);

// The low `length` bits of `code` as '0'/'1', most significant first ("" for length < 1).
std::string GetCodeString(unsigned long long code, int length);

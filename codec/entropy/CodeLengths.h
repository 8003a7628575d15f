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

struct ZeroRunItem;

// One item of a package-merge list: a leaf (first == nullptr, symbol valid), a package of two
// items of the previous list, or a stand-in for an item of a list's zero-weight run (below).
struct CoinSet {
    CoinSet* first;
    union {
        CoinSet* second;
        uint32_t symbol;
        const ZeroRunItem* zeroRun; // when first == ZeroRunMark()
    };
    uint64_t weight;

    bool operator<(const CoinSet& other) const { return weight < other.weight; }
};

// Every merged list starts with a run of zero-weight items: the never-counted leaves (lightest,
// and first on ties), then the packages of the previous list's run. Large alphabets are mostly
// never counted, so the lists keep that run implicit: item `index` of the run at `level` is leaf
// `index` if index < zeros, else the package of run items 2(index - zeros) and 2(index - zeros) + 1
// one level down. Only the run's last item can be packaged with a counted item; a CoinSet whose
// `first` is ZeroRunMark() stands for it.
struct ZeroRunItem {
    const CoinSet* leaves; // the sorted leaves; the first `zeros` are the never-counted ones
    uint32_t zeros;
    uint32_t level;
    uint32_t index;
};
CoinSet* ZeroRunMark();

// One entry of a canonical code list.
struct HuffCodeSymbol {
    int symbol;
    uint32_t length;
    uint32_t code; // the low `length` bits, sent most significant bit first
};

// Working storage of one length computation (the sorted leaves and the pool the merged lists are
// written to), kept by a caller that computes lengths again and again, so that each computation
// does not get its memory fresh from the system.
struct PackageMergeScratch {
    std::unique_ptr<CoinSet[]> leaves;
    std::unique_ptr<CoinSet[]> pool;
    std::vector<ZeroRunItem> runItems; // the stand-ins' run items, one per level
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

// Subtracts one from the length of every leaf copy inside `set`, zero-run stand-ins included.
void ExpandCoinSet(std::vector<int>& lengths, CoinSet* set);

// Builds the canonical code of `lengths` into `out`, ordered longest code first and, within one
// length, by increasing symbol; the longest codes take the smallest values, starting at 0.
// Refuses (false, `out` untouched) a length outside 1..maxLength, a maxLength above 31, and
// lengths that over-fill the code space. Lengths that leave code space free are accepted.
bool BuildCanonicalHuffCodes(unsigned int count, int const* lengths, int maxLength, std::vector<HuffCodeSymbol>& out);

// The low `length` bits of `code` as '0'/'1', most significant first ("" for length < 1).
std::string GetCodeString(unsigned long long code, int length);

#include "codec/CodeLengths.h"

#include <algorithm>

void ExpandCoinSet(std::vector<int>& lengths, CoinSet* set)
{
    // Packages nest at most maxLength deep: recurse into `first`, walk along `second`.
    while (set->first) {
        ExpandCoinSet(lengths, set->first);
        set = set->second;
    }
    lengths[set->symbol] -= 1;
}

unsigned int PackageMerge(CoinSet* previous, unsigned int previousCount, CoinSet* leaves, unsigned int leafCount,
                          CoinSet* out, std::vector<int>& lengths)
{
    if (previousCount & 1) ExpandCoinSet(lengths, &previous[previousCount - 1]);

    const unsigned int packageCount = previousCount / 2;
    unsigned int p = 0, l = 0;
    CoinSet* o = out;
    while (p < packageCount && l < leafCount) {
        CoinSet* a = &previous[2 * p];
        const uint64_t w = a[0].weight + a[1].weight;
        if (w < leaves[l].weight) {
            o->first = a;
            o->second = a + 1;
            o->weight = w;
            ++p;
        } else {
            *o = leaves[l++];
        }
        ++o;
    }
    for (; p < packageCount; ++p, ++o) {
        CoinSet* a = &previous[2 * p];
        o->first = a;
        o->second = a + 1;
        o->weight = a[0].weight + a[1].weight;
    }
    for (; l < leafCount; ++l, ++o) *o = leaves[l];
    return leafCount + packageCount;
}

void CalcLengthLimitedHuffCodeLengths(unsigned int count, unsigned long long const* counts, int maxLength,
                                      std::vector<int>& lengths)
{
    PackageMergeScratch scratch;
    CalcLengthLimitedHuffCodeLengths(count, counts, maxLength, lengths, scratch);
}

void CalcLengthLimitedHuffCodeLengths(unsigned int count, unsigned long long const* counts, int maxLength,
                                      std::vector<int>& lengths, PackageMergeScratch& scratch)
{
    lengths.assign(count, maxLength);
    if (count == 0 || maxLength < 1) return;
    if (count < 2) {
        // A single symbol: a one-bit code is the shortest that exists.
        lengths[0] = 1;
        return;
    }

    if (scratch.leafCapacity < count) {
        scratch.leaves.reset(new CoinSet[count]);
        scratch.leafCapacity = count;
    }
    const size_t poolSize = size_t(maxLength) * count * 2;
    if (scratch.poolCapacity < poolSize) {
        scratch.pool.reset(); // free the old pool before taking the larger one
        scratch.pool.reset(new CoinSet[poolSize]);
        scratch.poolCapacity = poolSize;
    }

    // Leaves lightest first; equal weights in symbol order, so the result does not depend on the
    // sort's internals. Large alphabets are mostly never-counted symbols: those come first as
    // they are, and only the counted ones are sorted.
    CoinSet* leaves = scratch.leaves.get();
    unsigned int zeros = 0;
    for (unsigned int s = 0; s < count; ++s)
        zeros += counts[s] == 0;
    unsigned int z = 0, nz = zeros;
    for (unsigned int s = 0; s < count; ++s) {
        CoinSet& leaf = leaves[counts[s] == 0 ? z++ : nz++];
        leaf.first = nullptr;
        leaf.symbol = s;
        leaf.weight = counts[s];
    }
    std::sort(leaves + zeros, leaves + count, [](const CoinSet& a, const CoinSet& b) {
        return a.weight < b.weight || (a.weight == b.weight && a.symbol < b.symbol);
    });

    CoinSet* list = scratch.pool.get();
    unsigned int listCount = PackageMerge(leaves, count, leaves, count, list, lengths);
    for (int level = 2; level < maxLength; ++level) {
        CoinSet* next = list + listCount;
        listCount = PackageMerge(list, listCount, leaves, count, next, lengths);
        list = next;
    }
    if (listCount & 1) ExpandCoinSet(lengths, &list[listCount - 1]);
}

bool BuildCanonicalHuffCodes(unsigned int count, int const* lengths, int maxLength, std::vector<HuffCodeSymbol>& out)
{
    if (maxLength > 31) return false;

    // Codes per length, and where each length's group starts in the longest-first order.
    uint32_t perLength[32] = {};
    int longest = 0;
    for (unsigned int s = 0; s < count; ++s) {
        const int l = lengths[s];
        if (l < 1 || l > maxLength) return false;
        ++perLength[l];
        longest = std::max(longest, l);
    }

    // Check the code space before touching `out`: the same walk as the assignment below.
    uint32_t value = ~0u;
    for (int l = longest; l >= 1; --l) {
        value += perLength[l]; // the last code of this length
        if (perLength[l] != 0 && uint64_t(value) >= (uint64_t(1) << l)) return false;
        value >>= 1;
    }

    uint32_t start[33] = {};
    uint32_t pos = 0;
    for (int l = longest; l >= 1; --l) {
        start[l] = pos;
        pos += perLength[l];
    }
    out.resize(count);
    for (unsigned int s = 0; s < count; ++s) {
        HuffCodeSymbol& e = out[start[lengths[s]]++];
        e.symbol = int(s);
        e.length = uint32_t(lengths[s]);
    }
    value = ~0u;
    size_t i = 0;
    for (int l = longest; l >= 1; --l) {
        for (uint32_t n = perLength[l]; n != 0; --n) out[i++].code = ++value;
        value >>= 1;
    }
    return true;
}

std::string GetCodeString(unsigned long long code, int length)
{
    std::string s;
    for (int b = length - 1; b >= 0; --b) s.push_back((code >> b) & 1 ? '1' : '0');
    return s;
}

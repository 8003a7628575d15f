#include "codec/entropy/CodeLengths.h"

#include <algorithm>

namespace {

CoinSet g_zeroRunMark{};

} // namespace

CoinSet* ZeroRunMark() { return &g_zeroRunMark; }

namespace {

void ExpandZeroRun(std::vector<int>& lengths, const CoinSet* leaves, uint32_t zeros, uint32_t level, uint32_t index)
{
    // Run items nest one level per package, so the recursion is at most maxLength deep.
    while (index >= zeros) {
        const uint32_t pair = 2 * (index - zeros);
        ExpandZeroRun(lengths, leaves, zeros, level - 1, pair);
        --level;
        index = pair + 1;
    }
    lengths[leaves[index].symbol] -= 1;
}

} // namespace

void ExpandCoinSet(std::vector<int>& lengths, CoinSet* set)
{
    // Packages nest at most maxLength deep: recurse into `first`, walk along `second`.
    while (set->first) {
        if (set->first == ZeroRunMark()) {
            const ZeroRunItem& z = *set->zeroRun;
            ExpandZeroRun(lengths, z.leaves, z.zeros, z.level, z.index);
            return;
        }
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

    // Leaves lightest first; equal weights in symbol order, so the result does not depend on the
    // sort's internals. The never-counted symbols come first as they are; only the counted ones
    // are sorted.
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

    // Nothing counted: no list has a counted part to stand the zero run's last item next to, so
    // merge the whole lists.
    const bool wholeLists = zeros == count;
    const unsigned int counted = wholeLists ? count : count - zeros;
    CoinSet* merged = wholeLists ? leaves : leaves + zeros;

    // A level's list is [stand-in for the zero run's last item, if the run is odd][counted part];
    // the counted part holds at most counted + (previous list + 1) / 2 items.
    const size_t poolSize = size_t(maxLength) * (2 * size_t(counted) + 2);
    if (scratch.poolCapacity < poolSize) {
        scratch.pool.reset(); // free the old pool before taking the larger one
        scratch.pool.reset(new CoinSet[poolSize]);
        scratch.poolCapacity = poolSize;
    }
    std::vector<ZeroRunItem>& runItems = scratch.runItems;
    if (runItems.size() < size_t(maxLength)) runItems.resize(size_t(maxLength));

    // Level 0 is the leaves themselves; an odd zero run's last item is the leaf just before the
    // counted ones, so it already stands in its place.
    uint32_t run = wholeLists ? 0 : zeros;
    CoinSet* list = merged - (run & 1);
    unsigned int listCount = counted + (run & 1);
    CoinSet* pool = scratch.pool.get();
    for (int level = 1; level < maxLength; ++level) {
        CoinSet* slot = pool++;
        const unsigned int mergedCount = PackageMerge(list, listCount, merged, counted, pool, lengths);
        run = (wholeLists ? 0 : zeros) + run / 2;
        if (run & 1) {
            runItems[size_t(level)] = ZeroRunItem{leaves, zeros, uint32_t(level), run - 1};
            slot->first = ZeroRunMark();
            slot->zeroRun = &runItems[size_t(level)];
            slot->weight = 0;
            list = slot;
            listCount = mergedCount + 1;
        } else {
            list = pool;
            listCount = mergedCount;
        }
        pool += mergedCount;
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

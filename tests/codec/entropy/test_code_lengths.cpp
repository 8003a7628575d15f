#include "codec/entropy/CodeLengths.h"

#include "common/test_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <vector>

namespace {

// Sum of 2^(maxLength - l): exactly 2^maxLength for a code that fills its code space.
uint64_t kraft(const std::vector<int>& lengths, int maxLength)
{
    uint64_t sum = 0;
    for (int l : lengths) sum += uint64_t(1) << (maxLength - l);
    return sum;
}

uint64_t cost(const std::vector<int>& lengths, const std::vector<unsigned long long>& counts)
{
    uint64_t c = 0;
    for (size_t i = 0; i < counts.size(); ++i) c += counts[i] * uint64_t(lengths[i]);
    return c;
}

// Total cost of an unlimited Huffman code (sum of the merged weights).
uint64_t huffman_cost(const std::vector<unsigned long long>& counts)
{
    std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<>> q(counts.begin(), counts.end());
    uint64_t total = 0;
    while (q.size() > 1) {
        const uint64_t a = q.top();
        q.pop();
        const uint64_t b = q.top();
        q.pop();
        total += a + b;
        q.push(a + b);
    }
    return total;
}

// Checks lengths, Kraft equality, canonical codes, prefix freedom and code ranges.
void check_code(const std::vector<unsigned long long>& counts, int maxLength)
{
    std::vector<int> lengths;
    CalcLengthLimitedHuffCodeLengths(unsigned(counts.size()), counts.data(), maxLength, lengths);
    ASSERT_EQ(lengths.size(), counts.size());
    for (int l : lengths) ASSERT_TRUE(l >= 1 && l <= maxLength) << l;
    ASSERT_EQ(kraft(lengths, maxLength), uint64_t(1) << maxLength);

    std::vector<HuffCodeSymbol> codes;
    ASSERT_TRUE(BuildCanonicalHuffCodes(unsigned(counts.size()), lengths.data(), maxLength, codes));
    ASSERT_EQ(codes.size(), counts.size());
    // As MAXLEN-bit intervals the codes must tile [0, 2^maxLength) without overlap.
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const HuffCodeSymbol& c : codes) {
        ASSERT_EQ(int(c.length), lengths[size_t(c.symbol)]);
        ASSERT_LT(c.code, counts.size());
        ASSERT_LT(uint64_t(c.code), uint64_t(1) << c.length);
        spans.emplace_back(uint64_t(c.code) << (maxLength - int(c.length)),
                           uint64_t(c.code + 1) << (maxLength - int(c.length)));
    }
    std::sort(spans.begin(), spans.end());
    uint64_t at = 0;
    for (auto [lo, hi] : spans) {
        ASSERT_EQ(lo, at);
        at = hi;
    }
}

// Package-merge over whole lists, zero-weight items included: the lengths the implicit zero runs
// must reproduce exactly (they are stored in every frame).
std::vector<int> whole_list_lengths(const std::vector<unsigned long long>& counts, int maxLength)
{
    const unsigned n = unsigned(counts.size());
    std::vector<int> lengths(n, maxLength);
    std::vector<CoinSet> leaves(n);
    for (unsigned s = 0; s < n; ++s) {
        leaves[s].first = nullptr;
        leaves[s].symbol = s;
        leaves[s].weight = counts[s];
    }
    std::stable_sort(leaves.begin(), leaves.end());
    std::vector<CoinSet> pool(size_t(maxLength) * n * 2);
    CoinSet* list = pool.data();
    unsigned listCount = PackageMerge(leaves.data(), n, leaves.data(), n, list, lengths);
    for (int level = 2; level < maxLength; ++level) {
        CoinSet* next = list + listCount;
        listCount = PackageMerge(list, listCount, leaves.data(), n, next, lengths);
        list = next;
    }
    if (listCount & 1) ExpandCoinSet(lengths, &list[listCount - 1]);
    return lengths;
}

} // namespace

TEST(CodeLengths, ZeroRunsGiveTheWholeListLengths)
{
    // Sparse histograms of every alphabet size, odd and even numbers of never-counted symbols,
    // ties between counted symbols, and code lengths the limit cuts short.
    auto& rng = qtest::rng();
    PackageMergeScratch scratch;
    for (int round = 0; round < 400; ++round) {
        const int bits = round < 300 ? 2 + int(rng() % 7) : 8 + 2 * int(rng() % 4);
        const unsigned n = (1u << bits) - unsigned(rng() % 2) * unsigned(rng() % (1u << (bits - 1)));
        const int maxLength = bits + 1 + int(rng() % 4);
        std::vector<unsigned long long> counts(n, 0);
        const unsigned used = 1 + unsigned(rng() % std::min(n, 1u + n / unsigned(1 + rng() % 8)));
        for (unsigned k = 0; k < used; ++k) {
            unsigned long long& c = counts[rng() % n];
            switch (rng() % 4) {
            case 0: c = 1 + rng() % 3; break;                  // ties
            case 1: c = 1ull << (rng() % 40); break;           // steep, the limit binds
            default: c = 1 + rng() % 100000;
            }
        }
        std::vector<int> lengths;
        CalcLengthLimitedHuffCodeLengths(n, counts.data(), maxLength, lengths, scratch);
        ASSERT_EQ(lengths, whole_list_lengths(counts, maxLength)) << "round " << round << ", " << n << " symbols";
    }
}

TEST(CanonicalCodes, ExampleAndOrder)
{
    const int lengths[] = {2, 2, 2, 3, 3};
    std::vector<HuffCodeSymbol> out;
    ASSERT_TRUE(BuildCanonicalHuffCodes(5, lengths, 12, out));
    ASSERT_EQ(out.size(), 5u);
    // Longest first, then by symbol.
    const int symbols[] = {3, 4, 0, 1, 2};
    const char* strings[] = {"000", "001", "01", "10", "11"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(out[size_t(i)].symbol, symbols[i]);
        EXPECT_EQ(GetCodeString(out[size_t(i)].code, int(out[size_t(i)].length)), strings[i]);
    }

    const int three[] = {2, 2, 2};
    ASSERT_TRUE(BuildCanonicalHuffCodes(3, three, 12, out)); // leaves code space free
    EXPECT_EQ(GetCodeString(out[0].code, 2), "00");
    EXPECT_EQ(GetCodeString(out[1].code, 2), "01");
    EXPECT_EQ(GetCodeString(out[2].code, 2), "10");

    ASSERT_TRUE(BuildCanonicalHuffCodes(0, nullptr, 12, out));
    EXPECT_TRUE(out.empty());
}

TEST(CanonicalCodes, RefusesBadLengthsWithoutTouchingOutput)
{
    std::vector<HuffCodeSymbol> out(2, HuffCodeSymbol{7, 7, 7});
    const int overfull[] = {1, 1, 1};
    const int zero[] = {1, 0, 2};
    const int tooLong[] = {1, 13, 2};
    const int ok[] = {1, 1};
    EXPECT_FALSE(BuildCanonicalHuffCodes(3, overfull, 12, out));
    EXPECT_FALSE(BuildCanonicalHuffCodes(3, zero, 12, out));
    EXPECT_FALSE(BuildCanonicalHuffCodes(3, tooLong, 12, out));
    EXPECT_FALSE(BuildCanonicalHuffCodes(2, ok, 32, out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].symbol, 7);
    EXPECT_EQ(out[1].code, 7u);
    EXPECT_TRUE(BuildCanonicalHuffCodes(2, ok, 31, out));

    // Over-full only deep down: 2^12 + 1 codes of length 12 in a 4097-symbol alphabet.
    std::vector<int> many(4097, 12);
    EXPECT_FALSE(BuildCanonicalHuffCodes(4097, many.data(), 12, out));
    many.pop_back();
    EXPECT_TRUE(BuildCanonicalHuffCodes(4096, many.data(), 12, out));
}

TEST(CanonicalCodes, CodeString)
{
    EXPECT_EQ(GetCodeString(5, 4), "0101");
    EXPECT_EQ(GetCodeString(1, 1), "1");
    EXPECT_EQ(GetCodeString(0xFFFF, 0), "");
    EXPECT_EQ(GetCodeString(3, -1), "");
}

TEST(PackageMerge, LeafBeforeEqualPackageAndOddDrop)
{
    std::vector<CoinSet> leaves(4);
    const uint64_t w[] = {1, 1, 2, 2};
    for (uint32_t i = 0; i < 4; ++i) {
        leaves[i].first = nullptr;
        leaves[i].symbol = i;
        leaves[i].weight = w[i];
    }
    std::vector<int> lengths(4, 5);
    std::vector<CoinSet> out(8);
    // Packages of weights 2 and 4 merged with leaves 1, 1, 2, 2.
    ASSERT_EQ(PackageMerge(leaves.data(), 4, leaves.data(), 4, out.data(), lengths), 6u);
    const uint64_t expect[] = {1, 1, 2, 2, 2, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[size_t(i)].weight, expect[i]);
    EXPECT_EQ(out[2].first, nullptr);
    EXPECT_EQ(out[3].first, nullptr);
    EXPECT_NE(out[4].first, nullptr);
    EXPECT_EQ(lengths, std::vector<int>(4, 5));

    // An odd previous list drops its last item; every leaf inside it loses one.
    std::vector<CoinSet> out2(8);
    ASSERT_EQ(PackageMerge(out.data(), 5, leaves.data(), 4, out2.data(), lengths), 6u);
    // The dropped item is the package {leaf 0, leaf 1}.
    EXPECT_EQ(lengths, (std::vector<int>{4, 4, 5, 5}));
    // Nested packages are expanded down to every leaf copy.
    CoinSet inner{}, outer{}, twice{};
    inner.first = &leaves[0];
    inner.second = &leaves[1];
    outer.first = &inner;
    outer.second = &leaves[2];
    twice.first = &outer;
    twice.second = &outer;
    std::vector<int> l2(4, 5);
    ExpandCoinSet(l2, &twice);
    EXPECT_EQ(l2, (std::vector<int>{3, 3, 3, 5}));
}

TEST(CodeLengths, EdgeCases)
{
    for (int bits : {8, 10, 12, 14}) {
        const unsigned n = 1u << bits;
        const int maxLength = bits + 4;
        std::vector<unsigned long long> counts(n, 0);
        std::vector<int> lengths;

        CalcLengthLimitedHuffCodeLengths(n, counts.data(), maxLength, lengths);
        EXPECT_EQ(lengths, std::vector<int>(n, bits)) << "all zero, " << bits << " bits";

        counts[n / 3] = 12345;
        CalcLengthLimitedHuffCodeLengths(n, counts.data(), maxLength, lengths);
        std::map<int, int> hist;
        for (int l : lengths) ++hist[l];
        EXPECT_EQ(lengths[n / 3], 1);
        EXPECT_EQ(hist[1], 1);
        EXPECT_EQ(hist[bits], 1);
        EXPECT_EQ(hist[bits + 1], int(n) - 2);
    }

    std::vector<unsigned long long> counts(256, 0);
    counts[17] = counts[200] = 1000;
    std::vector<int> lengths;
    CalcLengthLimitedHuffCodeLengths(256, counts.data(), 12, lengths);
    std::map<int, int> hist;
    for (int l : lengths) ++hist[l];
    EXPECT_EQ(hist, (std::map<int, int>{{1, 1}, {2, 1}, {9, 2}, {10, 252}}));
    EXPECT_EQ(std::min(lengths[17], lengths[200]), 1);
    EXPECT_EQ(std::max(lengths[17], lengths[200]), 2);
}

TEST(CodeLengths, RandomHistogramsFillTheCodeSpaceOptimally)
{
    auto& rng = qtest::rng();
    for (int bits : {8, 10, 12, 14}) {
        const unsigned n = 1u << bits;
        const int maxLength = bits + 4;
        const int rounds = bits == 14 ? 3 : 12;
        for (int round = 0; round < rounds; ++round) {
            std::vector<unsigned long long> counts(n, 0);
            switch (round % 4) {
            case 0: // uniform noise
                for (auto& c : counts) c = rng() % 1000;
                break;
            case 1: { // two-sided geometric, as prediction residuals
                const double theta = 0.5 + 0.45 * double(rng() % 1000) / 1000.0;
                double p = 1e9;
                for (unsigned k = 0; k < n / 2; ++k, p *= theta) {
                    counts[k] = (unsigned long long)p;
                    counts[n - 1 - k] = (unsigned long long)(p * 0.7);
                }
                break;
            }
            case 2: // steep: a Fibonacci run would make an unlimited code far deeper than maxLength
            {
                unsigned long long a = 1, b = 1;
                for (unsigned k = 0; k < 60 && k < n; ++k) {
                    counts[(k * 37) % n] = a;
                    const unsigned long long c = a + b;
                    a = b;
                    b = c;
                }
                break;
            }
            default: // sparse
                for (int k = 0; k < 5; ++k) counts[rng() % n] = 1 + rng() % 100000;
            }
            SCOPED_TRACE(testing::Message() << bits << " bits, round " << round);
            check_code(counts, maxLength);
        }
    }
}

TEST(CodeLengths, ReusedScratchGivesTheSameLengths)
{
    auto& rng = qtest::rng();
    PackageMergeScratch scratch;
    for (int bits : {14, 8, 12, 10, 8, 14}) {
        const unsigned n = 1u << bits;
        std::vector<unsigned long long> counts(n, 0);
        for (unsigned k = 0; k < n; k += 1 + unsigned(rng() % 5)) counts[k] = rng() % 5000;
        std::vector<int> fresh, reused;
        CalcLengthLimitedHuffCodeLengths(n, counts.data(), bits + 4, fresh);
        CalcLengthLimitedHuffCodeLengths(n, counts.data(), bits + 4, reused, scratch);
        EXPECT_EQ(fresh, reused) << bits << " bits";
    }
}

TEST(CodeLengths, MatchesHuffmanWhenTheLimitDoesNotBind)
{
    // All weights >= 1 and close together keep the unlimited Huffman code shallow, so the
    // length-limited code must cost exactly as much.
    auto& rng = qtest::rng();
    for (int round = 0; round < 20; ++round) {
        std::vector<unsigned long long> counts(256);
        for (auto& c : counts) c = 100 + rng() % 300;
        if (round & 1)
            for (int k = 0; k < 8; ++k) counts[size_t(k)] = 1000 + rng() % 5000;
        std::vector<int> lengths;
        CalcLengthLimitedHuffCodeLengths(256, counts.data(), 12, lengths);
        EXPECT_EQ(cost(lengths, counts), huffman_cost(counts));
    }
}

TEST(CodeLengths, LimitBindsAndStaysOptimalAgainstBruteForce)
{
    // Small alphabets: compare with the best cost over every length assignment that fills the
    // code space (exhaustive search).
    auto& rng = qtest::rng();
    for (int round = 0; round < 30; ++round) {
        const unsigned n = 2 + unsigned(rng() % 5);
        const int maxLength = 2 + int(rng() % 3);
        if ((1u << maxLength) < n) continue;
        std::vector<unsigned long long> counts(n);
        for (auto& c : counts) c = rng() % 2 ? rng() % 10 : 1 + (rng() % 100000);
        std::vector<int> lengths;
        CalcLengthLimitedHuffCodeLengths(n, counts.data(), maxLength, lengths);
        ASSERT_EQ(kraft(lengths, maxLength), uint64_t(1) << maxLength);

        uint64_t best = ~uint64_t(0);
        std::vector<int> trial(n, 1);
        std::function<void(unsigned)> search = [&](unsigned i) {
            if (i == n) {
                if (kraft(trial, maxLength) == uint64_t(1) << maxLength) best = std::min(best, cost(trial, counts));
                return;
            }
            for (int l = 1; l <= maxLength; ++l) {
                trial[i] = l;
                search(i + 1);
            }
        };
        search(0);
        EXPECT_EQ(cost(lengths, counts), best) << "n " << n << " maxLength " << maxLength;
    }
}

// Decoding untrusted payloads: incomplete codes, junk, truncated and short raw blocks. Every
// decode must yield exactly the samples asked for, valid for the depth, and touch nothing
// outside the payload and the output (the sanitizer build checks the latter: payloads and
// outputs here are heap buffers of exactly their size).

#include "codec/entropy/HuffCoder.h"

#include "huff_test_util.h"

#include <gtest/gtest.h>

using namespace hufftest;

namespace {

template <class Coder>
class HuffHostile : public testing::Test {};
using Coders = testing::Types<HuffCoder8, HuffCoder10, HuffCoder12, HuffCoder14>;
TYPED_TEST_SUITE(HuffHostile, Coders);

// Random lengths in 1..maxLength, lengthened until they no longer over-fill the code space; most
// leave part of it free.
std::vector<int> random_incomplete_lengths(unsigned bits)
{
    auto& rng = qtest::rng();
    const unsigned n = 1u << bits, maxLength = bits + 4;
    std::vector<int> l(n);
    const unsigned shortest = 1 + unsigned(rng() % maxLength);
    for (int& v : l) v = int(shortest + rng() % (maxLength - shortest + 1));
    uint64_t kraft = 0;
    for (int v : l) kraft += uint64_t(1) << (maxLength - unsigned(v));
    while (kraft > (uint64_t(1) << maxLength)) {
        int& v = l[rng() % n];
        if (v < int(maxLength)) {
            kraft -= uint64_t(1) << (maxLength - unsigned(v) - 1);
            ++v;
        }
    }
    return l;
}

} // namespace

TYPED_TEST(HuffHostile, IncompleteCodesDecodeJunkSafely)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    auto& rng = qtest::rng();
    TypeParam coder;
    for (int table = 0; table < 12; ++table) {
        std::vector<int> l = random_incomplete_lengths(Info::kBits);
        if (table == 0) {
            // Almost nothing used: one short code and one long one.
            l.assign(l.size(), int(Info::kBits + 4));
            l[3] = 2;
        }
        ASSERT_TRUE(coder.setLengths(coder.numSymbols, l.data(), false, nullptr)) << "table " << table;
        for (int round = 0; round < 8; ++round) {
            std::vector<uint8_t> junk(size_t(rng() % 400));
            qtest::fill_random(junk.data(), junk.size());
            if (round == 0) std::fill(junk.begin(), junk.end(), 0xFF);
            const size_t count = size_t(rng() % 3000);
            const auto pieces = random_splits(count, round % 2 ? 7 : 900);
            const std::vector<Sample> out = decode<Sample>(coder, junk, count, pieces);
            ASSERT_EQ(out.size(), count);
            for (Sample v : out) ASSERT_LT(uint32_t(v), coder.numSymbols);
            // Damaged input still decodes deterministically, however the calls are split.
            ASSERT_EQ(decode<Sample>(coder, junk, count, {unsigned(count)}), out);
        }
    }
}

TYPED_TEST(HuffHostile, TruncatedPayloadKeepsTheWholeCodes)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    auto& rng = qtest::rng();
    for (Shape shape : {Shape::Geometric, Shape::Steep}) {
        const std::vector<Sample> s = make_samples<Sample>(Info::kBits, shape, 4000);
        TypeParam coder;
        ASSERT_TRUE(coder.setSymbols(coder.numSymbols, histogram(s, Info::kBits).data(), false, nullptr));
        const std::vector<uint8_t> full = encode(coder, s, {4000});
        // Bit position where each sample's code ends.
        std::vector<uint64_t> ends;
        uint64_t bit = 0;
        for (Sample v : s) ends.push_back(bit += coder.codes[v].length);

        for (int round = 0; round < 10; ++round) {
            const size_t keep = round == 0 ? 0 : size_t(rng() % full.size());
            const std::vector<uint8_t> cut(full.begin(), full.begin() + ptrdiff_t(keep));
            const std::vector<Sample> out = decode<Sample>(coder, cut, s.size(), random_splits(s.size(), 300));
            ASSERT_EQ(out.size(), s.size());
            for (size_t i = 0; i < s.size() && ends[i] <= keep * 8; ++i) ASSERT_EQ(out[i], s[i]) << i;
        }
    }
}

TYPED_TEST(HuffHostile, ShortRawBlockReadsOnlyThePayload)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    TypeParam coder;
    const std::vector<Sample> s = make_samples<Sample>(Info::kBits, Shape::Uniform, 100);
    const std::vector<uint8_t> raw = encode(coder, s, {100}, true);
    for (size_t keep : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(9), size_t(40), raw.size() - 1}) {
        std::vector<uint8_t> cut(raw.begin(), raw.begin() + ptrdiff_t(keep));
        HuffCoder::Status st(cut.empty() ? nullptr : cut.data(), cut.size());
        std::vector<Sample> out(100, Sample(0x5A5A & (coder.numSymbols - 1)));
        coder.uncompact_block(st, out.data(), 100);
        EXPECT_EQ(st.cursor, st.end);
        const size_t whole = keep * 8 / Info::kBits; // samples entirely inside the payload
        for (size_t i = 0; i < whole; ++i) ASSERT_EQ(out[i], s[i]) << keep << " bytes, sample " << i;
        // What lies past the payload reads as zero bits.
        for (size_t i = (keep * 8 + Info::kBits - 1) / Info::kBits; i < 100; ++i)
            ASSERT_EQ(out[i], 0) << keep << " bytes, sample " << i;
    }
}

TEST(HuffHostile8, WindowsInFreeCodeSpaceStillAdvance)
{
    // Codes "1" and "01", and 254 codes of 12 bits from 000000000000 up: the windows from
    // 000011111110 to 001111111111 begin no code at all.
    std::vector<int> l(256, 12);
    l[9] = 1;
    l[10] = 2;
    HuffCoder8 coder;
    ASSERT_TRUE(coder.setLengths(256, l.data(), false, nullptr));
    // 13-bit windows: free space reads as one sample 0 over 12 bits; the last 12-bit code is
    // followed by "1" or by nothing whole.
    for (uint32_t w : {254u << 1, 512u << 1, (1023u << 1) | 1}) {
        EXPECT_EQ(coder.window(w).bitCount, 12) << w;
        EXPECT_EQ(coder.window(w).symbolCount, 1) << w;
        EXPECT_EQ(coder.window(w).symbols, 0u) << w;
    }
    EXPECT_EQ(coder.window(253u << 1).bitCount, 12);
    EXPECT_EQ(coder.window((253u << 1) | 1).bitCount, 13);
    EXPECT_EQ(coder.window((253u << 1) | 1).symbolCount, 2);
    EXPECT_TRUE(coder.decodeTable.empty());
    // 001000000000 over and over: each such window decodes as one sample 0 and is passed over.
    std::vector<uint8_t> stream;
    for (int i = 0; i < 30; ++i) stream.insert(stream.end(), {0x20, 0x02, 0x00});
    const std::vector<unsigned char> out = decode<unsigned char>(coder, stream, 1000, {999, 1});
    ASSERT_EQ(out.size(), 1000u);
    for (unsigned char v : out) ASSERT_EQ(v, 0);
    // A valid code right after a damaged window is found again.
    stream.assign({0x20, 0x0C, 0x00}); // 001000000000 1 1 0...
    const std::vector<unsigned char> two = decode<unsigned char>(coder, stream, 3, {3});
    EXPECT_EQ(two, (std::vector<unsigned char>{0, 9, 9}));
}

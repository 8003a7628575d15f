#include "codec/entropy/HuffCoder.h"
#include "codec/StageTimers.h"

#include "huff_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace hufftest;

namespace {

template <class Coder>
class HuffCoderTyped : public testing::Test {};
using Coders = testing::Types<HuffCoder8, HuffCoder10, HuffCoder12, HuffCoder14>;
TYPED_TEST_SUITE(HuffCoderTyped, Coders);

// The stream a plain MSB-first writer makes from the coder's code table.
template <class Sample>
std::vector<uint8_t> reference_stream(const HuffCoder& coder, const std::vector<Sample>& s)
{
    RefBits ref;
    for (Sample v : s) ref.put(coder.codes[v].code, coder.codes[v].length);
    return ref.bytes;
}

// Lengths giving symbols 0, 1, 2 the codes 1, 01, 001; the other n - 3 symbols fill the
// remaining eighth of the code space: three codes of bits + 2 bits, the rest bits + 3.
std::vector<int> lengths_1_2_3(unsigned bits)
{
    const uint32_t n = 1u << bits;
    std::vector<int> l(n, int(bits) + 3);
    l[0] = 1;
    l[1] = 2;
    l[2] = 3;
    for (uint32_t i = 3; i < 6; ++i) l[i] = int(bits) + 2;
    return l;
}

} // namespace

TYPED_TEST(HuffCoderTyped, Parameters)
{
    using Info = CoderInfo<TypeParam>;
    TypeParam c;
    EXPECT_EQ(c.bits, Info::kBits);
    EXPECT_EQ(c.maxCodeLength, Info::kBits + 4);
    EXPECT_EQ(c.numSymbols, 1u << Info::kBits);
    EXPECT_EQ(c.symbolBytes, sizeof(typename Info::Sample));
    EXPECT_EQ(c.lutBits, Info::kBits == 10 ? 11u : 12u);
    EXPECT_EQ(c.pairMode, Info::kBits == 8);
}

TYPED_TEST(HuffCoderTyped, RoundTripsWithAnySplit)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    const size_t sizes[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 33, 100, 1920, 53760};
    for (Shape shape : {Shape::Uniform, Shape::Geometric, Shape::Steep, Shape::Single, Shape::Sparse}) {
        // One table per shape from the largest block; the smaller blocks are its prefixes.
        const std::vector<Sample> all = make_samples<Sample>(Info::kBits, shape, 53760);
        TypeParam coder;
        ASSERT_TRUE(coder.setSymbols(coder.numSymbols, histogram(all, Info::kBits).data(), false, nullptr));
        for (size_t count : sizes) {
            SCOPED_TRACE(testing::Message() << shape_name(shape) << ", " << count << " samples");
            const std::vector<Sample> s(all.begin(), all.begin() + ptrdiff_t(count));
            const std::vector<uint8_t> whole = encode(coder, s, {unsigned(count)});
            ASSERT_EQ(whole, reference_stream(coder, s));
            for (int split = 0; split < 3; ++split)
                ASSERT_EQ(encode(coder, s, random_splits(count, split == 0 ? 9 : 700)), whole);

            ASSERT_EQ(decode<Sample>(coder, whole, count, {unsigned(count)}), s);
            for (int split = 0; split < 3; ++split)
                ASSERT_EQ(decode<Sample>(coder, whole, count, random_splits(count, split == 0 ? 9 : 500)), s);
        }
    }
}

TYPED_TEST(HuffCoderTyped, FlatCodeFromEmptyHistogram)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    TypeParam coder;
    std::vector<unsigned long long> counts(coder.numSymbols, 0);
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, counts.data(), false, nullptr));
    for (int l : coder.lengths) ASSERT_EQ(l, int(Info::kBits));
    // A flat code of `bits` bits: the coded stream is the samples themselves, MSB first.
    const std::vector<Sample> s = make_samples<Sample>(Info::kBits, Shape::Uniform, 1001);
    const std::vector<uint8_t> coded = encode(coder, s, {1001});
    EXPECT_EQ(coded.size(), (1001 * Info::kBits + 7) / 8);
    EXPECT_EQ(decode<Sample>(coder, coded, s.size(), {1001}), s);
}

TYPED_TEST(HuffCoderTyped, SingleSymbolBlockTakesOneBitPerSample)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    TypeParam coder;
    std::vector<unsigned long long> counts(coder.numSymbols, 0);
    counts[5] = 1000;
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, counts.data(), false, nullptr));
    ASSERT_EQ(coder.codes[5].length, 1);
    for (size_t count : {size_t(1), size_t(8), size_t(13), size_t(53760)}) {
        const std::vector<Sample> s(count, Sample(5));
        const std::vector<uint8_t> coded = encode(coder, s, {unsigned(count)});
        ASSERT_EQ(coded.size(), (count + 7) / 8);
        // The one-bit code is "1": all ones, the last byte completed with zeros.
        for (size_t i = 0; i + 1 < coded.size(); ++i) ASSERT_EQ(coded[i], 0xFF);
        ASSERT_EQ(coded.back(), uint8_t(0xFF << ((8 - count % 8) % 8)));
        ASSERT_EQ(decode<Sample>(coder, coded, count, random_splits(count, 40)), s);
    }
}

TYPED_TEST(HuffCoderTyped, CodesOneTwoThreeBitsGiveA4)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    TypeParam coder;
    const std::vector<int> l = lengths_1_2_3(Info::kBits);
    ASSERT_TRUE(coder.setLengths(coder.numSymbols, l.data(), false, nullptr));
    EXPECT_EQ(coder.codes[0].code, 1);
    EXPECT_EQ(coder.codes[1].code, 1);
    EXPECT_EQ(coder.codes[2].code, 1);

    std::vector<uint8_t> buf(64, 0xEE);
    HuffCoder::Status st(buf.data(), buf.size());
    const Sample s[] = {0, 1, 2};
    coder.encode_block(st, s, 3);
    EXPECT_EQ(coder.encode_end(st), 1);
    EXPECT_EQ(buf[0], 0xA4);
    // The writer stores whole words: what it leaves beyond the payload is zero.
    for (int i = 1; i < 8; ++i) EXPECT_EQ(buf[size_t(i)], 0) << i;

    std::vector<uint8_t> payload(buf.begin(), buf.begin() + 1);
    EXPECT_EQ(decode<Sample>(coder, payload, 3, {1, 1, 1}), (std::vector<Sample>{0, 1, 2}));
}

TYPED_TEST(HuffCoderTyped, EndWritesNothingWithoutPendingBits)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    TypeParam coder;
    std::vector<unsigned long long> counts(coder.numSymbols, 1);
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, counts.data(), false, nullptr));

    std::vector<uint8_t> buf(64, 0xEE);
    HuffCoder::Status fresh(buf.data(), buf.size());
    coder.encode_block(fresh, nullptr, 0);
    EXPECT_EQ(coder.encode_end(fresh), 0);
    EXPECT_EQ(buf, std::vector<uint8_t>(64, 0xEE));

    // Eight raw samples of any depth end on a byte boundary: the last flush leaves nothing.
    const std::vector<Sample> s = make_samples<Sample>(Info::kBits, Shape::Uniform, 8);
    HuffCoder::Status st(buf.data(), buf.size());
    coder.compact_block(st, s.data(), 8);
    const std::vector<uint8_t> before = buf;
    EXPECT_EQ(coder.encode_end(st), int(Info::kBits));
    EXPECT_EQ(buf, before);
    // The status goes on at a byte boundary.
    coder.compact_block(st, s.data(), 8);
    EXPECT_EQ(coder.encode_end(st), int(2 * Info::kBits));
    EXPECT_EQ(std::memcmp(buf.data(), buf.data() + Info::kBits, Info::kBits), 0);
}

TYPED_TEST(HuffCoderTyped, RawStoreRoundTrips)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    TypeParam coder;
    for (size_t count : {size_t(0), size_t(1), size_t(3), size_t(5), size_t(9), size_t(1920), size_t(4097)}) {
        const std::vector<Sample> s = make_samples<Sample>(Info::kBits, Shape::Uniform, count);
        const std::vector<uint8_t> raw = encode(coder, s, random_splits(count, 11), true);
        ASSERT_EQ(raw.size(), (count * Info::kBits + 7) / 8);
        RefBits ref;
        for (Sample v : s) ref.put(v, Info::kBits);
        ASSERT_EQ(raw, ref.bytes);
        ASSERT_EQ(decode<Sample>(coder, raw, count, random_splits(count, 13), true), s);
    }
}

TEST(HuffCoder10, RawBytes)
{
    HuffCoder10 coder;
    const unsigned short s[] = {0x3FF, 0x000, 0x155};
    std::vector<uint8_t> buf(64, 0xEE);
    HuffCoder::Status st(buf.data(), buf.size());
    coder.compact_block(st, s, 3);
    ASSERT_EQ(coder.encode_end(st), 4);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 4), (std::vector<uint8_t>{0xFF, 0xC0, 0x05, 0x54}));
    unsigned short back[3] = {};
    HuffCoder::Status rs(buf.data(), 4);
    coder.uncompact_block(rs, back, 3);
    EXPECT_EQ(back[0], 0x3FF);
    EXPECT_EQ(back[1], 0);
    EXPECT_EQ(back[2], 0x155);
}

TEST(HuffCoder8, PairModeGivesThePlainBytes)
{
    for (Shape shape : {Shape::Geometric, Shape::Uniform, Shape::Steep}) {
        const std::vector<unsigned char> s = make_samples<unsigned char>(8, shape, 20011);
        const std::vector<unsigned long long> counts = histogram(s, 8);
        HuffCoder8 coder;
        ASSERT_TRUE(coder.setSymbols(256, counts.data(), true, nullptr));
        ASSERT_EQ(coder.pairCodes.size(), 65536u);
        const std::vector<uint8_t> paired = encode(coder, s, random_splits(s.size(), 300));
        coder.pairMode = false;
        EXPECT_EQ(encode(coder, s, random_splits(s.size(), 300)), paired) << shape_name(shape);
    }
}

// A coder set up to decode has no pair table; encoding with it must use its own code, never the
// pair table of the code it was given before.
TEST(HuffCoder8, EncodingAfterADecodingSetupUsesTheNewCode)
{
    const std::vector<unsigned char> first = make_samples<unsigned char>(8, Shape::Steep, 5000);
    const std::vector<unsigned char> s = make_samples<unsigned char>(8, Shape::Uniform, 20011);
    HuffCoder8 reused, fresh;
    ASSERT_TRUE(reused.setSymbols(256, histogram(first, 8).data(), true, nullptr));
    ASSERT_TRUE(fresh.setSymbols(256, histogram(s, 8).data(), true, nullptr));
    ASSERT_TRUE(reused.setLengths(256, fresh.lengths.data(), false, nullptr));
    const std::vector<unsigned> splits = random_splits(s.size(), 300);
    const std::vector<uint8_t> bytes = encode(reused, s, splits);
    EXPECT_EQ(bytes, encode(fresh, s, splits));
    EXPECT_EQ(decode<unsigned char>(reused, bytes, s.size(), splits), s);
    // Set up to encode again, it has its pair table back.
    ASSERT_TRUE(reused.setLengths(256, fresh.lengths.data(), true, nullptr));
    EXPECT_EQ(reused.pairCodes.size(), 65536u);
    EXPECT_EQ(encode(reused, s, splits), bytes);
}

TEST(HuffCoder8, RawStoreAfterPendingBitsStaysOneBitStream)
{
    HuffCoder8 coder;
    std::vector<unsigned long long> counts(256, 1);
    ASSERT_TRUE(coder.setSymbols(256, counts.data(), false, nullptr));
    const unsigned char s[] = {1, 2, 3, 200, 7};
    std::vector<uint8_t> buf(64, 0);
    HuffCoder::Status st(buf.data(), buf.size());
    coder.encode_block(st, s, 1);  // 8 bits of a flat code, then ...
    coder.compact_block(st, s, 1); // ... a whole byte: no pending bits, a byte copy
    coder.encode_block(st, s, 1);
    EXPECT_EQ(coder.encode_end(st), 3);
    EXPECT_EQ(buf[0], 1);
    EXPECT_EQ(buf[1], 1);
    EXPECT_EQ(buf[2], 1);

    // With bits pending mid-byte the raw bytes go through the bit writer.
    std::vector<int> l = lengths_1_2_3(8);
    ASSERT_TRUE(coder.setLengths(256, l.data(), false, nullptr));
    std::fill(buf.begin(), buf.end(), 0);
    HuffCoder::Status st2(buf.data(), buf.size());
    const unsigned char zero = 0;
    coder.encode_block(st2, &zero, 1); // "1"
    coder.compact_block(st2, s, 2);    // 00000001 00000010
    EXPECT_EQ(coder.encode_end(st2), 3);
    EXPECT_EQ(buf[0], 0x80);
    EXPECT_EQ(buf[1], 0x81);
    EXPECT_EQ(buf[2], 0x00);
}

TYPED_TEST(HuffCoderTyped, DecodingWindowsMapToTheGreedyRun)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    for (Shape shape : {Shape::Geometric, Shape::Steep, Shape::Sparse}) {
        const std::vector<Sample> s = make_samples<Sample>(Info::kBits, shape, 30000);
        TypeParam coder;
        ASSERT_TRUE(coder.setSymbols(coder.numSymbols, histogram(s, Info::kBits).data(), false, nullptr));
        const unsigned lut = coder.lutBits;
        // The 8-bit coder's windows are one bit wider than its first level.
        const unsigned wbits = TypeParam::kFastBits;
        // Codes by (length, value) for a brute-force parse.
        std::vector<std::vector<int>> byCode(lut + 1);
        for (unsigned len = 1; len <= lut; ++len) byCode[len].assign(size_t(1) << len, -1);
        for (uint32_t sym = 0; sym < coder.numSymbols; ++sym)
            if (coder.codes[sym].length <= lut) byCode[coder.codes[sym].length][coder.codes[sym].code] = int(sym);

        for (uint32_t w = 0; w < (1u << wbits); ++w) {
            unsigned used = 0, n = 0;
            uint64_t syms = 0;
            while (n < 4) {
                int found = -1;
                unsigned len = 1;
                for (; len <= lut && used + len <= wbits; ++len) {
                    const uint32_t prefix = (w >> (wbits - used - len)) & ((1u << len) - 1);
                    if ((found = byCode[len][prefix]) >= 0) break;
                }
                if (found < 0) break;
                syms |= uint64_t(found) << (8 * sizeof(Sample) * n);
                used += len;
                ++n;
            }
            const auto e = coder.window(w);
            if (n == 0) {
                ASSERT_EQ(e.bitCount, 255) << "window " << w;
                ASSERT_GT(Info::kBits, 8u) << "a complete 8-bit code has no long codes";
            } else {
                ASSERT_EQ(e.bitCount, used) << "window " << w;
                ASSERT_EQ(e.symbolCount, n) << "window " << w;
                ASSERT_EQ(uint64_t(e.symbols), syms) << "window " << w;
            }
        }
    }
}

TYPED_TEST(HuffCoderTyped, RebuildInPlaceMatchesAFreshCoder)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    auto& rng = qtest::rng();
    // First a code with many long codes, then an incomplete one: windows the second code does
    // not use must not decode to what the first left behind.
    const std::vector<Sample> steep = make_samples<Sample>(Info::kBits, Shape::Steep, 50000);
    std::vector<int> sparse(size_t(1) << Info::kBits, int(Info::kBits + 4));
    sparse[1] = 1;
    sparse[2] = 3;

    TypeParam reused, fresh;
    ASSERT_TRUE(reused.setSymbols(reused.numSymbols, histogram(steep, Info::kBits).data(), false, nullptr));
    ASSERT_TRUE(reused.setLengths(reused.numSymbols, sparse.data(), false, nullptr));
    ASSERT_TRUE(fresh.setLengths(fresh.numSymbols, sparse.data(), false, nullptr));

    // Every window the first level hands to the second level reads what a fresh coder reads.
    if (reused.lutBits < reused.maxCodeLength) {
        const unsigned shift = reused.maxCodeLength - TypeParam::kFastBits;
        size_t handed = 0;
        for (uint32_t w = 0; w < (1u << reused.maxCodeLength); ++w) {
            if (reused.window(w >> shift).bitCount != 255) continue;
            ++handed;
            ASSERT_EQ(reused.longCodes[w].symbol, fresh.longCodes[w].symbol) << "window " << w;
            ASSERT_EQ(reused.longCodes[w].length, fresh.longCodes[w].length) << "window " << w;
        }
        EXPECT_GT(handed, size_t(1) << (reused.maxCodeLength - 2)); // the free space in the middle included
    }

    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> junk(size_t(rng() % 3000));
        qtest::fill_random(junk.data(), junk.size());
        const size_t count = size_t(rng() % 5000);
        const auto pieces = random_splits(count, 200);
        ASSERT_EQ(decode<Sample>(reused, junk, count, pieces), decode<Sample>(fresh, junk, count, pieces));
    }
}

TYPED_TEST(HuffCoderTyped, RefusedTablesChangeNothing)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    const std::vector<Sample> s = make_samples<Sample>(Info::kBits, Shape::Geometric, 5000);
    TypeParam coder;
    const auto counts = histogram(s, Info::kBits);
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, counts.data(), false, nullptr));
    const std::vector<uint8_t> coded = encode(coder, s, {5000});
    const std::vector<int> keptLengths = coder.lengths;

    EXPECT_FALSE(coder.setSymbols(coder.numSymbols - 1, counts.data(), false, nullptr));
    std::vector<int> bad(coder.numSymbols, 1); // over-full
    EXPECT_FALSE(coder.setLengths(coder.numSymbols, bad.data(), false, nullptr));
    bad.assign(coder.numSymbols, int(Info::kBits));
    EXPECT_FALSE(coder.setLengths(coder.numSymbols * 2, bad.data(), false, nullptr));
    bad[7] = 0;
    EXPECT_FALSE(coder.setLengths(coder.numSymbols, bad.data(), false, nullptr));
    bad[7] = int(Info::kBits) + 5;
    EXPECT_FALSE(coder.setLengths(coder.numSymbols, bad.data(), false, nullptr));

    EXPECT_EQ(coder.lengths, keptLengths);
    EXPECT_EQ(encode(coder, s, {5000}), coded);
    EXPECT_EQ(decode<Sample>(coder, coded, 5000, {5000}), s);
}

// The engine keeps its coders as HuffCoder pointers: deleting one must run the destructor of the
// class it was made as, which frees its tables (a sanitizer build sees any that stay behind).
int g_probesDestroyed = 0;
template <class Coder>
struct DestructionProbe : Coder {
    ~DestructionProbe() { ++g_probesDestroyed; }
};

TEST(HuffCoder, DeletesThroughTheInterface)
{
    std::unique_ptr<HuffCoder> coders[] = {
        std::make_unique<HuffCoder8>(), std::make_unique<HuffCoder10>(), std::make_unique<HuffCoder12>(),
        std::make_unique<HuffCoder14>(),
        std::make_unique<DestructionProbe<HuffCoderT<unsigned char, unsigned short, 8u, 12u, 12u>>>(),
        std::make_unique<DestructionProbe<HuffCoderT<unsigned short, unsigned int, 14u, 18u, 12u>>>()};
    for (auto& c : coders) {
        std::vector<unsigned long long> counts(c->numSymbols, 3);
        ASSERT_TRUE(c->setSymbols(c->numSymbols, counts.data(), false, nullptr));
    }
    g_probesDestroyed = 0;
    for (auto& c : coders) c.reset();
    EXPECT_EQ(g_probesDestroyed, 2);
}

TYPED_TEST(HuffCoderTyped, EncodeOnlyCoderDecodesNoStaleTable)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    const std::vector<Sample> s = make_samples<Sample>(Info::kBits, Shape::Geometric, 3000);
    TypeParam coder;
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, histogram(s, Info::kBits).data(), false, nullptr));
    const std::vector<uint8_t> coded = encode(coder, s, {3000});
    ASSERT_EQ(decode<Sample>(coder, coded, 3000, {3000}), s);

    // Rebuilt for encoding only with another code: the old decoding tables are gone.
    std::vector<unsigned long long> flat(coder.numSymbols, 0);
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, flat.data(), true, nullptr));
    EXPECT_EQ(decode<Sample>(coder, coded, 3000, {1000, 2000}), std::vector<Sample>(3000, 0));
    // A decoding build brings them back.
    ASSERT_TRUE(coder.setLengths(coder.numSymbols, coder.lengths.data(), false, nullptr));
    const std::vector<uint8_t> flatCoded = encode(coder, s, {3000});
    EXPECT_EQ(decode<Sample>(coder, flatCoded, 3000, {3000}), s);
}

TEST(HuffCoder, TimerCountsTableBuilds)
{
    HuffCoder12 coder;
    Timer timer;
    std::vector<unsigned long long> counts(coder.numSymbols, 1);
    ASSERT_TRUE(coder.setSymbols(coder.numSymbols, counts.data(), true, &timer));
    ASSERT_TRUE(coder.setLengths(coder.numSymbols, coder.lengths.data(), false, &timer));
    EXPECT_EQ(timer.calls(), 2u);
    std::vector<int> bad(coder.numSymbols, 1);
    EXPECT_FALSE(coder.setLengths(coder.numSymbols, bad.data(), false, &timer));
    EXPECT_EQ(timer.calls(), 2u);
}

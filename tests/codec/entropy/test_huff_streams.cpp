// Several streams decoded at once (decode_streams) must give exactly what one decode_block per
// stream gives: on coded blocks of different entropy (so the streams run out at different
// times), on any split of the count into calls, on junk under incomplete codes, on payloads
// shorter than one load, and on more streams than are interleaved at once. Payloads and outputs
// are exactly sized heap buffers, so the sanitizer build sees any access outside them.

#include "codec/entropy/HuffCoder.h"

#include "huff_test_util.h"

#include <gtest/gtest.h>

#include <memory>

using namespace hufftest;

namespace {

template <class Coder>
class HuffStreams : public testing::Test {};
using Coders = testing::Types<HuffCoder8, HuffCoder10, HuffCoder12, HuffCoder14>;
TYPED_TEST_SUITE(HuffStreams, Coders);

template <class Coder>
using Base = HuffCoderT<typename CoderInfo<Coder>::Sample,
                        std::conditional_t<CoderInfo<Coder>::kBits == 8, unsigned short, unsigned int>,
                        CoderInfo<Coder>::kBits, CoderInfo<Coder>::kBits + 4,
                        CoderInfo<Coder>::kBits == 10 ? 11u : 12u>;

// Decodes `count` samples of every payload with decode_streams, in calls of the given pieces
// (the same pieces for every stream, as the engine calls it).
template <class Coder>
std::vector<std::vector<typename CoderInfo<Coder>::Sample>> decode_all(
    const std::vector<const Coder*>& coders, const std::vector<std::vector<uint8_t>>& payloads,
    const std::vector<unsigned>& pieces)
{
    using Sample = typename CoderInfo<Coder>::Sample;
    const size_t n = coders.size();
    std::vector<std::unique_ptr<uint8_t[]>> in(n);
    std::vector<std::unique_ptr<HuffCoder::Status>> st(n);
    std::vector<HuffCoder::Status*> status(n);
    std::vector<const Base<Coder>*> base(n);
    for (size_t i = 0; i < n; ++i) {
        in[i].reset(new uint8_t[payloads[i].size() + 1]);
        std::copy(payloads[i].begin(), payloads[i].end(), in[i].get());
        st[i] = std::make_unique<HuffCoder::Status>(payloads[i].empty() ? nullptr : in[i].get(), payloads[i].size());
        status[i] = st[i].get();
        base[i] = coders[i];
    }
    std::vector<std::vector<Sample>> out(n);
    for (unsigned p : pieces) {
        std::vector<std::unique_ptr<Sample[]>> piece(n);
        std::vector<void*> ptr(n);
        for (size_t i = 0; i < n; ++i) {
            piece[i].reset(new Sample[p + 1]);
            ptr[i] = piece[i].get();
        }
        Base<Coder>::decode_streams(base.data(), status.data(), ptr.data(), unsigned(n), p);
        for (size_t i = 0; i < n; ++i) out[i].insert(out[i].end(), piece[i].get(), piece[i].get() + p);
    }
    return out;
}

} // namespace

TYPED_TEST(HuffStreams, SameSamplesAsOneStreamAtATime)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    auto& rng = qtest::rng();
    const Shape shapes[] = {Shape::Geometric, Shape::Steep, Shape::Uniform, Shape::Sparse, Shape::Single};
    // Deeper coders build much larger tables: fewer rounds keep the test quick.
    const int rounds = Info::kBits == 8 ? 24 : Info::kBits == 10 ? 16 : 8;
    for (int round = 0; round < rounds; ++round) {
        const size_t n = 1 + rng() % 6; // also more than are interleaved at once
        const size_t count = round < 4 ? rng() % 40 : 1 + rng() % 6000;
        std::vector<std::unique_ptr<TypeParam>> coders;
        std::vector<const TypeParam*> cp;
        std::vector<std::vector<Sample>> samples;
        std::vector<std::vector<uint8_t>> payloads;
        for (size_t i = 0; i < n; ++i) {
            // Streams of different entropy run out of cycles at different times.
            samples.push_back(make_samples<Sample>(Info::kBits, shapes[(round + i) % 5], count));
            coders.push_back(std::make_unique<TypeParam>());
            std::vector<unsigned long long> h = histogram(samples.back(), Info::kBits);
            ASSERT_TRUE(coders.back()->setSymbols(coders.back()->numSymbols, h.data(), false, nullptr));
            cp.push_back(coders.back().get());
            payloads.push_back(encode(*coders.back(), samples.back(), random_splits(count, 3000)));
        }
        const std::vector<unsigned> pieces =
            round % 3 == 0 ? std::vector<unsigned>{unsigned(count)} : random_splits(count, round % 3 == 1 ? 40 : 2500);
        const auto out = decode_all(cp, payloads, pieces);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(out[i], samples[i]) << "round " << round << " stream " << i << " of " << n << ", " << count
                                          << " samples";
    }
}

TYPED_TEST(HuffStreams, JunkAndShortPayloadsMatchOneStreamAtATime)
{
    using Info = CoderInfo<TypeParam>;
    using Sample = typename Info::Sample;
    auto& rng = qtest::rng();
    const int rounds = Info::kBits == 8 ? 24 : Info::kBits == 10 ? 16 : 8;
    for (int round = 0; round < rounds; ++round) {
        const size_t n = 2 + rng() % 4;
        std::vector<std::unique_ptr<TypeParam>> coders;
        std::vector<const TypeParam*> cp;
        std::vector<std::vector<uint8_t>> payloads;
        for (size_t i = 0; i < n; ++i) {
            // Incomplete codes (free code space) and junk bytes, some shorter than one 8-byte load.
            std::vector<int> l(size_t(1) << Info::kBits, int(Info::kBits + 4));
            for (int k = 0; k < 6; ++k) l[rng() % l.size()] = int(4 + rng() % (Info::kBits + 1));
            l[rng() % l.size()] = 2;
            coders.push_back(std::make_unique<TypeParam>());
            // A table that over-fills the code space is refused; this one never does.
            ASSERT_TRUE(coders.back()->setLengths(coders.back()->numSymbols, l.data(), false, nullptr));
            cp.push_back(coders.back().get());
            std::vector<uint8_t> junk(i == 0 && round % 2 ? rng() % 8 : rng() % 900);
            qtest::fill_random(junk.data(), junk.size());
            payloads.push_back(junk);
        }
        const size_t count = 1 + rng() % 3000;
        const std::vector<unsigned> pieces = random_splits(count, 700);
        const auto together = decode_all(cp, payloads, pieces);
        for (size_t i = 0; i < n; ++i) {
            const std::vector<Sample> alone = decode<Sample>(*cp[i], payloads[i], count, pieces);
            ASSERT_EQ(together[i], alone) << "round " << round << " stream " << i;
            for (Sample v : together[i]) ASSERT_LT(unsigned(v), 1u << Info::kBits);
        }
    }
}

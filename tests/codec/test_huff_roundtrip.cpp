#include "codec/HuffCoder.h"

#include "common/test_random.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(HuffCoder, SmokeRoundTrip8)
{
    HuffCoder8 coder;
    std::vector<unsigned long long> counts(256, 0);
    std::vector<unsigned char> samples(5000);
    for (auto& s : samples) {
        s = static_cast<unsigned char>(qtest::rand_int(0, 20));
        ++counts[s];
    }
    ASSERT_TRUE(coder.setSymbols(256, counts.data(), false, nullptr));
    std::vector<unsigned char> buf(samples.size() * 2 + 128);
    HuffCoder::Status ws(buf.data(), buf.size());
    coder.encode_block(ws, samples.data(), unsigned(samples.size()));
    const int size = coder.encode_end(ws);
    ASSERT_GT(size, 0);
    std::vector<unsigned char> out(samples.size());
    HuffCoder::Status rs(buf.data(), unsigned(size));
    coder.decode_block(rs, out.data(), unsigned(out.size()));
    EXPECT_EQ(out, samples);
}

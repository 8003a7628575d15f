#pragma once
// Shared helpers of the Huffman coder tests: sample generators for the four coder depths, a
// plain reference bit writer, and whole-block encode/decode with arbitrary call splits.

#include "codec/entropy/HuffCoder.h"

#include "common/test_random.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace hufftest {

template <class Coder>
struct CoderInfo;
template <>
struct CoderInfo<HuffCoder8> {
    using Sample = unsigned char;
    static constexpr unsigned kBits = 8;
};
template <>
struct CoderInfo<HuffCoder10> {
    using Sample = unsigned short;
    static constexpr unsigned kBits = 10;
};
template <>
struct CoderInfo<HuffCoder12> {
    using Sample = unsigned short;
    static constexpr unsigned kBits = 12;
};
template <>
struct CoderInfo<HuffCoder14> {
    using Sample = unsigned short;
    static constexpr unsigned kBits = 14;
};

enum class Shape { Uniform, Geometric, Steep, Single, Sparse };
inline const char* shape_name(Shape s)
{
    switch (s) {
    case Shape::Uniform: return "uniform";
    case Shape::Geometric: return "geometric";
    case Shape::Steep: return "steep";
    case Shape::Single: return "single";
    default: return "sparse";
    }
}

// Samples below 2^bits drawn in the given shape. Steep data makes a few symbols very common
// and many rare, so the codes reach the longest length (and the 16-bit coders' second level).
template <class Sample>
std::vector<Sample> make_samples(unsigned bits, Shape shape, size_t count)
{
    auto& rng = qtest::rng();
    const uint32_t n = 1u << bits, mask = n - 1;
    std::vector<Sample> s(count);
    const uint32_t single = uint32_t(rng()) & mask;
    const double theta = 0.6 + 0.35 * double(rng() % 1000) / 1000.0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t v = 0;
        switch (shape) {
        case Shape::Uniform: v = uint32_t(rng()); break;
        case Shape::Geometric: {
            const double u = (double(rng() % 1000000) + 0.5) / 1e6;
            const int32_t k = int32_t(std::floor(std::log(u) / std::log(theta)));
            v = uint32_t(rng() & 1 ? k : -k);
            break;
        }
        case Shape::Steep: {
            // P(k) ~ 2^-k over many k: lengths beyond the first decoding level.
            const uint64_t r = rng();
            v = uint32_t(r == 0 ? 63 : __builtin_ctzll(r)) * 37u + (rng() % 3 == 0 ? uint32_t(rng() % 64) : 0);
            break;
        }
        case Shape::Single: v = single; break;
        case Shape::Sparse: v = single + uint32_t(rng() % 4) * 7; break;
        }
        s[i] = static_cast<Sample>(v & mask);
    }
    return s;
}

template <class Sample>
std::vector<unsigned long long> histogram(const std::vector<Sample>& s, unsigned bits)
{
    std::vector<unsigned long long> counts(size_t(1) << bits, 0);
    for (Sample v : s) ++counts[v];
    return counts;
}

// A straightforward MSB-first bit writer, the reference for the coders' output.
struct RefBits {
    std::vector<uint8_t> bytes;
    uint64_t bitCount = 0;
    void put(uint32_t code, uint32_t length)
    {
        for (uint32_t b = length; b-- > 0;) {
            if (bitCount % 8 == 0) bytes.push_back(0);
            if ((code >> b) & 1) bytes.back() |= uint8_t(0x80 >> (bitCount % 8));
            ++bitCount;
        }
    }
};

// Random split points of [0, count): pieces of 0..max samples.
inline std::vector<unsigned> random_splits(size_t count, unsigned maxPiece)
{
    std::vector<unsigned> pieces;
    size_t left = count;
    while (left) {
        unsigned p = unsigned(qtest::rng()() % (maxPiece + 1));
        if (p > left) p = unsigned(left);
        pieces.push_back(p);
        left -= p;
    }
    return pieces;
}

// Buffer size the engine reserves for a block: count x MAXLEN bits plus 128 bytes.
inline size_t block_capacity(const HuffCoder& c, size_t count) { return count * c.maxCodeLength / 8 + 128; }

template <class Sample>
std::vector<uint8_t> encode(const HuffCoder& coder, const std::vector<Sample>& s, const std::vector<unsigned>& pieces,
                            bool raw = false)
{
    std::vector<uint8_t> buf(block_capacity(coder, s.size()), 0xEE);
    HuffCoder::Status st(buf.data(), buf.size());
    size_t at = 0;
    for (unsigned p : pieces) {
        if (raw)
            coder.compact_block(st, s.data() + at, p);
        else
            coder.encode_block(st, s.data() + at, p);
        at += p;
    }
    const int size = coder.encode_end(st);
    buf.resize(size_t(size));
    return buf;
}

// Decodes from a buffer of exactly the payload's size (so a sanitizer sees any overread) into
// exactly sized pieces.
template <class Sample>
std::vector<Sample> decode(const HuffCoder& coder, const std::vector<uint8_t>& payload, size_t count,
                           const std::vector<unsigned>& pieces, bool raw = false)
{
    std::vector<uint8_t> in(payload);
    HuffCoder::Status st(in.empty() ? nullptr : in.data(), in.size());
    std::vector<Sample> out;
    for (unsigned p : pieces) {
        std::vector<Sample> piece(p);
        if (raw)
            coder.uncompact_block(st, piece.data(), p);
        else
            coder.decode_block(st, piece.data(), p);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    (void)count;
    return out;
}

} // namespace hufftest

#include "codec/entropy/HuffCoder.h"

#include "codec/entropy/HuffBitIO.h"

#include <algorithm>

HuffCoder::Status::Status(unsigned char* buffer, unsigned long size)
    : bitBuffer(0), freeBits(64), cursor(buffer), begin(buffer), end(buffer + size), carryPos(0), carryEnd(0)
{
}

HuffCoder::HuffCoder(uint32_t symbolBytes_, uint32_t bits_, uint32_t maxCodeLength_, uint32_t lutBits_)
    : symbolBytes(symbolBytes_), bits(bits_), maxCodeLength(maxCodeLength_), lutBits(lutBits_),
      numSymbols(uint32_t(1) << bits_)
{
}

HuffCoder::~HuffCoder() = default;

std::unique_ptr<HuffCoder> make_huff_coder(int bits)
{
    switch (bits) {
    case 8: return std::make_unique<HuffCoder8>();
    case 10: return std::make_unique<HuffCoder10>();
    case 12: return std::make_unique<HuffCoder12>();
    case 14: return std::make_unique<HuffCoder14>();
    default: return nullptr;
    }
}

bool HuffCoder::setSymbols(unsigned int count, unsigned long long const* counts, bool encodeOnly, Timer* timer)
{
    if (count != numSymbols) return false;
    CalcLengthLimitedHuffCodeLengths(count, counts, int(maxCodeLength), lengths, m_mergeScratch);
    return setLengths(count, lengths.data(), encodeOnly, timer);
}

bool HuffCoder::begin_pair_rows()
{
    m_pairsReady = false;
    if (!pairsFit() || codes.size() != numSymbols) return false;
    pairCodes.resize(size_t(numSymbols) * numSymbols);
    return true;
}

void HuffCoder::end_pair_rows() { m_pairsReady = pairsFit() && pairCodes.size() == size_t(numSymbols) * numSymbols; }

void HuffCoder::build_pair_rows(uint32_t first, uint32_t end)
{
    if (pairCodes.size() != size_t(numSymbols) * numSymbols) return;
    end = std::min(end, numSymbols);
    for (uint32_t second = first; second < end; ++second) {
        const HuffCodeT<unsigned short> b = codes[second];
        uint32_t* row = &pairCodes[size_t(second) << bits];
        for (uint32_t i = 0; i < numSymbols; ++i) {
            const HuffCodeT<unsigned short> a = codes[i];
            row[i] = pair_entry((uint32_t(a.code) << b.length) | b.code, uint32_t(a.length) + b.length);
        }
    }
}

int HuffCoder::encode_end(Status& status) const
{
    if (status.freeBits < 64) {
        huff::BitWriter w(status);
        const uint32_t pad = (8 - (w.used & 7)) & 7;
        w.buf <<= pad;
        w.used += pad;
        w.flush();
        w.save(status);
    }
    status.bitBuffer = 0;
    status.freeBits = 64;
    return int(status.cursor - status.begin);
}

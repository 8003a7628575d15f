#include "codec/HuffCoder.h"

#include "codec/HuffBitIO.h"

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

bool HuffCoder::setSymbols(unsigned int count, unsigned long long const* counts, bool encodeOnly, Timer* timer)
{
    if (count != numSymbols) return false;
    CalcLengthLimitedHuffCodeLengths(count, counts, int(maxCodeLength), lengths, m_mergeScratch);
    return setLengths(count, lengths.data(), encodeOnly, timer);
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

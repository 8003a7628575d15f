#pragma once
// Bit-level reading and writing of the coders' streams: most significant bit first, through
// 64-bit words stored big-endian. The writer keeps its valid bits at the low end of a 64-bit
// accumulator, the reader at the high end. Both work on locals and hand their state back to the
// caller's HuffCoder::Status at the end of a call, so the compiler keeps them in registers.

#include "codec/HuffCoder.h"

#include <cstdint>
#include <cstring>

namespace huff {

inline void store_be64(unsigned char* p, uint64_t v)
{
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline uint64_t load_be64(const unsigned char* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

struct BitWriter {
    uint64_t buf;
    uint32_t used; // valid bits at the low end of buf
    unsigned char* cursor;

    explicit BitWriter(const HuffCoder::Status& s)
        : buf(s.bitBuffer), used(uint32_t(64 - s.freeBits)), cursor(s.cursor) {}

    void save(HuffCoder::Status& s) const
    {
        s.bitBuffer = buf;
        s.freeBits = 64 - used;
        s.cursor = cursor;
    }

    // length in 1..63; the caller keeps used + length within 64 between flushes.
    void put(uint64_t code, uint32_t length)
    {
        buf = (buf << length) | code;
        used += length;
    }

    // Stores the valid bits (at least one must be pending) and advances over the whole bytes.
    // The bits of a partial byte stay and are stored again by the next flush.
    void flush()
    {
        store_be64(cursor, buf << (64 - used));
        cursor += used >> 3;
        used &= 7;
    }
};

struct BitReader {
    uint64_t buf;
    uint32_t freeBits; // 64 minus the valid bits at the high end of buf
    const unsigned char* cursor;
    const unsigned char* end;

    explicit BitReader(const HuffCoder::Status& s)
        : buf(s.bitBuffer), freeBits(uint32_t(s.freeBits)), cursor(s.cursor), end(s.end) {}

    void save(HuffCoder::Status& s) const
    {
        s.bitBuffer = buf;
        s.freeBits = freeBits;
        s.cursor = const_cast<unsigned char*>(cursor);
    }

    // Tops the buffer up to at least 57 valid bits. Bits past `end` read as zero. Every caller
    // consumes at least one bit between two refills, so freeBits is never 0 here (a shift by 64).
    void refill()
    {
        if (end - cursor >= 8) {
            buf |= load_be64(cursor) >> (64 - freeBits);
            cursor += freeBits >> 3;
            freeBits &= 7;
        } else {
            refill_tail();
        }
    }

    void refill_tail()
    {
        while (freeBits > 7) {
            if (cursor < end) buf |= uint64_t(*cursor++) << (freeBits - 8);
            freeBits -= 8;
        }
    }

    uint32_t peek(uint32_t n) const { return uint32_t(buf >> (64 - n)); }

    void consume(uint32_t n)
    {
        buf <<= n;
        freeBits += n;
    }
};

} // namespace huff

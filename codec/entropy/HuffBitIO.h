#pragma once
// Bit-level reading and writing of the coders' streams: most significant bit first, through
// 64-bit words stored big-endian. The writer keeps its valid bits at the low end of a 64-bit
// accumulator, the reader at the high end. Both work on locals and hand their state back to the
// caller's HuffCoder::Status at the end of a call, so the compiler keeps them in registers.

#include "codec/entropy/HuffCoder.h"

#include <cstdint>
#include <cstring>

// Hot helpers must be inlined into the coding loops, or the bit state leaves the registers.
#define HUFF_INLINE inline __attribute__((always_inline))

namespace huff {

HUFF_INLINE void store_be64(unsigned char* p, uint64_t v)
{
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

HUFF_INLINE uint64_t load_be64(const unsigned char* p)
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
    HUFF_INLINE void put(uint64_t code, uint32_t length)
    {
        buf = (buf << length) | code;
        used += length;
    }

    // Stores the valid bits (at least one must be pending) and advances over the whole bytes.
    // The bits of a partial byte stay and are stored again by the next flush.
    HUFF_INLINE void flush()
    {
        store_be64(cursor, buf << (64 - used));
        cursor += used >> 3;
        used &= 7;
    }
};

struct BitReader {
    BitReader() = default;

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

    // Tops the buffer up to at least 57 valid bits. Bits past `end` read as zero. Needs at
    // least one free bit (a whole-word shift by 64 would be undefined).
    HUFF_INLINE void refill()
    {
        if (end - cursor >= 8) [[likely]] {
            buf |= load_be64(cursor) >> (64 - freeBits);
            cursor += freeBits >> 3;
            freeBits &= 7;
        } else {
            refill_tail();
        }
    }

    // The same for a buffer that is not empty (freeBits below 64); a full buffer takes nothing.
    HUFF_INLINE void refill_nonempty()
    {
        if (end - cursor >= 8) [[likely]] {
            buf |= (load_be64(cursor) >> 1) >> (63 - freeBits);
            cursor += freeBits >> 3;
            freeBits &= 7;
        } else {
            refill_tail();
        }
    }

    // The same for a caller that made sure 8 bytes lie between the cursor and the end.
    HUFF_INLINE void refill_unchecked()
    {
        buf |= (load_be64(cursor) >> 1) >> (63 - freeBits);
        cursor += freeBits >> 3;
        freeBits &= 7;
    }

    // Makes at least `bits` bits valid; after it freeBits is below 64.
    HUFF_INLINE void prime(uint32_t bits)
    {
        if (64 - freeBits < bits) refill();
    }

    HUFF_INLINE void refill_tail()
    {
        while (freeBits > 7) {
            if (cursor < end) buf |= uint64_t(*cursor++) << (freeBits - 8);
            freeBits -= 8;
        }
    }

    HUFF_INLINE uint32_t peek(uint32_t n) const { return uint32_t(buf >> (64 - n)); }

    HUFF_INLINE void consume(uint32_t n)
    {
        buf <<= n;
        freeBits += n;
    }
};

} // namespace huff

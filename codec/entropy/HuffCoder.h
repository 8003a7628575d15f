#pragma once
// Huffman coders for residual blocks: one coder per code table, of the class that matches the
// stored sample depth (HuffCoder8, HuffCoder10, HuffCoder12, HuffCoder14). A coder gets its code
// from sample counts (setSymbols, when compressing) or from stored code lengths (setLengths,
// when decompressing); it also stores a block's samples raw, the fallback for blocks that coding
// does not make smaller.
//
// Every stream is written most significant bit first, through 64-bit words stored big-endian,
// and completed with zero bits to a whole byte. All state of one block's stream lives in a
// HuffCoder::Status owned by the caller, so one coder serves every block of its table on every
// worker thread at once: the coding calls are const and touch only the status.

#include "codec/entropy/CodeLengths.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class Timer; // the engine's per-stage statistics

class HuffCoder {
public:
    template <class T>
    struct HuffCodeT {
        T code;
        T length;
    };
    // Second decoding level: one entry per MAXLEN-bit window whose code is longer than LUTBITS.
    struct HuffSymbol2 {
        uint16_t symbol;
        uint16_t length;
    };

    // The bit-level state of one block's stream, over the caller's buffer.
    //
    // Writing keeps the valid bits at the low end of bitBuffer and stores 8 bytes at a time: the
    // buffer must reach at least 8 bytes beyond the largest payload (count x MAXLEN bits); the
    // bytes the writer leaves beyond the payload are zero. Reading never goes past `end`: a
    // short or damaged payload still yields the requested samples (missing bits read as zero).
    struct Status {
        static constexpr size_t kCarryBytes = 128;

        Status(unsigned char* buffer, unsigned long size);

        uint64_t bitBuffer;
        uint64_t freeBits; // 64 minus the valid bits in bitBuffer
        unsigned char* cursor;
        unsigned char* begin;
        unsigned char* end;
        // Samples a decode call produced beyond what it was asked for, served first by the next
        // call on the same stream.
        uint64_t carryPos;
        uint64_t carryEnd;
        alignas(16) unsigned char carry[kCarryBytes];
    };

    virtual ~HuffCoder();

    // Appends the codes of `count` samples (each below 2^bits) to the stream.
    virtual void encode_block(Status& status, void const* samples, unsigned int count) const = 0;
    // Decodes exactly `count` samples; calls may split a block's samples any way.
    virtual void decode_block(Status& status, void* samples, unsigned int count) const = 0;
    // Appends `count` samples raw: bytes for 8-bit samples, `bits` bits each for the others.
    virtual void compact_block(Status& status, void const* samples, unsigned int count) const = 0;
    // Reads `count` raw samples.
    virtual void uncompact_block(Status& status, void* samples, unsigned int count) const = 0;
    // Builds the code from one length per symbol. False (tables unchanged) when count is not
    // numSymbols, a length lies outside 1..maxCodeLength or the lengths over-fill the code space.
    // encodeOnly skips the decoding tables. `lengths` (the member) is not touched.
    virtual bool setLengths(unsigned int count, int const* lengths, bool encodeOnly, Timer* timer) = 0;

    // Computes length-limited code lengths from the counts into `lengths`, then setLengths.
    // False, nothing changed, when count is not numSymbols.
    bool setSymbols(unsigned int count, unsigned long long const* counts, bool encodeOnly, Timer* timer);
    // Pair mode with pairRowsLater: a code set up to encode goes without its pair table (and
    // encodes one sample at a time) until the caller has built it: begin_pair_rows sizes the
    // table (false when this coder has none to build), build_pair_rows fills rows [first, end)
    // of it, from any threads and split any way, and end_pair_rows, once every row is built,
    // puts it to use. A new code needs the table built anew.
    bool begin_pair_rows();
    void build_pair_rows(uint32_t first, uint32_t end);
    void end_pair_rows();

    // Completes the last byte with zero bits and returns the stream's size in bytes. Writes
    // nothing when no bits are pending. The status is then ready to write on at a byte boundary.
    int encode_end(Status& status) const;

    uint32_t symbolBytes;   // bytes per sample in memory
    uint32_t bits;          // bits per sample
    uint32_t maxCodeLength; // bits + 4
    uint32_t lutBits;       // width of the first decoding level
    uint32_t numSymbols;    // 2^bits
    bool pairMode = false;  // encode two samples per table lookup (8-bit only)
    bool pairRowsLater = false; // the caller builds the pair table (see begin_pair_rows)

    std::vector<int> lengths;                      // made by the last setSymbols
    std::vector<HuffCodeT<unsigned short>> codes;  // per symbol
    // [(second << bits) | first]: both codes joined, shifted over their joint length (5 bits);
    // pair mode, set up to encode only.
    std::vector<uint32_t> pairCodes;
    std::vector<HuffSymbol2> longCodes;            // when lutBits < maxCodeLength

    // A pair-table entry: the two codes joined, above their joint length in the low bits.
    static constexpr unsigned kPairLengthBits = 5;
    static constexpr uint32_t pair_entry(uint32_t code, uint32_t length) { return code << kPairLengthBits | length; }

protected:
    HuffCoder(uint32_t symbolBytes, uint32_t bits, uint32_t maxCodeLength, uint32_t lutBits);
    // Pair tables exist for codes whose two longest codes and joint length fit an entry, and
    // only in pair mode.
    bool pairsFit() const { return pairMode && 2 * maxCodeLength + kPairLengthBits <= 32; }
    bool m_pairsReady = false; // pairCodes holds the pair table of the current code

private:
    PackageMergeScratch m_mergeScratch; // reused by setSymbols from table to table
};

// One first-level decoding entry: up to four samples packed from the low end, the bits they take
// and their number. bitCount 255 marks a window that begins no code of at most LUTBITS bits.
template <class Symbol>
struct HuffCoderTraits;

template <>
struct HuffCoderTraits<unsigned char> {
    struct HuffSymbol {
        uint32_t symbols;
        uint16_t bitCount;
        uint16_t symbolCount;
    };
};

template <>
struct HuffCoderTraits<unsigned short> {
    struct HuffSymbol {
        uint64_t symbols;
        uint8_t bitCount;
        uint8_t symbolCount;
    };
};

namespace huff {
template <class Symbol, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS, unsigned FASTBITS>
struct DecodeLoop;
template <class Loop, class Symbol>
struct DecodeStream;
} // namespace huff

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
class HuffCoderT : public HuffCoder {
public:
    using Entry = typename HuffCoderTraits<Symbol>::HuffSymbol;
    static_assert(MAXLEN == BITS + 4, "the stored format fixes the longest code at bits + 4");
    static_assert(LUTBITS <= MAXLEN && LUTBITS <= 12, "the first decoding level is at most 12 bits");

    HuffCoderT();
    ~HuffCoderT() override;

    void encode_block(Status& status, void const* samples, unsigned int count) const override;
    void decode_block(Status& status, void* samples, unsigned int count) const override;
    void compact_block(Status& status, void const* samples, unsigned int count) const override;
    void uncompact_block(Status& status, void* samples, unsigned int count) const override;
    bool setLengths(unsigned int count, int const* lengths, bool encodeOnly, Timer* timer) override;

    // Decodes `count` samples from each of n streams, stream i with coders[i] (all of this class)
    // from status[i] into samples[i]: the same as one decode_block per stream, but up to
    // kMaxStreams streams are decoded interleaved, which is faster than one after the other
    // (decoding one stream waits on each table lookup before the next can start).
    static constexpr unsigned kMaxStreams = 4;
    static constexpr unsigned kBits = BITS;
    static void decode_streams(const HuffCoderT* const* coders, Status* const* status, void* const* samples,
                               unsigned int n, unsigned int count);

    // Pair-mode encoding: two samples per lookup in pairCodes; the same bytes as encode_block.
    void encode_block2(Status& status, void const* samples, unsigned int count) const;
    // Fills the first-level windows that begin with the codes of `entry` (prefix `prefix`)
    // followed by one more code of `list`, recursing until four samples or LUTBITS bits.
    void buildDecodeTable(Entry entry, uint32_t prefix, const std::vector<HuffCodeSymbol>& list, int depth,
                          int limit);

    // (1 << LUTBITS) + 1 entries while the decoding loop reads the first level itself; empty in
    // the 8-bit coder, whose wider windows are found code by code without it.
    std::vector<Entry> decodeTable;

    // Width of the decoding loop's window. The 8-bit coder reads one bit more than its first
    // level: its codes are at most 12 bits, and a 13-bit window holds more whole codes per
    // lookup, which is what bounds the decoding speed.
    static constexpr unsigned kFastBits = BITS == 8 ? 13 : LUTBITS;
    // Window w (below 1 << kFastBits) of the decoding loop as an entry, once set up to decode:
    // the samples the window begins, their bits and number; bitCount 255 when it begins a code
    // longer than the first level. A window in the free space of a damaged code reads as one
    // sample 0 over the longest code length, so that decoding advances.
    Entry window(uint32_t w) const;

private:
    using Loop = huff::DecodeLoop<Symbol, BITS, MAXLEN, LUTBITS, kFastBits>;
    using Stream = huff::DecodeStream<Loop, Symbol>;

    void buildFastTables();
    // decode_block in two halves: serve the carry and set up the stream (false when that already
    // finished the call), then decode the rest and keep what runs past the count in the carry.
    bool decode_start(Status& status, void* samples, unsigned int count, Stream& s) const;
    static void decode_finish(Status& status, Stream& s);

    std::vector<HuffCodeSymbol> m_list; // scratch of setLengths, kept to avoid reallocation
    std::vector<HuffSymbol2> m_firstCode; // scratch of buildFastTables
    // The first level split for the decoding loop: per window one byte with the bits and the
    // samples it takes, and its packed samples.
    std::vector<uint8_t> m_fastLens;
    std::vector<decltype(Entry::symbols)> m_fastSyms;
};

extern template class HuffCoderT<unsigned char, unsigned short, 8u, 12u, 12u>;
extern template class HuffCoderT<unsigned short, unsigned int, 10u, 14u, 11u>;
extern template class HuffCoderT<unsigned short, unsigned int, 12u, 16u, 12u>;
extern template class HuffCoderT<unsigned short, unsigned int, 14u, 18u, 12u>;

class HuffCoder8 final : public HuffCoderT<unsigned char, unsigned short, 8u, 12u, 12u> {
public:
    HuffCoder8();
    ~HuffCoder8() override;
};

class HuffCoder10 final : public HuffCoderT<unsigned short, unsigned int, 10u, 14u, 11u> {
public:
    ~HuffCoder10() override;
};

class HuffCoder12 final : public HuffCoderT<unsigned short, unsigned int, 12u, 16u, 12u> {
public:
    ~HuffCoder12() override;
};

class HuffCoder14 final : public HuffCoderT<unsigned short, unsigned int, 14u, 18u, 12u> {
public:
    ~HuffCoder14() override;
};

// A new coder of the class for samples of `bits` bits (8, 10, 12 or 14); null for other depths.
std::unique_ptr<HuffCoder> make_huff_coder(int bits);

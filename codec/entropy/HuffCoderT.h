#pragma once
// Member definitions of HuffCoderT, included only by the files that instantiate it
// (HuffCoder8.cpp, HuffCoder16.cpp).

#include "codec/entropy/HuffBitIO.h"
#include "codec/entropy/HuffCoder.h"
#include "codec/StageTimers.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace huff {

// Codes that always fit after a flush (at most 7 bits stay pending): 57 bits' worth.
constexpr unsigned codes_per_flush(unsigned maxLen) { return std::min(57u / maxLen, 4u); }

// Decoding writes whole table entries (four sample slots) at the output position; it decodes
// straight into the caller's array only while this many samples remain, and the rest through
// the status's carry.
constexpr unsigned stop_margin(unsigned bits) { return bits == 8 ? 16 : bits == 10 ? 32 : 24; }

// Fast-table byte of a window whose code is longer than the first level.
constexpr uint8_t kLongCode = 255;

// The fast-table byte of a first-level entry: bits taken in bits 0-5 (where a 64-bit shift by
// the byte reads its count), samples minus one in bits 6-7.
constexpr uint8_t fast_len(unsigned bitCount, unsigned symbolCount)
{
    return static_cast<uint8_t>(bitCount | ((symbolCount - 1) << 6));
}

} // namespace huff

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::HuffCoderT()
    : HuffCoder(sizeof(Symbol), BITS, MAXLEN, LUTBITS)
{
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::~HuffCoderT() = default;

// ---------------------------------------------------------------------------------------------
// Tables

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
bool HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::setLengths(unsigned int count, int const* newLengths,
                                                               bool encodeOnly, Timer* timer)
{
    if (count != numSymbols) return false;
    if (!BuildCanonicalHuffCodes(count, newLengths, int(MAXLEN), m_list)) return false;

    codes.resize(numSymbols);
    for (const HuffCodeSymbol& e : m_list)
        codes[size_t(e.symbol)] = {static_cast<unsigned short>(e.code), static_cast<unsigned short>(e.length)};

    // The pair table (256 KiB for 8-bit samples) only serves encoding, and building it costs more
    // than all the decoding tables together: a coder set up to decode goes without it and, if it
    // is asked to encode after all, codes one sample at a time (the same bytes). The table of an
    // earlier code must not outlive it.
    m_pairsReady = false;
    if (!encodeOnly) pairCodes.clear();
    if (encodeOnly && !pairRowsLater && begin_pair_rows()) {
        build_pair_rows(0, numSymbols);
        end_pair_rows();
    }
    if (encodeOnly) {
        // Decoding tables of an earlier code must not outlive it: a coder built for encoding
        // only decodes nothing but zeros.
        m_fastLens.clear();
        if (timer) timer->add(1);
        return true;
    }

    if constexpr (kFastBits == LUTBITS) {
        constexpr size_t kWindows = size_t(1) << LUTBITS;
        decodeTable.assign(kWindows + 1, Entry{});
        buildDecodeTable(Entry{}, 0, m_list, 0, 4);

        Entry previous{};
        previous.bitCount = 255;
        for (size_t i = 0; i < kWindows; ++i) {
            if (decodeTable[i].bitCount == 0)
                decodeTable[i] = previous;
            else
                previous = decodeTable[i];
        }
    } else {
        // Nothing reads a first level narrower than the loop's window, and building it cost
        // more than the window table itself.
        decodeTable.clear();
    }

    buildFastTables();

    if constexpr (LUTBITS < MAXLEN) {
        // The second level is indexed by MAXLEN-bit windows. The first level sends here every
        // window that begins no short code: those of the long codes and those of the free space
        // of an incomplete code, which decode as sample 0 over MAXLEN bits, never as a stale
        // entry of an earlier table. Windows that begin a short code are never looked up, so
        // they are left as they are (for 14-bit samples they are most of a 1 MB table).
        const HuffSymbol2 none{0, static_cast<uint16_t>(MAXLEN)};
        longCodes.resize(size_t(1) << MAXLEN);
        // The list goes longest code first, so its codes come in increasing order of their
        // windows; what lies between two of them is free code space.
        size_t at = 0;
        for (const HuffCodeSymbol& e : m_list) {
            const size_t shift = MAXLEN - e.length;
            const size_t lo = size_t(e.code) << shift, hi = size_t(e.code + 1) << shift;
            if (lo > at) std::fill(longCodes.begin() + ptrdiff_t(at), longCodes.begin() + ptrdiff_t(lo), none);
            if (e.length > LUTBITS)
                std::fill(longCodes.begin() + ptrdiff_t(lo), longCodes.begin() + ptrdiff_t(hi),
                          HuffSymbol2{static_cast<uint16_t>(e.symbol), static_cast<uint16_t>(e.length)});
            at = std::max(at, hi);
        }
        std::fill(longCodes.begin() + ptrdiff_t(at), longCodes.end(), none);
    }
    if (timer) timer->add(1);
    return true;
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::buildFastTables()
{
    constexpr size_t kWindows = size_t(1) << kFastBits;
    m_fastLens.resize(kWindows);
    m_fastSyms.resize(kWindows);
    if constexpr (kFastBits == LUTBITS) {
        // The first level itself, split.
        for (size_t i = 0; i < kWindows; ++i) {
            const Entry& e = decodeTable[i];
            m_fastSyms[i] = e.symbols;
            if (e.bitCount != 255) {
                m_fastLens[i] = huff::fast_len(e.bitCount, e.symbolCount);
            } else if constexpr (LUTBITS == MAXLEN) {
                // Every code fits the first level, so this window begins no code at all: it only
                // occurs in a damaged stream whose lengths leave code space free. It decodes as
                // one sample 0 over the whole window, so decoding always advances.
                m_fastLens[i] = huff::fast_len(LUTBITS, 1);
                m_fastSyms[i] = 0;
            } else {
                m_fastLens[i] = huff::kLongCode;
            }
        }
    } else {
        // A window wider than every code (MAXLEN <= kFastBits): each window takes the run of up
        // to four whole codes that begins it, found code by code through a table of the first
        // code of every MAXLEN-bit window.
        static_assert(MAXLEN == LUTBITS && kFastBits > MAXLEN, "");
        std::vector<HuffSymbol2>& first = m_firstCode;
        first.assign(size_t(1) << MAXLEN, HuffSymbol2{0, 0});
        for (const HuffCodeSymbol& e : m_list) {
            const size_t shift = MAXLEN - e.length;
            const size_t lo = size_t(e.code) << shift, hi = size_t(e.code + 1) << shift;
            for (size_t i = lo; i < hi; ++i)
                first[i] = {static_cast<uint16_t>(e.symbol), static_cast<uint16_t>(e.length)};
        }
        for (uint32_t w = 0; w < kWindows; ++w) {
            uint32_t used = 0, n = 0;
            decltype(Entry::symbols) syms = 0;
            while (n < 4) {
                // The next MAXLEN bits of the window, completed with zeros.
                const uint32_t next = uint32_t((uint64_t(w) << (MAXLEN + used)) >> kFastBits) & ((1u << MAXLEN) - 1);
                const HuffSymbol2 c = first[next];
                if (c.length == 0 || used + c.length > kFastBits) break;
                syms |= decltype(syms)(c.symbol) << (8 * sizeof(Symbol) * n);
                used += c.length;
                ++n;
            }
            if (n == 0) {
                // Damaged stream (free code space): one sample 0 over MAXLEN bits, as above.
                m_fastLens[w] = huff::fast_len(MAXLEN, 1);
                m_fastSyms[w] = 0;
            } else {
                m_fastLens[w] = huff::fast_len(used, n);
                m_fastSyms[w] = syms;
            }
        }
    }
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
auto HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::window(uint32_t w) const -> Entry
{
    Entry e{};
    if (w >= m_fastLens.size()) return e;
    const uint8_t len = m_fastLens[w];
    e.symbols = m_fastSyms[w];
    if (len == huff::kLongCode) {
        e.bitCount = 255;
    } else {
        e.bitCount = static_cast<decltype(e.bitCount)>(len & 63);
        e.symbolCount = static_cast<decltype(e.symbolCount)>((len >> 6) + 1);
    }
    return e;
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::buildDecodeTable(Entry entry, uint32_t prefix,
                                                                     const std::vector<HuffCodeSymbol>& list,
                                                                     int depth, int limit)
{
    if (sizeof(Symbol) * entry.symbolCount == sizeof(Entry::symbols) || depth >= limit ||
        entry.bitCount == LUTBITS || list.empty())
        return;

    // Shortest codes first; the list is ordered longest first.
    for (size_t k = list.size(); k-- > 0;) {
        const HuffCodeSymbol& c = list[k];
        if (entry.bitCount + c.length > LUTBITS) break;

        Entry next;
        next.symbols = entry.symbols | (decltype(entry.symbols)(c.symbol) << (8 * sizeof(Symbol) * entry.symbolCount));
        next.bitCount = static_cast<decltype(next.bitCount)>(entry.bitCount + c.length);
        next.symbolCount = static_cast<decltype(next.symbolCount)>(entry.symbolCount + 1);
        const uint32_t q = (prefix << c.length) | c.code;
        const uint32_t shift = LUTBITS - next.bitCount;
        const size_t first = size_t(q) << shift, after = size_t(q + 1) << shift;

        decodeTable[first] = next;
        // Marks where the windows that continue with this code end: from there on (until the
        // next code's range) the window holds only `entry`'s codes. Never overwrite a range
        // written before.
        if (decodeTable[after].bitCount == 0) {
            decodeTable[after] = entry;
            if (depth == 0) decodeTable[after].bitCount = 255;
        }
        buildDecodeTable(next, q, list, depth + 1, limit);
    }
}

// ---------------------------------------------------------------------------------------------
// Encoding

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::encode_block(Status& status, void const* samples,
                                                                 unsigned int count) const
{
    if (m_pairsReady && pairMode) {
        encode_block2(status, samples, count);
        return;
    }
    constexpr unsigned kHalf = huff::codes_per_flush(MAXLEN);
    const Symbol* s = static_cast<const Symbol*>(samples);
    const HuffCodeT<unsigned short>* table = codes.data();
    huff::BitWriter w(status);

    unsigned i = 0;
    for (; i + kHalf <= count; i += kHalf) {
        // Join the half's codes off the accumulator's dependency chain, then append them at once.
        uint64_t code = 0;
        uint32_t length = 0;
        for (unsigned k = 0; k < kHalf; ++k) {
            const HuffCodeT<unsigned short> c = table[s[i + k]];
            code = (code << c.length) | c.code;
            length += c.length;
        }
        w.put(code, length);
        w.flush();
    }
    for (; i < count; ++i) {
        const HuffCodeT<unsigned short> c = table[s[i]];
        w.put(c.code, c.length);
        w.flush();
    }
    w.save(status);
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::encode_block2(Status& status, void const* samples,
                                                                  unsigned int count) const
{
    static_assert(sizeof(Symbol) == 1 || BITS > 8, "");
    const unsigned char* s = static_cast<const unsigned char*>(samples);
    const uint32_t* pairs = pairCodes.data();
    const HuffCodeT<unsigned short>* table = codes.data();
    huff::BitWriter w(status);

    unsigned i = 0;
    if constexpr (sizeof(Symbol) == 1) {
        // Four pairs per step, appended as two joined pair codes of at most 48 bits each.
        for (; i + 8 <= count; i += 8) {
            uint64_t v;
            std::memcpy(&v, s + i, 8);
            constexpr uint32_t kLengthMask = (1u << kPairLengthBits) - 1;
            const uint32_t a = pairs[v & 0xFFFF], b = pairs[(v >> 16) & 0xFFFF];
            const uint32_t c = pairs[(v >> 32) & 0xFFFF], d = pairs[v >> 48];
            const uint32_t bLength = b & kLengthMask, dLength = d & kLengthMask;
            const uint32_t cdLength = (c & kLengthMask) + dLength;
            w.put((uint64_t(a >> kPairLengthBits) << bLength) | (b >> kPairLengthBits), (a & kLengthMask) + bLength);
            // Eight samples usually fit one word: flush in between only when they do not.
            if (w.used + cdLength > 64) w.flush();
            w.put((uint64_t(c >> kPairLengthBits) << dLength) | (d >> kPairLengthBits), cdLength);
            w.flush();
        }
    }
    for (; i < count; ++i) {
        const HuffCodeT<unsigned short> c = table[s[i]];
        w.put(c.code, c.length);
        w.flush();
    }
    w.save(status);
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::compact_block(Status& status, void const* samples,
                                                                  unsigned int count) const
{
    const Symbol* s = static_cast<const Symbol*>(samples);
    if constexpr (sizeof(Symbol) == 1) {
        if (status.freeBits == 64) {
            if (count) std::memcpy(status.cursor, s, count);
            status.cursor += count;
            return;
        }
        // Bits pending mid-byte: the samples go through the bit writer so the stream stays one
        // continuous bit sequence.
    }
    constexpr unsigned kPerFlush = 57 / BITS;
    huff::BitWriter w(status);
    unsigned i = 0;
    for (; i + kPerFlush <= count; i += kPerFlush) {
        for (unsigned k = 0; k < kPerFlush; ++k) w.put(s[i + k], BITS);
        w.flush();
    }
    for (; i < count; ++i) {
        w.put(s[i], BITS);
        w.flush();
    }
    w.save(status);
}

// ---------------------------------------------------------------------------------------------
// Decoding
//
// The loop is bound by one dependency chain per lookup: window -> table load -> shift. To keep
// that chain short the hot tables are split: a byte per window with the bits and the number of
// samples it takes (the chain), and the packed samples in a table of their own (off the chain).
// A cycle takes its first window before topping the buffer up, which works because a cycle
// always leaves at least LUTBITS valid bits; the refill then overlaps that lookup.

namespace huff {

template <class Symbol, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS, unsigned FASTBITS>
struct DecodeLoop {
    using Word = std::conditional_t<sizeof(Symbol) == 1, uint32_t, uint64_t>;
    // Lookups per refill: after a refill at least 57 bits are valid, and a cycle must leave at
    // least FASTBITS of them for the next cycle's first window.
    static constexpr unsigned K = std::min(4u, (57 - FASTBITS) / std::max(MAXLEN, FASTBITS));
    static_assert(K >= 2, "");

    const uint8_t* lens;
    const Word* syms;
    const HuffCoder::HuffSymbol2* longCodes;

    HUFF_INLINE void lookup(BitReader& r, uint32_t window, Symbol* out, size_t& pos) const
    {
        const uint32_t l = lens[window];
        if constexpr (LUTBITS < MAXLEN) {
            if (l == kLongCode) [[unlikely]] {
                const HuffCoder::HuffSymbol2 h = longCodes[r.peek(MAXLEN)];
                out[pos++] = static_cast<Symbol>(h.symbol);
                r.consume(h.length);
                return;
            }
        }
        const Word w = syms[window];
        std::memcpy(out + pos, &w, sizeof(w));
        pos += (l >> 6) + 1;
        r.consume(l & 63);
    }

    HUFF_INLINE void lookups(BitReader& r, uint32_t first, Symbol* out, size_t& pos) const
    {
        lookup(r, first, out, pos);
        lookup(r, r.peek(FASTBITS), out, pos);
        if constexpr (K >= 3) lookup(r, r.peek(FASTBITS), out, pos);
        if constexpr (K >= 4) lookup(r, r.peek(FASTBITS), out, pos);
    }

    HUFF_INLINE void cycle(BitReader& r, Symbol* out, size_t& pos) const
    {
        const uint32_t first = r.peek(FASTBITS);
        r.refill_nonempty();
        lookups(r, first, out, pos);
    }

    // A cycle for a caller that made sure 8 bytes can be loaded at the cursor.
    HUFF_INLINE void cycle_unchecked(BitReader& r, Symbol* out, size_t& pos) const
    {
        const uint32_t first = r.peek(FASTBITS);
        r.refill_unchecked();
        lookups(r, first, out, pos);
    }

    // Samples and payload bytes one cycle can take at most: K whole table entries, and one
    // refill's advance (it never moves the cursor by more than 7 bytes).
    static constexpr size_t kMaxSamplesPerCycle = 4 * K;
    static constexpr ptrdiff_t kMaxBytesPerCycle = 7;
};

// One stream being decoded: its loop (tables), reader and output. `limit` is where decoding
// straight into the output stops (the rest goes through the status's carry).
template <class Loop, class Symbol>
struct DecodeStream {
    Loop loop;
    BitReader r;
    Symbol* out;
    size_t pos;
    size_t limit;
    size_t want; // samples this call decodes (the carry takes what lies past it)

    // How many cycles can run back to back with no bound check: each must start below the
    // limit and find 8 bytes to load.
    HUFF_INLINE size_t free_cycles() const
    {
        if (pos >= limit) return 0;
        const ptrdiff_t bytes = r.end - r.cursor;
        if (bytes < 8) return 0;
        const size_t bySamples = (limit - pos - 1) / Loop::kMaxSamplesPerCycle + 1;
        const size_t byBytes = size_t(bytes - 8) / Loop::kMaxBytesPerCycle + 1;
        return bySamples < byBytes ? bySamples : byBytes;
    }
};

// Runs cycles on several streams at once, one cycle of each in turn, until one of them needs its
// bound checks. The streams' dependency chains are independent, so the processor overlaps them;
// each stream still goes through exactly the lookups it would alone. The streams are passed as
// separate locals of the caller: the output stores may alias anything, and state reached
// through a pointer would be reloaded after every one of them.
template <class... S>
HUFF_INLINE void decode_interleaved(S&... s)
{
    for (;;) {
        size_t m = std::min({s.free_cycles()...});
        if (m == 0) break;
        do {
            (s.loop.cycle_unchecked(s.r, s.out, s.pos), ...);
        } while (--m);
    }
}

} // namespace huff

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
bool HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::decode_start(Status& status, void* samples, unsigned int count,
                                                                 Stream& s) const
{
    constexpr size_t kMargin = huff::stop_margin(BITS);
    static_assert(kMargin >= Loop::kMaxSamplesPerCycle, "a cycle must not write past the margin");
    static_assert((kMargin - 1 + Loop::kMaxSamplesPerCycle) * sizeof(Symbol) <= Status::kCarryBytes,
                  "carry too small");

    Symbol* out = static_cast<Symbol*>(samples);
    const Symbol* carry = reinterpret_cast<const Symbol*>(status.carry);

    // Samples left over from the previous call come first.
    const size_t n = std::min<size_t>(count, status.carryEnd - status.carryPos);
    if (n) {
        std::memcpy(out, carry + status.carryPos, n * sizeof(Symbol));
        status.carryPos += n;
    }
    if (n == count) return false;
    out += n;
    const size_t want = count - n;
    if (m_fastLens.empty()) {
        std::memset(out, 0, want * sizeof(Symbol));
        return false;
    }
    s.loop = Loop{m_fastLens.data(), m_fastSyms.data(), longCodes.data()};
    s.r = huff::BitReader(status);
    s.r.prime(kFastBits);
    s.out = out;
    s.pos = 0;
    s.limit = want > kMargin ? want - kMargin : 0;
    s.want = want;
    return true;
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::decode_finish(Status& status, Stream& s)
{
    // The stream's state in locals: the output stores may alias anything reached through s.
    const Loop loop = s.loop;
    huff::BitReader r = s.r;
    Symbol* const out = s.out;
    size_t pos = s.pos;
    const size_t limit = s.limit;
    // Two cycles per test of the limit: the margin covers both.
    const size_t limit2 = limit > Loop::kMaxSamplesPerCycle ? limit - Loop::kMaxSamplesPerCycle : 0;
    while (pos < limit2) {
        loop.cycle(r, out, pos);
        loop.cycle(r, out, pos);
    }
    while (pos < limit) loop.cycle(r, out, pos);
    Symbol* carry = reinterpret_cast<Symbol*>(status.carry);
    const size_t rest = s.want - pos;
    size_t have = 0;
    while (have < rest) loop.cycle(r, carry, have);
    std::memcpy(out + pos, carry, rest * sizeof(Symbol));
    status.carryPos = rest;
    status.carryEnd = have;
    r.save(status);
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::decode_block(Status& status, void* samples,
                                                                 unsigned int count) const
{
    Stream s;
    if (decode_start(status, samples, count, s)) decode_finish(status, s);
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::decode_streams(const HuffCoderT* const* coders,
                                                                   Status* const* status, void* const* samples,
                                                                   unsigned int n, unsigned int count)
{
    constexpr unsigned kMax = kMaxStreams;
    Stream s[kMax];
    Status* st[kMax];
    unsigned active = 0;
    for (unsigned i = 0; i < n; ++i) {
        if (i >= kMax) {
            coders[i]->decode_block(*status[i], samples[i], count);
            continue;
        }
        if (coders[i]->decode_start(*status[i], samples[i], count, s[active])) st[active++] = status[i];
    }
    // Interleave while two or more streams can go on; a stream that needs its bound checks
    // (near its limit or the end of its payload) is finished alone, and the others go on.
    while (active >= 2) {
        if (active == 2) {
            Stream a = s[0], b = s[1];
            huff::decode_interleaved(a, b);
            s[0] = a, s[1] = b;
        } else if (active == 3) {
            Stream a = s[0], b = s[1], c = s[2];
            huff::decode_interleaved(a, b, c);
            s[0] = a, s[1] = b, s[2] = c;
        } else {
            Stream a = s[0], b = s[1], c = s[2], d = s[3];
            huff::decode_interleaved(a, b, c, d);
            s[0] = a, s[1] = b, s[2] = c, s[3] = d;
        }
        for (unsigned i = 0; i < active;) {
            if (s[i].free_cycles() != 0) {
                ++i;
                continue;
            }
            decode_finish(*st[i], s[i]);
            --active;
            s[i] = s[active];
            st[i] = st[active];
        }
    }
    if (active == 1) decode_finish(*st[0], s[0]);
}

template <class Symbol, class Code, unsigned BITS, unsigned MAXLEN, unsigned LUTBITS>
void HuffCoderT<Symbol, Code, BITS, MAXLEN, LUTBITS>::uncompact_block(Status& status, void* samples,
                                                                    unsigned int count) const
{
    Symbol* out = static_cast<Symbol*>(samples);
    if constexpr (sizeof(Symbol) == 1) {
        if (status.freeBits == 64) {
            // A payload shorter than its samples yields what is there and zeros for the rest.
            const size_t avail = status.cursor < status.end ? size_t(status.end - status.cursor) : 0;
            const size_t n = std::min<size_t>(count, avail);
            if (n) std::memcpy(out, status.cursor, n);
            if (count > n) std::memset(out + n, 0, count - n);
            status.cursor += n;
            return;
        }
    }
    constexpr unsigned kPerRefill = 57 / BITS;
    huff::BitReader r(status);
    unsigned i = 0;
    while (i < count) {
        r.refill();
        const unsigned stop = std::min(count, i + kPerRefill);
        for (; i < stop; ++i) {
            out[i] = static_cast<Symbol>(r.peek(BITS));
            r.consume(BITS);
        }
    }
    r.save(status);
}

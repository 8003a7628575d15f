#pragma once
// Helpers shared by the fuzz targets: a reader that takes option bytes from the front of an input,
// the heap counter that bounds what one input may allocate, and the failure report.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qfuzz {

// Takes bytes from the front of the input; reads past the end give 0.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint32_t le32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(u8()) << (8 * i);
        return v;
    }
    // The next n bytes (fewer when the input ends first).
    const uint8_t* take(size_t n, size_t* got)
    {
        const size_t k = n < left() ? n : left();
        const uint8_t* p = m_data + m_pos;
        m_pos += k;
        *got = k;
        return p;
    }
    const uint8_t* here() const { return m_data + m_pos; }
    size_t left() const { return m_size - m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Live heap bytes of the process, counted by the fuzz programs' global new and delete (the codec
// and the container allocate only through them).
size_t heap_live();
size_t heap_peak();
void heap_reset_peak();

// Reports a broken invariant and aborts, so the fuzzer keeps the input as a reproducer.
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Fails when the heap grew by more than budget bytes since the last heap_reset_peak().
void check_heap(size_t liveAtStart, size_t budget, const char* what);

} // namespace qfuzz

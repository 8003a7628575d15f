#pragma once
// A heap buffer for kernel tests: the usable bytes start at a chosen offset from a 64-byte
// boundary and are fenced by guard bytes on both sides, so a kernel can be run at every
// misalignment and any stray write next to its data is caught.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace qtest {

class GuardedBuffer {
public:
    static constexpr size_t kGuard = 64;
    static constexpr uint8_t kPattern = 0xA5;

    explicit GuardedBuffer(size_t size, size_t misalign = 0, uint8_t fill = 0)
        : m_size(size), m_misalign(misalign % 64)
    {
        // 64 bytes of slack let the data start at any offset from a 64-byte boundary.
        m_total = kGuard + 64 + size + kGuard;
        m_raw.reset(static_cast<uint8_t*>(std::aligned_alloc(64, round_up(m_total, 64))));
        std::memset(m_raw.get(), kPattern, round_up(m_total, 64));
        m_data = m_raw.get() + kGuard + m_misalign;
        std::memset(m_data, fill, size);
    }

    uint8_t* data() { return m_data; }
    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }
    uint8_t& operator[](size_t i) { return m_data[i]; }

    // True when no byte outside [data, data + size) has changed.
    bool guards_intact() const
    {
        const uint8_t* base = m_raw.get();
        const uint8_t* end = base + round_up(m_total, 64);
        for (const uint8_t* p = base; p < m_data; ++p)
            if (*p != kPattern) return false;
        for (const uint8_t* p = m_data + m_size; p < end; ++p)
            if (*p != kPattern) return false;
        return true;
    }

private:
    static size_t round_up(size_t v, size_t a) { return (v + a - 1) / a * a; }
    struct Free { void operator()(uint8_t* p) const { std::free(p); } };

    size_t m_size, m_misalign, m_total;
    std::unique_ptr<uint8_t, Free> m_raw;
    uint8_t* m_data;
};

} // namespace qtest

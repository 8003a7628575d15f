#pragma once
// A read-only fileio::File over bytes in memory, so a fuzz input is read as a file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "container/fileio/File.h"

namespace qfuzz {

class MemoryFile : public fileio::File {
public:
    MemoryFile(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool open(const char*, unsigned) override { return false; }
    void close() override {}
    long long size() override { return static_cast<long long>(m_size); }
    long long pos() override { return m_pos; }
    bool seek(long long offset) override
    {
        if (offset < 0) return false;
        m_pos = offset;
        return true;
    }
    size_t read(void* buffer, size_t count) override
    {
        if (m_pos >= static_cast<long long>(m_size)) return 0;
        const size_t n = std::min(count, m_size - static_cast<size_t>(m_pos));
        if (n) std::memcpy(buffer, m_data + m_pos, n);
        m_pos += static_cast<long long>(n);
        return n;
    }
    size_t write(const void*, size_t) override { return 0; }

private:
    const uint8_t* m_data;
    size_t m_size;
    long long m_pos = 0;
};

} // namespace qfuzz

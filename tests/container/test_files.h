#pragma once
// File objects for container tests: MemoryFile keeps the whole file in memory and can be told to
// fail; HoleFile keeps only small writes and steps over large payloads, so files of several GiB
// are written and their headers and indexes read back in milliseconds.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "container/fileio/File.h"

namespace qtest {

class MemoryFile : public fileio::File {
public:
    MemoryFile() = default;
    explicit MemoryFile(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}

    bool open(const char*, unsigned) override { return false; }
    void close() override {}
    long long size() override { return static_cast<long long>(data.size()); }
    long long pos() override { return position; }
    bool seek(long long offset) override
    {
        ++seeks;
        if (offset < 0 || offset == failSeekAt) return false;
        position = offset;
        return true;
    }
    size_t read(void* buffer, size_t count) override
    {
        if (position >= static_cast<long long>(data.size())) return 0;
        const size_t n = std::min(count, data.size() - static_cast<size_t>(position));
        if (n) std::memcpy(buffer, data.data() + position, n);
        position += static_cast<long long>(n);
        return n;
    }
    size_t write(const void* buffer, size_t count) override
    {
        ++writes;
        size_t n = count;
        if (failWriteNumber == writes) n = std::min(count, shortWriteCount);
        if (static_cast<uint64_t>(position) >= capacity) n = 0;
        else n = static_cast<size_t>(std::min<uint64_t>(n, capacity - static_cast<uint64_t>(position)));
        const size_t end = static_cast<size_t>(position) + n;
        if (end > data.size()) data.resize(end, 0);
        if (n) std::memcpy(data.data() + position, buffer, n);
        position += static_cast<long long>(n);
        return n;
    }

    std::vector<uint8_t> data;
    long long position = 0;
    // Fault injection: a seek to this offset fails; the write with this number (counted from 1)
    // writes only shortWriteCount bytes; nothing is written beyond capacity.
    long long failSeekAt = -2;
    long long failWriteNumber = 0;
    size_t shortWriteCount = 0;
    uint64_t capacity = UINT64_MAX;
    long long writes = 0;
    long long seeks = 0;
};

class HoleFile : public fileio::File {
public:
    static constexpr size_t kPage = 4096;
    static constexpr size_t kKeepLimit = 64 * 1024; // larger writes are stepped over

    bool open(const char*, unsigned) override { return false; }
    void close() override {}
    long long size() override { return static_cast<long long>(length); }
    long long pos() override { return static_cast<long long>(position); }
    bool seek(long long offset) override
    {
        if (offset < 0) return false;
        position = static_cast<uint64_t>(offset);
        return true;
    }
    size_t read(void* buffer, size_t count) override
    {
        if (position >= length) return 0;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(count, length - position));
        uint8_t* out = static_cast<uint8_t*>(buffer);
        for (size_t done = 0; done < n;) {
            const uint64_t at = position + done;
            const size_t inPage = static_cast<size_t>(at % kPage);
            const size_t step = std::min(n - done, kPage - inPage);
            auto it = pages.find(at / kPage);
            if (it == pages.end())
                std::memset(out + done, 0, step);
            else
                std::memcpy(out + done, it->second.get() + inPage, step);
            done += step;
        }
        position += n;
        return n;
    }
    size_t write(const void* buffer, size_t count) override
    {
        if (count <= kKeepLimit) {
            const uint8_t* in = static_cast<const uint8_t*>(buffer);
            for (size_t done = 0; done < count;) {
                const uint64_t at = position + done;
                const size_t inPage = static_cast<size_t>(at % kPage);
                const size_t step = std::min(count - done, kPage - inPage);
                auto& page = pages[at / kPage];
                if (!page) page.reset(new uint8_t[kPage]());
                std::memcpy(page.get() + inPage, in + done, step);
                done += step;
            }
        } else {
            ++skippedWrites;
        }
        position += count;
        length = std::max(length, position);
        return count;
    }

    std::map<uint64_t, std::unique_ptr<uint8_t[]>> pages;
    uint64_t position = 0;
    uint64_t length = 0;
    uint64_t skippedWrites = 0;
};

inline uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
inline uint64_t le64(const uint8_t* p) { return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32; }
inline void put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

} // namespace qtest

#pragma once
// The one file interface that all container code reads and writes through, so the same RIFF and
// AVI code runs over a POSIX descriptor (import) and over the host's export file (export).
//
// The virtual operations report failure by their results (false, 0, -1). The non-virtual `_e`
// forms turn a failed or short operation into the matching fileio::Error kind.

#include <cstddef>
#include <utility>

namespace fileio {

class File {
public:
    virtual ~File();

    virtual bool open(const char* path, unsigned mode) = 0;
    virtual void close() = 0;
    virtual long long size() = 0; // length in bytes, -1 when unknown
    virtual long long pos() = 0;
    virtual bool seek(long long offset) = 0; // absolute, from the start of the file
    virtual size_t read(void* buffer, size_t count) = 0;        // bytes read, 0 on failure
    virtual size_t write(const void* buffer, size_t count) = 0; // bytes written, 0 on failure
    virtual size_t unbuffered_align();
    virtual size_t unbuffered_sector_size();
    // Writes at offset and returns to the current position, so writers can patch sizes and
    // headers behind the point they are writing at.
    virtual size_t write_at(const void* buffer, size_t count, long long offset);

    void seek_e(long long offset);
    size_t read_e(void* buffer, size_t size);
    size_t write_e(const void* buffer, size_t size);
    size_t write_at_e(const void* buffer, size_t size, long long offset);

    // Sector-aligned reads for unbuffered files. The buffer must hold size + aligned_extra_bytes()
    // bytes. Returns the requested data's address inside the buffer and the bytes available from
    // there, which may exceed size up to the end of the last sector read.
    std::pair<void*, size_t> read_aligned(void* buffer, size_t size, long long offset);
    std::pair<void*, size_t> read_aligned(void* buffer, size_t size, long long offset, size_t align,
                                          size_t sector);
    void* read_aligned_e(void* buffer, size_t size, long long offset);
    size_t aligned_extra_bytes();
};

} // namespace fileio

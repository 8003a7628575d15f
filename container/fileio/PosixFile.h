#pragma once
// fileio::File over a POSIX descriptor, as the importer opens its files. It never throws.
//
// Open modes (mode & 3): 0 and 1 read only; 2 write, created or truncated; 3 read and write an
// existing file. Bit 2 (value 4) asks the system not to cache the file's data. Other bits are
// ignored.

#include "container/fileio/File.h"

namespace fileio {

class PosixFile : public File {
public:
    PosixFile();
    ~PosixFile() override;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    bool open(const char* path, unsigned mode) override;
    void close() override;
    long long size() override;
    long long pos() override;
    bool seek(long long offset) override;
    size_t read(void* buffer, size_t count) override;
    size_t write(const void* buffer, size_t count) override;

    int file() const { return fd; }

private:
    int fd;
    bool isOpen;
};

} // namespace fileio

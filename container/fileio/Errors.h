#pragma once
// The failures of the file layer and of the RIFF and AVI writers. Each kind keeps the numbers it
// was built from and a fixed message text, which callers log and report as it stands.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace fileio {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message);
    ~Error() override;
};

class SeekError : public Error {
public:
    explicit SeekError(long long offset);
    ~SeekError() override;

    long long offset;
};

class ReadError : public Error {
public:
    ReadError(unsigned long long size, unsigned long long read);
    ReadError(unsigned long long size, unsigned long long read, const std::string& message);
    ~ReadError() override;

    unsigned long long size; // bytes asked
    unsigned long long read; // bytes obtained
};

class WriteError : public Error {
public:
    WriteError(unsigned long long size, unsigned long long written);
    WriteError(unsigned long long size, unsigned long long written, const std::string& message);
    ~WriteError() override;

    unsigned long long size;
    unsigned long long written;
};

class WriteAtError : public WriteError {
public:
    WriteAtError(long long offset, unsigned long long size, unsigned long long written);
    ~WriteAtError() override;

    long long offset;
};

class ReadAlignedError : public ReadError {
public:
    ReadAlignedError(long long offset, unsigned long long size, unsigned long long read);
    ~ReadAlignedError() override;

    long long offset;
};

} // namespace fileio

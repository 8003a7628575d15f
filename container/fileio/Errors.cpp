#include "container/fileio/Errors.h"

namespace fileio {

namespace {

// Offsets are signed (a bad seek to -1 must read as "-1"), sizes and counts unsigned.
std::string num(long long v) { return std::to_string(v); }
std::string num(unsigned long long v) { return std::to_string(v); }

} // namespace

Error::Error(const std::string& message) : std::runtime_error(message) {}
Error::~Error() = default;

SeekError::SeekError(long long offset_)
    : Error("Seek error: offset: " + num(offset_)), offset(offset_)
{
}
SeekError::~SeekError() = default;

ReadError::ReadError(unsigned long long size_, unsigned long long read_)
    : ReadError(size_, read_, "Read error: size: " + num(size_) + ", read: " + num(read_))
{
}
ReadError::ReadError(unsigned long long size_, unsigned long long read_, const std::string& message)
    : Error(message), size(size_), read(read_)
{
}
ReadError::~ReadError() = default;

WriteError::WriteError(unsigned long long size_, unsigned long long written_)
    : WriteError(size_, written_, "Write error: size: " + num(size_) + ", written: " + num(written_))
{
}
WriteError::WriteError(unsigned long long size_, unsigned long long written_, const std::string& message)
    : Error(message), size(size_), written(written_)
{
}
WriteError::~WriteError() = default;

WriteAtError::WriteAtError(long long offset_, unsigned long long size_, unsigned long long written_)
    : WriteError(size_, written_,
                 "Write at error: offset: " + num(offset_) + ", size: " + num(size_) +
                     ", written: " + num(written_)),
      offset(offset_)
{
}
WriteAtError::~WriteAtError() = default;

ReadAlignedError::ReadAlignedError(long long offset_, unsigned long long size_, unsigned long long read_)
    : ReadError(size_, read_,
                "Read aligned error: offset: " + num(offset_) + ", size: " + num(size_) +
                    ", read: " + num(read_)),
      offset(offset_)
{
}
ReadAlignedError::~ReadAlignedError() = default;

} // namespace fileio

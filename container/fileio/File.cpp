#include "container/fileio/File.h"

#include <cstdint>

#include "container/fileio/Errors.h"

namespace fileio {

File::~File() = default;

size_t File::unbuffered_align() { return 4096; }
size_t File::unbuffered_sector_size() { return 4096; }

size_t File::write_at(const void* buffer, size_t count, long long offset)
{
    const long long here = pos();
    if (!seek(offset)) return 0;
    const size_t written = write(buffer, count);
    seek(here);
    return written;
}

void File::seek_e(long long offset)
{
    if (!seek(offset)) throw SeekError(offset);
}

size_t File::read_e(void* buffer, size_t size)
{
    const size_t got = read(buffer, size);
    if (got != size) throw ReadError(size, got);
    return size;
}

size_t File::write_e(const void* buffer, size_t size)
{
    const size_t written = write(buffer, size);
    if (written != size) throw WriteError(size, written);
    return size;
}

size_t File::write_at_e(const void* buffer, size_t size, long long offset)
{
    const size_t written = write_at(buffer, size, offset);
    if (written != size) throw WriteAtError(offset, size, written);
    return size;
}

std::pair<void*, size_t> File::read_aligned(void* buffer, size_t size, long long offset)
{
    return read_aligned(buffer, size, offset, unbuffered_align(), unbuffered_sector_size());
}

std::pair<void*, size_t> File::read_aligned(void* buffer, size_t size, long long offset,
                                            size_t align, size_t sector)
{
    if (offset < 0) return {buffer, 0};
    // A zero alignment or sector size means "no constraint" rather than a division by zero.
    if (align == 0) align = 1;
    if (sector == 0) sector = 1;

    const uintptr_t raw = reinterpret_cast<uintptr_t>(buffer);
    uint8_t* base = reinterpret_cast<uint8_t*>((raw + align - 1) / align * align);
    const uint64_t off = static_cast<uint64_t>(offset);
    const uint64_t lead = off % sector;
    const uint64_t start = off - lead;
    uint8_t* data = base + lead;
    if (!seek(static_cast<long long>(start))) return {data, 0};

    const uint64_t end = (off + size + sector - 1) / sector * sector;
    const size_t got = read(base, static_cast<size_t>(end - start));
    return {data, got >= lead ? got - static_cast<size_t>(lead) : 0};
}

void* File::read_aligned_e(void* buffer, size_t size, long long offset)
{
    const auto [data, available] = read_aligned(buffer, size, offset);
    if (available < size) throw ReadAlignedError(offset, size, available);
    return data;
}

size_t File::aligned_extra_bytes() { return unbuffered_align() + 2 * unbuffered_sector_size() - 3; }

} // namespace fileio

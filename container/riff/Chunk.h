#pragma once
// A file's RIFF chunk structure as read: one record per chunk header, with the children of the
// lists the reader descended into.

#include <cstdint>
#include <list>
#include <set>

#include "container/fileio/File.h"
#include "container/riff/FourCC.h"

namespace riff {

struct Chunk {
    uint32_t id = 0;
    uint32_t size = 0;   // the size field as stored: data bytes after the 8-byte header, no pad
    uint32_t type = 0;   // form type of a "RIFF" or "LIST" chunk, else 0
    uint64_t offset = 0; // file position of the 8-byte header
    std::list<Chunk> children;

    bool isList() const { return id == fcc::RIFF || id == fcc::LIST; }
    // A list's data starts after its form type, which its size counts. A list too small to hold
    // its form type has no data.
    uint64_t dataOffset() const { return offset + (isList() ? 12 : 8); }
    uint64_t dataSize() const { return isList() ? (size >= 4 ? size - 4 : 0) : size; }
    // Position of the next chunk: data, then one pad byte after an odd size.
    uint64_t endOffset() const { return offset + 8 + uint64_t(size) + (size & 1); }
};

// Reads one chunk header at the current position (and a list's form type). A short read throws
// fileio::ReadError.
Chunk readChunk(fileio::File* file);

// Reads the run of chunks that starts at the current position and spans size bytes, appending
// them to out. A list is descended into when descend is empty or holds its form type. Reading
// returns right after a chunk whose key (form type of a list, id of anything else) is in stop.
// Never throws: a chunk that cannot be read, a failed seek or a damaged list makes the result
// false, keeping what was read. A failure inside a list only ends that list's walk.
bool readList(std::list<Chunk>& out, fileio::File* file, unsigned long long size,
              const std::set<unsigned int>& descend, const std::set<unsigned int>& stop);

} // namespace riff

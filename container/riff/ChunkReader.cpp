#include "container/riff/Chunk.h"

#include <cstdint>

#include "container/fileio/Errors.h"

namespace riff {

namespace {

// Lists nest four deep in an AVI file (RIFF, hdrl, strl, leaf). Anything much deeper is crafted
// to exhaust the stack, so the walk stops descending there.
constexpr int kMaxDepth = 8;

// Upper bound on the chunk records one walk keeps (a record is about 64 bytes). A real AVI header
// holds a few dozen; a file of tiny chunks must not turn into gigabytes of records.
constexpr size_t kMaxChunks = size_t(1) << 20;

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool walk(std::list<Chunk>& out, fileio::File* file, uint64_t size, const std::set<unsigned>& descend,
          const std::set<unsigned>& stop, int depth, size_t& budget)
{
    if (size == 0) return true;
    bool result = true;
    try {
        uint64_t consumed = 0;
        do {
            if (budget == 0) return false;
            --budget;
            out.push_back(readChunk(file));
            Chunk& chunk = out.back();
            if (chunk.isList() && (descend.empty() || descend.count(chunk.type))) {
                if (chunk.size < 4 || depth + 1 >= kMaxDepth)
                    result = false; // no room for its own form type, or nested past any real file
                else
                    result = walk(chunk.children, file, chunk.size - 4, descend, stop, depth + 1, budget) && result;
            }
            if (stop.count(chunk.isList() ? chunk.type : chunk.id)) return result;
            // 64-bit arithmetic: in 32 bits a size near 4 GiB wraps to a step of a few bytes or
            // none, and the walk would append the same chunk forever.
            const uint64_t step = 8 + uint64_t(chunk.size) + (chunk.size & 1);
            const uint64_t next = chunk.offset + step;
            if (next > uint64_t(INT64_MAX)) throw fileio::SeekError(-1);
            file->seek_e(static_cast<long long>(next));
            consumed += step;
        } while (consumed < size);
    } catch (const std::exception&) { // a short read, a failed seek, or no memory for a record
        return false;
    }
    return result;
}

} // namespace

Chunk readChunk(fileio::File* file)
{
    Chunk chunk;
    chunk.offset = static_cast<uint64_t>(file->pos());
    uint8_t head[8];
    file->read_e(head, 8);
    chunk.id = le32(head);
    chunk.size = le32(head + 4);
    if (chunk.isList()) {
        uint8_t type[4];
        file->read_e(type, 4);
        chunk.type = le32(type);
    }
    return chunk;
}

bool readList(std::list<Chunk>& out, fileio::File* file, unsigned long long size,
              const std::set<unsigned int>& descend, const std::set<unsigned int>& stop)
{
    size_t budget = kMaxChunks;
    return walk(out, file, size, descend, stop, 0, budget);
}

} // namespace riff

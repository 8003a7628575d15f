#pragma once
// Parses an AVI file (AVI 1.0 or OpenDML) into its main and extended headers and one Stream per
// stream list, with the stream's header, format and the flat index lists through which frames
// and audio are found. Only chunk headers and the header, format and index chunks are read; the
// movi data is never walked, and "AVIX" segments are reached only through the OpenDML indexes.
//
// Bad input never throws: parse() returns false on a fatal problem, and every problem, fatal or
// not, appends one line to `errors`.

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "container/avi/AviStream.h"
#include "container/fileio/File.h"
#include "container/riff/Chunk.h"

namespace avi {

class AviReader {
public:
    // 0 reads headers and indexes; any other value reads headers only.
    enum ParseMode : unsigned { Full = 0, HeadersOnly = 1 };

    AviReader();

    bool parse(fileio::File* file, ParseMode mode);
    void reset();
    std::vector<size_t> getStreamIndices(unsigned int fccType) const;
    bool readChunkData(const riff::Chunk& chunk, void* buffer, size_t size);
    // True when the first 12 bytes are there and are not "RIFF"...."AVI ".
    static bool IsNotAvi(const void* data, size_t size);

    bool readStreamList(const riff::Chunk& strl, Stream& stream, bool readIndex);
    void readIndex(const riff::Chunk& indx, Stream& stream, size_t streamNumber);
    void buildIndex(const riff::Chunk* movi);

    fileio::File* file = nullptr;
    std::list<riff::Chunk> chunks;
    std::string errors;
    // The packed records are kept 8-byte aligned so their fields can be used like any other.
    alignas(8) MainAVIHeader avih{};
    alignas(8) ODMLExtendedAVIHeader dmlh{};
    std::vector<std::unique_ptr<Stream>> streams;
    std::vector<AVIOldIndexEntry> idx1Entries;

private:
    bool parseSteps(ParseMode mode);
    // Bytes of the file from offset on; claimed chunk sizes are clamped to this before any
    // buffer is sized by them.
    uint64_t bytesFrom(uint64_t offset) const;
    // Reads up to size bytes at offset; returns the count read (0 when the seek fails).
    size_t readAt(uint64_t offset, void* buffer, size_t size);

    uint64_t fileSize = 0;
    uint64_t indexEntriesKept = 0; // standard index entries kept so far, over all streams
    uint64_t superEntriesKept = 0; // super index entries kept so far, over all streams
};

} // namespace avi

#pragma once
// Writes an AVI file with the OpenDML extensions over any fileio::File: a first RIFF "AVI " with
// the headers, the first data segment and an idx1 index, then as many RIFF "AVIX" segments as the
// data needs. Every segment ends with one standard index per stream that has chunks in it; the
// super indexes live in space reserved in the header and are filled in, with the totals that are
// known only at the end, by finalize().
//
// Calling order: init, addStream and the stream's initAsVideo or initAsAudio for each stream,
// writeHeader, writeChunk any number of times, finalize (or the destructor).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "container/avi/AviStream.h"
#include "container/fileio/File.h"
#include "container/riff/RiffWriter.h"

namespace avi {

class AviWriter {
public:
    explicit AviWriter(fileio::File* file);
    // Finalizes; errors are swallowed here, call finalize() to see them.
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    void init(unsigned int width, unsigned int height, unsigned int microSecPerFrame);
    size_t addStream(unsigned int fccType);
    void writeHeader();
    void writeChunk(unsigned long stream, const void* data, unsigned long size, unsigned int duration,
                    bool keyFrame);
    void finalize();

    void beginRiff(unsigned int formType);
    void beginMovi();
    void beginSegment();
    void endMovi();
    void endRiff();
    bool endSegment(bool ignoreErrors);

    // Standard index entries a stream's super index can still take (the reserve holds them).
    uint64_t superIndexCapacity(const Stream& stream) const;

    fileio::File* file;
    std::unique_ptr<riff::RiffWriter> riff;
    uint64_t riffStart = 0;
    uint64_t moviStart = 0;
    int64_t avihPos = -1;
    int64_t dmlhPos = -1;
    bool inFirstRiff = true;
    bool headerWritten = false;
    // The packed records are kept 8-byte aligned so their fields can be used like any other.
    alignas(8) MainAVIHeader avih{};
    alignas(8) ODMLExtendedAVIHeader dmlh{};
    std::vector<std::unique_ptr<Stream>> streams;
    std::vector<AVIOldIndexEntry> idx1Entries;
    uint64_t maxFileSize = 0x80000000000ull; // the super index reserve is sized for 8 TiB
    uint64_t firstRiffLimit = 0x3FFFFFFE;    // the first RIFF stays below 1 GiB for AVI 1.0 readers
    uint64_t riffLimit = 0x7FFFFFFE;         // each AVIX stays below 2 GiB

private:
    void writeSuperIndex(const Stream& stream);
    uint32_t largestVideoLength() const;
};

} // namespace avi

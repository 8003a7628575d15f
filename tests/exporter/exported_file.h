// An exported AVI as the tests look at it: parsed by the project's reader, its chunks in file
// order, their bytes, and the video chunks decoded through the codec's interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/quorvane.h"
#include "container/avi/AviReader.h"
#include "container/fileio/PosixFile.h"

namespace qtest {

struct ExportedChunk {
    int stream;      // 0 video, 1 audio
    uint64_t offset; // of the data
    uint32_t size;
    bool key;
};

class ExportedFile {
public:
    explicit ExportedFile(const std::string& path);

    bool parsed = false;
    std::string errors;
    avi::AviReader reader;
    std::vector<ExportedChunk> chunks; // both streams, in file order

    std::vector<uint8_t> data(const ExportedChunk& chunk);
    std::vector<ExportedChunk> of(int stream) const;
    // "V" for a video chunk with data, "R" for an empty (repeat) one, "A" for audio.
    std::string order() const;

private:
    fileio::PosixFile m_file;
};

// Decodes compressed frames of one stream into a requested host layout.
class FrameDecoder {
public:
    // requested: the extended frame type to decode into (width and height 0: the stream's).
    FrameDecoder(const std::vector<uint8_t>& formatHeader, const QuorvaneFrameTypeEx& requested);
    ~FrameDecoder();
    // Rows of rowBytes bytes, first row in memory first.
    int decode(const std::vector<uint8_t>& frame, std::vector<uint8_t>& pixels, int rowBytes, int rows);
    int beginResult() const { return m_begin; }

private:
    uint32_t m_handle = 0;
    int m_begin = -1;
};

} // namespace qtest

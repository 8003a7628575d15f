// What an AVI file stores, read with the project's reader, and the codec's own decoding of it: the
// reference the importer's frames are compared with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/avi/AviReader.h"
#include "container/fileio/PosixFile.h"
#include "sdk/PrSDKPixelFormat.h"

namespace qtest {

class StoredVideo {
public:
    explicit StoredVideo(const std::string& path);

    std::vector<uint8_t> formatHeader;
    std::vector<std::vector<uint8_t>> chunks; // per frame; empty for a repeat
    uint32_t rate = 0;
    uint32_t scale = 0;

    // The chunk an importer shows for frame k: the nearest earlier one with data, else the first
    // later one.
    const std::vector<uint8_t>& shownChunk(std::size_t k) const;
};

// The codec's decoding of one chunk into a host pixel format, in the memory layout the host's
// frame buffer has (rowBytes a row, bottom row first unless topLeft).
std::vector<uint8_t> referenceDecode(const std::vector<uint8_t>& formatHeader, const std::vector<uint8_t>& chunk,
                                     PrPixelFormat format, bool topLeft, int height, int rowBytes);

} // namespace qtest

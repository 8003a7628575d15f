// AVI files made to measure for the importer tests: a video stream compressed by the codec from
// generated frames, any number of audio streams with given bytes, empty (repeat) chunks where
// asked, and byte patches afterwards for the damaged and absurd files.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "codec/quorvane.h"
#include "container/avi/AviTypes.h"

namespace qtest {

struct VideoTrack {
    uint32_t compressedType = QUORVANE_FRAME_COMP_RGB;
    uint32_t sourceType = 0; // frames compressed from; 0: BGRX, or BGRA for the alpha types
    int width = 32;
    int height = 16;
    uint32_t rate = 30;
    uint32_t scale = 1;
    int frames = 4;
    std::vector<int> emptyFrames; // frame numbers written as empty chunks
    bool noFormatHeader = false;  // the stream format carries no codec header
};

struct AudioTrack {
    avi::WaveFormatTag tag = avi::WAVE_FORMAT_PCM;
    uint16_t channels = 2;
    uint32_t rate = 48000;
    uint16_t bits = 16;
    uint32_t channelMask = 3;
    std::vector<uint8_t> data; // interleaved samples as stored
    std::size_t chunkBytes = 4000;
    std::optional<std::vector<uint8_t>> format; // replaces the WAVE format the writer makes
};

struct AviSpec {
    std::optional<VideoTrack> video;
    std::vector<AudioTrack> audio;
};

// What was written: each frame's source bytes (for BGRX and BGRA the pixels top row first, 4 x
// width bytes a row; empty for a repeat chunk) and the file's size.
struct WrittenAvi {
    std::vector<std::vector<uint8_t>> frames;
    uint64_t size = 0;
};

WrittenAvi writeAvi(const std::string& path, const AviSpec& shape);

// Bytes of the file and their replacement.
std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Positions inside a written file, found with the project's reader.
struct AviLayout {
    std::vector<uint64_t> strhData;    // per stream in file order
    uint64_t idx1Data = 0;             // 0 when there is none
    std::vector<uint64_t> stdIndexEntries; // per stream: first entry of its first standard index
};
AviLayout layoutOf(const std::string& path);

template <typename T>
void patch(std::vector<uint8_t>& bytes, uint64_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Seeded random bytes (frames, integer samples).
std::vector<uint8_t> noiseBytes(std::size_t count, uint32_t seed);

} // namespace qtest

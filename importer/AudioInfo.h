// The audio side of an opened file: the checked format of one AVI audio stream, its channel
// layout, and its samples served as the host's planar float buffers, read through the stream's
// index. An audio side whose format was refused stays as "dummy" audio for the host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/avi/AviStream.h"
#include "importer/QuorvaneImporter.h"
#include "sdk/PrSDKAudio.h"

class QuorvaneImporter::AudioInfo {
public:
    explicit AudioInfo(QuorvaneImporter* owner);
    ~AudioInfo();

    AudioInfo(const AudioInfo&) = delete;
    AudioInfo& operator=(const AudioInfo&) = delete;

    // Checks and keeps the stream's format; problems are logged and leave the audio invalid.
    void init(const avi::Stream* stream);
    void getInfo(imFileInfoRec8* rec) const;
    int getAudioChannelLayout(imGetAudioChannelLayoutRec* rec) const;
    int importAudio(imImportAudioRec7* rec);
    std::string analysis() const;

    bool valid() const { return m_valid; }
    // Channels the host is told: the stream's, or for dummy audio at most 32 and at least 1.
    unsigned reportedChannels() const;

private:
    static constexpr unsigned kMaxChannels = 32;

    // Reads count bytes of the stream from stream byte `from` on into dst through the index, chunk
    // by chunk; returns the bytes read. Stops after the last chunk, and at a seek or read error,
    // which it logs and reports through `failed`.
    uint64_t readStreamBytes(uint64_t from, uint8_t* dst, uint64_t count, bool& failed);
    // Converts frames interleaved sample frames into the host's channel buffers; imNoErr, or
    // imDecompressionError for a sample type without conversion.
    int convertToFloat(uint8_t* samples, float** channels, uint32_t frames);

    QuorvaneImporter* m_owner;
    bool m_valid = false;
    const avi::Stream* m_stream = nullptr;
    uint64_t m_numAudioSampleFrames = 0;
    PrAudioSampleType m_sampleType = PrAudioSampleType(0);
    avi::WAVEFORMATEXTENSIBLE m_format{};
    int64_t m_audioPosition = 0;
    std::vector<uint8_t> m_readBuffer; // one piece of a request at most; grows, never shrinks
};

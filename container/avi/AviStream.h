#pragma once
// One AVI stream as the writer builds it and as the reader finds it: its stream header, format
// bytes, OpenDML super and standard indexes, and the flat lists of index entries through which
// frames and audio are located.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "container/avi/AviTypes.h"

namespace avi {

// An OpenDML index: its 24-byte header followed by the entries (a vector in memory).
template <class Entry>
struct OpenDMLIndexHeaderOf;
template <>
struct OpenDMLIndexHeaderOf<AVIStdIndexEntry> {
    using type = AVIStdIndexHeader;
};
template <>
struct OpenDMLIndexHeaderOf<AVISuperIndexEntry> {
    using type = AVISuperIndexHeader;
};

struct Stream {
    struct IndexEntry {
        uint64_t offset = 0;   // file position of the chunk's data
        uint32_t size = 0;     // data size
        uint32_t duration = 0; // stream units as given to the writer; 0 from the reader
        uint64_t position = 0; // stream byte position of the first byte; 0 from the writer
        bool key = false;
    };

    template <class Entry>
    struct OpenDMLIndex : OpenDMLIndexHeaderOf<Entry>::type {
        using Header = typename OpenDMLIndexHeaderOf<Entry>::type;
        OpenDMLIndex() : Header{} {}
        Header& header() { return *this; }
        const Header& header() const { return *this; }
        std::vector<Entry> entries;
    };

    Stream(unsigned long index, unsigned int fccType);

    void initAsVideo(int width, int height, unsigned short bitCount, unsigned int fourcc,
                     unsigned int rate, unsigned int scale, unsigned int sizeImage,
                     unsigned long extraSize, const void* extra);
    void initAsAudio(WaveFormatTag tag, unsigned short channels, unsigned int rate,
                     unsigned short bits, unsigned int channelMask);

    // The active entry list: odmlEntries when useOdmlIndex is set, else idx1Entries.
    const std::vector<IndexEntry>& entries() const { return useOdmlIndex ? odmlEntries : idx1Entries; }
    // The entry of the active list whose bytes hold the stream byte position, or its end.
    std::vector<IndexEntry>::const_iterator findIndex(unsigned long long position) const;
    unsigned long long getSizeInBytes() const;

    OpenDMLIndex<AVIStdIndexEntry>* addStdIndex(unsigned long long baseOffset);
    // Turns the entries of one segment into a standard index based at baseOffset and adds the
    // super index entry for its chunk, which is written at chunkPos.
    OpenDMLIndex<AVIStdIndexEntry>* buildNewStdIndex(const std::vector<IndexEntry>& entries,
                                                     unsigned long long baseOffset,
                                                     unsigned long long chunkPos);
    void addSuperIndexEntry(unsigned long long offset, unsigned int size, unsigned int duration);

    BITMAPINFOHEADER getStreamFormatAsVideo() const;
    WAVEFORMATEXTENSIBLE getStreamFormatAsAudio() const;
    // The format bytes after the fixed record: after 40 for video, after 18 for audio.
    std::vector<uint8_t> getStreamFormatExtra() const;

    uint32_t dataChunkId() const;  // "00dc", "01wb", "12??"
    uint32_t indexChunkId() const; // "ix00"

    uint64_t index;
    alignas(8) AVIStreamHeader header;
    std::vector<uint8_t> format;
    OpenDMLIndex<AVISuperIndexEntry> superIndex;
    std::vector<OpenDMLIndex<AVIStdIndexEntry>> stdIndexes;
    bool useOdmlIndex = false;
    std::vector<IndexEntry> idx1Entries;
    std::vector<IndexEntry> odmlEntries;
    int64_t indxPos = -1;      // writer: file position of the indx data
    uint64_t indxReserve = 0;  // writer: bytes reserved for the indx data
    int64_t strhPos = -1;      // writer: file position of the strh data
    std::vector<IndexEntry> pendingEntries; // writer: chunks of the open segment
};

// The two digits of a stream number as used in chunk ids: tens, then units.
uint32_t streamDigits(uint64_t index);

} // namespace avi

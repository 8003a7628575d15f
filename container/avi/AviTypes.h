#pragma once
// The on-disk records of AVI and OpenDML files, laid out exactly as stored (little-endian, no
// padding between fields), so they are read and written with one copy each.

#include <bit>
#include <cstddef>
#include <cstdint>

#include "container/riff/FourCC.h"

static_assert(std::endian::native == std::endian::little, "the records are stored little-endian");

namespace avi {

namespace fcc {
inline constexpr uint32_t AVI_ = riff::fcc::make("AVI ");
inline constexpr uint32_t AVIX = riff::fcc::make("AVIX");
inline constexpr uint32_t hdrl = riff::fcc::make("hdrl");
inline constexpr uint32_t avih = riff::fcc::make("avih");
inline constexpr uint32_t strl = riff::fcc::make("strl");
inline constexpr uint32_t strh = riff::fcc::make("strh");
inline constexpr uint32_t strf = riff::fcc::make("strf");
inline constexpr uint32_t indx = riff::fcc::make("indx");
inline constexpr uint32_t odml = riff::fcc::make("odml");
inline constexpr uint32_t dmlh = riff::fcc::make("dmlh");
inline constexpr uint32_t movi = riff::fcc::make("movi");
inline constexpr uint32_t idx1 = riff::fcc::make("idx1");
inline constexpr uint32_t vids = riff::fcc::make("vids");
inline constexpr uint32_t auds = riff::fcc::make("auds");
} // namespace fcc

enum WaveFormatTag : uint16_t {
    WAVE_FORMAT_PCM = 1,
    WAVE_FORMAT_IEEE_FLOAT = 3,
    WAVE_FORMAT_EXTENSIBLE = 0xFFFE,
};

// The speaker bits of an extensible WAVE format's channel mask.
enum SpeakerPosition : uint32_t {
    SPEAKER_FRONT_LEFT = 0x1,
    SPEAKER_FRONT_RIGHT = 0x2,
    SPEAKER_FRONT_CENTER = 0x4,
    SPEAKER_LOW_FREQUENCY = 0x8,
    SPEAKER_BACK_LEFT = 0x10,
    SPEAKER_BACK_RIGHT = 0x20,
    SPEAKER_FRONT_LEFT_OF_CENTER = 0x40,
    SPEAKER_FRONT_RIGHT_OF_CENTER = 0x80,
    SPEAKER_BACK_CENTER = 0x100,
    SPEAKER_SIDE_LEFT = 0x200,
    SPEAKER_SIDE_RIGHT = 0x400,
    SPEAKER_TOP_CENTER = 0x800,
    SPEAKER_TOP_FRONT_LEFT = 0x1000,
    SPEAKER_TOP_FRONT_CENTER = 0x2000,
    SPEAKER_TOP_FRONT_RIGHT = 0x4000,
    SPEAKER_TOP_BACK_LEFT = 0x8000,
    SPEAKER_TOP_BACK_CENTER = 0x10000,
    SPEAKER_TOP_BACK_RIGHT = 0x20000,
};

inline constexpr uint32_t AVIF_HASINDEX = 0x10;
inline constexpr uint32_t AVIIF_KEYFRAME = 0x10;
inline constexpr uint32_t AVI_INDEX_OF_INDEXES = 0;
inline constexpr uint32_t AVI_INDEX_OF_CHUNKS = 1;
// Set in a standard index entry's size for a chunk that is not a key frame.
inline constexpr uint32_t AVISTDINDEX_DELTAFRAME = 0x80000000u;

#pragma pack(push, 1)

struct MainAVIHeader {
    uint32_t dwMicroSecPerFrame;
    uint32_t dwMaxBytesPerSec;
    uint32_t dwPaddingGranularity;
    uint32_t dwFlags;
    uint32_t dwTotalFrames;
    uint32_t dwInitialFrames;
    uint32_t dwStreams;
    uint32_t dwSuggestedBufferSize;
    uint32_t dwWidth;
    uint32_t dwHeight;
    uint32_t dwReserved[4];
};

struct AVIStreamHeader {
    uint32_t fccType;
    uint32_t fccHandler;
    uint32_t dwFlags;
    uint16_t wPriority;
    uint16_t wLanguage;
    uint32_t dwInitialFrames;
    uint32_t dwScale;
    uint32_t dwRate;
    uint32_t dwStart;
    uint32_t dwLength;
    uint32_t dwSuggestedBufferSize;
    uint32_t dwQuality;
    uint32_t dwSampleSize;
    struct {
        int16_t left, top, right, bottom;
    } rcFrame;
};

// The OpenDML extended header ('dmlh').
struct ODMLExtendedAVIHeader {
    uint32_t dwTotalFrames;
    uint8_t reserved[244];
};

struct AVIOldIndexEntry {
    uint32_t ckid;
    uint32_t dwFlags;
    uint32_t dwChunkOffset; // data chunk header position minus the position of movi's form type
    uint32_t dwChunkLength;
};

struct AVIStdIndexEntry {
    uint32_t dwOffset; // data position minus the index's qwBaseOffset
    uint32_t dwSize;   // bit 31 set for a chunk that is not a key frame
};

struct AVISuperIndexEntry {
    uint64_t qwOffset; // position of the standard index chunk's header
    uint32_t dwSize;   // that chunk's size with its 8-byte header
    uint32_t dwDuration;
};

struct AVIStdIndexHeader {
    uint16_t wLongsPerEntry;
    uint8_t bIndexSubType;
    uint8_t bIndexType;
    uint32_t nEntriesInUse;
    uint32_t dwChunkId;
    uint64_t qwBaseOffset;
    uint32_t dwReserved3;
};

struct AVISuperIndexHeader {
    uint16_t wLongsPerEntry;
    uint8_t bIndexSubType;
    uint8_t bIndexType;
    uint32_t nEntriesInUse;
    uint32_t dwChunkId;
    uint32_t dwReserved[3];
};

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

struct WAVEFORMAT {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
};

struct PCMWAVEFORMAT {
    WAVEFORMAT wf;
    uint16_t wBitsPerSample;
};

struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    union {
        uint16_t wValidBitsPerSample;
        uint16_t wSamplesPerBlock;
        uint16_t wReserved;
    } Samples;
    uint32_t dwChannelMask;
    GUID SubFormat;
};

#pragma pack(pop)

static_assert(sizeof(MainAVIHeader) == 56);
static_assert(sizeof(AVIStreamHeader) == 56 && offsetof(AVIStreamHeader, dwScale) == 20 &&
              offsetof(AVIStreamHeader, dwLength) == 32 && offsetof(AVIStreamHeader, rcFrame) == 48);
static_assert(sizeof(ODMLExtendedAVIHeader) == 248);
static_assert(sizeof(AVIOldIndexEntry) == 16);
static_assert(sizeof(AVIStdIndexEntry) == 8);
static_assert(sizeof(AVISuperIndexEntry) == 16 && offsetof(AVISuperIndexEntry, dwSize) == 8);
static_assert(sizeof(AVIStdIndexHeader) == 24 && offsetof(AVIStdIndexHeader, nEntriesInUse) == 4 &&
              offsetof(AVIStdIndexHeader, qwBaseOffset) == 12 && offsetof(AVIStdIndexHeader, dwReserved3) == 20);
static_assert(sizeof(AVISuperIndexHeader) == 24 && offsetof(AVISuperIndexHeader, dwChunkId) == 8);
static_assert(sizeof(BITMAPINFOHEADER) == 40 && offsetof(BITMAPINFOHEADER, biCompression) == 16);
static_assert(sizeof(WAVEFORMAT) == 14);
static_assert(sizeof(PCMWAVEFORMAT) == 16);
static_assert(sizeof(WAVEFORMATEX) == 18 && offsetof(WAVEFORMATEX, cbSize) == 16);
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40 && offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask) == 20 &&
              offsetof(WAVEFORMATEXTENSIBLE, SubFormat) == 24);

} // namespace avi

#include "container/avi/AviStream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace avi {

namespace {

uint32_t chunkSuffix(uint32_t fccType)
{
    if (fccType == fcc::vids) return uint32_t('d') | uint32_t('c') << 8;
    if (fccType == fcc::auds) return uint32_t('w') | uint32_t('b') << 8;
    return uint32_t('?') | uint32_t('?') << 8;
}

// The fixed part of the format record, before the codec's own bytes.
size_t fixedFormatSize(uint32_t fccType)
{
    if (fccType == fcc::vids) return sizeof(BITMAPINFOHEADER);
    if (fccType == fcc::auds) return sizeof(WAVEFORMATEX);
    return 0;
}

// The base GUID of the WAVE subformats, {xxxxxxxx-0000-0010-8000-00AA00389B71}.
constexpr GUID kWaveSubFormatBase = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

template <class T>
T prefixAs(const std::vector<uint8_t>& bytes)
{
    T out{};
    if (!bytes.empty()) std::memcpy(&out, bytes.data(), std::min(bytes.size(), sizeof(T)));
    return out;
}

} // namespace

uint32_t streamDigits(uint64_t index)
{
    const uint8_t tens = static_cast<uint8_t>('0' + index / 10);
    const uint8_t units = static_cast<uint8_t>('0' + index % 10);
    return uint32_t(tens) | uint32_t(units) << 8;
}

Stream::Stream(unsigned long index_, unsigned int fccType) : index(index_), header{}
{
    header.fccType = fccType;
    superIndex.wLongsPerEntry = 4;
    superIndex.dwChunkId = dataChunkId();
}

uint32_t Stream::dataChunkId() const { return streamDigits(index) | chunkSuffix(header.fccType) << 16; }

uint32_t Stream::indexChunkId() const { return (uint32_t('i') | uint32_t('x') << 8) | streamDigits(index) << 16; }

void Stream::initAsVideo(int width, int height, unsigned short bitCount, unsigned int fourcc,
                         unsigned int rate, unsigned int scale, unsigned int sizeImage,
                         unsigned long extraSize, const void* extra)
{
    if (extraSize && !extra) throw std::invalid_argument("Stream::initAsVideo: extra data missing");
    if (extraSize > 0xFFFFFFFFu - sizeof(BITMAPINFOHEADER))
        throw std::length_error("Stream::initAsVideo: extra data too large");

    header = AVIStreamHeader{};
    header.fccType = fcc::vids;
    header.fccHandler = fourcc;
    header.dwScale = scale;
    header.dwRate = rate;
    header.dwQuality = 10000;
    header.rcFrame.right = static_cast<int16_t>(width < 0 ? -int64_t(width) : width);
    header.rcFrame.bottom = static_cast<int16_t>(height < 0 ? -int64_t(height) : height);

    BITMAPINFOHEADER bih{};
    bih.biSize = static_cast<uint32_t>(sizeof(bih) + extraSize);
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biPlanes = 1;
    bih.biBitCount = bitCount;
    bih.biCompression = fourcc;
    bih.biSizeImage = sizeImage;
    format.assign(sizeof(bih) + extraSize, 0);
    std::memcpy(format.data(), &bih, sizeof(bih));
    if (extraSize) std::memcpy(format.data() + sizeof(bih), extra, extraSize);

    superIndex.dwChunkId = dataChunkId();
}

void Stream::initAsAudio(WaveFormatTag tag, unsigned short channels, unsigned int rate,
                         unsigned short bits, unsigned int channelMask)
{
    const uint32_t bytesPerSample = (uint32_t(bits) + 7) / 8;
    const uint16_t blockAlign = static_cast<uint16_t>(bytesPerSample * channels);

    header = AVIStreamHeader{};
    header.fccType = fcc::auds;
    header.dwScale = blockAlign;
    header.dwRate = blockAlign * rate;
    header.dwQuality = 10000;
    header.dwSampleSize = blockAlign;

    const bool extensible = (channels == 1 && channelMask != 0) || (channels == 2 && channelMask != 3) ||
                            channels > 2 || (tag == WAVE_FORMAT_PCM && bits > 16) || bits % 8 != 0;

    WAVEFORMATEX wf{};
    wf.wFormatTag = tag;
    wf.nChannels = channels;
    wf.nSamplesPerSec = rate;
    wf.nAvgBytesPerSec = blockAlign * rate;
    wf.nBlockAlign = blockAlign;
    wf.wBitsPerSample = static_cast<uint16_t>(bytesPerSample * 8);
    if (extensible) {
        WAVEFORMATEXTENSIBLE wfx{};
        wfx.Format = wf;
        wfx.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        wfx.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        wfx.Samples.wValidBitsPerSample = bits;
        wfx.dwChannelMask = channelMask;
        wfx.SubFormat = kWaveSubFormatBase;
        wfx.SubFormat.Data1 = tag;
        format.assign(sizeof(wfx), 0);
        std::memcpy(format.data(), &wfx, sizeof(wfx));
    } else {
        // The 16-byte record has no cbSize.
        format.assign(sizeof(PCMWAVEFORMAT), 0);
        std::memcpy(format.data(), &wf, sizeof(PCMWAVEFORMAT));
    }

    superIndex.dwChunkId = dataChunkId();
}

std::vector<Stream::IndexEntry>::const_iterator Stream::findIndex(unsigned long long position) const
{
    const std::vector<IndexEntry>& list = entries();
    auto it = std::upper_bound(list.begin(), list.end(), position,
                               [](unsigned long long p, const IndexEntry& e) { return p < e.position; });
    if (it == list.begin()) return list.end();
    --it;
    return position < it->position + it->size ? it : list.end();
}

unsigned long long Stream::getSizeInBytes() const
{
    unsigned long long total = 0;
    for (const IndexEntry& e : entries()) total += e.size;
    return total;
}

Stream::OpenDMLIndex<AVIStdIndexEntry>* Stream::addStdIndex(unsigned long long baseOffset)
{
    OpenDMLIndex<AVIStdIndexEntry>& index = stdIndexes.emplace_back();
    index.wLongsPerEntry = 2;
    index.bIndexSubType = 0;
    index.bIndexType = AVI_INDEX_OF_CHUNKS;
    index.nEntriesInUse = 0;
    index.dwChunkId = dataChunkId();
    index.qwBaseOffset = baseOffset;
    return &index;
}

Stream::OpenDMLIndex<AVIStdIndexEntry>* Stream::buildNewStdIndex(const std::vector<IndexEntry>& list,
                                                                 unsigned long long baseOffset,
                                                                 unsigned long long chunkPos)
{
    OpenDMLIndex<AVIStdIndexEntry>* index = addStdIndex(baseOffset);
    index->entries.reserve(list.size());
    uint32_t duration = 0;
    for (const IndexEntry& e : list) {
        index->entries.push_back({static_cast<uint32_t>(e.offset - baseOffset),
                                  e.size | (e.key ? 0 : AVISTDINDEX_DELTAFRAME)});
        ++index->nEntriesInUse;
        duration += e.duration;
    }
    addSuperIndexEntry(chunkPos, static_cast<uint32_t>(sizeof(AVIStdIndexHeader) + 8 + 8 * list.size()), duration);
    return index;
}

void Stream::addSuperIndexEntry(unsigned long long offset, unsigned int size, unsigned int duration)
{
    superIndex.entries.push_back({offset, size, duration});
    ++superIndex.nEntriesInUse;
}

BITMAPINFOHEADER Stream::getStreamFormatAsVideo() const { return prefixAs<BITMAPINFOHEADER>(format); }

WAVEFORMATEXTENSIBLE Stream::getStreamFormatAsAudio() const { return prefixAs<WAVEFORMATEXTENSIBLE>(format); }

std::vector<uint8_t> Stream::getStreamFormatExtra() const
{
    const size_t fixed = fixedFormatSize(header.fccType);
    if (format.size() <= fixed) return {};
    return std::vector<uint8_t>(format.begin() + static_cast<ptrdiff_t>(fixed), format.end());
}

} // namespace avi

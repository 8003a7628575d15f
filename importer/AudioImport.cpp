// Audio import: the host asks for any number of sample frames from any position and gets them as
// its planar float buffers, read through the stream's index and converted by the host's audio
// suite.
#include "importer/AudioInfo.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "host/AudioFormat.h"
#include "host/Logger.h"

namespace {

// One import reads at most this many bytes of samples. A request beyond it (4 GiB frames of 32
// channels would be half a terabyte) is refused instead of sizing a buffer by it.
constexpr uint64_t kMaxImportBytes = uint64_t(1) << 30;

int64_t saturatingAdd(int64_t a, uint64_t b)
{
    const uint64_t room = uint64_t(std::numeric_limits<int64_t>::max()) - uint64_t(a);
    return b > room ? std::numeric_limits<int64_t>::max() : int64_t(uint64_t(a) + b);
}

} // namespace

int QuorvaneImporter::AudioInfo::importAudio(imImportAudioRec7* rec)
{
    if (rec->buffer == nullptr && rec->size != 0)
        throw std::logic_error("no audio buffers");
    if (!m_valid) {
        // Dummy audio has no samples; the channels the host was told of get silence rather than
        // whatever their buffers held.
        for (unsigned c = 0; c < reportedChannels() && rec->size != 0; ++c) {
            if (rec->buffer[c] != nullptr)
                std::fill_n(rec->buffer[c], rec->size, 0.0f);
        }
        return imNoErr;
    }

    const int64_t start = rec->position >= 0 ? rec->position : m_audioPosition;
    const unsigned blockAlign = m_format.Format.nBlockAlign;
    Logger::Log("importAudioRec7P->position: %lld", static_cast<long long>(rec->position));
    Logger::Log("m_audioPosition           : %lld", static_cast<long long>(m_audioPosition));
    Logger::Log("startPos                  : %lld", static_cast<long long>(start));
    Logger::Log("importAudioRec7P->size    : %u", unsigned(rec->size));
    Logger::Log("endPos                    : %lld", static_cast<long long>(saturatingAdd(start, rec->size)));
    Logger::Log("m_numAudioSampleFrames    : %lld", static_cast<long long>(m_numAudioSampleFrames));

    // Both products in 64 bits; a start so far out that its byte position does not fit lies past
    // every chunk anyway.
    const uint64_t sizeBytes = uint64_t(rec->size) * blockAlign;
    const uint64_t startBytes = blockAlign != 0 && uint64_t(start) > std::numeric_limits<uint64_t>::max() / blockAlign
                                    ? std::numeric_limits<uint64_t>::max()
                                    : uint64_t(start) * blockAlign;
    Logger::Log("startPosBytes             : %lld", static_cast<long long>(std::min<uint64_t>(startBytes, INT64_MAX)));
    Logger::Log("sizeBytes                 : %lld", static_cast<long long>(sizeBytes));
    if (sizeBytes > kMaxImportBytes)
        throw std::length_error("audio request too large: " + std::to_string(rec->size) + " sample frames of " +
                                std::to_string(blockAlign) + " bytes");
    if (m_readBuffer.size() < sizeBytes)
        m_readBuffer.resize(sizeBytes);

    uint64_t done = 0;
    const std::vector<avi::Stream::IndexEntry>& entries = m_stream->entries();
    auto entry = m_stream->findIndex(startBytes);
    fileio::File& file = m_owner->m_file;
    if (entry != entries.end() && sizeBytes != 0) {
        for (; entry != entries.end() && done < sizeBytes; ++entry) {
            const uint64_t p = startBytes + done;
            const uint64_t inChunk = p - entry->position;
            const uint64_t count = std::min<uint64_t>(entry->size - inChunk, sizeBytes - done);
            const uint64_t filePos = entry->offset + inChunk;
            Logger::Log("reading : %lld, %lld, %lld", static_cast<long long>(p), static_cast<long long>(filePos),
                        static_cast<long long>(count));
            if (filePos > uint64_t(INT64_MAX) || !file.seek(static_cast<long long>(filePos))) {
                Logger::Log("importAudio: seek error: %lld, pos: %lld", static_cast<long long>(filePos), file.pos());
                break;
            }
            const size_t got = file.read(m_readBuffer.data() + done, count);
            done += got;
            if (got < count) {
                Logger::Log("importAudio: read error: %lld, read: %lld", static_cast<long long>(count),
                            static_cast<long long>(got));
                break;
            }
        }
    }
    Logger::Log("fill    : %lld", static_cast<long long>(sizeBytes - done));
    // Silence: 8-bit samples are stored unsigned around 0x80, which the conversion below makes 0.
    const uint8_t silence = m_sampleType == kPrAudioSampleType_8BitInt ? 0x80 : 0x00;
    std::fill(m_readBuffer.begin() + ptrdiff_t(done), m_readBuffer.begin() + ptrdiff_t(sizeBytes), silence);
    m_audioPosition = saturatingAdd(start, rec->size);

    m_owner->createSuites();
    const unsigned channels = m_format.Format.nChannels;
    uint8_t* samples = m_readBuffer.data();
    switch (m_sampleType) {
    case kPrAudioSampleType_8BitInt:
        // Stored unsigned, converted by the host as signed.
        for (uint64_t i = 0; i < sizeBytes; ++i)
            samples[i] ^= 0x80;
        m_owner->m_suites->audio.get()->convertInt8ToFloat(samples, rec->buffer, channels, rec->size);
        return imNoErr;
    case kPrAudioSampleType_16BitInt:
        m_owner->m_suites->audio.get()->convertInt16ToFloat(samples, rec->buffer, channels, rec->size);
        return imNoErr;
    case kPrAudioSampleType_24BitInt:
        m_owner->m_suites->audio.get()->convertInt24ToFloat(samples, rec->buffer, channels, rec->size);
        return imNoErr;
    case kPrAudioSampleType_32BitInt:
        m_owner->m_suites->audio.get()->convertInt32ToFloat(samples, rec->buffer, channels, rec->size);
        return imNoErr;
    case kPrAudioSampleType_32BitFloat:
        UninterleaveFrom32BitFloat(reinterpret_cast<float*>(samples), rec->buffer, channels, rec->size);
        return imNoErr;
    default:
        return imDecompressionError;
    }
}

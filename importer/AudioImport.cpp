// Audio import: the host asks for any number of sample frames from any position and gets them as
// its planar float buffers. The interleaved samples are read through the stream's index and
// converted a piece at a time, each piece into the host's buffers at its own offset, so the read
// buffer stays a few megabytes however much one request spans (the host's buffers for a long
// request may pass gigabytes).
#include "importer/AudioInfo.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "host/AudioFormat.h"
#include "host/Logger.h"

namespace {

// Bytes of interleaved samples read and converted at a time.
constexpr uint64_t kPieceBytes = uint64_t(4) << 20;

int64_t saturatingAdd(int64_t a, uint64_t b)
{
    const uint64_t room = uint64_t(std::numeric_limits<int64_t>::max()) - uint64_t(a);
    return b > room ? std::numeric_limits<int64_t>::max() : int64_t(uint64_t(a) + b);
}

// A byte position too far out to hold lies past every chunk; it stays there instead of wrapping.
uint64_t saturatingAdd(uint64_t a, uint64_t b)
{
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max() : a + b;
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
    m_audioPosition = saturatingAdd(start, rec->size);
    m_owner->createSuites();

    // A sample frame is at most 32 channels of 4 bytes, so a piece holds many whole frames. A
    // stream without channels has no bytes: one piece of no bytes converts nothing.
    const uint32_t pieceFrames = blockAlign != 0 ? uint32_t(kPieceBytes / blockAlign) : rec->size;
    const uint64_t bufferBytes = std::min<uint64_t>(sizeBytes, uint64_t(pieceFrames) * blockAlign);
    if (m_readBuffer.size() < bufferBytes)
        m_readBuffer.resize(bufferBytes);
    // Silence: 8-bit samples are stored unsigned around 0x80, which the conversion makes 0.
    const uint8_t silence = m_sampleType == kPrAudioSampleType_8BitInt ? 0x80 : 0x00;

    float* channels[kMaxChannels];
    uint64_t unread = 0;
    bool failed = false; // after a seek or read error the rest of the request is silence
    for (uint32_t done = 0; done < rec->size;) {
        const uint32_t frames = std::min(pieceFrames, rec->size - done);
        const uint64_t bytes = uint64_t(frames) * blockAlign;
        uint8_t* piece = m_readBuffer.data();
        const uint64_t got =
            failed ? 0 : readStreamBytes(saturatingAdd(startBytes, uint64_t(done) * blockAlign), piece, bytes, failed);
        std::fill(piece + got, piece + bytes, silence);
        unread += bytes - got;
        for (unsigned c = 0; c < m_format.Format.nChannels; ++c)
            channels[c] = rec->buffer[c] + done;
        const int result = convertToFloat(piece, channels, frames);
        if (result != imNoErr)
            return result;
        done += frames;
    }
    Logger::Log("fill    : %lld", static_cast<long long>(unread));
    return imNoErr;
}

uint64_t QuorvaneImporter::AudioInfo::readStreamBytes(uint64_t from, uint8_t* dst, uint64_t count, bool& failed)
{
    const std::vector<avi::Stream::IndexEntry>& entries = m_stream->entries();
    fileio::File& file = m_owner->m_file;
    uint64_t done = 0;
    for (auto entry = m_stream->findIndex(from); entry != entries.end() && done < count; ++entry) {
        const uint64_t p = from + done;
        const uint64_t inChunk = p - entry->position;
        const uint64_t wanted = std::min<uint64_t>(entry->size - inChunk, count - done);
        const uint64_t filePos = entry->offset + inChunk;
        Logger::Log("reading : %lld, %lld, %lld", static_cast<long long>(p), static_cast<long long>(filePos),
                    static_cast<long long>(wanted));
        if (filePos > uint64_t(INT64_MAX) || !file.seek(static_cast<long long>(filePos))) {
            Logger::Log("importAudio: seek error: %lld, pos: %lld", static_cast<long long>(filePos), file.pos());
            failed = true;
            break;
        }
        const size_t got = file.read(dst + done, wanted);
        done += got;
        if (got < wanted) {
            Logger::Log("importAudio: read error: %lld, read: %lld", static_cast<long long>(wanted),
                        static_cast<long long>(got));
            failed = true;
            break;
        }
    }
    return done;
}

int QuorvaneImporter::AudioInfo::convertToFloat(uint8_t* samples, float** channels, uint32_t frames)
{
    const unsigned count = m_format.Format.nChannels;
    switch (m_sampleType) {
    case kPrAudioSampleType_8BitInt:
        // Stored unsigned, converted by the host as signed.
        for (uint64_t i = 0; i < uint64_t(frames) * m_format.Format.nBlockAlign; ++i)
            samples[i] ^= 0x80;
        m_owner->m_suites->audio.get()->convertInt8ToFloat(samples, channels, count, frames);
        return imNoErr;
    case kPrAudioSampleType_16BitInt:
        m_owner->m_suites->audio.get()->convertInt16ToFloat(samples, channels, count, frames);
        return imNoErr;
    case kPrAudioSampleType_24BitInt:
        m_owner->m_suites->audio.get()->convertInt24ToFloat(samples, channels, count, frames);
        return imNoErr;
    case kPrAudioSampleType_32BitInt:
        m_owner->m_suites->audio.get()->convertInt32ToFloat(samples, channels, count, frames);
        return imNoErr;
    case kPrAudioSampleType_32BitFloat:
        UninterleaveFrom32BitFloat(reinterpret_cast<float*>(samples), channels, count, frames);
        return imNoErr;
    default:
        return imDecompressionError;
    }
}

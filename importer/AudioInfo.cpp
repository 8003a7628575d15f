#include "importer/AudioInfo.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "host/AudioFormat.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/TextUtil.h"

namespace {

// {xxxxxxxx-0000-0010-8000-00AA00389B71}: the WAVE subformats of the plain format tags.
constexpr avi::GUID kBaseGuid = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

constexpr unsigned kMaxChannels = 32;

// One import reads at most this many bytes of samples. A request beyond it (4 GiB frames of 32
// channels would be half a terabyte) is refused instead of sizing a buffer by it.
constexpr uint64_t kMaxImportBytes = uint64_t(1) << 30;

avi::GUID formatGuid(const avi::WAVEFORMATEXTENSIBLE& format)
{
    if (format.Format.wFormatTag == avi::WAVE_FORMAT_EXTENSIBLE)
        return format.SubFormat;
    avi::GUID guid = kBaseGuid;
    guid.Data1 = format.Format.wFormatTag;
    return guid;
}

std::string guidText(const avi::GUID& g)
{
    return strprintf("%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", unsigned(g.Data1), unsigned(g.Data2),
                     unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
                     g.Data4[6], g.Data4[7]);
}

bool isBaseGuid(const avi::GUID& g)
{
    return g.Data2 == kBaseGuid.Data2 && g.Data3 == kBaseGuid.Data3 &&
           std::memcmp(g.Data4, kBaseGuid.Data4, sizeof g.Data4) == 0;
}

int64_t saturatingAdd(int64_t a, uint64_t b)
{
    const uint64_t room = uint64_t(std::numeric_limits<int64_t>::max()) - uint64_t(a);
    return b > room ? std::numeric_limits<int64_t>::max() : int64_t(uint64_t(a) + b);
}

} // namespace

QuorvaneImporter::AudioInfo::AudioInfo(QuorvaneImporter* owner) : m_owner(owner)
{
    Logger::Log("AudioInfo::AudioInfo()");
}

QuorvaneImporter::AudioInfo::~AudioInfo()
{
    try {
        Logger::Log("AudioInfo::~AudioInfo()");
    } catch (...) {
    }
}

void QuorvaneImporter::AudioInfo::init(const avi::Stream* stream)
{
    m_valid = false;
    m_stream = stream;
    m_numAudioSampleFrames = stream->header.dwLength;
    if (stream->format.size() < 16) {
        Logger::Log("Avi audio stream format size is too small: %d", int(stream->format.size()));
        return;
    }
    m_format = stream->getStreamFormatAsAudio();

    const avi::GUID guid = formatGuid(m_format);
    if ((guid.Data1 != avi::WAVE_FORMAT_PCM && guid.Data1 != avi::WAVE_FORMAT_IEEE_FLOAT) || !isBaseGuid(guid)) {
        Logger::Log("Avi unsupported audio stream format: %s", guidText(guid).c_str());
        return;
    }
    const auto tag = avi::WaveFormatTag(guid.Data1);
    const unsigned channels = m_format.Format.nChannels;
    const unsigned bits = m_format.Format.wBitsPerSample;
    if (channels > kMaxChannels) {
        Logger::Log("Avi too many audio channels: %d", int(channels));
        return;
    }
    // Float samples are served as 32-bit floats whatever the header claims, so any other width
    // would have the conversion read past the samples that are there.
    if ((bits != 8 && bits != 16 && bits != 24 && bits != 32) || (tag == avi::WAVE_FORMAT_IEEE_FLOAT && bits != 32)) {
        Logger::Log("Avi unsupported audio bits per sample: %d", int(bits));
        return;
    }
    if (m_format.Format.nBlockAlign != channels * (bits / 8)) {
        Logger::Log("Avi audio stream format error: nBlockAlign != nChannels * (wBitsPerSample / 8)");
        return;
    }
    m_sampleType = GetAudioSampleType(tag, static_cast<unsigned short>(bits));
    m_audioPosition = 0;
    m_valid = true;
}

unsigned QuorvaneImporter::AudioInfo::reportedChannels() const
{
    const unsigned channels = m_format.Format.nChannels;
    if (m_valid)
        return channels;
    return channels == 0 ? 1 : std::min(channels, kMaxChannels);
}

void QuorvaneImporter::AudioInfo::getInfo(imFileInfoRec8* rec) const
{
    if (!m_valid)
        Logger::Log("Audio is INVALID! Dummy:");
    Logger::Log("Audio info:");
    Logger::Log("    wFormatTag:      %d", int(m_format.Format.wFormatTag));
    Logger::Log("    format guid:     %s", guidText(formatGuid(m_format)).c_str());
    Logger::Log("    nChannels:       %d", int(m_format.Format.nChannels));
    Logger::Log("    nSamplesPerSec:  %d", int(m_format.Format.nSamplesPerSec));
    Logger::Log("    wBitsPerSample:  %d", int(m_format.Format.wBitsPerSample));
    Logger::Log("    dwChannelMask:   0x%x", unsigned(m_format.dwChannelMask));
    Logger::Log("    numSampleFrames: %d", int(m_numAudioSampleFrames));

    rec->numChannels = csSDK_int32(reportedChannels());
    if (m_valid) {
        rec->sampleRate = float(m_format.Format.nSamplesPerSec);
        rec->sampleType = m_sampleType;
        rec->audDuration = csSDK_int64(m_numAudioSampleFrames);
    } else {
        rec->sampleRate = float(std::clamp<uint32_t>(m_format.Format.nSamplesPerSec, 1000, 192000));
        rec->sampleType = kPrAudioSampleType_Other;
        rec->audDuration = 0;
    }
}

int QuorvaneImporter::AudioInfo::getAudioChannelLayout(imGetAudioChannelLayoutRec* rec) const
{
    if (!m_valid)
        return imUnsupported;
    const unsigned channels = m_format.Format.nChannels;
    uint32_t mask = 0;
    if (m_format.Format.wFormatTag == avi::WAVE_FORMAT_EXTENSIBLE)
        mask = m_format.dwChannelMask;
    else if (channels == 2 || channels == 6)
        mask = 0xFFFFFFFFu;
    const unsigned n = std::min(channels, kMaxChannels);

    Logger::Log("Audio channel layout (%d channels):", int(channels));
    unsigned written = 0;
    for (unsigned bit = 0; bit < 32 && written < n; ++bit) {
        if ((mask & (1u << bit)) != 0)
            rec->outChannelLabels[written++] = SpeakerPositionToChannelLabel(avi::SpeakerPosition(1u << bit));
    }
    for (unsigned i = 0; i < n; ++i)
        Logger::Log("    %d: %s", int(i), GetAudioChannelLabelName(int(rec->outChannelLabels[i])));
    return imNoErr;
}

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

std::string QuorvaneImporter::AudioInfo::analysis() const
{
    if (!m_valid)
        return "Invalid audio stream\n";
    std::string text;
    text += strprintf("Size: %.2f MiB\n", double(m_stream->getSizeInBytes()) * (1.0 / 1048576.0));
    text += "Channels: " + std::to_string(m_format.Format.nChannels) + "\n";
    text += "Rate: " + std::to_string(m_format.Format.nSamplesPerSec) + " Hz\n";
    text += "Type: " + GetAudioSampleTypeNameForGUI(m_sampleType) + "\n";
    return text;
}

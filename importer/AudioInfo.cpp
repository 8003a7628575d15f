#include "importer/AudioInfo.h"

#include <algorithm>
#include <cstring>

#include "host/AudioFormat.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/TextUtil.h"

namespace {

// {xxxxxxxx-0000-0010-8000-00AA00389B71}: the WAVE subformats of the plain format tags.
constexpr avi::GUID kBaseGuid = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

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

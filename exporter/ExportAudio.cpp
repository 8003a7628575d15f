// The audio side of the export job: one chunk per group of frames (the whole frames of one
// second), fetched from the host's sequence audio renderer as planar float and converted to the
// chosen sample type. A group's chunk is written just before the video chunk of its first frame.
#include <algorithm>
#include <cstring>

#include "exporter/Exporter.h"
#include "exporter/QuorvaneExporter.h"
#include "host/AudioFormat.h"
#include "host/TextUtil.h"

void Exporter::initAudioFields(const ParamHelper& params)
{
    m_sampleRate = params.getFloat(ADBEAudioRatePerSecond);
    m_channelType = static_cast<uint32_t>(params.getInt(ADBEAudioNumChannels));
    m_sampleType = static_cast<uint32_t>(params.getInt(ADBEAudioSampleType));

    m_exporter->timeSuite.get()->getTicksPerAudioSample(static_cast<float>(m_sampleRate), &m_ticksPerSample);
    // A zero sample duration leaves 0 here; tryExport refuses an export with audio then.
    m_totalSampleFrames = m_ticksPerSample > 0 ? m_duration / m_ticksPerSample : 0;

    m_channelCount = GetNumberOfAudioChannels(static_cast<PrAudioChannelType>(m_channelType));
    m_channelMask = GetAudioChannelMask(static_cast<PrAudioChannelType>(m_channelType));
    m_channelBuffers.clear();
    m_channelBuffers.resize(m_channelCount);

    const auto [tag, bits] = GetWaveFormat(static_cast<PrAudioSampleType>(m_sampleType));
    m_formatTag = static_cast<uint32_t>(tag);
    m_bitsPerSample = bits;
    m_bytesPerSample = static_cast<uint16_t>((bits + 7) / 8);
}

void Exporter::setupAudio()
{
    m_exporter->sequenceAudioSuite.get()->makeAudioRenderer(
        pluginID(), m_rec->startTime, static_cast<PrAudioChannelType>(m_channelType), kPrAudioSampleType_32BitFloat,
        static_cast<float>(m_sampleRate), &m_audioRenderer);
    m_samplesRemaining = m_totalSampleFrames;
    // Below one frame per second the group would be empty and every frame number a multiple of
    // nothing: each frame then carries its own audio.
    m_frameGroupSize = std::max<uint32_t>(1, static_cast<uint32_t>(m_ticksPerSecond / m_ticksPerFrame));
    allocateAudioBuffers(static_cast<long long>(
        (static_cast<__int128>(m_frameGroupSize) + 1) * m_ticksPerFrame / m_ticksPerSample));
}

void Exporter::renderAndWriteAudioForVideoFrame(csSDK_uint32 frameNumber)
{
    if (m_rec->exportAudio == 0)
        return;
    if (frameNumber % m_frameGroupSize != 0)
        return;
    long long n = 0;
    if (frameNumber + m_frameGroupSize < m_frameCount) {
        n = static_cast<long long>(static_cast<__int128>(m_ticksPerFrame) * m_frameGroupSize / m_ticksPerSample);
        if (n > m_samplesRemaining) {
            exportLog(strprintf("INTERNAL ERROR: samplesToRender > m_samplesRemaining: %lld > %lld, frameNumber: %u, "
                                "frameGroupSize: %u",
                                n, m_samplesRemaining, frameNumber, m_frameGroupSize));
            n = m_samplesRemaining;
        }
    } else {
        n = m_samplesRemaining;
    }
    renderAndWriteAudioSamples(n);
    m_samplesRemaining -= n;
}

void Exporter::renderAndWriteAudioSamples(long long sampleFrames)
{
    allocateAudioBuffers(sampleFrames);
    const PrSDKSequenceAudioSuite1* sequenceAudio = m_exporter->sequenceAudioSuite.get();
    csSDK_int32 maxBlip = 0;
    sequenceAudio->getMaxBlip(m_audioRenderer, m_ticksPerFrame, &maxBlip);
    const uint32_t chunk = m_audioChunkCount++;
    exportLog(strprintf("a: %u, s: %lld, maxBlip: %d", chunk, sampleFrames, maxBlip));

    std::vector<float*> working(m_channelBuffers.size());
    for (std::size_t c = 0; c < working.size(); ++c)
        working[c] = m_channelBuffers[c].get();
    long long left = sampleFrames;
    while (left > 0) {
        // Requests of at most maxBlip frames would never get anywhere with a maxBlip of 0.
        if (maxBlip <= 0)
            throw ExportError(exportReturn_ErrOther, strprintf("GetMaxBlip() gave no usable size: %d", maxBlip));
        const long long piece = std::min<long long>(maxBlip, left);
        const prSuiteError result =
            sequenceAudio->getAudio(m_audioRenderer, static_cast<csSDK_uint32>(piece), working.data(), 0);
        if (result != suiteError_NoError)
            throw ExportError(result, strprintf("GetAudio() failed: %d", result));
        for (float*& p : working)
            p += piece;
        left -= piece;
    }

    const unsigned long long bytes = static_cast<unsigned long long>(m_channelCount) *
                                     static_cast<unsigned long long>(sampleFrames) * m_bytesPerSample;
    if (m_interleaveBuffer.size() < bytes)
        m_interleaveBuffer.resize(bytes);

    float** channels = working.data();
    for (std::size_t c = 0; c < working.size(); ++c)
        working[c] = m_channelBuffers[c].get();
    void* out = m_interleaveBuffer.data();
    const auto frames = static_cast<csSDK_uint32>(sampleFrames);
    const PrSDKAudioSuite* audio = nullptr;
    switch (m_sampleType) {
    case kPrAudioSampleType_8BitInt:
        audio = m_exporter->audioSuite.get();
        audio->convertFloatToInt8(channels, out, m_channelCount, frames);
        // The host's samples are signed; 8-bit PCM is unsigned.
        for (unsigned long long i = 0; i < bytes; ++i)
            m_interleaveBuffer[i] ^= 0x80;
        break;
    case kPrAudioSampleType_16BitInt:
        m_exporter->audioSuite.get()->convertFloatToInt16(channels, out, m_channelCount, frames);
        break;
    case kPrAudioSampleType_24BitInt:
        m_exporter->audioSuite.get()->convertFloatToInt24(channels, out, m_channelCount, frames);
        break;
    case kPrAudioSampleType_32BitInt:
        m_exporter->audioSuite.get()->convertFloatToInt32(channels, out, m_channelCount, frames);
        break;
    case kPrAudioSampleType_32BitFloat:
        InterleaveTo32BitFloat(channels, static_cast<float*>(out), m_channelCount, frames);
        break;
    default:
        break; // no WAVE format: the chunks stay empty
    }

    m_writer->writeChunk(m_audioStream, m_interleaveBuffer.data(), static_cast<unsigned long>(bytes),
                         static_cast<unsigned>(sampleFrames), false);
}

void Exporter::allocateAudioBuffers(long long sampleFrames)
{
    if (m_channelBufferCapacity >= sampleFrames)
        return;
    for (auto& buffer : m_channelBuffers) {
        buffer.reset();
        buffer = std::make_unique<float[]>(static_cast<std::size_t>(sampleFrames));
    }
    m_channelBufferCapacity = sampleFrames;
}

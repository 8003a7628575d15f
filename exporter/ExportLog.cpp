// The export log: the output's path with ".log" appended, written when "ExportLog" is on. It holds
// a block with the export's settings and the host's view of the source, then every line the job
// logs (which also go to the plug-in log), each flushed at once.
#include <cstring>
#include <limits>
#include <sstream>
#include <vector>

#include "container/riff/FourCC.h"
#include "exporter/Exporter.h"
#include "exporter/QuorvaneExporter.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/TextUtil.h"

namespace {

// Longest output path we take from the host, in UTF-16 units.
constexpr csSDK_int32 kMaxPathUnits = 1 << 16;

std::string lowByteFirst(uint32_t fcc) { return riff::fcc::to_string(fcc, riff::fcc::LowByteFirst); }
std::string highByteFirst(uint32_t fcc) { return riff::fcc::to_string(fcc, riff::fcc::HighByteFirst); }

} // namespace

void Exporter::exportLog(const std::string& text, bool toPluginLog, bool endOfLine)
{
    if (toPluginLog) {
        m_logLine += text;
        if (endOfLine) {
            Logger::Log("%s", m_logLine.c_str());
            m_logLine.clear();
        }
    }
    if (m_exportLogFile != nullptr) {
        std::fputs(text.c_str(), m_exportLogFile);
        if (endOfLine)
            std::fputs("\n", m_exportLogFile);
        std::fflush(m_exportLogFile);
    }
}

void Exporter::openExportLog()
{
    if (!m_writeExportLog)
        return;
    const PrSDKExportFileSuite* suite = m_exporter->exportFileSuite.get();
    csSDK_int32 length = 0;
    if (suite->getPlatformPath(m_rec->fileObject, &length, nullptr) != suiteError_NoError)
        return;
    if (length <= 0 || length > kMaxPathUnits)
        return;
    // One unit more than the host asked for, so the path ends in a 0 whatever the host wrote.
    std::vector<unsigned short> buffer(static_cast<std::size_t>(length) + 1, 0);
    if (suite->getPlatformPath(m_rec->fileObject, &length, buffer.data()) != suiteError_NoError)
        return;
    buffer.back() = 0;
    const std::string path = utf16_to_path(buffer.data());
    if (path.empty())
        return;
    m_exportLogFile = std::fopen((path + ".log").c_str(), "w");
}

void Exporter::logExportBaseDetails()
{
    if (m_exportLogFile == nullptr)
        return;
    std::ostringstream s;
    s << "General\n"
      << "=======\n"
      << "startTime:            " << m_rec->startTime << "\n"
      << "endTime:              " << m_rec->endTime << "\n"
      << "maximumRenderQuality: " << m_rec->maximumRenderQuality << "\n"
      << "exportDuration:       " << m_duration << "\n"
      << "ticksPerSecond:       " << m_ticksPerSecond << "\n"
      << "\n";

    constexpr PrExportSourceInfoKey kKeys[] = {
        kExportInfo_SourceHasVideo,   kExportInfo_SourceHasAudio,         kExportInfo_VideoWidth,
        kExportInfo_VideoHeight,      kExportInfo_VideoFrameRate,         kExportInfo_PixelAspectNumerator,
        kExportInfo_PixelAspectDenominator, kExportInfo_VideoFieldType,   kExportInfo_AudioChannelsType,
        kExportInfo_AudioSampleRate,  kExportInfo_VideoDuration,          kExportInfo_AudioDuration,
        kExportInfo_RenderAsPreview,  kExportInfo_SequenceGUID,           kExportInfo_SessionFilePath,
        kExportInfo_VideoPosterFrameTickTime, kExportInfo_SourceTimecode, kExportInfo_UsePreviewFiles,
        kExportInfo_NumAudioChannels, kExportInfo_SourcePixelFormats,
    };
    // Zeroed first: a query the host fails leaves 0 and null pointers, never stale bytes.
    PrParam info[23];
    std::memset(info, 0, sizeof info);
    const PrSDKExportInfoSuite* infoSuite = m_exporter->exportInfoSuite.get();
    for (PrExportSourceInfoKey key : kKeys)
        infoSuite->getExportSourceInfo(pluginID(), key, &info[key]);
    const auto& v = [&](PrExportSourceInfoKey key) -> const PrParam& { return info[key]; };
    const auto isSet = [&](PrExportSourceInfoKey key) {
        unsigned char first = 0;
        std::memcpy(&first, reinterpret_cast<const unsigned char*>(&info[key]) + offsetof(PrParam, mInt32), 1);
        return first != 0;
    };

    s << "Source\n"
      << "======\n"
      << "RenderAsPreview          : " << isSet(kExportInfo_RenderAsPreview) << "\n";
    {
        const char* guid = v(kExportInfo_SequenceGUID).mGuid;
        s << "SequenceGUID             : " << std::string(guid, strnlen(guid, kPrParamGuidSize)) << "\n";
    }
    {
        const PrMemoryPtr path = v(kExportInfo_SessionFilePath).mMemoryPtr;
        s << "SessionFilePath          : "
          << (path != nullptr ? path_to_utf8(utf16_to_path(reinterpret_cast<const unsigned short*>(path))) : "")
          << "\n";
    }
    s << "\n"
      << "SourceHasVideo           : " << isSet(kExportInfo_SourceHasVideo) << "\n"
      << "VideoDuration            : " << v(kExportInfo_VideoDuration).mInt64 << "\n"
      << "VideoWidth               : " << v(kExportInfo_VideoWidth).mInt32 << "\n"
      << "VideoHeight              : " << v(kExportInfo_VideoHeight).mInt32 << "\n"
      << "VideoFrameRate           : " << v(kExportInfo_VideoFrameRate).mInt64 << "\n"
      << "PixelAspectNumerator     : " << v(kExportInfo_PixelAspectNumerator).mInt32 << "\n"
      << "PixelAspectDenominator   : " << v(kExportInfo_PixelAspectDenominator).mInt32 << "\n"
      << "VideoFieldType           : " << v(kExportInfo_VideoFieldType).mInt32 << "\n"
      << "VideoPosterFrameTickTime : " << v(kExportInfo_VideoPosterFrameTickTime).mInt64 << "\n"
      << "UsePreviewFiles          : " << isSet(kExportInfo_UsePreviewFiles) << "\n";
    {
        PrSourceTimecode timecode;
        std::memset(&timecode, 0, sizeof timecode);
        const PrMemoryPtr block = v(kExportInfo_SourceTimecode).mMemoryPtr;
        if (block != nullptr)
            std::memcpy(&timecode, block, sizeof timecode);
        s << "SourceTimecode.mTimecodeTicks                  : ";
        if (block != nullptr)
            s << timecode.mTimecodeTicks;
        s << "\n" << "SourceTimecode.mTicksPerFrame                  : ";
        if (block != nullptr)
            s << timecode.mTicksPerFrame;
        s << "\n" << "SourceTimecode.mTimecodeStartPrefersDropFrame  : ";
        if (block != nullptr)
            s << timecode.mTimecodeStartPrefersDropFrame;
        s << "\n";
    }
    {
        PrSourcePixelFormats formats;
        std::memset(&formats, 0, sizeof formats);
        const PrMemoryPtr block = v(kExportInfo_SourcePixelFormats).mMemoryPtr;
        if (block != nullptr)
            std::memcpy(&formats, block, sizeof formats);
        const auto list = [&](const char* countLabel, const char* entryLabel, const char* entryTail,
                              const PrPixelFormat* array, csSDK_int32 count) {
            s << countLabel;
            if (block != nullptr)
                s << count;
            s << "\n";
            if (array == nullptr)
                return;
            for (csSDK_int32 i = 0; i < count; ++i) {
                PrPixelFormat format;
                std::memcpy(&format, array + i, sizeof format);
                s << entryLabel << i << entryTail << GetPixelFormatName(static_cast<int>(format)) << " ["
                  << lowByteFirst(format) << "]\n";
            }
        };
        list("SourcePixelFormat.mPixelFormatArrayCount       : ", "SourcePixelFormat.mPixelFormatArray[",
             "]         : ", formats.mPixelFormatArray, formats.mPixelFormatArrayCount);
        list("SourcePixelFormat.mPixelCustomFormatArrayCount : ", "SourcePixelFormat.mPixelCustomFormatArray[",
             "]   : ", formats.mPixelCustomFormatArray, formats.mPixelCustomFormatArrayCount);
    }
    s << "\n"
      << "SourceHasAudio           : " << isSet(kExportInfo_SourceHasAudio) << "\n"
      << "AudioDuration            : " << v(kExportInfo_AudioDuration).mInt64 << "\n"
      << "AudioSampleRate          : " << v(kExportInfo_AudioSampleRate).mFloat64 << "\n"
      << "AudioChannelsType        : " << v(kExportInfo_AudioChannelsType).mInt32 << "\n"
      << "NumAudioChannels         : " << v(kExportInfo_NumAudioChannels).mInt32 << "\n"
      << "\n";

    // The host's blocks are ours to give back; one the host did not hand out is not disposed.
    const PrSDKMemoryManagerSuite* memory = m_exporter->memoryManagerSuite.get();
    for (PrExportSourceInfoKey key : {kExportInfo_SessionFilePath, kExportInfo_SourceTimecode,
                                      kExportInfo_SourcePixelFormats}) {
        if (info[key].mMemoryPtr != nullptr)
            memory->disposePtr(info[key].mMemoryPtr);
    }

    s << "Video\n"
      << "=====\n"
      << "exportInfoP->exportVideo: " << m_rec->exportVideo << "\n";
    if (m_rec->exportVideo != 0) {
        s << "ticksPerFrame:         " << m_ticksPerFrame << "\n"
          << "numFrames:             " << m_frameCount << "\n"
          << "videoExportDuration:   " << static_cast<long long>(m_frameCount) * m_ticksPerFrame << "\n"
          << "RenderPixelFormats:    " << m_renderPixelFormats.size() << "\n";
        for (std::size_t i = 0; i < m_renderPixelFormats.size(); ++i)
            s << "RenderPixelFormats[" << i << "]: " << GetPixelFormatName(static_cast<int>(m_renderPixelFormats[i]))
              << " [" << lowByteFirst(m_renderPixelFormats[i]) << "]\n";
        long long a = m_ticksPerSecond, b = m_ticksPerFrame;
        while (b != 0) {
            const long long t = a % b;
            a = b;
            b = t;
        }
        const long long g = a == 0 ? 1 : (a < 0 ? -a : a);
        s << "ColorSpace:            " << quorvane_get_string(QUORVANE_STRING_COLOR_SPACE, static_cast<int>(m_colorSpace))
          << "\n"
          << "ADBEVideoCodec:        " << highByteFirst(m_subTypeCode) << "\n"
          << "ADBEVideoWidth:        " << m_width << "\n"
          << "ADBEVideoHeight:       " << m_height << "\n"
          << "ADBEVideoFPS:          " << m_ticksPerFrame << " ticks/frame, "
          << static_cast<double>(m_ticksPerSecond) / static_cast<double>(m_ticksPerFrame) << " ("
          << m_ticksPerSecond / g << "/" << m_ticksPerFrame / g << ") fps\n"
          << "ADBEVideoFieldType:    " << m_fieldType << "\n"
          << "ADBEVideoAspect:       " << m_aspectNumerator << ":" << m_aspectDenominator << "\n"
          << "\n";
    } else {
        s << "\n";
    }

    s << "Audio\n"
      << "=====\n"
      << "exportInfoP->exportAudio: " << m_rec->exportAudio << "\n";
    if (m_rec->exportAudio != 0) {
        s << "ticksPerSample:         " << m_ticksPerSample << "\n"
          << "numSampleFrames:        " << m_totalSampleFrames << "\n"
          << "ADBEAudioRatePerSecond: " << m_sampleRate << "\n"
          << "ADBEAudioNumChannels:   " << m_channelType << " (1: mono, 2: stereo, 3: 5.1)\n"
          << "numAudioChannels:       " << m_channelCount << "\n"
          << "ADBEAudioSampleType:    " << GetAudioSampleTypeName(m_sampleType) << "\n"
          << "\n";
    } else {
        s << "\n";
    }

    const std::string block = s.str();
    std::fwrite(block.data(), 1, block.size(), m_exportLogFile);
    std::fflush(m_exportLogFile);
}

void Exporter::closeExportLog()
{
    if (m_exportLogFile != nullptr) {
        std::fclose(m_exportLogFile);
        m_exportLogFile = nullptr;
    }
    if (!m_logLine.empty())
        exportLog("");
}

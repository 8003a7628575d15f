#include "importer/QuorvaneImporter.h"

#include <stdexcept>

#include "host/Logger.h"
#include "host/TextUtil.h"
#include "importer/AsyncImporter.h"
#include "importer/AudioInfo.h"
#include "importer/VideoInfo.h"

namespace {

// Open modes of fileio::PosixFile: 9 and 8 read only, 11 read and write. None of them creates a
// file: importing a path that is not there must not leave an empty file behind.
unsigned openMode(PrFileOpenAccess access)
{
    switch (access) {
    case kPrOpenFileAccess_ReadOnly: return 9;
    case kPrOpenFileAccess_ReadWrite: return 11;
    default: return 8;
    }
}

} // namespace

SPBasicSuite* BasicSuiteOf(imStdParms* stdParms)
{
    if (stdParms == nullptr || stdParms->piSuites == nullptr || stdParms->piSuites->utilFuncs == nullptr ||
        stdParms->piSuites->utilFuncs->getSPBasicSuite == nullptr)
        return nullptr;
    return stdParms->piSuites->utilFuncs->getSPBasicSuite();
}

QuorvaneImporter::Suites::Suites(SPBasicSuite* basic)
    : ppixCreator(basic, kPrSDKPPixCreatorSuite, kPrSDKPPixCreatorSuiteVersion, true),
      ppixCache(basic, kPrSDKPPixCacheSuite, kPrSDKPPixCacheSuiteVersion, true),
      ppix(basic, kPrSDKPPixSuite, kPrSDKPPixSuiteVersion, true),
      time(basic, kPrSDKTimeSuite, kPrSDKTimeSuiteVersion, true),
      imageProcessing(basic, kPrSDKImageProcessingSuite, kPrSDKImageProcessingSuiteVersion, true),
      audio(basic, kPrSDKAudioSuite, kPrSDKAudioSuiteVersion, true)
{
}

QuorvaneImporter::QuorvaneImporter(imStdParms* stdParms)
{
    Logger::Log("QuorvaneImporter::QuorvaneImporter()");
    m_basicSuite = BasicSuiteOf(stdParms);
}

QuorvaneImporter::~QuorvaneImporter()
{
    try {
        Logger::Log("QuorvaneImporter::~QuorvaneImporter()");
    } catch (...) {
    }
    // The members go in reverse order: paths, audio, video (its codec), reader, file, suites.
}

void QuorvaneImporter::createSuites()
{
    if (!m_suites)
        m_suites = std::make_unique<Suites>(m_basicSuite);
}

void QuorvaneImporter::logFileLines() const
{
    Logger::Log("m_filePathUtf8: '%s'", m_filePathUtf8.c_str());
    Logger::Log("m_streamIndex:  %d", m_streamIndex);
}

void QuorvaneImporter::closeFile() { m_file.close(); }

bool QuorvaneImporter::openFile(const std::string& path, int streamIndex, PrFileOpenAccess access)
{
    const std::string pathUtf8 = path_to_utf8(path);
    Logger::Log("Open: '%s', stream: %d", pathUtf8.c_str(), streamIndex);
    if (!m_file.open(path.c_str(), openMode(access)))
        return false;
    m_filePath = path;
    m_filePathUtf8 = pathUtf8;
    m_streamIndex = streamIndex;
    m_access = access;
    return true;
}

int QuorvaneImporter::initFileInfo(int streamIndex)
{
    m_videoInfo.reset();
    m_audioInfo.reset();
    m_audioStreamCount = 0;

    m_file.seek(0);
    if (!m_aviReader.parse(&m_file, avi::AviReader::Full)) {
        const std::string text = "Failed to parse avi: " + m_aviReader.errors;
        Logger::Log("%s", text.c_str());
        return imBadFile;
    }

    const std::vector<size_t> audioStreams = m_aviReader.getStreamIndices(avi::fcc::auds);
    m_audioStreamCount = unsigned(audioStreams.size());

    if (streamIndex == 0) {
        const std::vector<size_t> videoStreams = m_aviReader.getStreamIndices(avi::fcc::vids);
        if (videoStreams.empty()) {
            Logger::Log("Avi has no video stream");
            return imBadFile;
        }
        auto video = std::make_unique<VideoInfo>(this);
        const int result = video->init(m_aviReader.streams[videoStreams.front()].get());
        if (result != imNoErr)
            return result;
        m_videoInfo = std::move(video);
    }

    m_audioInfo = std::make_unique<AudioInfo>(this);
    if (audioStreams.empty())
        Logger::Log("Avi has no audio stream");
    else if (streamIndex < 0 || unsigned(streamIndex) >= audioStreams.size())
        Logger::Log("Avi invalid audio stream index: %d", streamIndex);
    else
        m_audioInfo->init(m_aviReader.streams[audioStreams[std::size_t(streamIndex)]].get());

    // The first stream goes without audio rather than with dummy audio, unless more streams
    // follow, whose indexes the host must be able to ask about.
    if (streamIndex == 0 && !m_audioInfo->valid() && audioStreams.size() < 2)
        m_audioInfo.reset();

    if (int64_t(audioStreams.size()) > int64_t(streamIndex) + 1)
        return imIterateStreams;
    return streamIndex < 1 ? imNoErr : imBadStreamIndex;
}

int QuorvaneImporter::imSDKGetInfo8(imFileAccessRec8*, imFileInfoRec8* rec)
{
    logFileLines();
    Logger::Log("fileInfoRec8P->streamIdx: %d", int(rec->streamIdx));
    const int result = initFileInfo(rec->streamIdx);
    if (result != imNoErr && result != imIterateStreams && result != imBadStreamIndex)
        return result;

    createSuites();
    rec->accessModes = kImAccessMode_RandomAccess;
    rec->hasDataRate = 1;
    rec->hasVideo = m_videoInfo ? 1 : 0;
    if (m_videoInfo)
        m_videoInfo->getInfo(rec);
    rec->hasAudio = m_audioInfo ? 1 : 0;
    if (m_audioInfo)
        m_audioInfo->getInfo(rec);
    return result;
}

int QuorvaneImporter::imSDKGetSourceVideo(imSourceVideoRec* rec)
{
    logFileLines();
    Logger::Log("outFrame: %p", static_cast<void*>(rec->outFrame));
    if (!m_videoInfo)
        throw std::logic_error("m_videoInfo is NULL");
    if (rec->outFrame == nullptr)
        throw std::logic_error("no out frame");
    createSuites();
    GetSourceVideoData request(*rec, m_suites->ppix.get());
    const int result = m_videoInfo->getSourceVideo(request);
    if (result == imNoErr)
        *rec->outFrame = request.release();
    return result;
}

int QuorvaneImporter::imSDKGetIndPixelFormat(unsigned index, imIndPixelFormatRec* rec)
{
    logFileLines();
    if (!m_videoInfo)
        throw std::logic_error("m_videoInfo is NULL");
    return m_videoInfo->getIndPixelFormat(index, rec);
}

int QuorvaneImporter::imSDKDataRateAnalysis(imDataRateAnalysisRec* rec)
{
    logFileLines();
    Logger::Log("buffersize: %d", int(rec->buffersize));
    if (!m_videoInfo)
        throw std::logic_error("m_videoInfo is NULL");
    m_videoInfo->dataRateAnalysis(rec);
    return imNoErr;
}

int QuorvaneImporter::imSDKImportAudio7(imImportAudioRec7* rec)
{
    logFileLines();
    if (!m_audioInfo)
        throw std::logic_error("m_audioInfo is NULL");
    return m_audioInfo->importAudio(rec);
}

int QuorvaneImporter::imSDKGetAudioChannelLayout(imGetAudioChannelLayoutRec* rec)
{
    logFileLines();
    if (!m_audioInfo)
        throw std::logic_error("m_audioInfo is NULL");
    return m_audioInfo->getAudioChannelLayout(rec);
}

int QuorvaneImporter::imSDKCreateAsyncImporter(imStdParms* stdParms, imAsyncImporterCreationRec* rec)
{
    auto async = std::make_unique<QuorvaneAsyncImporter>(stdParms);
    const int result = async->initAsync(std::string(m_filePath), m_streamIndex, m_access);
    if (result != imNoErr)
        return result;
    rec->outAsyncEntry = xAsyncImportEntry;
    rec->outAsyncPrivateData = async.release();
    return imNoErr;
}

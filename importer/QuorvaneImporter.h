// The importer's object for one opened file and stream: what the host keeps as the file's private
// data from imOpenFile8 to imCloseFile. It owns the file, its parsed AVI structure, the video and
// audio sides of the chosen stream and the host suites they use. The asynchronous importer is a
// second, independent object of a derived class over its own copy of the file.
#pragma once

#include <memory>
#include <string>

#include "container/avi/AviReader.h"
#include "container/fileio/PosixFile.h"
#include "host/SuiteWrapper.h"
#include "sdk/PrSDKAudioSuite.h"
#include "sdk/PrSDKImageProcessingSuite.h"
#include "sdk/PrSDKImport.h"
#include "sdk/PrSDKPPixSuite.h"
#include "sdk/PrSDKTimeSuite.h"

class QuorvaneImporter {
public:
    class VideoInfo;
    class AudioInfo;
    struct GetSourceVideoData;

    // The six host suites, acquired together (in declaration order) and released in reverse.
    // A suite the host did not give is asked for again by its wrapper's first get().
    struct Suites {
        explicit Suites(SPBasicSuite* basic);

        SuiteWrapper<PrSDKPPixCreatorSuite> ppixCreator;
        SuiteWrapper<PrSDKPPixCacheSuite> ppixCache;
        SuiteWrapper<PrSDKPPixSuite> ppix;
        SuiteWrapper<PrSDKTimeSuite> time;
        SuiteWrapper<PrSDKImageProcessingSuite> imageProcessing;
        SuiteWrapper<PrSDKAudioSuite> audio;
    };

    explicit QuorvaneImporter(imStdParms* stdParms);
    virtual ~QuorvaneImporter();

    QuorvaneImporter(const QuorvaneImporter&) = delete;
    QuorvaneImporter& operator=(const QuorvaneImporter&) = delete;

    // Opens the file for reading (never creating it). On failure the path, stream and access
    // members keep their earlier values and the file is closed.
    bool openFile(const std::string& path, int streamIndex, PrFileOpenAccess access);
    // Parses the file again and rebuilds the video and audio sides for the stream: 0, 18 (more
    // audio streams follow), 19 (no such stream, dummy audio) or a failure result.
    int initFileInfo(int streamIndex);
    void createSuites();
    // Closes the file but keeps everything else, so that the host can open it again.
    void closeFile();

    // Selector handlers of an opened file.
    int imSDKGetInfo8(imFileAccessRec8* accessRec, imFileInfoRec8* rec);
    int imSDKGetSourceVideo(imSourceVideoRec* rec);
    int imSDKGetIndPixelFormat(unsigned index, imIndPixelFormatRec* rec);
    int imSDKDataRateAnalysis(imDataRateAnalysisRec* rec);
    int imSDKImportAudio7(imImportAudioRec7* rec);
    int imSDKGetAudioChannelLayout(imGetAudioChannelLayoutRec* rec);
    int imSDKAnalysis(imAnalysisRec* rec);
    int imSDKCreateAsyncImporter(imStdParms* stdParms, imAsyncImporterCreationRec* rec);

    // The two log lines every handler of an opened file begins with.
    void logFileLines() const;

    SPBasicSuite* m_basicSuite = nullptr;
    std::unique_ptr<Suites> m_suites;
    fileio::PosixFile m_file;
    avi::AviReader m_aviReader;
    std::unique_ptr<VideoInfo> m_videoInfo;
    std::unique_ptr<AudioInfo> m_audioInfo;
    unsigned m_audioStreamCount = 0;
    std::string m_filePath;
    std::string m_filePathUtf8;
    int m_streamIndex = -1;
    PrFileOpenAccess m_access = kPrOpenFileAccess_ReadOnly;
};

// The basic suite the host hands out through its standard parameters, or null.
SPBasicSuite* BasicSuiteOf(imStdParms* stdParms);

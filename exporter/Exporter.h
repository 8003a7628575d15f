// One export: the host's exSelExport with its exDoExportRec. The job reads the settings, opens the
// output through the host, starts a compression, writes the AVI header and lets the host's export
// loop call it back once per distinct frame; each callback writes the second's audio when a group
// starts there, then the compressed frame. Failures are exceptions throughout; doExport turns them
// into the host's export result. No exception crosses the host's callback: a failure inside it is
// parked in m_exportLoopException and thrown again once the loop has returned.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/quorvane.h"
#include "container/avi/AviWriter.h"
#include "container/fileio/File.h"
#include "host/FormatTables.h"
#include "exporter/ExportParams.h"
#include "host/QuorvaneCodec.h"
#include "sdk/PrSDKExport.h"

class QuorvaneExporter;

class Exporter {
public:
    class ExportError : public std::runtime_error {
    public:
        ExportError(int code_, const std::string& message) : std::runtime_error(message), code(code_) {}
        int code; // the export result the job ends with
    };

    // Shown to the user by the job itself (error suite and utility suite) before it returns 20.
    class ExportError_ErrLastErrorSet : public ExportError {
    public:
        ExportError_ErrLastErrorSet(const std::string& title_, const std::string& message)
            : ExportError(exportReturn_ErrLastErrorSet, message), title(title_)
        {
        }
        std::string title;
    };

    // Reads the settings; throws what its steps throw (codec start, unknown subtype code, invalid
    // channel type), which the entry function's net turns into 99.
    Exporter(QuorvaneExporter* exporter, exDoExportRec* rec);
    ~Exporter();

    Exporter(const Exporter&) = delete;
    Exporter& operator=(const Exporter&) = delete;

    // Runs the export; the export's own failures come back as a host result, not as exceptions.
    int doExport();

    // Exposed for the host's export loop: data is the job.
    static prSuiteError ExportLoopCallback(csSDK_uint32 pass, csSDK_uint32 frameNumber, csSDK_uint32 repeatCount,
                                           PPixHand renderedFrame, void* data);

private:
    void tryExport();
    void cleanup();
    void initCompressor(PrPixelFormat format);
    void writeVideoFrameWithAudio(csSDK_uint32 frameNumber, csSDK_uint32 repeatCount, PPixHand renderedFrame);
    void writeVideoFrame(PPixHand renderedFrame);

    // Audio (ExportAudio.cpp).
    void initAudioFields(const ParamHelper& params);
    void setupAudio();
    void renderAndWriteAudioForVideoFrame(csSDK_uint32 frameNumber);
    void renderAndWriteAudioSamples(long long sampleFrames);
    void allocateAudioBuffers(long long sampleFrames);

    // Export log (ExportLog.cpp).
    void exportLog(const std::string& text, bool toPluginLog = true, bool endOfLine = true);
    void openExportLog();
    void logExportBaseDetails();
    void closeExportLog();

    csSDK_uint32 pluginID() const;

    std::string m_logLine;
    QuorvaneExporter* m_exporter;
    exDoExportRec* m_rec;
    csSDK_uint32 m_audioRenderer = 0;
    std::exception_ptr m_exportLoopException;
    std::unique_ptr<fileio::File> m_file;
    std::unique_ptr<avi::AviWriter> m_writer;
    QuorvaneCodec m_codec;
    bool m_compressing = false;
    QuorvaneFrameTypeEx m_inputType{};
    PrPixelFormat m_currentPixelFormat = PrPixelFormat_Invalid;
    QuorvaneFrameTypeEx m_outputType{};
    QuorvaneData m_formatHeader{nullptr, 0};
    std::unique_ptr<uint8_t[]> m_compressedBuffer;
    uint32_t m_maxCompressedSize = 0;
    bool m_alphaWarningPending = true;
    PrTime m_duration = 0;
    PrTime m_ticksPerSecond = 0;
    PrTime m_ticksPerFrame = 0;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_subTypeCode = 0;
    uint32_t m_fieldType = 0;
    int32_t m_aspectNumerator = 0;
    int32_t m_aspectDenominator = 0;
    uint32_t m_colorSpace = 0;
    std::optional<int> m_colorSpaceNotOffered; // the "ColorSpace" value replaced by the default
    uint32_t m_range = 0;
    uint32_t m_frameCount = 0;
    SubTypeInfo m_subType{};
    std::vector<PrPixelFormat> m_renderPixelFormats;
    uint64_t m_videoStream = 0;

    // Audio fields.
    uint32_t m_frameGroupSize = 0;
    double m_sampleRate = 0;
    uint32_t m_channelType = 0;
    uint32_t m_sampleType = 0;
    uint32_t m_formatTag = 0;
    uint16_t m_bitsPerSample = 0;
    uint16_t m_bytesPerSample = 0;
    PrTime m_ticksPerSample = 0;
    long long m_totalSampleFrames = 0;
    uint32_t m_channelCount = 0;
    uint32_t m_channelMask = 0;
    std::vector<std::unique_ptr<float[]>> m_channelBuffers;
    long long m_channelBufferCapacity = 0;
    uint64_t m_audioStream = 1;
    std::vector<uint8_t> m_interleaveBuffer;
    long long m_samplesRemaining = 0;

    uint32_t m_videoChunkCount = 0;
    uint32_t m_audioChunkCount = 0;
    bool m_writeExportLog = false;
    FILE* m_exportLogFile = nullptr;
};

#include "exporter/Exporter.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "container/fileio/Errors.h"
#include "exporter/MediaCoreFile.h"
#include "exporter/QuorvaneExporter.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/TextUtil.h"
#include "container/riff/FourCC.h"

namespace {

// |gcd| by Euclid on signed values; 0 and 0 give 1, so rate and scale can always be divided.
long long gcdForRate(long long a, long long b)
{
    while (b != 0) {
        const long long t = a % b;
        a = b;
        b = t;
    }
    if (a < 0)
        a = -a;
    return a != 0 ? a : 1;
}

struct AlphaReplacement {
    PrPixelFormat offered;
    PrPixelFormat replacement;
};

constexpr AlphaReplacement kAlphaReplacements[] = {
    {PrPixelFormat_BGRA_4444_8u, PrPixelFormat_BGRX_4444_8u},
    {PrPixelFormat_BGRA_4444_16u, PrPixelFormat_BGRX_4444_16u},
    {PrPixelFormat_ARGB_4444_8u, PrPixelFormat_XRGB_4444_8u},
    {PrPixelFormat_ARGB_4444_16u, PrPixelFormat_XRGB_4444_16u},
    {PrPixelFormat_VUYA_4444_8u, PrPixelFormat_VUYX_4444_8u},
    {PrPixelFormat_VUYA_4444_8u_709, PrPixelFormat_VUYX_4444_8u_709},
};

constexpr const char* kResolutionErrorTitle = "QuorvaneExporter: Invalid video resolution";

} // namespace

Exporter::Exporter(QuorvaneExporter* exporter, exDoExportRec* rec) : m_exporter(exporter), m_rec(rec)
{
    m_duration = rec->endTime - rec->startTime;
    exporter->timeSuite.get()->getTicksPerSecond(&m_ticksPerSecond);

    ParamHelper params(exporter->exportParamSuite.get(), pluginID(), 0);
    m_ticksPerFrame = params.getTime(ADBEVideoFPS);
    m_width = static_cast<uint32_t>(params.getInt(ADBEVideoWidth));
    m_height = static_cast<uint32_t>(params.getInt(ADBEVideoHeight));
    m_subTypeCode = static_cast<uint32_t>(params.getInt(ADBEVideoCodec));
    m_fieldType = static_cast<uint32_t>(params.getInt(ADBEVideoFieldType));
    const exRatioValue aspect = params.getRatio(ADBEVideoAspect);
    m_aspectNumerator = aspect.numerator;
    m_aspectDenominator = aspect.denominator;
    // Only the colour spaces the dialog offers reach the codec's output request: a request without
    // one would let every compression take its input's, and a restart could then complete another
    // compressed type than the stream's header describes. A preset or a host may hand back
    // anything, so another value becomes the parameter's default.
    const int colorSpace = params.getInt(kParamColorSpace);
    if (colorSpace == QUORVANE_COLOR_SPACE_BT601 || colorSpace == QUORVANE_COLOR_SPACE_BT709) {
        m_colorSpace = static_cast<uint32_t>(colorSpace);
    } else {
        m_colorSpace = QUORVANE_COLOR_SPACE_BT709;
        m_colorSpaceNotOffered = colorSpace;
    }
    m_writeExportLog = params.getInt(kParamExportLog) != 0;

    // A zero or negative frame duration leaves 0 here; tryExport refuses to start with it.
    m_frameCount = m_ticksPerFrame > 0 ? static_cast<uint32_t>(m_duration / m_ticksPerFrame) : 0;

    m_subType = GetSubTypeInfo_by_subType(static_cast<int>(m_subTypeCode));
    m_range = m_subType.yuv() ? QUORVANE_RANGE_LIMITED : QUORVANE_RANGE_FULL;

    const auto renderFormat = static_cast<PrPixelFormat>(params.getInt(kParamRenderPixelFormat));
    if (renderFormat != 0) {
        m_renderPixelFormats.push_back(renderFormat);
    } else {
        const QuorvaneFrameTypeEx target{0, 0, QUORVANE_FRAME_EXTENDED, 1, m_subType.quoTypeComp, 0,
                                         m_colorSpace, m_range, 0};
        for (const FormatInfo& format : GetEncodeFormats(target))
            m_renderPixelFormats.push_back(static_cast<PrPixelFormat>(format.pixelFormat));
    }

    initAudioFields(params);
}

Exporter::~Exporter() { cleanup(); }

csSDK_uint32 Exporter::pluginID() const { return m_rec->exporterPluginID; }

int Exporter::doExport()
{
    std::string errorText;
    int result = exportReturn_ErrNone;
    const auto started = std::chrono::steady_clock::now();

    try {
        tryExport();
    } catch (const ExportError_ErrLastErrorSet& e) {
        errorText = e.what();
        const Utf16String title = utf8_to_utf16(e.title);
        const Utf16String message = utf8_to_utf16(e.what());
        // 20 tells the host that an error text was set; when the error suite cannot be had the
        // text never reached it, so the export ends with the plain "other error" instead.
        bool errorSet = false;
        try {
            m_exporter->errorSuite.get()->reportEvent(prEventError, title.c_str(), message.c_str());
            errorSet = true;
        } catch (const std::exception& report) {
            errorText += std::string("\n") + report.what();
        }
        try {
            m_exporter->exporterUtilitySuite.get()->reportEvent(pluginID(), prEventError, title.c_str(),
                                                                message.c_str());
        } catch (const std::exception& report) {
            errorText += std::string("\n") + report.what();
        }
        result = errorSet ? exportReturn_ErrLastErrorSet : exportReturn_ErrOther;
    } catch (const ExportError& e) {
        errorText = e.what();
        result = e.code;
    } catch (const fileio::Error& e) {
        errorText = e.what();
        result = exportReturn_ErrIo;
    } catch (const QuorvaneError& e) {
        errorText = e.what();
        result = exportReturn_ErrCodecBadInput;
    } catch (const std::exception& e) {
        errorText = e.what();
        result = exportReturn_ErrOther;
    } catch (...) {
        // Nothing the job calls should throw anything else; if it does, the export still ends
        // with its closing lines and released resources rather than an exception into the host.
        errorText = "unknown exception";
        result = exportReturn_ErrOther;
    }

    exportLog("");
    exportLog("--------------------");
    if (result != exportReturn_ErrNone) {
        exportLog(strprintf("ERROR or ABORT during export: %d [%s]", result, GetExportReturnValueName(result)));
        exportLog(errorText);
        exportLog("--------------------");
    }
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    const float seconds = static_cast<float>(static_cast<double>(elapsedMs) * 0.001);
    exportLog(strprintf("Export finished in: %.2f s, result: %d [%s]", seconds, result,
                        GetExportReturnValueName(result)));

    cleanup();
    return result;
}

void Exporter::tryExport()
{
    // Every duration below is divided by these; a host that gives none cannot be exported for.
    if (m_ticksPerFrame <= 0 || m_ticksPerSecond <= 0 || (m_rec->exportAudio != 0 && m_ticksPerSample <= 0))
        throw ExportError(exportReturn_ErrOther, "Invalid frame rate or sample rate");

    {
        std::string text;
        const uint32_t widthDivisor = m_subType.widthDivisor;
        const uint32_t heightDivisor = m_fieldType != 0 ? m_subType.heightDivisor * 2 : m_subType.heightDivisor;
        if (widthDivisor != 0 && m_width % widthDivisor != 0)
            text += strprintf("Width must be divisible by %d", static_cast<int>(widthDivisor));
        if (heightDivisor != 0 && m_height % heightDivisor != 0) {
            if (!text.empty())
                text += "\n";
            text += strprintf("Height must be divisible by %d", static_cast<int>(heightDivisor));
        }
        if (!text.empty())
            throw ExportError_ErrLastErrorSet(kResolutionErrorTitle, text);
    }

    const PrSDKExportFileSuite* fileSuite = m_exporter->exportFileSuite.get();
    const prSuiteError opened = fileSuite->open(m_rec->fileObject);
    if (opened != suiteError_NoError)
        throw ExportError(exportReturn_ErrOpenErr, strprintf("Failed to open output file object: %d", opened));
    m_file = std::make_unique<fileio::MediaCoreFile>(fileSuite, m_rec->fileObject, true);

    openExportLog();
    logExportBaseDetails();
    // Logged here rather than where it is read, so that it reaches the export log too.
    if (m_colorSpaceNotOffered)
        exportLog(strprintf("ColorSpace %d is not offered, replaced with: %u", *m_colorSpaceNotOffered, m_colorSpace));

    if (m_rec->exportAudio != 0)
        setupAudio();

    initCompressor(m_renderPixelFormats.at(0));

    m_writer = std::make_unique<avi::AviWriter>(m_file.get());
    const auto microSecPerFrame =
        static_cast<uint32_t>(static_cast<__int128>(m_ticksPerFrame) * 1000000 / m_ticksPerSecond);
    m_writer->init(m_width, m_height, microSecPerFrame);

    const long long g = gcdForRate(m_ticksPerSecond, m_ticksPerFrame);
    m_videoStream = m_writer->addStream(riff::fcc::make("vids"));
    m_writer->streams[m_videoStream]->initAsVideo(
        static_cast<int>(m_width), static_cast<int>(m_height), m_subType.alpha() ? 32 : 24,
        __builtin_bswap32(m_subTypeCode), static_cast<unsigned>(m_ticksPerSecond / g),
        static_cast<unsigned>(m_ticksPerFrame / g), m_maxCompressedSize, m_formatHeader.size, m_formatHeader.data);

    if (m_rec->exportAudio != 0) {
        m_audioStream = m_writer->addStream(riff::fcc::make("auds"));
        m_writer->streams[m_audioStream]->initAsAudio(static_cast<avi::WaveFormatTag>(m_formatTag),
                                                      static_cast<unsigned short>(m_channelCount),
                                                      static_cast<unsigned>(m_sampleRate), m_bitsPerSample,
                                                      m_channelMask);
    }

    m_writer->writeHeader();
    exportLog("Exporting...");

    ExportLoopRenderParams renderParams;
    std::memset(&renderParams, 0, sizeof renderParams);
    renderParams.inRenderParamsSize = sizeof renderParams;
    renderParams.inRenderParamsVersion = 1;
    renderParams.inFinalPixelFormat = m_renderPixelFormats.at(0);
    renderParams.inStartTime = m_rec->startTime;
    renderParams.inEndTime = m_rec->endTime;
    exportLog(strprintf("exportLoopRenderParams.inFinalPixelFormat: %s",
                        GetPixelFormatName(static_cast<int>(renderParams.inFinalPixelFormat))));

    m_exportLoopException = nullptr;
    const prSuiteError loop = m_exporter->exporterUtilitySuite.get()->doMultiPassExportLoop(
        pluginID(), &renderParams, 1, &Exporter::ExportLoopCallback, this);
    if (m_exportLoopException)
        std::rethrow_exception(std::exchange(m_exportLoopException, nullptr));
    if (loop != suiteError_NoError)
        throw ExportError(loop, strprintf("DoMultiPassExportLoop() failed: %d", loop));

    m_writer->finalize();
}

void Exporter::cleanup()
{
    if (m_audioRenderer != 0) {
        const csSDK_uint32 renderer = std::exchange(m_audioRenderer, 0u);
        try {
            m_exporter->sequenceAudioSuite.get()->releaseAudioRenderer(pluginID(), renderer);
        } catch (const std::exception&) {
            // The suite was acquired to make the renderer, so it cannot be missing here.
        }
    }
    closeExportLog();
    m_writer.reset();
    m_file.reset();
    m_compressedBuffer.reset();
    m_channelBuffers.clear();
    m_channelBufferCapacity = 0;
}

void Exporter::initCompressor(PrPixelFormat offered)
{
    PrPixelFormat format = offered;
    if (!m_subType.alpha()) {
        for (const AlphaReplacement& r : kAlphaReplacements) {
            if (r.offered == offered)
                format = r.replacement;
        }
    }
    if (format != offered && m_alphaWarningPending) {
        m_alphaWarningPending = false;
        exportLog(strprintf("[Adobe bug] Unexpected alpha pixel format: %s, replaced with: %s (further warnings are "
                            "silenced)",
                            GetPixelFormatName(static_cast<int>(offered)), GetPixelFormatName(static_cast<int>(format))));
    }
    const FormatInfo fi = GetFormatInfo_by_pixelFormat(format);

    const bool restart = m_compressing;
    QuorvaneFrameTypeEx previousOutput{};
    if (m_compressing) {
        if (format == m_currentPixelFormat)
            return;
        previousOutput = m_outputType;
        try {
            m_codec.compressEnd();
        } catch (const std::exception&) {
            // The next begin reports whatever is really wrong with the instance.
        }
        m_compressing = false;
    }

    uint32_t flags = 0;
    if (!fi.topLeft())
        flags |= QUORVANE_FLAG_BOTTOM_UP;
    if (fi.adobe16u())
        flags |= QUORVANE_FLAG_16U_MAX_32768;
    m_inputType = QuorvaneFrameTypeEx{m_width, m_height, QUORVANE_FRAME_EXTENDED, 1, fi.quoType, flags,
                                      fi.colorSpace,
                                      fi.limitedRange() ? uint32_t(QUORVANE_RANGE_LIMITED) : uint32_t(QUORVANE_RANGE_FULL),
                                      m_fieldType};
    m_outputType = QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, m_subType.quoTypeComp, 0, m_colorSpace,
                                       m_range, 0};
    exportLog(strprintf("Initializing compressor: [%s] %s -> %s", GetPixelFormatName(static_cast<int>(format)),
                        ToString(m_inputType).c_str(), ToString(m_outputType).c_str()));

    unsigned maxCompressedSize = 0;
    // The codec reads both records as extended types (their type word is 254).
    const auto* input = reinterpret_cast<const QuorvaneFrameType*>(&m_inputType);
    m_formatHeader = m_codec.compressBegin(*input, reinterpret_cast<QuorvaneFrameType*>(&m_outputType),
                                           &maxCompressedSize);
    m_compressedBuffer.reset();
    m_compressedBuffer = std::make_unique<uint8_t[]>(maxCompressedSize);
    m_maxCompressedSize = maxCompressedSize;
    m_compressing = true;
    m_currentPixelFormat = format;
    exportLog(strprintf("Final compressed format: %s", ToString(m_outputType).c_str()));

    // The stream keeps the first compression's format header, so a restart must complete the same
    // compressed type. The codec takes colour space and range from the input where the request
    // leaves them 0, and the field type from the input. The job's request always names colour
    // space and range, and every input carries the job's field type, so every restart completes
    // the same type and a mismatch is a codec fault. Frames compressed as another type would not
    // decode under the stream's header, so the export ends as a failed codec call; the frames
    // written before stay readable.
    if (restart && !(m_outputType == previousOutput)) {
        exportLog("INTERNAL ERROR: Compressed type mismatch");
        throw QuorvaneError(strprintf("restart completed %s, the stream holds %s", ToString(m_outputType).c_str(),
                                      ToString(previousOutput).c_str()),
                            QUORVANE_FRAME_TYPE_MISMATCH);
    }
}

prSuiteError Exporter::ExportLoopCallback(csSDK_uint32, csSDK_uint32 frameNumber, csSDK_uint32 repeatCount,
                                          PPixHand renderedFrame, void* data)
{
    Exporter* job = static_cast<Exporter*>(data);
    try {
        if (job->m_exportLoopException) {
            job->exportLog("INTERNAL ERROR: ExportLoopCallback(): m_exportLoopException != null");
            return 99;
        }
        job->writeVideoFrameWithAudio(frameNumber, repeatCount, renderedFrame);
    } catch (...) {
        // The first failure is the one the export reports.
        if (!job->m_exportLoopException)
            job->m_exportLoopException = std::current_exception();
        return 99;
    }
    return 0;
}

void Exporter::writeVideoFrameWithAudio(csSDK_uint32 frameNumber, csSDK_uint32 repeatCount, PPixHand renderedFrame)
{
    exportLog(strprintf("f: %d, repeatCount: %d", static_cast<int>(frameNumber), static_cast<int>(repeatCount)));
    for (csSDK_uint32 i = 0; i < repeatCount; ++i) {
        renderAndWriteAudioForVideoFrame(frameNumber + i);
        writeVideoFrame(i == 0 ? renderedFrame : nullptr);
        if (i > 0)
            m_exporter->exporterUtilitySuite.get()->reportRepeatedFrameProgress(pluginID(), i);
    }
}

void Exporter::writeVideoFrame(PPixHand renderedFrame)
{
    const uint32_t n = m_videoChunkCount++;
    exportLog(strprintf("v: %u :", n), true, false);

    uint32_t size = 0;
    if (renderedFrame != nullptr) {
        const PrSDKPPixSuite* ppix = m_exporter->ppixSuite.get();
        PrPixelFormat format = PrPixelFormat_Invalid;
        ppix->getPixelFormat(renderedFrame, &format);
        exportLog(strprintf("[%s] :", GetPixelFormatName(static_cast<int>(format))), true, false);
        initCompressor(format);

        char* pixels = nullptr;
        csSDK_int32 rowBytes = 0;
        ppix->getPixels(renderedFrame, PrPPixBufferAccess_ReadOnly, &pixels);
        ppix->getRowBytes(renderedFrame, &rowBytes);

        QuorvaneFrameData frame;
        std::memset(&frame, 0, sizeof frame);
        const uint32_t planeSize = static_cast<uint32_t>(rowBytes) * m_height;
        frame.planes[0] = QuorvanePlane{pixels, rowBytes, planeSize};
        size = m_codec.compress(frame, m_compressedBuffer.get());
        exportLog(strprintf("Compressed: %u -> %u", planeSize, size), true, false);
    } else {
        exportLog("NULL (repeat)", true, false);
    }

    m_writer->writeChunk(m_videoStream, m_compressedBuffer.get(), size, 1, renderedFrame != nullptr);
    exportLog(" : write OK", true, true);
}

#include "importer/VideoInfo.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "container/fileio/Errors.h"
#include "container/riff/FourCC.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/TextUtil.h"
#include "importer/FrameRate.h"

namespace {

const char* typeName(uint32_t type) { return quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(type)); }
const char* colorSpaceName(uint32_t cs) { return quorvane_get_string(QUORVANE_STRING_COLOR_SPACE, int(cs)); }
std::string lowFirst(uint32_t code) { return riff::fcc::to_string(code, riff::fcc::LowByteFirst); }

QuorvaneFrameType* asType(QuorvaneFrameTypeEx& t) { return reinterpret_cast<QuorvaneFrameType*>(&t); }

// The largest buffer one data-rate answer may claim: whole 8-byte entries within a signed 32-bit
// size.
constexpr int64_t kMaxDataRateBytes = (int64_t(INT32_MAX) / 8) * 8;

} // namespace

// --- Frame request -------------------------------------------------------------------------------

QuorvaneImporter::GetSourceVideoData::GetSourceVideoData(const imSourceVideoRec& rec, const PrSDKPPixSuite* ppixSuite)
    : m_frameTime(rec.inFrameTime), m_ppixSuite(ppixSuite)
{
    if (rec.inNumFrameFormats < 0)
        throw std::length_error("negative frame format count: " + std::to_string(rec.inNumFrameFormats));
    if (rec.inNumFrameFormats > 0 && rec.inFrameFormats == nullptr)
        throw std::logic_error("no frame formats");
    m_frameFormats.assign(rec.inFrameFormats, rec.inFrameFormats + rec.inNumFrameFormats);
}

QuorvaneImporter::GetSourceVideoData::~GetSourceVideoData()
{
    if (m_ppix != nullptr && m_ppixSuite != nullptr)
        m_ppixSuite->dispose(m_ppix);
}

PPixHand QuorvaneImporter::GetSourceVideoData::release()
{
    PPixHand frame = m_ppix;
    m_ppix = nullptr;
    return frame;
}

// --- Video information -----------------------------------------------------------------------

QuorvaneImporter::VideoInfo::VideoInfo(QuorvaneImporter* owner) : m_owner(owner)
{
    Logger::Log("VideoInfo::VideoInfo()");
    m_owner->createSuites();
    PrTime ticks = 0;
    m_owner->m_suites->time.get()->getTicksPerSecond(&ticks);
    m_ticksPerSecond = ticks;
}

QuorvaneImporter::VideoInfo::~VideoInfo()
{
    try {
        Logger::Log("VideoInfo::~VideoInfo()");
    } catch (...) {
    }
}

int QuorvaneImporter::VideoInfo::init(const avi::Stream* stream)
{
    m_stream = stream;
    m_formatBytes = stream->getStreamFormatExtra();
    m_format = QuorvaneData{m_formatBytes.data(), uint32_t(m_formatBytes.size())};
    if (m_formatBytes.empty()) {
        Logger::Log("Compressed format size is invalid");
        return imBadFile;
    }

    try {
        m_compressedType = m_codec.decompressQuery(m_format, nullptr);
    } catch (const std::exception& e) {
        Logger::Log("Decompress query failed: %s", e.what());
        return imBadFile;
    }
    Logger::Log("Compressed format info: %d x %d, %s (%d), %s (%d), range: %d", int(m_compressedType.width),
                int(m_compressedType.height), typeName(m_compressedType.type), int(m_compressedType.type),
                colorSpaceName(m_compressedType.colorSpace), int(m_compressedType.colorSpace),
                int(m_compressedType.range));
    m_width = m_compressedType.width;
    m_height = m_compressedType.height;

    try {
        m_subTypeInfo = GetSubTypeInfo_by_quoTypeComp(m_compressedType.type);
    } catch (...) {
        Logger::Log("No subtype for compressed type: %s (%d)", typeName(m_compressedType.type),
                    int(m_compressedType.type));
        return imOtherErr;
    }

    m_decodeFormats = GetDecodeFormats(m_format);
    Logger::Log("Decode formats:");
    for (const FormatInfo& f : m_decodeFormats)
        Logger::Log("    %s [%s]", GetPixelFormatName(int(f.pixelFormat)), lowFirst(f.pixelFormat).c_str());
    if (m_decodeFormats.empty()) {
        Logger::Log("No formats to decode into: decodeFormats is empty");
        return imBadFile;
    }

    m_numFrames = stream->entries().size();
    const int32_t headerRate = int32_t(stream->header.dwRate);
    const int32_t headerScale = int32_t(stream->header.dwScale);
    const AdjustedFrameRate fps = AdjustFrameRate(headerRate, headerScale, m_numFrames);
    if (fps.invalid)
        Logger::Log("Invalid FPS: %d/%d", headerRate, headerScale);
    if (fps.durationOverflow)
        Logger::Log("Video duration overflow detected, adjusting FPS");
    m_rate = fps.rate;
    m_scale = fps.scale;

    // Every frame read is checked against this before a buffer is sized by its index entry.
    const long long fileSize = m_owner->m_file.size();
    m_fileSize = fileSize > 0 ? uint64_t(fileSize) : 0;

    Logger::Log("NumFrames: %d", int(m_numFrames));
    Logger::Log("AVI FPS: %d / %d (%.3f)", headerRate, headerScale,
                headerScale != 0 ? double(headerRate) / double(headerScale) : 0.0);
    Logger::Log("Adjusted FPS: %d / %d (%.3f)", m_rate, m_scale, double(m_rate) / double(m_scale));
    return imNoErr;
}

void QuorvaneImporter::VideoInfo::getInfo(imFileInfoRec8* rec) const
{
    rec->hasVideo = 1;
    rec->imageWidth = csSDK_int32(m_width);
    rec->imageHeight = csSDK_int32(m_height);
    rec->depth = csSDK_int16(m_subTypeInfo.alpha() ? 32 : 24);
    rec->subType = m_subTypeInfo.subType;
    rec->fieldType = csSDK_uint8(m_compressedType.fieldType);
    rec->alphaType = m_subTypeInfo.alpha() ? kImAlphaStraight : kImAlphaNone;
    rec->pixelAspectNum = 1;
    rec->pixelAspectDen = 1;
    rec->supportsRandomFrames = 1;
    rec->framesAreIndependent = 1;
    rec->isStill = 0;
    rec->vidScale = m_rate;
    rec->vidSampleSize = m_scale;
    rec->vidDuration = csSDK_int32(uint32_t(uint64_t(uint32_t(m_scale)) * m_numFrames));
}

int64_t QuorvaneImporter::VideoInfo::getFrameIndex(int64_t time) const
{
    return FrameIndexOfTime(time, m_rate, m_scale, m_ticksPerSecond);
}

int QuorvaneImporter::VideoInfo::initFrame(GetSourceVideoData& request) const
{
    const int64_t index = getFrameIndex(request.m_frameTime);
    Logger::Log("inFrameTime: %lld", static_cast<long long>(request.m_frameTime));
    Logger::Log("frameIndex:  %u (total: %u)", uint32_t(index), uint32_t(m_numFrames));
    // Compared before narrowing: an index of 2^32 + k is out of range, not frame k.
    if (index < 0 || uint64_t(index) >= m_numFrames) {
        Logger::Log("frameIndex out of bounds");
        return imFrameNotFound;
    }
    request.m_frameIndex = uint32_t(index);

    Logger::Log("inNumFrameFormats: %d", int(request.m_frameFormats.size()));
    for (std::size_t i = 0; i < request.m_frameFormats.size(); ++i) {
        const imFrameFormat& f = request.m_frameFormats[i];
        Logger::Log("inFrameFormats[%d]: %d %d %s [%s]", int(i), int(f.inFrameWidth), int(f.inFrameHeight),
                    GetPixelFormatName(int(f.inPixelFormat)), lowFirst(f.inPixelFormat).c_str());
    }
    if (request.m_frameFormats.empty()) {
        Logger::Log("ERROR: frameFormats is empty");
        return imOtherErr;
    }

    imFrameFormat& wanted = request.m_frameFormats[0];
    if (wanted.inFrameWidth == 0)
        wanted.inFrameWidth = csSDK_int32(m_width);
    if (wanted.inFrameHeight == 0)
        wanted.inFrameHeight = csSDK_int32(m_height);
    if (wanted.inFrameWidth != csSDK_int32(m_width) || wanted.inFrameHeight != csSDK_int32(m_height)) {
        Logger::Log("ERROR: frame size mismatch (%d, %d) != (%d, %d)", int(wanted.inFrameWidth),
                    int(wanted.inFrameHeight), int(m_width), int(m_height));
        return imOtherErr;
    }
    return imNoErr;
}

int QuorvaneImporter::VideoInfo::readFrame(GetSourceVideoData& request)
{
    const std::vector<avi::Stream::IndexEntry>& entries = m_stream->entries();
    const uint64_t wanted = request.m_frameIndex;
    if (wanted >= entries.size())
        return imFrameNotFound;

    // A repeated frame is stored as an empty chunk: the nearest earlier frame with data stands in,
    // and a later one only when there is no earlier one.
    uint64_t read = wanted;
    if (entries[wanted].size == 0) {
        bool found = false;
        for (uint64_t i = wanted; i-- > 0;) {
            if (entries[i].size != 0) {
                read = i;
                found = true;
                break;
            }
        }
        for (uint64_t i = 1; !found; ++i) {
            if (i >= entries.size())
                return imFrameNotFound;
            if (entries[i].size != 0) {
                read = i;
                found = true;
            }
        }
        Logger::Log("Empty frame: %u, frame read: %u", uint32_t(wanted), uint32_t(read));
    }

    const avi::Stream::IndexEntry& entry = entries[read];
    try {
        // The index comes from the file: a chunk it places beyond the end is refused before any
        // buffer is sized by it.
        const uint64_t available = entry.offset < m_fileSize ? m_fileSize - entry.offset : 0;
        if (entry.size > available)
            throw fileio::ReadError(entry.size, available);
        if (request.m_frameBytes.size() < entry.size)
            request.m_frameBytes.resize(entry.size);
        m_owner->m_file.seek_e(static_cast<long long>(entry.offset));
        m_owner->m_file.read_e(request.m_frameBytes.data(), entry.size);
    } catch (const std::exception& e) {
        Logger::Log("Failed to read frame from AVI: %s", e.what());
        return imFileReadFailed;
    }
    request.m_frameSize = entry.size;
    return imNoErr;
}

int QuorvaneImporter::VideoInfo::decodeFrame(GetSourceVideoData& request)
{
    const imFrameFormat& wanted = request.m_frameFormats.at(0);
    const PrPixelFormat pixelFormat = wanted.inPixelFormat;
    const FormatInfo& fi = GetFormatInfo_by_pixelFormat(pixelFormat);

    if (m_decoding && pixelFormat != m_pixelFormat) {
        Logger::Log("Pixel format changed, ending decompression");
        try {
            m_codec.decompressEnd();
        } catch (const std::exception& e) {
            Logger::Log("Internal error: decompressEnd() failed: %s", e.what());
        }
        m_decoding = false;
    }

    if (!m_decoding) {
        Logger::Log("Starting decompression: %s [%s]%s -> %s [%s] (pr: %s [%s])%s%s", typeName(m_compressedType.type),
                    colorSpaceName(m_compressedType.colorSpace),
                    m_compressedType.range == QUORVANE_RANGE_FULL ? " [FULL]" : " [LIMITED]", typeName(fi.quoType),
                    colorSpaceName(fi.colorSpace), GetPixelFormatName(int(pixelFormat)), lowFirst(pixelFormat).c_str(),
                    fi.topLeft() ? "" : " [flipped]", fi.adobe16u() ? " [0-32768]" : "");
        m_decodeType = QuorvaneFrameTypeEx{};
        m_decodeType.marker = QUORVANE_FRAME_EXTENDED;
        m_decodeType.version = 1;
        m_decodeType.type = fi.quoType;
        m_decodeType.flags = (fi.topLeft() ? 0u : uint32_t(QUORVANE_FLAG_BOTTOM_UP)) |
                             (fi.adobe16u() ? uint32_t(QUORVANE_FLAG_16U_MAX_32768) : 0u);
        m_decodeType.colorSpace = fi.colorSpace;
        m_decodeType.range = fi.limitedRange() ? QUORVANE_RANGE_LIMITED : QUORVANE_RANGE_FULL;
        m_decodeType.fieldType = 0;
        try {
            m_compressedType = m_codec.decompressBegin(m_format, asType(m_decodeType));
        } catch (const std::exception& e) {
            Logger::Log("Decompress begin failed: %s", e.what());
            return imBadCompression;
        }
        m_decoding = true;
        m_pixelFormat = pixelFormat;
    }

    // The host's rectangle holds 16-bit coordinates.
    if (wanted.inFrameWidth <= 0 || wanted.inFrameHeight <= 0 || wanted.inFrameWidth > INT16_MAX ||
        wanted.inFrameHeight > INT16_MAX) {
        Logger::Log("ERROR: CreatePPix() failed: %d", int(suiteError_InvalidParms));
        return imOtherErr;
    }
    const prRect bounds{0, 0, csSDK_int16(wanted.inFrameHeight), csSDK_int16(wanted.inFrameWidth)};
    const prSuiteError created =
        m_owner->m_suites->ppixCreator.get()->createPPix(&request.m_ppix, PrPPixBufferAccess_WriteOnly, pixelFormat, &bounds);
    if (created != suiteError_NoError) {
        request.m_ppix = nullptr;
        Logger::Log("ERROR: CreatePPix() failed: %d", int(created));
        return imOtherErr;
    }

    char* pixels = nullptr;
    csSDK_int32 rowBytes = 0;
    request.m_ppixSuite->getPixels(request.m_ppix, PrPPixBufferAccess_WriteOnly, &pixels);
    request.m_ppixSuite->getRowBytes(request.m_ppix, &rowBytes);

    QuorvaneFrameData planes{};
    planes.planes[0].data = pixels;
    planes.planes[0].stride = rowBytes;
    const uint64_t planeSize = uint64_t(rowBytes > 0 ? rowBytes : 0) * m_height;
    planes.planes[0].size = uint32_t(std::min<uint64_t>(planeSize, UINT32_MAX));
    try {
        m_codec.decompress(QuorvaneData{request.m_frameBytes.data(), request.m_frameSize}, planes);
    } catch (const std::exception& e) {
        Logger::Log("Decompress failed: %s", e.what());
        return imBadCompression;
    }
    return imNoErr;
}

int QuorvaneImporter::VideoInfo::getSourceVideo(GetSourceVideoData& request)
{
    int result = initFrame(request);
    if (result == imNoErr)
        result = readFrame(request);
    if (result == imNoErr)
        result = decodeFrame(request);
    return result;
}

int QuorvaneImporter::VideoInfo::getIndPixelFormat(unsigned index, imIndPixelFormatRec* rec) const
{
    if (index >= m_decodeFormats.size())
        return imBadFormatIndex;
    const FormatInfo& f = m_decodeFormats[index];
    rec->outPixelFormat = PrPixelFormat(f.pixelFormat);
    Logger::Log("Adding pixel format: %s [%s]", GetPixelFormatName(int(f.pixelFormat)), lowFirst(f.pixelFormat).c_str());
    return imNoErr;
}

void QuorvaneImporter::VideoInfo::dataRateAnalysis(imDataRateAnalysisRec* rec) const
{
    if (rec->buffer == nullptr) {
        rec->buffersize = csSDK_int32(std::min<uint64_t>(8 * m_numFrames, uint64_t(kMaxDataRateBytes)));
        return;
    }
    // Never more entries than the host's buffer holds.
    const uint64_t room = rec->buffersize > 0 ? uint64_t(rec->buffersize) / 8 : 0;
    const uint64_t count = std::min(m_numFrames, room);
    const std::vector<avi::Stream::IndexEntry>& entries = m_stream->entries();
    for (uint64_t i = 0; i < count; ++i) {
        imDataRateSample sample;
        sample.sampleDuration = uint32_t(m_scale) | 0x80000000u;
        sample.sampleSize = entries[i].size;
        rec->buffer[i] = sample;
    }
    rec->baserate = 0;
}

std::string QuorvaneImporter::VideoInfo::analysis() const
{
    std::string text;
    text += strprintf("Size: %.2f MiB\n", double(m_stream->getSizeInBytes()) * (1.0 / 1048576.0));
    text += "Codec: '" + lowFirst(m_stream->header.fccHandler) + "', " + utf8_encode(m_subTypeInfo.subTypeName) + "\n";
    text += "Frame size: " + std::to_string(m_width) + " x " + std::to_string(m_height) + "\n";
    text += "Frame count: " + std::to_string(m_numFrames) + "\n";
    text += strprintf("Frame rate: %.3f\n", double(m_rate) / double(m_scale));
    return text;
}

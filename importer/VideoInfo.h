// The video side of an opened file: the stream's codec format header, what the codec says the
// stream is, the host pixel formats it decodes into, the frame rate the host is told, and the
// decoding of single frames into new host frame buffers.
//
// Threads: the asynchronous importer runs initFrame on any thread, readFrame under its read lock
// and decodeFrame under its decode lock. initFrame therefore reads only what init fixed for good
// (the stream's size, rate and frame count), never the codec state that decodeFrame rewrites.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/FormatTables.h"
#include "host/QuorvaneCodec.h"
#include "importer/QuorvaneImporter.h"

// One frame request: the host's time and wanted formats, and the frame buffer made for it. The
// buffer belongs to the request until it is handed to the host; a request that still holds one
// when it goes away disposes of it.
struct QuorvaneImporter::GetSourceVideoData {
    // Copies the record's formats; a negative count is a length error.
    GetSourceVideoData(const imSourceVideoRec& rec, const PrSDKPPixSuite* ppixSuite);
    ~GetSourceVideoData();

    GetSourceVideoData(const GetSourceVideoData&) = delete;
    GetSourceVideoData& operator=(const GetSourceVideoData&) = delete;

    // Hands the frame buffer over (null when there is none).
    PPixHand release();

    PrTime m_frameTime = 0;
    std::vector<imFrameFormat> m_frameFormats;
    uint32_t m_frameIndex = 0;
    uint32_t m_frameSize = 0;
    std::vector<uint8_t> m_frameBytes; // grows to the largest frame read, never shrinks
    PPixHand m_ppix = nullptr;
    const PrSDKPPixSuite* m_ppixSuite = nullptr;
};

class QuorvaneImporter::VideoInfo {
public:
    // Opens a codec instance (QuorvaneError when it cannot) and reads the host's time base.
    explicit VideoInfo(QuorvaneImporter* owner);
    ~VideoInfo();

    VideoInfo(const VideoInfo&) = delete;
    VideoInfo& operator=(const VideoInfo&) = delete;

    // 0, or 2 (no usable format header or nothing to decode into) or 5 (no subtype).
    int init(const avi::Stream* stream);
    void getInfo(imFileInfoRec8* rec) const;

    // Frame number of a host time; kNoFrameIndex when the stream's frame duration is below a tick.
    int64_t getFrameIndex(int64_t time) const;
    int initFrame(GetSourceVideoData& request) const;
    int readFrame(GetSourceVideoData& request);
    int decodeFrame(GetSourceVideoData& request);
    int getSourceVideo(GetSourceVideoData& request);

    int getIndPixelFormat(unsigned index, imIndPixelFormatRec* rec) const;
    void dataRateAnalysis(imDataRateAnalysisRec* rec) const;
    std::string analysis() const;

    bool hasFrames() const { return m_numFrames != 0; }

private:
    QuorvaneImporter* m_owner;
    int64_t m_ticksPerSecond = 0;
    QuorvaneCodec m_codec;
    QuorvaneFrameTypeEx m_compressedType{};
    QuorvaneData m_format{};
    std::vector<uint8_t> m_formatBytes;
    QuorvaneFrameTypeEx m_decodeType{};
    bool m_decoding = false;
    PrPixelFormat m_pixelFormat = PrPixelFormat_Invalid;
    SubTypeInfo m_subTypeInfo{};
    std::vector<FormatInfo> m_decodeFormats;
    const avi::Stream* m_stream = nullptr;
    uint64_t m_numFrames = 0;
    int32_t m_rate = 0;
    int32_t m_scale = 0;
    // Fixed by init and only read afterwards, on any thread.
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint64_t m_fileSize = 0;
};

#include "host/QuorvaneCodec.h"

namespace {

QuorvaneFrameTypeEx emptyExtended()
{
    QuorvaneFrameTypeEx t{};
    t.marker = QUORVANE_FRAME_EXTENDED;
    t.version = 1;
    return t;
}

} // namespace

QuorvaneError::QuorvaneError(const std::string& context, int code)
    : std::runtime_error("Quorvane error (" + std::to_string(code) + "): " +
                         quorvane_get_string(QUORVANE_STRING_RESULT, code) + ": " + context),
      m_code(code)
{
}

QuorvaneCodec::QuorvaneCodec()
{
    checkResult(quorvane_library_init(), [] { return std::string("QuorvaneCodec(): quorvane_library_init()"); });
    uint32_t handle = 0;
    const int result = quorvane_open(&handle);
    if (result != QUORVANE_OK) {
        // No object comes into being, so no destructor gives the reference back.
        quorvane_library_close();
        checkResult(result, [] { return std::string("QuorvaneCodec(): quorvane_open()"); });
    }
    m_handle = handle;
}

QuorvaneCodec::~QuorvaneCodec()
{
    if (m_handle == 0)
        return;
    quorvane_close(m_handle);
    quorvane_library_close();
}

void QuorvaneCodec::compressQuery(const QuorvaneFrameType& in, QuorvaneFrameType* out, unsigned* maxCompressedSize)
{
    uint32_t formatSize = 0;
    const int result = quorvane_compress_query(m_handle, &in, out, &formatSize, maxCompressedSize);
    checkResult(result, [&] {
        return "compressQuery(" + codectext::frameType(&in) + ", " + codectext::frameType(out) + ", " +
               codectext::outValue(maxCompressedSize) + ")";
    });
}

QuorvaneData QuorvaneCodec::compressBegin(const QuorvaneFrameType& in, QuorvaneFrameType* out,
                                          unsigned* maxCompressedSize)
{
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0;
    const int result = quorvane_compress_begin(m_handle, &in, out, &format, &formatSize, maxCompressedSize);
    checkResult(result, [&] {
        return "compressBegin(" + codectext::frameType(&in) + ", " + codectext::frameType(out) + ", " +
               codectext::outValue(maxCompressedSize) + ")";
    });
    return QuorvaneData{format, formatSize};
}

unsigned QuorvaneCodec::compress(const QuorvaneFrameData& frame, void* dst)
{
    uint32_t size = 0;
    const int result = quorvane_compress(m_handle, &frame, dst, &size);
    checkResult(result, [&] { return "compress(" + codectext::frameData(&frame) + ", " + codectext::pointer(dst) + ")"; });
    return size;
}

void QuorvaneCodec::compressEnd()
{
    checkResult(quorvane_compress_end(m_handle), [] { return std::string("compressEnd()"); });
}

QuorvaneFrameTypeEx QuorvaneCodec::decompressQuery(const QuorvaneData& format, QuorvaneFrameType* requested)
{
    QuorvaneFrameTypeEx stream = emptyExtended();
    const int result = quorvane_decompress_query(m_handle, format.data, format.size, requested,
                                                 reinterpret_cast<QuorvaneFrameType*>(&stream));
    checkResult(result, [&] {
        return "decompressQuery(" + codectext::data(&format) + ", " + codectext::frameType(requested) + ")";
    });
    return stream;
}

QuorvaneFrameTypeEx QuorvaneCodec::decompressBegin(const QuorvaneData& format, QuorvaneFrameType* requested)
{
    QuorvaneFrameTypeEx stream = emptyExtended();
    const int result = quorvane_decompress_begin(m_handle, format.data, format.size, requested,
                                                 reinterpret_cast<QuorvaneFrameType*>(&stream));
    checkResult(result, [&] {
        return "decompressBegin(" + codectext::data(&format) + ", " + codectext::frameType(requested) + ")";
    });
    return stream;
}

void QuorvaneCodec::decompress(const QuorvaneData& frame, QuorvaneFrameData& planes)
{
    const int result = quorvane_decompress(m_handle, frame.data, frame.size, &planes);
    checkResult(result, [&] { return "decompress(" + codectext::data(&frame) + ", " + codectext::frameData(&planes) + ")"; });
}

void QuorvaneCodec::decompressEnd()
{
    checkResult(quorvane_decompress_end(m_handle), [] { return std::string("decompressEnd()"); });
}

unsigned QuorvaneCodec::supportsFlip(unsigned frameType)
{
    return getParam<unsigned>(QUORVANE_PARAM_SUPPORTS_FLIP, frameType,
                              [&] { return codectext::frameTypeCode(frameType); });
}

unsigned QuorvaneCodec::supports16uMax32768(unsigned frameType)
{
    return getParam<unsigned>(QUORVANE_PARAM_SUPPORTS_16U_MAX_32768, frameType,
                              [&] { return codectext::frameTypeCode(frameType); });
}

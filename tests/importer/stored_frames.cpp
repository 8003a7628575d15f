#include "stored_frames.h"

#include <stdexcept>

#include "codec/quorvane.h"

namespace qtest {

namespace {

// The codec layout of each host pixel format the importer can decode into, written out here
// independently of the plug-in's tables.
struct Layout {
    PrPixelFormat format;
    uint32_t type;
    uint32_t colorSpace;
    bool limited;
    bool hostRange;
};

const Layout kLayouts[] = {
    {PrPixelFormat_YUYV_422_8u_601, QUORVANE_FRAME_YUY2, 1, true, false},
    {PrPixelFormat_YUYV_422_8u_709, QUORVANE_FRAME_YUY2, 2, true, false},
    {PrPixelFormat_UYVY_422_8u_601, QUORVANE_FRAME_UYVY, 1, true, false},
    {PrPixelFormat_UYVY_422_8u_709, QUORVANE_FRAME_UYVY, 2, true, false},
    {PrPixelFormat_VUYA_4444_8u, QUORVANE_FRAME_VUYA, 1, true, false},
    {PrPixelFormat_VUYA_4444_8u_709, QUORVANE_FRAME_VUYA, 2, true, false},
    {PrPixelFormat_VUYX_4444_8u, QUORVANE_FRAME_VUYX, 1, true, false},
    {PrPixelFormat_VUYX_4444_8u_709, QUORVANE_FRAME_VUYX, 2, true, false},
    {PrPixelFormat_BGRA_4444_8u, QUORVANE_FRAME_BGRA, 2, false, false},
    {PrPixelFormat_ARGB_4444_8u, QUORVANE_FRAME_ARGB, 2, false, false},
    {PrPixelFormat_BGRX_4444_8u, QUORVANE_FRAME_BGRX, 2, false, false},
    {PrPixelFormat_XRGB_4444_8u, QUORVANE_FRAME_XRGB, 2, false, false},
    {PrPixelFormat_V210_422_10u_601, QUORVANE_FRAME_V210, 1, true, false},
    {PrPixelFormat_V210_422_10u_709, QUORVANE_FRAME_V210, 2, true, false},
    {PrPixelFormat_RGB_444_10u, QUORVANE_FRAME_R10K_LE, 2, false, false},
    {PrPixelFormat_BGRA_4444_16u, QUORVANE_FRAME_BGRA64, 2, false, true},
    {PrPixelFormat_BGRX_4444_16u, QUORVANE_FRAME_BGRX64, 2, false, true},
};

const Layout& layoutOf(PrPixelFormat format)
{
    for (const Layout& l : kLayouts) {
        if (l.format == format)
            return l;
    }
    throw std::invalid_argument("no codec layout for this host format");
}

} // namespace

StoredVideo::StoredVideo(const std::string& path)
{
    fileio::PosixFile file;
    if (!file.open(path.c_str(), 0))
        throw std::runtime_error("cannot open " + path);
    avi::AviReader reader;
    if (!reader.parse(&file, avi::AviReader::Full))
        throw std::runtime_error("cannot parse " + path + ": " + reader.errors);
    const std::vector<size_t> video = reader.getStreamIndices(avi::fcc::vids);
    if (video.empty())
        throw std::runtime_error("no video in " + path);
    const avi::Stream& stream = *reader.streams[video.front()];
    formatHeader = stream.getStreamFormatExtra();
    rate = stream.header.dwRate;
    scale = stream.header.dwScale;
    for (const avi::Stream::IndexEntry& e : stream.entries()) {
        std::vector<uint8_t> chunk(e.size);
        file.seek_e(static_cast<long long>(e.offset));
        file.read_e(chunk.data(), chunk.size());
        chunks.push_back(std::move(chunk));
    }
}

const std::vector<uint8_t>& StoredVideo::shownChunk(std::size_t k) const
{
    for (std::size_t i = k + 1; i-- > 0;) {
        if (!chunks[i].empty())
            return chunks[i];
    }
    for (std::size_t i = 1; i < chunks.size(); ++i) {
        if (!chunks[i].empty())
            return chunks[i];
    }
    throw std::runtime_error("no frame with data");
}

std::vector<uint8_t> referenceDecode(const std::vector<uint8_t>& formatHeader, const std::vector<uint8_t>& chunk,
                                     PrPixelFormat format, bool topLeft, int height, int rowBytes)
{
    const Layout& layout = layoutOf(format);
    QuorvaneFrameTypeEx out{};
    out.marker = QUORVANE_FRAME_EXTENDED;
    out.version = 1;
    out.type = layout.type;
    out.flags = (topLeft ? 0u : uint32_t(QUORVANE_FLAG_BOTTOM_UP)) | (layout.hostRange ? uint32_t(QUORVANE_FLAG_16U_MAX_32768) : 0u);
    out.colorSpace = layout.colorSpace;
    out.range = layout.limited ? QUORVANE_RANGE_LIMITED : QUORVANE_RANGE_FULL;
    QuorvaneFrameTypeEx stream{};
    stream.marker = QUORVANE_FRAME_EXTENDED;
    stream.version = 1;

    std::vector<uint8_t> pixels(std::size_t(rowBytes) * std::size_t(height), 0);
    uint32_t handle = 0;
    if (quorvane_library_init() != QUORVANE_OK)
        throw std::runtime_error("codec not available");
    int result = quorvane_open(&handle);
    if (result == QUORVANE_OK)
        result = quorvane_decompress_begin(handle, formatHeader.data(), uint32_t(formatHeader.size()),
                                           reinterpret_cast<QuorvaneFrameType*>(&out),
                                           reinterpret_cast<QuorvaneFrameType*>(&stream));
    if (result == QUORVANE_OK) {
        QuorvaneFrameData frame{};
        frame.planes[0] = {pixels.data(), int32_t(rowBytes), uint32_t(pixels.size())};
        result = quorvane_decompress(handle, chunk.data(), uint32_t(chunk.size()), &frame);
    }
    quorvane_close(handle);
    quorvane_library_close();
    if (result != QUORVANE_OK)
        throw std::runtime_error("reference decode failed: " + std::to_string(result));
    return pixels;
}

} // namespace qtest

// Caller planes, work frames and blocks: the layout a frame takes on its way through the engine.

#include "codec/QuorvaneEngine.h"

#include "codec/ByteOrder.h"
#include "codec/FormatFamilies.h"
#include "codec/entropy/HuffCoder.h"

#include <algorithm>
#include <new>

namespace {

constexpr uint64_t round_up(uint64_t v, uint64_t a) { return (v + a - 1) / a * a; }

// A plane the frontend pointed at the caller's memory rather than laying it out.
bool callers_plane(const Quorvane::CompressInfo* info, const uint8_t* data)
{
    for (const Quorvane::ImagePlane& q : info->planes)
        if (q.data && q.data == data) return true;
    return false;
}

uintptr_t round_up_ptr(uintptr_t v, uintptr_t a) { return (v + a - 1) & ~(a - 1); }

// Bytes of one row of top-level plane q: whole pixel blocks.
uint64_t row_bytes(const ImgProcFrontend* fe, int q, uint32_t width)
{
    const uint64_t tw = static_cast<uint64_t>(std::max(0, fe->get_tplane_width(q, static_cast<int>(width))));
    const uint64_t size = static_cast<uint64_t>(fe->get_pixelblock_size(q));
    const uint64_t pixels = static_cast<uint64_t>(std::max(1, fe->get_pixelblock_pixels(q)));
    return (tw * size + pixels - 1) / pixels;
}

} // namespace

bool Quorvane::PlanarFrame::reserve(uint64_t bytes)
{
    if (capacity >= bytes && buffer) return true;
    release();
    if (bytes > SIZE_MAX - 16) return false;
    buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes) + 15]);
    if (!buffer) return false;
    base = reinterpret_cast<uint8_t*>(round_up_ptr(reinterpret_cast<uintptr_t>(buffer.get()), 16));
    capacity = bytes;
    return true;
}

void Quorvane::PlanarFrame::release()
{
    buffer.reset();
    base = nullptr;
    capacity = 0;
    for (ImagePlane& p : planes) p = ImagePlane{};
}

ImgFrame Quorvane::PlanarFrame::view() const
{
    ImgFrame f;
    for (int k = 0; k < 4; ++k) f[k] = ImgPlane{planes[k].data, planes[k].stride};
    return f;
}

void Quorvane::PlanarFrame::allocateAligned16(const int widths[4], const int heights[4], int pixelSize)
{
    uint64_t strides[4], sizes[4], total = 8192;
    for (int k = 0; k < 4; ++k) {
        strides[k] = round_up(static_cast<uint64_t>(std::max(0, widths[k])) * static_cast<uint64_t>(pixelSize), 16);
        sizes[k] = strides[k] * static_cast<uint64_t>(std::max(0, heights[k]));
        total += sizes[k];
    }
    if (!reserve(total)) throw std::bad_alloc();
    uintptr_t pos = round_up_ptr(reinterpret_cast<uintptr_t>(base), 1024);
    for (int k = 0; k < 4; ++k) {
        if (k > 0) pos = round_up_ptr(pos, 1024) + 256u * static_cast<unsigned>(k);
        planes[k] = ImagePlane{reinterpret_cast<uint8_t*>(pos), static_cast<int32_t>(strides[k]),
                               static_cast<uint32_t>(sizes[k]), false};
        pos += sizes[k];
    }
}

void Quorvane::PlanarFrame::alignAs(const PlanarFrame& other)
{
    uint64_t total = 1024;
    for (const ImagePlane& p : other.planes) total += p.data ? p.size : 0;
    if (!reserve(total)) throw std::bad_alloc();
    uintptr_t pos = reinterpret_cast<uintptr_t>(base);
    for (int k = 0; k < 4; ++k) {
        const ImagePlane& o = other.planes[k];
        if (!o.data) {
            planes[k] = ImagePlane{};
            continue;
        }
        // Same address modulo 16 as the other frame's plane: out-of-place prediction needs it.
        const uintptr_t start = round_up_ptr(pos, 16) | (reinterpret_cast<uintptr_t>(o.data) & 15);
        planes[k] = ImagePlane{reinterpret_cast<uint8_t*>(start), o.stride, o.size, false};
        pos = start + o.size;
    }
}

bool Quorvane::InitPlanePtrs(ImagePlane* planes, uint8_t* buffer, int frameType, uint32_t width, uint32_t height,
                             uint64_t* totalOut) const
{
    const CompressProc* p = FindBinding(frameType, QUORVANE_FRAME_ANY);
    if (!p || p->direction != kCompress) return false;
    if (width > 0x7fffffffu || height > 0x7fffffffu) return false;
    const ImgProcFrontend* fe = p->frontend;
    ImagePlane out[4];
    uint64_t offset = 0;
    for (int q = 0; q < fe->get_num_top_level_planes() && q < 4; ++q) {
        const uint64_t stride = round_up(row_bytes(fe, q, width), static_cast<uint64_t>(fe->get_default_row_size_align(q)));
        const uint64_t size =
            stride * static_cast<uint64_t>(std::max(0, fe->get_tplane_height(q, static_cast<int>(height))));
        // The records carry a 32-bit stride and size.
        if (stride > 0x7fffffffu || size > 0xffffffffu) return false;
        out[q] = ImagePlane{buffer ? buffer + offset : nullptr, static_cast<int32_t>(stride),
                            static_cast<uint32_t>(size), false};
        offset += size;
    }
    std::copy(out, out + 4, planes);
    if (totalOut) *totalOut = offset;
    return true;
}

bool Quorvane::InitCompressInfoPlanes(CompressInfo* info, uint8_t* buffer) const
{
    const uint8_t* h = info->header.data;
    if (!h) return false;
    return InitPlanePtrs(info->planes, buffer, info->frameType, load_le32(h + 16), load_le32(h + 20), nullptr);
}

bool Quorvane::planeCheck(const ImagePlane* planes, const ImgProcFrontend* fe, uint32_t width, uint32_t height)
{
    for (int q = 0; q < fe->get_num_top_level_planes() && q < 4; ++q) {
        const ImagePlane& pl = planes[q];
        const int64_t ptrAlign = std::max(1, fe->get_min_row_ptr_align(q));
        const int64_t sizeAlign = std::max(1, fe->get_min_row_size_align(q));
        const int code = 10 * (q + 1);
        if (!pl.data || reinterpret_cast<uintptr_t>(pl.data) % static_cast<uintptr_t>(ptrAlign) != 0)
            return (m_planeCheckCode = code + 1), false;
        if (pl.stride == 0 || pl.stride % sizeAlign != 0) return (m_planeCheckCode = code + 2), false;
        const int64_t needed = static_cast<int64_t>(round_up(row_bytes(fe, q, width), static_cast<uint64_t>(sizeAlign)));
        // Signed: a bottom-up (negative) stride always fails here.
        if (static_cast<int64_t>(pl.stride) < needed) return (m_planeCheckCode = code + 3), false;
        const int64_t rows = std::max(0, fe->get_tplane_height(q, static_cast<int>(height)));
        // Every row r is touched at data + r * stride, so the last row must end inside the plane,
        // not only rows * row bytes.
        const int64_t lastRowEnd = rows > 0 ? (rows - 1) * static_cast<int64_t>(pl.stride) + needed : 0;
        if (static_cast<int64_t>(pl.size) < rows * needed || static_cast<int64_t>(pl.size) < lastRowEnd)
            return (m_planeCheckCode = code + 4), false;
    }
    m_planeCheckCode = 0;
    return true;
}

bool Quorvane::CheckPlaneAlignmentsAndSizes(const ImagePlane* planes, int frameType, uint32_t width, uint32_t height)
{
    const CompressProc* p = FindBinding(frameType, QUORVANE_FRAME_ANY);
    if (!p) {
        m_planeCheckCode = 1;
        return false;
    }
    if (width > 0x7fffffffu || height > 0x7fffffffu) return false;
    return planeCheck(planes, p->frontend, width, height);
}

void Quorvane::PrepareCompressInfo(CompressInfo* info, const void* header, uint32_t headerSize, int frameType,
                                   bool compressing)
{
    info->data = nullptr;
    for (ImagePlane& p : info->planes) p = ImagePlane{};
    info->proc = CompressProc{};
    if (!info->header.parse(header, headerSize)) return;
    info->frameType = frameType;
    info->compressing = compressing;
    const uint8_t* h = info->header.data;
    const int compressedType = h[9];
    InitCompProcMap(stream_color_space(compressedType, h[11]), (load_le32(h + 12) & 4) != 0);
    const CompressProc* p =
        compressing ? FindBinding(frameType, compressedType) : FindBinding(compressedType, frameType);
    if (p) info->proc = *p;
}

uint64_t Quorvane::splitFrameBytes(const ImgProcFrontend* fe, uint32_t width, uint32_t height)
{
    const ImgProcBackend* be = fe->m_backend;
    const uint64_t pixelSize = static_cast<uint64_t>(be->get_pixel_size());
    uint64_t sum = 0;
    for (int p = 0; p < be->get_num_canonical_planes(); ++p) {
        const uint64_t cw = static_cast<uint64_t>(std::max(0, be->get_cplane_width(p, static_cast<int>(width))));
        const uint64_t ch = static_cast<uint64_t>(std::max(0, be->get_cplane_height(p, static_cast<int>(height))));
        sum += ch * round_up(cw * pixelSize, 16);
    }
    // The starts of four planes take at most 4 x 1023 + 1536 bytes; the rest is slack past the
    // last row.
    return sum + 8192;
}

bool Quorvane::InitSplitFramesAndBlocks(CompressInfo* info)
{
    const CompressProc& proc = info->proc;
    const uint8_t* h = info->header.data;
    if (!h || !proc.frontend || !sliceHeightFits(proc, h)) return false;
    StreamGeometry g;
    g.width = load_le32(h + 16);
    g.height = load_le32(h + 20);
    g.sliceHeight = load_le32(h + 28);
    g.flags = load_le32(h + 12);
    g.tableMode = HeaderTableMode(h);
    g.interlaced = (g.flags & 2) != 0;
    g.bits = proc.backend->get_pixel_bits();
    g.planes = std::min(proc.backend->get_num_canonical_planes(), 4);
    g.slices = g.sliceHeight == 0 ? 0 : static_cast<int>((uint64_t(g.height) + g.sliceHeight - 1) / g.sliceHeight);
    if (g.width > 0x7fffffffu || g.height > 0x7fffffffu || g.sliceHeight > 0x7fffffffu) return false;
    const ImgProcBackend* be = proc.backend;
    const int W = static_cast<int>(g.width), Hh = static_cast<int>(g.height), L = static_cast<int>(g.sliceHeight);
    for (int p = 0; p < g.planes; ++p) {
        g.planeWidth[p] = static_cast<uint32_t>(std::max(0, be->get_cplane_width(p, W)));
        g.planeRows[p] = static_cast<uint32_t>(std::max(0, be->get_cplane_height(p, Hh)));
        g.sliceRows[p] = static_cast<uint32_t>(std::max(0, be->get_cplane_height(p, L)));
    }
    m_geo = g;

    if (!m_splitFrame.reserve(splitFrameBytes(proc.frontend, g.width, g.height))) return false;

    // A decompression reads what it needs of a block from the frame itself; only a compression
    // keeps blocks from one pass to the next. The records of an earlier stream go either way.
    std::vector<BlockData>().swap(m_blocks);
    if (!info->compressing) return true;
    m_blocks.resize(static_cast<size_t>(g.planes) * static_cast<size_t>(g.slices));
    auto len = m_codeLengths.find(g.bits);
    const uint64_t maxLen = len == m_codeLengths.end() ? 0 : static_cast<uint64_t>(len->second);
    for (int p = 0; p < g.planes; ++p) {
        const size_t bufferSize = static_cast<size_t>(uint64_t(g.planeWidth[p]) * maxLen * g.sliceRows[p] / 8 + 128);
        for (int s = 0; s < g.slices; ++s) m_blocks[static_cast<size_t>(p) * g.slices + s].buffer.assign(bufferSize, 0);
        if (g.tableMode == 2) m_histograms[p].assign(size_t(1) << g.bits, 0);
    }
    return true;
}

Quorvane::BlockSpan Quorvane::blockSpan(int p, int s) const
{
    const uint64_t first = uint64_t(s) * m_geo.sliceRows[p];
    const uint64_t end = std::min<uint64_t>(m_geo.planeRows[p], first + m_geo.sliceRows[p]);
    const uint64_t rows = end > first ? end - first : 0;
    return BlockSpan{static_cast<uint32_t>(first), m_geo.planeWidth[p], static_cast<uint32_t>(rows)};
}

bool Quorvane::SetupSplitFrame(CompressInfo* info)
{
    const ImgProcFrontend* fe = info->proc.frontend;
    ImgFrame src;
    for (int k = 0; k < 4; ++k)
        src[k] = ImgPlane{info->planes[k].data, info->planes[k].stride};
    ImgFrame dst{};
    const int W = static_cast<int>(m_geo.width), Hh = static_cast<int>(m_geo.height);
    fe->calc_split_params(src, W, Hh, m_splitFrame.base, dst, m_flipInForce, info->compressing);
    // A layout that follows the caller's strides can need more than the begin reserved; the
    // buffer then grows to it, with room for the planes' starts to move by a kilobyte each over
    // another base and the same slack past the last row, and the frame is laid out again.
    int64_t end = splitLayoutEnd(dst, info);
    if (end < 0) return false;
    if (static_cast<uint64_t>(end) + kSplitSlack > m_splitFrame.capacity) {
        const uint64_t need = static_cast<uint64_t>(end) + 4 * 1024 + kSplitSlack;
        if (!m_splitFrame.reserve(need)) return false;
        dst = ImgFrame{};
        fe->calc_split_params(src, W, Hh, m_splitFrame.base, dst, m_flipInForce, info->compressing);
        end = splitLayoutEnd(dst, info);
        if (end < 0 || static_cast<uint64_t>(end) + kSplitSlack > m_splitFrame.capacity) return false;
    }
    const ImgProcBackend* be = fe->m_backend;
    for (int p = 0; p < 4; ++p) m_splitFrame.planes[p] = ImagePlane{};
    for (int p = 0; p < be->get_num_canonical_planes() && p < 4; ++p) {
        // A frontend that could not lay the frame out leaves its slots empty.
        if (!dst[p].ptr) return false;
        ImagePlane& sp = m_splitFrame.planes[p];
        sp.data = dst[p].ptr;
        sp.stride = dst[p].stride;
        const int64_t rows = be->get_cplane_height(p, static_cast<int>(m_geo.height));
        sp.size = static_cast<uint32_t>(rows * std::abs(static_cast<int64_t>(sp.stride)));
        sp.borrowed = callers_plane(info, sp.data);
    }
    return true;
}

int64_t Quorvane::splitLayoutEnd(const ImgFrame& laid, const CompressInfo* info) const
{
    const ImgProcBackend* be = info->proc.frontend->m_backend;
    const uintptr_t base = reinterpret_cast<uintptr_t>(m_splitFrame.base);
    int64_t end = 0;
    for (int p = 0; p < be->get_num_canonical_planes() && p < 4; ++p) {
        if (!laid[p].ptr || callers_plane(info, laid[p].ptr)) continue;
        // Planes of the work buffer go down the rows.
        const uintptr_t at = reinterpret_cast<uintptr_t>(laid[p].ptr);
        if (at < base || laid[p].stride < 0) return -1;
        const int64_t rows = be->get_cplane_height(p, static_cast<int>(m_geo.height));
        end = std::max<int64_t>(end, static_cast<int64_t>(at - base) + rows * laid[p].stride);
    }
    return end;
}

bool Quorvane::SetupConverter(CompressInfo* info)
{
    ImgProcConverter* cv = info->proc.converter;
    if (!cv) {
        m_convertedFrame.release();
        return true;
    }
    cv->filtered = m_encodeSettings.filter != 0;
    const ImgProcBackend* be = info->proc.backend;
    int widths[4] = {0, 0, 0, 0}, heights[4] = {0, 0, 0, 0};
    for (int p = 0; p < be->get_num_canonical_planes() && p < 4; ++p) {
        widths[p] = be->get_cplane_width(p, static_cast<int>(m_geo.width));
        heights[p] = be->get_cplane_height(p, static_cast<int>(m_geo.height));
    }
    m_convertedFrame.allocateAligned16(widths, heights, be->get_pixel_size());
    bool affected[4] = {false, false, false, false};
    cv->get_affected_planes(affected);
    for (int p = 0; p < 4; ++p)
        if (!affected[p]) m_convertedFrame.planes[p] = m_splitFrame.planes[p];
    return true;
}

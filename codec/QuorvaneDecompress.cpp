// The decompression passes: the frame is checked against the begun header, its tables are read,
// and every slice is decoded, unpredicted, converted and joined in parallel.

#include "codec/QuorvaneEngine.h"

#include "codec/ByteOrder.h"
#include "codec/FormatFamilies.h"
#include "codec/entropy/HuffCoder.h"
#include "codec/LogMessage.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace {

enum StepKind { kDecode, kConvert, kJoin };

struct Step {
    int phase;
    StepKind kind;
    int pass;
};

uint8_t* advance(uint8_t* p, int64_t rows, int32_t stride)
{
    return p + rows * static_cast<int64_t>(stride);
}

int color_space_of(const uint8_t* h)
{
    return stream_color_space(h[9], h[11]);
}

} // namespace

bool Quorvane::DecompressBegin(CompressInfo* info, const void* header, uint32_t headerSize, int frameType)
{
    PrepareCompressInfo(info, header, headerSize, frameType, false);
    return InitCodec(info);
}

// The frame's bounds, header copy and tables (in this order); sets m_frame, where the blocks and
// their table indexes lie, and m_tableLengths. All arithmetic is signed 64-bit: offsets come from
// the file.
int Quorvane::readFrame(CompressInfo* info)
{
    const uint8_t* data = static_cast<const uint8_t*>(info->data);
    const int64_t size = info->dataSize;
    const uint8_t* begun = info->header.data;
    if (size < 4) return -3;

    int64_t section = 0;
    if (std::memcmp(data, "QORV", 4) == 0) {
        if (size < kHeaderSize) return -3;
        const int64_t hs = load_le32(data + 4);
        if (hs != 0 && hs > size) return -3;
        const bool same = data[8] <= kHeaderVersion && data[9] == begun[9] && data[10] == begun[10] &&
                          color_space_of(data) == color_space_of(begun) &&
                          ((load_le32(data + 12) ^ load_le32(begun + 12)) & 6) == 0 &&
                          load_le32(data + 16) == load_le32(begun + 16) &&
                          load_le32(data + 20) == load_le32(begun + 20) &&
                          load_le32(data + 28) == load_le32(begun + 28) &&
                          HeaderTableMode(data) == HeaderTableMode(begun);
        if (!same) return -2;
        section = hs;
    }

    // The offset table is checked before any of it is read: its size follows the header, so a
    // header of many slices costs nothing until a frame long enough to describe them comes.
    const int64_t N = int64_t(m_geo.planes) * m_geo.slices;
    if (N > 0 && section + 4 + 4 * N > size) return -3;
    for (int64_t b = 0; b < N; ++b) {
        const int64_t start = section + load_le32(data + section + 4 + 4 * b);
        const int64_t end = b + 1 < N ? section + load_le32(data + section + 8 + 4 * b) : size;
        if (start < 0 || end > size || end - start < 2) return -3;
    }
    m_frame = FrameBlocks{data, size, section, nullptr};

    if (m_geo.tableMode != 2) return 0;
    int64_t pos = section + 4 + 4 * N;
    if (pos + 1 + N > size) return -3;
    const int T = data[pos];
    // The writer stores one table per plane; more would only cost memory.
    if (T > m_geo.planes) return -3;
    for (int64_t b = 0; b < N; ++b)
        if (data[pos + 1 + b] >= T) return -3;
    m_frame.indexes = data + pos + 1;
    pos += 1 + N;
    const size_t count = size_t(1) << m_geo.bits;
    m_tableLengths.resize(count * static_cast<size_t>(T));
    for (int t = 0; t < T; ++t) {
        const int64_t used = UncompressHuffTable(data + pos, data + size, m_tableLengths.data() + count * t, count);
        if (used < 0) return -3;
        pos += used;
    }
    m_coderCount = T;
    return 0;
}

int Quorvane::Decompress(CompressInfo* info)
{
    if (!info->proc.frontend || !info->data) return -4;
    if (!CheckPlaneAlignmentsAndSizes(info->planes, info->frameType, m_geo.width, m_geo.height)) return -1;
    // Only modes 1 and 2 carry tables; the negotiation refuses headers with other modes.
    if (m_geo.tableMode != 1 && m_geo.tableMode != 2) return -3;
    if (const int r = readFrame(info); r != 0) return r;

    if (m_geo.tableMode == 2) {
        if (!AllocateHuffCoders(m_coderCount, m_geo.bits)) return -3;
        const unsigned count = 1u << m_geo.bits;
        std::atomic<bool> refused{false};
        auto tables = [&](int t, int) {
            const bool ok = m_coders[static_cast<size_t>(t)]->setLengths(
                count, m_tableLengths.data() + size_t(count) * t, false, nullptr);
            m_coderReady[static_cast<size_t>(t)] = ok;
            if (!ok) refused = true;
        };
        if (!parallel_for(m_coderCount, tables)) return -4;
        if (refused) return -3;
    }
    // Every block needs a usable table before anything is written to the caller's planes.
    for (int p = 0; p < m_geo.planes; ++p)
        for (int s = 0; s < m_geo.slices; ++s) {
            const size_t t = static_cast<size_t>(blockSource(p, s).table);
            if (t >= m_coders.size() || !m_coders[t] || !m_coderReady[t]) return -3;
        }

    if (!SetupSplitFrame(info)) return -1;
    if (!SetupConverter(info)) return -4;
    return DecompressBlocks(info) ? 0 : -4;
}

bool Quorvane::DecompressBlocks(CompressInfo* info)
{
    Step steps[8];
    int n = 0, phase = 0;
    steps[n++] = Step{0, kDecode, 0};
    const ImgProcConverter* cv = info->proc.converter;
    const int passes = cv ? std::min(cv->get_num_passes(), 6) : 0;
    for (int k = 0; k < passes; ++k) {
        if (DoesConvertPassDependsOnAllBlocks(info, k)) ++phase;
        steps[n++] = Step{phase, kConvert, k};
    }
    steps[n++] = Step{phase, kJoin, 0};

    PlanarFrame* decoded = cv ? &m_convertedFrame : &m_splitFrame;
    for (int ph = 0; ph <= phase; ++ph) {
        auto item = [&](int s, int) {
            for (int i = 0; i < n; ++i) {
                if (steps[i].phase != ph) continue;
                switch (steps[i].kind) {
                case kDecode:
                    DecodeSlice(info, s, decoded);
                    for (int p = 0; p < m_geo.planes; ++p) UnpredictBlock(info, p, s, decoded);
                    break;
                case kConvert: ConvertBlock(info, &m_convertedFrame, &m_splitFrame, steps[i].pass, s); break;
                case kJoin: SplitOrJoinBlock(info, s); break;
                }
            }
        };
        if (!parallel_for(m_geo.slices, item)) return false;
    }
    return true;
}

Quorvane::BlockSource Quorvane::blockSource(int p, int s) const
{
    const FrameBlocks& f = m_frame;
    const int64_t N = int64_t(m_geo.planes) * m_geo.slices, b = int64_t(p) * m_geo.slices + s;
    const uint8_t* offsets = f.data + f.section + 4;
    const int64_t start = f.section + load_le32(offsets + 4 * b);
    const int64_t end = b + 1 < N ? f.section + load_le32(offsets + 4 * (b + 1)) : f.size;
    return BlockSource{f.data + start, static_cast<uint64_t>(end - start), f.indexes ? f.indexes[b] : p};
}

void Quorvane::DecodeBlock(CompressInfo* info, int p, int s, PlanarFrame* frame)
{
    const BlockSource src = blockSource(p, s);
    if (static_cast<size_t>(src.table) >= m_coders.size()) return;
    const HuffCoder& coder = *m_coders[static_cast<size_t>(src.table)];
    const BlockSpan span = blockSpan(p, s);
    const ImagePlane& plane = frame->planes[p];
    const int pixelSize = info->proc.backend->get_pixel_size();
    const uint32_t width = span.width, rows = span.rows;
    const int32_t stride = plane.stride;
    const uint32_t group = (int64_t(stride) == int64_t(width) * pixelSize) ? std::max(rows, 1u) : 1u;
    uint8_t* out = advance(plane.data, span.firstRow, stride);

    // The coder only reads through the status.
    HuffCoder::Status st(const_cast<uint8_t*>(src.bytes) + 2, static_cast<unsigned long>(src.size - 2));
    const bool raw = (src.bytes[0] & 1) != 0;
    if (raw) LogMessage("Entropy decode skipped (cplane: %d, cplane blockId: %d)\n", p, s);
    for (uint32_t r = 0; r < rows; r += group) {
        const unsigned count = width * std::min(group, rows - r);
        if (raw) coder.uncompact_block(st, advance(out, r, stride), count);
        else coder.decode_block(st, advance(out, r, stride), count);
    }
}

void Quorvane::DecodeSlice(CompressInfo* info, int s, PlanarFrame* frame)
{
    switch (m_geo.bits) {
    case 8: decodeSliceWith<HuffCoderT<unsigned char, unsigned short, 8u, 12u, 12u>>(info, s, frame); break;
    case 10: decodeSliceWith<HuffCoderT<unsigned short, unsigned int, 10u, 14u, 11u>>(info, s, frame); break;
    case 12: decodeSliceWith<HuffCoderT<unsigned short, unsigned int, 12u, 16u, 12u>>(info, s, frame); break;
    case 14: decodeSliceWith<HuffCoderT<unsigned short, unsigned int, 14u, 18u, 12u>>(info, s, frame); break;
    default:
        for (int p = 0; p < m_geo.planes; ++p) DecodeBlock(info, p, s, frame);
        break;
    }
}

template <class Coder>
void Quorvane::decodeSliceWith(CompressInfo* info, int s, PlanarFrame* frame)
{
    constexpr int kMax = Coder::kMaxStreams;
    const int P = m_geo.planes;
    const size_t pixelSize = static_cast<size_t>(info->proc.backend->get_pixel_size());
    bool done[4] = {};
    BlockSource sources[4];
    BlockSpan spans[4];
    for (int p = 0; p < P && p < 4; ++p) {
        sources[p] = blockSource(p, s);
        spans[p] = blockSpan(p, s);
    }
    for (int p = 0; p < P && p < 4; ++p) {
        if (done[p]) continue;
        const BlockSpan& first = spans[p];
        // Raw blocks and blocks without a usable coder of this class go the plain way.
        auto coder_of = [&](const BlockSource& b) -> const Coder* {
            if ((b.bytes[0] & 1) != 0 || static_cast<size_t>(b.table) >= m_coders.size()) return nullptr;
            const HuffCoder* c = m_coders[static_cast<size_t>(b.table)].get();
            return c && c->bits == Coder::kBits ? static_cast<const Coder*>(c) : nullptr;
        };
        const Coder* c0 = coder_of(sources[p]);
        if (!c0) {
            DecodeBlock(info, p, s, frame);
            done[p] = true;
            continue;
        }
        // The coded blocks of this slice shaped like this one: same row length, rows and row
        // grouping, so each call hands every stream the same count.
        const bool contiguous0 = int64_t(frame->planes[p].stride) == int64_t(first.width) * int64_t(pixelSize);
        const Coder* coders[kMax];
        HuffCoder::Status* status[kMax];
        alignas(HuffCoder::Status) unsigned char statusMem[kMax][sizeof(HuffCoder::Status)];
        uint8_t* out[kMax];
        int32_t strides[kMax];
        int n = 0;
        for (int q = p; q < P && q < 4 && n < kMax; ++q) {
            if (done[q]) continue;
            const BlockSpan& b = spans[q];
            const Coder* c = q == p ? c0 : coder_of(sources[q]);
            const bool contiguous = int64_t(frame->planes[q].stride) == int64_t(b.width) * int64_t(pixelSize);
            if (!c || b.width != first.width || b.rows != first.rows || contiguous != contiguous0) continue;
            coders[n] = c;
            status[n] = new (statusMem[n]) HuffCoder::Status(const_cast<uint8_t*>(sources[q].bytes) + 2,
                                                             static_cast<unsigned long>(sources[q].size - 2));
            out[n] = advance(frame->planes[q].data, b.firstRow, frame->planes[q].stride);
            strides[n] = frame->planes[q].stride;
            done[q] = true;
            ++n;
        }
        const uint32_t width = first.width, rows = first.rows;
        if (contiguous0) {
            Coder::decode_streams(coders, status, reinterpret_cast<void* const*>(out), static_cast<unsigned>(n),
                                  width * rows);
            continue;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            void* rowOut[kMax];
            for (int i = 0; i < n; ++i) rowOut[i] = advance(out[i], r, strides[i]);
            Coder::decode_streams(coders, status, rowOut, static_cast<unsigned>(n), width);
        }
    }
}

void Quorvane::UnpredictBlock(CompressInfo* info, int p, int s, PlanarFrame* frame)
{
    const BlockSpan span = blockSpan(p, s);
    const ImgProcBackend* be = info->proc.backend;
    const ImagePlane& plane = frame->planes[p];
    const int id = blockSource(p, s).bytes[1];
    uint8_t* ptr = advance(plane.data, span.firstRow, plane.stride);
    const int width = static_cast<int>(span.width), rows = static_cast<int>(span.rows);
    if (!m_geo.interlaced) {
        be->unpredict(ImgPlane{ptr, plane.stride}, width, rows, id);
        return;
    }
    be->unpredict(ImgPlane{ptr, 2 * plane.stride}, width, rows / 2, id);
    be->unpredict(ImgPlane{ptr + plane.stride, 2 * plane.stride}, width, rows / 2, id);
}

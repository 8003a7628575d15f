// The compression passes: split, convert, predict and count per slice (pass 1), one code table
// per plane and then every block coded (pass 2), and the frame laid out (finalize).

#include "codec/QuorvaneEngine.h"

#include "codec/ByteOrder.h"
#include "codec/entropy/HuffCoder.h"
#include "codec/LogMessage.h"
#include "codec/imgproc/backends/ResidualCounts.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

namespace {

enum StepKind { kSplit, kConvert, kPredict, kDecode, kJoin };

struct Step {
    int phase;
    StepKind kind;
    int pass;
};

uint8_t* advance(uint8_t* p, int64_t rows, int32_t stride)
{
    return p + rows * static_cast<int64_t>(stride);
}

} // namespace

bool Quorvane::CompressBegin(CompressInfo* info, const uint8_t* header, int frameType)
{
    PrepareCompressInfo(info, header, load_le32(header + 4), frameType, true);
    return InitCodec(info);
}

bool Quorvane::InitCodec(CompressInfo* info)
{
    if (!info->proc.frontend || !info->header.data) return false;
    if (!InitSplitFramesAndBlocks(info)) return false;

    m_flipInForce = false;
    if (m_flipRequest) {
        const CompressProc* any = FindBinding(info->frameType, QUORVANE_FRAME_ANY);
        m_flipInForce = any && any->frontend->can_flip();
    }
    ImgProcFrontend* fe = info->proc.frontend;
    fe->m_flags = m_rangeRequest ? (fe->m_flags | 1) : (fe->m_flags & ~1);

    if (m_geo.tableMode == 1) {
        // One table per plane after the first 32 bytes of the header; lengths left unread stay 0,
        // which every coder refuses.
        const size_t count = size_t(1) << m_geo.bits;
        const uint8_t* h = info->header.data;
        const uint8_t* cursor = h + kHeaderSize;
        const uint8_t* end = h + info->header.bytes.size();
        if (!AllocateHuffCoders(m_geo.planes, m_geo.bits)) return false;
        std::vector<int> lengths(count);
        for (int p = 0; p < m_geo.planes; ++p) {
            std::fill(lengths.begin(), lengths.end(), 0);
            const int64_t used = UncompressHuffTable(cursor, end, lengths.data(), count);
            cursor = used < 0 ? end : cursor + used;
            m_coderReady[p] = m_coders[p]->setLengths(static_cast<unsigned>(count), lengths.data(),
                                                      info->compressing, nullptr);
        }
    }

    const size_t threads = static_cast<size_t>(GetNumThreads());
    for (TimerSet& t : m_timers) t.perThread.resize(threads);
    // The slot has no name until a stream is begun.
    m_timers[kTimerDecorr2].name = "decorr2";
    m_threads.start_threads();
    return true;
}

bool Quorvane::AllocateHuffCoders(int count, int bits)
{
    if (bits != 8 && bits != 10 && bits != 12 && bits != 14) return false;
    m_coders.resize(static_cast<size_t>(count));
    m_coderReady.resize(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        if (m_coders[i] && static_cast<int>(m_coders[i]->bits) == bits) continue;
        m_coders[i] = make_huff_coder(bits);
        m_coderReady[i] = 0;
    }
    return true;
}

namespace {

// Room for n elements in v starting on a 64-byte boundary, with the lines around them unshared
// with any other allocation: v gets a line to spare on either side.
template <class T>
T* own_lines(std::vector<T>& v, size_t n)
{
    constexpr size_t kLine = 64;
    const size_t spare = 2 * kLine / sizeof(T);
    if (v.size() < n + spare) v.resize(n + spare);
    return reinterpret_cast<T*>((reinterpret_cast<uintptr_t>(v.data()) + kLine) & ~uintptr_t(kLine - 1));
}

} // namespace

void Quorvane::prepareScratch()
{
    if (!(m_geo.tableMode == 2)) return;
    const size_t threads = static_cast<size_t>(GetNumThreads());
    if (m_counts.size() < threads) m_counts.resize(threads);
    for (ThreadCounts& c : m_counts) {
        c.planes = own_lines(c.store, 4 * backends::count_table_entries(m_geo.bits));
        // A thread clears its counts when it predicts its first block of the frame.
        c.used = false;
    }
}

uint32_t Quorvane::Compress(CompressInfo* info)
{
    if (!info->proc.frontend || !info->data) return 0;
    if (!CheckPlaneAlignmentsAndSizes(info->planes, info->frameType, m_geo.width, m_geo.height)) return 0;
    if (!SetupSplitFrame(info) || !SetupConverter(info)) return 0;
    if (info->compressing) prepareScratch();
    if (!CompressBlocksPass1(info) || !CompressBlocksPass2(info)) return 0;
    return CompressFinalize(info);
}

bool Quorvane::DoesConvertPassDependsOnAllBlocks(const CompressInfo* info, int pass) const
{
    const ImgProcConverter* cv = info->proc.converter;
    if (!cv || m_geo.sliceHeight == m_geo.height) return false;
    int mod = 0;
    cv->get_pass_dep_mod(pass, mod);
    const uint32_t l = m_geo.interlaced ? m_geo.sliceHeight / 2 : m_geo.sliceHeight;
    return mod == 0 || l % static_cast<uint32_t>(mod) != 0;
}

bool Quorvane::CompressBlocksPass1(CompressInfo* info)
{
    Step steps[8];
    int n = 0, phase = 0;
    steps[n++] = Step{0, kSplit, 0};
    const ImgProcConverter* cv = info->proc.converter;
    const int passes = cv ? std::min(cv->get_num_passes(), 6) : 0;
    for (int k = 0; k < passes; ++k) {
        if (DoesConvertPassDependsOnAllBlocks(info, k)) ++phase;
        steps[n++] = Step{phase, kConvert, k};
    }
    steps[n++] = Step{phase, kPredict, 0};

    PlanarFrame* source = cv ? &m_convertedFrame : &m_splitFrame;
    m_residualFrame.alignAs(*source);
    // Engine planes are predicted in place; the caller's planes only ever get read.
    for (int k = 0; k < 4; ++k)
        if (source->planes[k].data && !source->planes[k].borrowed) m_residualFrame.planes[k] = source->planes[k];

    for (int ph = 0; ph <= phase; ++ph) {
        auto item = [&](int s, int thread) {
            for (int i = 0; i < n; ++i) {
                if (steps[i].phase != ph) continue;
                switch (steps[i].kind) {
                case kSplit: SplitOrJoinBlock(info, s); break;
                case kConvert: ConvertBlock(info, &m_splitFrame, &m_convertedFrame, steps[i].pass, s); break;
                case kPredict:
                    for (int p = 0; p < m_geo.planes; ++p) PredictBlock(info, p, s, source, thread);
                    break;
                default: break;
                }
            }
        };
        if (!parallel_for(m_geo.slices, item)) return false;
    }
    return true;
}

void Quorvane::SplitOrJoinBlock(CompressInfo* info, int s)
{
    const ImgProcFrontend* fe = info->proc.frontend;
    const ImgProcBackend* be = fe->m_backend;
    const int H = static_cast<int>(m_geo.height);
    const int F = static_cast<int>(int64_t(s) * m_geo.sliceHeight);
    const int R = static_cast<int>(std::min<int64_t>(int64_t(F) + m_geo.sliceHeight, H) - F);
    const bool flip = m_flipInForce;
    const bool compressing = info->compressing;

    ImgFrame planes{};
    for (int p = 0; p < be->get_num_canonical_planes() && p < 4; ++p) {
        const ImagePlane& sp = m_splitFrame.planes[p];
        uint8_t* data = advance(sp.data, be->get_cplane_height(p, F), sp.stride);
        int32_t stride = sp.stride;
        if (flip && compressing) {
            data = advance(data, be->get_cplane_height(p, R) - 1, stride);
            stride = -stride;
        }
        planes[p] = ImgPlane{data, stride};
    }
    ImgFrame packed{};
    for (int q = 0; q < fe->get_num_top_level_planes() && q < 4; ++q) {
        const ImagePlane& cp = info->planes[q];
        int64_t row = fe->get_tplane_height(q, F);
        if (flip) row = int64_t(fe->get_tplane_height(q, H)) - fe->get_tplane_height(q, F) - fe->get_tplane_height(q, R);
        uint8_t* data = advance(cp.data, row, cp.stride);
        int32_t stride = cp.stride;
        if (flip && !compressing) {
            data = advance(data, fe->get_tplane_height(q, R) - 1, stride);
            stride = -stride;
        }
        packed[q] = ImgPlane{data, stride};
    }
    const int W = static_cast<int>(m_geo.width);
    if (compressing) fe->decorrsplit(packed, W, R, planes);
    else fe->undecorrjoin(packed, W, R, planes);
}

void Quorvane::ConvertBlock(CompressInfo* info, PlanarFrame* source, PlanarFrame* destination, int pass, int s)
{
    const ImgProcConverter* cv = info->proc.converter;
    if (!cv) return;
    const int W = static_cast<int>(m_geo.width), H = static_cast<int>(m_geo.height);
    const int first = static_cast<int>(int64_t(s) * m_geo.sliceHeight);
    const int rows = static_cast<int>(std::min<int64_t>(int64_t(first) + m_geo.sliceHeight, H) - first);
    ImgFrame src = source->view(), dst = destination->view();
    if (!m_geo.interlaced) {
        cv->convert(src, dst, W, H, BlockRect{first, rows}, pass);
        return;
    }
    for (int k = 0; k < 4; ++k) {
        src[k].stride *= 2;
        dst[k].stride *= 2;
    }
    cv->convert(src, dst, W, H / 2, BlockRect{first / 2, rows / 2}, pass);
    for (int k = 0; k < 4; ++k) {
        // Field 1 starts one (undoubled) row further; empty slots stay empty.
        if (src[k].ptr) src[k].ptr += src[k].stride / 2;
        if (dst[k].ptr) dst[k].ptr += dst[k].stride / 2;
    }
    cv->convert(src, dst, W, H / 2, BlockRect{first / 2, rows / 2}, pass);
}

void Quorvane::PredictBlock(CompressInfo* info, int p, int s, PlanarFrame* source, int thread)
{
    BlockData& blk = m_blocks[static_cast<size_t>(p) * m_geo.slices + s];
    const BlockSpan span = blockSpan(p, s);
    const ImgProcBackend* be = info->proc.backend;
    const ImagePlane& sp = source->planes[p];
    const ImagePlane& dp = m_residualFrame.planes[p];
    const int32_t stride = sp.stride;
    const int width = static_cast<int>(span.width), rows = static_cast<int>(span.rows);
    uint8_t* src = advance(sp.data, span.firstRow, stride);
    uint8_t* dst = advance(dp.data, span.firstRow, stride);
    blk.flags = 0;

    int id = m_encodeSettings.predictor;
    if (id == 4) {
        PredictScores sc;
        if (!m_geo.interlaced) {
            sc = be->calc_predict_scores(ImgPlane{src, stride}, width, rows);
        } else {
            const PredictScores a = be->calc_predict_scores(ImgPlane{src, 2 * stride}, width, rows / 2);
            const PredictScores b = be->calc_predict_scores(ImgPlane{src + stride, 2 * stride}, width, rows / 2);
            // Saturating like the backends' own totals.
            auto add = [](int32_t x, int32_t y) {
                const int64_t v = int64_t(x) + y;
                return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
            };
            sc = PredictScores{add(a.left, b.left), add(a.gradient, b.gradient), add(a.median, b.median)};
        }
        const int32_t best = std::max({sc.left, sc.gradient, sc.median});
        id = sc.left == best ? 1 : sc.gradient == best ? 2 : 3;
    }
    blk.predictor = static_cast<uint8_t>(id);

    // Table mode 2 counts every residual of the block as it is predicted, into the thread's
    // tables of the plane.
    uint32_t* counts = nullptr;
    if (m_geo.tableMode == 2) {
        ThreadCounts& mine = m_counts[static_cast<size_t>(thread)];
        const size_t entries = backends::count_table_entries(m_geo.bits);
        if (!mine.used) {
            std::fill(mine.planes, mine.planes + static_cast<size_t>(m_geo.planes) * entries, 0u);
            mine.used = true;
        }
        counts = mine.planes + static_cast<size_t>(p) * entries;
    }
    const int fields = m_geo.interlaced ? 2 : 1;
    const int32_t fstride = stride * fields;
    const int frows = rows / fields;
    for (int f = 0; f < fields; ++f) {
        uint8_t* fs = src + int64_t(f) * stride;
        uint8_t* fd = dst + int64_t(f) * stride;
        if (sp.borrowed) be->predict(ImgPlane{fs, fstride}, ImgPlane{fd, fstride}, width, frows, id, counts);
        else be->predict(ImgPlane{fd, fstride}, width, frows, id, counts);
    }
}

bool Quorvane::CompressBlocksPass2(CompressInfo* info)
{
    if (m_geo.tableMode != 2) return false;
    const int P = m_geo.planes;
    if (!AllocateHuffCoders(P, m_geo.bits)) return false;
    const unsigned symbols = 1u << m_geo.bits;
    std::atomic<bool> tablesOk{true};
    uint64_t samples[4] = {};
    auto tables = [&](int p, int) {
        std::vector<uint64_t>& sum = m_histograms[p];
        std::fill(sum.begin(), sum.end(), 0);
        // The rows the blocks cover.
        const uint64_t rows = std::min<uint64_t>(m_geo.planeRows[p], uint64_t(m_geo.slices) * m_geo.sliceRows[p]);
        samples[p] = uint64_t(m_geo.planeWidth[p]) * rows;
        const size_t entries = backends::count_table_entries(m_geo.bits);
        for (const ThreadCounts& c : m_counts)
            if (c.used) backends::add_count_tables(c.planes + size_t(p) * entries, m_geo.bits, sum.data());
        m_coders[p]->pairRowsLater = true;
        const bool ok = m_coders[p]->setSymbols(symbols, reinterpret_cast<const unsigned long long*>(sum.data()),
                                                 true, nullptr);
        m_coderReady[p] = ok;
        if (!ok) tablesOk = false;
    };
    if (!parallel_for(P, tables) || !tablesOk) return false;
    // The pair tables cost more than the rest of the tables together: their rows are built over
    // the whole team rather than one table per thread.
    // A plane with fewer samples than its pair table has entries is coded one sample at a time:
    // building the table would cost more than pairing saves (same bytes either way).
    constexpr int kPairRowChunks = 8;
    bool pairs = false, paired[4] = {};
    for (int p = 0; p < P; ++p) {
        HuffCoder& c = *m_coders[static_cast<size_t>(p)];
        paired[p] = samples[p] >= uint64_t(c.numSymbols) * c.numSymbols && c.begin_pair_rows();
        pairs = pairs || paired[p];
    }
    if (pairs) {
        auto rows = [&](int i, int) {
            const int p = i / kPairRowChunks;
            if (!paired[p]) return;
            HuffCoder& c = *m_coders[static_cast<size_t>(p)];
            const uint32_t n = c.numSymbols, k = static_cast<uint32_t>(i % kPairRowChunks);
            c.build_pair_rows(n * k / kPairRowChunks, n * (k + 1) / kPairRowChunks);
        };
        if (!parallel_for(P * kPairRowChunks, rows)) return false;
        for (int p = 0; p < P; ++p)
            if (paired[p]) m_coders[static_cast<size_t>(p)]->end_pair_rows();
    }
    auto encode = [&](int i, int) { EncodeBlock(info, SliceMajorBlock(i), &m_residualFrame); };
    return parallel_for(static_cast<int>(m_blocks.size()), encode);
}

void Quorvane::EncodeBlock(CompressInfo* info, int b, PlanarFrame* residual)
{
    BlockData& blk = m_blocks[static_cast<size_t>(b)];
    const int p = b / m_geo.slices, s = b % m_geo.slices;
    const BlockSpan span = blockSpan(p, s);
    const HuffCoder& coder = *m_coders[static_cast<size_t>(p)];
    const ImagePlane& plane = residual->planes[p];
    const int pixelSize = info->proc.backend->get_pixel_size();
    const uint32_t width = span.width, rows = span.rows;
    const int32_t stride = plane.stride;
    const uint32_t group = (int64_t(stride) == int64_t(width) * pixelSize) ? std::max(rows, 1u) : 1u;
    const uint8_t* first = advance(plane.data, span.firstRow, stride);

    HuffCoder::Status st(blk.buffer.data(), blk.buffer.size());
    for (uint32_t r = 0; r < rows; r += group)
        coder.encode_block(st, advance(const_cast<uint8_t*>(first), r, stride), width * std::min(group, rows - r));
    uint32_t coded = static_cast<uint32_t>(coder.encode_end(st));
    const uint64_t raw = (uint64_t(m_geo.bits) * width * rows + 7) / 8;
    if (coded >= raw) {
        LogMessage("Entropy encode skipped (%d >= %d, cplane: %d, cplane blockid: %d, coderid: %d)\n",
                   static_cast<int>(coded), static_cast<int>(raw), p, s, p);
        HuffCoder::Status st2(blk.buffer.data(), blk.buffer.size());
        for (uint32_t r = 0; r < rows; r += group)
            coder.compact_block(st2, advance(const_cast<uint8_t*>(first), r, stride), width * std::min(group, rows - r));
        coded = static_cast<uint32_t>(coder.encode_end(st2));
        blk.flags |= 1;
    }
    blk.codedSize = coded;
}

uint32_t Quorvane::CompressFinalize(CompressInfo* info)
{
    uint8_t* out = static_cast<uint8_t*>(info->data);
    const ParsedHeader& header = info->header;
    const uint32_t H = static_cast<uint32_t>(header.bytes.size());
    std::memcpy(out, header.data, H);
    const uint32_t N = static_cast<uint32_t>(m_blocks.size());
    uint64_t dataStart = 4 + 4 * uint64_t(N);
    if (m_geo.tableMode == 2) {
        uint8_t* t = out + H + 4 + 4 * uint64_t(N);
        *t++ = static_cast<uint8_t>(m_coders.size());
        // Every block is coded with its plane's table.
        for (uint32_t b = 0; b < N; ++b) *t++ = static_cast<uint8_t>(b / static_cast<uint32_t>(m_geo.slices));
        uint64_t packed = 0;
        for (const std::unique_ptr<HuffCoder>& c : m_coders) packed += CompressHuffTable(c->lengths, t + packed);
        dataStart += 1 + N + packed;
    }
    store_le32(out + H, static_cast<uint32_t>(dataStart));
    std::vector<uint64_t>& offsets = m_offsets;
    offsets.resize(N);
    uint64_t offset = dataStart;
    for (uint32_t b = 0; b < N; ++b) {
        offsets[b] = offset;
        store_le32(out + H + 4 + 4 * uint64_t(b), static_cast<uint32_t>(offset));
        offset += 2 + m_blocks[b].codedSize;
    }
    auto copy = [&](int i, int) {
        const int b = SliceMajorBlock(i);
        const BlockData& blk = m_blocks[static_cast<size_t>(b)];
        uint8_t* dst = out + H + offsets[static_cast<size_t>(b)];
        dst[0] = static_cast<uint8_t>(blk.flags);
        dst[1] = static_cast<uint8_t>(blk.predictor);
        std::memcpy(dst + 2, blk.buffer.data(), blk.codedSize);
    };
    if (!parallel_for(static_cast<int>(N), copy)) return 0;
    const uint64_t end = H + offset;
    const uint64_t size = (end & 1) ? end + 15 : end + 16;
    std::memset(out + end, 0, size - end);
    return static_cast<uint32_t>(size);
}

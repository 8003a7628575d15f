// The 32-byte format header, the worst-case frame size and the packing of code-length tables.

#include "codec/QuorvaneEngine.h"

#include "codec/ByteOrder.h"
#include "codec/FormatFamilies.h"
#include "codec/entropy/HuffCoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kMagic[4] = {'Q', 'O', 'R', 'V'};
constexpr uint32_t kFlagInterlaced = 1u << 1;
constexpr uint32_t kFlagFullRange = 1u << 2;
constexpr uint32_t kFlagAlways = 0x20000;
constexpr int kTableModeShift = 20;
// Room the format keeps in every frame beside the samples.
constexpr uint64_t kBufferMargin = 262144;

bool has_magic(const void* p)
{
    return std::memcmp(p, kMagic, 4) == 0;
}

} // namespace

bool Quorvane::ParsedHeader::parse(const void* p, uint32_t size)
{
    if (!p || size < static_cast<uint32_t>(kHeaderSize)) return false;
    const uint8_t* h = static_cast<const uint8_t*>(p);
    if (!has_magic(h) || load_le32(h + 4) != size || h[8] > kHeaderVersion) return false;
    bytes.assign(h, h + size);
    data = bytes.data();
    return true;
}

int Quorvane::HeaderTableMode(const uint8_t* header)
{
    const uint32_t flags = load_le32(header + 12);
    if (header[8] < 7) return static_cast<int>(flags & 1) + 1;
    return static_cast<int>((flags >> kTableModeShift) & 15);
}

bool Quorvane::CompressGetFormat(uint8_t* header, int frameType, uint32_t width, uint32_t height,
                                 int compressedType) const
{
    std::memset(header, 0, kHeaderSize);
    std::memcpy(header, kMagic, 4);
    store_le32(header + 4, kHeaderSize);
    header[8] = kHeaderVersion;
    if (compressedType == QUORVANE_FRAME_ANY) compressedType = GetDefaultFormat(frameType);
    const CompressProc* p = FindBinding(frameType, compressedType);
    if (!p || p->direction != kCompress) return false;

    header[9] = static_cast<uint8_t>(compressedType);
    auto len = m_codeLengths.find(p->backend->get_pixel_bits());
    header[10] = static_cast<uint8_t>(len == m_codeLengths.end() ? 0 : len->second);
    header[11] = static_cast<uint8_t>(m_encodeSettings.colorSpace);
    // Every frame carries its own tables (mode 2). Settings 0 and 3 would name modes that store
    // neither tables nor coded blocks, and 1 was never written, so all of them write mode 2.
    uint32_t flags = 2u << kTableModeShift;
    if (m_encodeSettings.fieldType != 0) flags |= kFlagInterlaced;
    if (m_encodeSettings.fullRange != 0) flags |= kFlagFullRange;
    flags |= kFlagAlways;
    if (!keeps_color_space(compressedType)) {
        flags &= ~kFlagFullRange;
        header[11] = 2;
    }
    store_le32(header + 12, flags);
    store_le32(header + 16, width);
    store_le32(header + 20, height);
    store_le32(header + 24, width);
    store_le32(header + 28, static_cast<uint32_t>(m_sliceHeight));
    return true;
}

int Quorvane::CompressGetFormatSize(int frameType, uint32_t width, uint32_t height, int compressedType) const
{
    uint8_t scratch[kHeaderSize];
    if (!CompressGetFormat(scratch, frameType, width, height, compressedType)) return 0;
    return static_cast<int>(load_le32(scratch + 4));
}

uint64_t Quorvane::rawPlaneBytes(const ImgProcBackend* be, uint32_t width, uint32_t height) const
{
    uint64_t sum = 0;
    const uint64_t bits = static_cast<uint64_t>(be->get_pixel_bits());
    for (int p = 0; p < be->get_num_canonical_planes(); ++p) {
        const uint64_t cw = static_cast<uint64_t>(std::max(0, be->get_cplane_width(p, static_cast<int>(width))));
        const uint64_t ch = static_cast<uint64_t>(std::max(0, be->get_cplane_height(p, static_cast<int>(height))));
        sum += (cw * ch * bits + 7) / 8;
    }
    return sum;
}

uint64_t Quorvane::workBufferBytes(const ImgProcFrontend* fe, uint32_t width, uint32_t height)
{
    const ImgProcBackend* be = fe->m_backend;
    return (uint64_t(width) + 128) * height * static_cast<uint64_t>(be->get_num_canonical_planes()) *
               static_cast<uint64_t>(be->get_pixel_size()) +
           8192;
}

int Quorvane::CompressGetBufferSize(int frameType, uint32_t width, uint32_t height, int compressedType) const
{
    const CompressProc* p = FindBinding(frameType, compressedType);
    if (!p || p->direction != kCompress) return 0;
    // Sizes beyond what an int can carry are refused; they also keep the backends' int geometry
    // from overflowing.
    if (width > 0x7fffffffu || height > 0x7fffffffu) return 0;
    if (workBufferBytes(p->frontend, width, height) > 0x7fffffffu) return 0;
    const ImgProcBackend* be = p->backend;
    const uint64_t formula = (kBufferMargin + rawPlaneBytes(be, width, height) + 3) & ~uint64_t(3);

    // The true worst case: header, offsets, table count and indexes, the tables packed one length
    // per byte, and every block stored raw behind its two header bytes.
    const uint64_t L = static_cast<uint64_t>(m_sliceHeight);
    const uint64_t slices = (height + L - 1) / L;
    const uint64_t planes = static_cast<uint64_t>(be->get_num_canonical_planes());
    const uint64_t blocks = planes * slices;
    const uint64_t bits = static_cast<uint64_t>(be->get_pixel_bits());
    uint64_t bound = kHeaderSize + 4 + 5 * blocks + 1 + planes * (uint64_t(1) << bits) + 2 * blocks + 16;
    for (uint64_t q = 0; q < planes; ++q) {
        const int pi = static_cast<int>(q);
        const uint64_t cw = static_cast<uint64_t>(std::max(0, be->get_cplane_width(pi, static_cast<int>(width))));
        const uint64_t ch = static_cast<uint64_t>(std::max(0, be->get_cplane_height(pi, static_cast<int>(height))));
        const uint64_t chL = static_cast<uint64_t>(std::max(0, be->get_cplane_height(pi, static_cast<int>(L))));
        for (uint64_t s = 0; s < slices; ++s) {
            const uint64_t first = s * chL;
            const uint64_t rows = std::min(ch, first + chL) - std::min(ch, first);
            bound += (bits * cw * rows + 7) / 8;
        }
    }
    const uint64_t size = std::max(formula, (bound + 3) & ~uint64_t(3));
    return size > 0x7fffffffu ? 0 : static_cast<int>(size);
}

unsigned Quorvane::CompressHuffTable(const std::vector<int>& lengths, uint8_t* out)
{
    if (lengths.empty()) return 0;
    unsigned n = 0;
    int current = lengths[0];
    int repeat = 0;
    auto emit = [&] {
        if (repeat == 0) {
            out[n++] = static_cast<uint8_t>(current);
        } else {
            out[n++] = static_cast<uint8_t>(current | 0x80);
            out[n++] = static_cast<uint8_t>(repeat);
        }
    };
    for (size_t i = 1; i < lengths.size(); ++i) {
        if (repeat == 255 || lengths[i] != current) {
            emit();
            current = lengths[i];
            repeat = 0;
        } else {
            ++repeat;
        }
    }
    emit();
    return n;
}

int64_t Quorvane::UncompressHuffTable(const uint8_t* p, const uint8_t* end, int* lengths, size_t count)
{
    const uint8_t* start = p;
    size_t filled = 0;
    while (filled < count) {
        if (p >= end) return -1;
        const uint8_t b = *p++;
        if ((b & 0x80) == 0) {
            lengths[filled++] = b;
            continue;
        }
        if (p >= end) return -1;
        // A run that overshoots its table ends with the table.
        const size_t n = std::min<size_t>(static_cast<size_t>(*p++) + 1, count - filled);
        std::fill(lengths + filled, lengths + filled + n, b & 0x7f);
        filled += n;
    }
    return p - start;
}

bool Quorvane::HeaderTablesUsable(const uint8_t* header, uint32_t size, int frameType) const
{
    if (HeaderTableMode(header) != 1) return true;
    const CompressProc* p = FindBinding(header[9], frameType);
    if (!p) return true; // refused later for want of a binding
    const int bits = p->backend->get_pixel_bits();
    std::unique_ptr<HuffCoder> coder = make_huff_coder(bits);
    if (!coder) return false;
    const size_t count = size_t(1) << bits;
    std::vector<int> lengths(count);
    const uint8_t* cursor = header + kHeaderSize;
    const uint8_t* end = header + size;
    for (int q = 0; q < p->backend->get_num_canonical_planes(); ++q) {
        std::fill(lengths.begin(), lengths.end(), 0);
        const int64_t used = UncompressHuffTable(cursor, end, lengths.data(), count);
        if (used < 0) return false; // lengths left at 0 are refused by every coder
        cursor += used;
        if (!coder->setLengths(static_cast<unsigned>(count), lengths.data(), true, nullptr)) return false;
    }
    return true;
}

bool Quorvane::CanDecompress(const void* header, uint32_t size, int frameType) const
{
    ParsedHeader parsed;
    if (!parsed.parse(header, size)) return false;
    const uint8_t* h = parsed.data;
    const CompressProc* p = FindBinding(h[9], frameType);
    if (!p || p->direction != kDecompress) return false;

    const uint32_t width = load_le32(h + 16);
    const uint32_t height = load_le32(h + 20);
    const ImgProcBackend* geo = p->frontend->m_frameBackend;
    const uint32_t wm = static_cast<uint32_t>(std::max(geo->get_width_modulo(), p->backend->get_width_modulo()));
    if (width % wm != 0 || height % heightModulo(*p, h) != 0) return false;
    auto len = m_codeLengths.find(p->backend->get_pixel_bits());
    if (len == m_codeLengths.end() || h[10] != len->second) return false;
    if (h[11] > 2) return false;

    // The header comes from a file. Sizes the encoder could not have produced would overflow the
    // work-buffer arithmetic.
    if (width < 4 || height < 4) return false;
    if (width > 0x7fffffffu || height > 0x7fffffffu) return false;
    if ((kBufferMargin + rawPlaneBytes(p->backend, width, height)) > 0x7fffffffu) return false;
    // Narrow, very tall frames: the work buffer grows by 128 samples per row, whatever the width.
    if (workBufferBytes(p->frontend, width, height) > 0x7fffffffu) return false;
    return sliceHeightFits(*p, h);
}

uint32_t Quorvane::heightModulo(const CompressProc& binding, const uint8_t* header)
{
    const ImgProcBackend* geo = binding.frontend->m_frameBackend;
    const uint32_t hm =
        static_cast<uint32_t>(std::max(geo->get_height_modulo(), binding.backend->get_height_modulo()));
    return (load_le32(header + 12) & kFlagInterlaced) != 0 ? 2 * hm : hm;
}

bool Quorvane::sliceHeightFits(const CompressProc& binding, const uint8_t* header)
{
    const uint32_t slice = load_le32(header + 28);
    // The begins keep slice heights as int.
    return slice != 0 && slice <= 0x7fffffffu && slice % heightModulo(binding, header) == 0;
}

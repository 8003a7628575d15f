#pragma once
// Caller frames in a binding's layout and the compress and decompress calls on them, shared by the
// round-trip target and the seed writer. A failing call is a broken invariant (qfuzz::fail).

#include "codec/quorvane.h"
#include "fuzz/Bindings.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace qfuzz {

struct AlignedFree {
    void operator()(uint8_t* p) const { std::free(p); }
};

// A caller frame in the binding's layout with strides and plane offsets of our choosing.
struct Frame {
    Frame(const Binding& b, uint32_t width, uint32_t height, uint32_t padUnits, bool offset)
    {
        uint64_t total = 0;
        uint64_t starts[4] = {};
        for (int q = 0; q < b.planes; ++q) {
            const uint64_t tw = static_cast<uint64_t>(std::max(0, b.frontend->get_tplane_width(q, int(width))));
            const uint64_t bs = static_cast<uint64_t>(b.frontend->get_pixelblock_size(q));
            const uint64_t bp = static_cast<uint64_t>(std::max(1, b.frontend->get_pixelblock_pixels(q)));
            rowBytes[q] = (tw * bs + bp - 1) / bp;
            rows[q] = static_cast<uint64_t>(std::max(0, b.frontend->get_tplane_height(q, int(height))));
            const uint64_t align = static_cast<uint64_t>(b.rowAlign[q]);
            stride[q] = (rowBytes[q] + align - 1) / align * align + padUnits * align;
            // Each plane starts on a 64-byte boundary, or as far past one as its alignment allows.
            total = (total + 63) / 64 * 64;
            if (offset) total += static_cast<uint64_t>(b.ptrAlign[q]) % 64 == 0 ? 0 : static_cast<uint64_t>(b.ptrAlign[q]);
            starts[q] = total;
            total += stride[q] * rows[q];
        }
        size = total;
        buffer.reset(static_cast<uint8_t*>(std::aligned_alloc(64, (size + 64) / 64 * 64)));
        for (int q = 0; q < b.planes; ++q)
            data.planes[q] = QuorvanePlane{buffer.get() + starts[q], static_cast<int32_t>(stride[q]),
                                           static_cast<uint32_t>(stride[q] * rows[q])};
        planes = b.planes;
    }
    void fill(const uint8_t* pixels, size_t count)
    {
        uint8_t* p = buffer.get();
        if (count == 0) std::memset(p, 0, size);
        for (size_t i = 0; count && i < size; ++i) p[i] = pixels[i % count];
    }
    // The sample bytes of two frames of the same geometry are equal.
    bool same_samples(const Frame& o) const
    {
        for (int q = 0; q < planes; ++q)
            for (uint64_t r = 0; r < rows[q]; ++r)
                if (std::memcmp(static_cast<uint8_t*>(data.planes[q].data) + r * stride[q],
                                static_cast<uint8_t*>(o.data.planes[q].data) + r * stride[q], rowBytes[q]) != 0)
                    return false;
        return true;
    }

    std::unique_ptr<uint8_t, AlignedFree> buffer;
    uint64_t size = 0;
    int planes = 0;
    uint64_t rowBytes[4] = {}, rows[4] = {}, stride[4] = {};
    QuorvaneFrameData data{};
};

struct Settings {
    uint32_t width, height, flags, fieldType, colorSpace, range;
};

inline std::vector<uint8_t> compress(uint32_t h, const Binding& b, const Settings& s, const Frame& f)
{
    // An RGB source is always BT.709 full range; a YUV source must match the stream.
    const uint32_t cs = b.sourceYuv ? s.colorSpace : 0, range = b.sourceYuv ? s.range : 0;
    QuorvaneFrameTypeEx in{s.width, s.height, QUORVANE_FRAME_EXTENDED, 1, b.source, s.flags, cs, range, s.fieldType};
    QuorvaneFrameTypeEx out{s.width, s.height, QUORVANE_FRAME_EXTENDED, 1, b.compressed, 0, s.colorSpace, s.range, 0};
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0, maxSize = 0;
    int rc = quorvane_compress_begin(h, reinterpret_cast<QuorvaneFrameType*>(&in), reinterpret_cast<QuorvaneFrameType*>(&out),
                                     &format, &formatSize, &maxSize);
    if (rc != QUORVANE_OK) fail("compress begin %u -> %u at %ux%u (flags %u, field %u, cs %u, range %u) gave %d",
                                b.source, b.compressed, s.width, s.height, s.flags, s.fieldType, s.colorSpace, s.range, rc);
    // The header first, then the frame, so one vector carries the whole stream.
    std::vector<uint8_t> stream(format, format + formatSize);
    stream.resize(formatSize + size_t(maxSize));
    uint32_t size = 0;
    rc = quorvane_compress(h, &f.data, stream.data() + formatSize, &size);
    if (rc != QUORVANE_OK || size == 0 || size > maxSize)
        fail("compress %u -> %u at %ux%u gave %d with %u of %u bytes", b.source, b.compressed, s.width, s.height, rc,
             size, maxSize);
    stream.resize(formatSize + size_t(size));
    if (quorvane_compress_end(h) != QUORVANE_OK) fail("compress end refused");
    return stream;
}

inline void decompress(uint32_t h, const Binding& b, const Settings& s, const std::vector<uint8_t>& stream, Frame& out)
{
    const uint32_t formatSize = static_cast<uint32_t>(stream[4] | stream[5] << 8 | stream[6] << 16 | stream[7] << 24);
    QuorvaneFrameTypeEx req{s.width, s.height, QUORVANE_FRAME_EXTENDED, 1, b.source, s.flags, 0, 0, 0};
    int rc = quorvane_decompress_begin(h, stream.data(), formatSize, reinterpret_cast<QuorvaneFrameType*>(&req), nullptr);
    if (rc != QUORVANE_OK) fail("decompress begin %u -> %u at %ux%u gave %d", b.compressed, b.source, s.width, s.height, rc);
    std::memset(out.buffer.get(), 0xA5, out.size);
    rc = quorvane_decompress(h, stream.data() + formatSize, static_cast<uint32_t>(stream.size() - formatSize), &out.data);
    if (rc != QUORVANE_OK) fail("decompress %u -> %u at %ux%u gave %d", b.compressed, b.source, s.width, s.height, rc);
    if (quorvane_decompress_end(h) != QUORVANE_OK) fail("decompress end refused");
}

} // namespace qfuzz

#pragma once
// The engine's compress bindings as the round-trip target and the seed writer number them: every
// (source, compressed type) pair of the binding map, in map order, without the ANY rows. The
// geometry comes from the binding's frontend.

#include "codec/QuorvaneEngine.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qfuzz {

struct Binding {
    uint32_t source = 0, compressed = 0;
    bool converted = false;
    // Compressing the decoded frame gives the same stream: true for every binding that converts
    // nothing, except the float layouts, which quantise by truncation (1025 of the 16384 14-bit
    // values come back one lower).
    bool idempotent = false;
    bool exact = false;     // bound without conversion and every bit of the layout is a sample bit
    uint32_t exactWidthStep = 1; // ... at widths that are multiples of this
    bool sourceYuv = false; // the source takes a colour space and range of its own
    bool yuvStream = false; // so does the compressed stream
    uint32_t widthStep = 1, heightStep = 1;
    int bits = 0;   // stored sample bits
    int planes = 0; // top-level planes of the source layout
    int rowAlign[4] = {}, ptrAlign[4] = {};
    const ImgProcFrontend* frontend = nullptr; // owned by the engine the list was made from
    bool canFlip = false, hostRange = false;
};

inline bool is_yuv_code(int c) { return (c >= 103 && c <= 108) || c == 115 || c == 118 || c == 119 || c == 123; }

// Layouts whose bytes are all samples: 8-bit RGB(A) and YUV(A) in every packing, packed Bayer.
inline bool every_bit_kept(uint32_t type)
{
    switch (type) {
    case QUORVANE_FRAME_BGRA: case QUORVANE_FRAME_ARGB: case QUORVANE_FRAME_RGBA: case QUORVANE_FRAME_ABGR:
    case QUORVANE_FRAME_BGR: case QUORVANE_FRAME_RGB: case QUORVANE_FRAME_V308: case QUORVANE_FRAME_V408A:
    case QUORVANE_FRAME_AYUV: case QUORVANE_FRAME_VUYA: case QUORVANE_FRAME_YUY2: case QUORVANE_FRAME_UYVY:
    case QUORVANE_FRAME_YV24: case QUORVANE_FRAME_I444: case QUORVANE_FRAME_YV12: case QUORVANE_FRAME_I420:
    case QUORVANE_FRAME_Y8: case QUORVANE_FRAME_BAYER_12_PACKED_GBRG: case QUORVANE_FRAME_BAYER_12_PACKED_GRBG:
    case QUORVANE_FRAME_BAYER_12_PACKED_BGGR: return true;
    default: return false;
    }
}

inline std::vector<Binding> compress_bindings(const Quorvane& engine)
{
    std::vector<Binding> out;
    for (const auto& [key, proc] : engine.GetBindings()) {
        if (proc.direction != Quorvane::kCompress || key.second == QUORVANE_FRAME_ANY) continue;
        Binding b;
        b.source = static_cast<uint32_t>(key.first);
        b.compressed = static_cast<uint32_t>(key.second);
        b.converted = proc.converted;
        b.idempotent = !proc.converted && b.source != QUORVANE_FRAME_BGRA_32F && b.source != QUORVANE_FRAME_BGRX_32F;
        b.exact = !proc.converted && every_bit_kept(b.source);
        // Packed Bayer keeps its fields most significant bit first in little-endian words: the
        // fields of a partial group of 2, 4 or 6 pixels are not its first 3, 6 or 9 bytes, and
        // the bytes between them are padding.
        if (b.source >= QUORVANE_FRAME_BAYER_12_PACKED_GBRG && b.source <= QUORVANE_FRAME_BAYER_12_PACKED_BGGR)
            b.exactWidthStep = 8;
        b.sourceYuv = is_yuv_code(engine.GetFormatCategory(key.first));
        b.yuvStream = is_yuv_code(key.second);
        const ImgProcBackend* geo = proc.frontend->m_frameBackend;
        b.widthStep = static_cast<uint32_t>(std::max({1, geo->get_width_modulo(), proc.backend->get_width_modulo()}));
        b.heightStep = static_cast<uint32_t>(std::max({1, geo->get_height_modulo(), proc.backend->get_height_modulo()}));
        b.frontend = proc.frontend;
        b.bits = proc.backend->get_pixel_bits();
        b.planes = std::min(4, proc.frontend->get_num_top_level_planes());
        for (int q = 0; q < b.planes; ++q) {
            b.rowAlign[q] = std::max(1, proc.frontend->get_min_row_size_align(q));
            b.ptrAlign[q] = std::max(1, proc.frontend->get_min_row_ptr_align(q));
        }
        b.canFlip = proc.frontend->can_flip();
        b.hostRange = proc.frontend->supports_adobe_16u_range();
        out.push_back(b);
    }
    return out;
}

// The smallest size of at least w x h that the binding takes (rows doubled for interlacing).
inline void fit_size(const Binding& b, bool interlaced, uint32_t& w, uint32_t& h)
{
    const uint32_t hs = b.heightStep * (interlaced ? 2 : 1);
    w = std::max<uint32_t>(w, 4);
    h = std::max<uint32_t>(h, 4);
    w = (w + b.widthStep - 1) / b.widthStep * b.widthStep;
    h = (h + hs - 1) / hs * hs;
}

} // namespace qfuzz

#pragma once
// The interface of one uncompressed pixel layout: it splits the caller's rows (its top-level
// planes) into the canonical planes that a backend predicts, and joins them back. The engine
// owns one object per frontend class instance; decorrsplit and undecorrjoin run on several
// worker threads at once for disjoint row bands and touch nothing in the object.

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/backends/ImgProcBackend.h"

#include <cstdint>

class ImgProcFrontend {
public:
    virtual ~ImgProcFrontend() = default;

    virtual int get_num_top_level_planes() const = 0;
    // Row pitch multiple when the codec lays a frame of this type out itself.
    virtual int get_default_row_size_align(int plane) const = 0;
    // Alignment the caller's plane pointer must have.
    virtual int get_min_row_ptr_align(int plane) const = 0;
    // Alignment the caller's stride must have; by default the pointer alignment.
    virtual int get_min_row_size_align(int plane) const;
    // A row of w pixels takes (w * size + pixels - 1) / pixels bytes.
    virtual int get_pixelblock_size(int plane) const = 0;
    virtual int get_pixelblock_pixels(int plane) const = 0;
    virtual int get_tplane_width(int plane, int width) const = 0;
    virtual int get_tplane_height(int plane, int height) const = 0;
    virtual bool can_flip() const = 0;
    // Whether bit 0 of m_flags (host 16-bit samples on 0..32768) is honoured; false by default.
    virtual bool supports_adobe_16u_range() const;
    // Lays out the canonical planes of one frame. The default puts plane k at the first 1024-byte
    // boundary after plane k - 1, plus 256 * k, with strides rounded up to 16 bytes.
    virtual void calc_split_params(const ImgFrame& src, int width, int height, const uint8_t* workbuf,
                                   ImgFrame& dst, bool flip, bool compressing) const;
    // Compression: rows of the top-level planes -> the same rows of every canonical plane.
    virtual void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const = 0;
    // Decompression: the inverse.
    virtual void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const = 0;

    ImgProcBackend* m_backend = nullptr;      // canonical planes produced and consumed
    ImgProcBackend* m_frameBackend = nullptr; // the full plane set of the layout (size moduli)
    int32_t m_flags = 0;                      // bit 0: host 16-bit range, set by the engine

protected:
    ImgProcFrontend() = default;
    // The backend pointers point into the derived object itself.
    ImgProcFrontend(const ImgProcFrontend&) = delete;
    ImgProcFrontend& operator=(const ImgProcFrontend&) = delete;
};

#pragma once
// A conversion step between the frontend's split planes and the backend's planes: chroma
// resampling, grey to colour and back. Converters hold no per-call state; convert runs on
// several worker threads at once for different blocks.

#include "codec/imgproc/ImgTypes.h"
#include "codec/imgproc/backends/ImgProcBackend.h"

#include <cstdint>

class ImgProcConverter {
public:
    virtual ~ImgProcConverter() = default;

    // Copies the four affected-plane flags into affected[0..3].
    virtual void get_affected_planes(bool* affected) const
    {
        for (int k = 0; k < 4; ++k) affected[k] = this->affected[k];
    }
    virtual int get_num_passes() const { return numPasses; }
    // Row modulus of a pass: > 0 means block-local when the block height is a multiple of it,
    // 0 means the pass reads rows of neighbouring blocks. May leave mod unchanged.
    virtual void get_pass_dep_mod(int pass, int& mod) const = 0;
    // One pass over the rows of one block; width and height are the frame's (or field's) in luma.
    virtual void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rows,
                         int pass) const = 0;

    ImgProcBackend* srcBackend = nullptr; // geometry of the planes convert reads
    ImgProcBackend* dstBackend = nullptr; // geometry of the planes convert writes
    bool filtered = true;                 // set by the engine before each frame
    bool affected[4] = {false, false, false, false};
    int32_t numPasses = 0;

protected:
    ImgProcConverter() = default;
    // The backend pointers point into the derived object itself.
    ImgProcConverter(const ImgProcConverter&) = delete;
    ImgProcConverter& operator=(const ImgProcConverter&) = delete;
};

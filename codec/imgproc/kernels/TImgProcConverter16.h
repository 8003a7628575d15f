#pragma once
// Converters between 4:2:2 and 4:2:0 chroma of deep samples held in 16-bit words. The resampling
// kernels take strides in samples, so the byte strides are halved.

#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/TImgProcConverter.h"

#include <cstdint>

namespace convert_detail {
inline uint16_t* words(uint8_t* p) { return reinterpret_cast<uint16_t*>(p); }
} // namespace convert_detail

// Vertical (1,2,1)/4 on chroma, always filtered (the `filtered` switch is not read). The row above
// a band's first output lies in the block before it, hence mod 0.
template <int Bits>
class TImgProcConverter16_422_to_420 final
    : public TImgProcConverter<TImgProcBackend<short, Bits, 3, 2, 1>, TImgProcBackend<short, Bits, 3, 2, 2>> {
public:
    TImgProcConverter16_422_to_420() : TImgProcConverter16_422_to_420::TImgProcConverter({1, 2}, 1) {}
    void get_pass_dep_mod(int, int& mod) const override { mod = 0; }
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int) const override
    {
        using convert_detail::words;
        for (int p = 1; p <= 2; ++p)
            downscale2_vertical_sse_decide<uint16_t, Bits>(words(src[p].ptr), words(dst[p].ptr), src[p].stride / 2,
                                                           dst[p].stride / 2, width / 2, height, rect.first, rect.rows);
    }
};

// Pass 0 copies each chroma row into an even destination row (block-local); pass 1 interpolates
// the odd rows in place from even rows up to one above and two below the band (mod 0).
template <int Bits>
class TImgProcConverter16_420_to_422 final
    : public TImgProcConverter<TImgProcBackend<short, Bits, 3, 2, 2>, TImgProcBackend<short, Bits, 3, 2, 1>> {
public:
    TImgProcConverter16_420_to_422() : TImgProcConverter16_420_to_422::TImgProcConverter({1, 2}, 2) {}
    void get_pass_dep_mod(int pass, int& mod) const override
    {
        if (pass == 0) mod = 1;
        else if (pass == 1) mod = 0;
    }
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override
    {
        using convert_detail::words;
        for (int p = 1; p <= 2; ++p) {
            // width / 2 samples of two bytes: width bytes (less one for an odd width).
            if (pass == 0) convert_detail::spread_rows(src[p], dst[p], height, rect, width / 2 * 2);
            else interpolate2_vertical_sse_decide<uint16_t, Bits>(words(dst[p].ptr), dst[p].stride / 2, width / 2,
                                                                  height / 2, rect.first / 2, rect.rows / 2);
        }
    }
};

extern template class TImgProcConverter16_422_to_420<10>;
extern template class TImgProcConverter16_420_to_422<10>;

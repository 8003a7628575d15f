#pragma once
// The six 8-bit chroma converters between 4:4:4, 4:2:2 and 4:2:0 planar YUV. Planes 0 and 3 are
// never touched (the engine shares them between split and converted frames); planes 1 and 2 get
// the same treatment. `convert` takes whole-frame planes and the block's band in luma rows and
// maps the band onto chroma rows itself.

#include "codec/imgproc/kernels/TImgProcConverter.h"

using Backend8_444 = TImgProcBackend<unsigned char, 8, 3, 1, 1>;
using Backend8_422 = TImgProcBackend<unsigned char, 8, 3, 2, 1>;
using Backend8_420 = TImgProcBackend<unsigned char, 8, 3, 2, 2>;

// Halves chroma width: (1,2,1)/4 when filtered, else the even samples.
class ImgProcConverter8_444_to_422 final : public TImgProcConverter<Backend8_444, Backend8_422> {
public:
    ImgProcConverter8_444_to_422() : TImgProcConverter({1, 2}, 1) {}
    void get_pass_dep_mod(int pass, int& mod) const override;
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override;
};

// Doubles chroma width with the 4-tap interpolation.
class ImgProcConverter8_422_to_444 final : public TImgProcConverter<Backend8_422, Backend8_444> {
public:
    ImgProcConverter8_422_to_444() : TImgProcConverter({1, 2}, 1) {}
    void get_pass_dep_mod(int pass, int& mod) const override;
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override;
};

// Halves chroma both ways: combined filter (reads the row above the band), or even samples of
// even rows.
class ImgProcConverter8_444_to_420 final : public TImgProcConverter<Backend8_444, Backend8_420> {
public:
    ImgProcConverter8_444_to_420() : TImgProcConverter({1, 2}, 1) {}
    void get_pass_dep_mod(int pass, int& mod) const override;
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override;
};

// Pass 0 widens each chroma row into an even destination row; pass 1 interpolates the odd rows
// from even rows of neighbouring blocks.
class ImgProcConverter8_420_to_444 final : public TImgProcConverter<Backend8_420, Backend8_444> {
public:
    ImgProcConverter8_420_to_444() : TImgProcConverter({1, 2}, 2) {}
    void get_pass_dep_mod(int pass, int& mod) const override;
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override;
};

// Halves chroma height: vertical (1,2,1)/4 (reads the row above the band), or the even rows.
class ImgProcConverter8_422_to_420 final : public TImgProcConverter<Backend8_422, Backend8_420> {
public:
    ImgProcConverter8_422_to_420() : TImgProcConverter({1, 2}, 1) {}
    void get_pass_dep_mod(int pass, int& mod) const override;
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override;
};

// Pass 0 copies each chroma row into an even destination row; pass 1 interpolates the odd rows.
class ImgProcConverter8_420_to_422 final : public TImgProcConverter<Backend8_420, Backend8_422> {
public:
    ImgProcConverter8_420_to_422() : TImgProcConverter({1, 2}, 2) {}
    void get_pass_dep_mod(int pass, int& mod) const override;
    void convert(const ImgFrame& src, ImgFrame dst, int width, int height, BlockRect rect, int pass) const override;
};

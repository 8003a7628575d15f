#pragma once
// The backend templates. Geometry is defined here so that frontends and converters can embed
// backends by value; the sample operations of TImgProcBackendBase are defined and explicitly
// instantiated in this folder's .cpp files for <unsigned char, 8> and <short, 10/12/14>.

#include "codec/imgproc/backends/ImgProcBackend.h"

template <class T, int Bits>
class TImgProcBackendBase : public ImgProcBackend {
public:
    int get_pixel_size() const override { return static_cast<int>(sizeof(T)); }
    int get_pixel_bits() const override { return Bits; }

    PredictScores calc_predict_scores(const ImgPlane& plane, int width, int height) const override;
    void predict(const ImgPlane& src, ImgPlane dst, int width, int height, int predictor,
                 uint32_t* counts = nullptr) const override;
    void predict(ImgPlane plane, int width, int height, int predictor, uint32_t* counts = nullptr) const override;
    void unpredict(ImgPlane plane, int width, int height, int predictor) const override;
};

extern template class TImgProcBackendBase<unsigned char, 8>;
extern template class TImgProcBackendBase<short, 10>;
extern template class TImgProcBackendBase<short, 12>;
extern template class TImgProcBackendBase<short, 14>;

// Planes other than the first are subsampled by XSub horizontally and YSub vertically.
template <class T, int Bits, int Planes, int XSub, int YSub>
class TImgProcBackend final : public TImgProcBackendBase<T, Bits> {
public:
    int get_num_canonical_planes() const override { return Planes; }
    int get_cplane_width(int plane, int width) const override
    {
        return (plane == 0 || XSub == 1) ? width : width / 2;
    }
    int get_cplane_height(int plane, int height) const override
    {
        return (plane == 0 || YSub == 1) ? height : height / 2;
    }
    int get_width_modulo() const override { return XSub; }
    int get_height_modulo() const override { return YSub; }
};

// A 12-bit Bayer mosaic as three planes: both greens of every 2x2 cell, red, blue.
template <int Bits>
class TImgProcBackend16_Bayer final : public TImgProcBackendBase<short, Bits> {
public:
    int get_num_canonical_planes() const override { return 3; }
    int get_cplane_width(int, int width) const override { return width / 2; }
    int get_cplane_height(int plane, int height) const override { return plane == 0 ? height : height / 2; }
    int get_width_modulo() const override { return 2; }
    int get_height_modulo() const override { return 2; }
};

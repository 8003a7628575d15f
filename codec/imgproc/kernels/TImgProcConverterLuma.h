#pragma once
// Converters between grey (one plane) and planar colour frames.

#include "codec/imgproc/kernels/TImgProcConverter.h"

#include <cstring>

// Colour to grey: the luma plane is shared with the split frame and goes to prediction as it is;
// chroma is dropped. No pass, no affected plane, so the engine schedules no convert stage.
template <class T, int Bits, int Planes, int XSub, int YSub>
class TImgProcConverter_4xx_to_400 final
    : public TImgProcConverter<TImgProcBackend<T, Bits, Planes, XSub, YSub>, TImgProcBackend<T, Bits, 1, 1, 1>> {
public:
    TImgProcConverter_4xx_to_400() : TImgProcConverter_4xx_to_400::TImgProcConverter({}, 0) {}
    void get_pass_dep_mod(int, int& mod) const override { mod = 1; }
    void convert(const ImgFrame&, ImgFrame, int, int, BlockRect, int) const override {}
};

// Grey to colour: luma was decoded in place into the shared plane 0; the block's chroma rows of
// planes 1 and 2 are filled with fill[0] and fill[1] (neutral chroma).
template <class T, int Bits, int Planes, int XSub, int YSub>
class TImgProcConverter_400_to_4xx final
    : public TImgProcConverter<TImgProcBackend<T, Bits, 1, 1, 1>, TImgProcBackend<T, Bits, Planes, XSub, YSub>> {
    static_assert(sizeof(T) == 1, "the fill is bytewise");

public:
    TImgProcConverter_400_to_4xx() : TImgProcConverter_400_to_4xx::TImgProcConverter({1, 2}, 1) {}
    void get_pass_dep_mod(int, int& mod) const override { mod = 1; }
    void convert(const ImgFrame&, ImgFrame dst, int width, int, BlockRect rect, int) const override
    {
        const int cols = width / XSub;
        if (cols < 1) return;
        for (int p = 1; p <= 2; ++p)
            for (int r = rect.first / YSub; r < (rect.first + rect.rows) / YSub; ++r)
                std::memset(dst[p].row(r), fill[p - 1], static_cast<size_t>(cols));
    }

    T fill[2] = {T(1 << (Bits - 1)), T(1 << (Bits - 1))};
};

extern template class TImgProcConverter_4xx_to_400<unsigned char, 8, 3, 1, 1>;
extern template class TImgProcConverter_4xx_to_400<unsigned char, 8, 3, 2, 2>;
extern template class TImgProcConverter_400_to_4xx<unsigned char, 8, 3, 1, 1>;
extern template class TImgProcConverter_400_to_4xx<unsigned char, 8, 3, 2, 2>;

#pragma once
// Base of the planar layouts with 16-bit sample words: rows of even pitch on 2-byte boundaries.

#include "codec/imgproc/frontends8/ImgProcFrontend_Planar.h"

class ImgProcFrontend_PlanarCommon16 : public ImgProcFrontend_PlanarCommon {
public:
    int get_default_row_size_align(int) const override { return 2; }
    int get_min_row_ptr_align(int) const override { return 2; }
    int get_pixelblock_size(int) const override { return 2; }
};

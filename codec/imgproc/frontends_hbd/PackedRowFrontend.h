#pragma once
// Base of the layouts with one top-level plane at frame size whose rows are whole pixel blocks of
// BlockBytes bytes for BlockPixels pixels: the geometry the engine asks such a frontend for,
// taken from the layout's constants.

#include "codec/ImgProcFrontend.h"

template <int RowAlign, int PtrAlign, int BlockBytes, int BlockPixels, bool Flip = true>
class PackedRowFrontend : public ImgProcFrontend {
public:
    int get_num_top_level_planes() const override { return 1; }
    int get_default_row_size_align(int) const override { return RowAlign; }
    int get_min_row_ptr_align(int) const override { return PtrAlign; }
    int get_pixelblock_size(int) const override { return BlockBytes; }
    int get_pixelblock_pixels(int) const override { return BlockPixels; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }
    bool can_flip() const override { return Flip; }
};

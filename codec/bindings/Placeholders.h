#pragma once
// Stand-ins for frontends and converters whose pixel code is not in the library yet. They carry
// the geometry of the real class (backends, planes, alignments, pixel blocks, flip), so that
// negotiations, size queries and plane checks answer as they will with the real class, but they
// cannot move pixels: the engine refuses every frame whose binding holds one (see
// Quorvane::BindingIsPlaceholder), so a missing class shows up as an error, never as wrong
// pixels. A row of a binding table swaps one for the real class; see codec/bindings/README.

#include "codec/ImgProcFrontend.h"
#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/kernels/ImgProcConverter.h"

// Marks an object that must never run a frame.
struct PlaceholderMark {
    virtual ~PlaceholderMark() = default;
};

inline bool is_placeholder(const ImgProcFrontend* f)
{
    return f && dynamic_cast<const PlaceholderMark*>(f) != nullptr;
}
inline bool is_placeholder(const ImgProcConverter* c)
{
    return c && dynamic_cast<const PlaceholderMark*>(c) != nullptr;
}

namespace placeholder {

using B8_4 = TImgProcBackend<unsigned char, 8, 4, 1, 1>;
using B8_3 = TImgProcBackend<unsigned char, 8, 3, 1, 1>;
using B8_1 = TImgProcBackend<unsigned char, 8, 1, 1, 1>;
using B8_422 = TImgProcBackend<unsigned char, 8, 3, 2, 1>;
using B8_420 = TImgProcBackend<unsigned char, 8, 3, 2, 2>;
template <int D> using B16_4 = TImgProcBackend<short, D, 4, 1, 1>;
template <int D> using B16_3 = TImgProcBackend<short, D, 3, 1, 1>;
using B10_1 = TImgProcBackend<short, 10, 1, 1, 1>;
using B10_422 = TImgProcBackend<short, 10, 3, 2, 1>;
using B10_420 = TImgProcBackend<short, 10, 3, 2, 2>;
template <int Planes, int XSub, int YSub> using B10 = TImgProcBackend<short, 10, Planes, XSub, YSub>;
using BBayer12 = TImgProcBackend16_Bayer<12>;

template <class Canon, class Geom>
class Backends {
protected:
    Canon m_canonBackend;
    Geom m_geomBackend;
};

// One top-level plane at frame size: every packed layout.
template <class Canon, class Geom, int DefAlign, int PtrAlign, int BlockBytes, int BlockPixels, bool Flip,
          bool Adobe16 = false>
class Packed final : public ImgProcFrontend, public PlaceholderMark, private Backends<Canon, Geom> {
public:
    Packed()
    {
        m_backend = &this->m_canonBackend;
        m_frameBackend = &this->m_geomBackend;
    }
    int get_num_top_level_planes() const override { return 1; }
    int get_default_row_size_align(int) const override { return DefAlign; }
    int get_min_row_ptr_align(int) const override { return PtrAlign; }
    int get_pixelblock_size(int) const override { return BlockBytes; }
    int get_pixelblock_pixels(int) const override { return BlockPixels; }
    int get_tplane_width(int, int width) const override { return width; }
    int get_tplane_height(int, int height) const override { return height; }
    bool can_flip() const override { return Flip; }
    bool supports_adobe_16u_range() const override { return Adobe16; }
    void decorrsplit(const ImgFrame&, int, int, ImgFrame) const override {}
    void undecorrjoin(ImgFrame, int, int, const ImgFrame&) const override {}
};

// Several top-level planes: plane 0 at frame size, the others subsampled by XSub and YSub.
template <class Canon, class Geom, int TopPlanes, int Align, int Block0, int BlockC, int XSub, int YSub>
class Planar final : public ImgProcFrontend, public PlaceholderMark, private Backends<Canon, Geom> {
public:
    Planar()
    {
        m_backend = &this->m_canonBackend;
        m_frameBackend = &this->m_geomBackend;
    }
    int get_num_top_level_planes() const override { return TopPlanes; }
    int get_default_row_size_align(int) const override { return Align; }
    int get_min_row_ptr_align(int) const override { return Align; }
    int get_pixelblock_size(int plane) const override { return plane == 0 ? Block0 : BlockC; }
    int get_pixelblock_pixels(int) const override { return 1; }
    int get_tplane_width(int plane, int width) const override { return plane == 0 ? width : width / XSub; }
    int get_tplane_height(int plane, int height) const override { return plane == 0 ? height : height / YSub; }
    bool can_flip() const override { return false; }
    void decorrsplit(const ImgFrame&, int, int, ImgFrame) const override {}
    void undecorrjoin(ImgFrame, int, int, const ImgFrame&) const override {}
};

// A converter with the real class's backends and pass count. Its passes depend on all blocks.
template <class Src, class Dst, int Passes>
class Converter final : public ImgProcConverter, public PlaceholderMark {
public:
    Converter()
    {
        srcBackend = &m_src;
        dstBackend = &m_dst;
        affected[1] = affected[2] = true;
        numPasses = Passes;
    }
    void get_pass_dep_mod(int, int& mod) const override { mod = 0; }
    void convert(const ImgFrame&, ImgFrame, int, int, BlockRect, int) const override {}

private:
    Src m_src;
    Dst m_dst;
};

} // namespace placeholder

namespace placeholder {
// Shorthands for the families of the 8-bit table.
template <class Canon> using F32 = Packed<Canon, B8_4, 4, 4, 4, 1, true>;
template <class Canon> using F24 = Packed<Canon, B8_3, 4, 4, 3, 1, true>;
template <class Canon> using Yuy2 = Packed<Canon, B8_422, 4, 4, 4, 2, false>;
} // namespace placeholder

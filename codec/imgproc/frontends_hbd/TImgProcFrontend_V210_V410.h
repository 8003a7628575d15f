#pragma once
// The packed 10-bit YUV layouts: V210 (4:2:2, six pixels in 16 bytes) and V410 (4:4:4, one word
// per pixel), each whole or luma-only. One class serves both, given the layout's row geometry
// (row pitch multiple, bytes and pixels of a pixel block), its chroma subsampling and its row
// kernels. The luma-only forms store Y alone and write neutral chroma on the way back; their frame
// backend keeps the full layout's size moduli, so a V210 row always ends on a whole pixel pair.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/KernelsV210.h"
#include "codec/imgproc/frontends_hbd/KernelsV410.h"
#include "codec/imgproc/frontends_hbd/PackedRowFrontend.h"

namespace hbd {
// One row of a packed 10-bit YUV layout to its planes and back; cb and cr are null when luma-only.
using SplitYuv10Row = void (*)(const uint8_t* src, int width, uint8_t* y, uint8_t* cb, uint8_t* cr);
using JoinYuv10Row = void (*)(uint8_t* dst, int width, const uint8_t* y, const uint8_t* cb, const uint8_t* cr);

struct PackedYuv10Geometry {
    int rowAlign;    // default row pitch multiple
    int blockBytes;  // a pixel block's bytes ...
    int blockPixels; // ... and pixels
    int chromaXSub;  // 2 for 4:2:2, 1 for 4:4:4
};
inline constexpr PackedYuv10Geometry kV210Geometry{128, 16, 6, 2};
inline constexpr PackedYuv10Geometry kV410Geometry{4, 4, 1, 1};
} // namespace hbd

template <hbd::PackedYuv10Geometry G, bool LumaOnly, hbd::SplitYuv10Row Split, hbd::JoinYuv10Row Join>
class TImgProcFrontendPackedYuv10 final : public PackedRowFrontend<G.rowAlign, 4, G.blockBytes, G.blockPixels> {
public:
    TImgProcFrontendPackedYuv10()
    {
        this->m_backend = LumaOnly ? static_cast<ImgProcBackend*>(&m_lumaBackend) : &m_fullBackend;
        this->m_frameBackend = &m_fullBackend;
    }

    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            Split(packed[0].row(y), width, planes[0].row(y), LumaOnly ? nullptr : planes[1].row(y),
                  LumaOnly ? nullptr : planes[2].row(y));
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y < rows; ++y)
            Join(packed[0].row(y), width, planes[0].row(y), LumaOnly ? nullptr : planes[1].row(y),
                 LumaOnly ? nullptr : planes[2].row(y));
    }

private:
    TImgProcBackend<short, 10, 3, G.chromaXSub, 1> m_fullBackend;
    TImgProcBackend<short, 10, 1, 1, 1> m_lumaBackend;
};

// The class of layout N (V210 or V410), whole or luma-only (L).
#define HBD_FRONTEND_YUV10(N, L) TImgProcFrontendPackedYuv10<hbd::k##N##Geometry, L, hbd::split##N<L>, hbd::join##N<L>>

template <bool LumaOnly>
using TImgProcFrontend_V210 = HBD_FRONTEND_YUV10(V210, LumaOnly);
template <bool LumaOnly>
using TImgProcFrontend_V410 = HBD_FRONTEND_YUV10(V410, LumaOnly);

#define HBD_FRONTEND_YUV10_INSTANCES(X) X(V210, false) X(V210, true) X(V410, false) X(V410, true)

#define HBD_EXTERN_FRONTEND_YUV10(N, L) extern template class HBD_FRONTEND_YUV10(N, L);
HBD_FRONTEND_YUV10_INSTANCES(HBD_EXTERN_FRONTEND_YUV10)
#undef HBD_EXTERN_FRONTEND_YUV10

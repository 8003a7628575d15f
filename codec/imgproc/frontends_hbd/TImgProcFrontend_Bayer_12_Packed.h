#pragma once
// Packed 12-bit Bayer frames: 111 GBRG, 222 GRBG, 333 BGGR. The stream does not record the
// pattern; the one asked for on decompression decides where the plane samples go.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/frontends_hbd/KernelsBayer12.h"
#include "codec/imgproc/frontends_hbd/PackedRowFrontend.h"

template <int Pattern>
class TImgProcFrontend_Bayer_12_Packed final : public PackedRowFrontend<4, 4, 12, 8, false> {
    static_assert(Pattern == 111 || Pattern == 222 || Pattern == 333);

public:
    TImgProcFrontend_Bayer_12_Packed() { m_backend = m_frameBackend = &m_bayerBackend; }

    // Blocks are walked in whole cell rows. A block with an odd row count (only a damaged or
    // foreign stream can ask for one) leaves its last row alone rather than touch the row after it.
    void decorrsplit(const ImgFrame& packed, int width, int rows, ImgFrame planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y + 1 < rows; y += 2) {
            const hbd::BayerPlaneRows<uint8_t*> p{
                {planes[0].row(y), planes[0].row(y + 1), planes[1].row(y / 2), planes[2].row(y / 2)}};
            hbd::splitBayer12_cellrow<Pattern>(packed[0].row(y), packed[0].row(y + 1), width, p);
        }
    }

    void undecorrjoin(ImgFrame packed, int width, int rows, const ImgFrame& planes) const override
    {
        if (width <= 0) return;
        for (int y = 0; y + 1 < rows; y += 2) {
            const hbd::BayerPlaneRows<const uint8_t*> p{
                {planes[0].row(y), planes[0].row(y + 1), planes[1].row(y / 2), planes[2].row(y / 2)}};
            hbd::joinBayer12_cellrow<Pattern>(packed[0].row(y), packed[0].row(y + 1), width, p);
        }
    }

private:
    TImgProcBackend16_Bayer<12> m_bayerBackend;
};

extern template class TImgProcFrontend_Bayer_12_Packed<111>;
extern template class TImgProcFrontend_Bayer_12_Packed<222>;
extern template class TImgProcFrontend_Bayer_12_Packed<333>;

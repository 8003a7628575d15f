#pragma once
// Common part of every converter: the two layout backends embedded by value right after the
// interface's fields (input layout first), with srcBackend and dstBackend pointing at them.

#include "codec/imgproc/backends/TImgProcBackend.h"
#include "codec/imgproc/kernels/ImgProcConverter.h"

#include <cstring>
#include <initializer_list>

template <class SrcLayout, class DstLayout>
class TImgProcConverter : public ImgProcConverter {
protected:
    TImgProcConverter(std::initializer_list<int> affectedPlanes, int passes)
    {
        srcBackend = &m_srcLayout;
        dstBackend = &m_dstLayout;
        for (int p : affectedPlanes) affected[p] = true;
        numPasses = passes;
    }

    SrcLayout m_srcLayout;
    DstLayout m_dstLayout;
};

namespace convert_detail {

// Copies `bytes` bytes of src row sr to dst row dr.
inline void copy_row(const ImgPlane& src, int sr, const ImgPlane& dst, int dr, int bytes)
{
    if (bytes > 0) std::memcpy(dst.row(dr), src.row(sr), static_cast<size_t>(bytes));
}

// Pass 0 of the 4:2:0 to 4:2:2 converters: chroma row r/2 goes to row r for r = first,
// first + 2, ... below first + rows. Rows past the source's h/2 chroma rows (an odd height) are
// not read.
inline void spread_rows(const ImgPlane& src, const ImgPlane& dst, int h, BlockRect rect, int bytes)
{
    for (int r = rect.first; r < rect.first + rect.rows; r += 2)
        if (r / 2 < h / 2) copy_row(src, r / 2, dst, r, bytes);
}

} // namespace convert_detail

#pragma once
// Row kernels of the planar GBR(A) layouts: In-bit samples in 16-bit words, stored at Out bits as
// B-G, G, R-G (and A). Reduced depth (Out < In) drops the low In - Out bits when compressing and
// restores them by bit replication when decompressing; the join works in place in the caller's
// planes, which the backend has just filled with the stored samples.
//
// The reduced-depth split masks input words to In bits before it narrows them. Same depth, G and A
// are coded straight from the caller's planes and B - G and R - G are taken modulo 2^Out, so the
// backend, which masks every word to the depth as it predicts, keeps the stored samples within Out
// bits whatever the caller's padding bits hold.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

template <int In, int Out>
struct GbrpDepth {
    static constexpr int shift = In - Out;
    static constexpr uint32_t inMask = (1u << In) - 1;
    static constexpr uint32_t outMask = (1u << Out) - 1;
    static uint32_t narrow(uint32_t v) { return (v & inMask) >> shift; }
    static uint32_t widen(uint32_t v)
    {
        if constexpr (shift == 0)
            return v;
        else
            return ((v << shift) | (v >> (2 * Out - In))) & 0xFFFF;
    }
};

template <int In, int Out, bool Alpha>
inline void splitGbrp_sample(const uint8_t* g, const uint8_t* b, const uint8_t* r, const uint8_t* a, int x,
                             uint8_t* c0, uint8_t* c1, uint8_t* c2, uint8_t* c3)
{
    using D = GbrpDepth<In, Out>;
    const uint32_t gg = D::narrow(ld16i(g, x));
    st16i(c0, x, (D::narrow(ld16i(b, x)) - gg) & D::outMask);
    st16i(c2, x, (D::narrow(ld16i(r, x)) - gg) & D::outMask);
    if constexpr (D::shift != 0) {
        st16i(c1, x, gg);
        if constexpr (Alpha) st16i(c3, x, D::narrow(ld16i(a, x)));
    }
}

template <int In, int Out, bool Alpha>
inline void joinGbrp_sample(uint8_t* g, uint8_t* b, uint8_t* r, uint8_t* a, int x)
{
    using D = GbrpDepth<In, Out>;
    const uint32_t gg = ld16i(g, x);
    st16i(b, x, D::widen((ld16i(b, x) + gg) & D::outMask));
    st16i(r, x, D::widen((ld16i(r, x) + gg) & D::outMask));
    if constexpr (D::shift != 0) {
        st16i(g, x, D::widen(gg));
        if constexpr (Alpha) st16i(a, x, D::widen(ld16i(a, x)));
    }
}

// Same depth writes only c0 and c2 (G and A are coded from the caller's planes); reduced depth
// writes c0..c2 and, with alpha, c3. Pointers that are not used may be null.
template <int In, int Out, bool Alpha>
void splitGbrp(const uint8_t* g, const uint8_t* b, const uint8_t* r, const uint8_t* a, int width, uint8_t* c0,
               uint8_t* c1, uint8_t* c2, uint8_t* c3);
template <int In, int Out, bool Alpha>
void splitGbrp_scalar(const uint8_t* g, const uint8_t* b, const uint8_t* r, const uint8_t* a, int width,
                      uint8_t* c0, uint8_t* c1, uint8_t* c2, uint8_t* c3);
// In place: b and r hold B-G and R-G, g and a the stored G and A.
template <int In, int Out, bool Alpha>
void joinGbrp(uint8_t* g, uint8_t* b, uint8_t* r, uint8_t* a, int width);
template <int In, int Out, bool Alpha>
void joinGbrp_scalar(uint8_t* g, uint8_t* b, uint8_t* r, uint8_t* a, int width);

} // namespace hbd

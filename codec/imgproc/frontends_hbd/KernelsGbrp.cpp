#include "codec/imgproc/frontends_hbd/KernelsGbrp.h"

namespace hbd {
namespace {

template <int In, int Out>
inline __m128i narrow_sse(__m128i v)
{
    using D = GbrpDepth<In, Out>;
    return _mm_srli_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(D::inMask))), D::shift);
}

template <int In, int Out>
inline __m128i widen_sse(__m128i v)
{
    using D = GbrpDepth<In, Out>;
    if constexpr (D::shift == 0)
        return v;
    else
        return _mm_or_si128(_mm_slli_epi16(v, D::shift), _mm_srli_epi16(v, 2 * Out - In));
}

} // namespace

template <int In, int Out, bool Alpha>
void splitGbrp(const uint8_t* g, const uint8_t* b, const uint8_t* r, const uint8_t* a, int width, uint8_t* c0,
               uint8_t* c1, uint8_t* c2, uint8_t* c3)
{
    using D = GbrpDepth<In, Out>;
    const __m128i M = _mm_set1_epi16(static_cast<short>(D::outMask));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i gg = narrow_sse<In, Out>(loadu(g + o));
        storeu(c0 + o, _mm_and_si128(_mm_sub_epi16(narrow_sse<In, Out>(loadu(b + o)), gg), M));
        storeu(c2 + o, _mm_and_si128(_mm_sub_epi16(narrow_sse<In, Out>(loadu(r + o)), gg), M));
        if constexpr (D::shift != 0) {
            storeu(c1 + o, gg);
            if constexpr (Alpha) storeu(c3 + o, narrow_sse<In, Out>(loadu(a + o)));
        }
    }
    for (; x < width; ++x) splitGbrp_sample<In, Out, Alpha>(g, b, r, a, x, c0, c1, c2, c3);
}

template <int In, int Out, bool Alpha>
void splitGbrp_scalar(const uint8_t* g, const uint8_t* b, const uint8_t* r, const uint8_t* a, int width,
                      uint8_t* c0, uint8_t* c1, uint8_t* c2, uint8_t* c3)
{
    for (int x = 0; x < width; ++x) splitGbrp_sample<In, Out, Alpha>(g, b, r, a, x, c0, c1, c2, c3);
}

template <int In, int Out, bool Alpha>
void joinGbrp(uint8_t* g, uint8_t* b, uint8_t* r, uint8_t* a, int width)
{
    using D = GbrpDepth<In, Out>;
    const __m128i M = _mm_set1_epi16(static_cast<short>(D::outMask));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        // Everything is loaded before anything is stored: G is needed for B and R.
        const __m128i gg = loadu(g + o);
        const __m128i bb = _mm_and_si128(_mm_add_epi16(loadu(b + o), gg), M);
        const __m128i rr = _mm_and_si128(_mm_add_epi16(loadu(r + o), gg), M);
        storeu(b + o, widen_sse<In, Out>(bb));
        storeu(r + o, widen_sse<In, Out>(rr));
        if constexpr (D::shift != 0) {
            storeu(g + o, widen_sse<In, Out>(gg));
            if constexpr (Alpha) storeu(a + o, widen_sse<In, Out>(loadu(a + o)));
        }
    }
    for (; x < width; ++x) joinGbrp_sample<In, Out, Alpha>(g, b, r, a, x);
}

template <int In, int Out, bool Alpha>
void joinGbrp_scalar(uint8_t* g, uint8_t* b, uint8_t* r, uint8_t* a, int width)
{
    for (int x = 0; x < width; ++x) joinGbrp_sample<In, Out, Alpha>(g, b, r, a, x);
}

#define HBD_KERNELS_GBRP(I, O, A)                                                                              \
    template void splitGbrp<I, O, A>(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, int,     \
                                     uint8_t*, uint8_t*, uint8_t*, uint8_t*);                                  \
    template void splitGbrp_scalar<I, O, A>(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*,   \
                                            int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);                      \
    template void joinGbrp<I, O, A>(uint8_t*, uint8_t*, uint8_t*, uint8_t*, int);                              \
    template void joinGbrp_scalar<I, O, A>(uint8_t*, uint8_t*, uint8_t*, uint8_t*, int);
#define HBD_KERNELS_GBRP_DEPTHS(A)                                                                             \
    HBD_KERNELS_GBRP(10, 10, A)                                                                                \
    HBD_KERNELS_GBRP(12, 10, A) HBD_KERNELS_GBRP(12, 12, A)                                                    \
    HBD_KERNELS_GBRP(14, 10, A) HBD_KERNELS_GBRP(14, 12, A) HBD_KERNELS_GBRP(14, 14, A)                        \
    HBD_KERNELS_GBRP(16, 10, A) HBD_KERNELS_GBRP(16, 12, A) HBD_KERNELS_GBRP(16, 14, A)
HBD_KERNELS_GBRP_DEPTHS(false)
HBD_KERNELS_GBRP_DEPTHS(true)

} // namespace hbd

#include "codec/imgproc/frontends_hbd/Kernels48.h"

namespace hbd {
namespace {

// pshufb controls that interleave three 8-sample channel vectors into 24 words (three output
// vectors), optionally swapping the bytes of every word: mask[out][channel].
struct Interleave3 {
    ShufMask mask[3][3];
};

constexpr Interleave3 make_interleave3(bool swapBytes)
{
    Interleave3 t{};
    for (int out = 0; out < 3; ++out)
        for (int ch = 0; ch < 3; ++ch)
            for (int b = 0; b < 16; ++b) {
                const int word = 8 * out + b / 2, pixel = word / 3, byteInWord = b % 2;
                const int srcByte = 2 * pixel + (swapBytes ? 1 - byteInWord : byteInWord);
                t.mask[out][ch].b[b] = static_cast<int8_t>(word % 3 == ch ? srcByte : -128);
            }
    return t;
}

template <int Out>
inline __m128i widen48_sse(__m128i s)
{
    return _mm_or_si128(_mm_slli_epi16(s, 16 - Out), _mm_srli_epi16(s, 2 * Out - 16));
}

} // namespace

template <int Out, int Layout>
void split48(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2)
{
    for (int x = 0; x < width; ++x) split48_pixel<Out, Layout>(src, x, p0, p1, p2);
}

template <int Out, int Layout>
void join48(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    static constexpr Interleave3 il = make_interleave3(Layout == 10);
    const __m128i M = _mm_set1_epi16(static_cast<short>((1 << Out) - 1));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        const __m128i g = loadu(p1 + o);
        const __m128i b = widen48_sse<Out>(_mm_and_si128(_mm_add_epi16(loadu(p0 + o), g), M));
        const __m128i r = widen48_sse<Out>(_mm_and_si128(_mm_add_epi16(loadu(p2 + o), g), M));
        const __m128i ch[3] = {Layout == 12 ? b : r, widen48_sse<Out>(g), Layout == 12 ? r : b};
        uint8_t* d = dst + 6 * static_cast<intptr_t>(x);
        for (int k = 0; k < 3; ++k) {
            const __m128i v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(ch[0], il.mask[k][0].load()),
                                                        _mm_shuffle_epi8(ch[1], il.mask[k][1].load())),
                                           _mm_shuffle_epi8(ch[2], il.mask[k][2].load()));
            storeu(d + 16 * k, v);
        }
    }
    for (; x < width; ++x) join48_pixel<Out, Layout>(dst, x, p0, p1, p2);
}

template <int Out, int Layout>
void join48_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2)
{
    for (int x = 0; x < width; ++x) join48_pixel<Out, Layout>(dst, x, p0, p1, p2);
}

#define HBD_KERNELS48(N, L)                                                                                    \
    template void split48<N, L>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);                           \
    template void join48<N, L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);                 \
    template void join48_scalar<N, L>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
#define HBD_KERNELS48_LAYOUT(N) HBD_KERNELS48(N, 10) HBD_KERNELS48(N, 11) HBD_KERNELS48(N, 12)
HBD_KERNELS48_LAYOUT(10)
HBD_KERNELS48_LAYOUT(12)
HBD_KERNELS48_LAYOUT(14)

} // namespace hbd

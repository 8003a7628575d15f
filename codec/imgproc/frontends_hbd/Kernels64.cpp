#include "codec/imgproc/frontends_hbd/Kernels64.h"

namespace hbd {
namespace {

template <int Bits, bool HostRange>
inline __m128i narrow64_sse(__m128i v)
{
    if constexpr (HostRange) {
        // min(v, 32768) without SSE4.1: v - saturate(v - 32768).
        const __m128i c = _mm_sub_epi16(v, _mm_subs_epu16(v, _mm_set1_epi16(static_cast<short>(0x8000))));
        return _mm_sub_epi16(_mm_srli_epi16(c, 15 - Bits), _mm_srli_epi16(c, 15));
    } else {
        return _mm_srli_epi16(v, 16 - Bits);
    }
}

template <int Bits, bool HostRange>
inline __m128i widen64_sse(__m128i s)
{
    if constexpr (HostRange) {
        const __m128i rep = _mm_or_si128(_mm_slli_epi16(s, 15 - Bits), _mm_srli_epi16(s, 2 * Bits - 15));
        return _mm_add_epi16(rep, _mm_srli_epi16(_mm_add_epi16(s, _mm_set1_epi16(1)), Bits));
    } else {
        return _mm_or_si128(_mm_slli_epi16(s, 16 - Bits), _mm_srli_epi16(s, 2 * Bits - 16));
    }
}

// Channel vectors (8 samples each, 16-bit values of the packed layout) -> 8 packed pixels.
template <int Order>
inline void interleave64(__m128i b, __m128i g, __m128i r, __m128i a, __m128i out[4])
{
    __m128i c0, c1, c2, c3;
    if constexpr (Order == 1) {
        c0 = bswap_epi16(a), c1 = bswap_epi16(r), c2 = bswap_epi16(g), c3 = bswap_epi16(b);
    } else if constexpr (Order == 2) {
        c0 = r, c1 = g, c2 = b, c3 = a;
    } else {
        c0 = b, c1 = g, c2 = r, c3 = a;
    }
    const __m128i lo01 = _mm_unpacklo_epi16(c0, c1), lo23 = _mm_unpacklo_epi16(c2, c3);
    const __m128i hi01 = _mm_unpackhi_epi16(c0, c1), hi23 = _mm_unpackhi_epi16(c2, c3);
    out[0] = _mm_unpacklo_epi32(lo01, lo23);
    out[1] = _mm_unpackhi_epi32(lo01, lo23);
    out[2] = _mm_unpacklo_epi32(hi01, hi23);
    out[3] = _mm_unpackhi_epi32(hi01, hi23);
}

} // namespace

template <int Channels, int Bits, int Order, bool HostRange>
void split64(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    constexpr short M = static_cast<short>((1 << Bits) - 1);
    // Lanes after normalisation: B G R A of pixel 0, then of pixel 1.
    constexpr ShufMask reverse8{{7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8}};
    constexpr ShufMask byPlane{{0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15}};
    const __m128i selBR = _mm_setr_epi16(-1, 0, -1, 0, -1, 0, -1, 0);
    const __m128i keep = _mm_setr_epi16(M, -1, M, -1, M, -1, M, -1);
    int x = 0;
    for (; x + 2 <= width; x += 2) {
        __m128i v = loadu(src + 8 * static_cast<intptr_t>(x));
        if constexpr (Order == 1)
            v = _mm_shuffle_epi8(v, reverse8.load());
        else if constexpr (Order == 2)
            v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
        const __m128i n = narrow64_sse<Bits, HostRange>(v);
        const __m128i g = _mm_shufflehi_epi16(_mm_shufflelo_epi16(n, 0x55), 0x55);
        __m128i d = _mm_and_si128(_mm_sub_epi16(n, _mm_and_si128(g, selBR)), keep);
        d = _mm_shuffle_epi8(d, byPlane.load());
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        store32(p0 + o, d);
        store32(p1 + o, _mm_srli_si128(d, 4));
        store32(p2 + o, _mm_srli_si128(d, 8));
        if constexpr (Channels == 4) store32(p3 + o, _mm_srli_si128(d, 12));
    }
    if (x < width) split64_pixel<Channels, Bits, Order, HostRange>(src, x, p0, p1, p2, p3);
}

template <int Channels, int Bits, int Order, bool HostRange>
void split64_scalar(const uint8_t* src, int width, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    for (int x = 0; x < width; ++x) split64_pixel<Channels, Bits, Order, HostRange>(src, x, p0, p1, p2, p3);
}

template <int Channels, int Bits, int Order, bool HostRange>
void join64(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3)
{
    const __m128i M = _mm_set1_epi16(static_cast<short>((1 << Bits) - 1));
    const __m128i opaque = _mm_set1_epi16(static_cast<short>(opaque64<HostRange>));
    const auto pixels = [&](__m128i s0, __m128i g, __m128i s2, __m128i a, __m128i out[4]) {
        const __m128i b = _mm_and_si128(_mm_add_epi16(s0, g), M);
        const __m128i r = _mm_and_si128(_mm_add_epi16(s2, g), M);
        const __m128i wa = Channels == 4 ? widen64_sse<Bits, HostRange>(a) : opaque;
        interleave64<Order>(widen64_sse<Bits, HostRange>(b), widen64_sse<Bits, HostRange>(g),
                            widen64_sse<Bits, HostRange>(r), wa, out);
    };
    const int whole = width & ~7;
    const bool stream = (reinterpret_cast<uintptr_t>(dst) & 15) == 0;
    int x = 0;
    for (; x < whole; x += 8) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        __m128i out[4];
        pixels(loadu(p0 + o), loadu(p1 + o), loadu(p2 + o), Channels == 4 ? loadu(p3 + o) : opaque, out);
        __m128i* d = reinterpret_cast<__m128i*>(dst + 8 * static_cast<intptr_t>(x));
        if (stream) {
            for (int k = 0; k < 4; ++k) _mm_stream_si128(d + k, out[k]);
        } else {
            for (int k = 0; k < 4; ++k) _mm_storeu_si128(d + k, out[k]);
        }
    }
    for (; x + 2 <= width; x += 2) {
        const intptr_t o = 2 * static_cast<intptr_t>(x);
        __m128i out[4];
        pixels(load32(p0 + o), load32(p1 + o), load32(p2 + o), Channels == 4 ? load32(p3 + o) : opaque, out);
        storeu(dst + 8 * static_cast<intptr_t>(x), out[0]);
    }
    if (x < width) join64_pixel<Channels, Bits, Order, HostRange>(dst, x, p0, p1, p2, p3);
    // Streaming stores are weakly ordered; make them visible before the frame is handed back.
    if (stream && whole > 0) _mm_sfence();
}

template <int Channels, int Bits, int Order, bool HostRange>
void join64_scalar(uint8_t* dst, int width, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                   const uint8_t* p3)
{
    for (int x = 0; x < width; ++x) join64_pixel<Channels, Bits, Order, HostRange>(dst, x, p0, p1, p2, p3);
}

#define HBD_KERNELS64(C, N, O, H)                                                                              \
    template void split64<C, N, O, H>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);            \
    template void split64_scalar<C, N, O, H>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);     \
    template void join64<C, N, O, H>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*,            \
                                     const uint8_t*);                                                          \
    template void join64_scalar<C, N, O, H>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*,     \
                                            const uint8_t*);
#define HBD_KERNELS64_RANGE(C, N, O) HBD_KERNELS64(C, N, O, false) HBD_KERNELS64(C, N, O, true)
#define HBD_KERNELS64_ORDER(C, N) HBD_KERNELS64_RANGE(C, N, 1) HBD_KERNELS64_RANGE(C, N, 2) HBD_KERNELS64_RANGE(C, N, 3)
#define HBD_KERNELS64_BITS(C) HBD_KERNELS64_ORDER(C, 10) HBD_KERNELS64_ORDER(C, 12) HBD_KERNELS64_ORDER(C, 14)
HBD_KERNELS64_BITS(3)
HBD_KERNELS64_BITS(4)

} // namespace hbd

// SSE2 kernels of Yuy2Uyvy.h: 64 packed bytes per group.
#include "codec/imgproc/kernels/Yuy2Uyvy.h"

#include <emmintrin.h>

namespace {

inline __m128i load(const uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(uint8_t* p, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }
inline void stream(uint8_t* p, __m128i v) { _mm_stream_si128(reinterpret_cast<__m128i*>(p), v); }

// Even bytes of a and b (low byte of every 16-bit lane), packed.
inline __m128i even_bytes(__m128i a, __m128i b)
{
    const __m128i lo = _mm_set1_epi16(0x00FF);
    return _mm_packus_epi16(_mm_and_si128(a, lo), _mm_and_si128(b, lo));
}

inline __m128i odd_bytes(__m128i a, __m128i b)
{
    return _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
}

} // namespace

template <bool uyvy, bool lumaOnly>
void split_yuy2_uyvy_sse(const uint8_t* src, int count, uint8_t* y, uint8_t* u, uint8_t* v)
{
    if (count < 16) return;
    const int groups = count / 64;
    for (int g = 0; g < groups; ++g, src += 64) {
        const __m128i s0 = load(src), s1 = load(src + 16), s2 = load(src + 32), s3 = load(src + 48);
        if constexpr (uyvy) {
            store(y + 32 * g, odd_bytes(s0, s1));
            store(y + 32 * g + 16, odd_bytes(s2, s3));
        } else {
            store(y + 32 * g, even_bytes(s0, s1));
            store(y + 32 * g + 16, even_bytes(s2, s3));
        }
        if constexpr (!lumaOnly) {
            // Chroma bytes alternate U, V.
            const __m128i c0 = uyvy ? even_bytes(s0, s1) : odd_bytes(s0, s1);
            const __m128i c1 = uyvy ? even_bytes(s2, s3) : odd_bytes(s2, s3);
            store(u + 16 * g, even_bytes(c0, c1));
            store(v + 16 * g, odd_bytes(c0, c1));
        }
    }
}

template <bool uyvy, bool lumaOnly>
void join_yuy2_uyvy_sse(uint8_t* dst, int count, const uint8_t* y, const uint8_t* u, const uint8_t* v)
{
    if (count < 16) return;
    const int groups = count / 64;
    for (int g = 0; g < groups; ++g, dst += 64) {
        const __m128i y0 = load(y + 32 * g), y1 = load(y + 32 * g + 16);
        __m128i c0, c1;
        if constexpr (lumaOnly) {
            c0 = c1 = _mm_set1_epi8(static_cast<char>(128));
        } else {
            const __m128i uu = load(u + 16 * g), vv = load(v + 16 * g);
            c0 = _mm_unpacklo_epi8(uu, vv); // U0 V0 U1 V1 ..
            c1 = _mm_unpackhi_epi8(uu, vv);
        }
        if constexpr (uyvy) {
            stream(dst, _mm_unpacklo_epi8(c0, y0));
            stream(dst + 16, _mm_unpackhi_epi8(c0, y0));
            stream(dst + 32, _mm_unpacklo_epi8(c1, y1));
            stream(dst + 48, _mm_unpackhi_epi8(c1, y1));
        } else {
            stream(dst, _mm_unpacklo_epi8(y0, c0));
            stream(dst + 16, _mm_unpackhi_epi8(y0, c0));
            stream(dst + 32, _mm_unpacklo_epi8(y1, c1));
            stream(dst + 48, _mm_unpackhi_epi8(y1, c1));
        }
    }
}

template void split_yuy2_uyvy_sse<false, false>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);
template void split_yuy2_uyvy_sse<false, true>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);
template void split_yuy2_uyvy_sse<true, false>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);
template void split_yuy2_uyvy_sse<true, true>(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);
template void join_yuy2_uyvy_sse<false, false>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
template void join_yuy2_uyvy_sse<false, true>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
template void join_yuy2_uyvy_sse<true, false>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
template void join_yuy2_uyvy_sse<true, true>(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*);
